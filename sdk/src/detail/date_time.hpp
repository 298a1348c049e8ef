#pragma once

#include "velmora/types.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace velmora::detail {

/// "yyyy-MM-ddTHH:mm:ssZ" in UTC, whole seconds.
std::string formatInternetDateTime(Date date);

/// Reads an RFC 3339 internet date-time: full date, "T", hh:mm:ss, then "Z" or a signed hh:mm
/// offset. With `fractionalSeconds` the seconds must be followed by "." and digits; without it
/// a fraction is refused. Only ASCII digits count.
std::optional<Date> parseInternetDateTime(std::string_view text, bool fractionalSeconds);

/// Days since 1970-01-01 of a proleptic Gregorian date (no validation).
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day);

} // namespace velmora::detail
