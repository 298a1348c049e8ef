#include "velmora/widget_configuration.hpp"

#include "detail/json.hpp"
#include "detail/widget_configuration_response.hpp"
#include "velmora/decoding_error.hpp"

#include <gtest/gtest.h>

#include <boost/json/object.hpp>

#include <vector>

namespace velmora {
namespace {

namespace json = detail::json;

constexpr const char* kBody = R"({
  "ok": true,
  "requestId": "ignored",
  "config": {
    "appearance": {"mode": "dark", "nested": {"a": [1, null, "x"]}},
    "workspacePublicName": "Acme",
    "theme": {"colorMode": "light", "extra": 1},
    "aiMode": "assist",
    "channels": ["contact-form", "live-chat"],
    "navigation": {"messages": true, "help": false},
    "availability": {
      "mode": "business-hours",
      "timezone": "Europe/Kyiv",
      "businessHours": [{"weekday": 1, "startMinute": 540, "endMinute": 1020}],
      "holidays": [{"date": "2024-12-25", "name": "Christmas"}],
      "showAgentAvailability": true,
      "snapshot": {
        "state": "team-online",
        "withinBusinessHours": true,
        "humanAvailable": true,
        "aiAvailable": false,
        "expectedReplyMinutes": 12,
        "expectedReplySource": "sla",
        "firstReplySlaMinutes": 30,
        "calculatedAt": "2024-03-05T10:15:00Z"
      },
      "messageKeys": {
        "teamOnline": "availability.status.teamOnline", "aiOnline": "availability.status.aiOnline",
        "busy": "availability.status.busy", "offline": "availability.status.offline",
        "replyTeam": "availability.reply.team", "replyAi": "availability.reply.ai",
        "replyBusy": "availability.reply.busy", "replyOffline": "availability.reply.offline",
        "replyTeamSla": "availability.reply.teamSla", "replyAiSla": "availability.reply.aiSla",
        "replyBusySla": "availability.reply.busySla",
        "replyOfflineSla": "availability.reply.offlineSla",
        "replyUnknown": "availability.reply.unknown"
      }
    },
    "voice": {"enabled": true, "defaultSpeechLanguage": "en", "allowedSpeechLanguages": ["en"]}
  }
})";

enum class Edit { remove, setNull, setValue };

// Applies one edit at a path of object keys inside the valid body and decodes the result.
detail::WidgetAppearanceResponse decodeEdited(const std::vector<std::string>& path, Edit edit,
                                              json::value value = nullptr) {
    json::value body = detail::parseJSON(kBody);
    json::object* object = &body.as_object();
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
        object = &object->at(path[i]).as_object();
    }
    switch (edit) {
    case Edit::remove:
        object->erase(path.back());
        break;
    case Edit::setNull:
        (*object)[path.back()] = nullptr;
        break;
    case Edit::setValue:
        (*object)[path.back()] = value;
        break;
    }
    return detail::decodeWidgetAppearanceResponse(detail::writeJSON(body));
}

TEST(WidgetConfigurationResponseTest, DecodesAFullBody) {
    const auto response = detail::decodeWidgetAppearanceResponse(kBody);
    EXPECT_TRUE(response.ok);
    const auto& config = response.config;
    EXPECT_EQ(config.appearance.at("mode"), JSONValue("dark"));
    EXPECT_EQ(config.appearance.at("nested"),
              JSONValue(JSONValue::Object{{"a", JSONValue::Array{1, nullptr, "x"}}}));
    EXPECT_EQ(config.workspacePublicName, "Acme");
    EXPECT_EQ(config.theme.colorMode, VelmoraWidgetColorMode::light);
    EXPECT_EQ(config.aiMode, "assist");
    EXPECT_EQ(config.channels,
              (std::vector{VelmoraWidgetChannel::contactForm, VelmoraWidgetChannel::liveChat}));
    EXPECT_EQ(config.navigation, (VelmoraWidgetNavigation{true, false}));
    const auto& availability = config.availability;
    EXPECT_EQ(availability.mode, VelmoraWidgetAvailabilityMode::businessHours);
    EXPECT_EQ(availability.businessHours,
              (std::vector<VelmoraWidgetBusinessHoursWindow>{{1, 540, 1020}}));
    EXPECT_EQ(availability.holidays,
              (std::vector<VelmoraWidgetOfficeHoliday>{{"2024-12-25", "Christmas"}}));
    EXPECT_EQ(availability.snapshot,
              (VelmoraWidgetAvailabilitySnapshot{
                  VelmoraWidgetAvailabilityState::teamOnline, true, true, false, 12,
                  VelmoraWidgetReplyExpectationSource::sla, 30, "2024-03-05T10:15:00Z"}));
    EXPECT_EQ(availability.messageKeys.replyUnknown, "availability.reply.unknown");
    EXPECT_EQ(availability.messageKeys.replyOfflineSla, "availability.reply.offlineSla");
    EXPECT_EQ(config.voice, (VelmoraWidgetVoiceSettings{true, "en", {"en"}}));
}

