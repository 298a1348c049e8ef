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

} // namespace detail

VELMORA_DEFINE_JSON_CODING(VelmoraWidgetPalette)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetTypography)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetSpacing)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetMetrics)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetResolvedLayout)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetAppearance)

} // namespace velmora
