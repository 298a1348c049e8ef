#include "velmora/durable_records.hpp"

#include "detail/durable_record_codecs.hpp"
#include "detail/enum_text.hpp"
#include "detail/model_codecs.hpp"

#include <array>
#include <utility>

namespace velmora {
namespace {

constexpr std::array<std::string_view, 2> kKindTexts = {"sessionStart", "message"};

} // namespace

std::string_view rawValue(VelmoraPendingAttachmentOperationKind kind) noexcept {
    return kKindTexts[static_cast<std::size_t>(kind)];
}

std::optional<VelmoraPendingAttachmentOperationKind>
velmoraPendingAttachmentOperationKindFromRawValue(std::string_view text) noexcept {
    return detail::enumFromText<VelmoraPendingAttachmentOperationKind>(kKindTexts, text);
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

} // namespace detail

VELMORA_DEFINE_JSON_CODING(VelmoraOutboxEntry)
VELMORA_DEFINE_JSON_CODING(VelmoraPendingSessionStart)
VELMORA_DEFINE_JSON_CODING(VelmoraPendingAttachmentUpload)
VELMORA_DEFINE_JSON_CODING(VelmoraPendingAttachmentSend)
VELMORA_DEFINE_JSON_CODING(VelmoraPendingAttachmentOperation)

} // namespace velmora