TEST(WidgetConfigurationResponseTest, OptionalSectionsMayBeAbsentPresentOrNull) {
    struct Case {
        std::vector<std::string> path;
        bool (*present)(const detail::WidgetAppearanceResponse&);
    };
    const Case cases[] = {
        {{"config", "workspacePublicName"},
         [](const auto& r) { return r.config.workspacePublicName.has_value(); }},
        {{"config", "voice"}, [](const auto& r) { return r.config.voice.has_value(); }},
        {{"config", "availability", "snapshot", "expectedReplyMinutes"},
         [](const auto& r) {
             return r.config.availability.snapshot.expectedReplyMinutes.has_value();
         }},
        {{"config", "availability", "snapshot", "firstReplySlaMinutes"},
         [](const auto& r) {
             return r.config.availability.snapshot.firstReplySlaMinutes.has_value();
         }},
    };
    for (const auto& c : cases) {
        const std::string name = c.path.back();
        EXPECT_TRUE(c.present(detail::decodeWidgetAppearanceResponse(kBody))) << name;
        EXPECT_FALSE(c.present(decodeEdited(c.path, Edit::remove))) << name;
        EXPECT_FALSE(c.present(decodeEdited(c.path, Edit::setNull))) << name;
        // Present with the wrong type still fails.
        EXPECT_THROW(decodeEdited(c.path, Edit::setValue, json::value(true)), VelmoraDecodingError)
            << name;
    }
}

TEST(WidgetConfigurationResponseTest, AnyMissingOrNullRequiredFieldFailsTheWholeBody) {
    const std::vector<std::vector<std::string>> paths{
        {"ok"},
        {"config"},
        {"config", "appearance"},
        {"config", "theme"},
        {"config", "theme", "colorMode"},
        {"config", "aiMode"},
        {"config", "channels"},
        {"config", "navigation"},
        {"config", "navigation", "help"},
        {"config", "navigation", "messages"},
        {"config", "availability"},
        {"config", "availability", "mode"},
        {"config", "availability", "timezone"},
        {"config", "availability", "businessHours"},
        {"config", "availability", "holidays"},
        {"config", "availability", "showAgentAvailability"},
        {"config", "availability", "snapshot"},
        {"config", "availability", "snapshot", "state"},
        {"config", "availability", "snapshot", "withinBusinessHours"},
        {"config", "availability", "snapshot", "humanAvailable"},
        {"config", "availability", "snapshot", "aiAvailable"},
        {"config", "availability", "snapshot", "expectedReplySource"},
        {"config", "availability", "snapshot", "calculatedAt"},
        {"config", "availability", "messageKeys"},
        {"config", "availability", "messageKeys", "teamOnline"},
        {"config", "availability", "messageKeys", "replyUnknown"},
        {"config", "availability", "messageKeys", "replyBusySla"},
        {"config", "voice", "enabled"},
        {"config", "voice", "defaultSpeechLanguage"},
        {"config", "voice", "allowedSpeechLanguages"},
    };
    for (const auto& path : paths) {
        EXPECT_THROW(decodeEdited(path, Edit::remove), VelmoraDecodingError) << path.back();
        EXPECT_THROW(decodeEdited(path, Edit::setNull), VelmoraDecodingError) << path.back();
    }
}

