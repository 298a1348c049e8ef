#include "controller/widget_controller_core.hpp"

#include <algorithm>

// Guided workflows of the help content: one step at a time, each option moving to another
// step, handing over to the conversation or asking the host to act. The content was validated
// when it was loaded; an option that still leads nowhere is reported, not followed.

namespace velmora {

namespace {

VelmoraError fieldInvalid(std::string message) {
    return VelmoraError(VelmoraErrorCode::fieldInvalid, std::nullopt, std::nullopt,
                        std::move(message));
}

const VelmoraWidgetContentWorkflow* findWorkflow(const VelmoraWidgetContentSnapshot& content,
                                                 const std::string& workflowID) {
    const auto& workflows = content.behavior.workflows;
    const auto found =
        std::find_if(workflows.begin(), workflows.end(),
                     [&](const VelmoraWidgetContentWorkflow& w) { return w.id == workflowID; });
    return found == workflows.end() ? nullptr : &*found;
}

} // namespace

void detail::WidgetControllerCore::startWorkflow(
    const std::string& workflowID, std::optional<VelmoraWidgetContentPrefill> prefill) {
    const auto self = shared_from_this();
    if (destroyed_ || !content_.snapshot || !content_.snapshot->behavior.enabled) {
        return;
    }
    const auto* workflow = findWorkflow(*content_.snapshot, workflowID);
    if (!workflow) {
        return;
    }
    // Copied: applying the prefill does not touch the content, but observers may.
    const std::string id = workflow->id;
    const std::string initialStep = workflow->initialStepId;
    applyContentPrefill(prefill);
    publish(VelmoraWidgetProperty::activeFAQID, activeFAQID_, std::optional<std::string>());
    publish(VelmoraWidgetProperty::activeWorkflowID, activeWorkflowID_, std::optional(id));
    publish(VelmoraWidgetProperty::activeWorkflowStepID, activeWorkflowStepID_,
            std::optional(initialStep));
    publish(VelmoraWidgetProperty::screen, screen_, VelmoraWidgetViewMode::help);
}

void detail::WidgetControllerCore::selectWorkflowOption(
    const VelmoraWidgetContentWorkflowOption& option) {
    const auto self = shared_from_this();
    if (destroyed_) {
        return;
    }
    if (option.action == "next-step" || option.action == "show-answer") {
        const VelmoraWidgetContentWorkflow* workflow =
            option.nextStepId && content_.snapshot && activeWorkflowID_
                ? findWorkflow(*content_.snapshot, *activeWorkflowID_)
                : nullptr;
        const bool stepExists =
            workflow && std::any_of(workflow->steps.begin(), workflow->steps.end(),
                                    [&](const VelmoraWidgetContentWorkflowStep& step) {
                                        return step.id == *option.nextStepId;
                                    });
        if (!stepExists) {
            setError(fieldInvalid("Published workflow transition is invalid."));
            return;
        }
        // Copied before the prefill reaches observers, who may replace the option's owner.
        const std::string nextStep = *option.nextStepId;
        applyContentPrefill(option.prefill);
        publish(VelmoraWidgetProperty::activeWorkflowStepID, activeWorkflowStepID_,
                std::optional(nextStep));
        return;
    }
    if (option.action == "handoff") {
        if (!messagesAvailable_) {
            return;
        }
        applyContentPrefill(option.prefill);
        openContact(std::nullopt);
        return;
    }
    if (option.action == "host-action") {
        requestHostAction(option);
        return;
    }
    setError(fieldInvalid("Published workflow action is invalid."));
}

} // namespace velmora
