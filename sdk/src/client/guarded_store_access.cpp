#include "client/client_core.hpp"

namespace velmora::detail {

ClientCore::Task<std::optional<VelmoraPendingSessionStart>>
ClientCore::loadPendingSessionStart(std::int64_t requestGeneration) {
    co_await persistenceLock_.acquire();
    PersistenceLockHold hold(persistenceLock_);
    if (generation_ != requestGeneration)
        throw sessionChanged("while loading pending state");
    co_return co_await pendingSessionStarts_->load(configuration_.accountScope());
}

ClientCore::Task<void> ClientCore::persistPendingSessionStart(VelmoraPendingSessionStart pending,
                                                              std::int64_t requestGeneration) {
    co_await persistenceLock_.acquire();
    PersistenceLockHold hold(persistenceLock_);
    if (generation_ != requestGeneration) {
        throw sessionChanged("before pending state was persisted");
    }
    auto stored = co_await pendingSessionStarts_->load(configuration_.accountScope());
    if (stored) {
        if (stored->idempotencyKey == pending.idempotencyKey &&
            stored->requestBody == pending.requestBody) {
            co_return; // the same start is already durable
        }
        throw VelmoraError(VelmoraErrorCode::requestInProgress, std::nullopt, std::nullopt,
                           "The previous session start is awaiting acknowledgement.");
    }
    co_await pendingSessionStarts_->save(std::move(pending));
}

ClientCore::Task<void>
ClientCore::removePendingSessionStart(std::int64_t requestGeneration,
                                      std::optional<std::string> expectedIdempotencyKey) {
    co_await persistenceLock_.acquire();
    PersistenceLockHold hold(persistenceLock_);
    // A stale caller must not remove what a newer session stored: skip quietly.
    if (generation_ != requestGeneration)
        co_return;
    if (expectedIdempotencyKey) {
        auto stored = co_await pendingSessionStarts_->load(configuration_.accountScope());
        if (!stored || stored->idempotencyKey != *expectedIdempotencyKey)
            co_return;
    }
    co_await pendingSessionStarts_->remove(configuration_.accountScope());
}

ClientCore::Task<void> ClientCore::persistSession(VelmoraSession session,
                                                  std::optional<std::int64_t> requestGeneration) {
    co_await persistenceLock_.acquire();
    PersistenceLockHold hold(persistenceLock_);
    if (requestGeneration && generation_ != *requestGeneration) {
        throw sessionChanged("before its proof was persisted");
    }
    co_await sessionStore_->save(std::move(session), configuration_.accountScope());
}

ClientCore::Task<void>
ClientCore::restorePendingAttachmentState(VelmoraSession session,
                                          std::optional<std::int64_t> requestGeneration) {
    std::optional<VelmoraPendingAttachmentSend> stored;
    {
        co_await persistenceLock_.acquire();
        PersistenceLockHold hold(persistenceLock_);
        if (requestGeneration && generation_ != *requestGeneration) {
            throw sessionChanged("while loading attachment state");
        }
        stored = co_await pendingAttachmentSends_->load(configuration_.accountScope());
    }
    if (!stored || stored->sessionId != session.sessionId)
        co_return;
    if (requestGeneration && generation_ != *requestGeneration) {
        throw sessionChanged("while restoring attachment state");
    }
    lastCustomerMessageId_ = stored->messageId;
    for (const auto& upload : stored->uploads) {
        if (!upload.intent)
            continue;
        attachmentUploadStates_.insert_or_assign(
            AttachmentUploadKey{stored->sessionId, stored->messageId, upload.clientId},
            AttachmentUploadState{*upload.intent, upload.uploaded});
    }
}

ClientCore::Task<void> ClientCore::savePendingAttachmentSend(VelmoraPendingAttachmentSend send,
                                                             std::int64_t requestGeneration) {
    co_await persistenceLock_.acquire();
    PersistenceLockHold hold(persistenceLock_);
    if (generation_ != requestGeneration) {
        throw sessionChanged("before attachment state was persisted");
    }
    co_await pendingAttachmentSends_->save(std::move(send));
}

ClientCore::Task<void>
ClientCore::savePendingAttachmentOperation(VelmoraPendingAttachmentOperation operation,
                                           std::int64_t requestGeneration) {
    co_await persistenceLock_.acquire();
    PersistenceLockHold hold(persistenceLock_);
    if (generation_ != requestGeneration) {
        throw sessionChanged("before attachment intent was persisted");
    }
    auto stored = co_await pendingAttachmentOperations_->load(configuration_.accountScope());
    if (stored && !operation.canUpdate(*stored)) {
        throw VelmoraError(VelmoraErrorCode::requestInProgress, std::nullopt, std::nullopt,
                           "A different attachment operation is already pending.");
    }
    co_await pendingAttachmentOperations_->save(std::move(operation));
}

} // namespace velmora::detail
