#include "controller_test_support.hpp"

#include "velmora/ui/main_task.hpp"

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>

namespace velmora::testing {
namespace {

TEST(MainTaskTest, RunsPostedNeverInsideTheCallerAndCanBeAwaited) {
    asio::io_context io;
    std::vector<std::string> order;
    auto task = VelmoraMainTask::start(io.get_executor(), [&]() -> asio::awaitable<void> {
        order.push_back("task");
        co_return;
    });
    order.push_back("caller");
    bool waited = false;
    asio::co_spawn(
        io,
        [&, task]() -> asio::awaitable<void> {
            co_await task.wait();
            waited = true;
        },
        asio::detached);
    drain(io);
    EXPECT_EQ(order, (std::vector<std::string>{"caller", "task"}));
    EXPECT_TRUE(task.isFinished());
    EXPECT_TRUE(waited);
}

TEST(MainTaskTest, CancellingWakesTheAwaitedSleepAndABodyNeverStartedNeverRuns) {
    asio::io_context io;
    VelmoraManualWidgetClock clock;
    bool cancelledSeen = false;
    auto sleeping = VelmoraMainTask::start(io.get_executor(), [&]() -> asio::awaitable<void> {
        try {
            co_await clock.sleep(std::chrono::seconds(30));
        } catch (...) {
            cancelledSeen = isCancellation(std::current_exception());
        }
    });
    drain(io);
    EXPECT_EQ(clock.pendingSleeps(), 1u);
    sleeping.cancel();
    drain(io);
    EXPECT_TRUE(cancelledSeen);
    EXPECT_TRUE(sleeping.isFinished());

    bool ran = false;
    auto never = VelmoraMainTask::start(io.get_executor(), [&]() -> asio::awaitable<void> {
        ran = true;
        co_return;
    });
    never.cancel();
    drain(io);
    EXPECT_FALSE(ran);
    EXPECT_TRUE(never.isFinished());
}

TEST(MainTaskTest, ATaskThatEndsItselfBeforeItEverSuspendsFinishesQuietly) {
    // Work that finishes at once and, finishing, cancels its own task (as a handler that answers
    // at once ends its own request) must not throw out of the executor's run.
    asio::io_context io;
    auto self = std::make_shared<std::optional<VelmoraMainTask>>();
    bool ran = false;
    *self = VelmoraMainTask::start(io.get_executor(), [&, self]() -> asio::awaitable<void> {
        ran = true;
        (*self)->cancel();
        co_return;
    });
    EXPECT_NO_THROW(drain(io));
    EXPECT_TRUE(ran);
    EXPECT_TRUE((*self)->isFinished());
    self->reset();
}

TEST(ManualClockTest, SleepsEndWhenTheTestMovesTimeNotBefore) {
    asio::io_context io;
    VelmoraManualWidgetClock clock;
    const auto start = clock.now();
    std::vector<int> woke;
    for (int seconds : {30, 10}) {
        asio::co_spawn(
            io,
            [&, seconds]() -> asio::awaitable<void> {
                co_await clock.sleep(std::chrono::seconds(seconds));
                woke.push_back(seconds);
            },
            asio::detached);
    }
    drain(io);
    clock.advance(std::chrono::seconds(29));
    drain(io);
    EXPECT_EQ(woke, std::vector<int>{10});
    clock.advance(std::chrono::seconds(1));
    drain(io);
    EXPECT_EQ(woke, (std::vector<int>{10, 30}));
    EXPECT_EQ(clock.now() - start, std::chrono::seconds(30));
}

TEST(ObservationTest, ObserversHearBeforeEachAssignmentEvenOfTheSameValue) {
    asio::io_context io;
    auto controller = VelmoraWidgetController::create(
        io.get_executor(), std::make_shared<ScriptedWidgetClient>(), false, std::nullopt,
        std::nullopt, {}, {}, std::make_shared<VelmoraWidgetDraftStore>());
    std::vector<std::string> seen;
    auto all =
        controller->observe([&](VelmoraWidgetProperty) { seen.push_back(controller->draft()); });
    int draftOnly = 0;
    auto one = controller->observe(VelmoraWidgetProperty::draft,
                                   [&](VelmoraWidgetProperty) { ++draftOnly; });
    int openOnly = 0;
    auto other = controller->observe(VelmoraWidgetProperty::isOpen,
                                     [&](VelmoraWidgetProperty) { ++openOnly; });
    controller->setDraft("a");
    controller->setDraft("a");
    EXPECT_EQ(seen, (std::vector<std::string>{"", "a"})); // the old value is still readable
    EXPECT_EQ(draftOnly, 2);
    EXPECT_EQ(openOnly, 0);
    one.cancel();
    controller->setDraft("b");
    EXPECT_EQ(draftOnly, 2);
}

TEST(ObservationTest, ObserversMayCancelAndRegisterObserversWhileBeingNotified) {
    asio::io_context io;
    auto controller = VelmoraWidgetController::create(
        io.get_executor(), std::make_shared<ScriptedWidgetClient>(), false, std::nullopt,
        std::nullopt, {}, {}, std::make_shared<VelmoraWidgetDraftStore>());
    std::vector<std::string> calls;
    VelmoraObservation second;
    VelmoraObservation late;
    VelmoraObservation first = controller->observe([&](VelmoraWidgetProperty) {
        calls.push_back("first");
        first.cancel();  // itself
        second.cancel(); // a later one: not called any more
        late = controller->observe([&](VelmoraWidgetProperty) { calls.push_back("late"); });
        controller->setDraft("nested"); // re-entering the controller
    });
    second = controller->observe([&](VelmoraWidgetProperty) { calls.push_back("second"); });
    controller->setDraft("x");
    // The nested assignment notified "late" only; the outer one then stored its value.
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "late"}));
    EXPECT_EQ(controller->draft(), "x");
    calls.clear();
    controller->setDraft("y");
    EXPECT_EQ(calls, std::vector<std::string>{"late"});
}

TEST(ObservationTest, AnObserverMayDropTheLastReferenceToTheController) {
    asio::io_context io;
    auto controller = VelmoraWidgetController::create(
        io.get_executor(), std::make_shared<ScriptedWidgetClient>(), false, std::nullopt,
        std::nullopt, {}, {}, std::make_shared<VelmoraWidgetDraftStore>());
    std::weak_ptr<VelmoraWidgetController> weak = controller;
    auto observation = controller->observe(VelmoraWidgetProperty::isMounted,
                                           [&](VelmoraWidgetProperty) { controller.reset(); });
    weak.lock()->mount();
    drain(io);
    EXPECT_TRUE(weak.expired());
}

} // namespace
} // namespace velmora::testing
