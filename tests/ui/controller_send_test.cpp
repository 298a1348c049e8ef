#include "controller_conversation_support.hpp"

#include <boost/system/system_error.hpp>

#include <fstream>

// Branches of the send that a real service does not reach on demand: restarts, cancellations at
// exact points, unexpected failures and the assistant's time-out.

namespace velmora::testing {
namespace {

using Operation = VelmoraWidgetDraftOperation;

VelmoraWidgetDraftState pendingMessage(const std::string& session) {
    return {"Did my refund go through?", "KEY-MESSAGE-1", "2026-03-01T10:00:00Z", {},
            Operation::message,          session};
}

VelmoraAttachmentDraft file() {
    return VelmoraAttachmentDraft("f-1", "a.txt", "text/plain", "text", Data{'a', 'b'});
}

TEST(ControllerSendTest, ARestoredMessageForAnUnopenedSessionResumesItAndSendsUnderItsKey) {
    ScriptedConversation c;
    c.store->save(pendingMessage("s-9"), *c.client);
    std::vector<VelmoraMessageInput> sent;
    c.client->onResumeSession = [&](auto...) -> asio::awaitable<std::optional<VelmoraSession>> {
        c.client->session = sessionNamed("s-9");
        co_return c.client->session;
    };
    c.client->onSendMessage = [&](VelmoraMessageInput input,
                                  auto...) -> asio::awaitable<VelmoraAcceptedMessage> {
        sent.push_back(input);
        co_return VelmoraAcceptedMessage{};
    };
    auto& controller = c.make();
    c.openAndSettle(); // the composer shows the message: the reconciliation leaves it alone
    controller.send();
    drain(c.io);

    EXPECT_EQ(c.callsAmong(kConversationCalls),
              (std::vector<std::string>{"currentSession", "resumeSession", "sendMessage",
                                        "shouldWaitForAssistant"}));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].text, "Did my refund go through?");
    EXPECT_EQ(sent[0].idempotencyKey, "KEY-MESSAGE-1");
    EXPECT_EQ(sent[0].startedAt, "2026-03-01T10:00:00Z");
    EXPECT_FALSE(controller.error());
    EXPECT_FALSE(controller.pendingFirstDraftText());
    EXPECT_FALSE(c.store->state(*c.client));
}

TEST(ControllerSendTest, AMessageWhoseSessionCannotComeBackStaysUntilCancelled) {
    ScriptedConversation c;
    c.store->save(pendingMessage("s-gone"), *c.client);
    auto& controller = c.make();
    c.openAndSettle();
    for (int attempt = 0; attempt < 2; ++attempt) {
        controller.send();
        drain(c.io);
        ASSERT_TRUE(controller.error());
        EXPECT_EQ(controller.error()->code(), VelmoraErrorCode::sessionExpired);
        EXPECT_EQ(controller.error()->message(),
                  "The pending message session could not be restored.");
        EXPECT_EQ(controller.pendingFirstDraftText(), "Did my refund go through?");
        EXPECT_EQ(c.store->state(*c.client), pendingMessage("s-gone"));
    }
    EXPECT_EQ(c.callsAmong({"sendMessage", "startSession"}), std::vector<std::string>{});
    controller.cancelPendingDraft();
    EXPECT_FALSE(controller.pendingFirstDraftText());
}

