#pragma once

#include <string>

namespace velmora::detail {

/// A random (version 4) UUID in upper case, 8-4-4-4-12.
std::string uuidString();

} // namespace velmora::detail
