#pragma once

#include "velmora/json_coding.hpp"
#include "velmora/json_value.hpp"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// What to put into a new conversation started from a FAQ entry or a workflow option.
struct VelmoraWidgetContentPrefill {
    /// Message key of the subject.
    std::optional<std::string> subjectKey;
    /// Message key of the first message.
    std::optional<std::string> messageKey;
    /// Passed on as it is; not a message key.
    std::optional<std::string> productArea;

    friend bool operator==(const VelmoraWidgetContentPrefill&,
                           const VelmoraWidgetContentPrefill&) = default;
};

/// A frequently asked question. Fields ending in "Key" are message keys.
struct VelmoraWidgetContentFAQ {
    std::string id;
    std::string titleKey;
    std::string bodyKey;
    /// "none", "contact-support" or "start-workflow" in valid content.
    std::string action;
    std::optional<std::string> actionLabelKey;
    /// The workflow that "start-workflow" starts.
    std::optional<std::string> workflowId;
    std::optional<VelmoraWidgetContentPrefill> prefill;

    friend bool operator==(const VelmoraWidgetContentFAQ&,
                           const VelmoraWidgetContentFAQ&) = default;
};

/// A choice offered at a workflow step.
struct VelmoraWidgetContentWorkflowOption {
    std::string id;
    std::string labelKey;
    /// Values for the placeholders of the label's text; empty when the service sends none.
    std::map<std::string, JSONValue> labelValues;
    /// "next-step", "show-answer", "handoff" or "host-action" in valid content.
    std::string action;
    /// A step of the same workflow; present for every action but "host-action".
    std::optional<std::string> nextStepId;
    /// Present exactly for "host-action".
    std::optional<std::string> hostActionId;
    std::optional<VelmoraWidgetContentPrefill> prefill;

    friend bool operator==(const VelmoraWidgetContentWorkflowOption&,
                           const VelmoraWidgetContentWorkflowOption&) = default;
};

struct VelmoraWidgetContentWorkflowStep {
    std::string id;
    /// "question", "answer" or "handoff" in valid content.
    std::string type;
    std::string promptKey;
    std::optional<std::string> detailKey;
    /// Empty when the service sends none (or null).
    std::vector<VelmoraWidgetContentWorkflowOption> options;
    std::optional<std::string> handoffReasonKey;

    friend bool operator==(const VelmoraWidgetContentWorkflowStep&,
                           const VelmoraWidgetContentWorkflowStep&) = default;
};

/// A guided workflow: a small graph of steps.
struct VelmoraWidgetContentWorkflow {
    std::string id;
    std::string titleKey;
    std::string descriptionKey;
    std::string initialStepId;
    std::vector<VelmoraWidgetContentWorkflowStep> steps;

    friend bool operator==(const VelmoraWidgetContentWorkflow&,
                           const VelmoraWidgetContentWorkflow&) = default;
};

/// The help screen's switches, its FAQ entries and its workflows.
struct VelmoraWidgetContentBehavior {
    bool enabled = false;
    /// "guided" or "ai-assisted" in valid content.
    std::string mode;
    std::optional<bool> showHomeContact;
    bool showFaqFirst = false;
    std::string faqSectionTitleKey;
    std::string workflowSectionTitleKey;
    std::string contactFallbackLabelKey;
    std::string operatorEscalationLabelKey;
    std::vector<VelmoraWidgetContentFAQ> faq;
    std::vector<VelmoraWidgetContentWorkflow> workflows;

    friend bool operator==(const VelmoraWidgetContentBehavior&,
                           const VelmoraWidgetContentBehavior&) = default;
};

/// The body of the service's help-content answer. Never shown as it comes: validate it with
/// `VelmoraWidgetContentValidation`.
struct VelmoraWidgetContentResponse {
    bool ok = false;
    std::string locale;
    VelmoraWidgetContentBehavior behavior;
    /// Message key to text, in `locale`.
    std::map<std::string, std::string> messages;

    friend bool operator==(const VelmoraWidgetContentResponse&,
                           const VelmoraWidgetContentResponse&) = default;
};

template <>
VelmoraWidgetContentResponse decodeJSON<VelmoraWidgetContentResponse>(std::string_view json);

/// Validated help content with its text look-ups. Built directly, it carries no guarantee.
struct VelmoraWidgetContentSnapshot {
    std::string locale;
    VelmoraWidgetContentBehavior behavior;
    std::map<std::string, std::string> messages;

    /// The text stored under `key` (keys compare canonically), or nothing.
    std::optional<std::string> text(std::string_view key) const;

    /// The text under `key` with each "{name}" of `values` replaced by the value's text: a
    /// string as it is, a number in its shortest round-trip digits, a whole one with ".0" (2
    /// gives "2.0", 1e20 gives "1e+20"), a boolean as "true"/"false", anything else as nothing.
    /// Tokens without a value stay as they are; inserted values are never searched again.
    std::optional<std::string> text(std::string_view key,
                                    const std::map<std::string, JSONValue>& values) const;

    friend bool operator==(const VelmoraWidgetContentSnapshot&,
                           const VelmoraWidgetContentSnapshot&) = default;
};

} // namespace velmora