TEST(ControllerSendTest, AFailedWaitLeavesTheDeliveredFilesOutOfTheComposer) {
    ScriptedConversation c;
    c.client->session = sessionNamed("s-1");
    c.client->waitWanted = true;
    std::vector<std::pair<double, std::optional<std::int64_t>>> waits;
    c.client->onSendMessage = answer(VelmoraAcceptedMessage{});
    c.client->onWaitForAssistant =
        [&](double timeout, std::optional<std::int64_t> after) -> asio::awaitable<VelmoraSnapshot> {
        waits.emplace_back(timeout, after);
        co_await asio::post(asio::use_awaitable);
        throw velmoraError(VelmoraErrorCode::network,
                           "Assistant response did not arrive before the timeout.");
    };
    c.store->save(
        VelmoraWidgetDraftState{
            "Here is the receipt", {}, {}, {file()}, Operation::sessionStart, {}},
        *c.client);
    auto& controller = c.make();
    c.openAndSettle();
    controller.send();
    drain(c.io);

    EXPECT_EQ(waits,
              (std::vector<std::pair<double, std::optional<std::int64_t>>>{{30.0, std::nullopt}}));
    ASSERT_TRUE(controller.error());
    EXPECT_EQ(controller.error()->message(),
              "Assistant response did not arrive before the timeout.");
    EXPECT_TRUE(controller.pendingAttachments().empty());
    EXPECT_FALSE(controller.pendingFirstDraftText());
    EXPECT_FALSE(c.store->state(*c.client));
    // Nothing is left to send twice.
    controller.send();
    drain(c.io);
    EXPECT_EQ(c.callsAmong({"sendMessage", "uploadAttachments"}),
              std::vector<std::string>{"sendMessage"});
}

TEST(ControllerSendTest, TextTypedDuringASendIsStoredOnceTheMessageIsDelivered) {
    for (const bool waitFails : {false, true}) {
        SCOPED_TRACE(waitFails ? "the wait for the assistant fails" : "the assistant answers");
        ScriptedConversation c;
        c.client->session = sessionNamed("s-1");
        c.client->waitWanted = waitFails;
        Gate service;
        c.client->onSendMessage = [&](auto...) -> asio::awaitable<VelmoraAcceptedMessage> {
            co_await service.wait();
            co_return VelmoraAcceptedMessage{};
        };
        c.client->onWaitForAssistant =
            [](double, std::optional<std::int64_t>) -> asio::awaitable<VelmoraSnapshot> {
            throw velmoraError(VelmoraErrorCode::network, "No reply.");
            co_return VelmoraSnapshot{};
        };
        auto& controller = c.make();
        c.openAndSettle();
        controller.updateDraft("Where is my parcel?");
        controller.send();
        drain(c.io);
        controller.updateDraft("And one more thing");
        service.open();
        drain(c.io);
        EXPECT_EQ(controller.draft(), "And one more thing");
        EXPECT_FALSE(controller.pendingFirstDraftText());
        const auto stored = c.store->state(*c.client);
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->text, "And one more thing");
        EXPECT_FALSE(stored->idempotencyKey); // typed text, not a message waiting to go
    }
}

TEST(ControllerSendTest, TheAssistantIsAwaitedOnlyByAnOpenForegroundWidget) {
    ScriptedConversation c;
    c.client->session = sessionNamed("s-1");
    c.client->waitWanted = true;
    Gate accepted;
    c.client->onSendMessage = [&](auto...) -> asio::awaitable<VelmoraAcceptedMessage> {
        co_await accepted.wait();
        co_return VelmoraAcceptedMessage{};
    };
    auto& controller = c.make();
    c.openAndSettle();
    controller.updateDraft("Hello there");
    controller.send();
    drain(c.io);
    controller.background(); // cancels the send: its finishing step still runs
    drain(c.io);
    EXPECT_FALSE(controller.mutationInFlight());
    EXPECT_EQ(c.callsAmong({"waitForAssistant"}), std::vector<std::string>{});
    EXPECT_EQ(controller.pendingFirstDraftText(), "Hello there");
}

TEST(ControllerSendTest, ASendCancelledBeforeItRanStillReleasesTheGuard) {
    ScriptedConversation c;
    std::vector<VelmoraSessionStartInput> starts;
    c.client->onStartSession = [&](VelmoraSessionStartInput input,
                                   auto...) -> asio::awaitable<VelmoraSession> {
        starts.push_back(input);
        c.client->session = sessionNamed("s-1");
        co_return *c.client->session;
    };
    auto& controller = c.make();
    c.openAndSettle();
    controller.updateDraft("First words");
    controller.send();
    controller.close(); // in the same turn: the task never ran
    drain(c.io);
    EXPECT_FALSE(controller.mutationInFlight());
    EXPECT_EQ(controller.draft(), "First words");
    const auto stored = c.store->state(*c.client);
    ASSERT_TRUE(stored && stored->idempotencyKey);

    controller.open();
    drain(c.io);
    controller.send();
    drain(c.io);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].idempotencyKey, stored->idempotencyKey);
    EXPECT_EQ(starts[0].startedAt, stored->startedAt);
    EXPECT_EQ(controller.draft(), "");
}

