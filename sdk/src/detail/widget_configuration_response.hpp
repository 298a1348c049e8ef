#pragma once

#include "detail/json_codec.hpp"
#include "detail/record_codec.hpp"
#include "detail/widget_codecs.hpp"
#include "velmora/json_value.hpp"
#include "velmora/widget_configuration.hpp"

#include <boost/describe/class.hpp>

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

} // namespace velmora::detail

namespace velmora {

BOOST_DESCRIBE_STRUCT(VelmoraWidgetNavigation, (), (messages, help))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetVoiceSettings, (),
                      (enabled, defaultSpeechLanguage, allowedSpeechLanguages))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetBusinessHoursWindow, (), (weekday, startMinute, endMinute))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetOfficeHoliday, (), (date, name))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetAvailabilitySnapshot, (),
                      (state, withinBusinessHours, humanAvailable, aiAvailable,
                       expectedReplyMinutes, expectedReplySource, firstReplySlaMinutes,
                       calculatedAt))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetAvailabilityMessageKeys, (),
                      (teamOnline, aiOnline, busy, offline, replyTeam, replyAi, replyBusy,
                       replyOffline, replyTeamSla, replyAiSla, replyBusySla, replyOfflineSla,
                       replyUnknown))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetAvailability, (),
                      (mode, timezone, businessHours, holidays, showAgentAvailability, snapshot,
                       messageKeys))

} // namespace velmora

namespace velmora::detail {

BOOST_DESCRIBE_STRUCT(WidgetConfigurationTheme, (), (colorMode))
BOOST_DESCRIBE_STRUCT(WidgetAppearanceResponseConfig, (),
                      (appearance, workspacePublicName, theme, aiMode, channels, navigation,
                       availability, voice))
BOOST_DESCRIBE_STRUCT(WidgetAppearanceResponse, (), (ok, config))

// Enumerations travel as their texts.
#define VELMORA_DECLARE_DECODE_CODEC(Type)                                                         \
    template <> struct Codec<Type> {                                                               \
        static Type decode(const json::value& v, const std::string& path);                         \
    }

VELMORA_DECLARE_DECODE_CODEC(VelmoraWidgetChannel);
VELMORA_DECLARE_DECODE_CODEC(VelmoraWidgetAvailabilityMode);
VELMORA_DECLARE_DECODE_CODEC(VelmoraWidgetAvailabilityState);
VELMORA_DECLARE_DECODE_CODEC(VelmoraWidgetReplyExpectationSource);

#undef VELMORA_DECLARE_DECODE_CODEC

/// Reads the body of the configuration answer; throws `VelmoraDecodingError`.
WidgetAppearanceResponse decodeWidgetAppearanceResponse(std::string_view body);

} // namespace velmora::detail
