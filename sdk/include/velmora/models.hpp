#pragma once

#include "velmora/json_coding.hpp"
#include "velmora/json_value.hpp"
#include "velmora/types.hpp"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

namespace detail {
template <class T> struct Codec;
}

// The conversation as the client exchanges it with the host, the widget, the service and the
// durable stores. Field names are also the JSON keys; absent optionals are left out when
// written, and a JSON null reads as absent. Timestamps are ISO 8601 texts kept as received.

/// The session the client holds for one account scope.
struct VelmoraSession {
    std::string sessionId;
    std::optional<std::string> conversationId;
    /// Sent in the "x-velmora-session-token" header.
    std::string sessionToken;

    friend bool operator==(const VelmoraSession&, const VelmoraSession&) = default;
};

/// Visitor details sent with a session start.
struct VelmoraPrefill {
    std::optional<std::string> name;
    std::optional<std::string> email;
    std::optional<std::string> subject;
    std::optional<std::string> message;
    /// At most 500 containers deep, this map counting as one; deeper is refused (`fieldInvalid`).
    std::optional<std::map<std::string, JSONValue>> fields;

    friend bool operator==(const VelmoraPrefill&, const VelmoraPrefill&) = default;
};

/// Starts a session with its first message.
struct VelmoraSessionStartInput {
    std::string message;
    std::optional<std::string> idempotencyKey;
    std::optional<VelmoraPrefill> prefill;
    /// At most 500 containers deep, this map counting as one; deeper is refused (`fieldInvalid`).
    std::optional<std::map<std::string, JSONValue>> metadata;
    std::optional<std::string> timeZone;
    /// When absent, the configuration's token is sent.
    std::optional<std::string> turnstileToken;
    std::optional<std::string> startedAt;

    friend bool operator==(const VelmoraSessionStartInput&,
                           const VelmoraSessionStartInput&) = default;
};

/// Sends one message in an existing session. Note `startedAt` comes third here.
struct VelmoraMessageInput {
    std::string text;
    std::optional<std::string> idempotencyKey;
    std::optional<std::string> startedAt;
    /// At most 500 containers deep, this map counting as one; deeper is refused (`fieldInvalid`).
    std::optional<std::map<std::string, JSONValue>> metadata;
    std::optional<std::string> timeZone;
    std::optional<std::string> turnstileToken;

    friend bool operator==(const VelmoraMessageInput&, const VelmoraMessageInput&) = default;
};

/// An attachment of a received message as the service reports it; every field may be missing.
struct VelmoraAttachment {
    std::optional<std::string> id;
    std::optional<std::string> fileName;
    std::optional<std::string> mimeType;
    std::optional<std::string> kind;
    std::optional<std::int64_t> sizeBytes;
    std::optional<std::string> downloadUrl;

    friend bool operator==(const VelmoraAttachment&, const VelmoraAttachment&) = default;
};

/// A file attached to an outgoing message or session start, before upload. Identified by `id`
/// (the upload intent's `clientId`). `data` is Base64 text in JSON.
struct VelmoraAttachmentDraft {
    std::string id;
    std::string fileName;
    std::string mimeType;
    std::string kind;
    Data data;

    /// Stores `mimeType` lower-cased (full Unicode case mapping); every other field as given.
    VelmoraAttachmentDraft(std::string id, std::string fileName, std::string mimeType,
                           std::string kind, Data data);

    friend bool operator==(const VelmoraAttachmentDraft&, const VelmoraAttachmentDraft&) = default;

private:
    // Decoding keeps the media type exactly as stored, so it bypasses the lower-casing.
    friend struct detail::Codec<VelmoraAttachmentDraft>;
    struct Verbatim {};
    VelmoraAttachmentDraft(Verbatim, std::string id, std::string fileName, std::string mimeType,
                           std::string kind, Data data);
};

/// An upload slot the service grants for one draft.
struct VelmoraAttachmentUploadIntent {
    std::string clientId;
    std::string attachmentId;
    std::string uploadUrl;
    /// Sent in the "x-velmora-upload-token" header of the upload.
    std::string uploadToken;
    std::string expiresAt;

    friend bool operator==(const VelmoraAttachmentUploadIntent&,
                           const VelmoraAttachmentUploadIntent&) = default;
};

