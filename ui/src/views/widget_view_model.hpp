#pragma once

#include "platform/color.hpp"
#include "platform/font_spec.hpp"
#include "velmora/error.hpp"
#include "velmora/ui/platform_settings.hpp"
#include "velmora/ui/widget_runtime_policy.hpp"
#include "velmora/widget_experience.hpp"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::detail {

/// Whether the panel's window is on screen: shown (active), or hidden or minimised (background).
enum class PanelScenePhase { active, inactive, background };

/// What every part of the panel is drawn with: the design, the palette in effect, the motion
/// rule and the user's text scale.
struct PanelContext {
    const VelmoraWidgetExperience& experience;
    bool dark = false;
    bool reduceMotion = false;
    double textScale = 1;

    const VelmoraWidgetAppearance& appearance() const { return experience.appearance; }
    const VelmoraWidgetPalette& palette() const {
        return dark ? experience.appearance.dark : experience.appearance.light;
    }
    VelmoraColor color(const std::string VelmoraWidgetPalette::*role) const {
        return colorFromHex(palette().*role);
    }
    /// The copy text of `key`, or the empty text.
    std::string copy(std::string_view key) const;
    /// The widget font: the packaged family at `size`, else the system font of `style`.
    VelmoraFontSpec font(double size, VelmoraTextStyle style,
                         std::optional<VelmoraFontWeight> weight = std::nullopt) const;
};

/// The text of the first of `keys` that the copy holds, or the empty text.
std::string copyText(const VelmoraWidgetCopy& copy, std::initializer_list<std::string_view> keys);

/// The appearance's dark palette is in effect: always in dark mode, never in light mode, and
/// with the surroundings in system mode.
bool usesDarkPalette(VelmoraWidgetColorMode mode, VelmoraColorScheme scheme) noexcept;

/// What the panel's motion is decided from.
struct PanelMotionInputs {
    PanelScenePhase scenePhase = PanelScenePhase::active;
    bool isOpen = false;
    /// The platform's reduce-motion switch.
    bool accessibilityReduceMotion = false;
    /// The design forces reduced motion.
    bool forcedReducedMotion = false;
    bool limitsNonEssentialMotion = false;
    bool prefersCrossFadeTransitions = false;
    bool animationsEnabled = true;
};

/// Motion is reduced while the panel is hidden or closed, whenever the user, the design or the
/// device asks for it, and otherwise exactly when the user prefers cross-fade transitions.
bool panelReduceMotion(const PanelMotionInputs& inputs) noexcept;
/// The screen change's animation: ease-in-out over 0.22 s unless motion is reduced or limited
/// or animations are off.
std::optional<VelmoraWidgetAnimation> panelNavigationAnimation(const PanelMotionInputs& inputs);
/// The transcript's scroll: ease-out over 0.18 s, none under reduced motion.
std::optional<VelmoraWidgetAnimation> transcriptScrollAnimation(bool reduceMotion);

/// The composer accepts edits unless a first message waits for its session or a message or
/// session start is being sent.
bool composerIsEditable(bool hasPendingFirstDraft, VelmoraLoadingState loadingState) noexcept;

/// Fixed signal hues (status dots, failures), a lighter one on dark palettes; the design's
/// palette does not tint them.
VelmoraColor systemRed(bool dark) noexcept;
VelmoraColor systemGreen(bool dark) noexcept;
VelmoraColor systemOrange(bool dark) noexcept;

/// A hairline: the border width, at least one point.
double hairline(const VelmoraWidgetAppearance& appearance) noexcept;

} // namespace velmora::detail
