#pragma once

#include "velmora/json_coding.hpp"
#include "velmora/models.hpp"
#include "velmora/types.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// What the client writes down before it sends anything the service must not receive twice: the
// idempotency key and the exact request bytes, so that a retry after a crash or a lost
// connection sends the same bytes with the same key. These are also the stores' file format.
// `requestBody` and attachment bytes are Base64 text in JSON; `createdAt` is ISO 8601 text,
// compared only as text.

/// One outgoing message waiting for the service's acceptance. Identified by `id`.
struct VelmoraOutboxEntry {
    /// The message's idempotency key; the outbox keeps the entry under it.
    std::string id;
    std::string accountScope;
    std::string sessionId;
    /// Exact body of the message POST; a retry sends these bytes unchanged.
    Data requestBody;
    VelmoraMessageInput input;
    /// Creation time; the outbox's order.
    std::string createdAt;
    std::int64_t attempts;

    friend bool operator==(const VelmoraOutboxEntry&, const VelmoraOutboxEntry&) = default;
};

/// One session start waiting for acknowledgement (one per account scope).
struct VelmoraPendingSessionStart {
    std::string accountScope;
    std::string idempotencyKey;
    /// Exact body of the session-start POST.
    Data requestBody;
    VelmoraSessionStartInput input;
    std::string createdAt;

    friend bool operator==(const VelmoraPendingSessionStart&,
                           const VelmoraPendingSessionStart&) = default;
};

/// The upload state of one attachment of an accepted message.
struct VelmoraPendingAttachmentUpload {
    /// The `id` of the attachment's draft.
    std::string clientId;
    /// The upload slot the service granted; absent until granted.
    std::optional<VelmoraAttachmentUploadIntent> intent;
    bool uploaded;

    friend bool operator==(const VelmoraPendingAttachmentUpload&,
                           const VelmoraPendingAttachmentUpload&) = default;
};

/// The attachments of an accepted message that still have to be uploaded (one per account
/// scope).
struct VelmoraPendingAttachmentSend {
    std::string accountScope;
    std::string sessionId;
    /// The identifier the service gave the accepted message.
    std::string messageId;
    std::vector<VelmoraAttachmentDraft> attachments;
    std::vector<VelmoraPendingAttachmentUpload> uploads;
    std::string createdAt;

    friend bool operator==(const VelmoraPendingAttachmentSend&,
                           const VelmoraPendingAttachmentSend&) = default;
};

/// Whether a pending attachment operation starts a session or sends a message.
enum class VelmoraPendingAttachmentOperationKind {
    sessionStart,
    message,
};

/// "sessionStart" or "message".
std::string_view rawValue(VelmoraPendingAttachmentOperationKind kind) noexcept;

/// The kind whose raw value equals `text` exactly (case-sensitive), or nothing.
std::optional<VelmoraPendingAttachmentOperationKind>
velmoraPendingAttachmentOperationKindFromRawValue(std::string_view text) noexcept;

/// A session start or message that carries attachments, from before it is sent until its
/// uploads are done (one per account scope).
struct VelmoraPendingAttachmentOperation {
    std::string accountScope;
    VelmoraPendingAttachmentOperationKind kind;
    std::string idempotencyKey;
    /// Exact body of the request.
    Data requestBody;
    /// The input, for kind `sessionStart`.
    std::optional<VelmoraSessionStartInput> sessionInput;
    /// The input, for kind `message`.
    std::optional<VelmoraMessageInput> messageInput;
    std::vector<VelmoraAttachmentDraft> attachments;
    /// The session, once known.
    std::optional<std::string> sessionId;
    /// The service's identifier of the message, once accepted.
    std::optional<std::string> messageId;
    std::string createdAt;

    /// A copy with `sessionId` set to the given session and `messageId` exactly as given (an
    /// absent `messageId` clears the copy's); every other field unchanged.
    VelmoraPendingAttachmentOperation accepted(std::string sessionId,
                                               std::optional<std::string> messageId) const;

    /// Whether this operation (about to be saved) may replace `stored`, the operation kept for
    /// the account scope. Scope, kind, key, request bytes and attachments must be identical.
    /// A message keeps its session and may only gain its message identifier; a session start
    /// may gain both identifiers but never change or drop one, and only its accepted form
    /// (with a session identifier) may replace it.
    bool canUpdate(const VelmoraPendingAttachmentOperation& stored) const;

    friend bool operator==(const VelmoraPendingAttachmentOperation&,
                           const VelmoraPendingAttachmentOperation&) = default;
};

std::string encodeJSON(const VelmoraOutboxEntry& value);
std::string encodeJSON(const VelmoraPendingSessionStart& value);
std::string encodeJSON(const VelmoraPendingAttachmentUpload& value);
std::string encodeJSON(const VelmoraPendingAttachmentSend& value);
std::string encodeJSON(const VelmoraPendingAttachmentOperation& value);

template <> VelmoraOutboxEntry decodeJSON<VelmoraOutboxEntry>(std::string_view json);
template <>
VelmoraPendingSessionStart decodeJSON<VelmoraPendingSessionStart>(std::string_view json);
template <>
VelmoraPendingAttachmentUpload decodeJSON<VelmoraPendingAttachmentUpload>(std::string_view json);
template <>
VelmoraPendingAttachmentSend decodeJSON<VelmoraPendingAttachmentSend>(std::string_view json);
template <>
VelmoraPendingAttachmentOperation
decodeJSON<VelmoraPendingAttachmentOperation>(std::string_view json);

} // namespace velmora
