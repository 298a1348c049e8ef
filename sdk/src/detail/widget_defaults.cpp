#include "detail/widget_defaults.hpp"

#include "velmora/error.hpp"

#include <utility>

namespace velmora::detail::VelmoraWidgetDefaults {
namespace {

// The overlay's present value over the base's.
template <class T>
std::optional<T> over(const std::optional<T>& base, const std::optional<T>& overlay) {
    return overlay ? overlay : base;
}

VelmoraWidgetRawPalette defaultLight() {
    return {.surface = "#ffffff",
            .raisedSurface = "#f9fafb",
            .text = "#171c35",
            .mutedText = "#667085",
            .border = "#ccd3df",
            .accent = "#275cf6",
            .onAccent = "#ffffff",
            .link = "#275cf6",
            .focus = "#275cf6"};
}

VelmoraWidgetRawPalette defaultDark() {
    return {.surface = "#1b2030",
            .raisedSurface = "#252c3f",
            .text = "#f6f1e3",
            .mutedText = "#c4ccda",
            .border = "#3b4862",
            .accent = "#89a8ff",
            .onAccent = "#111a34",
            .link = "#b5c7ff",
            .focus = "#89a8ff"};
}

} // namespace

void throwFieldInvalid(std::string message) {
    throw VelmoraError(VelmoraErrorCode::fieldInvalid, std::nullopt, std::nullopt,
                       std::move(message));
}

const VelmoraWidgetRawAppearanceV2& appearance() {
    static const VelmoraWidgetRawAppearanceV2 defaults{
        .mode = VelmoraWidgetColorMode::system,
        .lightSurfaceStyle = "white",
        .tokens = VelmoraWidgetRawAppearanceV2::Tokens{.light = defaultLight(),
                                                       .dark = defaultDark(),
                                                       .fontFamily = "Velmora Noto Sans",
                                                       .fontSize = "16px",
                                                       .lineHeight = 1.5,
                                                       .controlRadius = "8px",
                                                       .borderWidth = "2px",
                                                       .shadow = VelmoraWidgetShadow::none},
        .layout = VelmoraWidgetRawAppearanceV2::Layout{.placement = "bottom-right",
                                                       .offsetInline = 20,
                                                       .offsetBlock = 20,
                                                       .panelWidth = 384,
                                                       .panelHeight = 640},
    };
    return defaults;
}

const VelmoraWidgetPresentation& presentation() {
    static const VelmoraWidgetPresentation defaults{
        .launcherVisible = true, .hideLauncherOnOpen = true, .panelPresentation = "floating"};
    return defaults;
}

VelmoraWidgetRawPalette creamPalette() {
    return {.surface = "#fffdf6", .raisedSurface = "#fffdf6"};
}

std::optional<VelmoraWidgetRawPalette>
merge(const std::optional<VelmoraWidgetRawPalette>& base,
      const std::optional<VelmoraWidgetRawPalette>& overlay) {
    if (!base && !overlay) {
        return std::nullopt;
    }
    const VelmoraWidgetRawPalette b = base.value_or(VelmoraWidgetRawPalette{});
    const VelmoraWidgetRawPalette o = overlay.value_or(VelmoraWidgetRawPalette{});
    return VelmoraWidgetRawPalette{
        .surface = over(b.surface, o.surface),
        .raisedSurface = over(b.raisedSurface, o.raisedSurface),
        .text = over(b.text, o.text),
        .mutedText = over(b.mutedText, o.mutedText),
        .border = over(b.border, o.border),
        .accent = over(b.accent, o.accent),
        .onAccent = over(b.onAccent, o.onAccent),
        .link = over(b.link, o.link),
        .focus = over(b.focus, o.focus),
    };
}

VelmoraWidgetRawAppearanceV2 merge(const VelmoraWidgetRawAppearanceV2& base,
                                   const VelmoraWidgetRawAppearanceV2& overlay) {
    using Tokens = VelmoraWidgetRawAppearanceV2::Tokens;
    using Layout = VelmoraWidgetRawAppearanceV2::Layout;
    const Tokens bt = base.tokens.value_or(Tokens{});
    const Tokens ot = overlay.tokens.value_or(Tokens{});
    const Layout bl = base.layout.value_or(Layout{});
    const Layout ol = overlay.layout.value_or(Layout{});
    return {
        .mode = over(base.mode, overlay.mode),
        .lightSurfaceStyle = over(base.lightSurfaceStyle, overlay.lightSurfaceStyle),
        .tokens =
            Tokens{
                .light = merge(bt.light, ot.light),
                .dark = merge(bt.dark, ot.dark),
                .fontFamily = over(bt.fontFamily, ot.fontFamily),
                .fontSize = over(bt.fontSize, ot.fontSize),
                .lineHeight = over(bt.lineHeight, ot.lineHeight),
                .controlRadius = over(bt.controlRadius, ot.controlRadius),
                .borderWidth = over(bt.borderWidth, ot.borderWidth),
                .shadow = over(bt.shadow, ot.shadow),
            },
        .layout =
            Layout{
                .placement = over(bl.placement, ol.placement),
                .offsetInline = over(bl.offsetInline, ol.offsetInline),
                .offsetBlock = over(bl.offsetBlock, ol.offsetBlock),
                .panelWidth = over(bl.panelWidth, ol.panelWidth),
                .panelHeight = over(bl.panelHeight, ol.panelHeight),
            },
    };
}

VelmoraWidgetRawAppearanceV2 materialize(VelmoraWidgetRawAppearanceV2 layer) {
    if (layer.lightSurfaceStyle != "cream") {
        return layer;
    }
    // Colours the layer states itself win over the tint.
    if (!layer.tokens) {
        layer.tokens = VelmoraWidgetRawAppearanceV2::Tokens{.light = creamPalette()};
    } else {
        layer.tokens->light = merge(creamPalette(), layer.tokens->light);
    }
    return layer;
}

} // namespace velmora::detail::VelmoraWidgetDefaults
