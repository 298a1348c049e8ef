#pragma once

#include "detail/json_codec.hpp"
#include "detail/widget_codecs.hpp"
#include "velmora/json_value.hpp"
#include "velmora/widget_configuration.hpp"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::detail {

struct WidgetConfigurationTheme {
    VelmoraWidgetColorMode colorMode = VelmoraWidgetColorMode::system;

    friend bool operator==(const WidgetConfigurationTheme&,
                           const WidgetConfigurationTheme&) = default;
};

/// The configuration object of the service's "/api/widget/v1/config" answer.
struct WidgetAppearanceResponseConfig {
    /// The design profile as received; checked by the widget experience, not here.
    std::map<std::string, JSONValue> appearance;
    std::optional<std::string> workspacePublicName;
    WidgetConfigurationTheme theme;
    std::string aiMode;
    std::vector<VelmoraWidgetChannel> channels;
    VelmoraWidgetNavigation navigation;
    VelmoraWidgetAvailability availability;
    std::optional<VelmoraWidgetVoiceSettings> voice;

    friend bool operator==(const WidgetAppearanceResponseConfig&,
                           const WidgetAppearanceResponseConfig&) = default;
};

/// The envelope of the configuration answer.
struct WidgetAppearanceResponse {
    bool ok = false;
    WidgetAppearanceResponseConfig config;

    friend bool operator==(const WidgetAppearanceResponse&,
                           const WidgetAppearanceResponse&) = default;
};

#define VELMORA_DECLARE_DECODE_CODEC(Type)                                                         \
    template <> struct Codec<Type> {                                                               \
        static Type decode(const json::value& v, const std::string& path);                         \
    }

VELMORA_DECLARE_DECODE_CODEC(VelmoraWidgetChannel);
VELMORA_DECLARE_DECODE_CODEC(VelmoraWidgetAvailabilityMode);
VELMORA_DECLARE_DECODE_CODEC(VelmoraWidgetAvailabilityState);
VELMORA_DECLARE_DECODE_CODEC(VelmoraWidgetReplyExpectationSource);
VELMORA_DECLARE_DECODE_CODEC(VelmoraWidgetNavigation);
VELMORA_DECLARE_DECODE_CODEC(VelmoraWidgetBusinessHoursWindow);
VELMORA_DECLARE_DECODE_CODEC(VelmoraWidgetOfficeHoliday);
VELMORA_DECLARE_DECODE_CODEC(VelmoraWidgetAvailabilitySnapshot);
VELMORA_DECLARE_DECODE_CODEC(VelmoraWidgetAvailabilityMessageKeys);
VELMORA_DECLARE_DECODE_CODEC(VelmoraWidgetAvailability);
VELMORA_DECLARE_DECODE_CODEC(WidgetConfigurationTheme);
VELMORA_DECLARE_DECODE_CODEC(WidgetAppearanceResponseConfig);
VELMORA_DECLARE_DECODE_CODEC(WidgetAppearanceResponse);

#undef VELMORA_DECLARE_DECODE_CODEC

template <> struct Codec<VelmoraWidgetVoiceSettings> {
    static json::value encode(const VelmoraWidgetVoiceSettings& v);
    static VelmoraWidgetVoiceSettings decode(const json::value& v, const std::string& path);
};

/// Reads the body of the configuration answer; throws `VelmoraDecodingError`.
WidgetAppearanceResponse decodeWidgetAppearanceResponse(std::string_view body);

} // namespace velmora::detail
