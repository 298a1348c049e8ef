#include "controller/widget_controller_core.hpp"

#include "detail/uuid.hpp"

#include <algorithm>
#include <cctype>
#include <chrono>

// A workflow option may ask the host application to act. The request goes to the host's event
// callback (which answers later through `completeHostAction`) or, without a callback, to the
// handler registered for the action; the answer is checked, and one that does not come within
// 30 seconds fails the request. One request is pending at a time.

namespace velmora {

namespace asio = boost::asio;

namespace {

constexpr std::chrono::seconds kHostActionTimeout{30};

VelmoraError fieldInvalid(std::string message) {
    return VelmoraError(VelmoraErrorCode::fieldInvalid, std::nullopt, std::nullopt,
                        std::move(message));
}

/// An answer the controller makes up itself.
VelmoraHostActionResult failedResult(std::string code, bool retryable) {
    return VelmoraHostActionResult{false, VelmoraHostActionStatus::failed, std::nullopt,
                                   std::move(code), retryable};
}

/// "har_" and 32 lower-case hexadecimal digits.
std::string newRequestId() {
    std::string id = "har_";
    for (const char c : detail::uuidString()) {
        if (c != '-') {
            id.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
        }
    }
    return id;
}

} // namespace

JSONValue::Object detail::WidgetControllerCore::hostActionInput(const std::string& optionID) const {
    return JSONValue::Object{{"workflowId", activeWorkflowID_.value_or("")},
                             {"stepId", activeWorkflowStepID_.value_or("")},
                             {"optionId", optionID}};
}

void detail::WidgetControllerCore::requestHostAction(
    const VelmoraWidgetContentWorkflowOption& option) {
    if (!option.hostActionId || !hostActionIds_.contains(*option.hostActionId)) {
        return;
    }
    const std::string actionID = *option.hostActionId;
    if (!onHostActionEvent_ && !hostActionHandlers_.contains(actionID)) {
        return;
    }
    if (!pendingHostActions_.empty()) {
        return; // one request at a time
    }
    std::optional<VelmoraHostActionRequest> request;
    try {
        request.emplace(newRequestId(), actionID, configuredHostActionContext_,
                        hostActionInput(option.id));
    } catch (const VelmoraError& e) {
        // The context and the option together exceed what may cross to the host: nothing is
        // sent, and the reason is shown.
        setError(e);
        return;
    }
    const std::string requestId = request->requestId();
    pendingHostActions_.emplace(requestId, PendingHostAction{actionID, std::nullopt, std::nullopt});
    publish(VelmoraWidgetProperty::activeHostActionRequestId, activeHostActionRequestId_,
            std::optional(requestId));
    publishActionInFlight();
    publish(VelmoraWidgetProperty::hostActionResult, hostActionResult_,
            std::optional<VelmoraHostActionResult>());
    publish(VelmoraWidgetProperty::hostActionResultActionID, hostActionResultActionID_,
            std::optional<std::string>());
    publish(VelmoraWidgetProperty::loadingState, loadingState_,
            VelmoraLoadingState::executingAction);

    if (const auto callback = onHostActionEvent_) {
        // The host may answer (or cancel) from inside its callback. A callback that throws has
        // failed the action, as a failing handler does.
        try {
            callback(VelmoraEvent(event::hostActionRequested{*request}));
        } catch (...) {
            completeHostActionIfPending(VelmoraHostActionCompletion{
                requestId, actionID, failedResult("host_action_failed", false)});
        }
    } else if (const auto handler = hostActionHandlers_.find(actionID);
               handler != hostActionHandlers_.end()) {
        auto task = startTask([weak = weak_from_this(), run = handler->second, request = *request] {
            return runHostActionHandler(weak, run, request);
        });
        if (const auto entry = pendingHostActions_.find(requestId);
            entry != pendingHostActions_.end()) {
            entry->second.handlerTask = std::move(task);
        }
    }
    if (const auto entry = pendingHostActions_.find(requestId);
        entry != pendingHostActions_.end()) {
        entry->second.timeoutTask = startTask([weak = weak_from_this(), clock = clock_, requestId] {
            return runHostActionTimeout(weak, clock, requestId);
        });
    }
}

asio::awaitable<void>
detail::WidgetControllerCore::runHostActionHandler(std::weak_ptr<detail::WidgetControllerCore> weak,
                                                   VelmoraHostActionHandler handler,
                                                   VelmoraHostActionRequest request) {
    // The controller is held weakly while the host's handler runs: a handler that never answers
    // must not keep a dropped widget alive.
    std::optional<VelmoraHostActionResult> result;
    try {
        result = co_await handler(request);
    } catch (...) {
        if (isCancellation(std::current_exception())) {
            co_return;
        }
    }
    const auto self = weak.lock();
    const auto entry = self ? self->pendingHostActions_.find(request.requestId())
                            : decltype(self->pendingHostActions_.end()){};
    if (!self || entry == self->pendingHostActions_.end()) {
        co_return;
    }
    // This task is ending by itself: completing the request has no need to cancel it.
    entry->second.handlerTask.reset();
    if (!result) {
        result = failedResult("host_action_failed", false);
    } else {
        try {
            VelmoraHostActionCodec::validateResult(*result);
        } catch (const VelmoraError&) {
            result = failedResult("host_action_invalid_result", false);
        }
    }
    self->completeHostActionIfPending(
        VelmoraHostActionCompletion{request.requestId(), request.actionId(), std::move(*result)});
}

asio::awaitable<void>
detail::WidgetControllerCore::runHostActionTimeout(std::weak_ptr<detail::WidgetControllerCore> weak,
                                                   std::shared_ptr<VelmoraWidgetClock> clock,
                                                   std::string requestId) {
    try {
        co_await clock->sleep(kHostActionTimeout);
    } catch (...) {
        co_return; // the request ended first
    }
    const auto self = weak.lock();
    if (!self) {
        co_return;
    }
    const auto it = self->pendingHostActions_.find(requestId);
    if (it == self->pendingHostActions_.end()) {
        co_return;
    }
    PendingHostAction entry = std::move(it->second);
    self->pendingHostActions_.erase(it);
    if (entry.handlerTask) {
        entry.handlerTask->cancel();
    }
    self->publish(VelmoraWidgetProperty::activeHostActionRequestId,
                  self->activeHostActionRequestId_, std::optional<std::string>());
    self->publishActionInFlight();
    self->publish(VelmoraWidgetProperty::hostActionResult, self->hostActionResult_,
                  std::optional(failedResult("host_action_timeout", true)));
    self->publish(VelmoraWidgetProperty::hostActionResultActionID, self->hostActionResultActionID_,
                  std::optional(entry.actionID));
    if (self->loadingState_ == VelmoraLoadingState::executingAction) {
        self->publish(VelmoraWidgetProperty::loadingState, self->loadingState_,
                      VelmoraLoadingState::idle);
    }
    if (const auto callback = self->onHostActionEvent_) {
        try {
            callback(VelmoraEvent(event::hostActionCancelled{requestId}));
        } catch (...) {
            // The request has ended either way.
        }
    }
}

void detail::WidgetControllerCore::setHostActionHandler(VelmoraHostActionHandler handler,
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

bool detail::WidgetControllerCore::isHostActionAvailable(
    const std::optional<std::string>& actionId) const {
    return actionId && hostActionIds_.contains(*actionId) &&
           (onHostActionEvent_ || hostActionHandlers_.contains(*actionId));
}

VelmoraHostActionResult
detail::WidgetControllerCore::completeHostAction(const VelmoraHostActionCompletion& completion) {
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

bool detail::WidgetControllerCore::completeHostActionIfPending(
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

void detail::WidgetControllerCore::cancelHostActionsForIdentityChange() {
    const auto self = shared_from_this();
    cancelHostActions();
}

void detail::WidgetControllerCore::updateHostActionLoadingState() {
    publish(VelmoraWidgetProperty::activeHostActionRequestId, activeHostActionRequestId_,
            pendingHostActions_.empty() ? std::optional<std::string>()
                                        : std::optional(pendingHostActions_.begin()->first));
    publishActionInFlight();
    if (pendingHostActions_.empty() && loadingState_ == VelmoraLoadingState::executingAction) {
        publish(VelmoraWidgetProperty::loadingState, loadingState_, VelmoraLoadingState::idle);
    }
}

void detail::WidgetControllerCore::cancelHostActions() {
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
    publishActionInFlight();
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
            try {
                callback(VelmoraEvent(event::hostActionCancelled{requestId}));
            } catch (...) {
                // The request has ended either way; closing or resetting goes on.
            }
        }
    }
}

} // namespace velmora
