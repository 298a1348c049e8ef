#include "controller/controller_errors.hpp"
#include "controller/controller_tasks.hpp"

// Retry after a failure: an unsent first message is simply sent again; otherwise the session
// is resumed and whatever the client's outbox still holds goes out again under its own keys
// (the outbox, its keys and its retry rules are the client's). Then the controller waits for
// the reply to what was re-sent, or reads the conversation again.

namespace velmora {

namespace asio = boost::asio;

void detail::WidgetControllerCore::retry() {
    const auto self = shared_from_this();
    if (destroyed_ || !isOpen_ || !isForeground_ || mutationInFlight_) {
        return;
    }
    if (pendingFirstDraft_) {
        send();
        return;
    }
    publish(VelmoraWidgetProperty::mutationInFlight, mutationInFlight_, true);
    const std::int64_t mutation = ++mutationGeneration_;
    publish(VelmoraWidgetProperty::loadingState, loadingState_,
            VelmoraLoadingState::flushingOutbox);
    const std::int64_t lifecycle = ++lifecycleGeneration_;
    preservesMutationError_ = false;
    setError(std::nullopt);
    operationTask_ = startMutationTask(mutation, [weak = weak_from_this(), mutation, lifecycle] {
        return detail::whileControllerLives(weak, &detail::WidgetControllerCore::runRetry, mutation,
                                            lifecycle);
    });
}

asio::awaitable<void> detail::WidgetControllerCore::runRetry(std::int64_t mutation,
                                                             std::int64_t lifecycle) {
    std::exception_ptr failure;
    try {
        if (!co_await client_->resumeSession()) {
            throw detail::fixedError(VelmoraErrorCode::sessionExpired,
                                     "Start or resume a session first.");
        }
        const auto before = co_await client_->currentSnapshot();
        const auto baseline = static_cast<std::int64_t>(before ? before->messages.size() : 0);
        const auto accepted = co_await client_->flushOutbox();
        if (lifecycleGeneration_ == lifecycle && isOpen_ && isForeground_) {
            if (!accepted.empty() && co_await client_->shouldWaitForAssistant()) {
                co_await client_->waitForAssistant(30.0, baseline);
            } else {
                co_await client_->refresh();
            }
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure && !isCancellation(failure) && lifecycleGeneration_ == lifecycle && !destroyed_) {
        preservesMutationError_ = true;
        setError(detail::publishedError(failure, "Velmora request failed."));
    }
    finishMutation(mutation);
}

} // namespace velmora
