#include "velmora/widget_content_validation.hpp"

#include "detail/json.hpp"
#include "detail/json_codec.hpp"
#include "detail/pattern.hpp"
#include "detail/text.hpp"
#include "detail/widget_content_codec.hpp"
#include "velmora/error.hpp"

#include <boost/json/object.hpp>

#include <cmath>
#include <set>

namespace velmora {

namespace {

namespace json = detail::json;
using Keys = std::set<std::string>; // NFC forms

constexpr std::size_t kBoundedTextMaximum = 160;
constexpr std::size_t kMessageCountMaximum = 2048;
constexpr std::size_t kMessageTextMaximum = 100000;
constexpr std::size_t kFAQMaximum = 256;
constexpr std::size_t kListMaximum = 64; // workflows, steps of a workflow, options of a step
constexpr std::size_t kLabelValueMaximum = 2000;
constexpr std::size_t kArticleIDMaximum = 128;

[[noreturn]] void fail() {
    throw VelmoraError(VelmoraErrorCode::http, std::nullopt, std::nullopt,
                       "Widget content response is invalid.");
}

void require(bool condition) {
    if (!condition) {
        fail();
    }
}

bool isBounded(const std::string& text) {
    const auto length = detail::text::utf16Length(text);
    return length >= 1 && length <= kBoundedTextMaximum;
}

bool isBounded(const std::optional<std::string>& text) {
    return !text || isBounded(*text);
}

std::string key(std::string_view text) {
    return detail::text::nfc(text);
}

const Keys& supportedLocales() {
    static const Keys set{"en", "uk", "de", "es"};
    return set;
}
const Keys& faqActions() {
    static const Keys set{"none", "contact-support", "start-workflow"};
    return set;
}
const Keys& workflowStepTypes() {
    static const Keys set{"question", "answer", "handoff"};
    return set;
}
const Keys& workflowOptionActions() {
    static const Keys set{"next-step", "show-answer", "handoff", "host-action"};
    return set;
}
const detail::Pattern& articleIDPattern() {
    static const detail::Pattern pattern(R"(^[A-Za-z0-9][A-Za-z0-9:_-]{0,127}$)");
    return pattern;
}

bool contains(const Keys& set, const std::string& text) {
    return set.contains(key(text));
}

/// Bounded identifiers, no two canonically equal.
void requireUniqueIDs(const std::vector<std::string>& ids) {
    for (const auto& id : ids) {
        require(isBounded(id));
    }
    Keys seen;
    for (const auto& id : ids) {
        require(seen.insert(key(id)).second);
    }
}

template <class Record> std::vector<std::string> idsOf(const std::vector<Record>& records) {
    std::vector<std::string> ids;
    ids.reserve(records.size());
    for (const auto& record : records) {
        ids.push_back(record.id);
    }
    return ids;
}

bool isValid(const std::optional<VelmoraWidgetContentPrefill>& prefill) {
    return !prefill || (isBounded(prefill->subjectKey) && isBounded(prefill->messageKey) &&
                        isBounded(prefill->productArea));
}

void addPrefillMessageKeys(Keys& keys, const std::optional<VelmoraWidgetContentPrefill>& prefill) {
    if (!prefill) {
        return;
    }
    for (const auto* messageKey : {&prefill->subjectKey, &prefill->messageKey}) {
        if (*messageKey && isBounded(**messageKey)) {
            keys.insert(key(**messageKey));
        }
    }
}

bool isValidLabelValue(const JSONValue& value) {
    if (const auto* text = value.ifString()) {
        return detail::text::utf16Length(*text) <= kLabelValueMaximum;
    }
    if (const auto* number = value.ifNumber()) {
        return std::isfinite(*number);
    }
    return false;
}

void validate(const VelmoraWidgetContentWorkflowOption& option, const Keys& stepIDs) {
    require(isBounded(option.id) && isBounded(option.labelKey));
    require(contains(workflowOptionActions(), option.action));
    require(isBounded(option.nextStepId) && isBounded(option.hostActionId));
    require(isValid(option.prefill));
    for (const auto& [name, value] : option.labelValues) {
        require(isBounded(name) && isValidLabelValue(value));
    }
    if (option.action == "host-action") {
        require(option.hostActionId && !option.nextStepId);
    } else {
        require(option.nextStepId && stepIDs.contains(key(*option.nextStepId)) &&
                !option.hostActionId);
    }
}

void validate(const VelmoraWidgetContentWorkflow& workflow) {
    require(isBounded(workflow.id) && isBounded(workflow.titleKey) &&
            isBounded(workflow.descriptionKey) && isBounded(workflow.initialStepId));
    require(workflow.steps.size() <= kListMaximum);
    const auto stepIDList = idsOf(workflow.steps);
    requireUniqueIDs(stepIDList);
    Keys stepIDs;
    for (const auto& id : stepIDList) {
        stepIDs.insert(key(id));
    }
    require(stepIDs.contains(key(workflow.initialStepId)));
    for (const auto& step : workflow.steps) {
        require(contains(workflowStepTypes(), step.type));
        require(isBounded(step.promptKey) && isBounded(step.detailKey) &&
                isBounded(step.handoffReasonKey));
        require(step.options.size() <= kListMaximum);
        requireUniqueIDs(idsOf(step.options));
        for (const auto& option : step.options) {
            validate(option, stepIDs);
        }
    }
}

// Checks that only the raw JSON can answer: decoding reads null like an absent key, but these
// keys may only be left out.

const json::value* member(const json::object& object, std::string_view name) {
    return object.if_contains(name);
}

void rejectNulls(const json::object& object, std::initializer_list<std::string_view> names) {
    for (auto name : names) {
        const auto* value = member(object, name);
        require(value == nullptr || !value->is_null());
    }
}

void rejectPrefillNulls(const json::object& owner) {
    const auto* prefill = member(owner, "prefill");
    if (prefill == nullptr) {
        return;
    }
    require(prefill->is_object());
    rejectNulls(prefill->get_object(), {"subjectKey", "messageKey", "productArea"});
}

const json::array& arrayOfObjects(const json::value* value, std::size_t expectedSize) {
    require(value != nullptr && value->is_array() && value->get_array().size() == expectedSize);
    for (const auto& element : value->get_array()) {
        require(element.is_object());
    }
    return value->get_array();
}

void validateRawOptionalFields(const json::object& root,
                               const VelmoraWidgetContentResponse& decoded) {
    require(!root.empty());
    const auto* behaviorValue = member(root, "behavior");
    require(behaviorValue != nullptr && behaviorValue->is_object());
    const auto& behavior = behaviorValue->get_object();
    const auto& faq = arrayOfObjects(member(behavior, "faq"), decoded.behavior.faq.size());
    const auto& workflows =
        arrayOfObjects(member(behavior, "workflows"), decoded.behavior.workflows.size());
    rejectNulls(behavior, {"showHomeContact"});

    for (std::size_t i = 0; i < faq.size(); ++i) {
        const auto& entry = faq[i].get_object();
        rejectNulls(entry, {"actionLabelKey", "workflowId", "prefill"});
        rejectPrefillNulls(entry);
        const bool startsWorkflow = decoded.behavior.faq[i].action == "start-workflow";
        require(entry.contains("workflowId") == startsWorkflow);
    }

    for (std::size_t w = 0; w < workflows.size(); ++w) {
        const auto& decodedSteps = decoded.behavior.workflows[w].steps;
        const auto& steps =
            arrayOfObjects(member(workflows[w].get_object(), "steps"), decodedSteps.size());
        for (std::size_t s = 0; s < steps.size(); ++s) {
            const auto& step = steps[s].get_object();
            rejectNulls(step, {"detailKey", "handoffReasonKey"});
            const auto* options = member(step, "options");
            if (options == nullptr || !options->is_array()) {
                continue; // absent or null: the step has no options
            }
            const auto& decodedOptions = decodedSteps[s].options;
            const auto& optionList = arrayOfObjects(options, decodedOptions.size());
            for (std::size_t o = 0; o < optionList.size(); ++o) {
                const auto& option = optionList[o].get_object();
                rejectNulls(option, {"nextStepId", "hostActionId", "prefill"});
                rejectPrefillNulls(option);
                const bool hostAction = decodedOptions[o].action == "host-action";
                require(option.contains("hostActionId") == hostAction);
                require(option.contains("nextStepId") == !hostAction);
            }
        }
    }
}

VelmoraWidgetContentSnapshot validateRaw(const json::value& root,
                                         const std::optional<std::string>& expectedLocale) {
    require(root.is_object());
    VelmoraWidgetContentResponse decoded;
    try {
        decoded = detail::Codec<VelmoraWidgetContentResponse>::decode(root, "");
    } catch (const VelmoraDecodingError&) {
        fail();
    }
    validateRawOptionalFields(root.get_object(), decoded);
    return VelmoraWidgetContentValidation::validate(decoded, expectedLocale);
}

/// Whether the value could be written as JSON: finite numbers and valid UTF-8 texts only.
bool isWritable(const JSONValue& value) {
    if (const auto* number = value.ifNumber()) {
        return std::isfinite(*number);
    }
    if (const auto* text = value.ifString()) {
        return detail::text::isValidUTF8(*text);
    }
    if (const auto* object = value.ifObject()) {
        for (const auto& [name, element] : *object) {
            if (!detail::text::isValidUTF8(name) || !isWritable(element)) {
                return false;
            }
        }
    }
    if (const auto* array = value.ifArray()) {
        for (const auto& element : *array) {
            if (!isWritable(element)) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

VelmoraWidgetContentSnapshot
VelmoraWidgetContentValidation::validate(const VelmoraWidgetContentResponse& response,
                                         const std::optional<std::string>& expectedLocale) {
    require(response.ok);
    require(contains(supportedLocales(), response.locale));
    require(!expectedLocale || detail::text::canonicallyEqual(response.locale, *expectedLocale));

    require(response.messages.size() <= kMessageCountMaximum);
    std::map<std::string, const std::string*> messages; // NFC key -> text
    for (const auto& [messageKey, text] : response.messages) {
        require(isBounded(messageKey));
        require(detail::text::utf16Length(text) <= kMessageTextMaximum);
        messages.insert_or_assign(key(messageKey), &text);
    }

    const auto& behavior = response.behavior;
    require(behavior.mode == "guided" || behavior.mode == "ai-assisted");
    require(isBounded(behavior.faqSectionTitleKey) && isBounded(behavior.workflowSectionTitleKey) &&
            isBounded(behavior.contactFallbackLabelKey) &&
            isBounded(behavior.operatorEscalationLabelKey));
    require(behavior.faq.size() <= kFAQMaximum && behavior.workflows.size() <= kListMaximum);
    requireUniqueIDs(idsOf(behavior.faq));
    requireUniqueIDs(idsOf(behavior.workflows));
    for (const auto& workflow : behavior.workflows) {
        ::velmora::validate(workflow);
    }

    Keys workflowIDs;
    for (const auto& workflow : behavior.workflows) {
        workflowIDs.insert(key(workflow.id));
    }
    Keys required{key(behavior.faqSectionTitleKey), key(behavior.workflowSectionTitleKey),
                  key(behavior.contactFallbackLabelKey), key(behavior.operatorEscalationLabelKey)};

    for (const auto& entry : behavior.faq) {
        require(isBounded(entry.titleKey) && isBounded(entry.bodyKey));
        require(contains(faqActions(), entry.action));
        require(isBounded(entry.actionLabelKey) && isBounded(entry.workflowId));
        require(isValid(entry.prefill));
        if (entry.action == "start-workflow") {
            require(entry.workflowId && workflowIDs.contains(key(*entry.workflowId)));
        } else {
            require(!entry.workflowId);
        }
        required.insert(key(entry.titleKey));
        required.insert(key(entry.bodyKey));
        if (entry.actionLabelKey) {
            required.insert(key(*entry.actionLabelKey));
        }
        addPrefillMessageKeys(required, entry.prefill);
    }

    for (const auto& workflow : behavior.workflows) {
        required.insert(key(workflow.titleKey));
        required.insert(key(workflow.descriptionKey));
        for (const auto& step : workflow.steps) {
            required.insert(key(step.promptKey));
            if (step.detailKey) {
                required.insert(key(*step.detailKey));
            }
            if (step.handoffReasonKey) {
                required.insert(key(*step.handoffReasonKey));
            }
            for (const auto& option : step.options) {
                required.insert(key(option.labelKey));
                addPrefillMessageKeys(required, option.prefill);
            }
        }
    }

    for (const auto& messageKey : required) {
        const auto found = messages.find(messageKey);
        require(found != messages.end() && !found->second->empty());
    }
    return {response.locale, response.behavior, response.messages};
}

VelmoraWidgetContentSnapshot
VelmoraWidgetContentValidation::validate(const Data& data,
                                         const std::optional<std::string>& expectedLocale) {
    json::value root;
    try {
        root = detail::parseJSON(
            std::string_view(reinterpret_cast<const char*>(data.data()), data.size()),
            detail::ParseOptions{.allowFragments = false});
    } catch (const VelmoraDecodingError&) {
        fail();
    }
    return validateRaw(root, expectedLocale);
}

VelmoraWidgetContentSnapshot
VelmoraWidgetContentValidation::validate(const JSONValue::Object& object,
                                         const std::optional<std::string>& expectedLocale) {
    const JSONValue value(object);
    require(isWritable(value));
    return validateRaw(detail::Codec<JSONValue>::encode(value), expectedLocale);
}

std::string VelmoraWidgetContentValidation::validateArticleID(std::string_view id) {
    require(detail::text::utf16Length(id) <= kArticleIDMaximum && articleIDPattern().matches(id));
    return std::string(id);
}

} // namespace velmora
