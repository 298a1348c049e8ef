#include "controller_test_support.hpp"

namespace velmora::testing {
namespace {

using Mode = VelmoraWidgetViewMode;

struct ScreensFixture {
    asio::io_context io;
    std::shared_ptr<ScriptedWidgetClient> client = std::make_shared<ScriptedWidgetClient>();

    std::shared_ptr<VelmoraWidgetController>
    make(bool configurationLoaded, std::optional<VelmoraWidgetNavigation> navigation) {
        return VelmoraWidgetController::create(io.get_executor(), client, configurationLoaded,
                                               navigation, std::nullopt, {}, {},
                                               std::make_shared<VelmoraWidgetDraftStore>());
    }
};

struct InitialCase {
    const char* name;
    bool configurationLoaded;
    std::optional<VelmoraWidgetNavigation> navigation;
    std::optional<Mode> view;
    std::optional<std::string> article;
    Mode screen;
    bool resolved;
    bool helpRefused;
};

TEST(ControllerScreensTest, InitialNavigationSettlesOnlyWhenItsFactsAreKnown) {
    const VelmoraWidgetNavigation both{true, true};
    const VelmoraWidgetNavigation noHelp{true, false};
    const VelmoraWidgetNavigation noMessages{false, true};
    const std::vector<InitialCase> cases = {
        {"nothing asked", false, std::nullopt, std::nullopt, std::nullopt, Mode::home, true, false},
        {"home asked", false, std::nullopt, Mode::home, std::nullopt, Mode::home, true, false},
        {"messages before the configuration", false, both, Mode::messages, std::nullopt, Mode::home,
         false, false},
        {"messages offered", true, both, Mode::messages, std::nullopt, Mode::messages, true, false},
        {"messages not offered", true, noMessages, Mode::messages, std::nullopt, Mode::home, true,
         false},
        {"help before any navigation", false, std::nullopt, Mode::help, std::nullopt, Mode::home,
         false, false},
        {"help offered", false, both, Mode::help, std::nullopt, Mode::help, true, false},
        {"help not offered", true, noHelp, Mode::help, std::nullopt, Mode::home, true, true},
        {"an article wins over the view", true, both, Mode::messages, "faq-1", Mode::help, true,
         false},
        {"an article without help", true, noHelp, std::nullopt, "faq-1", Mode::home, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScreensFixture f;
        auto controller = f.make(c.configurationLoaded, c.navigation);
        controller->applyInitialNavigation(c.view, c.article);
        EXPECT_EQ(controller->screen(), c.screen);
        EXPECT_EQ(controller->isInitialNavigationResolved(), c.resolved);
        if (c.helpRefused) {
            ASSERT_TRUE(controller->helpError());
            EXPECT_EQ(controller->helpError()->code(), VelmoraErrorCode::unsupported);
            EXPECT_EQ(controller->helpError()->message(), "Help is not enabled for this widget.");
            EXPECT_EQ(controller->error(), controller->helpError());
        } else {
            EXPECT_FALSE(controller->helpError());
            EXPECT_FALSE(controller->error());
        }
    }
}

TEST(ControllerScreensTest, TheUsersChoiceOfScreen) {
    ScreensFixture f;
    auto controller = f.make(true, VelmoraWidgetNavigation{false, true});

    controller->setScreen(Mode::messages); // not offered: nothing changes, nothing is shown
    EXPECT_EQ(controller->screen(), Mode::home);
    EXPECT_FALSE(controller->error());

    controller->setScreen(Mode::help);
    EXPECT_EQ(controller->screen(), Mode::help);

    // Choosing a screen ends a pending request; the views' flag is left to the request.
    ScreensFixture p;
    auto pending = p.make(false, VelmoraWidgetNavigation{true, true});
    pending->applyInitialNavigation(Mode::messages, std::nullopt);
    EXPECT_FALSE(pending->isInitialNavigationResolved());
    pending->setScreen(Mode::home);
    EXPECT_EQ(pending->screen(), Mode::home);
    EXPECT_FALSE(pending->isInitialNavigationResolved());

    // Help asked for before any navigation is known waits for the configuration.
    ScreensFixture g;
    auto unknown = g.make(false, std::nullopt);
    unknown->setScreen(Mode::help);
    EXPECT_EQ(unknown->screen(), Mode::home);
    EXPECT_FALSE(unknown->helpError());
    // A navigation without help then refuses it when the user asks again.
    unknown->prepareNavigation(VelmoraWidgetNavigation{true, false});
    unknown->setScreen(Mode::help);
    EXPECT_EQ(unknown->helpError()->code(), VelmoraErrorCode::unsupported);
    EXPECT_EQ(unknown->screen(), Mode::home);
}

TEST(ControllerScreensTest, LeavingHelpForgetsTheHelpSelectionAndHelpKeepsIt) {
    ScreensFixture f;
    auto controller = f.make(true, VelmoraWidgetNavigation{true, true});
    NotificationLog log(*controller);
    controller->setScreen(Mode::help);
    EXPECT_EQ(log.names, std::vector<std::string>{"screen"});
    log.names.clear();
    controller->setScreen(Mode::messages);
    EXPECT_EQ(log.names, (std::vector<std::string>{"screen", "activeFAQID", "activeWorkflowID",
                                                   "activeWorkflowStepID"}));
}

TEST(ControllerScreensTest, TheNavigationInForceNeverChanges) {
    ScreensFixture f;
    auto controller = f.make(false, std::nullopt);
    EXPECT_FALSE(controller->navigationReady());

    controller->prepareNavigation(VelmoraWidgetNavigation{true, false});
    EXPECT_TRUE(controller->messagesAvailable());
    EXPECT_FALSE(controller->helpAvailable());
    EXPECT_TRUE(controller->navigationReady());

    // A different one is ignored entirely, even its notifications.
    NotificationLog log(*controller);
    controller->prepareNavigation(VelmoraWidgetNavigation{true, true});
    EXPECT_FALSE(controller->helpAvailable());
    EXPECT_TRUE(log.names.empty());

    // The same one again re-publishes help and readiness, but not messages.
    controller->prepareNavigation(VelmoraWidgetNavigation{true, false});
    EXPECT_EQ(log.names, (std::vector<std::string>{"helpAvailable", "navigationReady"}));

    controller->destroy();
    log.names.clear();
    controller->applyInitialNavigation(Mode::help, std::nullopt);
    controller->setScreen(Mode::messages);
    EXPECT_TRUE(log.names.empty());
}

} // namespace
} // namespace velmora::testing
