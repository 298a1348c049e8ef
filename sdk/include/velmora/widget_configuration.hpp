#pragma once

#include "velmora/json_coding.hpp"
#include "velmora/widget_color_mode.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// A contact channel of the integration: "contact-form", "website-widget", "live-chat",
/// "api-intake".
enum class VelmoraWidgetChannel { contactForm, websiteWidget, liveChat, apiIntake };
std::string_view rawValue(VelmoraWidgetChannel channel) noexcept;
std::optional<VelmoraWidgetChannel>
velmoraWidgetChannelFromRawValue(std::string_view text) noexcept;

/// "always-online", "business-hours", "always-away", "offline".
enum class VelmoraWidgetAvailabilityMode { alwaysOnline, businessHours, alwaysAway, offline };
std::string_view rawValue(VelmoraWidgetAvailabilityMode mode) noexcept;
std::optional<VelmoraWidgetAvailabilityMode>
velmoraWidgetAvailabilityModeFromRawValue(std::string_view text) noexcept;

/// "team-online", "ai-online", "busy", "offline".
enum class VelmoraWidgetAvailabilityState { teamOnline, aiOnline, busy, offline };
std::string_view rawValue(VelmoraWidgetAvailabilityState state) noexcept;
std::optional<VelmoraWidgetAvailabilityState>
velmoraWidgetAvailabilityStateFromRawValue(std::string_view text) noexcept;

/// Where the expected reply time comes from: "team-configured", "recent-performance", "sla",
/// "unavailable".
enum class VelmoraWidgetReplyExpectationSource {
    teamConfigured,
    recentPerformance,
    sla,
    unavailable
};
std::string_view rawValue(VelmoraWidgetReplyExpectationSource source) noexcept;
std::optional<VelmoraWidgetReplyExpectationSource>
velmoraWidgetReplyExpectationSourceFromRawValue(std::string_view text) noexcept;

/// Which tabs the widget offers.
struct VelmoraWidgetNavigation {
    bool messages = false;
    bool help = false;

    friend bool operator==(const VelmoraWidgetNavigation&,
                           const VelmoraWidgetNavigation&) = default;
};

/// Voice settings of the integration.
struct VelmoraWidgetVoiceSettings {
    bool enabled = false;
    std::string defaultSpeechLanguage;
    std::vector<std::string> allowedSpeechLanguages;

    /// Enabled, and the default language is one of the allowed ones (exact, case-sensitive).
    bool isAvailable() const;

    friend bool operator==(const VelmoraWidgetVoiceSettings&,
                           const VelmoraWidgetVoiceSettings&) = default;
};

/// One opening window; the service's numbering, carried unchanged.
struct VelmoraWidgetBusinessHoursWindow {
    std::int64_t weekday = 0;
    std::int64_t startMinute = 0;
    std::int64_t endMinute = 0;

    friend bool operator==(const VelmoraWidgetBusinessHoursWindow&,
                           const VelmoraWidgetBusinessHoursWindow&) = default;
};

/// A day off; the service's texts, carried unchanged.
struct VelmoraWidgetOfficeHoliday {
    std::string date;
    std::string name;

    friend bool operator==(const VelmoraWidgetOfficeHoliday&,
                           const VelmoraWidgetOfficeHoliday&) = default;
};

/// The availability the service computed at `calculatedAt`.
struct VelmoraWidgetAvailabilitySnapshot {
    VelmoraWidgetAvailabilityState state = VelmoraWidgetAvailabilityState::offline;
    bool withinBusinessHours = false;
    bool humanAvailable = false;
    bool aiAvailable = false;
    std::optional<std::int64_t> expectedReplyMinutes;
    VelmoraWidgetReplyExpectationSource expectedReplySource =
        VelmoraWidgetReplyExpectationSource::unavailable;
    std::optional<std::int64_t> firstReplySlaMinutes;
    std::string calculatedAt;

    friend bool operator==(const VelmoraWidgetAvailabilitySnapshot&,
                           const VelmoraWidgetAvailabilitySnapshot&) = default;
};

/// Keys of procedure-catalogue texts for each availability state and reply expectation.
struct VelmoraWidgetAvailabilityMessageKeys {
    std::string teamOnline;
    std::string aiOnline;
    std::string busy;
    std::string offline;
    std::string replyTeam;
    std::string replyAi;
    std::string replyBusy;
    std::string replyOffline;
    std::string replyTeamSla;
    std::string replyAiSla;
    std::string replyBusySla;
    std::string replyOfflineSla;
    std::string replyUnknown;

    friend bool operator==(const VelmoraWidgetAvailabilityMessageKeys&,
                           const VelmoraWidgetAvailabilityMessageKeys&) = default;
};

/// The support team's availability.
struct VelmoraWidgetAvailability {
    VelmoraWidgetAvailabilityMode mode = VelmoraWidgetAvailabilityMode::offline;
    std::string timezone;
    std::vector<VelmoraWidgetBusinessHoursWindow> businessHours;
    std::vector<VelmoraWidgetOfficeHoliday> holidays;
    bool showAgentAvailability = false;
    VelmoraWidgetAvailabilitySnapshot snapshot;
    VelmoraWidgetAvailabilityMessageKeys messageKeys;

    friend bool operator==(const VelmoraWidgetAvailability&,
                           const VelmoraWidgetAvailability&) = default;
};

/// Writes all three keys, always.
std::string encodeJSON(const VelmoraWidgetVoiceSettings& value);

template <>
VelmoraWidgetVoiceSettings decodeJSON<VelmoraWidgetVoiceSettings>(std::string_view json);
template <> VelmoraWidgetNavigation decodeJSON<VelmoraWidgetNavigation>(std::string_view json);
template <> VelmoraWidgetAvailability decodeJSON<VelmoraWidgetAvailability>(std::string_view json);

} // namespace velmora
