#pragma once

// Enumerations that travel as their text forms.

#include "detail/json_codec.hpp"
#include "velmora/decoding_error.hpp"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::detail {

/// The case whose text equals `text` exactly; the texts are listed in declaration order.
template <class E, std::size_t N>
std::optional<E> enumFromText(const std::array<std::string_view, N>& texts,
                              std::string_view text) noexcept {
    for (std::size_t i = 0; i < N; ++i) {
        if (texts[i] == text) {
            return static_cast<E>(i);
        }
    }
    return std::nullopt;
}

/// Decodes an enumeration travelling as its text: a non-string is a type mismatch, an unknown
/// text corrupted data.
template <class E>
E decodeEnumText(const json::value& json, const std::string& path,
                 std::optional<E> (*fromText)(std::string_view) noexcept) {
    const std::string text = Codec<std::string>::decode(json, path);
    if (const auto value = fromText(text)) {
        return *value;
    }
    throw VelmoraDecodingError(VelmoraDecodingError::Kind::dataCorrupted, path,
                               "Unknown value \"" + text + "\".");
}

} // namespace velmora::detail
