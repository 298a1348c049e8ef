#include "controller/widget_controller_core.hpp"
#include "controller/work_stop.hpp"

#include <utility>

namespace velmora {

// Each public operation keeps the controller alive while it runs: an observer or a host
// callback may drop the host's last reference in the middle of it.

void detail::WidgetControllerCore::mount() {
    const auto self = shared_from_this();
    if (destroyed_) {
        return;
    }
    if (!isMounted_) {
        publish(VelmoraWidgetProperty::isMounted, isMounted_, true);
    }
    startEventSubscription();
}

void detail::WidgetControllerCore::open() {
    const auto self = shared_from_this();
    if (destroyed_) {
        return;
    }
    if (!isMounted_) {
        publish(VelmoraWidgetProperty::isMounted, isMounted_, true);
    }
    startEventSubscription();
    if (isOpen_) {
        return;
    }
    publish(VelmoraWidgetProperty::isOpen, isOpen_, true);
    startVoiceObservation();
    needsReconcile_ = true;
    if (!configuredNavigation_) {
        publishedStateLoaded_ = false;
    }
    loadPublishedConfigurationState();
    loadConfigurationIfNeeded();
    loadWidgetContentIfNeeded(false);
    prepareVoiceCapabilityIfNeeded();
}

void detail::WidgetControllerCore::close() {
    const auto self = shared_from_this();
    if (destroyed_) {
        return;
    }
    if (pendingFirstDraft_) {
        setDraft(pendingFirstDraft_->text);
    }
    persistDraft();
    publish(VelmoraWidgetProperty::isOpen, isOpen_, false);
    needsReconcile_ = true;
    stopActiveWork();
}

void detail::WidgetControllerCore::requestHostClose() {
    const auto self = shared_from_this();
    close();
    // Copied first: the callback may replace itself.
    if (const auto callback = onHostClose_) {
        callback();
    }
}

void detail::WidgetControllerCore::background() {
    const auto self = shared_from_this();
    if (destroyed_ || !isForeground_) {
        return;
    }
    publish(VelmoraWidgetProperty::isForeground, isForeground_, false);
    needsReconcile_ = true;
    stopActiveWork();
}

void detail::WidgetControllerCore::foreground() {
    const auto self = shared_from_this();
    if (destroyed_) {
        return;
    }
    if (!isForeground_) {
        publish(VelmoraWidgetProperty::isForeground, isForeground_, true);
    }
    if (!isOpen_) {
        return;
    }
    startVoiceObservation();
    startEventSubscription();
    loadConfigurationIfNeeded();
    loadWidgetContentIfNeeded(false);
    prepareVoiceCapabilityIfNeeded();
}

void detail::WidgetControllerCore::destroy() {
    const auto self = shared_from_this();
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    ++draftGeneration_;
    ++lifecycleGeneration_;
    publish(VelmoraWidgetProperty::isOpen, isOpen_, false);
    publish(VelmoraWidgetProperty::isMounted, isMounted_, false);
    stopActiveWork();
    // A failure to remove the saved draft is not shown: the widget is gone.
    draftStore_->clear(*client_);
    pendingFirstDraft_.reset();
    publish(VelmoraWidgetProperty::pendingAttachments, pendingAttachments_,
            std::vector<VelmoraAttachmentDraft>{});
    setDraft({});
}

void detail::WidgetControllerCore::stopActiveWork() {
    configurationLoadWanted_ = false; // the next opening or foreground loads by itself
    ++lifecycleGeneration_;
    ++publishedStateGeneration_;
    ++voiceOperationGeneration_;
    detail::cancelAndClear({&voiceObservationTask_, &voiceFactoryTask_, &operationTask_,
                            &reconciliationTask_, &actionTask_, &voiceTask_});
    publish(VelmoraWidgetProperty::voiceState, voiceState_, detail::stopVoice(voiceCapability_));
    publish(VelmoraWidgetProperty::isActionInFlight, isActionInFlight_, false);
    cancelHostActions();
    detail::cancelAndClear({&configurationTask_, &publishedStateTask_, &contentTask_});
    ++contentOperationGeneration_;
    if (content_.isLoading) {
        publish(VelmoraWidgetProperty::content, content_,
                VelmoraWidgetContentState(content_.snapshot, false, content_.error));
    }
    detail::cancelAndClear({&eventTask_});
}

void detail::WidgetControllerCore::finishMutation(std::int64_t recordedMutationGeneration) {
    if (mutationGeneration_ != recordedMutationGeneration) {
        return; // a newer send or retry owns the state
    }
    publish(VelmoraWidgetProperty::mutationInFlight, mutationInFlight_, false);
    operationTask_.reset();
    if (needsReconcile_ && isOpen_ && isForeground_) {
        reconcileIfNeeded();
    }
    // After the reconciliation, whose start would make a new load stale at once.
    if (std::exchange(configurationLoadWanted_, false) && !configurationLoaded_ && !destroyed_ &&
        isOpen_ && isForeground_) {
        loadConfigurationIfNeeded();
    }
}

} // namespace velmora
