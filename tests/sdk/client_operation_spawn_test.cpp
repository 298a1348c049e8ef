#include "velmora/operation_spawn.hpp"

#include <boost/asio/bind_cancellation_slot.hpp>
#include <boost/asio/bind_executor.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/system/system_error.hpp>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

// A client operation runs on the client's executor while its caller waits on its own; the
// caller's cancellation crosses between the two.

namespace velmora {
namespace {

namespace asio = boost::asio;

bool isAborted(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const boost::system::system_error& e) {
        return e.code() == asio::error::operation_aborted;
    } catch (...) {
        return false;
    }
}

TEST(ClientOperationSpawnTest, TheCallersCancellationEndsARunningOperation) {
    asio::io_context caller; // outlives the client's threads, which post into it
    asio::thread_pool client(1);
    const asio::any_io_executor strand = asio::make_strand(client);
    asio::cancellation_signal signal;
    std::optional<std::exception_ptr> outcome;
    detail::spawnOperation(
        strand,
        []() -> asio::awaitable<int> {
            asio::steady_timer timer(co_await asio::this_coro::executor, std::chrono::hours(1));
            co_await timer.async_wait(asio::use_awaitable);
            co_return 1;
        }(),
        asio::bind_cancellation_slot(signal.slot(),
                                     asio::bind_executor(caller, [&](std::exception_ptr failure,
                                                                     int) { outcome = failure; })));
    asio::post(caller, [&] { signal.emit(asio::cancellation_type::terminal); });
    caller.run(); // the operation holds work on the caller until it has answered
    ASSERT_TRUE(outcome);
    EXPECT_TRUE(isAborted(*outcome));
}

TEST(ClientOperationSpawnTest, ACancellationRacingTheEndIsHarmlessAndTheResultArrivesOnce) {
    asio::io_context caller; // outlives the client's threads, which post into it
    asio::thread_pool client(2);
    const asio::any_io_executor strand = asio::make_strand(client);
    for (int round = 0; round < 500; ++round) {
        caller.restart();
        asio::cancellation_signal signal;
        int answers = 0;
        detail::spawnOperation(
            strand, []() -> asio::awaitable<int> { co_return 7; }(),
            asio::bind_cancellation_slot(
                signal.slot(),
                asio::bind_executor(caller, [&](std::exception_ptr, int) { ++answers; })));
        // Emitted from the caller's executor, as a closing widget does, at whatever point the
        // operation has reached by then.
        asio::post(caller, [&] { signal.emit(asio::cancellation_type::terminal); });
        caller.run();
        ASSERT_EQ(answers, 1) << "round " << round;
    }
}

} // namespace
} // namespace velmora
