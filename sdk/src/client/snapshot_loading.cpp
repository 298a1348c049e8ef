#include "client/client_core.hpp"

#include "client/wire_bodies.hpp"
#include "input_validation.hpp"

namespace velmora::detail {

ClientCore::Task<std::shared_ptr<const VelmoraSnapshot>>
ClientCore::loadSnapshot(bool preserveLoading) {
    if (!session_) {
        throw VelmoraError(VelmoraErrorCode::sessionExpired, std::nullopt, std::nullopt,
                           "Start or resume a session first.");
    }
    const std::int64_t recorded = generation_;
    if (!preserveLoading)
        setLoadingState(VelmoraLoadingState::loadingMessages);
    const VelmoraSession session = *session_;
    std::exception_ptr failure;
    try {
        PipelineRequest request;
        request.path = sessionPath(session.sessionId, "/messages");
        request.token = session.sessionToken;
        request.requestGeneration = recorded;
        auto response = co_await this->request<MessagesResponse>(std::move(request));
        if (generation_ != recorded)
            throw sessionChanged("while loading messages");

        auto snapshot = adoptSnapshot(std::move(response));
        if (!preserveLoading)
            setLoadingState(VelmoraLoadingState::idle);
        co_return snapshot;
    } catch (...) {
        failure = std::current_exception();
    }
    const bool current = generation_ == recorded && !preserveLoading;
    if (isCancellation(failure)) {
        if (current)
            setLoadingState(VelmoraLoadingState::idle);
        std::rethrow_exception(cancellationError());
    }
    if (current) {
        emitError(failure);
        setLoadingState(VelmoraLoadingState::idle);
    }
    std::rethrow_exception(failure);
}

std::shared_ptr<const VelmoraSnapshot> ClientCore::adoptSnapshot(MessagesResponse response) {
    // Moved, never copied: the event shares this one snapshot with every subscriber.
    const event::snapshot announced(
        VelmoraSnapshot{std::move(response.sessionId), std::move(response.conversationId),
                        std::move(response.messages), std::move(response.support),
                        std::move(response.procedureAction),
                        std::move(response.procedureQuickActions), response.conversationRevision});
    snapshot_ = announced.shared();
    const auto& messages = snapshot_->messages;
    for (auto it = messages.rbegin(); it != messages.rend(); ++it) {
        if (it->direction == "outbound" || it->authorKind == "customer") {
            lastCustomerMessageId_ = it->id;
            break;
        }
    }
    emit(announced);
    return snapshot_;
}

ClientCore::Task<VelmoraSnapshot> ClientCore::restoreSession(VelmoraSession session) {
    checkResetGuard();
    VelmoraInputValidation::requireSession(session);
    const std::int64_t recorded = ++generation_;
    session_ = session;
    // The previous session's conversation and uploads go at once, so no reader ever sees the
    // new session beside the old conversation, even when persisting fails below.
    snapshot_.reset();
    attachmentUploadStates_.clear();
    co_await persistSession(session, recorded);
    if (generation_ != recorded)
        throw sessionChanged("while restoring");
    snapshot_.reset();
    attachmentUploadStates_.clear();
    auto snapshot = co_await loadSnapshot(false);
    if (generation_ != recorded)
        throw sessionChanged("after restoring");
    co_return *snapshot;
}

ClientCore::Task<std::optional<VelmoraSession>>
ClientCore::loadPersistedSession(std::int64_t requestGeneration) {
    co_await persistenceLock_.acquire();
    if (generation_ != requestGeneration) {
        persistenceLock_.release();
        throw sessionChanged("while loading the saved session");
    }
    std::optional<VelmoraSession> stored;
    try {
        stored = co_await sessionStore_->load(configuration_.accountScope());
    } catch (...) {
        persistenceLock_.release();
        throw;
    }
    persistenceLock_.release();
    co_return stored;
}

} // namespace velmora::detail
