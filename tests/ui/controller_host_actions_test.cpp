#include "controller_open_widget_fixture.hpp"

#include "detail/pattern.hpp"

#include <chrono>

namespace velmora::testing {
namespace {

using Controller = VelmoraWidgetController;

enum class Handling { callback, handler, none };
enum class Outcome { result, invalidResult, thrownError, timeout, closed, reset, newerAction };

const char* nameOf(Handling h) {
    switch (h) {
    case Handling::callback:
        return "callback";
    case Handling::handler:
        return "handler";
    case Handling::none:
        return "none";
    }
    return "";
}

const char* nameOf(Outcome o) {
    switch (o) {
    case Outcome::result:
        return "result";
    case Outcome::invalidResult:
        return "invalid result";
    case Outcome::thrownError:
        return "thrown error";
    case Outcome::timeout:
        return "time-out";
    case Outcome::closed:
        return "close";
    case Outcome::reset:
        return "reset";
    case Outcome::newerAction:
        return "newer action";
    }
    return "";
}

const VelmoraHostActionResult kDone{true, VelmoraHostActionStatus::completed,
                                    JSONValue::Object{{"orders", 2}}, "done", std::nullopt};
// `ok` disagrees with the status: the codec refuses it.
const VelmoraHostActionResult kInvalid{true, VelmoraHostActionStatus::failed, std::nullopt,
                                       std::nullopt, std::nullopt};

struct Expected {
    std::vector<std::string> events; // what the host's callback heard, "requested"/"cancelled"
    std::optional<std::string> resultCode;
    std::optional<bool> retryable;
    bool stillPending;
};

class ControllerHostActionsTest : public OpenWidgetFixture {
protected:
    /// An open widget running the "orders" workflow, with the host's side set up by `handling`.
    std::shared_ptr<Controller> prepare(Handling handling, Outcome outcome) {
        auto controller = openController();
        controller->startWorkflow("orders", std::nullopt);
        if (handling == Handling::callback) {
            controller->setOnHostActionEvent([this, outcome](const VelmoraEvent& event) {
                if (const auto* requested = std::get_if<event::hostActionRequested>(&event)) {
                    events.push_back("requested");
                    requests.push_back(requested->value);
                    if (outcome == Outcome::thrownError) {
                        throw std::runtime_error("the host failed");
                    }
                } else if (std::holds_alternative<event::hostActionCancelled>(event)) {
                    events.push_back("cancelled");
                }
            });
        } else if (handling == Handling::handler) {
            controller->setHostActionHandler(
                [this, outcome](
                    VelmoraHostActionRequest request) -> asio::awaitable<VelmoraHostActionResult> {
                    requests.push_back(request);
                    switch (outcome) {
                    case Outcome::result:
                        co_return kDone;
                    case Outcome::invalidResult:
                        co_return kInvalid;
                    case Outcome::thrownError:
                        throw std::runtime_error("the host failed");
                    default:
                        co_await never.wait(); // answers only when cancelled
                        co_return kDone;
                    }
                },
                "open-orders");
        }
        return controller;
    }

