#include "controller/controller_errors.hpp"
#include "controller/controller_tasks.hpp"

#include "detail/time_zone.hpp"
#include "detail/uuid.hpp"

// Conversation forms and procedure steps. Each runs as the controller's one action task; its
// result arrives as the next conversation snapshot through the client's events, so nothing of
// a form or a procedure is kept here.
//
// `isActionInFlight` is shared with host actions. Each kind of action gives up only its own
// part of it: an action task releases the flag only while `actionTask_` still holds that very
// task, so neither a task that a close or a send left behind nor the end of a host action can
// clear the flag of an action that still runs.

namespace velmora {

namespace asio = boost::asio;

namespace {

/// A fresh key per call: a repeated tap after a failure is a new request.
std::string newIdempotencyKey() {
    std::string key = detail::uuidString();
    std::erase(key, '-');
    return key;
}

std::string cardTimeZone(const VelmoraProcedureCard& card) {
    return card.dateAvailability ? card.dateAvailability->timeZone
                                 : detail::deviceTimeZoneIdentifier();
}

/// Four ASCII digits, a hyphen and two ASCII digits; the month number itself is not checked.
bool isMonthText(const std::string& month) {
    if (month.size() != 7 || month[4] != '-') {
        return false;
    }
    for (const std::size_t i : {0, 1, 2, 3, 5, 6}) {
        if (month[i] < '0' || month[i] > '9') {
            return false;
        }
    }
    return true;
}

VelmoraProcedureActionInput cardInput(const VelmoraProcedureCard& card, std::string action,
                                      std::string value) {
    VelmoraProcedureActionInput input;
    input.action = std::move(action);
    input.value = std::move(value);
    input.idempotencyKey = newIdempotencyKey();
    input.procedureId = card.procedureId;
    input.locale = card.locale;
    input.runId = card.runId;
    input.expectedUpdatedAt = card.runUpdatedAt;
    input.stepId = card.stepId;
    input.parameterId = card.parameterId;
    input.timeZone = cardTimeZone(card);
    return input;
}

} // namespace

void detail::WidgetControllerCore::publishActionInFlight() {
    publish(VelmoraWidgetProperty::isActionInFlight, isActionInFlight_,
            actionTask_.has_value() || !pendingHostActions_.empty());
}

bool detail::WidgetControllerCore::mayStartAction() const {
    return !destroyed_ && isOpen_ && isForeground_ && !isActionInFlight_;
}

void detail::WidgetControllerCore::startAction(std::string fallbackMessage, ActionCall call) {
    const std::int64_t lifecycle = lifecycleGeneration_;
    actionTask_ = startOwnedTask([weak = weak_from_this(), lifecycle,
                                  fallbackMessage = std::move(fallbackMessage),
                                  call = std::move(call)](VelmoraMainTask task) {
        return detail::whileControllerLives(weak, &detail::WidgetControllerCore::runAction,
                                            lifecycle, std::move(task), fallbackMessage, call);
    });
    publishActionInFlight();
}

asio::awaitable<void> detail::WidgetControllerCore::runAction(std::int64_t lifecycle,
                                                              VelmoraMainTask task,
                                                              std::string fallbackMessage,
                                                              ActionCall call) {
    // `call` lives in this frame for as long as its coroutine runs.
    std::exception_ptr failure;
    try {
        co_await call(*this, lifecycle);
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure && !isCancellation(failure) && lifecycleGeneration_ == lifecycle) {
        setError(detail::publishedError(failure, std::move(fallbackMessage)));
    }
    if (actionTask_ == task) {
        actionTask_.reset();
        publishActionInFlight();
    }
}

void detail::WidgetControllerCore::submitForm(const VelmoraConversationForm& form,
                                              JSONValue::Object values) {
    const auto self = shared_from_this();
    if (!mayStartAction()) {
        return;
    }
    startAction("Conversation form submission failed.",
                [requestId = form.requestId,
                 values = std::move(values)](detail::WidgetControllerCore& controller,
                                             std::int64_t lifecycle) -> asio::awaitable<void> {
                    co_await controller.client_->submitConversationForm(requestId, values);
                    if (controller.lifecycleGeneration_ == lifecycle && controller.isOpen_ &&
                        controller.isForeground_) {
                        // The answer names the form only; the conversation shows the result.
                        co_await controller.client_->refresh();
                    }
                });
}

void detail::WidgetControllerCore::performProcedureAction(const VelmoraProcedureCard& card,
                                                          std::string action, std::string value) {
    const auto self = shared_from_this();
    if (!mayStartAction()) {
        return;
    }
    auto input = cardInput(card, std::move(action), std::move(value));
    if (card.commerceProvider) {
        input.nativeCommerceUi = true;
    }
    performProcedureInput(std::move(input));
}

void detail::WidgetControllerCore::requestProcedureAvailability(const VelmoraProcedureCard& card,
                                                                const std::string& month) {
    const auto self = shared_from_this();
    if (!mayStartAction() || !card.calendarMode || !isMonthText(month)) {
        return;
    }
    performProcedureInput(cardInput(card, "availability", month));
}

void detail::WidgetControllerCore::performProcedureQuickAction(
    const VelmoraProcedureQuickAction& quickAction) {
    const auto self = shared_from_this();
    if (!mayStartAction()) {
        return;
    }
    VelmoraProcedureActionInput input;
    input.action = "start";
    input.value = "start";
    input.idempotencyKey = newIdempotencyKey();
    input.procedureId = quickAction.procedureId;
    input.timeZone = detail::deviceTimeZoneIdentifier();
    performProcedureInput(std::move(input));
}

void detail::WidgetControllerCore::performProcedureInput(VelmoraProcedureActionInput input) {
    if (!mayStartAction()) {
        return;
    }
    // No refresh afterwards: the client re-reads the conversation itself after an action.
    startAction("Procedure action failed.",
                [input = std::move(input)](detail::WidgetControllerCore& controller,
                                           std::int64_t) -> asio::awaitable<void> {
                    co_await controller.client_->performProcedureAction(input);
                });
}

} // namespace velmora
