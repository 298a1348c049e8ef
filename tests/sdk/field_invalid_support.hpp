#pragma once

#include "velmora/error.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::testing {

// The message of the `VelmoraError` that `run` throws, or nothing when it returns. Every such
// failure must be field-invalid without status or retry delay.
inline std::optional<std::string> failureOf(const std::function<void()>& run) {
    try {
        run();
    } catch (const VelmoraError& error) {
        EXPECT_EQ(error.code(), VelmoraErrorCode::fieldInvalid) << error.message();
        EXPECT_EQ(error.status(), std::nullopt);
        EXPECT_EQ(error.retryAfterSeconds(), std::nullopt);
        return error.message();
    }
    return std::nullopt;
}

inline std::string repeated(std::string_view piece, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        out += piece;
    }
    return out;
}

} // namespace velmora::testing
