#pragma once

#include "velmora/decoding_error.hpp"
#include "velmora/json_value.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

namespace velmora::fuzz {

/// The fuzzer's input as text; the readers take bytes as the service or a file gives them.
inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

/// `text` read as JSON, or nothing when it is not JSON the reader takes.
inline std::optional<JSONValue> json(std::string_view text) {
    try {
        return decodeJSON<JSONValue>(text);
    } catch (const VelmoraDecodingError&) {
        return std::nullopt;
    }
}

/// `text` cut at each NUL byte, into at most `count` parts (the last keeps any further NULs), so
/// that one input can carry several texts.
inline std::vector<std::string_view> parts(std::string_view text, std::size_t count) {
    std::vector<std::string_view> result;
    while (result.size() + 1 < count) {
        const auto end = text.find('\0');
        if (end == std::string_view::npos) {
            break;
        }
        result.push_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    result.push_back(text);
    result.resize(count);
    return result;
}

/// A broken invariant: reported as a crash, so that libFuzzer keeps the input.
[[noreturn]] inline void violated(const char* what) {
    std::fprintf(stderr, "fuzz invariant violated: %s\n", what);
    std::abort();
}

inline void check(bool condition, const char* what) {
    if (!condition) {
        violated(what);
    }
}

} // namespace velmora::fuzz
