#pragma once

#include "velmora/decoding_error.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace velmora::testing {

using DecodingKind = VelmoraDecodingError::Kind;
/// How decoding failed (kind and path), or nothing when it succeeded.
using Failure = std::optional<std::pair<DecodingKind, std::string>>;

// Encodes to exactly `expected`, decodes back to an equal value and encodes to the same bytes.
template <class T> void expectStableRoundTrip(const T& value, std::string_view expected) {
    const std::string encoded = encodeJSON(value);
    EXPECT_EQ(encoded, expected);
    const T decoded = decodeJSON<T>(encoded);
    EXPECT_EQ(decoded, value) << encoded;
    EXPECT_EQ(encodeJSON(decoded), encoded);
}

template <class T> Failure decodingFailure(std::string_view json) {
    try {
        (void)decodeJSON<T>(json);
        return std::nullopt;
    } catch (const VelmoraDecodingError& error) {
        return std::make_pair(error.kind(), error.path());
    }
}

inline Failure failed(DecodingKind kind, std::string path) {
    return std::make_pair(kind, std::move(path));
}

} // namespace velmora::testing