TEST(ControllerSendTest, ClosingDuringTheStartKeepsTheMessageForTheNextSend) {
    ScriptedConversation c;
    Gate service;
    std::vector<VelmoraSessionStartInput> starts;
    c.client->onStartSession = [&](VelmoraSessionStartInput input,
                                   auto...) -> asio::awaitable<VelmoraSession> {
        starts.push_back(input);
        co_await service.wait();
        co_return sessionNamed("s-1");
    };
    auto& controller = c.make();
    c.openAndSettle();
    controller.updateDraft("  Is anyone there?\n");
    controller.send();
    drain(c.io);
    EXPECT_EQ(controller.draft(), "");
    controller.updateDraft("typed meanwhile");
    controller.close();
    drain(c.io);
    EXPECT_FALSE(controller.mutationInFlight());
    EXPECT_EQ(controller.draft(), "Is anyone there?");
    const auto stored = c.store->state(*c.client);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->text, "Is anyone there?");
    EXPECT_EQ(stored->operation, Operation::sessionStart);

    controller.open();
    drain(c.io);
    service.open();
    controller.send();
    drain(c.io);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[1], starts[0]); // the same text, key and start time
    EXPECT_FALSE(controller.pendingFirstDraftText());
}

struct LateAnswerCase {
    const char* name;
    bool session;      // a conversation exists: the message route, else the start route
    bool trailingRead; // the start is accepted, the read after it is cut short by the close
};

TEST(ControllerSendTest, AMessageAcceptedAfterTheWidgetClosedIsDelivered) {
    const LateAnswerCase cases[] = {
        {"message route", true, false},
        {"start route", false, false},
        {"start route, its conversation read cut short", false, true},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        ScriptedConversation c;
        if (row.session) {
            c.client->session = sessionNamed("s-1");
        }
        Gate service;
        c.client->onSendMessage = [&](auto...) -> asio::awaitable<VelmoraAcceptedMessage> {
            co_await service.waitThroughCancellation();
            co_return VelmoraAcceptedMessage{};
        };
        c.client->onStartSession = [&](auto...) -> asio::awaitable<VelmoraSession> {
            co_await service.waitThroughCancellation();
            c.client->session = sessionNamed("s-1");
            if (row.trailingRead) {
                throw boost::system::system_error(asio::error::operation_aborted);
            }
            co_return *c.client->session;
        };
        auto& controller = c.make();
        c.openAndSettle();
        controller.updateDraft("Is my order on its way?");
        controller.send();
        drain(c.io);
        controller.close(); // the request is with the service already
        drain(c.io);
        EXPECT_EQ(controller.pendingFirstDraftText(), "Is my order on its way?");
        service.open(); // and its answer arrives after all
        drain(c.io);
        EXPECT_FALSE(controller.mutationInFlight());
        EXPECT_FALSE(controller.pendingFirstDraftText());
        EXPECT_EQ(controller.draft(), "");
        EXPECT_FALSE(c.store->state(*c.client));
        EXPECT_FALSE(controller.error());

        // Reopened, the widget reads the conversation that holds it instead of keeping it back.
        c.client->calls.clear();
        controller.open();
        drain(c.io);
        EXPECT_EQ(c.callsAmong({"refresh", "startSession", "sendMessage"}),
                  std::vector<std::string>{"refresh"});
        EXPECT_EQ(controller.draft(), "");
    }
}

