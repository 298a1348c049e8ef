#pragma once

#include <boost/asio/any_completion_handler.hpp>
#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/associated_executor.hpp>
#include <boost/asio/async_result.hpp>
#include <boost/asio/awaitable.hpp>
#include <boost/asio/execution/outstanding_work.hpp>
#include <boost/asio/prefer.hpp>
#include <boost/asio/use_awaitable.hpp>

#include <deque>
#include <mutex>

namespace velmora::detail {

/// A first-come-first-served asynchronous lock around the client's read-modify-write sequences
/// over its stores. A release hands the lock straight to the longest waiter, so a latecomer can
/// never take it in between. Waiting ignores cancellation: a queued waiter always receives the
/// lock in its turn (and must release it), so a cancelled caller can't strand the queue.
/// Not re-entrant.
class VelmoraPersistenceLock {
public:
    VelmoraPersistenceLock() = default;
    VelmoraPersistenceLock(const VelmoraPersistenceLock&) = delete;
    VelmoraPersistenceLock& operator=(const VelmoraPersistenceLock&) = delete;

    /// Completes, on the caller's executor, once the caller holds the lock.
    template <class Token = boost::asio::use_awaitable_t<>> auto acquire(Token&& token = {}) {
        return boost::asio::async_initiate<Token, void()>(
            [this](auto handler) {
                auto executor = boost::asio::prefer(
                    boost::asio::any_io_executor(boost::asio::get_associated_executor(handler)),
                    boost::asio::execution::outstanding_work.tracked);
                asyncAcquire(
                    {executor, boost::asio::any_completion_handler<void()>(std::move(handler))});
            },
            token);
    }

    /// Gives the lock up: to the oldest waiter when there is one, else the lock becomes free.
    void release();

    /// Whether some caller holds the lock (for tests).
    bool isLocked() const;

    struct Waiter {
        boost::asio::any_io_executor executor;
        boost::asio::any_completion_handler<void()> handler;
    };

private:
    void asyncAcquire(Waiter waiter);

    mutable std::mutex mutex_;
    bool locked_ = false;
    std::deque<Waiter> waiters_;
};

/// Releases a held lock when it goes out of scope, on every path out of the holder's code.
/// Releasing never suspends, so this is safe inside coroutines.
class PersistenceLockHold {
public:
    explicit PersistenceLockHold(VelmoraPersistenceLock& lock) : lock_(lock) {}
    ~PersistenceLockHold() { lock_.release(); }
    PersistenceLockHold(const PersistenceLockHold&) = delete;
    PersistenceLockHold& operator=(const PersistenceLockHold&) = delete;

private:
    VelmoraPersistenceLock& lock_;
};

} // namespace velmora::detail
