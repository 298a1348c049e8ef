#pragma once

// JSON codecs of the widget design records, shared by the sources that nest them.

#include "detail/enum_text.hpp"
#include "detail/json_codec.hpp"
#include "velmora/widget_appearance.hpp"
#include "velmora/widget_color_mode.hpp"
#include "velmora/widget_copy.hpp"
#include "velmora/widget_design_profile.hpp"
#include "velmora/widget_experience.hpp"
#include "velmora/widget_raw_appearance.hpp"

#include "velmora/decoding_error.hpp"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::detail {

#define VELMORA_DECLARE_WIDGET_CODEC(Type)                                                         \
    template <> struct Codec<Type> {                                                               \
        static json::value encode(const Type& value);                                              \
        static Type decode(const json::value& json, const std::string& path);                      \
    };

VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetColorMode)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetShadow)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetReducedMotionMode)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetPlatform)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetPalette)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetTypography)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetSpacing)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetMetrics)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetResolvedLayout)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetAppearance)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetRawPalette)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetRawAppearanceV2::Tokens)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetRawAppearanceV2::Layout)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetRawAppearanceV2)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetPresentationInput)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetPresentation)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetPlatformOverride::SafeArea)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetPlatformOverride::Keyboard)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetPlatformOverride::Navigation)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetPlatformOverride)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetExperienceInput)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetCopy)
VELMORA_DECLARE_WIDGET_CODEC(VelmoraWidgetExperience)

#undef VELMORA_DECLARE_WIDGET_CODEC

} // namespace velmora::detail
