#pragma once

#include "detail/json_codec.hpp"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace velmora::detail {

/// The text forms of an enumeration's cases, in declaration order.
template <class E, std::size_t N> using EnumTexts = std::array<std::pair<E, std::string_view>, N>;

template <class E, std::size_t N>
constexpr std::string_view enumText(const EnumTexts<E, N>& texts, E value) noexcept {
    for (const auto& [candidate, text] : texts) {
        if (candidate == value) {
            return text;
        }
    }
    return {};
}

template <class E, std::size_t N>
constexpr std::optional<E> enumFromText(const EnumTexts<E, N>& texts,
                                        std::string_view text) noexcept {
    for (const auto& [value, candidate] : texts) {
        if (candidate == text) {
            return value;
        }
    }
    return std::nullopt;
}

/// Reads a case from its exact text; any other text fails as corrupted data.
template <class E, std::size_t N>
E decodeEnumText(const EnumTexts<E, N>& texts, const json::value& v, const std::string& path) {
    const auto text = Codec<std::string>::decode(v, path);
    if (auto value = enumFromText(texts, text)) {
        return *value;
    }
    throwDecoding(VelmoraDecodingError::Kind::dataCorrupted, path,
                  "Cannot initialize from invalid String value " + text);
}

} // namespace velmora::detail
