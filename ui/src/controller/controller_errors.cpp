#include "controller/controller_errors.hpp"

#include "client/error_responses.hpp"

#include <utility>

namespace velmora::detail {

VelmoraError fixedError(VelmoraErrorCode code, std::string message) {
    return VelmoraError(code, std::nullopt, std::nullopt, std::move(message));
}

std::optional<VelmoraError> velmoraErrorOf(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const VelmoraError& e) {
        return e;
    } catch (...) {
        return std::nullopt;
    }
}

VelmoraError publishedError(std::exception_ptr failure, std::string fallbackMessage) {
    if (auto error = velmoraErrorOf(failure)) {
        return std::move(*error);
    }
    return fixedError(VelmoraErrorCode::network, std::move(fallbackMessage));
}

bool widgetMayRetry(const VelmoraError& error) noexcept {
    switch (error.code()) {
    case VelmoraErrorCode::network:
    case VelmoraErrorCode::rateLimited:
    case VelmoraErrorCode::requestInProgress:
        return true;
    default:
        return isRetryableStatus(error.status());
    }
}

} // namespace velmora::detail
