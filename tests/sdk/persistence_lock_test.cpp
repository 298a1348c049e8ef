#include "persistence_lock.hpp"

#include <boost/asio/bind_cancellation_slot.hpp>
#include <boost/asio/cancellation_signal.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/asio/use_future.hpp>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace velmora::detail {
namespace {

namespace asio = boost::asio;

TEST(PersistenceLockTest, HandsOverFirstComeFirstServedAndNeverToALatecomer) {
    asio::io_context io;
    VelmoraPersistenceLock lock;
    std::vector<std::string> order;

    auto holder = [&](std::string name) -> asio::awaitable<void> {
        co_await lock.acquire();
        order.push_back(name + "+");
        asio::steady_timer pause(io, std::chrono::milliseconds(5));
        co_await pause.async_wait(asio::use_awaitable);
        order.push_back(name + "-");
        lock.release();
        if (name == "A") {
            // Asks again right after its release, before B has resumed: it must queue behind C.
            co_await lock.acquire();
            order.push_back("D+");
            lock.release();
        }
    };
    for (auto name : {"A", "B", "C"})
        asio::co_spawn(io, holder(name), asio::detached);
    io.run();
    EXPECT_EQ(order, (std::vector<std::string>{"A+", "A-", "B+", "B-", "C+", "C-", "D+"}));
    EXPECT_FALSE(lock.isLocked());

    lock.release(); // releasing a free lock leaves it free
    EXPECT_FALSE(lock.isLocked());
}

TEST(PersistenceLockTest, CancelledWaiterStillReceivesTheLockInItsTurn) {
    asio::io_context io;
    VelmoraPersistenceLock lock;
    asio::cancellation_signal signal;
    std::vector<std::string> order;

    asio::co_spawn(
        io,
        [&]() -> asio::awaitable<void> {
            co_await lock.acquire();
            order.push_back("A");
            asio::steady_timer pause(io, std::chrono::milliseconds(20));
            co_await pause.async_wait(asio::use_awaitable);
            lock.release();
        },
        asio::detached);
    asio::co_spawn(
        io,
        [&]() -> asio::awaitable<void> {
            co_await lock.acquire(); // cancelled while queued: still completes, holding the lock
            order.push_back("B");
            lock.release();
        },
        asio::bind_cancellation_slot(signal.slot(), asio::detached));
    asio::co_spawn(
        io,
        [&]() -> asio::awaitable<void> {
            co_await lock.acquire();
            order.push_back("C");
            lock.release();
        },
        asio::detached);
    asio::steady_timer cancelSoon(io, std::chrono::milliseconds(5));
    cancelSoon.async_wait([&](auto) { signal.emit(asio::cancellation_type::all); });
    io.run();
    EXPECT_EQ(order, (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_FALSE(lock.isLocked());
}

TEST(PersistenceLockTest, ExcludesAcrossThreads) {
    asio::thread_pool pool(4);
    VelmoraPersistenceLock lock;
    int inside = 0;
    int maxInside = 0;
    long counter = 0;
    std::vector<std::future<void>> done;
    for (int i = 0; i < 200; ++i) {
        done.push_back(asio::co_spawn(
            pool,
            [&]() -> asio::awaitable<void> {
                co_await lock.acquire();
                maxInside = std::max(maxInside, ++inside);
                ++counter;
                --inside;
                lock.release();
            },
            asio::use_future));
    }
    for (auto& f : done)
        f.get();
    EXPECT_EQ(counter, 200);
    EXPECT_EQ(maxInside, 1);
}

} // namespace
} // namespace velmora::detail
