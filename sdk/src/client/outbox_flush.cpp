#include "client/client_core.hpp"

#include <algorithm>

namespace velmora::detail {

ClientCore::Task<std::vector<VelmoraAcceptedMessage>> ClientCore::flushOutbox() {
    MutationClaim claim(*this, VelmoraMutationOwner::regular);
    checkResetGuard();
    std::vector<VelmoraAcceptedMessage> accepted;
    if (!session_)
        co_return accepted;
    const std::int64_t flushGeneration = generation_;
    const VelmoraSession session = *session_;
    const std::string& scope = configuration_.accountScope();

    auto entries = co_await outbox_->load();
    // Entries read before a reset are the reset's to clear, never to send.
    if (generation_ != flushGeneration)
        throw sessionChanged("before the message was sent");
    std::erase_if(entries, [&](const VelmoraOutboxEntry& e) { return e.accountScope != scope; });
    if (std::any_of(entries.begin(), entries.end(), [&](const VelmoraOutboxEntry& e) {
            return e.sessionId != session.sessionId;
        })) {
        throw VelmoraError(VelmoraErrorCode::sessionExpired, std::nullopt, std::nullopt,
                           "The queued message belongs to a different session.");
    }

    setLoadingState(VelmoraLoadingState::flushingOutbox);
    for (auto& entry : entries) {
        // Each send runs under the flush's generation: once a reset or another session has
        // taken over, the rest of the queue belongs to the past session and stays unsent.
        if (generation_ != flushGeneration)
            throw sessionChanged("before the message was sent");
        const std::int64_t entryGeneration = generation_;
        std::exception_ptr failure;
        try {
            accepted.push_back(co_await sendOutboxEntry(entry, session, entryGeneration));
            continue;
        } catch (...) {
            failure = std::current_exception();
        }
        if (isCancellation(failure))
            std::rethrow_exception(failure);
        if (isRetryableMutationError(failure)) {
            try {
                std::rethrow_exception(failure);
            } catch (const VelmoraError& e) {
                if (e.code() == VelmoraErrorCode::sessionExpired)
                    throw;
            }
            break; // the entry and the ones after it wait for the next flush
        }
        // Refused for good: the send normally removed the entry already.
        if (generation_ == entryGeneration) {
            try {
                co_await removeOutboxEntry(entry.id, entryGeneration);
            } catch (...) {
            }
        }
        emitError(failure);
    }
    if (generation_ == flushGeneration)
        setLoadingState(VelmoraLoadingState::idle);
    co_return accepted;
}

} // namespace velmora::detail
