#pragma once

#include "velmora/json_coding.hpp"
#include "velmora/types.hpp"
#include "velmora/widget_appearance.hpp"
#include "velmora/widget_copy.hpp"
#include "velmora/widget_design_profile.hpp"
#include "velmora/widget_raw_appearance.hpp"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// The platforms a design can target; their texts key a profile's per-platform overrides.
enum class VelmoraWidgetPlatform {
    web,
    ios,
    android,
    flutter,
    reactNative,
    nativescript,
    capacitor
};

std::string_view rawValue(VelmoraWidgetPlatform platform) noexcept;

/// The platform whose text ("react-native", ...) equals `text` exactly, or nothing.
std::optional<VelmoraWidgetPlatform>
velmoraWidgetPlatformFromRawValue(std::string_view text) noexcept;

/// The resolved widget design: everything the views need to draw one widget on one platform.
/// An immutable value once built; safe to copy across threads.
struct VelmoraWidgetExperience {
    std::int64_t schemaVersion = 2;
    std::string locale;
    VelmoraWidgetPlatform platform = VelmoraWidgetPlatform::ios;
    /// The layers that were resolved: defaults, then the profile, then the platform's override.
    VelmoraWidgetRawAppearanceV2 rawAppearanceV2;
    VelmoraWidgetAppearance appearance;
    /// The profile's override for `platform`, when it has one.
    std::optional<VelmoraWidgetPlatformOverride> platformOverride;
    VelmoraWidgetPresentation presentation;
    VelmoraWidgetReducedMotionMode reducedMotionMode = VelmoraWidgetReducedMotionMode::system;
    /// True when the design forces it or the device asked for it at resolution.
    bool reducedMotion = false;
    VelmoraWidgetCopy copy;
    /// Where each part came from, under "appearance", "platform", "copy" and "reducedMotion".
    std::map<std::string, std::string> sources;

    /// The design itself forces reduced motion, whatever the device says.
    bool requiresForcedReducedMotion() const noexcept {
        return reducedMotionMode == VelmoraWidgetReducedMotionMode::always;
    }

    /// Checks `profile`'s field names, decodes it and resolves it. Throws `VelmoraError` for a
    /// profile that is not an object, names an unknown field or fails resolution's checks, and
    /// `VelmoraDecodingError` when the bytes are not JSON or a value has the wrong type.
    static VelmoraWidgetExperience
    decodeAndResolve(const Data& profile, VelmoraWidgetPlatform platform, bool osReducedMotion,
                     const std::map<std::string, std::string>& localeCopy);

    /// Checks an already decoded profile and resolves it for `platform`, with the device's
    /// reduce-motion setting and the locale's texts. Pure; throws `VelmoraError`.
    static VelmoraWidgetExperience resolve(const VelmoraWidgetExperienceInput& input,
                                           VelmoraWidgetPlatform platform, bool osReducedMotion,
                                           const std::map<std::string, std::string>& localeCopy);

    friend bool operator==(const VelmoraWidgetExperience&,
                           const VelmoraWidgetExperience&) = default;
};

std::string encodeJSON(const VelmoraWidgetExperience& value);
template <> VelmoraWidgetExperience decodeJSON<VelmoraWidgetExperience>(std::string_view json);

} // namespace velmora
