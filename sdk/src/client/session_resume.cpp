#include "client/client_core.hpp"

#include "client/wire_bodies.hpp"
#include "input_validation.hpp"

namespace velmora::detail {
namespace {

bool fallsBackToResume(const VelmoraError& e) {
    if (isRetryableMutationError(e) && e.code() != VelmoraErrorCode::sessionExpired)
        return false;
    return e.code() == VelmoraErrorCode::sessionExpired || e.code() == VelmoraErrorCode::http;
}

} // namespace

ClientCore::Task<std::optional<VelmoraSession>> ClientCore::resumeSession() {
    MutationClaim claim(*this, VelmoraMutationOwner::regular);
    co_return co_await resumeSessionMutation();
}

ClientCore::Task<std::optional<VelmoraSession>> ClientCore::resumeSessionMutation() {
    checkResetGuard();
    const std::int64_t requestGeneration = beginSessionChange();

    auto loadPendingOperation = [this]() -> Task<std::optional<VelmoraPendingAttachmentOperation>> {
        co_await persistenceLock_.acquire();
        PersistenceLockHold hold(persistenceLock_);
        co_return co_await pendingAttachmentOperations_->load(configuration_.accountScope());
    };

    std::exception_ptr failure;
    try {
        // A corrupt outbox fails the resume before anything else is trusted.
        (void)co_await outbox_->load();

        if (auto pending = co_await loadPendingSessionStart(requestGeneration)) {
            auto session = co_await recoverPendingSessionStart(*pending, requestGeneration);
            co_await reconcilePendingAttachmentOperation(requestGeneration);
            co_return session;
        }

        auto operation = co_await loadPendingOperation();
        if (operation && operation->kind == VelmoraPendingAttachmentOperationKind::sessionStart &&
            !operation->sessionId && operation->sessionInput) {
            VelmoraPendingSessionStart start{operation->accountScope, operation->idempotencyKey,
                                             operation->requestBody, *operation->sessionInput,
                                             operation->createdAt};
            auto session = co_await recoverPendingSessionStart(std::move(start), requestGeneration);
            co_await reconcilePendingAttachmentOperation(requestGeneration);
            co_return session;
        }

        bool askService = true;
        if (auto stored = co_await loadPersistedSession(requestGeneration)) {
            std::exception_ptr restoreFailure;
            try {
                VelmoraInputValidation::requireSession(*stored);
                session_ = *stored;
                co_await restorePendingAttachmentState(*stored, requestGeneration);
                co_await reconcilePendingAttachmentOperation(requestGeneration);
                emit(event::sessionStarted{*stored});
                co_await loadSnapshot(false);
                if (generation_ != requestGeneration)
                    throw sessionChanged("after restoring");
                askService = false;
            } catch (const VelmoraError&) {
                restoreFailure = std::current_exception();
            }
            if (!askService)
                co_return stored;

            // The stored session may simply have ended on the service: ask for the current one,
            // unless attachment work of the stored session is still pending.
            VelmoraError error = [&] {
                try {
                    std::rethrow_exception(restoreFailure);
                } catch (const VelmoraError& e) {
                    return e;
                }
            }();
            std::optional<VelmoraPendingAttachmentOperation> stillPending;
            try {
                stillPending = co_await loadPendingOperation();
            } catch (...) {
            }
            if (stillPending || generation_ != requestGeneration || !fallsBackToResume(error)) {
                std::rethrow_exception(restoreFailure);
            }
            session_.reset();
            snapshot_.reset();
            // Observers saw the stored session start: tell them it is gone again.
            emit(event::sessionCleared{});
        }

        PipelineRequest post;
        post.path = widgetPath("/api/widget/v1/sessions/resume");
        post.method = "POST";
        post.requestGeneration = requestGeneration;
        auto answer = co_await this->request<ResumeResponse>(std::move(post));
        if (generation_ != requestGeneration)
            throw sessionChanged("while resuming");
        if (!answer.sessionId || !answer.sessionToken) {
            setLoadingState(VelmoraLoadingState::idle);
            co_return std::nullopt;
        }
        VelmoraSession session{*answer.sessionId, answer.conversationId, *answer.sessionToken};
        VelmoraInputValidation::requireSession(session);
        session_ = session;
        co_await persistSession(session, requestGeneration);
        co_await restorePendingAttachmentState(session, requestGeneration);
        co_await reconcilePendingAttachmentOperation(requestGeneration);
        if (generation_ != requestGeneration)
            throw sessionChanged("while resuming");
        emit(event::sessionStarted{session});
        co_await loadSnapshot(false);
        if (generation_ != requestGeneration)
            throw sessionChanged("after resuming");
        co_return session;
    } catch (...) {
        failure = std::current_exception();
    }
    failOperation(failure, requestGeneration);
}

ClientCore::Task<void>
ClientCore::reconcilePendingAttachmentOperation(std::int64_t requestGeneration) {
    std::optional<VelmoraPendingAttachmentOperation> operation;
    {
        co_await persistenceLock_.acquire();
        PersistenceLockHold hold(persistenceLock_);
        operation = co_await pendingAttachmentOperations_->load(configuration_.accountScope());
    }
    if (!operation)
        co_return;
    if (generation_ != requestGeneration)
        throw sessionChanged("while restoring attachment intent");
    if (!session_)
        co_return;
    const VelmoraSession session = *session_;
    if (operation->sessionId && *operation->sessionId != session.sessionId) {
        throw VelmoraError(VelmoraErrorCode::sessionExpired, std::nullopt, std::nullopt,
                           "The pending attachment belongs to a different session.");
    }
    if (operation->kind == VelmoraPendingAttachmentOperationKind::sessionStart) {
        auto messageId = operation->messageId ? operation->messageId : lastCustomerMessageId_;
        co_await savePendingAttachmentOperation(operation->accepted(session.sessionId, messageId),
                                                requestGeneration);
        co_return;
    }
    if (!operation->sessionId) {
        throw VelmoraError(VelmoraErrorCode::sessionExpired, std::nullopt, std::nullopt,
                           "The pending message belongs to a different session.");
    }
    if (operation->messageId || !operation->messageInput)
        co_return;
    // The message's acceptance was never recorded: send the stored bytes once more under the
    // same key, so the service can recognise a repetition.
    VelmoraOutboxEntry entry{operation->idempotencyKey,
                             operation->accountScope,
                             session.sessionId,
                             operation->requestBody,
                             *operation->messageInput,
                             operation->createdAt,
                             0};
    auto accepted = co_await resendThroughOutbox(std::move(entry), session, requestGeneration);
    co_await savePendingAttachmentOperation(
        operation->accepted(session.sessionId, accepted.messageId), requestGeneration);
}

} // namespace velmora::detail
