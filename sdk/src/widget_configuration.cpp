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
