#include "client/client_core.hpp"

#include "client/attachment_rules.hpp"
#include "client/wire_bodies.hpp"
#include "detail/date_time.hpp"
#include "detail/text.hpp"
#include "detail/uuid.hpp"
#include "input_validation.hpp"

#include <chrono>
#include <type_traits>

namespace velmora::detail {
namespace {

std::string now() {
    return formatInternetDateTime(std::chrono::system_clock::now());
}

/// What both sends do to their input first. The anti-bot token is filled in here too, so the
/// stored input alone rebuilds the very bytes that were sent, whatever the configuration of a
/// later run.
template <class Input>
void complete(Input& input, std::string& text, bool hasFiles, const ClientCore& core) {
    if (hasFiles && text::trimmed(text).empty())
        text = core.attachmentOnlyMessageText();
    if (!input.idempotencyKey)
        input.idempotencyKey = uuidString();
    // Without files the plain start fills the time itself, reusing the one stored with an
    // unacknowledged start of the same key: stamping "now" here would make a host's retry of
    // that start differ from the stored bytes and be refused.
    if (!input.startedAt && (hasFiles || !std::is_same_v<Input, VelmoraSessionStartInput>))
        input.startedAt = now();
    if (!input.turnstileToken)
        input.turnstileToken = core.configuration().turnstileToken();
}

} // namespace

std::string ClientCore::attachmentOnlyMessageText() const {
    const auto& locale = configuration_.locale();
    if (locale == "uk")
        return "Прикріплено файл";
    if (locale == "de")
        return "Datei angehängt";
    if (locale == "es")
        return "Archivo adjunto";
    return "Attached file";
}

ClientCore::Task<void> ClientCore::removePendingAttachmentOperation() {
    const std::int64_t noted = generation_;
    co_await persistenceLock_.acquire();
    PersistenceLockHold hold(persistenceLock_);
    // A reset or a new session meanwhile: what is stored is no longer this call's to remove.
    if (generation_ == noted)
        co_await pendingAttachmentOperations_->remove(configuration_.accountScope());
}

ClientCore::Task<VelmoraSession>
ClientCore::startSession(VelmoraSessionStartInput input,
                         std::vector<VelmoraAttachmentDraft> attachments) {
    checkResetGuard();
    complete(input, input.message, !attachments.empty(), *this);
    if (attachments.empty())
        co_return co_await startSession(std::move(input));

    MutationClaim claim(*this, VelmoraMutationOwner::attachment);
    validateAttachments(attachments);
    VelmoraInputValidation::requireIdempotencyKey(*input.idempotencyKey);
    VelmoraInputValidation::requireSessionStartInput(input);

    const Data body = encodeSessionStartBody(configuration_, input);
    const VelmoraPendingAttachmentOperation record{
        configuration_.accountScope(),
        VelmoraPendingAttachmentOperationKind::sessionStart,
        *input.idempotencyKey,
        body,
        input,
        std::nullopt,
        attachments,
        std::nullopt,
        std::nullopt,
        now()};
    co_await savePendingAttachmentOperation(record, generation_);

    auto session = co_await startSessionMutation(input, body);
    co_await savePendingAttachmentOperation(
        record.accepted(session.sessionId, lastCustomerMessageId_), generation_);
    if (!lastCustomerMessageId_) {
        throw VelmoraError(VelmoraErrorCode::http, std::nullopt, std::nullopt,
                           "The accepted session did not include a message id.");
    }
    co_await uploadAttachmentsMutation(attachments, *lastCustomerMessageId_);
    co_await removePendingAttachmentOperation();
    co_return session;
}

ClientCore::Task<VelmoraAcceptedMessage>
ClientCore::sendMessage(VelmoraMessageInput input,
                        std::vector<VelmoraAttachmentDraft> attachments) {
    complete(input, input.text, !attachments.empty(), *this);
    if (attachments.empty())
        co_return co_await sendMessage(std::move(input));

    checkResetGuard();
    MutationClaim claim(*this, VelmoraMutationOwner::attachment);
    validateAttachments(attachments);
    VelmoraInputValidation::requireIdempotencyKey(*input.idempotencyKey);
    VelmoraInputValidation::requireMessageInput(input);
    if (!session_) {
        throw VelmoraError(VelmoraErrorCode::sessionExpired, std::nullopt, std::nullopt,
                           "Start or resume a session first.");
    }

    const VelmoraPendingAttachmentOperation record{configuration_.accountScope(),
                                                   VelmoraPendingAttachmentOperationKind::message,
                                                   *input.idempotencyKey,
                                                   encodeMessageBody(configuration_, input),
                                                   std::nullopt,
                                                   input,
                                                   attachments,
                                                   session_->sessionId,
                                                   std::nullopt,
                                                   now()};
    co_await savePendingAttachmentOperation(record, generation_);

    // The message input is complete, so the outbox entry carries the very bytes stored above.
    auto accepted = co_await sendMessageMutation(input);
    co_await savePendingAttachmentOperation(record.accepted(accepted.sessionId, accepted.messageId),
                                            generation_);
    if (!accepted.messageId) {
        throw VelmoraError(VelmoraErrorCode::http, std::nullopt, std::nullopt,
                           "The accepted message did not include a message id.");
    }
    co_await uploadAttachmentsMutation(attachments, *accepted.messageId);
    co_await removePendingAttachmentOperation();
    co_return accepted;
}

} // namespace velmora::detail
