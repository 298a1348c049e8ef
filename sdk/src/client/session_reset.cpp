#include "client/client_core.hpp"

namespace velmora::detail {

ClientCore::Task<void> ClientCore::resetSession() {
    if (resetInProgress_) {
        throw VelmoraError(VelmoraErrorCode::requestInProgress, std::nullopt, std::nullopt,
                           "A session reset is already in progress.");
    }
    // Memory is cleared in one step, before any suspension: no operation sees half of it.
    resetInProgress_ = true;
    const std::int64_t resetGeneration = ++generation_;
    cancelInFlightRequests(++cancellationGeneration_);
    ++contentGeneration_;
    session_.reset();
    snapshot_.reset();
    widgetContent_.reset();
    lastCustomerMessageId_.reset();
    attachmentUploadStates_.clear();
    emit(event::sessionCleared{});

    const std::string& scope = configuration_.accountScope();
    std::exception_ptr failure;
    co_await persistenceLock_.acquire();
    try {
        for (const auto& entry : co_await outbox_->load()) {
            if (entry.accountScope == scope)
                co_await outbox_->remove(entry.id);
        }
        co_await pendingSessionStarts_->remove(scope);
        co_await pendingAttachmentSends_->remove(scope);
        co_await pendingAttachmentOperations_->remove(scope);
        co_await sessionStore_->remove(scope);
    } catch (...) {
        failure = std::current_exception();
    }
    const bool current = generation_ == resetGeneration;
    if (!failure) {
        if (current)
            resetFailure_.reset();
        persistenceLock_.release();
        resetInProgress_ = false;
        if (current)
            setLoadingState(VelmoraLoadingState::idle);
        co_return;
    }

    VelmoraError error(VelmoraErrorCode::outboxCorrupt, std::nullopt, std::nullopt,
                       "The durable account state could not be reset.");
    try {
        std::rethrow_exception(failure);
    } catch (const VelmoraError& e) {
        error = e;
    } catch (...) {
    }
    if (current) {
        resetFailure_ = error;
        emitError(std::make_exception_ptr(error));
    }
    persistenceLock_.release();
    resetInProgress_ = false;
    if (current)
        setLoadingState(VelmoraLoadingState::idle);
    throw error;
}

} // namespace velmora::detail
