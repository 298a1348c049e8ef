#include "persistence_lock.hpp"

#include <boost/asio/associated_executor.hpp>
#include <boost/asio/execution/outstanding_work.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/prefer.hpp>

#include <optional>

namespace velmora::detail {
namespace {

void resume(VelmoraPersistenceLock::Waiter waiter) {
    // Resume on the waiter's own executor, never inside the releasing caller's frame.
    boost::asio::post(waiter.executor,
                      [handler = std::move(waiter.handler)]() mutable { std::move(handler)(); });
}

} // namespace

void VelmoraPersistenceLock::asyncAcquire(Waiter waiter) {
    {
        std::lock_guard guard(mutex_);
        if (locked_) {
            waiters_.push_back(std::move(waiter));
            return;
        }
        locked_ = true;
    }
    resume(std::move(waiter));
}

void VelmoraPersistenceLock::release() {
    // Waiters are only ever move-constructed: Boost 1.81's any_completion_handler move
    // assignment recurses without end.
    std::optional<Waiter> next;
    {
        std::lock_guard guard(mutex_);
        if (waiters_.empty()) {
            locked_ = false;
            return;
        }
        // Ownership passes directly: the lock stays taken.
        next.emplace(std::move(waiters_.front()));
        waiters_.pop_front();
    }
    resume(std::move(*next));
}

bool VelmoraPersistenceLock::isLocked() const {
    std::lock_guard guard(mutex_);
    return locked_;
}

} // namespace velmora::detail
