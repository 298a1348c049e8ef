#include "velmora/bridge_codec.hpp"

#include "detail/base64.hpp"
#include "detail/sha256.hpp"
#include "detail/store_file.hpp"

#include <cmath>
#include <limits>

namespace velmora {
namespace {

using Dictionary = VelmoraHostDictionary;

VelmoraHostValue hostValue(const JSONValue& value) {
    switch (value.kind()) {
    case JSONValue::Kind::string:
        return *value.ifString();
    case JSONValue::Kind::number:
        return *value.ifNumber();
    case JSONValue::Kind::boolean:
        return *value.ifBool();
    case JSONValue::Kind::object: {
        Dictionary out;
        for (const auto& [key, member] : *value.ifObject()) {
            out.set(key, hostValue(member));
        }
        return out;
    }
    case JSONValue::Kind::array: {
        VelmoraHostValue::Array out;
        for (const auto& element : *value.ifArray()) {
            out.push_back(hostValue(element));
        }
        return out;
    }
    case JSONValue::Kind::null:
        break;
    }
    return nullptr;
}

Dictionary hostObject(const JSONValue::Object& object) {
    Dictionary out;
    for (const auto& [key, member] : object) {
        out.set(key, hostValue(member));
    }
    return out;
}

template <class T> void setIf(Dictionary& out, const char* key, const std::optional<T>& value) {
    if (value) {
        out.set(key, VelmoraHostValue(*value));
    }
}

Dictionary attachment(const VelmoraAttachment& a) {
    Dictionary out;
    setIf(out, "id", a.id);
    setIf(out, "fileName", a.fileName);
    setIf(out, "mimeType", a.mimeType);
    setIf(out, "kind", a.kind);
    setIf(out, "sizeBytes", a.sizeBytes);
    setIf(out, "downloadUrl", a.downloadUrl);
    return out;
}

Dictionary message(const VelmoraMessage& m) {
    Dictionary out{{"id", m.id},
                   {"conversationId", m.conversationId},
                   {"direction", m.direction},
                   {"bodyText", m.bodyText},
                   {"sentAt", m.sentAt},
                   {"deliveryStatus", m.deliveryStatus}};
    setIf(out, "authorKind", m.authorKind);
    setIf(out, "bodyMarkdown", m.bodyMarkdown);
    if (m.attachments) {
        VelmoraHostValue::Array attachments;
        for (const auto& a : *m.attachments) {
            attachments.emplace_back(attachment(a));
        }
        out.set("attachments", std::move(attachments));
    }
    if (m.conversationForm) {
        out.set("conversationForm", hostValue(*m.conversationForm));
    }
    if (m.commerceResult) {
        out.set("commerceResult", hostValue(*m.commerceResult));
    }
    return out;
}

Dictionary supportMap(const VelmoraSupport& s) {
    Dictionary out{{"state", s.state}};
    setIf(out, "emailState", s.emailState);
    setIf(out, "handoffAvailability", s.handoffAvailability);
    setIf(out, "handoffOfferState", s.handoffOfferState);
    setIf(out, "handoffOfferReason", s.handoffOfferReason);
    setIf(out, "handoffOfferExpiresAt", s.handoffOfferExpiresAt);
    return out;
}

Dictionary errorMap(const VelmoraError& e) {
    Dictionary out{{"code", std::string(rawValue(e.code()))}, {"message", e.message()}};
    setIf(out, "status", e.status());
    setIf(out, "retryAfterSeconds", e.retryAfterSeconds());
    return out;
}

Dictionary textKeyed(const Dictionary& envelope) {
    Dictionary out;
    for (const auto& [key, value] : envelope.entries()) {
        if (key.ifString()) {
            out.set(key, value);
        }
    }
    return out;
}

constexpr double kTwo63 = 9223372036854775808.0;

} // namespace

Dictionary VelmoraBridgeCodec::session(const VelmoraSession& s) {
    Dictionary out{{"sessionId", s.sessionId}, {"sessionToken", s.sessionToken}};
    setIf(out, "conversationId", s.conversationId);
    return out;
}

Dictionary VelmoraBridgeCodec::acceptedMessage(const VelmoraAcceptedMessage& m) {
    Dictionary out{{"sessionId", m.sessionId}, {"status", m.status}};
    setIf(out, "messageId", m.messageId);
    setIf(out, "conversationId", m.conversationId);
    return out;
}

Dictionary VelmoraBridgeCodec::snapshot(const VelmoraSnapshot& s) {
    VelmoraHostValue::Array messages;
    for (const auto& m : s.messages) {
        messages.emplace_back(message(m));
    }
    Dictionary out{{"sessionId", s.sessionId},
                   {"conversationId", s.conversationId},
                   {"messages", std::move(messages)}};
    if (s.support) {
        out.set("support", supportMap(*s.support));
    }
    if (s.procedureAction) {
        out.set("procedureAction", hostValue(*s.procedureAction));
    }
    if (s.procedureQuickActions) {
        VelmoraHostValue::Array actions;
        for (const auto& action : *s.procedureQuickActions) {
            actions.push_back(hostValue(action));
        }
        out.set("procedureQuickActions", std::move(actions));
    }
    setIf(out, "conversationRevision", s.conversationRevision);
    return out;
}

Dictionary VelmoraBridgeCodec::event(const VelmoraEvent& e) {
    struct Visitor {
        Dictionary operator()(const event::loading& v) const {
            return {{"type", "loading"}, {"state", std::string(rawValue(v.value))}};
        }
        Dictionary operator()(const event::sessionStarted& v) const {
            return {{"type", "session-started"}, {"session", session(v.value)}};
        }
        Dictionary operator()(const event::snapshot& v) const {
            return {{"type", "snapshot"}, {"snapshot", snapshot(v.value())}};
        }
        Dictionary operator()(const event::messageAccepted& v) const {
            return {{"type", "message-accepted"}, {"message", acceptedMessage(v.value)}};
        }
        Dictionary operator()(const event::hostActionRequested& v) const {
            Dictionary request{{"requestId", v.value.requestId()},
                               {"actionId", v.value.actionId()},
                               {"context", hostObject(v.value.context())},
                               {"input", hostObject(v.value.input())}};
            return {{"type", "host-action-requested"}, {"request", std::move(request)}};
        }
        Dictionary operator()(const event::hostActionCancelled& v) const {
            return {{"type", "host-action-cancelled"}, {"requestId", v.requestId}};
        }
        Dictionary operator()(const event::error& v) const {
            return {{"type", "error"}, {"error", errorMap(v.value)}};
        }
        Dictionary operator()(const event::sessionCleared&) const {
            return {{"type", "session-cleared"}};
        }
    };
    return std::visit(Visitor{}, e);
}

Dictionary VelmoraBridgeCodec::configValues(const Dictionary& envelope) {
    if (const auto* config = envelope.find("config")) {
        if (const auto* nested = config->ifDictionary()) {
            return textKeyed(*nested);
        }
    }
    return textKeyed(envelope);
}

Dictionary VelmoraBridgeCodec::operationValues(const Dictionary& envelope) {
    return textKeyed(envelope);
}

std::optional<std::int64_t> VelmoraBridgeCodec::integer(const Dictionary& values,
                                                        std::string_view key) {
    const VelmoraHostValue* value = values.find(key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (const auto* i = value->ifSigned()) {
        return *i < 0 ? -1 : *i;
    }
    if (const auto* u = value->ifUnsigned()) {
        return *u < (std::uint64_t(1) << 63) ? static_cast<std::int64_t>(*u) : -1;
    }
    if (const auto* d = value->ifDouble()) {
        // Range-checked as a double first: converting an out-of-range double is undefined.
        if (std::isfinite(*d) && *d >= 0 && std::trunc(*d) == *d && *d < kTwo63) {
            return static_cast<std::int64_t>(*d);
        }
        return -1;
    }
    return -1;
}

std::optional<double> VelmoraBridgeCodec::duration(const Dictionary& values, std::string_view key) {
    const VelmoraHostValue* value = values.find(key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (const auto* i = value->ifSigned()) {
        return static_cast<double>(*i) / 1000;
    }
    if (const auto* u = value->ifUnsigned()) {
        return static_cast<double>(*u) / 1000;
    }
    if (const auto* d = value->ifDouble()) {
        return *d / 1000;
    }
    return std::numeric_limits<double>::quiet_NaN();
}

std::filesystem::path VelmoraBridgeCodec::outboxURL(std::string_view accountScope) {
    // File systems refuse names over 255 bytes, and every write of such an outbox would fail.
    // A scope whose name would not fit is named by its digest instead. The two forms never
    // meet: a Base64 text is 4n characters long, "sha256-" and 64 hex digits are 71.
    constexpr std::size_t kMaxFileNameBytes = 255;
    std::string encoded = detail::base64Encode(Data(accountScope.begin(), accountScope.end()));
    for (char& c : encoded) {
        if (c == '/') {
            c = '_';
        } else if (c == '+') {
            c = '-';
        }
    }
    std::string name = "outbox-" + encoded + ".json";
    if (name.size() > kMaxFileNameBytes) {
        name = "outbox-sha256-" + detail::sha256Hex(accountScope) + ".json";
    }
    return detail::defaultStoreFileURL(name);
}

} // namespace velmora
