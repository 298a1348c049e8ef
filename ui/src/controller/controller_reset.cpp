#include "controller/controller_errors.hpp"
#include "controller/widget_controller_core.hpp"
#include "controller/work_stop.hpp"

// Starting the conversation over: everything of the current session is dropped at once, the
// event subscription is renewed, and then the client is asked to clear its session and its
// stored state. The next session arrives through the client's events.

namespace velmora {

namespace asio = boost::asio;

void detail::WidgetControllerCore::resetSession() {
    const auto self = shared_from_this();
    if (destroyed_) {
        return;
    }
    cancelHostActions();

    ++draftGeneration_;
    preservesMutationError_ = false;
    pendingFirstDraft_.reset();
    // Details picked from help belong to the conversation being dropped.
    activePrefill_.reset();
    publish(VelmoraWidgetProperty::pendingAttachments, pendingAttachments_,
            std::vector<VelmoraAttachmentDraft>{});
    draftStore_->clear(*client_);
    setDraft({});

    ++lifecycleGeneration_;
    ++voiceOperationGeneration_;
    detail::cancelAndClear({&operationTask_, &reconciliationTask_, &actionTask_, &voiceTask_});
    publish(VelmoraWidgetProperty::voiceState, voiceState_, detail::stopVoice(voiceCapability_));
    publish(VelmoraWidgetProperty::isActionInFlight, isActionInFlight_, false);
    publish(VelmoraWidgetProperty::messages, messages_, std::nullopt);
    publish(VelmoraWidgetProperty::snapshot, snapshot_, std::optional<VelmoraSnapshot>());
    setError(std::nullopt);
    publish(VelmoraWidgetProperty::loadingState, loadingState_, VelmoraLoadingState::idle);

    sessionResetting_ = true; // snapshots of the old session are not applied any more

    // The new subscription is in place before the client resets, so it hears `sessionCleared`.
    ++eventSubscriptionGeneration_;
    detail::cancelAndClear({&eventTask_});
    startEventSubscription();

    const std::int64_t lifecycle = lifecycleGeneration_;
    const std::int64_t reset = ++sessionResetGeneration_;
    // Not stored: no close, background or later reset cancels the client's reset.
    startTask([weak = weak_from_this(), lifecycle, reset]() -> asio::awaitable<void> {
        return [](std::weak_ptr<detail::WidgetControllerCore> weak, std::int64_t lifecycle,
                  std::int64_t reset) -> asio::awaitable<void> {
            const auto client = [&] {
                const auto self = weak.lock();
                return self ? self->client_ : nullptr;
            }();
            if (!client) {
                co_return;
            }
            std::exception_ptr failure;
            try {
                co_await client->resetSession();
            } catch (...) {
                failure = std::current_exception();
            }
            const auto self = weak.lock();
            if (!self || self->destroyed_) {
                co_return;
            }
            if (failure && self->sessionResetGeneration_ == reset) {
                // The reset did not happen: the transcript must follow the client's session
                // again, so snapshots are applied once more and the conversation is re-read.
                self->sessionResetting_ = false;
                self->needsReconcile_ = true;
            }
            if (self->lifecycleGeneration_ == lifecycle) {
                if (!failure) {
                    self->setError(std::nullopt);
                } else {
                    self->setError(
                        detail::publishedError(failure, "Velmora session reset failed."));
                }
            }
            if (failure && self->sessionResetGeneration_ == reset) {
                self->reconcileIfNeeded();
            }
        }(weak, lifecycle, reset);
    });
}

} // namespace velmora
