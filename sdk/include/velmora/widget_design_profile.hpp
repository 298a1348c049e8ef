#pragma once

#include "velmora/json_coding.hpp"
#include "velmora/widget_raw_appearance.hpp"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// Whether the design forces reduced motion; travels as "system" or "always".
enum class VelmoraWidgetReducedMotionMode { system, always };

std::string_view rawValue(VelmoraWidgetReducedMotionMode mode) noexcept;

/// The mode whose text equals `text` exactly (case-sensitive, untrimmed), or nothing.
std::optional<VelmoraWidgetReducedMotionMode>
velmoraWidgetReducedMotionModeFromRawValue(std::string_view text) noexcept;

/// The profile's launcher and panel wishes; allowed values are checked by resolution.
struct VelmoraWidgetPresentationInput {
    std::optional<bool> launcherVisible;
    std::optional<bool> hideLauncherOnOpen;
    std::optional<std::string> panelPresentation; ///< "floating", "fullscreen" or "embedded"

    friend bool operator==(const VelmoraWidgetPresentationInput&,
                           const VelmoraWidgetPresentationInput&) = default;
};

/// The launcher and panel presentation with defaults applied.
struct VelmoraWidgetPresentation {
    bool launcherVisible = true;
    bool hideLauncherOnOpen = true;
    std::string panelPresentation = "floating";

    friend bool operator==(const VelmoraWidgetPresentation&,
                           const VelmoraWidgetPresentation&) = default;
};

/// What one platform changes of the design. Texts hold allowed values that resolution checks.
struct VelmoraWidgetPlatformOverride {
    /// Insets in CSS pixels, each 0 to 100.
    struct SafeArea {
        std::optional<double> topPx;
        std::optional<double> rightPx;
        std::optional<double> bottomPx;
        std::optional<double> leftPx;

        friend bool operator==(const SafeArea&, const SafeArea&) = default;
    };

    struct Keyboard {
        std::optional<std::string> resizeMode; ///< "resize", "pan" or "overlay"
        std::optional<bool> dismissOnSubmit;

        friend bool operator==(const Keyboard&, const Keyboard&) = default;
    };

    struct Navigation {
        std::optional<std::string> presentation;  ///< "modal", "push" or "embedded"
        std::optional<std::string> closeBehavior; ///< "dismiss", "pop" or "hidden"

        friend bool operator==(const Navigation&, const Navigation&) = default;
    };

    std::optional<VelmoraWidgetRawAppearanceV2> appearance;
    std::optional<SafeArea> safeArea;
    std::optional<Keyboard> keyboard;
    std::optional<Navigation> navigation;

    friend bool operator==(const VelmoraWidgetPlatformOverride&,
                           const VelmoraWidgetPlatformOverride&) = default;
};

/// A design profile (schema version 2) as it travels in JSON. Only the schema version and the
/// locale are required; resolution checks the values and fills the gaps.
struct VelmoraWidgetExperienceInput {
    std::int64_t schemaVersion = 0;
    std::string locale;
    std::optional<VelmoraWidgetRawAppearanceV2> appearance;
    /// Keyed by platform text ("web", "ios", ...).
    std::optional<std::map<std::string, VelmoraWidgetPlatformOverride>> platformOverrides;
    std::optional<VelmoraWidgetPresentationInput> presentation;
    std::optional<std::string> reducedMotion; ///< "system" or "always"
    /// Copy key to text, laid over the locale's texts.
    std::optional<std::map<std::string, std::string>> copy;

    friend bool operator==(const VelmoraWidgetExperienceInput&,
                           const VelmoraWidgetExperienceInput&) = default;
};

std::string encodeJSON(const VelmoraWidgetPresentationInput& value);
std::string encodeJSON(const VelmoraWidgetPresentation& value);
std::string encodeJSON(const VelmoraWidgetPlatformOverride::SafeArea& value);
std::string encodeJSON(const VelmoraWidgetPlatformOverride::Keyboard& value);
std::string encodeJSON(const VelmoraWidgetPlatformOverride::Navigation& value);
std::string encodeJSON(const VelmoraWidgetPlatformOverride& value);
std::string encodeJSON(const VelmoraWidgetExperienceInput& value);
template <>
VelmoraWidgetPresentationInput decodeJSON<VelmoraWidgetPresentationInput>(std::string_view json);
template <> VelmoraWidgetPresentation decodeJSON<VelmoraWidgetPresentation>(std::string_view json);
template <>
VelmoraWidgetPlatformOverride::SafeArea
decodeJSON<VelmoraWidgetPlatformOverride::SafeArea>(std::string_view json);
template <>
VelmoraWidgetPlatformOverride::Keyboard
decodeJSON<VelmoraWidgetPlatformOverride::Keyboard>(std::string_view json);
template <>
VelmoraWidgetPlatformOverride::Navigation
decodeJSON<VelmoraWidgetPlatformOverride::Navigation>(std::string_view json);
template <>
VelmoraWidgetPlatformOverride decodeJSON<VelmoraWidgetPlatformOverride>(std::string_view json);
template <>
VelmoraWidgetExperienceInput decodeJSON<VelmoraWidgetExperienceInput>(std::string_view json);

} // namespace velmora
