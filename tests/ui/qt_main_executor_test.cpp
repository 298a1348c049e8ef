#include "velmora/ui/qt_main_executor.hpp"

#include "ui/ui_test_support.hpp"

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/defer.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/use_awaitable.hpp>

#include <QThread>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace velmora {
namespace {

namespace asio = boost::asio;
using testing::processEventsUntil;

TEST(QtMainExecutorTest, RunsHandlersLaterInOrderOnTheGuiThread) {
    VelmoraQtExecutionContext context;
    asio::any_io_executor executor = context.get_executor();
    std::vector<int> order;
    std::vector<QThread*> threads;
    const auto record = [&](int n) {
        return [&, n] {
            order.push_back(n);
            threads.push_back(QThread::currentThread());
        };
    };
    asio::post(executor, record(1));
    asio::dispatch(executor, record(2)); // never inline, not even on the GUI thread
    asio::defer(executor, record(3));
    asio::post(executor, [&] { asio::post(executor, record(5)); });
    asio::post(executor, record(4));
    EXPECT_TRUE(order.empty()) << "a handler ran inline from post/dispatch/defer";
    EXPECT_EQ(context.outstandingWork(), 5u);

    ASSERT_TRUE(processEventsUntil([&] { return order.size() == 5; }));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4, 5}));
    for (auto* thread : threads)
        EXPECT_EQ(thread, QCoreApplication::instance()->thread());
    EXPECT_EQ(context.outstandingWork(), 0u);
}

TEST(QtMainExecutorTest, WorkPostedFromAnotherThreadRunsOnTheGuiThreadInOrder) {
    VelmoraQtExecutionContext context;
    const asio::any_io_executor executor = context.get_executor();
    std::vector<int> order;
    bool allOnGuiThread = true;
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i)
            asio::post(executor, [&, i] {
                order.push_back(i);
                allOnGuiThread &= context.runningInThisThread();
            });
    });
    worker.join();
    ASSERT_TRUE(processEventsUntil([&] { return order.size() == 100; }));
    EXPECT_TRUE(allOnGuiThread);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
}

TEST(QtMainExecutorTest, CoroutinesAndTimersCompleteOnIt) {
    VelmoraQtExecutionContext context;
    const asio::any_io_executor executor = context.get_executor();
    std::vector<std::string> steps;
    bool finished = false;
    asio::co_spawn(
        executor,
        [&]() -> asio::awaitable<int> {
            steps.push_back(context.runningInThisThread() ? "started on gui" : "started elsewhere");
            asio::steady_timer timer(co_await asio::this_coro::executor);
            timer.expires_after(std::chrono::milliseconds(5));
            co_await timer.async_wait(asio::use_awaitable);
            steps.push_back(context.runningInThisThread() ? "woke on gui" : "woke elsewhere");
            co_return 42;
        },
        [&](std::exception_ptr error, int value) {
            EXPECT_FALSE(error);
            EXPECT_EQ(value, 42);
            finished = true;
        });
    EXPECT_TRUE(steps.empty()) << "co_spawn started the coroutine inline";
    ASSERT_TRUE(processEventsUntil([&] { return finished; }));
    EXPECT_EQ(steps, (std::vector<std::string>{"started on gui", "woke on gui"}));
}

TEST(QtMainExecutorTest, TracksOutstandingWorkOnlyWhenAsked) {
    VelmoraQtExecutionContext context;
    const auto untracked = context.get_executor();
    EXPECT_EQ(asio::query(untracked, asio::execution::outstanding_work),
              asio::execution::outstanding_work.untracked);
    EXPECT_EQ(context.outstandingWork(), 0u);
    {
        const auto tracked = asio::prefer(untracked, asio::execution::outstanding_work.tracked);
        auto copy = tracked;
        EXPECT_EQ(asio::query(tracked, asio::execution::outstanding_work),
                  asio::execution::outstanding_work.tracked);
        EXPECT_EQ(context.outstandingWork(), 2u);
        auto moved = std::move(copy);
        EXPECT_EQ(context.outstandingWork(), 2u);
    }
    EXPECT_EQ(context.outstandingWork(), 0u);
    EXPECT_EQ(asio::query(untracked, asio::execution::blocking), asio::execution::blocking.never);
}

TEST(QtMainExecutorTest, DestroyingTheContextDestroysQueuedHandlersUnrun) {
    auto ran = std::make_shared<int>(0);
    std::weak_ptr<int> watch = ran;
    {
        VelmoraQtExecutionContext context;
        asio::post(context.get_executor(), [ran] { ++*ran; });
        ran.reset();
        EXPECT_FALSE(watch.expired()); // the queued handler owns it
    }
    EXPECT_TRUE(watch.expired());
    testing::drainEvents(); // nothing left to deliver, nothing crashes
}

} // namespace
} // namespace velmora
