#include "velmora/ui/widget_draft_store.hpp"

#include "velmora/client.hpp"
#include "velmora/decoding_error.hpp"
#include "velmora/json_coding.hpp"
#include "velmora/json_value.hpp"
#include "velmora/platform_services.hpp"
#include "velmora/ui/widget_client.hpp"

#include <system_error>

namespace velmora {
namespace {

constexpr std::string_view kFileName = "widget-drafts.json";
constexpr std::string_view kUnreadableMessage = "Velmora widget draft storage could not be read.";
constexpr std::string_view kCorruptMessage = "Velmora widget draft storage is corrupt.";
constexpr std::string_view kSaveFailedMessage = "Velmora widget draft storage could not be saved.";

VelmoraError storageError(std::string_view message) {
    return VelmoraError(VelmoraErrorCode::outboxCorrupt, std::nullopt, std::nullopt,
                        std::string(message));
}

std::string quoted(const std::string& text) {
    return encodeJSON(JSONValue(text));
}

[[noreturn]] void fail(VelmoraDecodingError::Kind kind, const std::string& path,
                       const std::string& detail) {
    throw VelmoraDecodingError(kind, path, detail);
}

const JSONValue* member(const JSONValue::Object& object, const std::string& key) {
    const auto it = object.find(key);
    return it == object.end() ? nullptr : &it->second;
}

const JSONValue& required(const JSONValue::Object& object, const std::string& key,
                          const std::string& path) {
    const JSONValue* value = member(object, key);
    if (value == nullptr) {
        fail(VelmoraDecodingError::Kind::keyNotFound, path, "missing \"" + key + "\"");
    }
    if (value->isNull()) {
        fail(VelmoraDecodingError::Kind::valueNotFound, path + "." + key, "null");
    }
    return *value;
}

const std::string& requiredString(const JSONValue::Object& object, const std::string& key,
                                  const std::string& path) {
    const auto* text = required(object, key, path).ifString();
    if (text == nullptr) {
        fail(VelmoraDecodingError::Kind::typeMismatch, path + "." + key, "expected a string");
    }
    return *text;
}

std::optional<std::string> optionalString(const JSONValue::Object& object, const std::string& key,
                                          const std::string& path) {
    const JSONValue* value = member(object, key);
    if (value == nullptr || value->isNull()) {
        return std::nullopt;
    }
    if (const auto* text = value->ifString()) {
        return *text;
    }
    fail(VelmoraDecodingError::Kind::typeMismatch, path + "." + key, "expected a string");
}

VelmoraWidgetDraftState decodeState(const JSONValue& value, const std::string& path) {
    const auto* object = value.ifObject();
    if (object == nullptr) {
        fail(VelmoraDecodingError::Kind::typeMismatch, path, "expected an object");
    }
    VelmoraWidgetDraftState state;
    state.text = requiredString(*object, "text", path);
    state.idempotencyKey = optionalString(*object, "idempotencyKey", path);
    state.startedAt = optionalString(*object, "startedAt", path);
    const auto* attachments = required(*object, "attachments", path).ifArray();
    if (attachments == nullptr) {
        fail(VelmoraDecodingError::Kind::typeMismatch, path + ".attachments", "expected an array");
    }
    for (const auto& attachment : *attachments) {
        // The SDK's own codec reads each file, so its bytes are checked as the client checks them.
        state.attachments.push_back(decodeJSON<VelmoraAttachmentDraft>(encodeJSON(attachment)));
    }
    const auto& operation = requiredString(*object, "operation", path);
    const auto parsed = velmoraWidgetDraftOperationFromRawValue(operation);
    if (!parsed) {
        fail(VelmoraDecodingError::Kind::dataCorrupted, path + ".operation",
             "unknown operation \"" + operation + "\"");
    }
    state.operation = *parsed;
    state.targetSessionId = optionalString(*object, "targetSessionId", path);
    return state;
}

std::map<std::string, VelmoraWidgetDraftState> decodeFile(std::string_view bytes) {
    const JSONValue document = decodeJSON<JSONValue>(bytes);
    const auto* object = document.ifObject();
    if (object == nullptr) {
        fail(VelmoraDecodingError::Kind::typeMismatch, "", "expected an object");
    }
    std::map<std::string, VelmoraWidgetDraftState> states;
    for (const auto& [identity, value] : *object) {
        states.emplace(identity, decodeState(value, identity));
    }
    return states;
}

std::string encodeFile(const std::map<std::string, VelmoraWidgetDraftState>& states) {
    std::string out = "{";
    bool first = true;
    for (const auto& [identity, state] : states) {
        if (!first) {
            out += ',';
        }
        first = false;
        out += quoted(identity);
        out += ':';
        out += encodeJSON(state);
    }
    out += '}';
    return out;
}

} // namespace

std::string_view rawValue(VelmoraWidgetDraftOperation operation) noexcept {
    return operation == VelmoraWidgetDraftOperation::message ? "message" : "sessionStart";
}

std::optional<VelmoraWidgetDraftOperation>
velmoraWidgetDraftOperationFromRawValue(std::string_view text) noexcept {
    if (text == "sessionStart") {
        return VelmoraWidgetDraftOperation::sessionStart;
    }
    if (text == "message") {
        return VelmoraWidgetDraftOperation::message;
    }
    return std::nullopt;
}

std::string encodeJSON(const VelmoraWidgetDraftState& value) {
    std::string out = "{\"text\":" + quoted(value.text);
    if (value.idempotencyKey) {
        out += ",\"idempotencyKey\":" + quoted(*value.idempotencyKey);
    }
    if (value.startedAt) {
        out += ",\"startedAt\":" + quoted(*value.startedAt);
    }
    out += ",\"attachments\":[";
    for (std::size_t i = 0; i < value.attachments.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        out += encodeJSON(value.attachments[i]);
    }
    out += "],\"operation\":" + quoted(std::string(rawValue(value.operation)));
    if (value.targetSessionId) {
        out += ",\"targetSessionId\":" + quoted(*value.targetSessionId);
    }
    out += '}';
    return out;
}

VelmoraWidgetDraftState decodeWidgetDraftState(std::string_view json) {
    return decodeState(decodeJSON<JSONValue>(json), "");
}

VelmoraWidgetDraftStore::VelmoraWidgetDraftStore() = default;

VelmoraWidgetDraftStore::VelmoraWidgetDraftStore(std::filesystem::path fileURL)
    : fileURL_(std::move(fileURL)) {}

const std::shared_ptr<VelmoraWidgetDraftStore>& VelmoraWidgetDraftStore::shared() {
    static const std::shared_ptr<VelmoraWidgetDraftStore> store = [] {
        try {
            return std::make_shared<VelmoraWidgetDraftStore>(platform::defaultDataFile(kFileName));
        } catch (const VelmoraError&) {
            // No data directory on this system: drafts live as long as the process.
            return std::make_shared<VelmoraWidgetDraftStore>();
        }
    }();
    return store;
}

std::optional<VelmoraWidgetDraftState>
VelmoraWidgetDraftStore::state(const VelmoraWidgetClient& client) {
    return stateFor(client.widgetDraftIdentity());
}
std::optional<VelmoraWidgetDraftState> VelmoraWidgetDraftStore::state(const VelmoraClient& client) {
    return stateFor(client.widgetDraftIdentity());
}
std::optional<VelmoraError> VelmoraWidgetDraftStore::save(const VelmoraWidgetDraftState& state,
                                                          const VelmoraWidgetClient& client) {
    return saveFor(state, client.widgetDraftIdentity());
}
std::optional<VelmoraError> VelmoraWidgetDraftStore::save(const VelmoraWidgetDraftState& state,
                                                          const VelmoraClient& client) {
    return saveFor(state, client.widgetDraftIdentity());
}
std::optional<VelmoraError> VelmoraWidgetDraftStore::clear(const VelmoraWidgetClient& client) {
    return clearFor(client.widgetDraftIdentity());
}
std::optional<VelmoraError> VelmoraWidgetDraftStore::clear(const VelmoraClient& client) {
    return clearFor(client.widgetDraftIdentity());
}

std::optional<VelmoraWidgetDraftState>
VelmoraWidgetDraftStore::stateFor(const std::string& identity) {
    loadIfNeeded();
    const auto it = states_.find(identity);
    if (it == states_.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::optional<VelmoraError> VelmoraWidgetDraftStore::saveFor(const VelmoraWidgetDraftState& state,
                                                             const std::string& identity) {
    if (state.text.empty() && state.attachments.empty()) {
        return clearFor(identity);
    }
    loadIfNeeded();
    states_.insert_or_assign(identity, state);
    return persist();
}

std::optional<VelmoraError> VelmoraWidgetDraftStore::clearFor(const std::string& identity) {
    loadIfNeeded();
    states_.erase(identity);
    return persist();
}

void VelmoraWidgetDraftStore::loadIfNeeded() {
    if (loaded_) {
        return;
    }
    loaded_ = true;
    if (!fileURL_) {
        return;
    }
    std::optional<std::string> bytes;
    try {
        bytes = platform::readFileIfPresent(*fileURL_);
    } catch (const std::exception&) {
        // Something is there that cannot be read: never guessed at, never written over.
        persistenceUnavailable_ = true;
        persistenceError_ = storageError(kUnreadableMessage);
        return;
    }
    if (!bytes) {
        return;
    }
    try {
        states_ = decodeFile(*bytes);
    } catch (const std::exception&) {
        persistenceError_ = storageError(kCorruptMessage);
        // The undecodable file is kept beside the new one, for a person to look at.
        std::error_code ec;
        auto aside = *fileURL_;
        aside += ".corrupt-" + platform::uuidString();
        std::filesystem::rename(*fileURL_, aside, ec);
        if (ec) {
            persistenceUnavailable_ = true;
        }
    }
}

std::optional<VelmoraError> VelmoraWidgetDraftStore::persist() {
    if (!fileURL_ || persistenceUnavailable_) {
        return std::nullopt;
    }
    try {
        platform::writeFileAtomically(*fileURL_, encodeFile(states_));
    } catch (const std::exception&) {
        persistenceError_ = storageError(kSaveFailedMessage);
        return persistenceError_;
    }
    persistenceError_.reset();
    return std::nullopt;
}

} // namespace velmora
