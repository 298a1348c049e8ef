#include "elastic_pool.hpp"

namespace velmora::tools {

void ElasticPool::enqueue(std::function<void()> task) {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
    if (tasks_.size() > idle_ && threads_.size() < maxThreads_) {
        threads_.emplace_back([this] { work(); });
    } else {
        wake_.notify_one();
    }
}

void ElasticPool::shutdown() {
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        threads.swap(threads_);
    }
    wake_.notify_all();
    for (auto& thread : threads) {
        thread.join();
    }
}

void ElasticPool::work() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            ++idle_;
            wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
            --idle_;
            // Tasks still queued at shutdown are connections already accepted: serve them.
            if (tasks_.empty()) {
                return;
            }
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

} // namespace velmora::tools
