#include "detail/widget_codecs.hpp"
#include "detail/widget_defaults.hpp"
#include "velmora/error.hpp"
#include "velmora/widget_experience.hpp"

#include <algorithm>

namespace velmora {
namespace {

namespace defaults = detail::VelmoraWidgetDefaults;

template <class... Allowed> bool isOneOf(const std::string& value, const Allowed&... allowed) {
    return ((value == allowed) || ...);
}

void checkProfile(const VelmoraWidgetExperienceInput& input) {
    if (input.schemaVersion != 2) {
        throw VelmoraError(VelmoraErrorCode::unsupported, std::nullopt, std::nullopt,
                           "Unsupported widget design schema.");
    }
    if (!isOneOf(input.locale, "en", "uk", "de", "es")) {
        defaults::throwFieldInvalid("Unsupported widget locale.");
    }
    if (input.reducedMotion && !isOneOf(*input.reducedMotion, "system", "always")) {
        defaults::throwFieldInvalid("Reduced motion must be system or always.");
    }
    if (const auto& overrides = input.platformOverrides) {
        // Every name first, then every override's contents.
        for (const auto& [name, ignored] : *overrides) {
            if (!velmoraWidgetPlatformFromRawValue(name)) {
                defaults::throwFieldInvalid("Unsupported widget platform override.");
            }
        }
        for (const auto& [ignored, platformOverride] : *overrides) {
            defaults::validate(platformOverride);
        }
    }
    if (input.presentation && input.presentation->panelPresentation &&
        !isOneOf(*input.presentation->panelPresentation, "floating", "fullscreen", "embedded")) {
        defaults::throwFieldInvalid("Unsupported widget panel presentation.");
    }
    if (const auto& copy = input.copy) {
        const auto& required = VelmoraWidgetCopy::requiredKeys();
        if (!std::all_of(copy->begin(), copy->end(),
                         [&](const auto& entry) { return required.contains(entry.first); })) {
            defaults::throwFieldInvalid("Widget copy contains an unknown key.");
        }
    }
}

VelmoraWidgetCopy mergedCopy(const VelmoraWidgetExperienceInput& input,
                             const std::map<std::string, std::string>& localeCopy) {
    std::map<std::string, std::string> values = localeCopy;
    if (input.copy) {
        for (const auto& [key, text] : *input.copy) {
            values.insert_or_assign(key, text);
        }
    }
    return VelmoraWidgetCopy(std::move(values));
}

VelmoraWidgetPresentation
resolvedPresentation(const std::optional<VelmoraWidgetPresentationInput>& input) {
    const VelmoraWidgetPresentation& fallback = defaults::presentation();
    if (!input) {
        return fallback;
    }
    return {
        .launcherVisible = input->launcherVisible.value_or(fallback.launcherVisible),
        .hideLauncherOnOpen = input->hideLauncherOnOpen.value_or(fallback.hideLauncherOnOpen),
        .panelPresentation = input->panelPresentation.value_or(fallback.panelPresentation),
    };
}

} // namespace

VelmoraWidgetExperience
VelmoraWidgetExperience::resolve(const VelmoraWidgetExperienceInput& input,
                                 VelmoraWidgetPlatform platform, bool osReducedMotion,
                                 const std::map<std::string, std::string>& localeCopy) {
    checkProfile(input);
    VelmoraWidgetCopy copy = mergedCopy(input, localeCopy);

    // Defaults, then the profile, then the running platform's override; each layer tints its
    // own light surfaces before it is laid over the ones below.
    std::optional<VelmoraWidgetPlatformOverride> platformOverride;
    if (input.platformOverrides) {
        if (const auto found = input.platformOverrides->find(std::string(rawValue(platform)));
            found != input.platformOverrides->end()) {
            platformOverride = found->second;
        }
    }
    VelmoraWidgetRawAppearanceV2 raw = defaults::merge(
        defaults::appearance(),
        defaults::materialize(input.appearance.value_or(VelmoraWidgetRawAppearanceV2{})));
    if (platformOverride && platformOverride->appearance) {
        raw = defaults::merge(raw, defaults::materialize(*platformOverride->appearance));
    }
    VelmoraWidgetAppearance appearance = defaults::resolve(raw);

    const VelmoraWidgetReducedMotionMode mode = input.reducedMotion == "always"
                                                    ? VelmoraWidgetReducedMotionMode::always
                                                    : VelmoraWidgetReducedMotionMode::system;
    const bool forced = mode == VelmoraWidgetReducedMotionMode::always;

    std::map<std::string, std::string> sources = {
        {"appearance", input.appearance ? "profile" : "default"},
        {"platform", platformOverride ? "platform" : "default"},
        {"copy", input.copy ? "profile" : "locale"},
        {"reducedMotion", forced ? "profile" : (osReducedMotion ? "system" : "default")},
    };

    return {
        .schemaVersion = 2,
        .locale = input.locale,
        .platform = platform,
        .rawAppearanceV2 = std::move(raw),
        .appearance = std::move(appearance),
        .platformOverride = std::move(platformOverride),
        .presentation = resolvedPresentation(input.presentation),
        .reducedMotionMode = mode,
        .reducedMotion = forced || osReducedMotion,
        .copy = std::move(copy),
        .sources = std::move(sources),
    };
}

VelmoraWidgetExperience
VelmoraWidgetExperience::decodeAndResolve(const Data& profile, VelmoraWidgetPlatform platform,
                                          bool osReducedMotion,
                                          const std::map<std::string, std::string>& localeCopy) {
    const detail::json::value document = defaults::validateWireProfile(profile);
    const VelmoraWidgetExperienceInput input =
        detail::Codec<VelmoraWidgetExperienceInput>::decode(document, "");
    return resolve(input, platform, osReducedMotion, localeCopy);
}

} // namespace velmora
