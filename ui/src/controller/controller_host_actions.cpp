#include "velmora/ui/widget_controller.hpp"

namespace velmora {
namespace {

VelmoraError fieldInvalid(std::string message) {
    return VelmoraError(VelmoraErrorCode::fieldInvalid, std::nullopt, std::nullopt,
                        std::move(message));
}

} // namespace

void VelmoraWidgetController::setHostActionHandler(VelmoraHostActionHandler handler,
                                                   const std::string& actionId) {
    if (!hostActionIds_.contains(actionId)) {
        return;
    }
    if (handler) {
        hostActionHandlers_.insert_or_assign(actionId, std::move(handler));
    } else {
        hostActionHandlers_.erase(actionId);
    }
}

bool VelmoraWidgetController::isHostActionAvailable(
    const std::optional<std::string>& actionId) const {
    return actionId && hostActionIds_.contains(*actionId) &&
           (onHostActionEvent_ || hostActionHandlers_.contains(*actionId));
}

VelmoraHostActionResult
VelmoraWidgetController::completeHostAction(const VelmoraHostActionCompletion& completion) {
    const auto self = shared_from_this();
    const auto it = pendingHostActions_.find(completion.requestId);
    if (it == pendingHostActions_.end()) {
        throw fieldInvalid("Host action request is no longer pending.");
    }
    if (it->second.actionID != completion.actionId) {
        throw fieldInvalid("Host action ID does not match the pending request.");
    }
    VelmoraHostActionCodec::validateResult(completion.result);
    PendingHostAction entry = std::move(it->second);
    pendingHostActions_.erase(it);
    if (entry.timeoutTask) {
        entry.timeoutTask->cancel();
    }
    if (entry.handlerTask) {
        entry.handlerTask->cancel();
    }
    publish(VelmoraWidgetProperty::hostActionResult, hostActionResult_,
            std::optional(completion.result));
    publish(VelmoraWidgetProperty::hostActionResultActionID, hostActionResultActionID_,
            std::optional(completion.actionId));
    updateHostActionLoadingState();
    return completion.result;
}

bool VelmoraWidgetController::completeHostActionIfPending(
    const VelmoraHostActionCompletion& completion) {
    const auto it = pendingHostActions_.find(completion.requestId);
    if (it == pendingHostActions_.end() || it->second.actionID != completion.actionId) {
        return false;
    }
    try {
        completeHostAction(completion);
        return true;
    } catch (const VelmoraError&) {
        return false;
    }
}

void VelmoraWidgetController::cancelHostActionsForIdentityChange() {
    const auto self = shared_from_this();
    cancelHostActions();
}

void VelmoraWidgetController::updateHostActionLoadingState() {
    publish(VelmoraWidgetProperty::activeHostActionRequestId, activeHostActionRequestId_,
            pendingHostActions_.empty() ? std::optional<std::string>()
                                        : std::optional(pendingHostActions_.begin()->first));
    publish(VelmoraWidgetProperty::isActionInFlight, isActionInFlight_,
            !pendingHostActions_.empty());
    if (pendingHostActions_.empty() && loadingState_ == VelmoraLoadingState::executingAction) {
        publish(VelmoraWidgetProperty::loadingState, loadingState_, VelmoraLoadingState::idle);
    }
}

void VelmoraWidgetController::cancelHostActions() {
    std::vector<std::string> requestIds;
    // Taken out first, so a callback below that re-enters finds nothing pending.
    auto pending = std::move(pendingHostActions_);
    pendingHostActions_.clear();
    for (auto& [requestId, entry] : pending) {
        requestIds.push_back(requestId);
        if (entry.timeoutTask) {
            entry.timeoutTask->cancel();
        }
        if (entry.handlerTask) {
            entry.handlerTask->cancel();
        }
    }
    publish(VelmoraWidgetProperty::activeHostActionRequestId, activeHostActionRequestId_,
            std::optional<std::string>());
    publish(VelmoraWidgetProperty::isActionInFlight, isActionInFlight_, false);
    publish(VelmoraWidgetProperty::hostActionResult, hostActionResult_,
            std::optional<VelmoraHostActionResult>());
    publish(VelmoraWidgetProperty::hostActionResultActionID, hostActionResultActionID_,
            std::optional<std::string>());
    if (loadingState_ == VelmoraLoadingState::executingAction) {
        publish(VelmoraWidgetProperty::loadingState, loadingState_, VelmoraLoadingState::idle);
    }
    for (const auto& requestId : requestIds) {
        // Read again for each: the host may change its callback from inside it.
        if (const auto callback = onHostActionEvent_) {
            callback(VelmoraEvent(event::hostActionCancelled{requestId}));
        }
    }
}

} // namespace velmora