TEST(WidgetConfigurationResponseTest, EnumerationsAcceptOnlyTheirExactTexts) {
    struct Case {
        std::vector<std::string> path;
        json::value value;
        bool decodes;
    };
    const Case cases[] = {
        {{"config", "theme", "colorMode"}, "dark", true},
        {{"config", "theme", "colorMode"}, "system", true},
        {{"config", "theme", "colorMode"}, "Dark", false},
        {{"config", "channels"}, json::array{}, true},
        {{"config", "channels"}, json::array{"api-intake", "website-widget"}, true},
        {{"config", "channels"}, json::array{"live-chat", "sms"}, false},
        {{"config", "channels"}, json::array{"live_chat"}, false},
        {{"config", "availability", "mode"}, "always-away", true},
        {{"config", "availability", "mode"}, "always_away", false},
        {{"config", "availability", "snapshot", "state"}, "ai-online", true},
        {{"config", "availability", "snapshot", "state"}, "away", false},
        {{"config", "availability", "snapshot", "expectedReplySource"}, "recent-performance", true},
        {{"config", "availability", "snapshot", "expectedReplySource"}, "SLA", false},
        {{"config", "availability", "snapshot", "expectedReplyMinutes"}, 1.5, false},
        {{"config", "availability", "snapshot", "expectedReplyMinutes"}, "12", false},
        {{"config", "appearance"}, json::object{}, true},
        {{"config", "appearance"}, json::array{}, false},
        {{"config", "aiMode"}, "anything at all", true},
        {{"config", "navigation", "help"}, 1, false},
    };
    for (const auto& c : cases) {
        if (c.decodes) {
            EXPECT_NO_THROW(decodeEdited(c.path, Edit::setValue, c.value))
                << c.path.back() << " " << detail::writeJSON(c.value);
        } else {
            EXPECT_THROW(decodeEdited(c.path, Edit::setValue, c.value), VelmoraDecodingError)
                << c.path.back() << " " << detail::writeJSON(c.value);
        }
    }
    const auto channels = decodeEdited({"config", "channels"}, Edit::setValue,
                                       json::array{"api-intake", "website-widget"});
    EXPECT_EQ(channels.config.channels,
              (std::vector{VelmoraWidgetChannel::apiIntake, VelmoraWidgetChannel::websiteWidget}));
    EXPECT_TRUE(decodeEdited({"config", "appearance"}, Edit::setValue, json::object{})
                    .config.appearance.empty());
}

TEST(VelmoraWidgetVoiceSettingsTest, AvailabilityAndEncoding) {
    struct Case {
        VelmoraWidgetVoiceSettings settings;
        bool available;
    };
    const Case cases[] = {
        {{true, "en", {"de", "en"}}, true}, {{true, "en", {"EN"}}, false},
        {{true, "en", {}}, false},          {{false, "en", {"en"}}, false},
        {{true, "", {""}}, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.settings.isAvailable(), c.available) << encodeJSON(c.settings);
    }
    const VelmoraWidgetVoiceSettings settings{false, "uk", {}};
    EXPECT_EQ(encodeJSON(settings),
              R"({"enabled":false,"defaultSpeechLanguage":"uk","allowedSpeechLanguages":[]})");
    EXPECT_EQ(decodeJSON<VelmoraWidgetVoiceSettings>(encodeJSON(settings)), settings);
}

TEST(WidgetConfigurationEnumerationTest, RawValuesRoundTrip) {
    for (auto mode : {VelmoraWidgetColorMode::system, VelmoraWidgetColorMode::light,
                      VelmoraWidgetColorMode::dark}) {
        EXPECT_EQ(velmoraWidgetColorModeFromRawValue(rawValue(mode)), mode);
    }
    EXPECT_EQ(rawValue(VelmoraWidgetChannel::websiteWidget), "website-widget");
    EXPECT_EQ(rawValue(VelmoraWidgetAvailabilityMode::alwaysOnline), "always-online");
    EXPECT_EQ(rawValue(VelmoraWidgetAvailabilityState::teamOnline), "team-online");
    EXPECT_EQ(rawValue(VelmoraWidgetReplyExpectationSource::teamConfigured), "team-configured");
    EXPECT_EQ(velmoraWidgetChannelFromRawValue("contactForm"), std::nullopt);
}

} // namespace
} // namespace velmora
