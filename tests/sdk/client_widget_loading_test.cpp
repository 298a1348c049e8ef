#include "client_harness.hpp"

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

TEST(ClientWidgetLoadingTest, ConfigurationAndContentLoadEndToEndInTheLocale) {
    for (std::string locale : {"en", "de"}) {
        SCOPED_TRACE(locale);
        ClientHarness::Settings settings;
        settings.locale = locale;
        ClientHarness h(settings);
        auto appearance = h.run(h.core->loadWidgetAppearance());
        ASSERT_TRUE(appearance.count("mode"));
        EXPECT_TRUE(appearance.at("mode").ifString());
        EXPECT_TRUE(h.onStrand([c = h.core] { return c->widgetNavigation().has_value(); }));
        EXPECT_TRUE(h.onStrand([c = h.core] { return c->widgetAvailability().has_value(); }));

        auto content = h.run(h.core->loadWidgetContent());
        EXPECT_EQ(content.locale, locale);
        EXPECT_TRUE(h.onStrand([c = h.core] { return c->widgetContent().has_value(); }));
        auto requests = h.service.requests("GET", "/api/widget/v1/content");
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].queryItem("locale"), locale);
    }
}

TEST(ClientWidgetLoadingTest, AssistantAvailabilityFollowsTheModeAndTheSnapshot) {
    struct Case {
        const char* aiMode;
        bool aiAvailable;
        bool expected;
    };
    const Case cases[] = {
        {"automatic-allowed", false, false},
        {"automatic-allowed", true, true},
        {"ai-only", true, true},
        {"human-only", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.aiMode);
        ClientHarness h;
        std::string body = tools::WidgetService::defaultConfigurationBody();
        auto document = detail::parseJSON(body);
        auto& config = document.as_object()["config"].as_object();
        config["aiMode"] = c.aiMode;
        config["availability"].as_object()["snapshot"].as_object()["aiAvailable"] = c.aiAvailable;
        config["appearance"].as_object()["mode"] = "stale";
        h.service.answerNext(200, detail::writeJSON(document));
        auto appearance = h.run(h.core->loadWidgetAppearance());
        EXPECT_EQ(h.onStrand([core = h.core] { return core->shouldWaitForAssistant(); }),
                  c.expected);
        EXPECT_NE(appearance.at("mode"), JSONValue("stale"));
    }
}

TEST(ClientWidgetLoadingTest, RejectedAnswersStoreNothing) {
    ClientHarness h;
    auto body = tools::WidgetService::defaultContentBodies().at("en");
    auto document = detail::parseJSON(body);
    document.as_object()["locale"] = "de";
    h.service.answerNext(200, detail::writeJSON(document));
    auto error = expectVelmoraError([&] { h.run(h.core->loadWidgetContent()); });
    EXPECT_EQ(error, VelmoraError(VelmoraErrorCode::http, std::nullopt, std::nullopt,
                                  "Widget content was rejected."));
    EXPECT_FALSE(h.onStrand([c = h.core] { return c->widgetContent().has_value(); }));
}

} // namespace
} // namespace velmora::testing
