#include "velmora/async_stream.hpp"

#include <boost/asio/bind_cancellation_slot.hpp>
#include <boost/asio/bind_executor.hpp>
#include <boost/asio/cancellation_signal.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/system/system_error.hpp>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace velmora {
namespace {

namespace asio = boost::asio;

// Reads the stream to its end and records what arrived.
asio::awaitable<void> drain(AsyncStream<int>& stream, std::vector<int>& seen) {
    while (auto value = co_await stream.next()) {
        seen.push_back(*value);
    }
}

void rethrow(std::exception_ptr error) {
    if (error) {
        std::rethrow_exception(error);
    }
}

TEST(AsyncStreamTest, DeliversBufferedValuesInOrderThenEnds) {
    asio::io_context io;
    auto [stream, continuation] = makeAsyncStream<int>();
    EXPECT_TRUE(continuation.yield(1));
    EXPECT_TRUE(continuation.yield(2));
    continuation.finish();
    EXPECT_FALSE(continuation.yield(3));
    EXPECT_TRUE(continuation.isTerminated());

    std::vector<int> seen;
    asio::co_spawn(io, drain(stream, seen), rethrow);
    io.run();
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));

    // A finished stream keeps answering with nothing.
    std::optional<int> after = 7;
    bool called = false;
    stream.next(
        asio::bind_executor(io, [&](boost::system::error_code ec, std::optional<int> value) {
            EXPECT_FALSE(ec);
            after = value;
            called = true;
        }));
    EXPECT_FALSE(called) << "completion must not run inside next()";
    io.restart();
    io.run();
    EXPECT_TRUE(called);
    EXPECT_EQ(after, std::nullopt);
}

TEST(AsyncStreamTest, WakesAWaitingReaderOnItsOwnExecutorFromAnotherThread) {
    asio::io_context io;
    auto [stream, continuation] = makeAsyncStream<int>();
    std::vector<int> seen;
    std::atomic<bool> allOnIoThread = true;
    asio::co_spawn(
        io,
        [&]() -> asio::awaitable<void> {
            while (auto value = co_await stream.next()) {
                if (!io.get_executor().running_in_this_thread()) {
                    allOnIoThread = false;
                }
                seen.push_back(*value);
            }
        },
        rethrow);
    // The waiting reader counts as work: run() must not return before the stream ends.
    std::thread consumer([&] { io.run(); });
    std::thread producer([&, c = continuation] {
        for (int i = 0; i < 2000; ++i) {
            c.yield(i);
        }
        c.finish();
    });
    producer.join();
    consumer.join();
    ASSERT_EQ(seen.size(), 2000u);
    for (int i = 0; i < 2000; ++i) {
        EXPECT_EQ(seen[static_cast<std::size_t>(i)], i);
    }
    EXPECT_TRUE(allOnIoThread);
}

TEST(AsyncStreamTest, ManyProducersOnAPoolLoseNothing) {
    asio::thread_pool pool(4);
    asio::io_context io;
    auto [stream, continuation] = makeAsyncStream<int>();
    std::vector<int> seen;
    asio::co_spawn(io, drain(stream, seen), rethrow);
    std::atomic<int> done = 0;
    for (int p = 0; p < 4; ++p) {
        asio::post(pool, [&, p, c = continuation] {
            for (int i = 0; i < 500; ++i) {
                c.yield(p * 1000 + i);
            }
            if (++done == 4) {
                c.finish();
            }
        });
    }
    io.run();
    pool.join();
    ASSERT_EQ(seen.size(), 2000u);
    // Each producer's own values keep their order.
    std::vector<int> last(4, -1);
    for (int value : seen) {
        EXPECT_GT(value % 1000, last[static_cast<std::size_t>(value / 1000)]);
        last[static_cast<std::size_t>(value / 1000)] = value % 1000;
    }
}

TEST(AsyncStreamTest, CancellingAWaitKeepsTheStreamUsable) {
    asio::io_context io;
    auto [stream, continuation] = makeAsyncStream<int>();
    asio::cancellation_signal signal;
    std::string outcome;
    asio::co_spawn(
        io,
        [&]() -> asio::awaitable<void> {
            try {
                co_await stream.next();
                outcome = "value";
            } catch (const boost::system::system_error& e) {
                outcome = e.code() == asio::error::operation_aborted ? "aborted" : "other";
            }
        },
        asio::bind_cancellation_slot(signal.slot(), rethrow));
    io.poll();
    EXPECT_TRUE(outcome.empty());
    signal.emit(asio::cancellation_type::terminal);
    io.run();
    EXPECT_EQ(outcome, "aborted");

    continuation.yield(5);
    std::vector<int> seen;
    continuation.finish();
    io.restart();
    asio::co_spawn(io, drain(stream, seen), rethrow);
    io.run();
    EXPECT_EQ(seen, std::vector<int>{5});
}

TEST(AsyncStreamTest, ASecondConcurrentNextIsRefused) {
    asio::io_context io;
    auto [stream, continuation] = makeAsyncStream<int>();
    boost::system::error_code second;
    std::optional<int> first;
    stream.next(asio::bind_executor(
        io, [&](boost::system::error_code, std::optional<int> v) { first = v; }));
    stream.next(asio::bind_executor(
        io, [&](boost::system::error_code ec, std::optional<int>) { second = ec; }));
    continuation.yield(9);
    io.run();
    EXPECT_EQ(second, asio::error::already_started);
    EXPECT_EQ(first, 9);
}

TEST(AsyncStreamTest, DroppingTheReaderEndsTheStreamForTheProducer) {
    asio::io_context io;
    auto pair = makeAsyncStream<int>();
    auto continuation = pair.second;
    int terminations = 0;
    continuation.setOnTermination([&] { ++terminations; });
    boost::system::error_code pending;
    {
        AsyncStream<int> stream = std::move(pair.first);
        stream.next(asio::bind_executor(
            io, [&](boost::system::error_code ec, std::optional<int>) { pending = ec; }));
    }
    EXPECT_EQ(terminations, 1);
    EXPECT_FALSE(continuation.yield(1));
    continuation.finish();
    EXPECT_EQ(terminations, 1);
    io.run();
    EXPECT_EQ(pending, asio::error::operation_aborted);

    int late = 0;
    continuation.setOnTermination([&] { ++late; });
    EXPECT_EQ(late, 1);
}

} // namespace
} // namespace velmora
