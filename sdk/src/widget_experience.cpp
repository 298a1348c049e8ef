#include "velmora/widget_experience.hpp"

#include "detail/widget_codecs.hpp"

#include <array>

namespace velmora {
namespace {

constexpr std::array<std::string_view, 7> kPlatformTexts = {
    "web", "ios", "android", "flutter", "react-native", "nativescript", "capacitor",
};

} // namespace

std::string_view rawValue(VelmoraWidgetPlatform platform) noexcept {
    return kPlatformTexts[static_cast<std::size_t>(platform)];
}

std::optional<VelmoraWidgetPlatform>
velmoraWidgetPlatformFromRawValue(std::string_view text) noexcept {
    return detail::enumFromText<VelmoraWidgetPlatform>(kPlatformTexts, text);
}

namespace detail {

json::value Codec<VelmoraWidgetPlatform>::encode(const VelmoraWidgetPlatform& value) {
    return json::string(rawValue(value));
}

VelmoraWidgetPlatform Codec<VelmoraWidgetPlatform>::decode(const json::value& json,
                                                           const std::string& path) {
    return decodeEnumText(json, path, &velmoraWidgetPlatformFromRawValue);
}

} // namespace detail

VELMORA_DEFINE_JSON_CODING(VelmoraWidgetExperience)

} // namespace velmora
