#pragma once

#include "detail/json_codec.hpp"
#include "velmora/models.hpp"

#include <optional>
#include <string>
#include <vector>

// The JSON the client exchanges with the widget API. Request bodies are written canonically
// (sorted keys) by the request pipeline; answers are read strictly, unknown members ignored.
namespace velmora::detail {

struct SessionStartRequest {
    std::string integrationPublicId;
    std::string locale;
    std::string message;
    std::string startedAt;
    std::optional<VelmoraPrefill> prefill;
    std::optional<std::map<std::string, JSONValue>> metadata;
    std::optional<std::string> timeZone;
    std::optional<std::string> turnstileToken;
    std::string idempotencyKey;
};

struct MessageRequest {
    std::string integrationPublicId;
    std::string locale;
    std::string message;
    std::string startedAt;
    std::optional<std::map<std::string, JSONValue>> metadata;
    std::optional<std::string> timeZone;
    std::optional<std::string> turnstileToken;
    std::string idempotencyKey;
};

struct SessionResponse {
    bool ok = false;
    std::string sessionId;
    std::optional<std::string> conversationId;
    std::string sessionToken;
    std::optional<std::string> messageId;
};

struct ResumeResponse {
    bool ok = false;
    std::optional<std::string> sessionId;
    std::optional<std::string> conversationId;
    std::optional<std::string> sessionToken;
};

struct AcceptedResponse {
    bool ok = false;
    std::optional<std::string> sessionId;
    std::optional<std::string> conversationId;
    std::optional<std::string> messageId;
    std::string status;
};

struct MessagesResponse {
    bool ok = false;
    std::string sessionId;
    std::string conversationId;
    std::vector<VelmoraMessage> messages;
    std::optional<VelmoraSupport> support;
    std::optional<JSONValue> procedureAction;
    std::optional<std::vector<JSONValue>> procedureQuickActions;
    std::optional<std::int64_t> conversationRevision;
};

template <> struct Codec<SessionStartRequest> {
    static json::value encode(const SessionStartRequest& v);
};
template <> struct Codec<MessageRequest> { static json::value encode(const MessageRequest& v); };
template <> struct Codec<SessionResponse> {
    static SessionResponse decode(const json::value& v, const std::string& path);
};
template <> struct Codec<ResumeResponse> {
    static ResumeResponse decode(const json::value& v, const std::string& path);
};
template <> struct Codec<AcceptedResponse> {
    static AcceptedResponse decode(const json::value& v, const std::string& path);
};
template <> struct Codec<MessagesResponse> {
    static MessagesResponse decode(const json::value& v, const std::string& path);
};

} // namespace velmora::detail
