#include "client/client_core.hpp"

#include "detail/url.hpp"
#include "detail/uuid.hpp"

#include <boost/asio/post.hpp>
#include <boost/asio/this_coro.hpp>

namespace velmora::detail {

ClientCore::ClientCore(
    boost::asio::any_io_executor executor, VelmoraConfiguration configuration,
    std::shared_ptr<VelmoraOutboxStore> outbox,
    std::shared_ptr<VelmoraPendingSessionStartStore> pendingSessionStarts,
    std::shared_ptr<VelmoraSessionStore> sessionStore,
    std::shared_ptr<VelmoraPendingAttachmentStore> pendingAttachmentSends,
    std::shared_ptr<VelmoraPendingAttachmentOperationStore> pendingAttachmentOperations,
    std::shared_ptr<VelmoraHTTPTransport> transport)
    : strand_(boost::asio::make_strand(std::move(executor))),
      configuration_(std::move(configuration)), transport_(std::move(transport)),
      outbox_(std::move(outbox)), pendingSessionStarts_(std::move(pendingSessionStarts)),
      sessionStore_(std::move(sessionStore)),
      pendingAttachmentSends_(std::move(pendingAttachmentSends)),
      pendingAttachmentOperations_(std::move(pendingAttachmentOperations)) {}

bool ClientCore::shouldWaitForAssistant() const {
    if (!automaticAiAvailable_)
        return false;
    if (snapshot_ && snapshot_->support) {
        const auto& state = snapshot_->support->state;
        if (state == "waiting-for-teammate" || state == "teammate-joined")
            return false;
    }
    return true;
}

AsyncStream<VelmoraEvent> ClientCore::events() {
    auto [stream, continuation] = makeAsyncStream<VelmoraEvent>();
    auto id = uuidString();
    continuations_.emplace(id, continuation);
    continuation.yield(event::loading{loadingState_});
    // The stream may end on any thread; its entry is removed later on the strand, and not at
    // all once the client is gone.
    continuation.setOnTermination([weak = weak_from_this(), strand = strand_, id] {
        boost::asio::post(strand, [weak, id] {
            if (auto self = weak.lock())
                self->continuations_.erase(id);
        });
    });
    return std::move(stream);
}

void ClientCore::emit(const VelmoraEvent& event) {
    for (const auto& [id, continuation] : continuations_) {
        continuation.yield(event);
    }
}

void ClientCore::emitError(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const VelmoraError& e) {
        emit(event::error{e});
    } catch (const std::exception& e) {
        emit(event::error{
            VelmoraError(VelmoraErrorCode::network, std::nullopt, std::nullopt, e.what())});
    } catch (...) {
        emit(event::error{VelmoraError(VelmoraErrorCode::network, std::nullopt, std::nullopt,
                                       "The operation couldn't be completed.")});
    }
}

void ClientCore::setLoadingState(VelmoraLoadingState state) {
    loadingState_ = state;
    emit(event::loading{state});
}

std::int64_t ClientCore::beginSessionChange() {
    const std::int64_t newGeneration = ++generation_;
    session_.reset();
    snapshot_.reset();
    attachmentUploadStates_.clear();
    emit(event::sessionCleared{});
    setLoadingState(VelmoraLoadingState::startingSession);
    return newGeneration;
}

void ClientCore::checkResetGuard() const {
    if (resetInProgress_) {
        throw VelmoraError(VelmoraErrorCode::requestInProgress, std::nullopt, std::nullopt,
                           "A session reset is still clearing durable state.");
    }
    if (resetFailure_)
        throw *resetFailure_;
}

void ClientCore::failOperation(std::exception_ptr error, std::int64_t recordedGeneration) {
    const bool current = generation_ == recordedGeneration;
    if (isCancellation(error)) {
        if (current)
            setLoadingState(VelmoraLoadingState::idle);
        std::rethrow_exception(cancellationError());
    }
    if (current) {
        emitError(error);
        setLoadingState(VelmoraLoadingState::idle);
    }
    std::rethrow_exception(error);
}

MutationClaim::MutationClaim(ClientCore& core, VelmoraMutationOwner owner)
    : core_(core), owner_(owner) {
    if (core_.mutationOwner_) {
        throw VelmoraError(VelmoraErrorCode::requestInProgress, std::nullopt, std::nullopt,
                           "Another mutation is in progress.");
    }
    core_.mutationOwner_ = owner_;
}

MutationClaim::~MutationClaim() {
    if (core_.mutationOwner_ == owner_)
        core_.mutationOwner_.reset();
}

std::string ClientCore::widgetPath(std::string_view path) const {
    return std::string(path) +
           "?integration=" + percentEncodeQueryValue(configuration_.integrationId());
}

std::string ClientCore::sessionPath(const std::string& sessionId, std::string_view rest) const {
    return widgetPath("/api/widget/v1/sessions/" + percentEncodePathSegment(sessionId) +
                      std::string(rest));
}

VelmoraError ClientCore::sessionChanged(std::string_view step) {
    return VelmoraError(VelmoraErrorCode::sessionExpired, std::nullopt, std::nullopt,
                        "The session changed " + std::string(step) + ".");
}

boost::asio::awaitable<bool> isCancelled() {
    auto state = co_await boost::asio::this_coro::cancellation_state;
    co_return state.cancelled() != boost::asio::cancellation_type::none;
}

boost::asio::awaitable<void> enterOperation() {
    co_await boost::asio::this_coro::throw_if_cancelled(false);
}

} // namespace velmora::detail
