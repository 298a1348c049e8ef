#pragma once

#include <boost/asio/any_completion_handler.hpp>
#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/associated_cancellation_slot.hpp>
#include <boost/asio/associated_executor.hpp>
#include <boost/asio/async_result.hpp>
#include <boost/asio/cancellation_type.hpp>
#include <boost/asio/error.hpp>
#include <boost/asio/execution/outstanding_work.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/prefer.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/system/error_code.hpp>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace velmora {

template <class T> class AsyncStream;
template <class T> class AsyncStreamContinuation;

namespace detail {

/// The shared state of one stream: an unbounded queue with at most one waiting consumer.
/// Every member is safe to call from any thread.
template <class T>
class AsyncStreamState : public std::enable_shared_from_this<AsyncStreamState<T>> {
public:
    using Signature = void(boost::system::error_code, std::optional<T>);
    using Handler = boost::asio::any_completion_handler<Signature>;

    /// `executor` is the handler's associated executor, taken before the handler was erased.
    void wait(Handler handler, boost::asio::any_io_executor executor) {
        std::unique_lock lock(mutex_);
        if (waiter_) {
            lock.unlock();
            complete({std::move(handler), std::move(executor)}, boost::asio::error::already_started,
                     std::nullopt);
            return;
        }
        if (!queue_.empty()) {
            std::optional<T> value(std::move(queue_.front()));
            queue_.pop_front();
            lock.unlock();
            complete({std::move(handler), std::move(executor)}, {}, std::move(value));
            return;
        }
        if (finished_) {
            lock.unlock();
            complete({std::move(handler), std::move(executor)}, {}, std::nullopt);
            return;
        }
        // The canceller is installed before the waiter becomes visible to producers, so a
        // completion posted from another thread can never race with the installation.
        auto slot = boost::asio::get_associated_cancellation_slot(handler);
        if (slot.is_connected()) {
            slot.template emplace<Canceller>(this->weak_from_this());
        }
        // Like any pending Asio operation, a waiting reader keeps its executor's context busy.
        auto work = boost::asio::prefer(std::move(executor),
                                        boost::asio::execution::outstanding_work.tracked);
        waiter_.emplace(Waiter{std::move(handler), std::move(work)});
    }

    bool yield(T value) {
        std::unique_lock lock(mutex_);
        if (finished_ || consumerGone_) {
            return false;
        }
        if (waiter_) {
            Waiter waiter = std::move(*waiter_);
            waiter_.reset();
            lock.unlock();
            complete(std::move(waiter), {}, std::optional<T>(std::move(value)));
            return true;
        }
        queue_.push_back(std::move(value));
        return true;
    }

    void finish() {
        std::unique_lock lock(mutex_);
        if (finished_) {
            return;
        }
        finished_ = true;
        std::optional<Waiter> waiter;
        std::swap(waiter, waiter_);
        auto onTermination = takeOnTermination();
        lock.unlock();
        if (waiter) {
            complete(std::move(*waiter), {}, std::nullopt);
        }
        if (onTermination) {
            onTermination();
        }
    }

    /// The consumer's stream is gone: nothing more will be read.
    void abandon() {
        std::unique_lock lock(mutex_);
        consumerGone_ = true;
        queue_.clear();
        std::optional<Waiter> waiter;
        std::swap(waiter, waiter_);
        auto onTermination = takeOnTermination();
        lock.unlock();
        if (waiter) {
            complete(std::move(*waiter), boost::asio::error::operation_aborted, std::nullopt);
        }
        if (onTermination) {
            onTermination();
        }
    }

    bool isTerminated() const {
        std::lock_guard lock(mutex_);
        return finished_ || consumerGone_;
    }

    void setOnTermination(std::function<void()> callback) {
        std::unique_lock lock(mutex_);
        if (finished_ || consumerGone_) {
            lock.unlock();
            if (callback) {
                callback();
            }
            return;
        }
        onTermination_ = std::move(callback);
    }

private:
    struct Waiter {
        Handler handler;
        boost::asio::any_io_executor executor;
    };

    struct Canceller {
        std::weak_ptr<AsyncStreamState> state;
        void operator()(boost::asio::cancellation_type type) const {
            using boost::asio::cancellation_type;
            if ((type & (cancellation_type::terminal | cancellation_type::partial |
                         cancellation_type::total)) == cancellation_type::none) {
                return;
            }
            if (auto strong = state.lock()) {
                strong->cancelWaiter();
            }
        }
    };

    void cancelWaiter() {
        std::unique_lock lock(mutex_);
        if (!waiter_) {
            return;
        }
        Waiter waiter = std::move(*waiter_);
        waiter_.reset();
        lock.unlock();
        complete(std::move(waiter), boost::asio::error::operation_aborted, std::nullopt);
    }

