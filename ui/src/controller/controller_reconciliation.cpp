#include "controller/controller_errors.hpp"
#include "controller/controller_tasks.hpp"

#include "detail/text.hpp"

// After every opening and every return to the foreground the conversation is brought up to
// date once: the current session is read again, or, when the client holds none, resumed. The
// transcript itself arrives through the client's events.

namespace velmora {

namespace asio = boost::asio;

void detail::WidgetControllerCore::reconcileIfNeeded() {
    if (destroyed_ || !isMounted_ || !isOpen_ || !isForeground_ || !needsReconcile_ ||
        mutationInFlight_ || reconciliationTask_) {
        return;
    }
    needsReconcile_ = false;
    const std::int64_t lifecycle = ++lifecycleGeneration_;
    reconciliationTask_ =
        startOwnedTask([weak = weak_from_this(), lifecycle](VelmoraMainTask task) {
            return detail::whileControllerLives(
                weak, &detail::WidgetControllerCore::runReconciliation, lifecycle, task);
        });
}

asio::awaitable<void> detail::WidgetControllerCore::runReconciliation(std::int64_t lifecycle,
                                                                      VelmoraMainTask task) {
    std::exception_ptr failure;
    if (lifecycleGeneration_ == lifecycle && isOpen_ && isForeground_) {
        try {
            if (co_await client_->currentSession()) {
                co_await client_->refresh();
            } else if (pendingFirstDraft_ && (!pendingFirstDraft_->targetSessionId ||
                                              !detail::text::trimmed(draft_).empty())) {
                // The unsent first message's own send brings the session back.
            } else {
                co_await client_->resumeSession();
            }
        } catch (...) {
            failure = std::current_exception();
        }
    }
    if (failure && !isCancellation(failure) && lifecycleGeneration_ == lifecycle && !destroyed_ &&
        isOpen_ && isForeground_) {
        setError(detail::publishedError(failure, "Velmora request failed."));
    }
    // A send that started meanwhile made this run stale; it still hands back its own field, or
    // no reconciliation could start again until the widget closes.
    if (reconciliationTask_ == task) {
        reconciliationTask_.reset();
    }
}

} // namespace velmora
