#include "velmora/widget_configuration.hpp"

#include "detail/enum_text.hpp"
#include "detail/widget_configuration_response.hpp"

#include <array>

#include <algorithm>

namespace velmora {

namespace {

constexpr std::array<std::string_view, 4> kChannels{"contact-form", "website-widget", "live-chat",
                                                    "api-intake"};
constexpr std::array<std::string_view, 4> kModes{"always-online", "business-hours", "always-away",
                                                 "offline"};
constexpr std::array<std::string_view, 4> kStates{"team-online", "ai-online", "busy", "offline"};
constexpr std::array<std::string_view, 4> kSources{"team-configured", "recent-performance", "sla",
                                                   "unavailable"};

} // namespace

std::string_view rawValue(VelmoraWidgetChannel channel) noexcept {
    return kChannels[static_cast<std::size_t>(channel)];
}
std::optional<VelmoraWidgetChannel>
velmoraWidgetChannelFromRawValue(std::string_view text) noexcept {
    return detail::enumFromText<VelmoraWidgetChannel>(kChannels, text);
}

std::string_view rawValue(VelmoraWidgetAvailabilityMode mode) noexcept {
    return kModes[static_cast<std::size_t>(mode)];
}
std::optional<VelmoraWidgetAvailabilityMode>
velmoraWidgetAvailabilityModeFromRawValue(std::string_view text) noexcept {
    return detail::enumFromText<VelmoraWidgetAvailabilityMode>(kModes, text);
}

std::string_view rawValue(VelmoraWidgetAvailabilityState state) noexcept {
    return kStates[static_cast<std::size_t>(state)];
}
std::optional<VelmoraWidgetAvailabilityState>
velmoraWidgetAvailabilityStateFromRawValue(std::string_view text) noexcept {
    return detail::enumFromText<VelmoraWidgetAvailabilityState>(kStates, text);
}

std::string_view rawValue(VelmoraWidgetReplyExpectationSource source) noexcept {
    return kSources[static_cast<std::size_t>(source)];
}
std::optional<VelmoraWidgetReplyExpectationSource>
velmoraWidgetReplyExpectationSourceFromRawValue(std::string_view text) noexcept {
    return detail::enumFromText<VelmoraWidgetReplyExpectationSource>(kSources, text);
}

bool VelmoraWidgetVoiceSettings::isAvailable() const {
    return enabled && std::find(allowedSpeechLanguages.begin(), allowedSpeechLanguages.end(),
                                defaultSpeechLanguage) != allowedSpeechLanguages.end();
}

namespace detail {

VelmoraWidgetChannel Codec<VelmoraWidgetChannel>::decode(const json::value& v,
                                                         const std::string& path) {
    return decodeEnumText(v, path, &velmoraWidgetChannelFromRawValue);
}
VelmoraWidgetAvailabilityMode
Codec<VelmoraWidgetAvailabilityMode>::decode(const json::value& v, const std::string& path) {
    return decodeEnumText(v, path, &velmoraWidgetAvailabilityModeFromRawValue);
}
VelmoraWidgetAvailabilityState
Codec<VelmoraWidgetAvailabilityState>::decode(const json::value& v, const std::string& path) {
    return decodeEnumText(v, path, &velmoraWidgetAvailabilityStateFromRawValue);
}
VelmoraWidgetReplyExpectationSource
Codec<VelmoraWidgetReplyExpectationSource>::decode(const json::value& v, const std::string& path) {
    return decodeEnumText(v, path, &velmoraWidgetReplyExpectationSourceFromRawValue);
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
