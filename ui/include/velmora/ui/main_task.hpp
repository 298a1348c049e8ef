#pragma once

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/awaitable.hpp>

#include <functional>
#include <memory>

namespace velmora {

/// The handle of one piece of work of the widget controller: a coroutine posted onto the
/// controller's main executor (never run inside the caller's frame). Cancelling only asks the
/// work to stop: the operation it awaits completes with `operation_aborted` when it supports
/// cancellation, and every later `co_await` of the coroutine fails the same way; work past its
/// last suspension still finishes. The coroutine itself decides, by its generation counters,
/// whether what it finishes may still be published.
///
/// Copies share the task. All members must be called on the main executor.
class VelmoraMainTask {
public:
    using Body = std::function<boost::asio::awaitable<void>()>;

    /// Posts `body` onto `executor`. A failure escaping the body is dropped: the body reports
    /// its own failures.
    static VelmoraMainTask start(boost::asio::any_io_executor executor, Body body);

    /// Asks the task to stop (terminal cancellation). Idempotent; no effect once it finished.
    void cancel() const;

    bool isCancelled() const;
    bool isFinished() const;

    /// Completes once the task has finished (at once when it already has). Waiting does not
    /// cancel the task; cancelling the waiter only ends the wait (with `operation_aborted`).
    boost::asio::awaitable<void> wait() const;

    /// Two handles are equal when they are handles of the same task.
    friend bool operator==(const VelmoraMainTask&, const VelmoraMainTask&) = default;

private:
    struct State;
    explicit VelmoraMainTask(std::shared_ptr<State> state);
    std::shared_ptr<State> state_;
};

} // namespace velmora
