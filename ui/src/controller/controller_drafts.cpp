#include "controller/widget_controller_core.hpp"
#include "controller/work_stop.hpp"

namespace velmora {

void detail::WidgetControllerCore::updateDraft(std::string text) {
    const auto self = shared_from_this();
    if (destroyed_) {
        return;
    }
    setDraft(std::move(text));
    persistDraftInBackground();
}

void detail::WidgetControllerCore::clearDraft() {
    const auto self = shared_from_this();
    if (mutationInFlight_ || pendingFirstDraft_) {
        return;
    }
    setDraft({});
    pendingFirstDraft_.reset();
    activePrefill_.reset();
    publish(VelmoraWidgetProperty::pendingAttachments, pendingAttachments_,
            std::vector<VelmoraAttachmentDraft>{});
    preservesMutationError_ = false;
    setError(std::nullopt);
    draftStore_->clear(*client_);
}

void detail::WidgetControllerCore::cancelPendingDraft() {
    const auto self = shared_from_this();
    pendingFirstDraft_.reset();
    publish(VelmoraWidgetProperty::pendingAttachments, pendingAttachments_,
            std::vector<VelmoraAttachmentDraft>{});
    draftStore_->clear(*client_);
}

void detail::WidgetControllerCore::discardDraftForSessionReset() {
    const auto self = shared_from_this();
    ++lifecycleGeneration_;
    ++draftGeneration_;
    preservesMutationError_ = false;
    // The send keeps its handle: its own finishing step releases it and `mutationInFlight`.
    if (operationTask_) {
        operationTask_->cancel();
    }
    detail::cancelAndClear({&reconciliationTask_, &actionTask_});
    publishActionInFlight(); // a pending host action keeps its part of the flag
    pendingFirstDraft_.reset();
    activePrefill_.reset();
    publish(VelmoraWidgetProperty::pendingAttachments, pendingAttachments_,
            std::vector<VelmoraAttachmentDraft>{});
    setDraft({});
    draftStore_->clear(*client_);
}

VelmoraWidgetDraftState detail::WidgetControllerCore::draftStateToStore() const {
    VelmoraWidgetDraftState state;
    if (pendingFirstDraft_) {
        state = *pendingFirstDraft_;
    } else {
        state.text = draft_;
    }
    // The composer's files go with it, whichever draft is stored.
    state.attachments = pendingAttachments_;
    return state;
}

void detail::WidgetControllerCore::persistDraftInBackground() {
    // A keystroke never waits for the disk: the store writes on its own thread, and whatever
    // waits for the draft to be durable (a send, closing) waits for that write first.
    draftStore_->saveInBackground(draftStateToStore(), *client_, executor_,
                                  [weak = weak_from_this()](std::optional<VelmoraError> failure) {
                                      const auto self = weak.lock();
                                      if (failure && self && !self->destroyed_) {
                                          self->setError(std::move(*failure));
                                      }
                                  });
}

bool detail::WidgetControllerCore::persistDraft() {
    const VelmoraWidgetDraftState state = draftStateToStore();
    const bool empty = state.text.empty() && state.attachments.empty();
    const auto failure = empty ? draftStore_->clear(*client_) : draftStore_->save(state, *client_);
    // Only this write's own failure is shown; an earlier one that a later write repaired is not.
    if (failure) {
        setError(*failure);
        return false;
    }
    return true;
}

bool detail::WidgetControllerCore::storePendingFirstDraftForSend(VelmoraWidgetDraftState pending) {
    std::string composer = draft_;
    auto previous = pendingFirstDraft_;
    setDraft({});
    pendingFirstDraft_ = std::move(pending);
    if (persistDraft()) {
        return true;
    }
    // Nothing was sent and the message is not durable: it goes back where the user left it.
    pendingFirstDraft_ = std::move(previous);
    setDraft(std::move(composer));
    return false;
}

} // namespace velmora
