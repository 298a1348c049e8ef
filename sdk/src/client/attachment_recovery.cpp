#include "client/client_core.hpp"

namespace velmora::detail {
namespace {

VelmoraError failure(VelmoraErrorCode code, std::string message) {
    return VelmoraError(code, std::nullopt, std::nullopt, std::move(message));
}

VelmoraError otherAccount() {
    return failure(VelmoraErrorCode::sessionExpired,
                   "The pending attachment belongs to a different account.");
}

VelmoraError resumeFirst() {
    return failure(VelmoraErrorCode::sessionExpired,
                   "Resume the accepted message before retrying its attachments.");
}

} // namespace

ClientCore::Task<VelmoraAcceptedMessage> ClientCore::retryPendingAttachmentSend() {
    MutationClaim claim(*this, VelmoraMutationOwner::attachment);
    checkResetGuard();
    std::optional<VelmoraPendingAttachmentOperation> operation;
    {
        co_await persistenceLock_.acquire();
        PersistenceLockHold hold(persistenceLock_);
        operation = co_await pendingAttachmentOperations_->load(configuration_.accountScope());
    }
    if (operation)
        co_return co_await retryPendingAttachmentOperation(std::move(*operation));
    co_return co_await retryPendingAttachmentSendRecord();
}

ClientCore::Task<VelmoraAcceptedMessage>
ClientCore::retryPendingAttachmentOperation(VelmoraPendingAttachmentOperation operation) {
    if (operation.accountScope != configuration_.accountScope())
        throw otherAccount();
    if (!operation.sessionId || !session_ || *operation.sessionId != session_->sessionId) {
        (void)co_await resumeSessionMutation();
        std::optional<VelmoraPendingAttachmentOperation> reread;
        {
            co_await persistenceLock_.acquire();
            PersistenceLockHold hold(persistenceLock_);
            reread = co_await pendingAttachmentOperations_->load(configuration_.accountScope());
        }
        if (!reread) {
            throw failure(VelmoraErrorCode::outboxCorrupt,
                          "The pending attachment operation disappeared during recovery.");
        }
        operation = std::move(*reread);
    }

    if (!operation.messageId) {
        std::string sessionId;
        std::optional<std::string> messageId;
        if (operation.kind == VelmoraPendingAttachmentOperationKind::message) {
            if (!operation.messageInput) {
                throw failure(VelmoraErrorCode::outboxCorrupt,
                              "The pending message attachment operation is incomplete.");
            }
            if (!session_) {
                throw failure(VelmoraErrorCode::sessionExpired, "Start or resume a session first.");
            }
            // The stored bytes go out again as they are, under the stored key: re-encoding the
            // input could differ (another locale or integration now) and the service would see
            // a conflict instead of a repetition.
            checkResetGuard();
            VelmoraOutboxEntry entry{operation.idempotencyKey,
                                     operation.accountScope,
                                     session_->sessionId,
                                     operation.requestBody,
                                     *operation.messageInput,
                                     operation.createdAt,
                                     0};
            auto accepted = co_await resendThroughOutbox(std::move(entry), *session_, generation_);
            sessionId = accepted.sessionId;
            messageId = accepted.messageId;
        } else {
            if (!operation.sessionInput) {
                throw failure(VelmoraErrorCode::outboxCorrupt,
                              "The pending session attachment operation is incomplete.");
            }
            auto session =
                co_await startSessionMutation(*operation.sessionInput, operation.requestBody);
            if (!lastCustomerMessageId_) {
                throw failure(VelmoraErrorCode::http,
                              "The accepted session did not include a message id.");
            }
            sessionId = session.sessionId;
            messageId = lastCustomerMessageId_;
        }
        operation = operation.accepted(sessionId, messageId);
        co_await savePendingAttachmentOperation(operation, generation_);
    }

    if (!operation.messageId || !session_)
        throw resumeFirst();
    if (!operation.sessionId || *operation.sessionId != session_->sessionId) {
        throw failure(VelmoraErrorCode::sessionExpired,
                      "The pending attachment belongs to a different session.");
    }
    co_return co_await uploadAcceptedAttachments(operation.attachments, *operation.messageId);
}

ClientCore::Task<VelmoraAcceptedMessage> ClientCore::retryPendingAttachmentSendRecord() {
    auto load = [this]() -> Task<std::optional<VelmoraPendingAttachmentSend>> {
        co_await persistenceLock_.acquire();
        PersistenceLockHold hold(persistenceLock_);
        co_return co_await pendingAttachmentSends_->load(configuration_.accountScope());
    };
    auto record = co_await load();
    if (!record) {
        throw failure(VelmoraErrorCode::outboxCorrupt,
                      "No pending attachment operation is available for retry.");
    }
    if (record->accountScope != configuration_.accountScope())
        throw otherAccount();
    if (!session_ || session_->sessionId != record->sessionId) {
        (void)co_await resumeSessionMutation();
        record = co_await load();
        if (!record) {
            throw failure(VelmoraErrorCode::outboxCorrupt,
                          "The pending attachment upload disappeared during recovery.");
        }
    }
    if (!session_ || session_->sessionId != record->sessionId)
        throw resumeFirst();
    co_return co_await uploadAcceptedAttachments(record->attachments, record->messageId);
}

ClientCore::Task<VelmoraAcceptedMessage>
ClientCore::resendThroughOutbox(VelmoraOutboxEntry entry, VelmoraSession session,
                                std::int64_t requestGeneration) {
    co_await saveOutboxEntry(entry, requestGeneration);
    if (generation_ != requestGeneration) {
        // A session change that is not a reset leaves the store alone: take the entry back.
        try {
            co_await removeOutboxEntry(entry.id, std::nullopt);
        } catch (...) {
        }
        throw sessionChanged("before the message was sent");
    }
    co_return co_await sendOutboxEntry(std::move(entry), session, requestGeneration);
}

ClientCore::Task<VelmoraAcceptedMessage>
ClientCore::uploadAcceptedAttachments(std::vector<VelmoraAttachmentDraft> drafts,
                                      std::string messageId) {
    const VelmoraSession session = *session_;
    co_await uploadAttachmentsMutation(std::move(drafts), messageId);
    co_return VelmoraAcceptedMessage{messageId, session.sessionId, session.conversationId,
                                     "accepted"};
}

} // namespace velmora::detail
