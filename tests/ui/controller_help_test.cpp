#include "controller_open_widget_fixture.hpp"

#include <algorithm>

namespace velmora::testing {
namespace {

using Controller = VelmoraWidgetController;
using Mode = VelmoraWidgetViewMode;

std::size_t callsOf(const ScriptedWidgetClient& client, const std::string& name) {
    return static_cast<std::size_t>(std::count(client.calls.begin(), client.calls.end(), name));
}

std::optional<std::string> messageOf(const std::optional<VelmoraError>& error) {
    return error ? std::optional(error->message()) : std::nullopt;
}

class ControllerHelpContentTest : public OpenWidgetFixture {};

TEST_F(ControllerHelpContentTest, LoadsOncePerControllerAndReloadsOnlyOnRetry) {
    auto controller = openController();
    EXPECT_EQ(controller->content(), VelmoraWidgetContentState(content, false, std::nullopt));
    controller->open();
    controller->background();
    controller->foreground();
    drain(io);
    EXPECT_EQ(callsOf(*client, "loadWidgetContent"), 1u);

    // A failed reload keeps the earlier content beside its error.
    client->onLoadWidgetContent = []() -> asio::awaitable<VelmoraWidgetContentSnapshot> {
        throw velmoraError(VelmoraErrorCode::http, "Widget content was rejected.", 500);
        co_return VelmoraWidgetContentSnapshot{};
    };
    controller->retryContent();
    EXPECT_TRUE(controller->content().isLoading);
    drain(io);
    EXPECT_EQ(controller->content().snapshot, content);
    ASSERT_TRUE(controller->content().error);
    EXPECT_EQ(controller->content().error->message(), "Widget content was rejected.");
    EXPECT_FALSE(controller->error()) << "a content failure is not the conversation's";

    // A failure that is not the client's own gets the fixed message.
    client->onLoadWidgetContent = []() -> asio::awaitable<VelmoraWidgetContentSnapshot> {
        throw std::runtime_error("boom");
        co_return VelmoraWidgetContentSnapshot{};
    };
    controller->retryContent();
    drain(io);
    ASSERT_TRUE(controller->content().error);
    EXPECT_EQ(controller->content().error->code(), VelmoraErrorCode::network);
    EXPECT_EQ(controller->content().error->message(), "Widget content could not be loaded.");
    EXPECT_EQ(callsOf(*client, "loadWidgetContent"), 3u);
}

TEST_F(ControllerHelpContentTest, RetryWhileClosedOrLoadingStartsNothing) {
    Gate gate;
    client->onLoadWidgetContent = [&]() -> asio::awaitable<VelmoraWidgetContentSnapshot> {
        co_await gate.wait();
        co_return content;
    };
    auto controller = openController();
    EXPECT_TRUE(controller->content().isLoading);
    controller->retryContent(); // clears isLoading, but the running load carries on
    drain(io);
    EXPECT_EQ(callsOf(*client, "loadWidgetContent"), 1u);
    gate.open();
    drain(io);
    EXPECT_EQ(controller->content().snapshot, content);

    controller->close();
    controller->retryContent();
    drain(io);
    EXPECT_EQ(callsOf(*client, "loadWidgetContent"), 1u);
}

TEST_F(ControllerHelpContentTest, ACloseDuringTheLoadPublishesNothingOfIt) {
    Gate gate;
    client->onLoadWidgetContent = [&]() -> asio::awaitable<VelmoraWidgetContentSnapshot> {
        co_await gate.wait();
        co_return content;
    };
    auto controller = openController();
    controller->close();
    gate.open();
    drain(io);
    EXPECT_EQ(controller->content(), VelmoraWidgetContentState(std::nullopt, false, std::nullopt));
}

TEST_F(ControllerHelpContentTest, ThePendingInitialScreenAndArticleSettleWithTheLoad) {
    struct Case {
        const char* name;
        VelmoraWidgetNavigation navigation;
        std::optional<Mode> view;
        std::optional<std::string> article;
        bool loadFails;
        Mode screen;
        std::optional<std::string> activeFAQ;
        std::optional<std::string> helpError;
        std::optional<std::string> error;
    };
    const std::string notPublished = "The requested help article is not published.";
    const Case cases[] = {
        {"listed article",
         {true, true},
         Mode::messages,
         "billing",
         false,
         Mode::help,
         "billing",
         std::nullopt,
         std::nullopt},
        {"unlisted article",
         {true, true},
         std::nullopt,
         "nope",
         false,
         Mode::help,
         std::nullopt,
         notPublished,
         notPublished},
        {"help screen",
         {true, true},
         Mode::help,
         std::nullopt,
         false,
         Mode::help,
         std::nullopt,
         std::nullopt,
         std::nullopt},
        {"help screen, load failed",
         {true, true},
         Mode::help,
         std::nullopt,
         true,
         Mode::help,
         std::nullopt,
         std::nullopt,
         std::nullopt},
        // Refused at once; the help screen's own error then goes with the content that loaded.
        {"help not offered",
         {true, false},
         Mode::help,
         std::nullopt,
         false,
         Mode::home,
         std::nullopt,
         std::nullopt,
         "Help is not enabled for this widget."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        navigation = c.navigation;
        client->onLoadWidgetContent = [&]() -> asio::awaitable<VelmoraWidgetContentSnapshot> {
            if (c.loadFails) {
                throw velmoraError(VelmoraErrorCode::network, "Network failed.");
            }
            co_return content;
        };
        auto controller = makeController();
        controller->applyInitialNavigation(c.view, c.article);
        controller->open();
        drain(io);
        EXPECT_EQ(controller->screen(), c.screen);
        EXPECT_EQ(controller->activeFAQID(), c.activeFAQ);
        EXPECT_TRUE(controller->isInitialNavigationResolved());
        EXPECT_EQ(messageOf(controller->helpError()), c.helpError);
        EXPECT_EQ(messageOf(controller->error()), c.error);
    }
}

// Help navigation and workflows: each intent from each state it can meet.

enum class State {
    navigationUnknown, // the configuration is still loading
    helpNotOffered,
    messagesNotOffered,
    contentDisabled,
    loaded, // content loaded, nothing selected
    articleOpen,
    workflowRunning, // "orders" at "start"
};

struct Outcome {
    Mode screen;
    std::optional<std::string> faq;
    std::optional<std::string> workflow;
    std::optional<std::string> step;
    std::optional<std::string> error;
    std::optional<std::string> helpError;
    std::string draft;
};

struct Intent {
    const char* name;
    State from;
    std::function<void(Controller&)> run;
    Outcome expected;
};

class ControllerHelpNavigationTest : public OpenWidgetFixture {
protected:
    std::shared_ptr<Controller> reach(State state) {
        Gate* configuration = nullptr;
        switch (state) {
        case State::navigationUnknown:
            navigation.reset();
            configuration = &slowConfiguration;
            client->onLoadWidgetAppearance = [this]() -> asio::awaitable<JSONValue::Object> {
                co_await slowConfiguration.wait();
                co_return JSONValue::Object{};
            };
            break;
        case State::helpNotOffered:
            navigation = VelmoraWidgetNavigation{true, false};
            break;
        case State::messagesNotOffered:
            navigation = VelmoraWidgetNavigation{false, true};
            break;
        case State::contentDisabled:
            content = helpContent(false);
            break;
        default:
            break;
        }
        auto controller = VelmoraWidgetController::create(
            io.get_executor(), client, configuration == nullptr, navigation, std::nullopt,
            hostActionIds, hostActionContext, store, clock);
        controller->setOnHostActionEvent(
            [this](const VelmoraEvent& e) { hostEvents.push_back(e); });
        controller->open();
        drain(io);
        if (state == State::articleOpen) {
            controller->openArticle("billing");
        } else if (state == State::workflowRunning) {
            controller->startWorkflow("orders", std::nullopt);
        }
        return controller;
    }

    Gate slowConfiguration;
    std::vector<VelmoraEvent> hostEvents;
};

TEST_F(ControllerHelpNavigationTest, EachIntentFromEachState) {
    const std::string notPublished = "The requested help article is not published.";
    const std::string badTransition = "Published workflow transition is invalid.";
    const std::string badAction = "Published workflow action is invalid.";
    const std::string helpOff = "Help is not enabled for this widget.";
    const VelmoraWidgetContentPrefill refund{"refund.subject", "refund.message", "billing"};
    const VelmoraWidgetContentPrefill noText{std::nullopt, "missing.key", std::nullopt};
    const auto open = [](std::string id) { return [id](Controller& c) { c.openArticle(id); }; };
    const auto toggle = [](std::string id) { return [id](Controller& c) { c.toggleFAQ(id); }; };
    const auto start = [](std::string id, std::optional<VelmoraWidgetContentPrefill> p = {}) {
        return [id, p](Controller& c) { c.startWorkflow(id, p); };
    };
    const auto pick = [](VelmoraWidgetContentWorkflowOption option) {
        return [option](Controller& c) { c.selectWorkflowOption(option); };
    };
    const auto contact = [](std::optional<VelmoraWidgetContentPrefill> p) {
        return [p](Controller& c) { c.openContact(p); };
    };
    const Mode help = Mode::help, home = Mode::home, messages = Mode::messages;
    const std::optional<std::string> none;

    const Intent intents[] = {
        // Opening an article.
        {"open before the navigation is known",
         State::navigationUnknown,
         open("billing"),
         {home, none, none, none, none, none, ""}},
        {"open while help is not offered",
         State::helpNotOffered,
         open("billing"),
         {home, none, none, none, helpOff, helpOff, ""}},
        {"open with disabled content",
         State::contentDisabled,
         open("billing"),
         {help, none, none, none, none, none, ""}},
        {"open a listed article",
         State::loaded,
         open("billing"),
         {help, "billing", none, none, none, none, ""}},
        {"open an unlisted article",
         State::loaded,
         open("nope"),
         {home, none, none, none, notPublished, none, ""}},
        {"open an article during a workflow",
         State::workflowRunning,
         open("reset-password"),
         {help, "reset-password", none, none, none, none, ""}},
        // Expanding and collapsing a question.
        {"expand", State::loaded, toggle("billing"), {home, "billing", none, none, none, none, ""}},
        {"collapse the expanded one",
         State::articleOpen,
         toggle("billing"),
         {help, none, none, none, none, none, ""}},
        {"expand another",
         State::articleOpen,
         toggle("reset-password"),
         {help, "reset-password", none, none, none, none, ""}},
        {"expand an unlisted one",
         State::articleOpen,
         toggle("nope"),
         {help, "billing", none, none, none, none, ""}},
        {"expand with disabled content",
         State::contentDisabled,
         toggle("billing"),
         {home, "billing", none, none, none, none, ""}},
        // Starting and stepping a workflow.
        {"start while an article is open",
         State::articleOpen,
         start("orders"),
         {help, none, "orders", "start", none, none, ""}},
        {"start an unlisted workflow",
         State::articleOpen,
         start("nope"),
         {help, "billing", none, none, none, none, ""}},
        {"start with disabled content",
         State::contentDisabled,
         start("orders"),
         {home, none, none, none, none, none, ""}},
        {"start with a prefill",
         State::loaded,
         start("refunds", refund),
         {help, none, "refunds", "refund-start", none, none, "I would like a refund."}},
        {"next step",
         State::workflowRunning,
         pick(workflowOption("o", "next-step", "answer")),
         {help, none, "orders", "answer", none, none, ""}},
        {"show answer with a prefill",
         State::workflowRunning,
         pick(workflowOption("o", "show-answer", "done", none, refund)),
         {help, none, "orders", "done", none, none, "I would like a refund."}},
        {"next step into another workflow",
         State::workflowRunning,
         pick(workflowOption("o", "next-step", "refund-start")),
         {help, none, "orders", "start", badTransition, none, ""}},
        {"next step without a target",
         State::workflowRunning,
         pick(workflowOption("o", "next-step")),
         {help, none, "orders", "start", badTransition, none, ""}},
        {"next step with no workflow running",
         State::loaded,
         pick(workflowOption("o", "next-step", "answer")),
         {home, none, none, none, badTransition, none, ""}},
        {"an action in the wrong case",
         State::workflowRunning,
         pick(workflowOption("o", "Next-Step", "answer")),
         {help, none, "orders", "start", badAction, none, ""}},
        // Handing off to the conversation with prefilled details.
        {"handoff with a prefill",
         State::workflowRunning,
         pick(workflowOption("o", "handoff", none, none, refund)),
         {messages, none, none, none, none, none, "I would like a refund."}},
        {"handoff while messages are not offered",
         State::messagesNotOffered,
         [&](Controller& c) {
             c.startWorkflow("orders", std::nullopt);
             c.selectWorkflowOption(workflowOption("o", "handoff", none, none, refund));
         },
         {help, none, "orders", "start", none, none, ""}},
        {"contact from an open article",
         State::articleOpen,
         contact(refund),
         {messages, none, none, none, none, none, "I would like a refund."}},
        {"contact with a message key without text",
         State::loaded,
         contact(noText),
         {messages, none, none, none, none, none, ""}},
        {"contact while messages are not offered",
         State::messagesNotOffered,
         contact(refund),
         {home, none, none, none, none, none, ""}},
        // Handing off to a host action: the workflow stays where it is.
        {"a declared host action",
         State::workflowRunning,
         pick(workflowOption("o", "host-action", none, "open-orders", refund)),
         {help, none, "orders", "start", none, none, ""}},
        {"an undeclared host action",
         State::workflowRunning,
         pick(workflowOption("o", "host-action", none, "not-declared")),
         {help, none, "orders", "start", none, none, ""}},
    };
    for (const auto& intent : intents) {
        SCOPED_TRACE(intent.name);
        hostEvents.clear();
        navigation = VelmoraWidgetNavigation{true, true};
        content = helpContent();
        auto controller = reach(intent.from);
        intent.run(*controller);
        drain(io);
        const Outcome& want = intent.expected;
        EXPECT_EQ(controller->screen(), want.screen);
        EXPECT_EQ(controller->activeFAQID(), want.faq);
        EXPECT_EQ(controller->activeWorkflowID(), want.workflow);
        EXPECT_EQ(controller->activeWorkflowStepID(), want.step);
        EXPECT_EQ(messageOf(controller->error()), want.error);
        EXPECT_EQ(messageOf(controller->helpError()), want.helpError);
        EXPECT_EQ(controller->draft(), want.draft);
        const bool declaredHostAction = std::string(intent.name) == "a declared host action";
        EXPECT_EQ(hostEvents.size(), declaredHostAction ? 1u : 0u);
        if (declaredHostAction) {
            EXPECT_TRUE(controller->activeHostActionRequestId());
        }
        controller->destroy();
        drain(io);
    }
}

TEST_F(ControllerHelpNavigationTest, APendingArticleOpensOnceTheNavigationAndContentArrive) {
    Gate slowContent;
    client->onLoadWidgetContent = [&]() -> asio::awaitable<VelmoraWidgetContentSnapshot> {
        co_await slowContent.wait();
        co_return content;
    };
    auto controller = reach(State::navigationUnknown);
    controller->openArticle("billing");
    EXPECT_EQ(controller->screen(), Mode::home);
    client->navigation = VelmoraWidgetNavigation{true, true};
    slowConfiguration.open();
    drain(io);
    EXPECT_FALSE(controller->activeFAQID());
    slowContent.open();
    drain(io);
    EXPECT_EQ(controller->screen(), Mode::help);
    EXPECT_EQ(controller->activeFAQID(), "billing");
}

TEST_F(ControllerHelpNavigationTest, TheHelpSearchTextIsKeptAsTyped) {
    auto controller = reach(State::loaded);
    controller->updateHelpQuery("  refund ");
    EXPECT_EQ(controller->helpQuery(), "  refund ");
}

TEST_F(ControllerHelpNavigationTest, TheContentPrefillGoesWithTheNextSessionStart) {
    std::optional<VelmoraPrefill> sent;
    client->onStartSession =
        [&](VelmoraSessionStartInput input,
            std::vector<VelmoraAttachmentDraft>) -> asio::awaitable<VelmoraSession> {
        sent = input.prefill;
        co_return VelmoraSession{"s-1", std::nullopt, "token"};
    };
    client->onRefresh = []() -> asio::awaitable<VelmoraSnapshot> { co_return VelmoraSnapshot{}; };
    auto controller = reach(State::loaded);
    // A later prefill replaces an earlier one whole: its subject does not survive.
    controller->openContact(VelmoraWidgetContentPrefill{"refund.subject", std::nullopt, "billing"});
    controller->openContact(VelmoraWidgetContentPrefill{std::nullopt, "refund.message", "orders"});
    controller->send();
    drain(io);
    ASSERT_TRUE(sent);
    EXPECT_EQ(*sent,
              (VelmoraPrefill{std::nullopt, std::nullopt, std::nullopt, "I would like a refund.",
                              std::map<std::string, JSONValue>{{"productArea", "orders"}}}));
}

TEST_F(ControllerHelpNavigationTest, ASessionResetDropsTheContentPrefill) {
    std::vector<VelmoraSessionStartInput> starts;
    client->onStartSession =
        [&](VelmoraSessionStartInput input,
            std::vector<VelmoraAttachmentDraft>) -> asio::awaitable<VelmoraSession> {
        starts.push_back(input);
        co_return VelmoraSession{"s-1", std::nullopt, "token"};
    };
    client->onResetSession = []() -> asio::awaitable<void> { co_return; };
    auto controller = reach(State::loaded);
    controller->openContact(
        VelmoraWidgetContentPrefill{"refund.subject", "refund.message", "billing"});
    controller->resetSession();
    drain(io);
    client->emit(event::sessionCleared{});
    drain(io);
    // The new conversation's first message carries none of the details picked before.
    controller->updateDraft("A different question");
    controller->send();
    drain(io);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].message, "A different question");
    EXPECT_FALSE(starts[0].prefill);
}

} // namespace
} // namespace velmora::testing
