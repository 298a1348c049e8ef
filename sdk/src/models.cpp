#include "velmora/models.hpp"

#include "detail/model_codecs.hpp"
#include "detail/text.hpp"

#include <utility>

namespace velmora {

VelmoraAttachmentDraft::VelmoraAttachmentDraft(std::string id, std::string fileName,
                                               std::string mimeType, std::string kind, Data data)
    : id(std::move(id)), fileName(std::move(fileName)),
      mimeType(detail::text::lowercased(mimeType)), kind(std::move(kind)), data(std::move(data)) {}

VelmoraAttachmentDraft::VelmoraAttachmentDraft(Verbatim, std::string id, std::string fileName,
                                               std::string mimeType, std::string kind, Data data)
    : id(std::move(id)), fileName(std::move(fileName)), mimeType(std::move(mimeType)),
      kind(std::move(kind)), data(std::move(data)) {}

namespace detail {

// Decoders build each record from a braced list, so members are read in declaration order and
// the first bad key is the one reported.

json::value Codec<VelmoraSession>::encode(const VelmoraSession& value) {
    return ObjectWriter()
        .field("sessionId", value.sessionId)
        .field("conversationId", value.conversationId)
        .field("sessionToken", value.sessionToken)
        .take();
}

VelmoraSession Codec<VelmoraSession>::decode(const json::value& value, const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraSession{
        reader.required<std::string>("sessionId"),
        reader.optional<std::string>("conversationId"),
        reader.required<std::string>("sessionToken"),
    };
}

json::value Codec<VelmoraPrefill>::encode(const VelmoraPrefill& value) {
    return ObjectWriter()
        .field("name", value.name)
        .field("email", value.email)
        .field("subject", value.subject)
        .field("message", value.message)
        .field("fields", value.fields)
        .take();
}

VelmoraPrefill Codec<VelmoraPrefill>::decode(const json::value& value, const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraPrefill{
        reader.optional<std::string>("name"),
        reader.optional<std::string>("email"),
        reader.optional<std::string>("subject"),
        reader.optional<std::string>("message"),
        reader.optional<std::map<std::string, JSONValue>>("fields"),
    };
}

json::value Codec<VelmoraSessionStartInput>::encode(const VelmoraSessionStartInput& value) {
    return ObjectWriter()
        .field("message", value.message)
        .field("idempotencyKey", value.idempotencyKey)
        .field("prefill", value.prefill)
        .field("metadata", value.metadata)
        .field("timeZone", value.timeZone)
        .field("turnstileToken", value.turnstileToken)
        .field("startedAt", value.startedAt)
        .take();
}

VelmoraSessionStartInput Codec<VelmoraSessionStartInput>::decode(const json::value& value,
                                                                 const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraSessionStartInput{
        reader.required<std::string>("message"),
        reader.optional<std::string>("idempotencyKey"),
        reader.optional<VelmoraPrefill>("prefill"),
        reader.optional<std::map<std::string, JSONValue>>("metadata"),
        reader.optional<std::string>("timeZone"),
        reader.optional<std::string>("turnstileToken"),
        reader.optional<std::string>("startedAt"),
    };
}

json::value Codec<VelmoraMessageInput>::encode(const VelmoraMessageInput& value) {
    return ObjectWriter()
        .field("text", value.text)
        .field("idempotencyKey", value.idempotencyKey)
        .field("startedAt", value.startedAt)
        .field("metadata", value.metadata)
        .field("timeZone", value.timeZone)
        .field("turnstileToken", value.turnstileToken)
        .take();
}

VelmoraMessageInput Codec<VelmoraMessageInput>::decode(const json::value& value,
                                                       const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraMessageInput{
        reader.required<std::string>("text"),
        reader.optional<std::string>("idempotencyKey"),
        reader.optional<std::string>("startedAt"),
        reader.optional<std::map<std::string, JSONValue>>("metadata"),
        reader.optional<std::string>("timeZone"),
        reader.optional<std::string>("turnstileToken"),
    };
}

json::value Codec<VelmoraAttachment>::encode(const VelmoraAttachment& value) {
    return ObjectWriter()
        .field("id", value.id)
        .field("fileName", value.fileName)
        .field("mimeType", value.mimeType)
        .field("kind", value.kind)
        .field("sizeBytes", value.sizeBytes)
        .field("downloadUrl", value.downloadUrl)
        .take();
}

VelmoraAttachment Codec<VelmoraAttachment>::decode(const json::value& value,
                                                   const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraAttachment{
        reader.optional<std::string>("id"),         reader.optional<std::string>("fileName"),
        reader.optional<std::string>("mimeType"),   reader.optional<std::string>("kind"),
        reader.optional<std::int64_t>("sizeBytes"), reader.optional<std::string>("downloadUrl"),
    };
}

json::value Codec<VelmoraAttachmentDraft>::encode(const VelmoraAttachmentDraft& value) {
    return ObjectWriter()
        .field("id", value.id)
        .field("fileName", value.fileName)
        .field("mimeType", value.mimeType)
        .field("kind", value.kind)
        .field("data", value.data)
        .take();
}

VelmoraAttachmentDraft Codec<VelmoraAttachmentDraft>::decode(const json::value& value,
                                                             const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraAttachmentDraft{
        VelmoraAttachmentDraft::Verbatim{},       reader.required<std::string>("id"),
        reader.required<std::string>("fileName"), reader.required<std::string>("mimeType"),
        reader.required<std::string>("kind"),     reader.required<Data>("data"),
    };
}

json::value
Codec<VelmoraAttachmentUploadIntent>::encode(const VelmoraAttachmentUploadIntent& value) {
    return ObjectWriter()
        .field("clientId", value.clientId)
        .field("attachmentId", value.attachmentId)
        .field("uploadUrl", value.uploadUrl)
        .field("uploadToken", value.uploadToken)
        .field("expiresAt", value.expiresAt)
        .take();
}

VelmoraAttachmentUploadIntent
Codec<VelmoraAttachmentUploadIntent>::decode(const json::value& value, const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraAttachmentUploadIntent{
        reader.required<std::string>("clientId"),  reader.required<std::string>("attachmentId"),
        reader.required<std::string>("uploadUrl"), reader.required<std::string>("uploadToken"),
        reader.required<std::string>("expiresAt"),
    };
}

json::value Codec<VelmoraMessage>::encode(const VelmoraMessage& value) {
    return ObjectWriter()
        .field("id", value.id)
        .field("conversationId", value.conversationId)
        .field("direction", value.direction)
        .field("authorKind", value.authorKind)
        .field("bodyText", value.bodyText)
        .field("bodyMarkdown", value.bodyMarkdown)
        .field("sentAt", value.sentAt)
        .field("deliveryStatus", value.deliveryStatus)
        .field("attachments", value.attachments)
        .field("conversationForm", value.conversationForm)
        .field("commerceResult", value.commerceResult)
        .take();
}

VelmoraMessage Codec<VelmoraMessage>::decode(const json::value& value, const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraMessage{
        reader.required<std::string>("id"),
        reader.required<std::string>("conversationId"),
        reader.required<std::string>("direction"),
        reader.optional<std::string>("authorKind"),
        reader.required<std::string>("bodyText"),
        reader.optional<std::string>("bodyMarkdown"),
        reader.required<std::string>("sentAt"),
        reader.required<std::string>("deliveryStatus"),
        reader.optional<std::vector<VelmoraAttachment>>("attachments"),
        reader.optional<JSONValue>("conversationForm"),
        reader.optional<JSONValue>("commerceResult"),
    };
}

json::value Codec<VelmoraSupport>::encode(const VelmoraSupport& value) {
    return ObjectWriter()
        .field("state", value.state)
        .field("emailState", value.emailState)
        .field("handoffAvailability", value.handoffAvailability)
        .field("handoffOfferState", value.handoffOfferState)
        .field("handoffOfferReason", value.handoffOfferReason)
        .field("handoffOfferExpiresAt", value.handoffOfferExpiresAt)
        .take();
}

VelmoraSupport Codec<VelmoraSupport>::decode(const json::value& value, const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraSupport{
        reader.required<std::string>("state"),
        reader.optional<std::string>("emailState"),
        reader.optional<std::string>("handoffAvailability"),
        reader.optional<std::string>("handoffOfferState"),
        reader.optional<std::string>("handoffOfferReason"),
        reader.optional<std::string>("handoffOfferExpiresAt"),
    };
}

json::value Codec<VelmoraSnapshot>::encode(const VelmoraSnapshot& value) {
    return ObjectWriter()
        .field("sessionId", value.sessionId)
        .field("conversationId", value.conversationId)
        .field("messages", value.messages)
        .field("support", value.support)
        .field("procedureAction", value.procedureAction)
        .field("procedureQuickActions", value.procedureQuickActions)
        .field("conversationRevision", value.conversationRevision)
        .take();
}

VelmoraSnapshot Codec<VelmoraSnapshot>::decode(const json::value& value, const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraSnapshot{
        reader.required<std::string>("sessionId"),
        reader.required<std::string>("conversationId"),
        reader.required<std::vector<VelmoraMessage>>("messages"),
        reader.optional<VelmoraSupport>("support"),
        reader.optional<JSONValue>("procedureAction"),
        reader.optional<std::vector<JSONValue>>("procedureQuickActions"),
        reader.optional<std::int64_t>("conversationRevision"),
    };
}

json::value Codec<VelmoraAcceptedMessage>::encode(const VelmoraAcceptedMessage& value) {
    return ObjectWriter()
        .field("messageId", value.messageId)
        .field("sessionId", value.sessionId)
        .field("conversationId", value.conversationId)
        .field("status", value.status)
        .take();
}

VelmoraAcceptedMessage Codec<VelmoraAcceptedMessage>::decode(const json::value& value,
                                                             const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraAcceptedMessage{
        reader.optional<std::string>("messageId"),
        reader.required<std::string>("sessionId"),
        reader.optional<std::string>("conversationId"),
        reader.required<std::string>("status"),
    };
}

} // namespace detail

VELMORA_DEFINE_JSON_CODING(VelmoraSession)
VELMORA_DEFINE_JSON_CODING(VelmoraPrefill)
VELMORA_DEFINE_JSON_CODING(VelmoraSessionStartInput)
VELMORA_DEFINE_JSON_CODING(VelmoraMessageInput)
VELMORA_DEFINE_JSON_CODING(VelmoraAttachment)
VELMORA_DEFINE_JSON_CODING(VelmoraAttachmentDraft)
VELMORA_DEFINE_JSON_CODING(VelmoraAttachmentUploadIntent)
VELMORA_DEFINE_JSON_CODING(VelmoraMessage)
VELMORA_DEFINE_JSON_CODING(VelmoraSupport)
VELMORA_DEFINE_JSON_CODING(VelmoraSnapshot)
VELMORA_DEFINE_JSON_CODING(VelmoraAcceptedMessage)

} // namespace velmora
