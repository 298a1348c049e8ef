#include "client/operation_arguments.hpp"

#include "detail/date_time.hpp"
#include "detail/json_codec.hpp"
#include "detail/pattern.hpp"
#include "input_validation.hpp"
#include "velmora/error.hpp"

#include <algorithm>
#include <cmath>
#include <set>

namespace velmora::detail {
namespace {

[[noreturn]] void fail(const char* message) {
    throw VelmoraError(VelmoraErrorCode::fieldInvalid, std::nullopt, std::nullopt, message);
}

bool contains(KeyList keys, std::string_view key) {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

bool hasExactly(const json::object& object, KeyList keys) {
    return object.size() == keys.size() &&
           std::all_of(keys.begin(), keys.end(),
                       [&](std::string_view k) { return object.contains(k); });
}

const json::string* text(const json::object& object, std::string_view key) {
    const auto* member = object.if_contains(key);
    return member ? member->if_string() : nullptr;
}

std::string_view view(const json::string& s) {
    return {s.data(), s.size()};
}

bool matches(const Pattern& pattern, const json::string* s) {
    return s != nullptr && pattern.matches(view(*s));
}

bool isInternetDateTime(std::string_view value) {
    return parseInternetDateTime(value, value.find('.') != std::string_view::npos).has_value();
}

std::optional<std::string> optionalText(const json::object& object, std::string_view key) {
    const auto* s = text(object, key);
    return s ? std::optional<std::string>(view(*s)) : std::nullopt;
}

// A whole number of at least 1 that fits a signed 64-bit integer; booleans are not numbers.
std::optional<std::int64_t> positiveWholeNumber(const json::value& value) {
    if (const auto* i = value.if_int64()) {
        return *i >= 1 ? std::optional(*i) : std::nullopt;
    }
    if (const auto* u = value.if_uint64()) {
        return *u >= 1 && *u <= static_cast<std::uint64_t>(INT64_MAX)
                   ? std::optional(static_cast<std::int64_t>(*u))
                   : std::nullopt;
    }
    if (const auto* d = value.if_double()) {
        // Checked as a double first: converting an out-of-range double is undefined.
        if (std::isfinite(*d) && std::trunc(*d) == *d && *d >= 1 && *d < 9223372036854775808.0) {
            return static_cast<std::int64_t>(*d);
        }
    }
    return std::nullopt;
}

VelmoraCommerceLineItemSelection decodeLineItem(const json::value& value) {
    const auto* object = value.if_object();
    if (object == nullptr || !hasExactly(*object, {"lineItemReference", "quantity"})) {
        fail("Commerce line item is invalid.");
    }
    const auto* reference = text(*object, "lineItemReference");
    const auto quantity = positiveWholeNumber(object->at("quantity"));
    if (reference == nullptr || !isReference(view(*reference)) || !quantity) {
        fail("Commerce line item is invalid.");
    }
    return {std::string(view(*reference)), *quantity};
}

} // namespace

void requireOperationKeys(const json::object& object, KeyList allowed, KeyList required) {
    const bool onlyAllowed = std::all_of(object.begin(), object.end(), [&](const auto& member) {
        return contains(allowed, member.key());
    });
    const bool allRequired =
        std::all_of(required.begin(), required.end(),
                    [&](std::string_view key) { return object.contains(key); });
    if (!onlyAllowed || !allRequired) {
        fail("Native operation fields are invalid.");
    }
}

bool isReference(std::string_view value) {
    static const Pattern pattern(R"(^[A-Za-z0-9_-]+$)");
    return VelmoraInputValidation::isText(value, 128) && pattern.matches(value);
}

std::optional<JSONValue> jsonValueFrom(const json::value& value) {
    try {
        return Codec<JSONValue>::decode(value, "");
    } catch (const VelmoraDecodingError&) {
        return std::nullopt;
    }
}

JSONValue::Object jsonValues(const json::object& object) {
    JSONValue::Object out;
    for (const auto& member : object) {
        auto converted = jsonValueFrom(member.value());
        if (!converted) {
            fail("Form values contain an unsupported value.");
        }
        out.insert_or_assign(std::string(member.key()), std::move(*converted));
    }
    return out;
}

VelmoraAttachmentUploadIntent decodeIntent(const json::object& object) {
    const KeyList keys = {"clientId", "attachmentId", "uploadUrl", "uploadToken", "expiresAt"};
    if (!hasExactly(object, keys) ||
        !std::all_of(keys.begin(), keys.end(),
                     [&](std::string_view k) { return text(object, k); })) {
        fail("Attachment intent is invalid.");
    }
    auto get = [&](std::string_view k) { return std::string(view(*text(object, k))); };
    return {get("clientId"), get("attachmentId"), get("uploadUrl"), get("uploadToken"),
            get("expiresAt")};
}

VelmoraProcedureActionInput decodeProcedureInput(const json::object& object) {
    static const std::set<std::string, std::less<>> actions = {
        "start", "answer", "availability", "select", "calendar_date", "back", "confirm", "decline"};
    static const std::set<std::string, std::less<>> locales = {"en", "uk", "de", "es"};
    static const Pattern idempotencyKey(R"(^[A-Za-z0-9_-]{16,128}$)");
    static const Pattern procedureId(R"(^[a-z][a-zA-Z0-9_.-]{0,127}$)");
    static const Pattern stepOrParameter(R"(^[a-z][a-z0-9_]{0,63}$)");
    const KeyList keys = {"action",      "value",       "idempotencyKey",    "nativeCommerceUi",
                          "procedureId", "runId",       "expectedUpdatedAt", "locale",
                          "stepId",      "parameterId", "timeZone"};
    auto invalid = [] { fail("Procedure action input is invalid."); };

    if (object.empty() || !std::all_of(object.begin(), object.end(),
                                       [&](const auto& m) { return contains(keys, m.key()); })) {
        invalid();
    }
    const auto* action = text(object, "action");
    const auto* value = text(object, "value");
    const auto* key = text(object, "idempotencyKey");
    if (!action || !value || !key || !actions.contains(view(*action)) ||
        !VelmoraInputValidation::isText(view(*value), 512) || !matches(idempotencyKey, key)) {
        invalid();
    }
    const auto* native = object.if_contains("nativeCommerceUi");
    if (native && native->is_bool() && !native->get_bool()) {
        invalid();
    }
    if (view(*action) == "start") {
        if (!matches(procedureId, text(object, "procedureId")) || object.contains("runId") ||
            object.contains("expectedUpdatedAt")) {
            invalid();
        }
    } else {
        const auto* runId = text(object, "runId");
        const auto* expected = text(object, "expectedUpdatedAt");
        if (!runId || !view(*runId).starts_with("wr_") || !isReference(view(*runId)) || !expected ||
            !VelmoraInputValidation::isText(view(*expected), 64) ||
            !isInternetDateTime(view(*expected))) {
            invalid();
        }
    }
    if (const auto* locale = text(object, "locale"); locale && !locales.contains(view(*locale))) {
        invalid();
    }
    for (const char* name : {"stepId", "parameterId"}) {
        if (const auto* id = text(object, name); id && !stepOrParameter.matches(view(*id))) {
            invalid();
        }
    }
    if (const auto* zone = text(object, "timeZone");
        zone && !VelmoraInputValidation::isText(view(*zone), 128)) {
        invalid();
    }
    VelmoraProcedureActionInput input;
    input.action = std::string(view(*action));
    input.value = std::string(view(*value));
    input.idempotencyKey = std::string(view(*key));
    input.procedureId = optionalText(object, "procedureId");
    input.locale = optionalText(object, "locale");
    input.runId = optionalText(object, "runId");
    input.expectedUpdatedAt = optionalText(object, "expectedUpdatedAt");
    input.stepId = optionalText(object, "stepId");
    input.parameterId = optionalText(object, "parameterId");
    input.timeZone = optionalText(object, "timeZone");
    if (native && native->is_bool()) {
        input.nativeCommerceUi = native->get_bool();
    }
    return input;
}

VelmoraCommerceProposalInput decodeCommerceInput(const json::object& object) {
    auto invalid = [] { fail("Commerce proposal input is invalid."); };
    if (!hasExactly(object, {"actionId", "selection"})) {
        invalid();
    }
    const auto* actionId = text(object, "actionId");
    const auto* selection = object.at("selection").if_object();
    if (!actionId || view(*actionId) != "shopify_order_cancel" || !selection ||
        !std::all_of(selection->begin(), selection->end(), [](const auto& m) {
            return contains({"storeReference", "orderReference", "lineItems"}, m.key());
        })) {
        invalid();
    }
    const auto* store = text(*selection, "storeReference");
    const auto* order = text(*selection, "orderReference");
    if (!store || !isReference(view(*store)) || !order || !isReference(view(*order))) {
        invalid();
    }
    VelmoraCommerceProposalInput input;
    input.actionId = std::string(view(*actionId));
    input.selection.storeReference = std::string(view(*store));
    input.selection.orderReference = std::string(view(*order));
    if (const auto* items = selection->if_contains("lineItems")) {
        const auto* array = items->if_array();
        if (!array || array->size() > 100 ||
            !std::all_of(array->begin(), array->end(),
                         [](const json::value& v) { return v.is_object(); })) {
            fail("Commerce line item selection is invalid.");
        }
        std::vector<VelmoraCommerceLineItemSelection> lineItems;
        for (const auto& item : *array) {
            lineItems.push_back(decodeLineItem(item));
        }
        input.selection.lineItems = std::move(lineItems);
    }
    return input;
}

} // namespace velmora::detail
