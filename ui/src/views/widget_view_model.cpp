#include "views/widget_view_model.hpp"

#include <algorithm>

namespace velmora::detail {

std::string copyText(const VelmoraWidgetCopy& copy, std::initializer_list<std::string_view> keys) {
    for (const std::string_view key : keys)
        if (const auto found = copy.values().find(std::string(key)); found != copy.values().end())
            return found->second;
    return {};
}

std::string PanelContext::copy(std::string_view key) const {
    return copyText(experience.copy, {key});
}

VelmoraFontSpec PanelContext::font(double size, VelmoraTextStyle style,
                                   std::optional<VelmoraFontWeight> weight) const {
    return widgetFontSpec(experience.appearance.typography.fontFamily, size, style, weight,
                          textScale);
}

bool usesDarkPalette(VelmoraWidgetColorMode mode, VelmoraColorScheme scheme) noexcept {
    switch (mode) {
    case VelmoraWidgetColorMode::system:
        return scheme == VelmoraColorScheme::dark;
    case VelmoraWidgetColorMode::dark:
        return true;
    case VelmoraWidgetColorMode::light:
        return false;
    }
    return false;
}

bool panelReduceMotion(const PanelMotionInputs& inputs) noexcept {
    if (inputs.scenePhase != PanelScenePhase::active || !inputs.isOpen ||
        inputs.accessibilityReduceMotion || inputs.forcedReducedMotion ||
        inputs.limitsNonEssentialMotion)
        return true;
    return inputs.prefersCrossFadeTransitions;
}

std::optional<VelmoraWidgetAnimation> panelNavigationAnimation(const PanelMotionInputs& inputs) {
    if (panelReduceMotion(inputs) || inputs.limitsNonEssentialMotion || !inputs.animationsEnabled)
        return std::nullopt;
    return VelmoraWidgetAnimation{VelmoraWidgetAnimation::Curve::easeInOut, 0.22};
}

std::optional<VelmoraWidgetAnimation> transcriptScrollAnimation(bool reduceMotion) {
    if (reduceMotion)
        return std::nullopt;
    return VelmoraWidgetAnimation{VelmoraWidgetAnimation::Curve::easeOut, 0.18};
}

bool composerIsEditable(bool hasPendingFirstDraft, VelmoraLoadingState loadingState) noexcept {
    return !hasPendingFirstDraft && loadingState != VelmoraLoadingState::sendingMessage &&
           loadingState != VelmoraLoadingState::startingSession;
}

VelmoraColor systemRed(bool dark) noexcept {
    return dark ? VelmoraColor{255, 69, 58} : VelmoraColor{255, 59, 48};
}
VelmoraColor systemGreen(bool dark) noexcept {
    return dark ? VelmoraColor{48, 209, 88} : VelmoraColor{52, 199, 89};
}
VelmoraColor systemOrange(bool dark) noexcept {
    return dark ? VelmoraColor{255, 159, 10} : VelmoraColor{255, 149, 0};
}

double hairline(const VelmoraWidgetAppearance& appearance) noexcept {
    return std::max(appearance.borderWidthPx, 1.0);
}

} // namespace velmora::detail
