#include "velmora/widget_design_profile.hpp"

#include "detail/widget_codecs.hpp"

#include <array>

namespace velmora {
namespace {

constexpr std::array<std::string_view, 2> kReducedMotionTexts = {"system", "always"};

} // namespace

std::string_view rawValue(VelmoraWidgetReducedMotionMode mode) noexcept {
    return kReducedMotionTexts[static_cast<std::size_t>(mode)];
}

std::optional<VelmoraWidgetReducedMotionMode>
velmoraWidgetReducedMotionModeFromRawValue(std::string_view text) noexcept {
    return detail::enumFromText<VelmoraWidgetReducedMotionMode>(kReducedMotionTexts, text);
}

namespace detail {

json::value
Codec<VelmoraWidgetReducedMotionMode>::encode(const VelmoraWidgetReducedMotionMode& value) {
    return json::string(rawValue(value));
}

VelmoraWidgetReducedMotionMode
Codec<VelmoraWidgetReducedMotionMode>::decode(const json::value& json, const std::string& path) {
    return decodeEnumText(json, path, &velmoraWidgetReducedMotionModeFromRawValue);
}

} // namespace detail

VELMORA_DEFINE_JSON_CODING(VelmoraWidgetPresentationInput)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetPresentation)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetPlatformOverride::SafeArea)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetPlatformOverride::Keyboard)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetPlatformOverride::Navigation)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetPlatformOverride)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetExperienceInput)

} // namespace velmora
