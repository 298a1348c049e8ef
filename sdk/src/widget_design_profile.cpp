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

using SafeArea = VelmoraWidgetPlatformOverride::SafeArea;
using Keyboard = VelmoraWidgetPlatformOverride::Keyboard;
using Navigation = VelmoraWidgetPlatformOverride::Navigation;

json::value
Codec<VelmoraWidgetReducedMotionMode>::encode(const VelmoraWidgetReducedMotionMode& value) {
    return json::string(rawValue(value));
}

VelmoraWidgetReducedMotionMode
Codec<VelmoraWidgetReducedMotionMode>::decode(const json::value& json, const std::string& path) {
    return decodeEnumText(json, path, &velmoraWidgetReducedMotionModeFromRawValue);
}

json::value
Codec<VelmoraWidgetPresentationInput>::encode(const VelmoraWidgetPresentationInput& value) {
    return ObjectWriter()
        .field("launcherVisible", value.launcherVisible)
        .field("hideLauncherOnOpen", value.hideLauncherOnOpen)
        .field("panelPresentation", value.panelPresentation)
        .take();
}

VelmoraWidgetPresentationInput
Codec<VelmoraWidgetPresentationInput>::decode(const json::value& json, const std::string& path) {
    const ObjectReader r(json, path);
    return {
        .launcherVisible = r.optional<bool>("launcherVisible"),
        .hideLauncherOnOpen = r.optional<bool>("hideLauncherOnOpen"),
        .panelPresentation = r.optional<std::string>("panelPresentation"),
    };
}

json::value Codec<VelmoraWidgetPresentation>::encode(const VelmoraWidgetPresentation& value) {
    return ObjectWriter()
        .field("launcherVisible", value.launcherVisible)
        .field("hideLauncherOnOpen", value.hideLauncherOnOpen)
        .field("panelPresentation", value.panelPresentation)
        .take();
}

VelmoraWidgetPresentation Codec<VelmoraWidgetPresentation>::decode(const json::value& json,
                                                                   const std::string& path) {
    const ObjectReader r(json, path);
    return {
        .launcherVisible = r.required<bool>("launcherVisible"),
        .hideLauncherOnOpen = r.required<bool>("hideLauncherOnOpen"),
        .panelPresentation = r.required<std::string>("panelPresentation"),
    };
}

json::value Codec<SafeArea>::encode(const SafeArea& value) {
    return ObjectWriter()
        .field("topPx", value.topPx)
        .field("rightPx", value.rightPx)
        .field("bottomPx", value.bottomPx)
        .field("leftPx", value.leftPx)
        .take();
}

SafeArea Codec<SafeArea>::decode(const json::value& json, const std::string& path) {
    const ObjectReader r(json, path);
    return {
        .topPx = r.optional<double>("topPx"),
        .rightPx = r.optional<double>("rightPx"),
        .bottomPx = r.optional<double>("bottomPx"),
        .leftPx = r.optional<double>("leftPx"),
    };
}

json::value Codec<Keyboard>::encode(const Keyboard& value) {
    return ObjectWriter()
        .field("resizeMode", value.resizeMode)
        .field("dismissOnSubmit", value.dismissOnSubmit)
        .take();
}

Keyboard Codec<Keyboard>::decode(const json::value& json, const std::string& path) {
    const ObjectReader r(json, path);
    return {
        .resizeMode = r.optional<std::string>("resizeMode"),
        .dismissOnSubmit = r.optional<bool>("dismissOnSubmit"),
    };
}

json::value Codec<Navigation>::encode(const Navigation& value) {
    return ObjectWriter()
        .field("presentation", value.presentation)
        .field("closeBehavior", value.closeBehavior)
        .take();
}

Navigation Codec<Navigation>::decode(const json::value& json, const std::string& path) {
    const ObjectReader r(json, path);
    return {
        .presentation = r.optional<std::string>("presentation"),
        .closeBehavior = r.optional<std::string>("closeBehavior"),
    };
}

json::value
Codec<VelmoraWidgetPlatformOverride>::encode(const VelmoraWidgetPlatformOverride& value) {
    return ObjectWriter()
        .field("appearance", value.appearance)
        .field("safeArea", value.safeArea)
        .field("keyboard", value.keyboard)
        .field("navigation", value.navigation)
        .take();
}

VelmoraWidgetPlatformOverride
Codec<VelmoraWidgetPlatformOverride>::decode(const json::value& json, const std::string& path) {
    const ObjectReader r(json, path);
    return {
        .appearance = r.optional<VelmoraWidgetRawAppearanceV2>("appearance"),
        .safeArea = r.optional<SafeArea>("safeArea"),
        .keyboard = r.optional<Keyboard>("keyboard"),
        .navigation = r.optional<Navigation>("navigation"),
    };
}

json::value Codec<VelmoraWidgetExperienceInput>::encode(const VelmoraWidgetExperienceInput& value) {
    return ObjectWriter()
        .field("schemaVersion", value.schemaVersion)
        .field("locale", value.locale)
        .field("appearance", value.appearance)
        .field("platformOverrides", value.platformOverrides)
        .field("presentation", value.presentation)
        .field("reducedMotion", value.reducedMotion)
        .field("copy", value.copy)
        .take();
}

VelmoraWidgetExperienceInput Codec<VelmoraWidgetExperienceInput>::decode(const json::value& json,
                                                                         const std::string& path) {
    const ObjectReader r(json, path);
    return {
        .schemaVersion = r.required<std::int64_t>("schemaVersion"),
        .locale = r.required<std::string>("locale"),
        .appearance = r.optional<VelmoraWidgetRawAppearanceV2>("appearance"),
        .platformOverrides =
            r.optional<std::map<std::string, VelmoraWidgetPlatformOverride>>("platformOverrides"),
        .presentation = r.optional<VelmoraWidgetPresentationInput>("presentation"),
        .reducedMotion = r.optional<std::string>("reducedMotion"),
        .copy = r.optional<std::map<std::string, std::string>>("copy"),
    };
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
