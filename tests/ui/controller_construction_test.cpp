#include "controller/controller_test_access.hpp"
#include "controller_test_support.hpp"

namespace velmora::testing {
namespace {

struct Seeding {
    const char* name;
    bool configurationLoaded;
    std::optional<VelmoraWidgetNavigation> navigation;
    std::optional<VelmoraWidgetPreparedState> prepared;
    bool messagesAvailable;
    bool helpAvailable;
    bool navigationReady;
    bool initialNavigationResolved;
    std::optional<std::string> workspace;
};

TEST(ControllerConstructionTest, SeedsNavigationAndPublishedStateFromWhatTheHostKnows) {
    const VelmoraWidgetNavigation messagesOnly{true, false};
    const VelmoraWidgetNavigation helpOnly{false, true};
    const Seeding cases[] = {
        {"neither", false, std::nullopt, std::nullopt, false, false, false, false, std::nullopt},
        {"navigation", false, helpOnly, std::nullopt, false, true, true, true, std::nullopt},
        {"prepared wins over navigation", false, helpOnly,
         VelmoraWidgetPreparedState(messagesOnly, std::nullopt, "Acme"), true, false, true, true,
         "Acme"},
        {"prepared alone", false, std::nullopt,
         VelmoraWidgetPreparedState(helpOnly, std::nullopt, std::nullopt), false, true, true, true,
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        asio::io_context io;
        auto controller = VelmoraWidgetController::create(
            io.get_executor(), std::make_shared<ScriptedWidgetClient>(), c.configurationLoaded,
            c.navigation, c.prepared, {}, {}, std::make_shared<VelmoraWidgetDraftStore>());
        EXPECT_EQ(controller->messagesAvailable(), c.messagesAvailable);
        EXPECT_EQ(controller->helpAvailable(), c.helpAvailable);
        EXPECT_EQ(controller->navigationReady(), c.navigationReady);
        EXPECT_EQ(controller->isInitialNavigationResolved(), c.initialNavigationResolved);
        EXPECT_EQ(controller->workspacePublicName(), c.workspace);
        EXPECT_FALSE(controller->availability());
        // A new controller is built, in the foreground, and has started nothing.
        EXPECT_TRUE(controller->isForeground());
        EXPECT_FALSE(controller->isOpen());
        EXPECT_FALSE(controller->isMounted());
        EXPECT_EQ(controller->screen(), VelmoraWidgetViewMode::home);
        EXPECT_EQ(controller->loadingState(), VelmoraLoadingState::idle);
        EXPECT_FALSE(detail::WidgetControllerTestAccess::hasEventSubscription(*controller));
        EXPECT_EQ(io.poll(), 0u);
    }
}

TEST(ControllerConstructionTest, AcceptsDeclaredHostActionsWithinTheLimits) {
    std::vector<std::string> thirtyTwo;
    for (int i = 0; i < 32; ++i) {
        thirtyTwo.push_back("action-" + std::to_string(i));
    }
    const std::vector<std::vector<std::string>> accepted = {
        thirtyTwo,
        {"a"},
        {std::string(64, 'z')},
        {"9order:refund_v2-now"},
        {"open-orders", "open-orders"},
    };
    asio::io_context io;
    for (const auto& ids : accepted) {
        auto controller = VelmoraWidgetController::create(
            io.get_executor(), std::make_shared<ScriptedWidgetClient>(), false, std::nullopt,
            std::nullopt, ids, {}, std::make_shared<VelmoraWidgetDraftStore>());
        // Declared actions become available once a handler is registered for them.
        controller->setHostActionHandler(
            [](VelmoraHostActionRequest) -> asio::awaitable<VelmoraHostActionResult> {
                VelmoraHostActionResult result;
                result.ok = true;
                result.status = VelmoraHostActionStatus::completed;
                co_return result;
            },
            ids.front());
        EXPECT_TRUE(controller->isHostActionAvailable(ids.front())) << ids.front();
        EXPECT_FALSE(controller->isHostActionAvailable("undeclared"));
    }
}

TEST(ControllerConstructionTest, RefusesInvalidHostActionsWithoutBuildingAnything) {
    std::vector<std::string> thirtyThree(33, "a");
    struct Case {
        const char* name;
        std::vector<std::string> ids;
        JSONValue::Object context;
        const char* messageStart;
    };
    const Case cases[] = {
        {"33 ids, duplicates counted",
         thirtyThree,
         {},
         "Widget host action ids must be at most 32."},
        {"upper case", {"Open"}, {}, "Widget host action id at index 0 is invalid"},
        {"empty", {"ok", ""}, {}, "Widget host action id at index 1 is invalid"},
        {"65 characters", {std::string(65, 'a')}, {}, "Widget host action id at index 0"},
        {"leading hyphen", {"-open"}, {}, "Widget host action id at index 0"},
        {"trailing newline", {"open\n"}, {}, "Widget host action id at index 0"},
        {"context string too long",
         {"open"},
         {{"note", JSONValue(std::string(2049, 'x'))}},
         "Widget host action context is invalid: "},
        {"context reserved key",
         {"open"},
         {{"__proto__", JSONValue("x")}},
         "Widget host action context is invalid: "},
    };
    asio::io_context io;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto store = std::make_shared<VelmoraWidgetDraftStore>();
        auto client = std::make_shared<ScriptedWidgetClient>();
        try {
            (void)VelmoraWidgetController::create(io.get_executor(), client, false, std::nullopt,
                                                  std::nullopt, c.ids, c.context, store);
            ADD_FAILURE() << "accepted";
        } catch (const VelmoraError& e) {
            EXPECT_EQ(e.code(), VelmoraErrorCode::invalidConfig);
            EXPECT_EQ(e.message().rfind(c.messageStart, 0), 0u) << e.message();
        }
        // Nothing was read or started: the client was never asked for anything.
        EXPECT_TRUE(client->calls.empty());
        EXPECT_EQ(io.poll(), 0u);
    }
}

TEST(ControllerConstructionTest, BringsBackTheStoredDraftOfTheSameIdentity) {
    struct Case {
        const char* name;
        std::optional<std::string> key;
        bool pending;
    };
    const VelmoraAttachmentDraft file("F-1", "note.txt", "text/plain", "text", Data{'h', 'i'});
    for (const Case& c :
         {Case{"typed draft", std::nullopt, false}, Case{"started message", "KEY-1", true}}) {
        SCOPED_TRACE(c.name);
        asio::io_context io;
        auto store = std::make_shared<VelmoraWidgetDraftStore>();
        auto client = std::make_shared<ScriptedWidgetClient>();
        VelmoraWidgetDraftState stored{
            "Hello", c.key, "2026-01-01T00:00:00Z", {file}, VelmoraWidgetDraftOperation::message,
            "s-9"};
        ASSERT_FALSE(store->save(stored, *client));
        auto controller = VelmoraWidgetController::create(
            io.get_executor(), client, false, std::nullopt, std::nullopt, {}, {}, store);
        EXPECT_EQ(controller->draft(), "Hello");
        EXPECT_EQ(controller->pendingAttachments(), std::vector{file});
        EXPECT_EQ(controller->pendingFirstDraftText(),
                  c.pending ? std::optional<std::string>("Hello") : std::nullopt);
        EXPECT_FALSE(controller->error());

        // Another locale is another identity: its composer starts empty.
        auto other = VelmoraWidgetController::create(
            io.get_executor(),
            std::make_shared<ScriptedWidgetClient>("https://service\x1fint\x1f"
                                                   "acct\x1f"
                                                   "de"),
            false, std::nullopt, std::nullopt, {}, {}, store);
        EXPECT_EQ(other->draft(), "");
        EXPECT_TRUE(other->pendingAttachments().empty());
    }
}

TEST(ControllerConstructionTest, ViewModesAreReadFromTheirExactText) {
    EXPECT_EQ(velmoraWidgetViewModeFromRawValue("help"), VelmoraWidgetViewMode::help);
    EXPECT_EQ(velmoraWidgetViewModeFromRawValue("messages"), VelmoraWidgetViewMode::messages);
    for (const char* text : {"Help", " help", "help ", "HOME", ""}) {
        EXPECT_FALSE(velmoraWidgetViewModeFromRawValue(text)) << text;
    }
    EXPECT_NE(VelmoraWidgetContentState(std::nullopt, true, std::nullopt),
              VelmoraWidgetContentState(std::nullopt, false, std::nullopt));
}

} // namespace
} // namespace velmora::testing
