#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora::detail {

/// The SHA-256 digest of `bytes` (FIPS 180-4).
std::array<std::uint8_t, 32> sha256(std::string_view bytes);

/// The digest as 64 lower-case hex digits.
std::string sha256Hex(std::string_view bytes);

} // namespace velmora::detail
