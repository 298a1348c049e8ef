// Tasks on the Qt event loop's executor, which never runs a dispatch inline.
#include "ui/ui_test_support.hpp"
#include "velmora/ui/main_task.hpp"
#include "velmora/ui/qt_main_executor.hpp"

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/post.hpp>
#include <gtest/gtest.h>

#include <optional>

namespace velmora {
namespace {

namespace asio = boost::asio;

// The coroutine completes on one turn and its completion runs on a later one; a cancellation
// asked for in between, by an owner that then lets go of the task, must not reach into the
// finished coroutine (AddressSanitizer reports the use after free this once was).
TEST(VelmoraMainTaskOnQt, CancelledAsItFinishesAndDroppedIsHarmless) {
    VelmoraQtExecutionContext context;
    const asio::any_io_executor executor = context.get_executor();
    for (int round = 0; round < 20; ++round) {
        std::optional<VelmoraMainTask> task;
        bool cancelled = false;
        task = VelmoraMainTask::start(executor, [&]() -> asio::awaitable<void> {
            asio::post(executor, [&] {
                task->cancel();
                task.reset();
                cancelled = true;
            });
            co_return;
        });
        ASSERT_TRUE(testing::processEventsUntil([&] { return cancelled; }));
        testing::drainEvents();
    }
}

} // namespace
} // namespace velmora
