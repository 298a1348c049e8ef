#pragma once

#include "velmora/json_coding.hpp"

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// What went wrong. The text forms are what hosts and the wire see.
enum class VelmoraErrorCode {
    invalidConfig,
    network,
    http,
    integrationDisabled,
    integrationPaused,
    originNotAllowed,
    turnstileRequired,
    turnstileFailed,
    requestInProgress,
    idempotencyConflict,
    conversationLimitReached,
    rateLimited,
    payloadTooLarge,
    fieldInvalid,
    conversationStale,
    sessionExpired,
    realtimeUnavailable,
    messageRejected,
    outboxCorrupt,
    unsupported,
};

/// The text form of a code, e.g. "invalid-config".
std::string_view rawValue(VelmoraErrorCode code) noexcept;

/// The code whose text form equals `text` exactly, or nothing.
std::optional<VelmoraErrorCode> velmoraErrorCodeFromRawValue(std::string_view text) noexcept;

/// What the client is doing right now.
enum class VelmoraLoadingState {
    idle,
    startingSession,
    loadingMessages,
    sendingMessage,
    waitingForAssistant,
    executingAction,
    reconnecting,
    flushingOutbox,
};

std::string_view rawValue(VelmoraLoadingState state) noexcept;
std::optional<VelmoraLoadingState> velmoraLoadingStateFromRawValue(std::string_view text) noexcept;

/// Both enumerations travel as a single JSON string holding their text form ("rate-limited").
/// Decoding throws `VelmoraDecodingError`: `typeMismatch` for anything but a string,
/// `dataCorrupted` for a string that is no text form ("rate_limited", "Rate-Limited").
std::string encodeJSON(const VelmoraErrorCode& value);
std::string encodeJSON(const VelmoraLoadingState& value);
template <> VelmoraErrorCode decodeJSON<VelmoraErrorCode>(std::string_view json);
template <> VelmoraLoadingState decodeJSON<VelmoraLoadingState>(std::string_view json);

/// The one error of the system. Thrown by every operation that fails; `what()` is the message.
class VelmoraError : public std::exception {
public:
    VelmoraError(VelmoraErrorCode code, std::optional<std::int64_t> status,
                 std::optional<std::int64_t> retryAfterSeconds, std::string message);

    VelmoraErrorCode code() const noexcept { return code_; }
    std::optional<std::int64_t> status() const noexcept { return status_; }
    std::optional<std::int64_t> retryAfterSeconds() const noexcept { return retryAfterSeconds_; }
    const std::string& message() const noexcept { return message_; }

    const char* what() const noexcept override { return message_.c_str(); }

    friend bool operator==(const VelmoraError& a, const VelmoraError& b) noexcept;

private:
    VelmoraErrorCode code_;
    std::optional<std::int64_t> status_;
    std::optional<std::int64_t> retryAfterSeconds_;
    std::string message_;
};

/// Whether a failure is a cancellation rather than an error: an asynchronous operation that was
/// cancelled fails with `boost::system::system_error` carrying `operation_aborted`, never with a
/// `VelmoraError`. False for a null pointer.
bool isCancellation(std::exception_ptr failure) noexcept;

} // namespace velmora
