#pragma once

#include "velmora/error.hpp"
#include "velmora/types.hpp"

#include <cstdint>
#include <exception>
#include <optional>
#include <string_view>

namespace velmora::detail {

/// The error a failed answer stands for, read from its error envelope
/// `{"error": {"code": "...", "retryAfterSeconds": N}}`; never fails.
VelmoraError parseError(const Data& body, std::int64_t status);

/// The service's code text (words joined by underscores) as a code; unknown texts are `http`.
VelmoraErrorCode mapErrorCode(std::string_view code);

/// Whether an HTTP status asks the client to try again later: 408, 425, 429, 500, 502, 503 or
/// 504 (not 501). An absent status is none of them.
bool isRetryableStatus(std::optional<std::int64_t> status) noexcept;

/// Whether a failed send may be repeated with the same stored bytes and idempotency key: a
/// network failure, rate limiting, a request still in progress, an expired session (the stored
/// bytes go out again once a session is resumed), or a retryable status whatever the code.
bool isRetryableMutationError(std::exception_ptr error);
bool isRetryableMutationError(const VelmoraError& error);

/// Whether `error` is the cancellation of the calling operation.
bool isCancellation(std::exception_ptr error);

/// A fresh cancellation failure.
std::exception_ptr cancellationError();

} // namespace velmora::detail
