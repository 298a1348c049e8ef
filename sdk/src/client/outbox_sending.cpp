#include "client/client_core.hpp"

#include "client/wire_bodies.hpp"
#include "detail/date_time.hpp"
#include "detail/text.hpp"
#include "detail/uuid.hpp"
#include "input_validation.hpp"

#include <chrono>

namespace velmora::detail {

ClientCore::Task<VelmoraAcceptedMessage> ClientCore::sendMessage(VelmoraMessageInput input) {
    MutationClaim claim(*this, VelmoraMutationOwner::regular);
    checkResetGuard();
    co_return co_await sendMessageMutation(std::move(input));
}

ClientCore::Task<VelmoraAcceptedMessage>
ClientCore::sendMessageMutation(VelmoraMessageInput input) {
    if (!session_) {
        throw VelmoraError(VelmoraErrorCode::sessionExpired, std::nullopt, std::nullopt,
                           "Start or resume a session first.");
    }
    const VelmoraSession session = *session_;
    const std::int64_t requestGeneration = generation_;
    std::string trimmedText = text::trimmed(input.text);
    if (trimmedText.empty()) {
        throw VelmoraError(VelmoraErrorCode::fieldInvalid, std::nullopt, std::nullopt,
                           "Message text is required.");
    }
    const std::string key = input.idempotencyKey ? *input.idempotencyKey : uuidString();
    VelmoraInputValidation::requireIdempotencyKey(key);
    VelmoraInputValidation::requireMessageInput(input);

    std::exception_ptr failure;
    try {
        VelmoraMessageInput completed = std::move(input);
        completed.text = trimmedText;
        completed.idempotencyKey = key;
        if (!completed.startedAt)
            completed.startedAt = formatInternetDateTime(std::chrono::system_clock::now());
        if (!completed.turnstileToken)
            completed.turnstileToken = configuration_.turnstileToken();

        const Data bytes = encodeMessageBody(configuration_, completed);
        VelmoraOutboxEntry entry{key,
                                 configuration_.accountScope(),
                                 session.sessionId,
                                 bytes,
                                 std::move(completed),
                                 formatInternetDateTime(std::chrono::system_clock::now()),
                                 0};
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
    } catch (...) {
        failure = std::current_exception();
    }

    const bool current = generation_ == requestGeneration;
    if (isCancellation(failure)) {
        if (current)
            setLoadingState(VelmoraLoadingState::idle);
        std::rethrow_exception(cancellationError());
    }
    if (current) {
        emitError(failure);
        // After a retryable failure the state stays `reconnecting` until the outbox is flushed.
        if (loadingState_ == VelmoraLoadingState::sendingMessage)
            setLoadingState(VelmoraLoadingState::idle);
    }
    std::rethrow_exception(failure);
}

ClientCore::Task<VelmoraAcceptedMessage>
ClientCore::sendOutboxEntry(VelmoraOutboxEntry entry, VelmoraSession session,
                            std::int64_t requestGeneration) {
    setLoadingState(VelmoraLoadingState::sendingMessage);
    std::exception_ptr failure;
    std::optional<VelmoraAcceptedMessage> accepted;
    try {
        PipelineRequest request;
        request.path = sessionPath(session.sessionId, "/messages");
        request.method = "POST";
        request.encodedBody = entry.requestBody;
        request.token = session.sessionToken;
        request.idempotencyKey = entry.id;
        request.requestGeneration = requestGeneration;
        request.endsWithCaller = true; // the entry stays stored for the next send or flush
        auto answer = co_await this->request<AcceptedResponse>(std::move(request));
        if (generation_ != requestGeneration)
            throw sessionChanged("while the message was in flight");

        accepted =
            VelmoraAcceptedMessage{answer.messageId, answer.sessionId.value_or(session.sessionId),
                                   answer.conversationId, answer.status};
        if (answer.messageId)
            lastCustomerMessageId_ = answer.messageId;
        emit(event::messageAccepted{*accepted});
        if (generation_ != requestGeneration)
            throw sessionChanged("before the message was removed from the outbox");
    } catch (...) {
        failure = std::current_exception();
    }

    if (accepted && !failure) {
        // The service holds the message now, so the send has succeeded whatever happens to the
        // entry. Reporting a failed removal as a failed send would invite a resend under a new
        // key, and a duplicate message; a surviving entry is re-sent by a flush under its own
        // key, which the service recognises. For the same reason the removal need not reach
        // the disk before the send returns.
        std::exception_ptr removalFailure;
        try {
            co_await removeAcceptedOutboxEntry(entry.id, requestGeneration);
        } catch (...) {
            removalFailure = std::current_exception();
        }
        if (generation_ == requestGeneration) {
            if (removalFailure && !isCancellation(removalFailure))
                emitError(removalFailure);
            setLoadingState(VelmoraLoadingState::idle);
        }
        co_return *accepted;
    }

    if (isCancellation(failure)) {
        if (generation_ == requestGeneration)
            setLoadingState(VelmoraLoadingState::idle);
        std::rethrow_exception(cancellationError());
    }
    if (generation_ == requestGeneration) {
        if (isRetryableMutationError(failure)) {
            setLoadingState(VelmoraLoadingState::reconnecting);
        } else {
            try {
                co_await removeOutboxEntry(entry.id, requestGeneration);
            } catch (...) {
            }
        }
        if (generation_ == requestGeneration) {
            emitError(failure);
            if (loadingState_ == VelmoraLoadingState::sendingMessage)
                setLoadingState(VelmoraLoadingState::idle);
        }
    }
    std::rethrow_exception(failure);
}

ClientCore::Task<void> ClientCore::saveOutboxEntry(VelmoraOutboxEntry entry,
                                                   std::int64_t requestGeneration) {
    co_await persistenceLock_.acquire();
    PersistenceLockHold hold(persistenceLock_);
    if (generation_ != requestGeneration)
        throw sessionChanged("before the message was sent");
    co_await outbox_->save(std::move(entry));
}

ClientCore::Task<void>
ClientCore::removeOutboxEntry(std::string id, std::optional<std::int64_t> requestGeneration) {
    co_await persistenceLock_.acquire();
    PersistenceLockHold hold(persistenceLock_);
    // A newer session owns the store now; what this entry left is the reset's to clear.
    if (requestGeneration && generation_ != *requestGeneration)
        co_return;
    co_await outbox_->remove(std::move(id));
}

ClientCore::Task<void> ClientCore::removeAcceptedOutboxEntry(std::string id,
                                                             std::int64_t requestGeneration) {
    co_await persistenceLock_.acquire();
    PersistenceLockHold hold(persistenceLock_);
    if (generation_ != requestGeneration)
        co_return;
    co_await outbox_->removeAccepted(std::move(id));
}

} // namespace velmora::detail
