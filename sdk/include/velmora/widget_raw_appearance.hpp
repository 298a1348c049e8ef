#pragma once

#include "velmora/json_coding.hpp"
#include "velmora/widget_appearance.hpp"
#include "velmora/widget_color_mode.hpp"

#include <optional>
#include <string>

namespace velmora {

/// A palette as a design profile states it: any colour may be left out, and nothing is
/// checked until resolution.
struct VelmoraWidgetRawPalette {
    std::optional<std::string> surface;
    std::optional<std::string> raisedSurface;
    std::optional<std::string> text;
    std::optional<std::string> mutedText;
    std::optional<std::string> border;
    std::optional<std::string> accent;
    std::optional<std::string> onAccent;
    std::optional<std::string> link;
    std::optional<std::string> focus;

    friend bool operator==(const VelmoraWidgetRawPalette&,
                           const VelmoraWidgetRawPalette&) = default;
};

/// An appearance as a design profile or platform override states it; every field optional.
/// Also the merged layers an experience was resolved from.
struct VelmoraWidgetRawAppearanceV2 {
    struct Tokens {
        std::optional<VelmoraWidgetRawPalette> light;
        std::optional<VelmoraWidgetRawPalette> dark;
        std::optional<std::string> fontFamily;
        std::optional<std::string> fontSize; ///< CSS length, "16px" or "1rem"
        std::optional<double> lineHeight;    ///< unitless multiple of the font size
        std::optional<std::string> controlRadius;
        std::optional<std::string> borderWidth;
        std::optional<VelmoraWidgetShadow> shadow;

        friend bool operator==(const Tokens&, const Tokens&) = default;
    };

    /// Bare numbers of CSS pixels.
    struct Layout {
        std::optional<std::string> placement;
        std::optional<double> offsetInline;
        std::optional<double> offsetBlock;
        std::optional<double> panelWidth;
        std::optional<double> panelHeight;

        friend bool operator==(const Layout&, const Layout&) = default;
    };

    std::optional<VelmoraWidgetColorMode> mode;
    std::optional<std::string> lightSurfaceStyle; ///< "white" or "cream"
    std::optional<Tokens> tokens;
    std::optional<Layout> layout;

    friend bool operator==(const VelmoraWidgetRawAppearanceV2&,
                           const VelmoraWidgetRawAppearanceV2&) = default;
};

std::string encodeJSON(const VelmoraWidgetRawPalette& value);
std::string encodeJSON(const VelmoraWidgetRawAppearanceV2::Tokens& value);
std::string encodeJSON(const VelmoraWidgetRawAppearanceV2::Layout& value);
std::string encodeJSON(const VelmoraWidgetRawAppearanceV2& value);
template <> VelmoraWidgetRawPalette decodeJSON<VelmoraWidgetRawPalette>(std::string_view json);
template <>
VelmoraWidgetRawAppearanceV2::Tokens
decodeJSON<VelmoraWidgetRawAppearanceV2::Tokens>(std::string_view json);
template <>
VelmoraWidgetRawAppearanceV2::Layout
decodeJSON<VelmoraWidgetRawAppearanceV2::Layout>(std::string_view json);
template <>
VelmoraWidgetRawAppearanceV2 decodeJSON<VelmoraWidgetRawAppearanceV2>(std::string_view json);

} // namespace velmora