TEST(ControllerSendTest, ADraftThatCannotBeStoredIsNotSent) {
    for (const bool session : {false, true}) {
        SCOPED_TRACE(session ? "into a session" : "a first message");
        TemporaryDirectory directory;
        // The drafts file's directory is a plain file: no write can succeed.
        std::ofstream(directory.path() / "not-a-directory") << "x";
        ScriptedConversation c;
        c.store = std::make_shared<VelmoraWidgetDraftStore>(directory.path() / "not-a-directory" /
                                                            "drafts.json");
        if (session) {
            c.client->session = sessionNamed("s-1");
        }
        c.client->onStartSession = answer(sessionNamed("s-1"));
        c.client->onSendMessage = answer(VelmoraAcceptedMessage{});
        auto& controller = c.make();
        c.openAndSettle();
        controller.updateDraft("Please call me back");
        for (int attempt = 0; attempt < 2; ++attempt) {
            controller.send();
            drain(c.io);
            ASSERT_TRUE(controller.error());
            EXPECT_EQ(controller.error()->message(),
                      "Velmora widget draft storage could not be saved.");
            EXPECT_EQ(controller.draft(), "Please call me back"); // the composer as it was
            EXPECT_FALSE(controller.pendingFirstDraftText());
            EXPECT_FALSE(controller.mutationInFlight());
        }
        EXPECT_EQ(c.callsAmong({"startSession", "sendMessage"}), std::vector<std::string>{});
    }
}

TEST(ControllerSendTest, AClientErrorDuringASendIsLeftToTheSend) {
    const auto event = velmoraError(VelmoraErrorCode::network, "Velmora network request failed.");
    for (const bool sendFails : {false, true}) {
        SCOPED_TRACE(sendFails ? "the send fails" : "the send is delivered");
        ScriptedConversation c;
        c.client->session = sessionNamed("s-1");
        Gate service;
        c.client->onSendMessage = [&](auto...) -> asio::awaitable<VelmoraAcceptedMessage> {
            co_await service.wait();
            if (sendFails) {
                throw velmoraError(VelmoraErrorCode::http, "message_rejected", 422);
            }
            co_return VelmoraAcceptedMessage{};
        };
        auto& controller = c.make();
        c.openAndSettle();
        controller.updateDraft("Is the shop open?");
        controller.send();
        drain(c.io);
        c.client->emit(event::error{event}); // what the client reports while it sends
        drain(c.io);
        EXPECT_FALSE(controller.error());
        service.open();
        drain(c.io);
        if (sendFails) {
            ASSERT_TRUE(controller.error());
            EXPECT_EQ(controller.error()->message(), "message_rejected");
        } else {
            EXPECT_FALSE(controller.error());
        }
    }
}

struct FailureCase {
    const char* name;
    std::function<void(ScriptedWidgetClient&)> script;
    std::string message;
    VelmoraErrorCode code;
    bool kept;
};

TEST(ControllerSendTest, FailuresOnlyTheControllerSees) {
    const std::vector<FailureCase> cases = {
        {"an accepted message without its id cannot take its files",
         [](ScriptedWidgetClient& client) { client.session = sessionNamed("s-1"); },
         "The accepted message is waiting for its attachments.",
         VelmoraErrorCode::requestInProgress, true},
        {"a failure that is not the client's own",
         [](ScriptedWidgetClient& client) {
             client.onStartSession =
                 failWith<VelmoraSession>(std::runtime_error("socket layer exploded"));
         },
         "Velmora request failed.", VelmoraErrorCode::network, true},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        ScriptedConversation c;
        // A started message with a file, as an earlier widget left it.
        c.store->save(VelmoraWidgetDraftState{"Photo attached",
                                              "KEY-1",
                                              "2026-03-01T10:00:00Z",
                                              {file()},
                                              Operation::sessionStart,
                                              std::nullopt},
                      *c.client);
        row.script(*c.client);
        auto& controller = c.make();
        c.openAndSettle();
        controller.send();
        drain(c.io);
        ASSERT_TRUE(controller.error());
        EXPECT_EQ(controller.error()->message(), row.message);
        EXPECT_EQ(controller.error()->code(), row.code);
        EXPECT_EQ(controller.pendingFirstDraftText().has_value(), row.kept);
        EXPECT_EQ(controller.draft(), "Photo attached");
        EXPECT_EQ(controller.pendingAttachments().size(), 1u);
        // The failure stays visible against the client's later events.
        c.client->emit(event::messageAccepted{});
        drain(c.io);
        EXPECT_TRUE(controller.error());
    }
}

} // namespace
} // namespace velmora::testing
