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

json::value Codec<VelmoraWidgetExperience>::encode(const VelmoraWidgetExperience& value) {
    return ObjectWriter()
        .field("schemaVersion", value.schemaVersion)
        .field("locale", value.locale)
        .field("platform", value.platform)
        .field("rawAppearanceV2", value.rawAppearanceV2)
        .field("appearance", value.appearance)
        .field("platformOverride", value.platformOverride)
        .field("presentation", value.presentation)
        .field("reducedMotionMode", value.reducedMotionMode)
        .field("reducedMotion", value.reducedMotion)
        .field("copy", value.copy)
        .field("sources", value.sources)
        .take();
}

VelmoraWidgetExperience Codec<VelmoraWidgetExperience>::decode(const json::value& json,
                                                               const std::string& path) {
    const ObjectReader r(json, path);
    return {
        .schemaVersion = r.required<std::int64_t>("schemaVersion"),
        .locale = r.required<std::string>("locale"),
        .platform = r.required<VelmoraWidgetPlatform>("platform"),
        .rawAppearanceV2 = r.required<VelmoraWidgetRawAppearanceV2>("rawAppearanceV2"),
        .appearance = r.required<VelmoraWidgetAppearance>("appearance"),
        .platformOverride = r.optional<VelmoraWidgetPlatformOverride>("platformOverride"),
        .presentation = r.required<VelmoraWidgetPresentation>("presentation"),
        .reducedMotionMode = r.required<VelmoraWidgetReducedMotionMode>("reducedMotionMode"),
        .reducedMotion = r.required<bool>("reducedMotion"),
        .copy = r.required<VelmoraWidgetCopy>("copy"),
        .sources = r.required<std::map<std::string, std::string>>("sources"),
    };
}

} // namespace detail

VELMORA_DEFINE_JSON_CODING(VelmoraWidgetExperience)

} // namespace velmora
