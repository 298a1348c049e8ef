#include "velmora/bridge_inputs.hpp"

#include "detail/text.hpp"
#include "input_validation.hpp"
#include "velmora/error.hpp"

#include <cmath>
#include <set>

namespace velmora {
namespace {

using Dictionary = VelmoraHostDictionary;
using KeySet = std::set<std::string, std::less<>>;

[[noreturn]] void fail(const char* message) {
    throw VelmoraError(VelmoraErrorCode::fieldInvalid, std::nullopt, std::nullopt, message);
}

const KeySet& envelopeKeys() {
    static const KeySet keys = {"config", "apiOrigin",          "integrationId", "accountScope",
                                "locale", "authorizationToken", "pollIntervalMs"};
    return keys;
}

KeySet withEnvelope(std::initializer_list<const char*> own) {
    KeySet keys = envelopeKeys();
    keys.insert(own.begin(), own.end());
    return keys;
}

const KeySet& startKeys() {
    static const KeySet keys = withEnvelope({"message", "idempotencyKey", "prefill", "metadata",
                                             "timeZone", "turnstileToken", "startedAt"});
    return keys;
}

const KeySet& messageKeys() {
    static const KeySet keys = withEnvelope(
        {"text", "idempotencyKey", "startedAt", "metadata", "timeZone", "turnstileToken"});
    return keys;
}

const KeySet& prefillKeys() {
    static const KeySet keys = {"name", "email", "subject", "message", "fields"};
    return keys;
}

// Keys are tested in the dictionary's own order; the first stranger stops the test.
void rejectUnknown(const Dictionary& values, const KeySet& allowed) {
    for (const auto& [key, value] : values.entries()) {
        const auto* text = key.ifString();
        if (text == nullptr || !allowed.contains(*text)) {
            fail("The bridge operation contains an unsupported field.");
        }
    }
}

std::optional<std::string> optionalString(const VelmoraHostValue* value) {
    if (value == nullptr) {
        return std::nullopt;
    }
    // Bytes that are not UTF-8 are no text, whatever the wrapper called them.
    if (const auto* text = value->ifString(); text && detail::text::isValidUTF8(*text)) {
        return *text;
    }
    fail("Bridge string fields must be strings.");
}

void requireTextKeys(const Dictionary& dictionary) {
    for (const auto& [key, value] : dictionary.entries()) {
        if (!key.ifString() || !detail::text::isValidUTF8(*key.ifString())) {
            fail("Metadata object keys must be strings.");
        }
    }
}

// Metadata goes on to the client, which refuses host JSON nested deeper than this before it
// stores anything (its stored files must stay readable). Converting stops at the same depth
// with the same words, so a host meets one rule whichever way it sends, and a hostile value
// can't exhaust the stack here first. (The 64 levels of a JSON operation bound a whole request
// text, not the host's own data inside it.)
constexpr std::size_t kMaxMetadataDepth = detail::VelmoraInputValidation::maxHostJSONDepth;

JSONValue jsonValue(const VelmoraHostValue& value, std::size_t depth);

// `depth` counts the containers down to this one, the metadata's own dictionary being 1.
void requireDepth(std::size_t depth) {
    if (depth > kMaxMetadataDepth) {
        fail("Metadata is nested too deeply.");
    }
}

JSONValue::Object jsonObject(const Dictionary& dictionary, std::size_t depth) {
    requireDepth(depth);
    requireTextKeys(dictionary);
    JSONValue::Object out;
    for (const auto& [key, member] : dictionary.entries()) {
        out.insert_or_assign(*key.ifString(), jsonValue(member, depth + 1));
    }
    return out;
}

JSONValue finiteNumber(double d) {
    if (!std::isfinite(d)) {
        fail("Metadata contains a non-finite number.");
    }
    return d;
}

JSONValue jsonValue(const VelmoraHostValue& value, std::size_t depth) {
    switch (value.kind()) {
    case VelmoraHostValue::Kind::null:
        return nullptr;
    case VelmoraHostValue::Kind::boolean:
        return *value.ifBool();
    case VelmoraHostValue::Kind::signedInteger:
        return finiteNumber(static_cast<double>(*value.ifSigned()));
    case VelmoraHostValue::Kind::unsignedInteger:
        return finiteNumber(static_cast<double>(*value.ifUnsigned()));
    case VelmoraHostValue::Kind::floating:
        return finiteNumber(*value.ifDouble());
    case VelmoraHostValue::Kind::string:
        if (!detail::text::isValidUTF8(*value.ifString())) {
            break;
        }
        return *value.ifString();
    case VelmoraHostValue::Kind::dictionary:
        return jsonObject(*value.ifDictionary(), depth);
    case VelmoraHostValue::Kind::array: {
        requireDepth(depth);
        JSONValue::Array out;
        for (const auto& element : *value.ifArray()) {
            out.push_back(jsonValue(element, depth + 1));
        }
        return out;
    }
    }
    fail("Metadata contains an unsupported value.");
}

std::optional<JSONValue::Object> metadata(const VelmoraHostValue* value) {
    if (value == nullptr) {
        return std::nullopt;
    }
    const auto* dictionary = value->ifDictionary();
    if (dictionary == nullptr) {
        fail("Metadata must be an object.");
    }
    return jsonObject(*dictionary, 1);
}

std::optional<VelmoraPrefill> prefill(const VelmoraHostValue* value) {
    if (value == nullptr) {
        return std::nullopt;
    }
    const auto* dictionary = value->ifDictionary();
    if (dictionary == nullptr) {
        fail("startSession.prefill must be an object.");
    }
    requireTextKeys(*dictionary);
    rejectUnknown(*dictionary, prefillKeys());
    VelmoraPrefill out;
    out.name = optionalString(dictionary->find("name"));
    out.email = optionalString(dictionary->find("email"));
    out.subject = optionalString(dictionary->find("subject"));
    out.message = optionalString(dictionary->find("message"));
    out.fields = metadata(dictionary->find("fields"));
    return out;
}

std::string requiredText(const Dictionary& values, const char* key, const char* message) {
    const VelmoraHostValue* value = values.find(key);
    if (value == nullptr || !value->ifString() || !detail::text::isValidUTF8(*value->ifString())) {
        fail(message);
    }
    return *value->ifString();
}

} // namespace

Dictionary VelmoraBridgeInput::operationValues(const Dictionary& values) {
    Dictionary out = values;
    out.erase("config");
    out.erase("widget");
    return out;
}

VelmoraSessionStartInput VelmoraBridgeInput::sessionStart(const Dictionary& values) {
    rejectUnknown(values, startKeys());
    VelmoraSessionStartInput input;
    input.message = requiredText(values, "message", "startSession.message is required.");
    input.idempotencyKey = optionalString(values.find("idempotencyKey"));
    input.prefill = prefill(values.find("prefill"));
    input.metadata = metadata(values.find("metadata"));
    input.timeZone = optionalString(values.find("timeZone"));
    input.turnstileToken = optionalString(values.find("turnstileToken"));
    input.startedAt = optionalString(values.find("startedAt"));
    return input;
}

VelmoraMessageInput VelmoraBridgeInput::message(const Dictionary& values) {
    rejectUnknown(values, messageKeys());
    VelmoraMessageInput input;
    input.text = requiredText(values, "text", "sendMessage.text is required.");
    input.idempotencyKey = optionalString(values.find("idempotencyKey"));
    input.startedAt = optionalString(values.find("startedAt"));
    input.metadata = metadata(values.find("metadata"));
    input.timeZone = optionalString(values.find("timeZone"));
    input.turnstileToken = optionalString(values.find("turnstileToken"));
    return input;
}

} // namespace velmora
