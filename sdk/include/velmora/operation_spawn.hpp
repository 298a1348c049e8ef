#pragma once

#include <boost/asio/associated_cancellation_slot.hpp>
#include <boost/asio/associated_executor.hpp>
#include <boost/asio/async_result.hpp>
#include <boost/asio/awaitable.hpp>
#include <boost/asio/cancellation_signal.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/dispatch.hpp>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/post.hpp>

#include <exception>
#include <memory>
#include <tuple>
#include <type_traits>
#include <utility>

namespace velmora::detail {

/// The signal that carries a cancellation into an operation spawned on an executor, guarded
/// against arriving late: once the operation has finished, the handler that its spawn installed
/// in the signal's slot is gone, and emitting would call into freed memory. It lives as long as
/// anyone may still emit it; both members are only touched on the operation's executor.
struct OperationCancellation {
    boost::asio::cancellation_signal signal;
    bool finished = false;

    /// Delivers `type` to the operation while it still runs; nothing once it finished.
    void emitUnlessFinished(boost::asio::cancellation_type type) {
        if (!finished) {
            signal.emit(type);
        }
    }
};

/// The cancellation slot an operation's completion hands to co_spawn: that of the guarded
/// signal. The completion names no executor of its own, so co_spawn hands a cancellation
/// straight to the coroutine, without a further hop that could land after the coroutine (and
/// the signal's owner) is gone.
struct OperationCancellationSlot {
    std::shared_ptr<OperationCancellation> cancellation;

    using cancellation_slot_type = boost::asio::cancellation_slot;
    cancellation_slot_type get_cancellation_slot() const noexcept {
        return cancellation->signal.slot();
    }
};

/// Installed in the caller's cancellation slot: the cancellation goes to the operation's
/// executor and reaches the operation only while it still runs.
template <class Executor> struct OperationCancellationForwarder {
    std::shared_ptr<OperationCancellation> cancellation;
    Executor executor;

    void operator()(boost::asio::cancellation_type type) const {
        boost::asio::post(executor, [cancellation = cancellation, type] {
            cancellation->emitUnlessFinished(type);
        });
    }
};

/// The operation's own completion: it runs on the operation's executor, then delivers the
/// result to the caller's handler on the caller's executor.
template <class Handler, class Executor> struct OperationCompletion : OperationCancellationSlot {
    Handler handler;
    boost::asio::executor_work_guard<Executor> work;

    template <class... Args> void operator()(Args... args) {
        cancellation->finished = true;
        auto executor = work.get_executor();
        boost::asio::dispatch(executor, [handler = std::move(handler), work = std::move(work),
                                         results = std::make_tuple(std::move(args)...)]() mutable {
            // The forwarder goes before the handler runs, on the caller's own executor.
            boost::asio::get_associated_cancellation_slot(handler).clear();
            std::apply(std::move(handler), std::move(results));
        });
    }
};

template <class T> struct OperationSignature { using type = void(std::exception_ptr, T); };
template <> struct OperationSignature<void> { using type = void(std::exception_ptr); };

/// Runs `operation` on `executor` and completes `token` with its result, as co_spawn does, but
/// with a caller's cancellation that can never reach the operation after it finished. (co_spawn
/// itself forwards a caller's cancellation through a dispatch that can run after the operation
/// completed and its signal was destroyed.)
template <class T, class Token>
auto spawnOperation(const boost::asio::any_io_executor& executor,
                    boost::asio::awaitable<T> operation, Token&& token) {
    using Signature = typename OperationSignature<T>::type;
    return boost::asio::async_initiate<Token, Signature>(
        [executor](auto handler, boost::asio::awaitable<T> operation) {
            auto cancellation = std::make_shared<OperationCancellation>();
            auto callerSlot = boost::asio::get_associated_cancellation_slot(handler);
            if (callerSlot.is_connected()) {
                callerSlot
                    .template emplace<OperationCancellationForwarder<boost::asio::any_io_executor>>(
                        cancellation, executor);
            }
            auto callerExecutor = boost::asio::get_associated_executor(handler, executor);
            using CallerExecutor = decltype(callerExecutor);
            boost::asio::co_spawn(executor, std::move(operation),
                                  OperationCompletion<decltype(handler), CallerExecutor>{
                                      {cancellation},
                                      std::move(handler),
                                      boost::asio::make_work_guard(callerExecutor)});
        },
        token, std::move(operation));
}

} // namespace velmora::detail
