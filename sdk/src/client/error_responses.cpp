#include "client/error_responses.hpp"

#include "detail/json_codec.hpp"

#include <boost/asio/error.hpp>
#include <boost/system/system_error.hpp>

#include <algorithm>
#include <array>
#include <utility>

namespace velmora::detail {

VelmoraErrorCode mapErrorCode(std::string_view code) {
    static constexpr std::array<std::pair<std::string_view, VelmoraErrorCode>, 15> table = {{
        {"integration_disabled", VelmoraErrorCode::integrationDisabled},
        {"integration_paused", VelmoraErrorCode::integrationPaused},
        {"origin_not_allowed", VelmoraErrorCode::originNotAllowed},
        {"turnstile_required", VelmoraErrorCode::turnstileRequired},
        {"turnstile_failed", VelmoraErrorCode::turnstileFailed},
        {"request_in_progress", VelmoraErrorCode::requestInProgress},
        {"idempotency_conflict", VelmoraErrorCode::idempotencyConflict},
        {"conversation_limit_reached", VelmoraErrorCode::conversationLimitReached},
        {"rate_limited", VelmoraErrorCode::rateLimited},
        {"payload_too_large", VelmoraErrorCode::payloadTooLarge},
        {"field_invalid", VelmoraErrorCode::fieldInvalid},
        {"conversation_stale", VelmoraErrorCode::conversationStale},
        {"session_expired", VelmoraErrorCode::sessionExpired},
        {"realtime_unavailable", VelmoraErrorCode::realtimeUnavailable},
        {"message_rejected", VelmoraErrorCode::messageRejected},
    }};
    for (const auto& [text, mapped] : table) {
        if (text == code)
            return mapped;
    }
    return VelmoraErrorCode::http;
}

VelmoraError parseError(const Data& body, std::int64_t status) {
    const VelmoraError shapeless(VelmoraErrorCode::http, status, std::nullopt,
                                 "Velmora request failed.");
    std::optional<std::string> code;
    std::optional<std::int64_t> retryAfter;
    try {
        // The envelope decodes only as a whole: a malformed member voids all of it.
        auto document =
            parseJSON(std::string_view(reinterpret_cast<const char*>(body.data()), body.size()));
        ObjectReader envelope(document, "");
        if (!envelope.has("error"))
            return shapeless;
        const json::value* error = envelope.object().if_contains("error");
        ObjectReader reader(*error, "error");
        code = reader.optional<std::string>("code");
        retryAfter = reader.optional<std::int64_t>("retryAfterSeconds");
    } catch (const VelmoraDecodingError&) {
        return shapeless;
    }
    if (!code) {
        return VelmoraError(VelmoraErrorCode::http, status, retryAfter, "Velmora request failed.");
    }
    return VelmoraError(mapErrorCode(*code), status, retryAfter, *code);
}

bool isRetryableStatus(std::optional<std::int64_t> status) noexcept {
    static constexpr std::array<std::int64_t, 7> retryable{408, 425, 429, 500, 502, 503, 504};
    return status && std::find(retryable.begin(), retryable.end(), *status) != retryable.end();
}

bool isRetryableMutationError(const VelmoraError& error) {
    switch (error.code()) {
    case VelmoraErrorCode::network:
    case VelmoraErrorCode::rateLimited:
    case VelmoraErrorCode::requestInProgress:
    case VelmoraErrorCode::sessionExpired:
        return true;
    default:
        return isRetryableStatus(error.status());
    }
}

bool isRetryableMutationError(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const VelmoraError& e) {
        return isRetryableMutationError(e);
    } catch (...) {
        return false;
    }
}

bool isCancellation(std::exception_ptr error) {
    return velmora::isCancellation(error);
}

std::exception_ptr cancellationError() {
    return std::make_exception_ptr(
        boost::system::system_error(boost::asio::error::operation_aborted));
}

} // namespace velmora::detail
