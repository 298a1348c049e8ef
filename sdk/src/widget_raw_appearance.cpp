#include "velmora/widget_raw_appearance.hpp"

#include "detail/widget_codecs.hpp"

namespace velmora {
namespace detail {

using Tokens = VelmoraWidgetRawAppearanceV2::Tokens;
using Layout = VelmoraWidgetRawAppearanceV2::Layout;

json::value Codec<VelmoraWidgetRawPalette>::encode(const VelmoraWidgetRawPalette& value) {
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

VelmoraWidgetRawPalette Codec<VelmoraWidgetRawPalette>::decode(const json::value& json,
                                                               const std::string& path) {
    const ObjectReader r(json, path);
    return {
        .surface = r.optional<std::string>("surface"),
        .raisedSurface = r.optional<std::string>("raisedSurface"),
        .text = r.optional<std::string>("text"),
        .mutedText = r.optional<std::string>("mutedText"),
        .border = r.optional<std::string>("border"),
        .accent = r.optional<std::string>("accent"),
        .onAccent = r.optional<std::string>("onAccent"),
        .link = r.optional<std::string>("link"),
        .focus = r.optional<std::string>("focus"),
    };
}

json::value Codec<Tokens>::encode(const Tokens& value) {
    return ObjectWriter()
        .field("light", value.light)
        .field("dark", value.dark)
        .field("fontFamily", value.fontFamily)
        .field("fontSize", value.fontSize)
        .field("lineHeight", value.lineHeight)
        .field("controlRadius", value.controlRadius)
        .field("borderWidth", value.borderWidth)
        .field("shadow", value.shadow)
        .take();
}

Tokens Codec<Tokens>::decode(const json::value& json, const std::string& path) {
    const ObjectReader r(json, path);
    return {
        .light = r.optional<VelmoraWidgetRawPalette>("light"),
        .dark = r.optional<VelmoraWidgetRawPalette>("dark"),
        .fontFamily = r.optional<std::string>("fontFamily"),
        .fontSize = r.optional<std::string>("fontSize"),
        .lineHeight = r.optional<double>("lineHeight"),
        .controlRadius = r.optional<std::string>("controlRadius"),
        .borderWidth = r.optional<std::string>("borderWidth"),
        .shadow = r.optional<VelmoraWidgetShadow>("shadow"),
    };
}

json::value Codec<Layout>::encode(const Layout& value) {
    return ObjectWriter()
        .field("placement", value.placement)
        .field("offsetInline", value.offsetInline)
        .field("offsetBlock", value.offsetBlock)
        .field("panelWidth", value.panelWidth)
        .field("panelHeight", value.panelHeight)
        .take();
}

Layout Codec<Layout>::decode(const json::value& json, const std::string& path) {
    const ObjectReader r(json, path);
    return {
        .placement = r.optional<std::string>("placement"),
        .offsetInline = r.optional<double>("offsetInline"),
        .offsetBlock = r.optional<double>("offsetBlock"),
        .panelWidth = r.optional<double>("panelWidth"),
        .panelHeight = r.optional<double>("panelHeight"),
    };
}

json::value Codec<VelmoraWidgetRawAppearanceV2>::encode(const VelmoraWidgetRawAppearanceV2& value) {
    return ObjectWriter()
        .field("mode", value.mode)
        .field("lightSurfaceStyle", value.lightSurfaceStyle)
        .field("tokens", value.tokens)
        .field("layout", value.layout)
        .take();
}

VelmoraWidgetRawAppearanceV2 Codec<VelmoraWidgetRawAppearanceV2>::decode(const json::value& json,
                                                                         const std::string& path) {
    const ObjectReader r(json, path);
    return {
        .mode = r.optional<VelmoraWidgetColorMode>("mode"),
        .lightSurfaceStyle = r.optional<std::string>("lightSurfaceStyle"),
        .tokens = r.optional<Tokens>("tokens"),
        .layout = r.optional<Layout>("layout"),
    };
}

} // namespace detail

VELMORA_DEFINE_JSON_CODING(VelmoraWidgetRawPalette)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetRawAppearanceV2::Tokens)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetRawAppearanceV2::Layout)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetRawAppearanceV2)

} // namespace velmora
