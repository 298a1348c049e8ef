#pragma once

#include "velmora/error.hpp"

#include <exception>
#include <optional>
#include <string>

// What the controller publishes when its work fails, and which failures it counts as worth
// retrying.
namespace velmora::detail {

/// An error the controller makes itself: no status, no retry delay, a fixed message.
VelmoraError fixedError(VelmoraErrorCode code, std::string message);

/// The `VelmoraError` a failure carries; none for any other failure.
std::optional<VelmoraError> velmoraErrorOf(std::exception_ptr failure);

/// What a failed piece of work publishes: the failure's own `VelmoraError`, or, for any other
/// failure, a `network` error with the work's fixed message.
VelmoraError publishedError(std::exception_ptr failure, std::string fallbackMessage);

/// Whether the widget counts a failure as one a retry can cure: a transport failure, rate
/// limiting, a request still in progress, or a status that asks to try again later. The error
/// row offers its retry button for exactly these, and a failed send keeps its first message.
///
/// Narrower than the client's `isRetryableMutationError`, which also counts an expired session:
/// the client's outbox keeps such a send because its stored bytes go out again under a resumed
/// session, but to the user an expired session is no passing failure, so the widget offers no
/// retry for it (a failed send keeps its first message after one by a rule of its own).
bool widgetMayRetry(const VelmoraError& error) noexcept;

} // namespace velmora::detail
