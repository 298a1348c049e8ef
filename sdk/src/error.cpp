#include "velmora/error.hpp"
#include "velmora/decoding_error.hpp"

#include "detail/enum_text.hpp"
#include "detail/json_codec.hpp"

#include <boost/asio/error.hpp>
#include <boost/system/system_error.hpp>

#include <array>
#include <utility>

namespace velmora {
namespace {

constexpr std::array<std::string_view, 20> kErrorCodeTexts = {
    "invalid-config",
    "network",
    "http",
    "integration-disabled",
    "integration-paused",
    "origin-not-allowed",
    "turnstile-required",
    "turnstile-failed",
    "request-in-progress",
    "idempotency-conflict",
    "conversation-limit-reached",
    "rate-limited",
    "payload-too-large",
    "field-invalid",
    "conversation-stale",
    "session-expired",
    "realtime-unavailable",
    "message-rejected",
    "outbox-corrupt",
    "unsupported",
};

constexpr std::array<std::string_view, 8> kLoadingStateTexts = {
    "idle",
    "starting-session",
    "loading-messages",
    "sending-message",
    "waiting-for-assistant",
    "executing-action",
    "reconnecting",
    "flushing-outbox",
};

} // namespace

std::string_view rawValue(VelmoraErrorCode code) noexcept {
    return kErrorCodeTexts[static_cast<std::size_t>(code)];
}

std::optional<VelmoraErrorCode> velmoraErrorCodeFromRawValue(std::string_view text) noexcept {
    return detail::enumFromText<VelmoraErrorCode>(kErrorCodeTexts, text);
}

std::string_view rawValue(VelmoraLoadingState state) noexcept {
    return kLoadingStateTexts[static_cast<std::size_t>(state)];
}

std::optional<VelmoraLoadingState> velmoraLoadingStateFromRawValue(std::string_view text) noexcept {
    return detail::enumFromText<VelmoraLoadingState>(kLoadingStateTexts, text);
}

VELMORA_DEFINE_JSON_CODING(VelmoraErrorCode)
VELMORA_DEFINE_JSON_CODING(VelmoraLoadingState)

VelmoraError::VelmoraError(VelmoraErrorCode code, std::optional<std::int64_t> status,
                           std::optional<std::int64_t> retryAfterSeconds, std::string message)
    : code_(code), status_(status), retryAfterSeconds_(retryAfterSeconds),
      message_(std::move(message)) {}

bool operator==(const VelmoraError& a, const VelmoraError& b) noexcept {
    return a.code_ == b.code_ && a.status_ == b.status_ &&
           a.retryAfterSeconds_ == b.retryAfterSeconds_ && a.message_ == b.message_;
}

VelmoraDecodingError::VelmoraDecodingError(Kind kind, std::string path, const std::string& detail)
    : std::runtime_error(path.empty() ? detail : path + ": " + detail), kind_(kind),
      path_(std::move(path)) {}

bool isCancellation(std::exception_ptr failure) noexcept {
    if (!failure) {
        return false;
    }
    try {
        std::rethrow_exception(failure);
    } catch (const boost::system::system_error& e) {
        return e.code() == boost::asio::error::operation_aborted;
    } catch (...) {
        return false;
    }
}

} // namespace velmora
