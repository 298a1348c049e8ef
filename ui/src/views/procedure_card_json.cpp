#include "velmora/ui/procedure_card.hpp"

#include "detail/pattern.hpp"
#include "velmora/procedure_locale_catalog.hpp"

#include <boost/url/parse.hpp>

#include <cmath>
#include <initializer_list>

namespace velmora {

namespace {

using Object = JSONValue::Object;

const JSONValue* member(const Object& object, const std::string& key) {
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &found->second;
}

std::optional<std::string> stringMember(const Object& object, const std::string& key) {
    const JSONValue* value = member(object, key);
    if (const std::string* text = value ? value->ifString() : nullptr)
        return *text;
    return std::nullopt;
}

const JSONValue::Array* arrayMember(const Object& object, const std::string& key) {
    const JSONValue* value = member(object, key);
    return value ? value->ifArray() : nullptr;
}

/// A whole number inside the signed 64-bit range. A double at or beyond 2^63 cannot be converted
/// (that is undefined), so the range is checked on the double first.
std::optional<std::int64_t> wholeNumber(const JSONValue* value) {
    const double* number = value ? value->ifNumber() : nullptr;
    if (!number || !std::isfinite(*number) || std::nearbyint(*number) != *number)
        return std::nullopt;
    constexpr double limit = 9223372036854775808.0; // 2^63
    if (*number < -limit || *number >= limit)
        return std::nullopt;
    return static_cast<std::int64_t>(*number);
}

/// Every element a string, else nothing.
std::optional<std::vector<std::string>> stringArray(const JSONValue* value) {
    const JSONValue::Array* array = value ? value->ifArray() : nullptr;
    if (!array)
        return std::nullopt;
    std::vector<std::string> out;
    out.reserve(array->size());
    for (const auto& element : *array) {
        const std::string* text = element.ifString();
        if (!text)
            return std::nullopt;
        out.push_back(*text);
    }
    return out;
}

bool oneOf(const std::string& value, std::initializer_list<const char*> allowed) {
    for (const char* candidate : allowed)
        if (value == candidate)
            return true;
    return false;
}

const detail::Pattern& monthPattern() {
    static const detail::Pattern pattern("[0-9]{4}-[0-9]{2}");
    return pattern;
}

const detail::Pattern& datePattern() {
    static const detail::Pattern pattern("[0-9]{4}-[0-9]{2}-[0-9]{2}");
    return pattern;
}

const detail::Pattern& procedureIdPattern() {
    static const detail::Pattern pattern("[a-z][a-zA-Z0-9_.\\-]{0,127}");
    return pattern;
}

std::optional<std::string> catalogueText(const std::string& locale, const std::string& key,
                                         std::optional<std::int64_t> revision) {
    return WidgetProcedureLocaleCatalog::message(locale, key, {}, revision);
}

/// The sent text under `localizedKey` when it is a string (even empty), else the catalogue's
/// text of the string under `keyKey`, else the empty text.
std::string resolvedText(const Object& object, const std::string& localizedKey,
                         const std::string& keyKey, const std::string& locale,
                         std::optional<std::int64_t> revision) {
    if (auto sent = stringMember(object, localizedKey))
        return std::move(*sent);
    if (const auto key = stringMember(object, keyKey))
        return catalogueText(locale, *key, revision).value_or("");
    return {};
}

/// An "https" address, so written (the scheme is read from the raw text, not from a parser that
/// may lower-case it), that names a host and carries no user name or password.
bool isCheckoutAddress(const std::string& text) {
    if (!text.starts_with("https:"))
        return false;
    const auto parsed = boost::urls::parse_uri(text);
    if (!parsed)
        return false;
    const auto& url = *parsed;
    return url.scheme() == "https" && url.has_authority() && !url.encoded_host().empty() &&
           !url.has_userinfo();
}

template <class T, class Read> std::vector<T> readList(const JSONValue::Array* array, Read read) {
    std::vector<T> out;
    if (!array)
        return out;
    for (const auto& element : *array)
        if (auto value = read(element))
            out.push_back(std::move(*value));
    return out;
}

std::optional<VelmoraProcedureCard::Choice> choiceFromJSON(const JSONValue& json,
                                                           const std::string& locale,
                                                           std::optional<std::int64_t> revision) {
    const Object* object = json.ifObject();
    if (!object || object->empty())
        return std::nullopt;
    auto value = stringMember(*object, "value");
    if (!value)
        return std::nullopt;
    std::optional<std::string> label = stringMember(*object, "localizedLabel");
    if (!label)
        label = stringMember(*object, "label");
    if (!label) {
        if (const auto key = stringMember(*object, "labelKey"))
            label = catalogueText(locale, *key, revision);
    }
    // An empty label drops the choice; there is no falling through to the next key.
    if (!label || label->empty())
        return std::nullopt;
    return VelmoraProcedureCard::Choice{std::move(*value), std::move(*label)};
}

} // namespace

std::optional<VelmoraProcedureDateAvailability>
procedureDateAvailabilityFromJSON(const JSONValue& json) {
    const Object* object = json.ifObject();
    if (!object)
        return std::nullopt;
    VelmoraProcedureDateAvailability out;
    for (auto [key, field] : {std::pair{"month", &out.month},
                              {"startDate", &out.startDate},
                              {"endDate", &out.endDate},
                              {"earliestDate", &out.earliestDate},
                              {"timeZone", &out.timeZone}}) {
        auto text = stringMember(*object, key);
        if (!text)
            return std::nullopt;
        *field = std::move(*text);
    }
    auto dates = stringArray(member(*object, "availableDates"));
    const auto procedureRevision = wholeNumber(member(*object, "procedureRevision"));
    const auto bindingSetRevision = wholeNumber(member(*object, "bindingSetRevision"));
    if (!dates || !procedureRevision || !bindingSetRevision || !monthPattern().matches(out.month))
        return std::nullopt;
    for (const auto& date : *dates)
        if (!datePattern().matches(date))
            return std::nullopt;
    out.availableDates = std::move(*dates);
    out.procedureRevision = *procedureRevision;
    out.bindingSetRevision = *bindingSetRevision;
    return out;
}

std::optional<VelmoraProcedureDisplayField> procedureDisplayFieldFromJSON(const JSONValue& json) {
    const Object* object = json.ifObject();
    if (!object)
        return std::nullopt;
    auto id = stringMember(*object, "id");
    auto label = stringMember(*object, "label");
    auto value = stringMember(*object, "value");
    auto state = stringMember(*object, "state");
    auto format = stringMember(*object, "format");
    if (!id || !label || !value || !state || !format || id->empty() || label->empty() ||
        !oneOf(*state, {"available", "unavailable"}) ||
        !oneOf(*format, {"plain_text", "number", "boolean", "money", "date", "status"}))
        return std::nullopt;
    return VelmoraProcedureDisplayField{std::move(*id), std::move(*label), std::move(*value),
                                        std::move(*state), std::move(*format)};
}

std::optional<VelmoraProcedureDisplayRecord> procedureDisplayRecordFromJSON(const JSONValue& json) {
    const Object* object = json.ifObject();
    if (!object)
        return std::nullopt;
    auto id = stringMember(*object, "id");
    auto title = stringMember(*object, "title");
    const auto* fields = arrayMember(*object, "fields");
    if (!id || !title || !fields || id->empty() || title->empty())
        return std::nullopt;
    return VelmoraProcedureDisplayRecord{
        std::move(*id), std::move(*title), stringMember(*object, "subtitle"),
        readList<VelmoraProcedureDisplayField>(fields, procedureDisplayFieldFromJSON)};
}

std::optional<VelmoraProcedureDisplayPresentation>
procedureDisplayPresentationFromJSON(const JSONValue& json) {
    const Object* object = json.ifObject();
    if (!object)
        return std::nullopt;
    auto kind = stringMember(*object, "kind");
    auto completeness = stringMember(*object, "completeness");
    const auto* records = arrayMember(*object, "records");
    if (!kind || !completeness || !records || !oneOf(*kind, {"record_list", "record_detail"}) ||
        !oneOf(*completeness, {"complete", "partial", "unavailable"}))
        return std::nullopt;
    return VelmoraProcedureDisplayPresentation{
        std::move(*kind),
        readList<VelmoraProcedureDisplayRecord>(records, procedureDisplayRecordFromJSON),
        std::move(*completeness)};
}

std::optional<VelmoraProcedureConfirmationDetail>
procedureConfirmationDetailFromJSON(const JSONValue& json, const std::string& locale,
                                    std::optional<std::int64_t> procedureRevision) {
    const Object* object = json.ifObject();
    if (!object)
        return std::nullopt;
    auto labelKey = stringMember(*object, "labelKey");
    auto value = stringMember(*object, "value");
    if (!labelKey || !value)
        return std::nullopt;
    VelmoraProcedureConfirmationDetail out;
    out.localizedLabel = stringMember(*object, "localizedLabel");
    if (!out.localizedLabel)
        out.localizedLabel = catalogueText(locale, *labelKey, procedureRevision);
    out.valueLabelKey = stringMember(*object, "valueLabelKey");
    out.localizedValueLabel = stringMember(*object, "localizedValueLabel");
    if (!out.localizedValueLabel && out.valueLabelKey)
        out.localizedValueLabel = catalogueText(locale, *out.valueLabelKey, procedureRevision);
    if (const JSONValue* presentation = member(*object, "presentation"))
        out.presentation = procedureDisplayPresentationFromJSON(*presentation);
    out.labelKey = std::move(*labelKey);
    out.value = std::move(*value);
    return out;
}

std::optional<VelmoraProcedureQuickAction> procedureQuickActionFromJSON(const JSONValue& json,
                                                                        const std::string& locale) {
    const Object* object = json.ifObject();
    if (!object)
        return std::nullopt;
    auto procedureId = stringMember(*object, "procedureId");
    if (!procedureId || !procedureIdPattern().matches(*procedureId))
        return std::nullopt;
    return VelmoraProcedureQuickAction{
        std::move(*procedureId),
        resolvedText(*object, "localizedTitle", "titleKey", locale, std::nullopt)};
}

std::optional<VelmoraProcedureCard> procedureCardFromJSON(const JSONValue& json) {
    const Object* object = json.ifObject();
    if (!object)
        return std::nullopt;
    auto procedureId = stringMember(*object, "procedureId");
    auto runId = stringMember(*object, "runId");
    if (!procedureId || !runId || procedureId->empty() || runId->empty())
        return std::nullopt;

    VelmoraProcedureCard card;
    card.procedureId = std::move(*procedureId);
    card.runId = std::move(*runId);
    card.procedureRevision = wholeNumber(member(*object, "procedureRevision"));
    card.runUpdatedAt = stringMember(*object, "runUpdatedAt").value_or("");
    card.locale = stringMember(*object, "locale");
    const std::string lookup = card.locale.value_or("en");
    card.phase = stringMember(*object, "phase").value_or("unknown");
    card.title =
        resolvedText(*object, "localizedTitle", "titleKey", lookup, card.procedureRevision);
    card.prompt =
        resolvedText(*object, "localizedPrompt", "promptKey", lookup, card.procedureRevision);
    card.stepId = stringMember(*object, "stepId");
    card.parameterId = stringMember(*object, "parameterId");
    card.parameterType = stringMember(*object, "parameterType");
    card.choiceMode = stringMember(*object, "choiceMode");
    const auto flag = [&](const char* key) {
        const JSONValue* value = member(*object, key);
        const bool* b = value ? value->ifBool() : nullptr;
        return b && *b;
    };
    card.calendarMode = flag("calendarMode");
    card.calendarAvailabilityLoaded = flag("calendarAvailabilityLoaded");
    card.backStepId = stringMember(*object, "backStepId");
    if (const JSONValue* availability = member(*object, "dateAvailability"))
        card.dateAvailability = procedureDateAvailabilityFromJSON(*availability);
    card.proposalId = stringMember(*object, "proposalId");
    card.commerceProvider = stringMember(*object, "commerceProvider");
    card.receiptReference = stringMember(*object, "receiptReference");
    card.quoteTotal = stringMember(*object, "quoteTotal");
    card.paymentStatus = stringMember(*object, "paymentStatus");
    card.statusCode = stringMember(*object, "statusCode");
    card.confirmLabelKey = stringMember(*object, "confirmLabelKey");
    card.declineLabelKey = stringMember(*object, "declineLabelKey");
    card.submitLabelKey = stringMember(*object, "submitLabelKey");
    if (const JSONValue* summary = member(*object, "summary"))
        if (const Object* entries = summary->ifObject())
            for (const auto& [key, value] : *entries)
                if (const std::string* text = value.ifString())
                    card.summary.emplace(key, *text);
    card.confirmationDetails = readList<VelmoraProcedureConfirmationDetail>(
        arrayMember(*object, "confirmationDetails"), [&](const JSONValue& element) {
            return procedureConfirmationDetailFromJSON(element, lookup, card.procedureRevision);
        });
    if (auto address = stringMember(*object, "hostedCheckoutUrl");
        address && isCheckoutAddress(*address))
        card.hostedCheckoutURL = std::move(*address);
    card.choices = readList<VelmoraProcedureCard::Choice>(
        arrayMember(*object, "choices"), [&](const JSONValue& element) {
            return choiceFromJSON(element, lookup, card.procedureRevision);
        });
    return card;
}

} // namespace velmora
