#pragma once

#include <string_view>

namespace velmora::detail {

/// The bytes of resources/widget-procedure-copy-v1.json, compiled into the library.
std::string_view procedureCopyResource() noexcept;

} // namespace velmora::detail
