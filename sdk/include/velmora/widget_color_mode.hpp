#pragma once

#include <optional>
#include <string_view>

namespace velmora {

/// Which palette the widget draws with: `system` follows the device's colour scheme.
/// Travels as "system", "light" or "dark".
enum class VelmoraWidgetColorMode { system, light, dark };

std::string_view rawValue(VelmoraWidgetColorMode mode) noexcept;

/// The mode whose text equals `text` exactly (case-sensitive, untrimmed), or nothing.
std::optional<VelmoraWidgetColorMode>
velmoraWidgetColorModeFromRawValue(std::string_view text) noexcept;

} // namespace velmora
