#include "velmora/host_actions.hpp"

#include "detail/enum_text.hpp"
#include "detail/host_action_codecs.hpp"
#include "detail/json.hpp"
#include "detail/json_codec.hpp"
#include "detail/pattern.hpp"
#include "detail/text.hpp"
#include "velmora/decoding_error.hpp"
#include "velmora/error.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <set>
#include <utility>

namespace velmora {
namespace {

using Limits = VelmoraHostActionCodec;

constexpr std::array<std::string_view, 3> kStatusTexts = {"acknowledged", "completed", "failed"};

constexpr std::string_view kCompletionOperation = "complete-host-action";
constexpr std::size_t kMaxIdentifierCharacters = 128;
constexpr std::size_t kMaxActionIdentifierCharacters = 64;
constexpr std::size_t kMaxCodeCharacters = 64;
constexpr std::size_t kMaxKeyUnits = 64;

[[noreturn]] void fail(std::string message) {
    throw VelmoraError(VelmoraErrorCode::fieldInvalid, std::nullopt, std::nullopt,
                       std::move(message));
}

const std::set<std::string, std::less<>>& reservedObjectKeys() {
    // Keys that prototype-based hosts treat specially; a payload must never set them.
    static const std::set<std::string, std::less<>> keys = {"__proto__", "prototype",
                                                            "constructor"};
    return keys;
}

bool validIdentifier(std::string_view value, std::size_t maximum) {
    static const detail::Pattern pattern(R"(^[A-Za-z0-9][A-Za-z0-9:_-]*$)");
    if (!pattern.matches(value)) {
        return false;
    }
    const auto count = detail::text::graphemeCount(value);
    return count >= 1 && count <= maximum;
}

bool validActionIdentifier(std::string_view value) {
    static const detail::Pattern pattern(R"(^[a-z0-9][a-z0-9:_-]{0,63}$)");
    return pattern.matches(value) &&
           detail::text::graphemeCount(value) <= kMaxActionIdentifierCharacters;
}

bool validCode(std::string_view value) {
    static const detail::Pattern pattern(R"(^[a-z][a-z0-9_]{0,63}$)");
    return pattern.matches(value) && detail::text::graphemeCount(value) <= kMaxCodeCharacters;
}

bool validKey(std::string_view key) {
    static const detail::Pattern pattern(R"(^[A-Za-z0-9_.:-]{1,64}$)");
    return detail::text::utf16Length(key) <= kMaxKeyUnits && pattern.matches(key) &&
           !reservedObjectKeys().contains(key);
}

bool isBoundedJSON(const JSONValue& value, std::size_t depth);

// Entries of an object at `depth`: their values sit one level deeper.
bool isBoundedObject(const JSONValue::Object& object, std::size_t depth) {
    if (depth >= Limits::maxDepth || object.size() > Limits::maxContainerEntries) {
        return false;
    }
    for (const auto& [key, entry] : object) {
        if (!validKey(key) || !isBoundedJSON(entry, depth + 1)) {
            return false;
        }
    }
    return true;
}

bool isBoundedJSON(const JSONValue& value, std::size_t depth) {
    if (const auto* text = value.ifString()) {
        // Invalid UTF-8 has no UTF-16 length and must not reach a host.
        return detail::text::isValidUTF8(*text) &&
               detail::text::utf16Length(*text) <= Limits::maxStringLength;
    }
    if (const auto* number = value.ifNumber()) {
        return std::isfinite(*number);
    }
    if (const auto* object = value.ifObject()) {
        return isBoundedObject(*object, depth);
    }
    if (const auto* array = value.ifArray()) {
        if (depth >= Limits::maxDepth || array->size() > Limits::maxContainerEntries) {
            return false;
        }
        for (const auto& element : *array) {
            if (!isBoundedJSON(element, depth + 1)) {
                return false;
            }
        }
        return true;
    }
    return true; // boolean, null
}

// The JSON text of `value` as the system writes it. A `VelmoraError` raised while encoding passes
// through; any other failure (a number that cannot be written) becomes `notSerializable`.
template <class T> std::string encodedOrFail(const T& value, std::string_view notSerializable) {
    try {
        return detail::writeJSON(detail::Codec<T>::encode(value));
    } catch (const VelmoraError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        fail(std::string(notSerializable));
    }
}

// Checks a result and returns its JSON text.
std::string checkedResultJSON(const VelmoraHostActionResult& result) {
    if (result.ok != (result.status != VelmoraHostActionStatus::failed)) {
        fail("Host action result status does not match ok.");
    }
    if (result.code && !validCode(*result.code)) {
        fail("Host action result code is invalid.");
    }
    if (result.data && !isBoundedJSON(*result.data, 0)) {
        fail("Host action result data is unbounded.");
    }
    auto json = encodedOrFail(result, "Host action result is not serializable.");
    if (json.size() > Limits::maxPayloadBytes) {
        fail("Host action result exceeds its size limit.");
    }
    return json;
}

void validateCompletion(const VelmoraHostActionCompletion& completion) {
    if (!validIdentifier(completion.requestId, kMaxIdentifierCharacters) ||
        !validActionIdentifier(completion.actionId)) {
        fail("Host action identifiers are invalid.");
    }
    checkedResultJSON(completion.result);
}

bool isCompletionObject(const detail::json::object& object) {
    const auto* operation = object.if_contains("operation");
    return operation && operation->is_string() && operation->get_string() == kCompletionOperation;
}

// The parsed top-level object of a bridge text, or nothing when it is not JSON or not an object.
std::optional<detail::json::value> parseObject(std::string_view text) {
    try {
        auto value = detail::parseJSON(text, {.allowFragments = false});
        if (value.is_object()) {
            return value;
        }
    } catch (const VelmoraDecodingError&) {
    }
    return std::nullopt;
}

bool hasExactlyCompletionKeys(const detail::json::object& object) {
    static constexpr std::array<std::string_view, 4> topKeys = {"operation", "requestId",
                                                                "actionId", "result"};
    static constexpr std::array<std::string_view, 5> resultKeys = {"ok", "status", "data", "code",
                                                                   "retryable"};
    if (object.size() != topKeys.size()) {
        return false;
    }
    for (auto key : topKeys) {
        if (!object.contains(key)) {
            return false;
        }
    }
    const auto& result = object.at("result");
    if (!result.is_object()) {
        return false;
    }
    for (const auto& member : result.get_object()) {
        if (std::find(resultKeys.begin(), resultKeys.end(), std::string_view(member.key())) ==
            resultKeys.end()) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string_view rawValue(VelmoraHostActionStatus status) noexcept {
    return kStatusTexts[static_cast<std::size_t>(status)];
}

std::optional<VelmoraHostActionStatus>
velmoraHostActionStatusFromRawValue(std::string_view text) noexcept {
    return detail::enumFromText<VelmoraHostActionStatus>(kStatusTexts, text);
}

VelmoraHostActionRequest::VelmoraHostActionRequest(std::string requestId, std::string actionId,
                                                   JSONValue::Object context,
                                                   JSONValue::Object input)
    : requestId_(std::move(requestId)), actionId_(std::move(actionId)),
      context_(std::move(context)), input_(std::move(input)) {
    VelmoraHostActionCodec::validateRequest(*this);
}

void VelmoraHostActionCodec::validateRequest(const VelmoraHostActionRequest& request) {
    if (!validIdentifier(request.requestId(), kMaxIdentifierCharacters) ||
        !validActionIdentifier(request.actionId()) || !isBoundedObject(request.context(), 0) ||
        !isBoundedObject(request.input(), 0)) {
        fail("Host action request contains an unbounded value.");
    }
    if (encodedOrFail(request, "Host action request is not serializable.").size() >
        maxPayloadBytes) {
        fail("Host action request exceeds its size limit.");
    }
}

void VelmoraHostActionCodec::validateContext(const JSONValue::Object& context) {
    if (!isBoundedObject(context, 0)) {
        fail("Host action context contains an unbounded value.");
    }
    if (encodedOrFail(context, "Host action context is not serializable.").size() >
        maxPayloadBytes) {
        fail("Host action context exceeds its size limit.");
    }
}

void VelmoraHostActionCodec::validateResult(const VelmoraHostActionResult& result) {
    checkedResultJSON(result);
}

std::string VelmoraHostActionCodec::encodeResult(const VelmoraHostActionResult& result) {
    return checkedResultJSON(result);
}

bool VelmoraHostActionCodec::isCompletionOperation(std::string_view text) {
    const auto value = parseObject(text);
    return value && isCompletionObject(value->get_object());
}

VelmoraHostActionCompletion VelmoraHostActionCodec::decodeCompletion(std::string_view text) {
    if (text.size() > maxPayloadBytes) {
        fail("Host action completion exceeds its size limit.");
    }
    const auto value = parseObject(text);
    if (!value || !isCompletionObject(value->get_object())) {
        fail("Host action completion operation is invalid.");
    }
    if (!hasExactlyCompletionKeys(value->get_object())) {
        fail("Host action completion contains unknown or missing fields.");
    }
    try {
        auto completion = detail::Codec<VelmoraHostActionCompletion>::decode(*value, "");
        validateCompletion(completion);
        return completion;
    } catch (const VelmoraError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        fail("Host action completion is invalid.");
    }
}

std::string VelmoraHostActionCodec::completionJSON(bool completed) {
    return completed ? R"({"completed":true})" : R"({"completed":false})";
}

namespace detail {

json::value Codec<VelmoraHostActionStatus>::encode(const VelmoraHostActionStatus& status) {
    return json::string(rawValue(status));
}

VelmoraHostActionStatus Codec<VelmoraHostActionStatus>::decode(const json::value& value,
                                                               const std::string& path) {
    const auto text = Codec<std::string>::decode(value, path);
    if (auto status = velmoraHostActionStatusFromRawValue(text)) {
        return *status;
    }
    throw VelmoraDecodingError(VelmoraDecodingError::Kind::dataCorrupted, path,
                               "unknown host action status \"" + text + "\"");
}

json::value Codec<VelmoraHostActionRequest>::encode(const VelmoraHostActionRequest& request) {
    return ObjectWriter()
        .field("requestId", request.requestId())
        .field("actionId", request.actionId())
        .field("context", request.context())
        .field("input", request.input())
        .take();
}

VelmoraHostActionRequest Codec<VelmoraHostActionRequest>::decode(const json::value& value,
                                                                 const std::string& path) {
    ObjectReader reader(value, path);
    auto requestId = reader.required<std::string>("requestId");
    auto actionId = reader.required<std::string>("actionId");
    auto context = reader.required<JSONValue::Object>("context");
    auto input = reader.required<JSONValue::Object>("input");
    try {
        return VelmoraHostActionRequest(std::move(requestId), std::move(actionId),
                                        std::move(context), std::move(input));
    } catch (const VelmoraError& error) {
        throw VelmoraDecodingError(VelmoraDecodingError::Kind::dataCorrupted, path,
                                   error.message());
    }
}

} // namespace detail

VELMORA_DEFINE_JSON_CODING(VelmoraHostActionRequest)
VELMORA_DEFINE_JSON_CODING(VelmoraHostActionResult)
VELMORA_DEFINE_JSON_CODING(VelmoraHostActionCompletion)

} // namespace velmora
