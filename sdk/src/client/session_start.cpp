#include "client/client_core.hpp"

#include "client/wire_bodies.hpp"
#include "detail/date_time.hpp"
#include "detail/model_codecs.hpp"
#include "detail/text.hpp"
#include "detail/uuid.hpp"
#include "input_validation.hpp"

namespace velmora::detail {
namespace {

std::string now() {
    return formatInternetDateTime(std::chrono::system_clock::now());
}

} // namespace

ClientCore::Task<VelmoraSession> ClientCore::startSession(VelmoraSessionStartInput input) {
    MutationClaim claim(*this, VelmoraMutationOwner::regular);
    co_return co_await startSessionMutation(std::move(input));
}

ClientCore::Task<VelmoraSession> ClientCore::startSessionMutation(VelmoraSessionStartInput input,
                                                                  std::optional<Data> storedBody) {
    checkResetGuard();
    const std::string message = text::trimmed(input.message);
    if (text::graphemeCount(message) < 2) {
        throw VelmoraError(VelmoraErrorCode::fieldInvalid, std::nullopt, std::nullopt,
                           "Message text must contain at least two characters.");
    }
    if (input.idempotencyKey)
        VelmoraInputValidation::requireIdempotencyKey(*input.idempotencyKey);
    // A stored body was checked before it was stored.
    if (!storedBody)
        VelmoraInputValidation::requireSessionStartInput(input);

    const std::int64_t before = generation_;
    auto stored = co_await loadPendingSessionStart(before);
    if (generation_ != before)
        throw sessionChanged("before starting");
    checkResetGuard();

    const std::int64_t requestGeneration = beginSessionChange();

    const std::string key = input.idempotencyKey ? *input.idempotencyKey : uuidString();
    std::string startedAt;
    if (input.startedAt) {
        startedAt = *input.startedAt;
    } else if (stored && stored->idempotencyKey == key && stored->input.startedAt) {
        // The same start repeated: the same bytes, so the service recognises it.
        startedAt = *stored->input.startedAt;
    } else {
        startedAt = now();
    }
    const auto turnstileToken =
        input.turnstileToken ? input.turnstileToken : configuration_.turnstileToken();

    std::exception_ptr failure;
    try {
        VelmoraSessionStartInput normalised{
            message, key, input.prefill, input.metadata, input.timeZone, turnstileToken, startedAt};
        Data bytes = storedBody ? std::move(*storedBody)
                                : encodeSessionStartBody(configuration_, normalised);
        co_await persistPendingSessionStart(
            VelmoraPendingSessionStart{configuration_.accountScope(), key, bytes, normalised,
                                       now()},
            requestGeneration);

        PipelineRequest post;
        post.path = widgetPath("/api/widget/v1/sessions");
        post.method = "POST";
        post.encodedBody = std::move(bytes);
        post.idempotencyKey = key;
        post.requestGeneration = requestGeneration;
        post.endsWithCaller = true; // the pending start stays stored for the next attempt
        auto answer = co_await this->request<SessionResponse>(std::move(post));
        if (generation_ != requestGeneration)
            throw sessionChanged("while starting");

        VelmoraSession session{answer.sessionId, answer.conversationId, answer.sessionToken};
        VelmoraInputValidation::requireSession(session);
        session_ = session;
        co_await persistSession(session, requestGeneration);
        co_await restorePendingAttachmentState(session, requestGeneration);
        co_await removePendingSessionStart(requestGeneration, key);
        if (generation_ != requestGeneration)
            throw sessionChanged("while starting");
        lastCustomerMessageId_ = answer.messageId;
        emit(event::sessionStarted{session});
        co_await loadSnapshot(false);
        if (generation_ != requestGeneration)
            throw sessionChanged("after starting");
        co_return session;
    } catch (...) {
        failure = std::current_exception();
    }

    if (generation_ == requestGeneration && !isCancellation(failure) &&
        !isRetryableMutationError(failure)) {
        bool corrupt = false;
        try {
            std::rethrow_exception(failure);
        } catch (const VelmoraError& e) {
            corrupt = e.code() == VelmoraErrorCode::outboxCorrupt;
        } catch (...) {
        }
        if (!corrupt) {
            // A refusal the service will give again: the start is dropped, not retried.
            try {
                co_await removePendingSessionStart(requestGeneration, key);
            } catch (...) {
            }
        }
    }
    failOperation(failure, requestGeneration);
}

ClientCore::Task<VelmoraSession>
ClientCore::recoverPendingSessionStart(VelmoraPendingSessionStart start,
                                       std::int64_t requestGeneration) {
    PipelineRequest post;
    post.path = widgetPath("/api/widget/v1/sessions");
    post.method = "POST";
    post.encodedBody = start.requestBody;
    post.idempotencyKey = start.idempotencyKey;
    post.requestGeneration = requestGeneration;

    std::exception_ptr failure;
    std::optional<SessionResponse> answer;
    try {
        answer = co_await this->request<SessionResponse>(std::move(post));
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        // A cancellation keeps the start: the visitor's first message is not yet acknowledged
        // and the next resume sends it again.
        if (!isRetryableMutationError(failure) && !isCancellation(failure)) {
            try {
                co_await removePendingSessionStart(requestGeneration, start.idempotencyKey);
            } catch (...) {
            }
        }
        std::rethrow_exception(failure);
    }
    if (generation_ != requestGeneration)
        throw sessionChanged("while recovering");

    VelmoraSession session{answer->sessionId, answer->conversationId, answer->sessionToken};
    try {
        VelmoraInputValidation::requireSession(session);
    } catch (const VelmoraError&) {
        // The service will answer the same way every time: drop the start rather than replay
        // it on every resume.
        failure = std::current_exception();
    }
    if (failure) {
        try {
            co_await removePendingSessionStart(requestGeneration, start.idempotencyKey);
        } catch (...) {
        }
        std::rethrow_exception(failure);
    }
    session_ = session;
    co_await persistSession(session, requestGeneration);
    co_await restorePendingAttachmentState(session, requestGeneration);
    co_await removePendingSessionStart(requestGeneration, start.idempotencyKey);
    if (generation_ != requestGeneration)
        throw sessionChanged("while recovering");
    emit(event::sessionStarted{session});
    co_await loadSnapshot(false);
    if (generation_ != requestGeneration)
        throw sessionChanged("after recovering");
    co_return session;
}

} // namespace velmora::detail