    std::vector<std::string> events;
    std::vector<VelmoraHostActionRequest> requests;
    Gate never;
};

TEST_F(ControllerHostActionsTest, EachHandlingByEachOutcome) {
    client->onResetSession = []() -> asio::awaitable<void> { co_return; };
    const auto option = workflowOption("call", "host-action", std::nullopt, "open-orders");
    const std::vector<std::string> requested{"requested"};
    const std::vector<std::string> cancelled{"requested", "cancelled"};
    const std::vector<std::string> nothing;

    struct Case {
        Handling handling;
        Outcome outcome;
        Expected expected;
    };
    const Case cases[] = {
        {Handling::callback, Outcome::result, {requested, "done", std::nullopt, false}},
        // A bridged host's invalid answer is refused; the request waits for a valid one.
        {Handling::callback, Outcome::invalidResult, {requested, std::nullopt, std::nullopt, true}},
        {Handling::callback, Outcome::thrownError, {requested, "host_action_failed", false, false}},
        {Handling::callback, Outcome::timeout, {cancelled, "host_action_timeout", true, false}},
        {Handling::callback, Outcome::closed, {cancelled, std::nullopt, std::nullopt, false}},
        {Handling::callback, Outcome::reset, {cancelled, std::nullopt, std::nullopt, false}},
        {Handling::callback, Outcome::newerAction, {requested, std::nullopt, std::nullopt, true}},
        {Handling::handler, Outcome::result, {nothing, "done", std::nullopt, false}},
        {Handling::handler,
         Outcome::invalidResult,
         {nothing, "host_action_invalid_result", false, false}},
        {Handling::handler, Outcome::thrownError, {nothing, "host_action_failed", false, false}},
        {Handling::handler, Outcome::timeout, {nothing, "host_action_timeout", true, false}},
        {Handling::handler, Outcome::closed, {nothing, std::nullopt, std::nullopt, false}},
        {Handling::handler, Outcome::reset, {nothing, std::nullopt, std::nullopt, false}},
        {Handling::handler, Outcome::newerAction, {nothing, std::nullopt, std::nullopt, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(nameOf(c.handling)) + " / " + nameOf(c.outcome));
        events.clear();
        requests.clear();
        auto controller = prepare(c.handling, c.outcome);
        EXPECT_TRUE(controller->isHostActionAvailable("open-orders"));
        controller->selectWorkflowOption(option);
        const auto requestId = controller->activeHostActionRequestId();
        if (c.outcome != Outcome::thrownError || c.handling == Handling::handler) {
            ASSERT_TRUE(requestId);
            EXPECT_TRUE(controller->isActionInFlight());
            EXPECT_EQ(controller->loadingState(), VelmoraLoadingState::executingAction);
        }
        drain(io);

        switch (c.outcome) {
        case Outcome::result:
            if (c.handling == Handling::callback) {
                EXPECT_EQ(controller->completeHostAction({*requestId, "open-orders", kDone}),
                          kDone);
            }
            break;
        case Outcome::invalidResult:
            if (c.handling == Handling::callback) {
                EXPECT_FALSE(
                    controller->completeHostActionIfPending({*requestId, "open-orders", kInvalid}));
            }
            break;
        case Outcome::timeout:
            clock->advance(std::chrono::seconds(29));
            drain(io);
            EXPECT_TRUE(controller->activeHostActionRequestId()) << "not yet";
            clock->advance(std::chrono::seconds(1));
            break;
        case Outcome::closed:
            controller->close();
            break;
        case Outcome::reset:
            controller->resetSession();
            break;
        case Outcome::newerAction:
            controller->selectWorkflowOption(
                workflowOption("again", "host-action", std::nullopt, "open-orders"));
            break;
        case Outcome::thrownError:
            break;
        }
        drain(io);

        const Expected& want = c.expected;
        EXPECT_EQ(events, want.events);
        EXPECT_EQ(requests.size(), 1u) << "the host is asked once";
        const auto& result = controller->hostActionResult();
        EXPECT_EQ(result ? result->code : std::nullopt, want.resultCode);
        if (result) {
            EXPECT_EQ(result->retryable, want.retryable);
            EXPECT_EQ(controller->hostActionResultActionID(), "open-orders");
        }
        EXPECT_EQ(controller->activeHostActionRequestId().has_value(), want.stillPending);
        EXPECT_EQ(controller->isActionInFlight(), want.stillPending);
        EXPECT_EQ(controller->loadingState(), want.stillPending
                                                  ? VelmoraLoadingState::executingAction
                                                  : VelmoraLoadingState::idle);
        if (want.stillPending) {
            EXPECT_EQ(controller->activeHostActionRequestId(), requestId) << "the first one";
        } else if (!requests.empty()) {
            // An answer that comes after the end is refused.
            try {
                controller->completeHostAction(
                    {requests.front().requestId(), "open-orders", kDone});
                ADD_FAILURE() << "a finished request took an answer";
            } catch (const VelmoraError& e) {
                EXPECT_EQ(e.message(), "Host action request is no longer pending.");
            }
        }
        EXPECT_EQ(clock->pendingSleeps(), want.stillPending ? 1u : 0u)
            << "an ended request leaves no time-out behind";
        EXPECT_FALSE(controller->error()) << "host action outcomes are not conversation errors";
        controller->destroy();
        drain(io);
    }
}

TEST_F(ControllerHostActionsTest, WithNeitherCallbackNorHandlerNothingIsAsked) {
    for (const Outcome outcome : {Outcome::result, Outcome::timeout, Outcome::closed}) {
        SCOPED_TRACE(nameOf(outcome));
        auto controller = prepare(Handling::none, outcome);
        EXPECT_FALSE(controller->isHostActionAvailable("open-orders"));
        controller->selectWorkflowOption(
            workflowOption("call", "host-action", std::nullopt, "open-orders"));
        clock->advance(std::chrono::seconds(30));
        drain(io);
        EXPECT_FALSE(controller->activeHostActionRequestId());
        EXPECT_FALSE(controller->isActionInFlight());
        EXPECT_EQ(controller->loadingState(), VelmoraLoadingState::idle);
        EXPECT_FALSE(controller->hostActionResult());
        EXPECT_FALSE(controller->error());
        EXPECT_EQ(clock->pendingSleeps(), 0u);
    }
}

TEST_F(ControllerHostActionsTest, TheRequestCarriesItsIdTheContextAndTheWorkflowPosition) {
    auto controller = prepare(Handling::callback, Outcome::result);
    controller->selectWorkflowOption(workflowOption("next", "next-step", "answer"));
    controller->selectWorkflowOption(
        workflowOption("call", "host-action", std::nullopt, "open-orders"));
    ASSERT_EQ(requests.size(), 1u);
    const auto request = requests.front();
    EXPECT_EQ(request.actionId(), "open-orders");
    EXPECT_EQ(request.context(), hostActionContext);
    EXPECT_EQ(
        request.input(),
        (JSONValue::Object{{"workflowId", "orders"}, {"stepId", "answer"}, {"optionId", "call"}}));
    const detail::Pattern shape("^har_[0-9a-f]{32}$");
    EXPECT_TRUE(shape.matches(request.requestId())) << request.requestId();
    controller->completeHostAction({request.requestId(), "open-orders", kDone});

    // Without a workflow the position is empty; every request has its own id.
    controller->clearHelpSelection();
    controller->selectWorkflowOption(
        workflowOption("call", "host-action", std::nullopt, "open-orders"));
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].input(),
              (JSONValue::Object{{"workflowId", ""}, {"stepId", ""}, {"optionId", "call"}}));
    EXPECT_NE(requests[1].requestId(), request.requestId());
}

TEST_F(ControllerHostActionsTest, WrongAnswersLeaveTheRequestPending) {
    auto controller = prepare(Handling::callback, Outcome::result);
    controller->selectWorkflowOption(
        workflowOption("call", "host-action", std::nullopt, "open-orders"));
    const auto requestId = *controller->activeHostActionRequestId();
    const auto failure = [&](VelmoraHostActionCompletion completion) -> std::string {
        try {
            controller->completeHostAction(completion);
        } catch (const VelmoraError& e) {
            return e.message();
        }
        return "accepted";
    };
    EXPECT_EQ(failure({requestId, "call-back", kDone}),
              "Host action ID does not match the pending request.");
    EXPECT_EQ(failure({"har_other", "open-orders", kDone}),
              "Host action request is no longer pending.");
    EXPECT_EQ(failure({requestId, "open-orders", kInvalid}),
              "Host action result status does not match ok.");
    EXPECT_FALSE(controller->completeHostActionIfPending({requestId, "call-back", kDone}));
    EXPECT_EQ(controller->activeHostActionRequestId(), requestId);
    EXPECT_TRUE(controller->completeHostActionIfPending({requestId, "open-orders", kDone}));
    EXPECT_FALSE(controller->activeHostActionRequestId());
}

TEST_F(ControllerHostActionsTest, TheCallbackWinsOverAHandlerAndMayAnswerAtOnce) {
    auto controller = openController();
    int handlerCalls = 0;
    controller->setHostActionHandler(
        [&](VelmoraHostActionRequest) -> asio::awaitable<VelmoraHostActionResult> {
            ++handlerCalls;
            co_return kDone;
        },
        "open-orders");
    controller->setOnHostActionEvent([&](const VelmoraEvent& event) {
        if (const auto* requested = std::get_if<event::hostActionRequested>(&event)) {
            // Answered from inside the callback.
            controller->completeHostAction({requested->value.requestId(), "open-orders", kDone});
        }
    });
    controller->selectWorkflowOption(
        workflowOption("call", "host-action", std::nullopt, "open-orders"));
    drain(io);
    EXPECT_EQ(handlerCalls, 0);
    EXPECT_EQ(controller->hostActionResult(), kDone);
    EXPECT_FALSE(controller->isActionInFlight());
    EXPECT_EQ(clock->pendingSleeps(), 0u);
}

TEST_F(ControllerHostActionsTest, HandlersOnlyForDeclaredActions) {
    auto controller = openController();
    controller->setHostActionHandler(
        [](VelmoraHostActionRequest) -> asio::awaitable<VelmoraHostActionResult> {
            co_return kDone;
        },
        "not-declared");
    EXPECT_FALSE(controller->isHostActionAvailable("not-declared"));
    EXPECT_FALSE(controller->isHostActionAvailable(std::nullopt));
    EXPECT_FALSE(controller->isHostActionAvailable("call-back"));
    controller->setOnHostActionEvent([](const VelmoraEvent&) {});
    EXPECT_TRUE(controller->isHostActionAvailable("call-back"));
}

TEST_F(ControllerHostActionsTest, ARequestThatCannotBeBuiltSendsNothingAndSaysWhy) {
    // A context within its own limits that leaves no room for the request's input.
    hostActionContext.clear();
    for (int i = 0; i < 8; ++i) {
        hostActionContext.emplace("k" + std::to_string(i), std::string(2000, 'x'));
    }
    const auto size = encodeJSON(JSONValue(hostActionContext)).size();
    hostActionContext.emplace("pad", std::string(VelmoraHostActionCodec::maxPayloadBytes - 40 -
                                                     size - std::string(R"(,"pad":"")").size(),
                                                 'x'));
    VelmoraHostActionCodec::validateContext(hostActionContext); // accepted on its own
    auto controller = prepare(Handling::callback, Outcome::result);
    controller->selectWorkflowOption(
        workflowOption("call", "host-action", std::nullopt, "open-orders"));
    drain(io);
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(controller->activeHostActionRequestId());
    EXPECT_FALSE(controller->isActionInFlight());
    EXPECT_EQ(controller->loadingState(), VelmoraLoadingState::idle);
    EXPECT_EQ(clock->pendingSleeps(), 0u);
    ASSERT_TRUE(controller->error());
    EXPECT_EQ(controller->error()->code(), VelmoraErrorCode::fieldInvalid);
    EXPECT_EQ(controller->error()->message(), "Host action request exceeds its size limit.");
}

TEST_F(ControllerHostActionsTest, IdentityChangeCancelsAndAlwaysClearsTheResult) {
    auto controller = prepare(Handling::callback, Outcome::result);
    controller->selectWorkflowOption(
        workflowOption("call", "host-action", std::nullopt, "open-orders"));
    controller->completeHostAction(
        {*controller->activeHostActionRequestId(), "open-orders", kDone});
    events.clear();
    controller->cancelHostActionsForIdentityChange(); // nothing pending
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(controller->hostActionResult());
    EXPECT_FALSE(controller->isActionInFlight());
}

TEST_F(ControllerHostActionsTest, AHandlerThatNeverAnswersDoesNotKeepTheWidgetAlive) {
    auto controller = prepare(Handling::handler, Outcome::timeout);
    controller->selectWorkflowOption(
        workflowOption("call", "host-action", std::nullopt, "open-orders"));
    drain(io);
    std::weak_ptr<Controller> weak = controller;
    controller->close(); // ends the event subscription, which holds the controller
    drain(io);
    controller.reset();
    EXPECT_TRUE(weak.expired());
}

} // namespace
} // namespace velmora::testing
