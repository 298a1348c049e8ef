#include "views/conversation_form_model.hpp"

#include "detail/number_description.hpp"
#include "detail/text.hpp"
#include "velmora/conversation_form_contract.hpp"
#include "velmora/error.hpp"
#include "velmora/procedure_locale_catalog.hpp"
#include "views/widget_view_model.hpp"

#include <algorithm>
#include <charconv>
#include <limits>

namespace velmora::detail {

namespace {

using text::trimmed;

const std::string& textAnswer(const ConversationFormAnswers& answers, const std::string& id) {
    static const std::string empty;
    const auto found = answers.values.find(id);
    return found == answers.values.end() ? empty : found->second;
}

// Whether an unsigned number text that does not fit a double is too large (else too small): a
// negative exponent makes it small, and so does a text without one whose whole part is zero.
bool overflows(std::string_view number, bool hex) {
    const auto exponent = number.find_first_of(hex ? "pP" : "eE");
    if (exponent != std::string_view::npos)
        return number.find('-', exponent) == std::string_view::npos;
    const auto whole = number.substr(0, number.find('.'));
    return whole.find_first_not_of('0') != std::string_view::npos;
}

} // namespace

FormEditorKind formEditorKind(std::string_view type) {
    if (type == "boolean")
        return FormEditorKind::toggle;
    if (type == "select")
        return FormEditorKind::select;
    if (type == "multi_select")
        return FormEditorKind::multiSelect;
    if (type == "date")
        return FormEditorKind::date;
    return FormEditorKind::text;
}

std::string prefilledText(const std::optional<JSONValue>& value) {
    if (!value)
        return {};
    if (const auto* text = value->ifString())
        return *text;
    if (const auto* number = value->ifNumber())
        return describeNumber(*number);
    if (const auto* flag = value->ifBool())
        return *flag ? "true" : "false";
    return {};
}

ConversationFormAnswers seedAnswers(const VelmoraConversationForm& form) {
    ConversationFormAnswers answers;
    for (const auto& field : form.fields)
        answers.values[field.id] = prefilledText(field.value);
    for (const auto& field : form.fields) {
        if (field.type != "multi_select" || !field.value || !field.value->ifArray())
            continue;
        std::set<std::string> chosen;
        for (const auto& element : *field.value->ifArray())
            if (const auto* text = element.ifString())
                chosen.insert(*text);
        answers.selectedValues[field.id] = std::move(chosen);
    }
    return answers;
}

std::optional<double> readNumber(std::string_view text) {
    std::string_view rest = text;
    bool negative = false;
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    // from_chars takes no sign of its own after the one read above.
    if (rest.empty() || rest.front() == '+' || rest.front() == '-')
        return std::nullopt;
    auto format = std::chars_format::general;
    if (rest.size() > 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        rest.remove_prefix(2);
        format = std::chars_format::hex;
        if (rest.empty() || rest.front() == '+' || rest.front() == '-')
            return std::nullopt;
    }
    // Out of range reads as infinity or zero, the nearest doubles (the contract then refuses an
    // infinite number).
    double value = 0;
    const auto [end, error] =
        std::from_chars(rest.data(), rest.data() + rest.size(), value, format);
    if (end != rest.data() + rest.size())
        return std::nullopt;
    if (error == std::errc::result_out_of_range) {
        value = overflows(rest, format == std::chars_format::hex)
                    ? std::numeric_limits<double>::infinity()
                    : 0.0;
    } else if (error != std::errc()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

JSONValue::Object contractValues(const VelmoraConversationForm& form,
                                 const ConversationFormAnswers& answers) {
    JSONValue::Object result;
    for (const auto& field : form.fields) {
        const std::string text = trimmed(textAnswer(answers, field.id));
        if (field.type == "number") {
            if (text.empty())
                result[field.id] = nullptr;
            else if (const auto number = readNumber(text))
                result[field.id] = *number;
            else
                result[field.id] = text;
        } else if (field.type == "boolean") {
            const auto& raw = textAnswer(answers, field.id);
            result[field.id] = raw == "true"    ? JSONValue(true)
                               : raw == "false" ? JSONValue(false)
                                                : JSONValue(nullptr);
        } else if (field.type == "multi_select") {
            JSONValue::Array chosen;
            if (const auto found = answers.selectedValues.find(field.id);
                found != answers.selectedValues.end())
                for (const auto& option : field.options)
                    if (found->second.contains(option))
                        chosen.emplace_back(option);
            result[field.id] = std::move(chosen);
        } else {
            result[field.id] = text;
        }
    }
    return result;
}

bool requiredValuesPresent(const VelmoraConversationForm& form,
                           const ConversationFormAnswers& answers) {
    for (const auto& field :
         ConversationFormContract::visibleFields(form, contractValues(form, answers))) {
        if (!field.required)
            continue;
        if (field.type == "multi_select") {
            const auto found = answers.selectedValues.find(field.id);
            if (found == answers.selectedValues.end() || found->second.empty())
                return false;
        } else if (trimmed(textAnswer(answers, field.id)).empty()) {
            return false;
        }
    }
    return true;
}

std::optional<JSONValue::Object> formSubmissionValues(const VelmoraConversationForm& form,
                                                      const ConversationFormAnswers& answers) {
    try {
        return ConversationFormContract::submissionValues(form, contractValues(form, answers));
    } catch (const VelmoraError&) {
        return std::nullopt;
    }
}

ConversationFormModel conversationFormModel(const VelmoraConversationForm& form,
                                            const ConversationFormAnswers& answers,
                                            bool validationFailed, bool actionInFlight,
                                            const VelmoraWidgetCopy& copy,
                                            const VelmoraWidgetAppearance& appearance,
                                            const VelmoraPlatformSettingsValues& platform) {
    ConversationFormModel model;
    model.dark = usesDarkPalette(appearance.mode, platform.colorScheme);
    const auto& palette = model.dark ? appearance.dark : appearance.light;
    const double scale = platform.textScale;
    const auto& typography = appearance.typography;
    model.font = systemFontSpec(VelmoraTextStyle::footnote, std::nullopt, scale);
    model.titleFont =
        systemFontSpec(VelmoraTextStyle::headline, VelmoraFontWeight::semibold, scale);
    model.labelFont = widgetFontSpec(typography.fontFamily, typography.fontSizePx * 0.8125,
                                     VelmoraTextStyle::footnote, VelmoraFontWeight::medium, scale);
    model.labelLineSpacing = typography.fontSizePx * 0.35;
    model.text = colorFromHex(palette.text);
    model.mutedText = colorFromHex(palette.mutedText);
    model.background = colorFromHex(palette.raisedSurface);
    model.border = colorFromHex(palette.border).withOpacity(0.6);
    model.submitStyle = {.font = widgetFontSpec(typography.fontFamily, typography.fontSizePx,
                                                VelmoraTextStyle::body, VelmoraFontWeight::medium,
                                                scale),
                         .foreground = colorFromHex(palette.text),
                         .background = colorFromHex(palette.raisedSurface),
                         .border = colorFromHex(palette.border).withOpacity(0.65),
                         .radius = appearance.controlRadiusPx,
                         .borderWidth = std::max(appearance.borderWidthPx, 1.0)};

    model.title = form.name;
    if (form.status == "submitted") {
        model.status = FormStatusDisplay::submitted;
        model.statusText = copyText(copy, {"form.submitted"});
        model.statusIdentifier = "velmora.widget.form.submitted";
        return model;
    }
    if (form.status != "pending") {
        model.status = FormStatusDisplay::expired;
        model.statusText = copyText(copy, {"form.expired"});
        return model;
    }
    for (auto& field :
         ConversationFormContract::visibleFields(form, contractValues(form, answers))) {
        FormFieldModel item;
        item.kind = formEditorKind(field.type);
        item.label = field.name + (field.required ? " *" : "");
        item.accessibleName = item.label;
        item.identifier = "velmora.widget.form.field." + field.id;
        item.field = std::move(field);
        model.fields.push_back(std::move(item));
    }
    if (validationFailed)
        model.validationMessage = copyText(copy, {"form.submitFailed", "status.failed"});
    model.busy = actionInFlight;
    model.workingText = copyText(copy, {"status.working"});
    model.submitLabel = form.submitLabel;
    model.submitEnabled = !actionInFlight && requiredValuesPresent(form, answers);
    return model;
}

std::vector<std::string> filteredOptions(const std::vector<std::string>& options,
                                         std::string_view query) {
    const std::string needle = text::lowercased(trimmed(query));
    if (needle.empty())
        return options;
    std::vector<std::string> shown;
    for (const auto& option : options)
        if (text::lowercased(option).find(needle) != std::string::npos)
            shown.push_back(option);
    return shown;
}

std::string optionSearchTitle(std::string_view locale, const std::string& fieldName) {
    if (auto text = WidgetProcedureLocaleCatalog::message(locale, "help.search", {}, std::nullopt))
        return std::move(*text);
    return fieldName;
}

} // namespace velmora::detail
