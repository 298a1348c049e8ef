#include "client/client_core.hpp"

#include <boost/asio/steady_timer.hpp>
#include <boost/asio/use_awaitable.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <set>

namespace velmora::detail {
namespace {

/// Seconds as whole nanoseconds, truncated, never below one.
std::chrono::nanoseconds atLeastOneNanosecond(double seconds) {
    auto span = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::duration<double>(seconds));
    return std::max(span, std::chrono::nanoseconds(1));
}

bool isHandOverState(const std::string& state) {
    return state == "waiting-for-teammate" || state == "teammate-joined";
}

} // namespace

ClientCore::Task<VelmoraSnapshot>
ClientCore::waitForAssistant(double timeout, std::optional<std::int64_t> afterMessageCount) {
    if (afterMessageCount && *afterMessageCount < 0) {
        throw VelmoraError(VelmoraErrorCode::invalidConfig, std::nullopt, std::nullopt,
                           "Assistant message count must be zero or greater.");
    }
    if (!std::isfinite(timeout) || timeout <= 0 || timeout > 120) {
        throw VelmoraError(VelmoraErrorCode::invalidConfig, std::nullopt, std::nullopt,
                           "Assistant wait timeout must be greater than 0 and at most 120 "
                           "seconds.");
    }

    // What counts as new is fixed before the first read.
    std::size_t baseline = 0;
    std::set<std::string> knownIds;
    std::optional<std::string> initialSupportState;
    if (snapshot_) {
        baseline = snapshot_->messages.size();
        for (const auto& message : snapshot_->messages)
            knownIds.insert(message.id);
        if (snapshot_->support)
            initialSupportState = snapshot_->support->state;
    }
    if (afterMessageCount)
        baseline = static_cast<std::size_t>(*afterMessageCount);
    const std::int64_t requestGeneration = generation_;
    const auto deadline = std::chrono::steady_clock::now() + atLeastOneNanosecond(timeout);
    const auto pollInterval = atLeastOneNanosecond(configuration_.pollInterval());

    setLoadingState(VelmoraLoadingState::waitingForAssistant);
    std::exception_ptr failure;
    try {
        boost::asio::steady_timer timer(strand_);
        for (;;) {
            if (std::chrono::steady_clock::now() >= deadline) {
                throw VelmoraError(VelmoraErrorCode::network, std::nullopt, std::nullopt,
                                   "Assistant response did not arrive before the timeout.");
            }
            auto snapshot = co_await loadSnapshot(true);
            if (generation_ != requestGeneration)
                throw sessionChanged("while waiting for a response");

            const auto& messages = snapshot->messages;
            const bool replied =
                baseline < messages.size() &&
                std::any_of(messages.begin() + static_cast<std::ptrdiff_t>(baseline),
                            messages.end(), [&](const VelmoraMessage& message) {
                                return !knownIds.contains(message.id) &&
                                       (message.authorKind == "ai" ||
                                        message.authorKind == "teammate");
                            });
            const bool handedOver = snapshot->support &&
                                    snapshot->support->state != initialSupportState &&
                                    isHandOverState(snapshot->support->state);
            if (replied || handedOver) {
                setLoadingState(VelmoraLoadingState::idle);
                co_return *snapshot; // the caller's own copy
            }

            if (co_await isCancelled())
                std::rethrow_exception(cancellationError());
            // The sleep is cancelled with the caller's operation.
            timer.expires_after(pollInterval);
            co_await timer.async_wait(boost::asio::use_awaitable);
        }
    } catch (...) {
        failure = std::current_exception();
    }
    failOperation(failure, requestGeneration);
}

} // namespace velmora::detail
