#include "velmora/widget_appearance.hpp"

#include "detail/widget_codecs.hpp"

#include <array>

namespace velmora {
namespace {

constexpr std::array<std::string_view, 3> kShadowTexts = {"none", "soft", "strong"};

} // namespace

std::string_view rawValue(VelmoraWidgetShadow shadow) noexcept {
    return kShadowTexts[static_cast<std::size_t>(shadow)];
}

std::optional<VelmoraWidgetShadow> velmoraWidgetShadowFromRawValue(std::string_view text) noexcept {
    return detail::enumFromText<VelmoraWidgetShadow>(kShadowTexts, text);
}

namespace detail {

json::value Codec<VelmoraWidgetShadow>::encode(const VelmoraWidgetShadow& value) {
    return json::string(rawValue(value));
}

VelmoraWidgetShadow Codec<VelmoraWidgetShadow>::decode(const json::value& json,
                                                       const std::string& path) {
    return decodeEnumText(json, path, &velmoraWidgetShadowFromRawValue);
}

json::value Codec<VelmoraWidgetPalette>::encode(const VelmoraWidgetPalette& value) {
    return ObjectWriter()
        .field("surface", value.surface)
        .field("raisedSurface", value.raisedSurface)
        .field("text", value.text)
        .field("mutedText", value.mutedText)
        .field("border", value.border)
        .field("accent", value.accent)
        .field("onAccent", value.onAccent)
        .field("link", value.link)
        .field("focus", value.focus)
        .take();
}

VelmoraWidgetPalette Codec<VelmoraWidgetPalette>::decode(const json::value& json,
                                                         const std::string& path) {
    const ObjectReader r(json, path);
    return {
        .surface = r.required<std::string>("surface"),
        .raisedSurface = r.required<std::string>("raisedSurface"),
        .text = r.required<std::string>("text"),
        .mutedText = r.required<std::string>("mutedText"),
        .border = r.required<std::string>("border"),
        .accent = r.required<std::string>("accent"),
        .onAccent = r.required<std::string>("onAccent"),
        .link = r.required<std::string>("link"),
        .focus = r.required<std::string>("focus"),
    };
}

json::value Codec<VelmoraWidgetTypography>::encode(const VelmoraWidgetTypography& value) {
    return ObjectWriter()
        .field("fontFamily", value.fontFamily)
        .field("fontSizePx", value.fontSizePx)
        .field("lineHeight", value.lineHeight)
        .take();
}

VelmoraWidgetTypography Codec<VelmoraWidgetTypography>::decode(const json::value& json,
                                                               const std::string& path) {
    const ObjectReader r(json, path);
    return {
        .fontFamily = r.required<std::string>("fontFamily"),
        .fontSizePx = r.required<double>("fontSizePx"),
        .lineHeight = r.required<double>("lineHeight"),
    };
}

json::value Codec<VelmoraWidgetSpacing>::encode(const VelmoraWidgetSpacing& value) {
    return ObjectWriter()
        .field("xsPx", value.xsPx)
        .field("smPx", value.smPx)
        .field("mdPx", value.mdPx)
        .field("lgPx", value.lgPx)
        .field("xlPx", value.xlPx)
        .take();
}

VelmoraWidgetSpacing Codec<VelmoraWidgetSpacing>::decode(const json::value& json,
                                                         const std::string& path) {
    const ObjectReader r(json, path);
    return {
        .xsPx = r.required<double>("xsPx"),
        .smPx = r.required<double>("smPx"),
        .mdPx = r.required<double>("mdPx"),
        .lgPx = r.required<double>("lgPx"),
        .xlPx = r.required<double>("xlPx"),
    };
}

json::value Codec<VelmoraWidgetMetrics>::encode(const VelmoraWidgetMetrics& value) {
    return ObjectWriter()
        .field("touchTargetPx", value.touchTargetPx)
        .field("launcherMinHeightPx", value.launcherMinHeightPx)
        .field("panelWidthPx", value.panelWidthPx)
        .field("panelHeightPx", value.panelHeightPx)
        .field("offsetInlinePx", value.offsetInlinePx)
        .field("offsetBlockPx", value.offsetBlockPx)
        .take();
}

VelmoraWidgetMetrics Codec<VelmoraWidgetMetrics>::decode(const json::value& json,
                                                         const std::string& path) {
    const ObjectReader r(json, path);
    return {
        .touchTargetPx = r.required<double>("touchTargetPx"),
        .launcherMinHeightPx = r.required<double>("launcherMinHeightPx"),
        .panelWidthPx = r.required<double>("panelWidthPx"),
        .panelHeightPx = r.required<double>("panelHeightPx"),
        .offsetInlinePx = r.required<double>("offsetInlinePx"),
        .offsetBlockPx = r.required<double>("offsetBlockPx"),
    };
}

json::value Codec<VelmoraWidgetResolvedLayout>::encode(const VelmoraWidgetResolvedLayout& value) {
    return ObjectWriter()
        .field("placement", value.placement)
        .field("panelWidth", value.panelWidth)
        .field("panelHeight", value.panelHeight)
        .take();
}

VelmoraWidgetResolvedLayout Codec<VelmoraWidgetResolvedLayout>::decode(const json::value& json,
                                                                       const std::string& path) {
    const ObjectReader r(json, path);
    return {
        .placement = r.required<std::string>("placement"),
        .panelWidth = r.required<std::string>("panelWidth"),
        .panelHeight = r.required<std::string>("panelHeight"),
    };
}

json::value Codec<VelmoraWidgetAppearance>::encode(const VelmoraWidgetAppearance& value) {
    return ObjectWriter()
        .field("mode", value.mode)
        .field("light", value.light)
        .field("dark", value.dark)
        .field("typography", value.typography)
        .field("spacing", value.spacing)
        .field("metrics", value.metrics)
        .field("controlRadiusPx", value.controlRadiusPx)
        .field("borderWidthPx", value.borderWidthPx)
        .field("shadow", value.shadow)
        .field("layout", value.layout)
        .take();
}

VelmoraWidgetAppearance Codec<VelmoraWidgetAppearance>::decode(const json::value& json,
                                                               const std::string& path) {
    const ObjectReader r(json, path);
    return {
        .mode = r.required<VelmoraWidgetColorMode>("mode"),
        .light = r.required<VelmoraWidgetPalette>("light"),
        .dark = r.required<VelmoraWidgetPalette>("dark"),
        .typography = r.required<VelmoraWidgetTypography>("typography"),
        .spacing = r.required<VelmoraWidgetSpacing>("spacing"),
        .metrics = r.required<VelmoraWidgetMetrics>("metrics"),
        .controlRadiusPx = r.required<double>("controlRadiusPx"),
        .borderWidthPx = r.required<double>("borderWidthPx"),
        .shadow = r.required<VelmoraWidgetShadow>("shadow"),
        .layout = r.required<VelmoraWidgetResolvedLayout>("layout"),
    };
}

} // namespace detail

VELMORA_DEFINE_JSON_CODING(VelmoraWidgetPalette)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetTypography)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetSpacing)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetMetrics)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetResolvedLayout)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetAppearance)

} // namespace velmora
