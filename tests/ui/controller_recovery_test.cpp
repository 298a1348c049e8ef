#include "controller_conversation_support.hpp"

// Bringing the conversation up to date: which client operations reconciliation, retry and
// session reset run, in which order, for each starting state.

namespace velmora::testing {
namespace {

using Operation = VelmoraWidgetDraftOperation;

struct ReconcileCase {
    const char* name;
    bool session;
    std::optional<Operation> pending;
    bool composerEmpty; // the composer was emptied while the message stayed pending
    std::vector<std::string> calls;
};

TEST(ControllerReconciliationTest, WhatOpeningRunsForEachStartingState) {
    const std::vector<ReconcileCase> cases = {
        {"a session", true, {}, false, {"currentSession", "refresh"}},
        {"a session and a pending start",
         true,
         Operation::sessionStart,
         false,
         {"currentSession", "refresh"}},
        {"no session", false, {}, false, {"currentSession", "resumeSession"}},
        {"no session, a pending start", false, Operation::sessionStart, false, {"currentSession"}},
        {"no session, a pending message shown",
         false,
         Operation::message,
         false,
         {"currentSession"}},
        {"no session, a pending message, empty composer",
         false,
         Operation::message,
         true,
         {"currentSession", "resumeSession"}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        ScriptedConversation c;
        if (row.session) {
            c.client->session = sessionNamed("s-1");
        }
        if (row.pending) {
            c.store->save({"Pending words",
                           "KEY-1",
                           "2026-03-01T10:00:00Z",
                           {},
                           *row.pending,
                           row.pending == Operation::message ? std::optional<std::string>("s-1")
                                                             : std::nullopt},
                          *c.client);
        }
        auto& controller = c.make();
        if (row.composerEmpty) {
            controller.updateDraft("");
        }
        controller.open();
        drain(c.io);
        EXPECT_EQ(c.callsAmong(kConversationCalls), row.calls);
        EXPECT_FALSE(controller.error());
    }
}

TEST(ControllerReconciliationTest, OncePerOpeningAndFailuresOnlyWhileOpen) {
    ScriptedConversation c;
    c.client->session = sessionNamed("s-1");
    auto& controller = c.make();
    controller.open();
    controller.open(); // already open: nothing more
    drain(c.io);
    EXPECT_EQ(c.callsAmong({"refresh"}).size(), 1u);
    controller.background();
    controller.foreground();
    drain(c.io);
    EXPECT_EQ(c.callsAmong({"refresh"}).size(), 2u);

    // A failure while open is shown; the same failure after a close is not.
    Gate service;
    c.client->onRefresh = [&](auto...) -> asio::awaitable<VelmoraSnapshot> {
        co_await service.wait();
        throw velmoraError(VelmoraErrorCode::http, "Service refused.", 500);
    };
    controller.close();
    controller.open();
    drain(c.io);
    service.open();
    drain(c.io);
    ASSERT_TRUE(controller.error());
    EXPECT_EQ(controller.error()->status(), 500);

    Gate second;
    c.client->onRefresh = [&](auto...) -> asio::awaitable<VelmoraSnapshot> {
        co_await second.wait();
        throw velmoraError(VelmoraErrorCode::http, "Refused again.", 502);
    };
    controller.close();
    controller.open();
    drain(c.io);
    controller.close();
    second.open();
    drain(c.io);
    EXPECT_EQ(controller.error()->status(), 500);
}

TEST(ControllerReconciliationTest, ASendThatStartsDuringItWaitsAndLeavesTheNextOnePossible) {
    ScriptedConversation c;
    c.client->session = sessionNamed("s-1");
    Gate refreshed;
    c.client->onRefresh = [&](auto...) -> asio::awaitable<VelmoraSnapshot> {
        co_await refreshed.wait();
        co_return snapshotWithMessages(1);
    };
    c.client->onSendMessage = answer(VelmoraAcceptedMessage{});
    auto& controller = c.make();
    controller.open();
    drain(c.io);
    controller.updateDraft("Quick question");
    controller.send(); // the reconciliation is still reading
    drain(c.io);
    EXPECT_EQ(c.callsAmong({"sendMessage"}), std::vector<std::string>{});
    refreshed.open();
    drain(c.io);
    EXPECT_EQ(c.callsAmong({"refresh", "sendMessage"}),
              (std::vector<std::string>{"refresh", "sendMessage"}));

    // The reconciliation made stale by the send handed its place back: the next return from
    // the background reconciles again.
    controller.background();
    controller.foreground();
    drain(c.io);
    EXPECT_EQ(c.callsAmong({"refresh"}).size(), 2u);
}

struct RetryCase {
    const char* name;
    std::function<void(ScriptedWidgetClient&)> script;
    std::vector<std::string> calls;
    std::optional<std::string> error;
    std::optional<std::pair<double, std::int64_t>> wait;
};

TEST(ControllerRetryTest, WhatRetryRunsForEachStartingState) {
    const auto withSession = [](ScriptedWidgetClient& client) {
        client.onResumeSession = answer(std::optional(sessionNamed("s-1")));
        client.clientSnapshot = snapshotWithMessages(3);
    };
    const auto accepted = std::vector<VelmoraAcceptedMessage>{VelmoraAcceptedMessage{}};
    const std::vector<RetryCase> cases = {
        {"no session to resume",
         [](ScriptedWidgetClient&) {},
         {"resumeSession"},
         "Start or resume a session first.",
         {}},
        {"an empty outbox reads the conversation",
         [&](ScriptedWidgetClient& client) {
             withSession(client);
             client.onFlushOutbox = answer(std::vector<VelmoraAcceptedMessage>{});
         },
         {"resumeSession", "currentSnapshot", "flushOutbox", "refresh"},
         {},
         {}},
        {"re-sent messages without an assistant",
         [&](ScriptedWidgetClient& client) {
             withSession(client);
             client.onFlushOutbox = answer(accepted);
         },
         {"resumeSession", "currentSnapshot", "flushOutbox", "shouldWaitForAssistant", "refresh"},
         {},
         {}},
        {"re-sent messages wait for the assistant's reply",
         [&](ScriptedWidgetClient& client) {
             withSession(client);
             client.waitWanted = true;
             client.onFlushOutbox = answer(accepted);
             client.onWaitForAssistant = answer(snapshotWithMessages(4));
         },
         {"resumeSession", "currentSnapshot", "flushOutbox", "shouldWaitForAssistant",
          "waitForAssistant"},
         {},
         std::pair<double, std::int64_t>{30.0, 3}},
        {"a failing flush is shown",
         [&](ScriptedWidgetClient& client) {
             withSession(client);
             client.onFlushOutbox = failWith<std::vector<VelmoraAcceptedMessage>>(
                 velmoraError(VelmoraErrorCode::network, "The network is down."));
         },
         {"resumeSession", "currentSnapshot", "flushOutbox"},
         "The network is down.",
         {}},
        {"a failure that is not the client's own",
         [&](ScriptedWidgetClient& client) {
             client.onResumeSession =
                 failWith<std::optional<VelmoraSession>>(std::runtime_error("boom"));
         },
         {"resumeSession"},
         "Velmora request failed.",
         {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        ScriptedConversation c;
        auto& controller = c.make();
        c.openAndSettle();
        row.script(*c.client);
        std::optional<std::pair<double, std::int64_t>> waited;
        if (c.client->onWaitForAssistant) {
            c.client->onWaitForAssistant =
                [&](double timeout,
                    std::optional<std::int64_t> after) -> asio::awaitable<VelmoraSnapshot> {
                waited = std::pair(timeout, after.value_or(-1));
                co_return snapshotWithMessages(4);
            };
        }
        NotificationLog log(controller);
        controller.retry();
        EXPECT_TRUE(controller.mutationInFlight());
        EXPECT_EQ(controller.loadingState(), VelmoraLoadingState::flushingOutbox);
        controller.retry(); // while one runs: nothing
        drain(c.io);
        EXPECT_EQ(c.callsAmong(kConversationCalls), row.calls);
        EXPECT_EQ(controller.error() ? std::optional(controller.error()->message()) : std::nullopt,
                  row.error);
        EXPECT_EQ(waited, row.wait);
        EXPECT_FALSE(controller.mutationInFlight());
    }
}

TEST(ControllerRetryTest, APendingFirstMessageIsSimplySentAgainAndAClosedWidgetShowsNothing) {
    ScriptedConversation c;
    c.store->save({"Hello", "KEY-1", "2026-03-01T10:00:00Z", {}, Operation::sessionStart, {}},
                  *c.client);
    c.client->onStartSession = answer(sessionNamed("s-1"));
    auto& controller = c.make();
    c.openAndSettle();
    controller.retry();
    drain(c.io);
    EXPECT_EQ(
        c.callsAmong(kConversationCalls),
        (std::vector<std::string>{"currentSession", "startSession", "shouldWaitForAssistant"}));

    Gate flush;
    c.client->onResumeSession = answer(std::optional(sessionNamed("s-1")));
    c.client->onFlushOutbox = [&](auto...) -> asio::awaitable<std::vector<VelmoraAcceptedMessage>> {
        co_await flush.wait();
        co_return std::vector<VelmoraAcceptedMessage>{};
    };
    c.client->calls.clear();
    controller.retry();
    drain(c.io);
    controller.close();
    flush.open();
    drain(c.io);
    EXPECT_FALSE(controller.mutationInFlight());
    EXPECT_FALSE(controller.error());
    EXPECT_EQ(c.callsAmong({"refresh", "waitForAssistant"}), std::vector<std::string>{});
}

struct ResetCase {
    const char* name;
    std::function<asio::awaitable<void>()> reset;
    std::optional<std::string> error;
    bool reconciles; // the reset did not happen: the conversation is read again
};

TEST(ControllerResetTest, WhatAResetRunsAndShowsForEachAnswerOfTheClient) {
    const std::vector<ResetCase> cases = {
        {"the client resets", answerNothing(), {}, false},
        {"the client refuses",
         failWith<void>(velmoraError(VelmoraErrorCode::requestInProgress,
                                     "A session reset is already in progress.")),
         "A session reset is already in progress.", true},
        {"a failure that is not the client's own", failWith<void>(std::runtime_error("disk")),
         "Velmora session reset failed.", true},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        ScriptedConversation c;
        c.client->session = sessionNamed("s-1");
        c.client->onResetSession = row.reset;
        c.store->save({"Draft words", {}, {}, {}, Operation::sessionStart, {}}, *c.client);
        auto& controller = c.make();
        c.openAndSettle();
        c.client->emit(event::snapshot{snapshotWithMessages(2)});
        drain(c.io);
        ASSERT_EQ(controller.messages().size(), 2u);

        controller.resetSession();
        // Everything local is gone before the client answers.
        EXPECT_EQ(controller.draft(), "");
        EXPECT_TRUE(controller.messages().empty());
        EXPECT_FALSE(controller.snapshot());
        EXPECT_EQ(controller.loadingState(), VelmoraLoadingState::idle);
        EXPECT_FALSE(c.store->state(*c.client));
        drain(c.io);

        EXPECT_EQ(controller.error() ? std::optional(controller.error()->message()) : std::nullopt,
                  row.error);
        const std::vector<std::string> expected =
            row.reconciles ? std::vector<std::string>{"resetSession", "currentSession", "refresh"}
                           : std::vector<std::string>{"resetSession"};
        EXPECT_EQ(c.callsAmong(kConversationCalls), expected);
        // After a reset that did not happen the transcript follows the client again; after
        // one that did, the old session's snapshots stay out until the next session starts.
        c.client->emit(event::snapshot{snapshotWithMessages(3)});
        drain(c.io);
        EXPECT_EQ(controller.messages().size(), row.reconciles ? 3u : 0u);
        c.client->emit(event::sessionStarted{sessionNamed("s-2")});
        c.client->emit(event::snapshot{snapshotWithMessages(1, "s-2")});
        drain(c.io);
        EXPECT_EQ(controller.messages().size(), 1u);
    }
}

} // namespace
} // namespace velmora::testing
