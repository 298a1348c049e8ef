#include "velmora/widget_configuration.hpp"

#include "detail/enum_text.hpp"
#include "detail/widget_configuration_response.hpp"

#include <algorithm>

namespace velmora {

namespace {

constexpr detail::EnumTexts<VelmoraWidgetColorMode, 3> kColorModes{{
    {VelmoraWidgetColorMode::system, "system"},
    {VelmoraWidgetColorMode::light, "light"},
    {VelmoraWidgetColorMode::dark, "dark"},
}};

constexpr detail::EnumTexts<VelmoraWidgetChannel, 4> kChannels{{
    {VelmoraWidgetChannel::contactForm, "contact-form"},
    {VelmoraWidgetChannel::websiteWidget, "website-widget"},
    {VelmoraWidgetChannel::liveChat, "live-chat"},
    {VelmoraWidgetChannel::apiIntake, "api-intake"},
}};

constexpr detail::EnumTexts<VelmoraWidgetAvailabilityMode, 4> kModes{{
    {VelmoraWidgetAvailabilityMode::alwaysOnline, "always-online"},
    {VelmoraWidgetAvailabilityMode::businessHours, "business-hours"},
    {VelmoraWidgetAvailabilityMode::alwaysAway, "always-away"},
    {VelmoraWidgetAvailabilityMode::offline, "offline"},
}};

constexpr detail::EnumTexts<VelmoraWidgetAvailabilityState, 4> kStates{{
    {VelmoraWidgetAvailabilityState::teamOnline, "team-online"},
    {VelmoraWidgetAvailabilityState::aiOnline, "ai-online"},
    {VelmoraWidgetAvailabilityState::busy, "busy"},
    {VelmoraWidgetAvailabilityState::offline, "offline"},
}};

constexpr detail::EnumTexts<VelmoraWidgetReplyExpectationSource, 4> kSources{{
    {VelmoraWidgetReplyExpectationSource::teamConfigured, "team-configured"},
    {VelmoraWidgetReplyExpectationSource::recentPerformance, "recent-performance"},
    {VelmoraWidgetReplyExpectationSource::sla, "sla"},
    {VelmoraWidgetReplyExpectationSource::unavailable, "unavailable"},
}};

} // namespace

std::string_view rawValue(VelmoraWidgetColorMode mode) noexcept {
    return detail::enumText(kColorModes, mode);
}
std::optional<VelmoraWidgetColorMode>
velmoraWidgetColorModeFromRawValue(std::string_view text) noexcept {
    return detail::enumFromText(kColorModes, text);
}

std::string_view rawValue(VelmoraWidgetChannel channel) noexcept {
    return detail::enumText(kChannels, channel);
}
std::optional<VelmoraWidgetChannel>
velmoraWidgetChannelFromRawValue(std::string_view text) noexcept {
    return detail::enumFromText(kChannels, text);
}

std::string_view rawValue(VelmoraWidgetAvailabilityMode mode) noexcept {
    return detail::enumText(kModes, mode);
}
std::optional<VelmoraWidgetAvailabilityMode>
velmoraWidgetAvailabilityModeFromRawValue(std::string_view text) noexcept {
    return detail::enumFromText(kModes, text);
}

std::string_view rawValue(VelmoraWidgetAvailabilityState state) noexcept {
    return detail::enumText(kStates, state);
}
std::optional<VelmoraWidgetAvailabilityState>
velmoraWidgetAvailabilityStateFromRawValue(std::string_view text) noexcept {
    return detail::enumFromText(kStates, text);
}

std::string_view rawValue(VelmoraWidgetReplyExpectationSource source) noexcept {
    return detail::enumText(kSources, source);
}
std::optional<VelmoraWidgetReplyExpectationSource>
velmoraWidgetReplyExpectationSourceFromRawValue(std::string_view text) noexcept {
    return detail::enumFromText(kSources, text);
}

bool VelmoraWidgetVoiceSettings::isAvailable() const {
    return enabled && std::find(allowedSpeechLanguages.begin(), allowedSpeechLanguages.end(),
                                defaultSpeechLanguage) != allowedSpeechLanguages.end();
}

namespace detail {

json::value Codec<VelmoraWidgetColorMode>::encode(VelmoraWidgetColorMode v) {
    return json::string(rawValue(v));
}
VelmoraWidgetColorMode Codec<VelmoraWidgetColorMode>::decode(const json::value& v,
                                                             const std::string& path) {
    return decodeEnumText(kColorModes, v, path);
}
VelmoraWidgetChannel Codec<VelmoraWidgetChannel>::decode(const json::value& v,
                                                         const std::string& path) {
    return decodeEnumText(kChannels, v, path);
}
VelmoraWidgetAvailabilityMode
Codec<VelmoraWidgetAvailabilityMode>::decode(const json::value& v, const std::string& path) {
    return decodeEnumText(kModes, v, path);
}
VelmoraWidgetAvailabilityState
Codec<VelmoraWidgetAvailabilityState>::decode(const json::value& v, const std::string& path) {
    return decodeEnumText(kStates, v, path);
}
VelmoraWidgetReplyExpectationSource
Codec<VelmoraWidgetReplyExpectationSource>::decode(const json::value& v, const std::string& path) {
    return decodeEnumText(kSources, v, path);
}

VelmoraWidgetNavigation Codec<VelmoraWidgetNavigation>::decode(const json::value& v,
                                                               const std::string& path) {
    ObjectReader r(v, path);
    return {r.required<bool>("messages"), r.required<bool>("help")};
}

json::value Codec<VelmoraWidgetVoiceSettings>::encode(const VelmoraWidgetVoiceSettings& v) {
    return ObjectWriter()
        .field("enabled", v.enabled)
        .field("defaultSpeechLanguage", v.defaultSpeechLanguage)
        .field("allowedSpeechLanguages", v.allowedSpeechLanguages)
        .take();
}
VelmoraWidgetVoiceSettings Codec<VelmoraWidgetVoiceSettings>::decode(const json::value& v,
                                                                     const std::string& path) {
    ObjectReader r(v, path);
    return {r.required<bool>("enabled"), r.required<std::string>("defaultSpeechLanguage"),
            r.required<std::vector<std::string>>("allowedSpeechLanguages")};
}

VelmoraWidgetBusinessHoursWindow
Codec<VelmoraWidgetBusinessHoursWindow>::decode(const json::value& v, const std::string& path) {
    ObjectReader r(v, path);
    return {r.required<std::int64_t>("weekday"), r.required<std::int64_t>("startMinute"),
            r.required<std::int64_t>("endMinute")};
}

VelmoraWidgetOfficeHoliday Codec<VelmoraWidgetOfficeHoliday>::decode(const json::value& v,
                                                                     const std::string& path) {
    ObjectReader r(v, path);
    return {r.required<std::string>("date"), r.required<std::string>("name")};
}

VelmoraWidgetAvailabilitySnapshot
Codec<VelmoraWidgetAvailabilitySnapshot>::decode(const json::value& v, const std::string& path) {
    ObjectReader r(v, path);
    return {
        r.required<VelmoraWidgetAvailabilityState>("state"),
        r.required<bool>("withinBusinessHours"),
        r.required<bool>("humanAvailable"),
        r.required<bool>("aiAvailable"),
        r.optional<std::int64_t>("expectedReplyMinutes"),
        r.required<VelmoraWidgetReplyExpectationSource>("expectedReplySource"),
        r.optional<std::int64_t>("firstReplySlaMinutes"),
        r.required<std::string>("calculatedAt"),
    };
}

VelmoraWidgetAvailabilityMessageKeys
Codec<VelmoraWidgetAvailabilityMessageKeys>::decode(const json::value& v, const std::string& path) {
    ObjectReader r(v, path);
    return {
        r.required<std::string>("teamOnline"),   r.required<std::string>("aiOnline"),
        r.required<std::string>("busy"),         r.required<std::string>("offline"),
        r.required<std::string>("replyTeam"),    r.required<std::string>("replyAi"),
        r.required<std::string>("replyBusy"),    r.required<std::string>("replyOffline"),
        r.required<std::string>("replyTeamSla"), r.required<std::string>("replyAiSla"),
        r.required<std::string>("replyBusySla"), r.required<std::string>("replyOfflineSla"),
        r.required<std::string>("replyUnknown"),
    };
}

VelmoraWidgetAvailability Codec<VelmoraWidgetAvailability>::decode(const json::value& v,
                                                                   const std::string& path) {
    ObjectReader r(v, path);
    return {
        r.required<VelmoraWidgetAvailabilityMode>("mode"),
        r.required<std::string>("timezone"),
        r.required<std::vector<VelmoraWidgetBusinessHoursWindow>>("businessHours"),
        r.required<std::vector<VelmoraWidgetOfficeHoliday>>("holidays"),
        r.required<bool>("showAgentAvailability"),
        r.required<VelmoraWidgetAvailabilitySnapshot>("snapshot"),
        r.required<VelmoraWidgetAvailabilityMessageKeys>("messageKeys"),
    };
}

WidgetConfigurationTheme Codec<WidgetConfigurationTheme>::decode(const json::value& v,
                                                                 const std::string& path) {
    ObjectReader r(v, path);
    return {r.required<VelmoraWidgetColorMode>("colorMode")};
}

WidgetAppearanceResponseConfig
Codec<WidgetAppearanceResponseConfig>::decode(const json::value& v, const std::string& path) {
    ObjectReader r(v, path);
    return {
        r.required<std::map<std::string, JSONValue>>("appearance"),
        r.optional<std::string>("workspacePublicName"),
        r.required<WidgetConfigurationTheme>("theme"),
        r.required<std::string>("aiMode"),
        r.required<std::vector<VelmoraWidgetChannel>>("channels"),
        r.required<VelmoraWidgetNavigation>("navigation"),
        r.required<VelmoraWidgetAvailability>("availability"),
        r.optional<VelmoraWidgetVoiceSettings>("voice"),
    };
}

WidgetAppearanceResponse Codec<WidgetAppearanceResponse>::decode(const json::value& v,
                                                                 const std::string& path) {
    ObjectReader r(v, path);
    return {r.required<bool>("ok"), r.required<WidgetAppearanceResponseConfig>("config")};
}

WidgetAppearanceResponse decodeWidgetAppearanceResponse(std::string_view body) {
    return decodeRecord<WidgetAppearanceResponse>(body);
}

} // namespace detail

std::string encodeJSON(const VelmoraWidgetVoiceSettings& value) {
    return detail::encodeRecord(value);
}
template <>
VelmoraWidgetVoiceSettings decodeJSON<VelmoraWidgetVoiceSettings>(std::string_view json) {
    return detail::decodeRecord<VelmoraWidgetVoiceSettings>(json);
}
template <> VelmoraWidgetNavigation decodeJSON<VelmoraWidgetNavigation>(std::string_view json) {
    return detail::decodeRecord<VelmoraWidgetNavigation>(json);
}
template <> VelmoraWidgetAvailability decodeJSON<VelmoraWidgetAvailability>(std::string_view json) {
    return detail::decodeRecord<VelmoraWidgetAvailability>(json);
}

} // namespace velmora
