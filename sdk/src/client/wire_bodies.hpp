#pragma once

#include "detail/model_codecs.hpp"
#include "detail/record_codec.hpp"
#include "velmora/configuration.hpp"
#include "velmora/models.hpp"

#include <boost/describe/class.hpp>

#include <optional>
#include <string>
#include <vector>

// The JSON the client exchanges with the widget API. Request bodies are written canonically
// (sorted keys) by the request pipeline; answers are read strictly, unknown members ignored.
// Each body is its fields, written and read by the described-record codec.
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

/// The exact bytes of a session start, from an input whose key and start time are filled in; the
/// text is trimmed and a missing anti-bot token falls back to the configuration's. Every stored
/// and every sent start body comes from here, so the two can never differ.
Data encodeSessionStartBody(const VelmoraConfiguration& configuration,
                            const VelmoraSessionStartInput& completed);
/// The same for a message.
Data encodeMessageBody(const VelmoraConfiguration& configuration,
                       const VelmoraMessageInput& completed);

BOOST_DESCRIBE_STRUCT(SessionStartRequest, (),
                      (integrationPublicId, locale, message, startedAt, prefill, metadata, timeZone,
                       turnstileToken, idempotencyKey))
BOOST_DESCRIBE_STRUCT(MessageRequest, (),
                      (integrationPublicId, locale, message, startedAt, metadata, timeZone,
                       turnstileToken, idempotencyKey))
BOOST_DESCRIBE_STRUCT(SessionResponse, (), (ok, sessionId, conversationId, sessionToken, messageId))
BOOST_DESCRIBE_STRUCT(ResumeResponse, (), (ok, sessionId, conversationId, sessionToken))
BOOST_DESCRIBE_STRUCT(AcceptedResponse, (), (ok, sessionId, conversationId, messageId, status))
BOOST_DESCRIBE_STRUCT(MessagesResponse, (),
                      (ok, sessionId, conversationId, messages, support, procedureAction,
                       procedureQuickActions, conversationRevision))

} // namespace velmora::detail
