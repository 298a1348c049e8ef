#pragma once

// The conversation records' codecs, for records that embed them (durable intents, events): each
// record's JSON is its fields, written and read by the described-record codec.

#include "detail/record_codec.hpp"
#include "velmora/models.hpp"

#include <boost/describe/class.hpp>

#include <string>

namespace velmora {

BOOST_DESCRIBE_STRUCT(VelmoraSession, (), (sessionId, conversationId, sessionToken))
BOOST_DESCRIBE_STRUCT(VelmoraPrefill, (), (name, email, subject, message, fields))
BOOST_DESCRIBE_STRUCT(VelmoraSessionStartInput, (),
                      (message, idempotencyKey, prefill, metadata, timeZone, turnstileToken,
                       startedAt))
BOOST_DESCRIBE_STRUCT(VelmoraMessageInput, (),
                      (text, idempotencyKey, startedAt, metadata, timeZone, turnstileToken))
BOOST_DESCRIBE_STRUCT(VelmoraAttachment, (), (id, fileName, mimeType, kind, sizeBytes, downloadUrl))
BOOST_DESCRIBE_STRUCT(VelmoraAttachmentDraft, (), (id, fileName, mimeType, kind, data))
BOOST_DESCRIBE_STRUCT(VelmoraAttachmentUploadIntent, (),
                      (clientId, attachmentId, uploadUrl, uploadToken, expiresAt))
BOOST_DESCRIBE_STRUCT(VelmoraMessage, (),
                      (id, conversationId, direction, authorKind, bodyText, bodyMarkdown, sentAt,
                       deliveryStatus, attachments, conversationForm, commerceResult))
BOOST_DESCRIBE_STRUCT(VelmoraSupport, (),
                      (state, emailState, handoffAvailability, handoffOfferState,
                       handoffOfferReason, handoffOfferExpiresAt))
BOOST_DESCRIBE_STRUCT(VelmoraSnapshot, (),
                      (sessionId, conversationId, messages, support, procedureAction,
                       procedureQuickActions, conversationRevision))
BOOST_DESCRIBE_STRUCT(VelmoraAcceptedMessage, (), (messageId, sessionId, conversationId, status))

} // namespace velmora

namespace velmora::detail {

// Decoding keeps a stored draft's media type verbatim instead of lower-casing it again.
template <> struct Codec<VelmoraAttachmentDraft> {
    static json::value encode(const VelmoraAttachmentDraft& value) { return encodeFields(value); }
    static VelmoraAttachmentDraft decode(const json::value& value, const std::string& path);
};

} // namespace velmora::detail
