#pragma once

#include <string>
#include <string_view>

namespace velmora::detail {

/// Percent-encodes everything but the unreserved characters (A-Z a-z 0-9 - . _ ~), so a value
/// can never split or add query parameters.
std::string percentEncodeQueryValue(std::string_view value);

/// Percent-encodes a single path segment (unreserved characters kept; "/" is encoded).
std::string percentEncodePathSegment(std::string_view value);

} // namespace velmora::detail
