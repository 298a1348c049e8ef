#pragma once

#include "controller_test_support.hpp"

namespace velmora::testing {

/// A workflow option as help content publishes it.
inline VelmoraWidgetContentWorkflowOption
workflowOption(std::string id, std::string action, std::optional<std::string> nextStepId = {},
               std::optional<std::string> hostActionId = {},
               std::optional<VelmoraWidgetContentPrefill> prefill = {}) {
    VelmoraWidgetContentWorkflowOption option;
    option.id = std::move(id);
    option.labelKey = "option.label";
    option.action = std::move(action);
    option.nextStepId = std::move(nextStepId);
    option.hostActionId = std::move(hostActionId);
    option.prefill = std::move(prefill);
    return option;
}

/// Help content with two articles ("reset-password", "billing") and two workflows: "orders"
/// (steps "start", "answer", "done") and "refunds" (step "refund-start"); the texts
/// "refund.subject" and "refund.message" exist, "missing.key" does not.
inline VelmoraWidgetContentSnapshot helpContent(bool enabled = true) {
    VelmoraWidgetContentSnapshot content;
    content.locale = "en";
    content.behavior.enabled = enabled;
    content.behavior.mode = "guided";
    for (const char* id : {"reset-password", "billing"}) {
        VelmoraWidgetContentFAQ entry;
        entry.id = id;
        entry.titleKey = "faq.title";
        entry.bodyKey = "faq.body";
        entry.action = "none";
        content.behavior.faq.push_back(entry);
    }
    const auto workflow = [](std::string id, std::vector<std::string> steps) {
        VelmoraWidgetContentWorkflow w;
        w.id = std::move(id);
        w.titleKey = "workflow.title";
        w.descriptionKey = "workflow.description";
        w.initialStepId = steps.front();
        for (auto& stepId : steps) {
            VelmoraWidgetContentWorkflowStep step;
            step.id = std::move(stepId);
            step.type = "question";
            step.promptKey = "step.prompt";
            w.steps.push_back(std::move(step));
        }
        return w;
    };
    content.behavior.workflows = {workflow("orders", {"start", "answer", "done"}),
                                  workflow("refunds", {"refund-start"})};
    content.messages = {{"refund.subject", "Refund request"},
                        {"refund.message", "I would like a refund."},
                        {"faq.title", "Title"}};
    return content;
}

/// An open widget over a scripted client: the navigation is given, the help content and the
/// reconciliation answer at once, and time moves only when the test says.
class OpenWidgetFixture : public ::testing::Test {
protected:
    OpenWidgetFixture() {
        client->onResumeSession = []() -> asio::awaitable<std::optional<VelmoraSession>> {
            co_return std::nullopt;
        };
        client->onLoadWidgetContent = [this]() -> asio::awaitable<VelmoraWidgetContentSnapshot> {
            co_return content;
        };
    }

    // Every event loop ends with the test: a loop holds its controller, and the client holds
    // the loop's stream.
    void TearDown() override {
        client->finishStreams();
        drain(io);
    }

    std::shared_ptr<VelmoraWidgetController> makeController() {
        return VelmoraWidgetController::create(io.get_executor(), client, true, navigation,
                                               std::nullopt, hostActionIds, hostActionContext,
                                               store, clock);
    }

    /// Built, opened, and settled: configuration known, content loaded, nothing running.
    std::shared_ptr<VelmoraWidgetController> openController() {
        auto controller = makeController();
        controller->open();
        drain(io);
        return controller;
    }

    asio::io_context io;
    std::shared_ptr<ScriptedWidgetClient> client = std::make_shared<ScriptedWidgetClient>();
    std::shared_ptr<VelmoraWidgetDraftStore> store = std::make_shared<VelmoraWidgetDraftStore>();
    std::shared_ptr<VelmoraManualWidgetClock> clock = std::make_shared<VelmoraManualWidgetClock>();
    std::optional<VelmoraWidgetNavigation> navigation = VelmoraWidgetNavigation{true, true};
    std::vector<std::string> hostActionIds{"open-orders", "call-back"};
    JSONValue::Object hostActionContext{{"app", "demo"}};
    VelmoraWidgetContentSnapshot content = helpContent();
};

} // namespace velmora::testing