    std::function<void()> takeOnTermination() {
        std::function<void()> callback;
        std::swap(callback, onTermination_);
        return callback;
    }

    /// Completes on the handler's own executor, never inside the caller's frame; the executor
    /// counts the pending completion as outstanding work until it has run.
    static void complete(Waiter waiter, boost::system::error_code ec, std::optional<T> value) {
        boost::asio::post(waiter.executor, [handler = std::move(waiter.handler), ec,
                                            value = std::move(value)]() mutable {
            handler.get_cancellation_slot().clear();
            std::move(handler)(ec, std::move(value));
        });
    }

    mutable std::mutex mutex_;
    std::deque<T> queue_;
    std::optional<Waiter> waiter_;
    std::function<void()> onTermination_;
    bool finished_ = false;
    bool consumerGone_ = false;
};

} // namespace detail

/// The reading end of an asynchronous stream: each subscriber owns one. Values are buffered
/// without limit until read. Dropping the stream ends it for the producer.
template <class T> class AsyncStream {
public:
    /// Completion signature of `next`: the next value, or nothing once the stream has finished
    /// and every buffered value was read. The error is `operation_aborted` when the wait was
    /// cancelled (terminal, partial or total cancellation; the stream stays usable) and
    /// `already_started` when another `next` is still pending.
    using Signature = void(boost::system::error_code, std::optional<T>);

    /// A stream with no producer that has already finished: `next` gives nothing at once.
    AsyncStream() : state_(std::make_shared<detail::AsyncStreamState<T>>()) { state_->finish(); }
    AsyncStream(AsyncStream&& other) noexcept = default;
    AsyncStream& operator=(AsyncStream&& other) noexcept {
        if (this != &other) {
            release();
            state_ = std::move(other.state_);
        }
        return *this;
    }
    AsyncStream(const AsyncStream&) = delete;
    AsyncStream& operator=(const AsyncStream&) = delete;
    ~AsyncStream() { release(); }

    /// Waits for the next value. One `next` at a time per stream; the completion runs on the
    /// handler's associated executor (for a coroutine, its own executor).
    template <boost::asio::completion_token_for<Signature> Token = boost::asio::use_awaitable_t<>>
    auto next(Token&& token = {}) {
        return boost::asio::async_initiate<Token, Signature>(
            [](auto handler, std::shared_ptr<detail::AsyncStreamState<T>> state) {
                boost::asio::any_io_executor executor =
                    boost::asio::get_associated_executor(handler);
                state->wait(typename detail::AsyncStreamState<T>::Handler(std::move(handler)),
                            std::move(executor));
            },
            token, state_);
    }

private:
    explicit AsyncStream(std::shared_ptr<detail::AsyncStreamState<T>> state)
        : state_(std::move(state)) {}

    void release() {
        if (state_) {
            state_->abandon();
            state_.reset();
        }
    }

    template <class U>
    friend std::pair<AsyncStream<U>, AsyncStreamContinuation<U>> makeAsyncStream();

    std::shared_ptr<detail::AsyncStreamState<T>> state_;
};

/// The writing end of a stream; copies share the stream.
template <class T> class AsyncStreamContinuation {
public:
    /// Buffers a value or hands it to the waiting reader. False once the stream has finished or
    /// its reader is gone; the value is dropped then.
    bool yield(T value) const { return state_->yield(std::move(value)); }

    /// Ends the stream: the reader receives what is buffered, then nothing. Idempotent.
    void finish() const { state_->finish(); }

    /// True once the stream has finished or its reader is gone.
    bool isTerminated() const { return state_->isTerminated(); }

    /// Called once, on the thread that ends the stream, when it finishes or its reader is gone
    /// (at once when that already happened).
    void setOnTermination(std::function<void()> callback) const {
        state_->setOnTermination(std::move(callback));
    }

private:
    explicit AsyncStreamContinuation(std::shared_ptr<detail::AsyncStreamState<T>> state)
        : state_(std::move(state)) {}

    template <class U>
    friend std::pair<AsyncStream<U>, AsyncStreamContinuation<U>> makeAsyncStream();

    std::shared_ptr<detail::AsyncStreamState<T>> state_;
};

/// A new stream and the continuation that feeds it.
template <class T> std::pair<AsyncStream<T>, AsyncStreamContinuation<T>> makeAsyncStream() {
    auto state = std::make_shared<detail::AsyncStreamState<T>>();
    return {AsyncStream<T>(state), AsyncStreamContinuation<T>(state)};
}

} // namespace velmora
