#pragma once

#include <string>

namespace velmora::detail {

/// A double as the original platform describes it: shortest round-trip digits; a whole number
/// keeps ".0"; exponent form ("1e+20", "5e-05") below 1e-4 or above 2^53; "inf", "-inf", "nan".
std::string describeNumber(double value);

} // namespace velmora::detail
