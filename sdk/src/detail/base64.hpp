#pragma once

#include "velmora/types.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace velmora::detail {

/// Standard Base64 (RFC 4648 alphabet) with "=" padding and no line breaks.
std::string base64Encode(const Data& data);

/// Strict: the length must be a multiple of four, padding only at the end, only alphabet
/// characters, and the unused bits of the last group zero. Anything else gives no value.
std::optional<Data> base64Decode(std::string_view text);

} // namespace velmora::detail
