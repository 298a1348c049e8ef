#include "hosting/hosting_model.hpp"

#include "views/widget_view_model.hpp"

namespace velmora::detail {

namespace {

const VelmoraWidgetPalette& paletteInEffect(const VelmoraWidgetAppearance& appearance,
                                            VelmoraColorScheme scheme) {
    return usesDarkPalette(appearance.mode, scheme) ? appearance.dark : appearance.light;
}

} // namespace

VelmoraColor hostSurfaceColor(const VelmoraWidgetAppearance& appearance,
                              VelmoraColorScheme scheme) {
    return colorFromHex(paletteInEffect(appearance, scheme).surface);
}

VelmoraSafeAreaInsets
hostSafeAreaInsets(const std::optional<VelmoraWidgetPlatformOverride>& platformOverride) {
    if (!platformOverride || !platformOverride->safeArea)
        return {};
    const auto& area = *platformOverride->safeArea;
    return {area.topPx.value_or(0), area.leftPx.value_or(0), area.bottomPx.value_or(0),
            area.rightPx.value_or(0)};
}

bool shouldCrossFadeTransitions(bool profileReducedMotion,
                                const VelmoraPlatformSettingsValues& values) noexcept {
    return profileReducedMotion || values.reduceMotion || values.preferCrossFadeTransitions ||
           values.lowPowerMode || values.thermalState == VelmoraThermalState::serious ||
           values.thermalState == VelmoraThermalState::critical;
}

LauncherModel launcherModel(const VelmoraWidgetExperience& experience, VelmoraColorScheme scheme,
                            bool widgetOpen) {
    const auto& palette = paletteInEffect(experience.appearance, scheme);
    return {!widgetOpen, colorFromHex(palette.accent), colorFromHex(palette.onAccent),
            copyText(experience.copy, {"panel.title"})};
}

} // namespace velmora::detail
