#pragma once

#include "velmora/json_coding.hpp"
#include "velmora/widget_color_mode.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// Shadow strength of the panel and cards; travels as "none", "soft" or "strong".
enum class VelmoraWidgetShadow { none, soft, strong };

std::string_view rawValue(VelmoraWidgetShadow shadow) noexcept;

/// The shadow whose text equals `text` exactly (case-sensitive, untrimmed), or nothing.
std::optional<VelmoraWidgetShadow> velmoraWidgetShadowFromRawValue(std::string_view text) noexcept;

/// Nine colours, each "#" and three or six hex digits, kept exactly as written.
struct VelmoraWidgetPalette {
    std::string surface;
    std::string raisedSurface;
    std::string text;
    std::string mutedText;
    std::string border;
    std::string accent;
    std::string onAccent;
    std::string link;
    std::string focus;

    friend bool operator==(const VelmoraWidgetPalette&, const VelmoraWidgetPalette&) = default;
};

struct VelmoraWidgetTypography {
    std::string fontFamily;
    double fontSizePx = 0; ///< CSS pixels
    double lineHeight = 0; ///< multiple of the font size

    friend bool operator==(const VelmoraWidgetTypography&,
                           const VelmoraWidgetTypography&) = default;
};

/// The spacing scale, in CSS pixels.
struct VelmoraWidgetSpacing {
    double xsPx = 0;
    double smPx = 0;
    double mdPx = 0;
    double lgPx = 0;
    double xlPx = 0;

    friend bool operator==(const VelmoraWidgetSpacing&, const VelmoraWidgetSpacing&) = default;
};

/// Sizes of the launcher and panel, in CSS pixels.
struct VelmoraWidgetMetrics {
    double touchTargetPx = 0;
    double launcherMinHeightPx = 0;
    double panelWidthPx = 0;
    double panelHeightPx = 0;
    double offsetInlinePx = 0;
    double offsetBlockPx = 0;

    friend bool operator==(const VelmoraWidgetMetrics&, const VelmoraWidgetMetrics&) = default;
};

/// The panel's corner and size as CSS texts ("bottom-right", "384px", "640px").
struct VelmoraWidgetResolvedLayout {
    std::string placement;
    std::string panelWidth;
    std::string panelHeight;

    friend bool operator==(const VelmoraWidgetResolvedLayout&,
                           const VelmoraWidgetResolvedLayout&) = default;
};

/// The concrete design the widget draws with; every value has passed resolution's checks.
/// Lengths are CSS pixels (a rem counts 16).
struct VelmoraWidgetAppearance {
    VelmoraWidgetColorMode mode = VelmoraWidgetColorMode::system;
    VelmoraWidgetPalette light;
    VelmoraWidgetPalette dark;
    VelmoraWidgetTypography typography;
    VelmoraWidgetSpacing spacing;
    VelmoraWidgetMetrics metrics;
    double controlRadiusPx = 0;
    double borderWidthPx = 0;
    VelmoraWidgetShadow shadow = VelmoraWidgetShadow::none;
    VelmoraWidgetResolvedLayout layout;

    friend bool operator==(const VelmoraWidgetAppearance&,
                           const VelmoraWidgetAppearance&) = default;
};

// Decoding checks the JSON shape and enumeration texts only, never the values.
std::string encodeJSON(const VelmoraWidgetPalette& value);
std::string encodeJSON(const VelmoraWidgetTypography& value);
std::string encodeJSON(const VelmoraWidgetSpacing& value);
std::string encodeJSON(const VelmoraWidgetMetrics& value);
std::string encodeJSON(const VelmoraWidgetResolvedLayout& value);
std::string encodeJSON(const VelmoraWidgetAppearance& value);
template <> VelmoraWidgetPalette decodeJSON<VelmoraWidgetPalette>(std::string_view json);
template <> VelmoraWidgetTypography decodeJSON<VelmoraWidgetTypography>(std::string_view json);
template <> VelmoraWidgetSpacing decodeJSON<VelmoraWidgetSpacing>(std::string_view json);
template <> VelmoraWidgetMetrics decodeJSON<VelmoraWidgetMetrics>(std::string_view json);
template <>
VelmoraWidgetResolvedLayout decodeJSON<VelmoraWidgetResolvedLayout>(std::string_view json);
template <> VelmoraWidgetAppearance decodeJSON<VelmoraWidgetAppearance>(std::string_view json);

} // namespace velmora
