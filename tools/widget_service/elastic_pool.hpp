#pragma once

#include <httplib.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace velmora::tools {

/// The HTTP library's task queue, one task per connection. A kept-alive connection holds its
/// worker while it waits for the next request, so a fixed pool stalls as soon as more
/// connections are open than it has threads; this one starts a worker whenever none is idle (up
/// to `maxThreads`) and keeps it for later connections. `shutdown()` joins them all.
class ElasticPool final : public httplib::TaskQueue {
public:
    explicit ElasticPool(std::size_t maxThreads) : maxThreads_(maxThreads) {}
    ~ElasticPool() override { shutdown(); }
    ElasticPool(const ElasticPool&) = delete;
    ElasticPool& operator=(const ElasticPool&) = delete;

    void enqueue(std::function<void()> task) override;
    void shutdown() override;

private:
    void work();

    const std::size_t maxThreads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    std::vector<std::thread> threads_;
    std::size_t idle_ = 0;
    bool stopping_ = false;
};

} // namespace velmora::tools
