#pragma once

// JSON codecs of the widget design records, shared by the sources that nest them: each record
// is its fields, written and read by the described-record codec.

#include "detail/enum_text.hpp"
#include "detail/json_codec.hpp"
#include "detail/record_codec.hpp"
#include "velmora/widget_appearance.hpp"
#include "velmora/widget_color_mode.hpp"
#include "velmora/widget_copy.hpp"
#include "velmora/widget_design_profile.hpp"
#include "velmora/widget_experience.hpp"
#include "velmora/widget_raw_appearance.hpp"

#include "velmora/decoding_error.hpp"

#include <boost/describe/class.hpp>

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

BOOST_DESCRIBE_STRUCT(VelmoraWidgetPalette, (),
                      (surface, raisedSurface, text, mutedText, border, accent, onAccent, link,
                       focus))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetTypography, (), (fontFamily, fontSizePx, lineHeight))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetSpacing, (), (xsPx, smPx, mdPx, lgPx, xlPx))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetMetrics, (),
                      (touchTargetPx, launcherMinHeightPx, panelWidthPx, panelHeightPx,
                       offsetInlinePx, offsetBlockPx))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetResolvedLayout, (), (placement, panelWidth, panelHeight))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetAppearance, (),
                      (mode, light, dark, typography, spacing, metrics, controlRadiusPx,
                       borderWidthPx, shadow, layout))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetRawPalette, (),
                      (surface, raisedSurface, text, mutedText, border, accent, onAccent, link,
                       focus))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetRawAppearanceV2::Tokens, (),
                      (light, dark, fontFamily, fontSize, lineHeight, controlRadius, borderWidth,
                       shadow))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetRawAppearanceV2::Layout, (),
                      (placement, offsetInline, offsetBlock, panelWidth, panelHeight))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetRawAppearanceV2, (), (mode, lightSurfaceStyle, tokens, layout))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetPresentationInput, (),
                      (launcherVisible, hideLauncherOnOpen, panelPresentation))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetPresentation, (),
                      (launcherVisible, hideLauncherOnOpen, panelPresentation))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetPlatformOverride::SafeArea, (),
                      (topPx, rightPx, bottomPx, leftPx))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetPlatformOverride::Keyboard, (), (resizeMode, dismissOnSubmit))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetPlatformOverride::Navigation, (), (presentation, closeBehavior))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetPlatformOverride, (),
                      (appearance, safeArea, keyboard, navigation))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetExperienceInput, (),
                      (schemaVersion, locale, appearance, platformOverrides, presentation,
                       reducedMotion, copy))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetExperience, (),
                      (schemaVersion, locale, platform, rawAppearanceV2, appearance,
                       platformOverride, presentation, reducedMotionMode, reducedMotion, copy,
                       sources))

} // namespace velmora

namespace velmora::detail {

#define VELMORA_DECLARE_WIDGET_CODEC(Type)                                                         \
    template <> struct Codec<Type> {                                                               \
        static json::value encode(const Type& value);                                              \
        static Type decode(const json::value& json, const std::string& path);                      \
    };

// Enumerations travel as their texts.
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetColorMode)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetShadow)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetReducedMotionMode)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetPlatform)
// The copy's texts are private and travel under "values"; decoding leaves the checks to the
// experience that uses them.
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetCopy)

#undef VELMORA_DECLARE_WIDGET_CODEC

} // namespace velmora::detail
