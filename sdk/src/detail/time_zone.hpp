#pragma once

#include <string>

namespace velmora::detail {

/// The device's time zone identifier, e.g. "Europe/Berlin" ("UTC" when none is configured).
std::string deviceTimeZoneIdentifier();

} // namespace velmora::detail
