#include "velmora/ui/main_task.hpp"

#include "velmora/operation_spawn.hpp"

#include <boost/asio/bind_cancellation_slot.hpp>
#include <boost/asio/cancellation_signal.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/redirect_error.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/system/system_error.hpp>

#include <vector>

namespace velmora {

namespace asio = boost::asio;

// The cancellation signal and its guard against a late cancellation are those of the client's
// operations: the task's work is spawned the same way.
struct VelmoraMainTask::State : detail::OperationCancellation {
    explicit State(asio::any_io_executor executor) : executor(std::move(executor)) {}
    asio::any_io_executor executor;
    bool cancelled = false;
    bool started = false;
    // Waiters sleep on a timer that never expires by itself; finishing cancels it.
    std::vector<std::shared_ptr<asio::steady_timer>> waiters;

    void finish() {
        finished = true;
        for (const auto& waiter : waiters) {
            waiter->cancel();
        }
        waiters.clear();
    }
};

VelmoraMainTask::VelmoraMainTask(std::shared_ptr<State> state) : state_(std::move(state)) {}

namespace {

// The spawn's completion, carrying the task's cancellation slot and naming no executor of its
// own: with one, a cancellation would hop through it once more, and on an executor that never
// runs a dispatch inline (the Qt event loop's) that hop can land after the coroutine, and the
// task's state that holds the signal, are gone.
template <class StatePointer> struct TaskCompletion : detail::OperationCancellationSlot {
    StatePointer state;

    void operator()(std::exception_ptr) const { state->finish(); }
};

} // namespace

VelmoraMainTask VelmoraMainTask::start(asio::any_io_executor executor, Body body) {
    auto state = std::make_shared<State>(executor);
    // Posted, so the body never runs inside the frame that started it.
    asio::post(executor, [executor, state, body = std::move(body)]() mutable {
        if (state->cancelled) {
            state->finish();
            return;
        }
        state->started = true;
        asio::co_spawn(
            executor,
            [body = std::move(body)]() -> asio::awaitable<void> {
                try {
                    co_await body();
                } catch (...) {
                    // Dropped: the body reports its own failures.
                }
                // A task cancelled from inside itself (its work ended it) before it ever
                // suspended would otherwise fail the spawn's closing hop back onto the executor,
                // and that failure would escape from the executor's run.
                co_await asio::this_coro::throw_if_cancelled(false);
            },
            TaskCompletion<std::shared_ptr<State>>{{state}, state});
    });
    return VelmoraMainTask(std::move(state));
}

void VelmoraMainTask::cancel() const {
    if (state_->cancelled || state_->finished) {
        return;
    }
    state_->cancelled = true;
    if (state_->started) {
        // Emitted from inside the executor, while the coroutine has not finished; the signal
        // reaches it without a further hop (see TaskCompletion).
        asio::dispatch(state_->executor, [state = state_] {
            state->emitUnlessFinished(asio::cancellation_type::terminal);
        });
    }
}

bool VelmoraMainTask::isCancelled() const {
    return state_->cancelled;
}

bool VelmoraMainTask::isFinished() const {
    return state_->finished;
}

asio::awaitable<void> VelmoraMainTask::wait() const {
    const auto state = state_;
    if (state->finished) {
        co_return;
    }
    auto timer = std::make_shared<asio::steady_timer>(co_await asio::this_coro::executor,
                                                      asio::steady_timer::time_point::max());
    state->waiters.push_back(timer);
    boost::system::error_code ec;
    co_await timer->async_wait(asio::redirect_error(asio::use_awaitable, ec));
    if (!state->finished) {
        std::erase(state->waiters, timer);
        throw boost::system::system_error(asio::error::operation_aborted);
    }
}

} // namespace velmora