/// One message of the conversation, identified by `id`.
struct VelmoraMessage {
    std::string id;
    std::string conversationId;
    /// "outbound" or "inbound".
    std::string direction;
    /// "customer", "ai", "teammate", or another word of the service's.
    std::optional<std::string> authorKind;
    std::string bodyText;
    std::optional<std::string> bodyMarkdown;
    std::string sentAt;
    std::string deliveryStatus;
    std::optional<std::vector<VelmoraAttachment>> attachments;
    /// A form the message asks the visitor to fill in, as the service sent it.
    std::optional<JSONValue> conversationForm;
    /// Stores, orders or an order's details, as the service sent them.
    std::optional<JSONValue> commerceResult;

    friend bool operator==(const VelmoraMessage&, const VelmoraMessage&) = default;
};

/// The conversation's support and hand-off state.
struct VelmoraSupport {
    /// Waiting for the assistant stops at "waiting-for-teammate" and "teammate-joined".
    std::string state;
    std::optional<std::string> emailState;
    std::optional<std::string> handoffAvailability;
    std::optional<std::string> handoffOfferState;
    std::optional<std::string> handoffOfferReason;
    std::optional<std::string> handoffOfferExpiresAt;

    friend bool operator==(const VelmoraSupport&, const VelmoraSupport&) = default;
};

/// The conversation as last read from the service.
struct VelmoraSnapshot {
    std::string sessionId;
    std::string conversationId;
    /// In the service's order; may be empty.
    std::vector<VelmoraMessage> messages;
    std::optional<VelmoraSupport> support;
    /// The running procedure's current step, as the service sent it.
    std::optional<JSONValue> procedureAction;
    /// Procedures the visitor can start with one tap, as the service sent them.
    std::optional<std::vector<JSONValue>> procedureQuickActions;
    std::optional<std::int64_t> conversationRevision;

    friend bool operator==(const VelmoraSnapshot&, const VelmoraSnapshot&) = default;
};

/// The service's acknowledgement of a sent message.
struct VelmoraAcceptedMessage {
    std::optional<std::string> messageId;
    std::string sessionId;
    std::optional<std::string> conversationId;
    std::string status;

    friend bool operator==(const VelmoraAcceptedMessage&, const VelmoraAcceptedMessage&) = default;
};

std::string encodeJSON(const VelmoraSession& value);
std::string encodeJSON(const VelmoraPrefill& value);
std::string encodeJSON(const VelmoraSessionStartInput& value);
std::string encodeJSON(const VelmoraMessageInput& value);
std::string encodeJSON(const VelmoraAttachment& value);
std::string encodeJSON(const VelmoraAttachmentDraft& value);
std::string encodeJSON(const VelmoraAttachmentUploadIntent& value);
std::string encodeJSON(const VelmoraMessage& value);
std::string encodeJSON(const VelmoraSupport& value);
std::string encodeJSON(const VelmoraSnapshot& value);
std::string encodeJSON(const VelmoraAcceptedMessage& value);

template <> VelmoraSession decodeJSON<VelmoraSession>(std::string_view json);
template <> VelmoraPrefill decodeJSON<VelmoraPrefill>(std::string_view json);
template <> VelmoraSessionStartInput decodeJSON<VelmoraSessionStartInput>(std::string_view json);
template <> VelmoraMessageInput decodeJSON<VelmoraMessageInput>(std::string_view json);
template <> VelmoraAttachment decodeJSON<VelmoraAttachment>(std::string_view json);
template <> VelmoraAttachmentDraft decodeJSON<VelmoraAttachmentDraft>(std::string_view json);
template <>
VelmoraAttachmentUploadIntent decodeJSON<VelmoraAttachmentUploadIntent>(std::string_view json);
template <> VelmoraMessage decodeJSON<VelmoraMessage>(std::string_view json);
template <> VelmoraSupport decodeJSON<VelmoraSupport>(std::string_view json);
template <> VelmoraSnapshot decodeJSON<VelmoraSnapshot>(std::string_view json);
template <> VelmoraAcceptedMessage decodeJSON<VelmoraAcceptedMessage>(std::string_view json);

} // namespace velmora
