#include "client/wire_bodies.hpp"

#include "detail/model_codecs.hpp"

namespace velmora::detail {

json::value Codec<SessionStartRequest>::encode(const SessionStartRequest& v) {
    ObjectWriter w;
    w.field("integrationPublicId", v.integrationPublicId)
        .field("locale", v.locale)
        .field("message", v.message)
        .field("startedAt", v.startedAt)
        .field("prefill", v.prefill)
        .field("metadata", v.metadata)
        .field("timeZone", v.timeZone)
        .field("turnstileToken", v.turnstileToken)
        .field("idempotencyKey", v.idempotencyKey);
    return w.take();
}

json::value Codec<MessageRequest>::encode(const MessageRequest& v) {
    ObjectWriter w;
    w.field("integrationPublicId", v.integrationPublicId)
        .field("locale", v.locale)
        .field("message", v.message)
        .field("startedAt", v.startedAt)
        .field("metadata", v.metadata)
        .field("timeZone", v.timeZone)
        .field("turnstileToken", v.turnstileToken)
        .field("idempotencyKey", v.idempotencyKey);
    return w.take();
}

SessionResponse Codec<SessionResponse>::decode(const json::value& v, const std::string& path) {
    ObjectReader r(v, path);
    return {r.required<bool>("ok"), r.required<std::string>("sessionId"),
            r.optional<std::string>("conversationId"), r.required<std::string>("sessionToken"),
            r.optional<std::string>("messageId")};
}

ResumeResponse Codec<ResumeResponse>::decode(const json::value& v, const std::string& path) {
    ObjectReader r(v, path);
    return {r.required<bool>("ok"), r.optional<std::string>("sessionId"),
            r.optional<std::string>("conversationId"), r.optional<std::string>("sessionToken")};
}

AcceptedResponse Codec<AcceptedResponse>::decode(const json::value& v, const std::string& path) {
    ObjectReader r(v, path);
    return {r.required<bool>("ok"), r.optional<std::string>("sessionId"),
            r.optional<std::string>("conversationId"), r.optional<std::string>("messageId"),
            r.required<std::string>("status")};
}

MessagesResponse Codec<MessagesResponse>::decode(const json::value& v, const std::string& path) {
    ObjectReader r(v, path);
    return {r.required<bool>("ok"),
            r.required<std::string>("sessionId"),
            r.required<std::string>("conversationId"),
            r.required<std::vector<VelmoraMessage>>("messages"),
            r.optional<VelmoraSupport>("support"),
            r.optional<JSONValue>("procedureAction"),
            r.optional<std::vector<JSONValue>>("procedureQuickActions"),
            r.optional<std::int64_t>("conversationRevision")};
}

} // namespace velmora::detail
