#pragma once

#include "platform/color.hpp"
#include "velmora/ui/platform_settings.hpp"
#include "velmora/widget_experience.hpp"

#include <optional>
#include <string>

namespace velmora::detail {

/// The colour around and behind the panel: the surface of the palette in effect (the dark one
/// in dark mode, and in system mode when the surroundings are dark), read by the views' one
/// colour parser.
VelmoraColor hostSurfaceColor(const VelmoraWidgetAppearance& appearance, VelmoraColorScheme scheme);

/// The extra insets a design asks for around the panel, in points (0 for each one it leaves
/// out).
VelmoraSafeAreaInsets
hostSafeAreaInsets(const std::optional<VelmoraWidgetPlatformOverride>& platformOverride);

/// Showing and closing cross-fade instead of moving: the design forces reduced motion, or the
/// user asked for reduced motion or cross-fades, or the device saves power or runs hot.
bool shouldCrossFadeTransitions(bool profileReducedMotion,
                                const VelmoraPlatformSettingsValues& values) noexcept;

/// What the launcher button draws.
struct LauncherModel {
    /// Hidden while the widget is open.
    bool visible = true;
    VelmoraColor tint;
    VelmoraColor foreground;
    /// The copy text "panel.title", or the empty text.
    std::string accessibleName;
    friend bool operator==(const LauncherModel&, const LauncherModel&) = default;
};

LauncherModel launcherModel(const VelmoraWidgetExperience& experience, VelmoraColorScheme scheme,
                            bool widgetOpen);

} // namespace velmora::detail
