#include "input_validation.hpp"

#include "detail/date_time.hpp"
#include "detail/pattern.hpp"
#include "detail/text.hpp"
#include "velmora/error.hpp"

#include <algorithm>
#include <set>
#include <utility>

namespace velmora::detail {
namespace {

constexpr std::size_t kMaxReferenceCharacters = 128;
constexpr std::size_t kMaxSessionTokenCharacters = 8192;
constexpr std::size_t kMaxProcedureValueCharacters = 512;
constexpr std::size_t kMaxExpectedUpdatedAtCharacters = 64;
constexpr std::size_t kMaxTimeZoneCharacters = 128;
constexpr std::size_t kMaxCommerceLineItems = 100;
constexpr std::string_view kRunIdPrefix = "wr_";
constexpr std::string_view kCommerceActionId = "shopify_order_cancel";

[[noreturn]] void fail(std::string message) {
    throw VelmoraError(VelmoraErrorCode::fieldInvalid, std::nullopt, std::nullopt,
                       std::move(message));
}

using TextSet = std::set<std::string, std::less<>>;

const TextSet& procedureActions() {
    static const TextSet actions = {"start",         "answer", "availability", "select",
                                    "calendar_date", "back",   "confirm",      "decline"};
    return actions;
}

const TextSet& procedureLocales() {
    static const TextSet locales = {"en", "uk", "de", "es"};
    return locales;
}

bool isIdempotencyKey(std::string_view value) {
    static const Pattern pattern(R"(^[A-Za-z0-9_-]{16,128}$)");
    return pattern.matches(value);
}

bool isReference(std::string_view value) {
    static const Pattern pattern(R"(^[A-Za-z0-9_-]+$)");
    return VelmoraInputValidation::isText(value, kMaxReferenceCharacters) && pattern.matches(value);
}

bool isProcedureId(std::string_view value) {
    static const Pattern pattern(R"(^[a-z][a-zA-Z0-9_.-]{0,127}$)");
    return pattern.matches(value);
}

bool isStepOrParameterId(std::string_view value) {
    static const Pattern pattern(R"(^[a-z][a-z0-9_]{0,63}$)");
    return pattern.matches(value);
}

bool isExpectedUpdatedAt(std::string_view value) {
    // A "." anywhere means the writer included fractional seconds, so they become required.
    return VelmoraInputValidation::isText(value, kMaxExpectedUpdatedAtCharacters) &&
           parseInternetDateTime(value, value.find('.') != std::string_view::npos).has_value();
}

bool isValidProcedureAction(const VelmoraProcedureActionInput& input) {
    if (!procedureActions().contains(input.action) ||
        !VelmoraInputValidation::isText(input.value, kMaxProcedureValueCharacters) ||
        !isIdempotencyKey(input.idempotencyKey)) {
        return false;
    }
    if (input.action == "start") {
        // A start names the procedure and cannot refer to a run that does not exist yet.
        if (!input.procedureId || !isProcedureId(*input.procedureId) || input.runId ||
            input.expectedUpdatedAt) {
            return false;
        }
    } else if (!input.runId || !input.runId->starts_with(kRunIdPrefix) ||
               !isReference(*input.runId) || !input.expectedUpdatedAt ||
               !isExpectedUpdatedAt(*input.expectedUpdatedAt)) {
        return false;
    }
    if (input.locale && !procedureLocales().contains(*input.locale)) {
        return false;
    }
    if ((input.stepId && !isStepOrParameterId(*input.stepId)) ||
        (input.parameterId && !isStepOrParameterId(*input.parameterId))) {
        return false;
    }
    if (input.timeZone &&
        !VelmoraInputValidation::isText(*input.timeZone, kMaxTimeZoneCharacters)) {
        return false;
    }
    return input.nativeCommerceUi.value_or(true);
}

} // namespace

bool VelmoraInputValidation::isText(std::string_view value, std::size_t maximum) {
    if (value.empty()) {
        return false;
    }
    // In UTF-8 the bytes below 0x20 are exactly the scalars below U+0020.
    if (std::any_of(value.begin(), value.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
        return false;
    }
    return text::isValidUTF8(value) && text::graphemeCount(value) <= maximum;
}

void VelmoraInputValidation::requireIdempotencyKey(std::string_view key) {
    if (!isIdempotencyKey(key)) {
        fail("Idempotency key is invalid.");
    }
}

void VelmoraInputValidation::requireReference(std::string_view value, const std::string& message) {
    if (!isReference(value)) {
        fail(message);
    }
}

void VelmoraInputValidation::requireSession(const VelmoraSession& session) {
    requireReference(session.sessionId, "Session id is invalid.");
    if (!isText(session.sessionToken, kMaxSessionTokenCharacters)) {
        fail("Session token is invalid.");
    }
    if (session.conversationId) {
        requireReference(*session.conversationId, "Conversation id is invalid.");
    }
}

void VelmoraInputValidation::requireProcedureAction(const VelmoraProcedureActionInput& input) {
    if (!isValidProcedureAction(input)) {
        fail("Procedure action input is invalid.");
    }
}

void VelmoraInputValidation::requireCommerceProposal(const VelmoraCommerceProposalInput& input) {
    const auto& selection = input.selection;
    if (input.actionId != kCommerceActionId || !isReference(selection.storeReference) ||
        !isReference(selection.orderReference)) {
        fail("Commerce proposal input is invalid.");
    }
    if (!selection.lineItems || selection.lineItems->empty()) {
        return;
    }
    if (selection.lineItems->size() > kMaxCommerceLineItems) {
        fail("Commerce line item selection is invalid.");
    }
    for (const auto& item : *selection.lineItems) {
        if (!isReference(item.lineItemReference) || item.quantity < 1) {
            fail("Commerce line item is invalid.");
        }
    }
}

bool VelmoraInputValidation::nestsDeeperThan(const JSONValue& value, std::size_t limit) {
    if (const auto* object = value.ifObject()) {
        return nestsDeeperThan(*object, limit);
    }
    if (const auto* array = value.ifArray()) {
        return limit == 0 || std::any_of(array->begin(), array->end(), [&](const JSONValue& e) {
                   return nestsDeeperThan(e, limit - 1);
               });
    }
    return false;
}

bool VelmoraInputValidation::nestsDeeperThan(const JSONValue::Object& object, std::size_t limit) {
    return limit == 0 || std::any_of(object.begin(), object.end(), [&](const auto& member) {
               return nestsDeeperThan(member.second, limit - 1);
           });
}

void VelmoraInputValidation::requireMessageInput(const VelmoraMessageInput& input) {
    if (input.metadata && nestsDeeperThan(*input.metadata, maxHostJSONDepth)) {
        fail("Metadata is nested too deeply.");
    }
}

void VelmoraInputValidation::requireSessionStartInput(const VelmoraSessionStartInput& input) {
    if (input.metadata && nestsDeeperThan(*input.metadata, maxHostJSONDepth)) {
        fail("Metadata is nested too deeply.");
    }
    if (input.prefill && input.prefill->fields &&
        nestsDeeperThan(*input.prefill->fields, maxHostJSONDepth)) {
        fail("Prefill fields are nested too deeply.");
    }
}

} // namespace velmora::detail
