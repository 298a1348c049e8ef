#include "velmora/durable_records.hpp"

#include "detail/durable_record_codecs.hpp"
#include "detail/model_codecs.hpp"

#include <utility>

namespace velmora {

std::string_view rawValue(VelmoraPendingAttachmentOperationKind kind) noexcept {
    switch (kind) {
    case VelmoraPendingAttachmentOperationKind::sessionStart:
        return "sessionStart";
    case VelmoraPendingAttachmentOperationKind::message:
        return "message";
    }
    return "message";
}

std::optional<VelmoraPendingAttachmentOperationKind>
velmoraPendingAttachmentOperationKindFromRawValue(std::string_view text) noexcept {
    for (auto kind : {VelmoraPendingAttachmentOperationKind::sessionStart,
                      VelmoraPendingAttachmentOperationKind::message}) {
        if (rawValue(kind) == text) {
            return kind;
        }
    }
    return std::nullopt;
}

VelmoraPendingAttachmentOperation
VelmoraPendingAttachmentOperation::accepted(std::string sessionId,
                                            std::optional<std::string> messageId) const {
    VelmoraPendingAttachmentOperation copy = *this;
    copy.sessionId = std::move(sessionId);
    copy.messageId = std::move(messageId);
    return copy;
}

bool VelmoraPendingAttachmentOperation::canUpdate(
    const VelmoraPendingAttachmentOperation& stored) const {
    // The inputs and createdAt may differ: the bytes already sent are what identify the request.
    if (accountScope != stored.accountScope || kind != stored.kind ||
        idempotencyKey != stored.idempotencyKey || requestBody != stored.requestBody ||
        attachments != stored.attachments) {
        return false;
    }
    switch (kind) {
    case VelmoraPendingAttachmentOperationKind::message:
        if (sessionId != stored.sessionId) {
            return false;
        }
        return !stored.messageId || messageId == stored.messageId;
    case VelmoraPendingAttachmentOperationKind::sessionStart:
        // Identifiers may be filled in, never changed or dropped; only the accepted form (with
        // its new session) replaces a stored start.
        if (stored.sessionId && sessionId != stored.sessionId) {
            return false;
        }
        if (stored.messageId && messageId != stored.messageId) {
            return false;
        }
        return sessionId.has_value();
    }
    return false;
}

namespace detail {

json::value Codec<VelmoraOutboxEntry>::encode(const VelmoraOutboxEntry& value) {
    return ObjectWriter()
        .field("id", value.id)
        .field("accountScope", value.accountScope)
        .field("sessionId", value.sessionId)
        .field("requestBody", value.requestBody)
        .field("input", value.input)
        .field("createdAt", value.createdAt)
        .field("attempts", value.attempts)
        .take();
}

VelmoraOutboxEntry Codec<VelmoraOutboxEntry>::decode(const json::value& value,
                                                     const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraOutboxEntry{
        reader.required<std::string>("id"),
        reader.required<std::string>("accountScope"),
        reader.required<std::string>("sessionId"),
        reader.required<Data>("requestBody"),
        reader.required<VelmoraMessageInput>("input"),
        reader.required<std::string>("createdAt"),
        reader.required<std::int64_t>("attempts"),
    };
}

json::value Codec<VelmoraPendingSessionStart>::encode(const VelmoraPendingSessionStart& value) {
    return ObjectWriter()
        .field("accountScope", value.accountScope)
        .field("idempotencyKey", value.idempotencyKey)
        .field("requestBody", value.requestBody)
        .field("input", value.input)
        .field("createdAt", value.createdAt)
        .take();
}

VelmoraPendingSessionStart Codec<VelmoraPendingSessionStart>::decode(const json::value& value,
                                                                     const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraPendingSessionStart{
        reader.required<std::string>("accountScope"),
        reader.required<std::string>("idempotencyKey"),
        reader.required<Data>("requestBody"),
        reader.required<VelmoraSessionStartInput>("input"),
        reader.required<std::string>("createdAt"),
    };
}

json::value
Codec<VelmoraPendingAttachmentUpload>::encode(const VelmoraPendingAttachmentUpload& value) {
    return ObjectWriter()
        .field("clientId", value.clientId)
        .field("intent", value.intent)
        .field("uploaded", value.uploaded)
        .take();
}

VelmoraPendingAttachmentUpload
Codec<VelmoraPendingAttachmentUpload>::decode(const json::value& value, const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraPendingAttachmentUpload{
        reader.required<std::string>("clientId"),
        reader.optional<VelmoraAttachmentUploadIntent>("intent"),
        reader.required<bool>("uploaded"),
    };
}

json::value Codec<VelmoraPendingAttachmentSend>::encode(const VelmoraPendingAttachmentSend& value) {
    return ObjectWriter()
        .field("accountScope", value.accountScope)
        .field("sessionId", value.sessionId)
        .field("messageId", value.messageId)
        .field("attachments", value.attachments)
        .field("uploads", value.uploads)
        .field("createdAt", value.createdAt)
        .take();
}

VelmoraPendingAttachmentSend Codec<VelmoraPendingAttachmentSend>::decode(const json::value& value,
                                                                         const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraPendingAttachmentSend{
        reader.required<std::string>("accountScope"),
        reader.required<std::string>("sessionId"),
        reader.required<std::string>("messageId"),
        reader.required<std::vector<VelmoraAttachmentDraft>>("attachments"),
        reader.required<std::vector<VelmoraPendingAttachmentUpload>>("uploads"),
        reader.required<std::string>("createdAt"),
    };
}

json::value Codec<VelmoraPendingAttachmentOperationKind>::encode(
    const VelmoraPendingAttachmentOperationKind& value) {
    return json::string(rawValue(value));
}

VelmoraPendingAttachmentOperationKind
Codec<VelmoraPendingAttachmentOperationKind>::decode(const json::value& value,
                                                     const std::string& path) {
    const auto text = Codec<std::string>::decode(value, path);
    if (auto kind = velmoraPendingAttachmentOperationKindFromRawValue(text)) {
        return *kind;
    }
    throwDecoding(VelmoraDecodingError::Kind::dataCorrupted, path,
                  "Cannot initialize VelmoraPendingAttachmentOperationKind from invalid value \"" +
                      text + "\".");
}

json::value
Codec<VelmoraPendingAttachmentOperation>::encode(const VelmoraPendingAttachmentOperation& value) {
    return ObjectWriter()
        .field("accountScope", value.accountScope)
        .field("kind", value.kind)
        .field("idempotencyKey", value.idempotencyKey)
        .field("requestBody", value.requestBody)
        .field("sessionInput", value.sessionInput)
        .field("messageInput", value.messageInput)
        .field("attachments", value.attachments)
        .field("sessionId", value.sessionId)
        .field("messageId", value.messageId)
        .field("createdAt", value.createdAt)
        .take();
}

VelmoraPendingAttachmentOperation
Codec<VelmoraPendingAttachmentOperation>::decode(const json::value& value,
                                                 const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraPendingAttachmentOperation{
        reader.required<std::string>("accountScope"),
        reader.required<VelmoraPendingAttachmentOperationKind>("kind"),
        reader.required<std::string>("idempotencyKey"),
        reader.required<Data>("requestBody"),
        reader.optional<VelmoraSessionStartInput>("sessionInput"),
        reader.optional<VelmoraMessageInput>("messageInput"),
        reader.required<std::vector<VelmoraAttachmentDraft>>("attachments"),
        reader.optional<std::string>("sessionId"),
        reader.optional<std::string>("messageId"),
        reader.required<std::string>("createdAt"),
    };
}

} // namespace detail

VELMORA_DEFINE_JSON_CODING(VelmoraOutboxEntry)
VELMORA_DEFINE_JSON_CODING(VelmoraPendingSessionStart)
VELMORA_DEFINE_JSON_CODING(VelmoraPendingAttachmentUpload)
VELMORA_DEFINE_JSON_CODING(VelmoraPendingAttachmentSend)
VELMORA_DEFINE_JSON_CODING(VelmoraPendingAttachmentOperation)

} // namespace velmora
