#pragma once

#include <string>

namespace velmora::detail {

/// A double as the texts of the system write it (a number filled into a message text): shortest
/// round-trip digits, so it reads back as the same value; a whole number keeps ".0" so it still
/// reads as a double; exponent form ("1e+20", "5e-05") below 1e-4 or above 2^53; "inf", "-inf",
/// "nan".
std::string describeNumber(double value);

} // namespace velmora::detail
