#include "client_harness.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace velmora::testing {
namespace {

using namespace std::chrono_literals;
using tools::FaultScope;

const FaultScope kReads{"GET", "/api/widget/v1/sessions/"};

std::vector<std::string> take(AsyncStream<VelmoraEvent>& stream, int n) {
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i)
        names.push_back(describe(ClientHarness::nextEvent(stream)));
    return names;
}

/// A client in a session whose conversation the test writes itself (no automatic replies),
/// polling every 0.25 s.
struct Waiting {
    Waiting() : h(settings()), session(h.createServiceSession()) {
        h.run(h.core->restoreSession(session));
        stream.emplace(h.subscribe());
        take(*stream, 1);
        h.service.clearRequests();
    }
    static ClientHarness::Settings settings() {
        ClientHarness::Settings s;
        s.service.assistantDelay = std::nullopt;
        s.pollInterval = 0.25;
        return s;
    }
    VelmoraSnapshot wait(double timeout, std::optional<std::int64_t> after = {}) {
        return h.run(h.core->waitForAssistant(timeout, after));
    }
    std::vector<std::string> events(int n) { return take(*stream, n); }
    /// Every event up to and including the first that is not a snapshot.
    std::vector<std::string> eventsUntilNotSnapshot() {
        std::vector<std::string> names;
        do {
            names.push_back(describe(ClientHarness::nextEvent(*stream)));
        } while (names.back() == "snapshot");
        return names;
    }
    std::size_t reads() { return h.service.requests("GET", "/api/widget/v1/sessions/").size(); }

    ClientHarness h;
    VelmoraSession session;
    std::optional<AsyncStream<VelmoraEvent>> stream;
};

TEST(ClientAssistantWaitTest, ArgumentsAreCheckedBeforeAnything) {
    Waiting w;
    const std::string count = "Assistant message count must be zero or greater.";
    const std::string timeout =
        "Assistant wait timeout must be greater than 0 and at most 120 seconds.";
    struct Case {
        double timeout;
        std::optional<std::int64_t> after;
        std::string message;
    };
    const Case cases[] = {
        {1, -1, count},
        {0, -1, count}, // the count is checked first
        {0, {}, timeout},
        {-1, {}, timeout},
        {120.5, {}, timeout},
        {std::numeric_limits<double>::infinity(), {}, timeout},
        {std::nan(""), {}, timeout},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.timeout);
        auto error = expectVelmoraError([&] { w.wait(test.timeout, test.after); });
        EXPECT_EQ(error, VelmoraError(VelmoraErrorCode::invalidConfig, std::nullopt, std::nullopt,
                                      test.message));
    }
    EXPECT_FALSE(ClientHarness::hasEventWithin(*w.stream, 50ms));
    EXPECT_EQ(w.reads(), 0u);
}

TEST(ClientAssistantWaitTest, ReplyOnTheThirdReadEndsTheWait) {
    Waiting w;
    // The first two reads see the conversation as it was; the reply is there for the third.
    std::string before = R"({"ok":true,"sessionId":")" + w.session.sessionId +
                         R"(","conversationId":")" + *w.session.conversationId +
                         R"(","messages":[)";
    auto snapshot = w.h.onStrand([c = w.h.core] { return *c->snapshot(); });
    for (std::size_t i = 0; i < snapshot.messages.size(); ++i)
        before += (i ? "," : "") + encodeJSON(snapshot.messages[i]);
    before += R"(],"support":{"state":"ai"}})";
    w.h.service.answerNext(200, before, "application/json",
                           FaultScope{"GET", "/api/widget/v1/sessions/", 2});
    auto replyId = w.h.service.postServiceMessage(w.session.sessionId, "ai", "How can I help?");

    auto result = w.wait(120);
    EXPECT_EQ(w.events(5), (std::vector<std::string>{"loading(waiting-for-assistant)", "snapshot",
                                                     "snapshot", "snapshot", "loading(idle)"}));
    EXPECT_EQ(w.reads(), 3u);
    ASSERT_FALSE(result.messages.empty());
    EXPECT_EQ(result.messages.back().id, replyId);
    EXPECT_EQ(w.h.onStrand([c = w.h.core] { return c->snapshot(); }), result);
}

TEST(ClientAssistantWaitTest, WhatEndsTheWaitAndWhatDoesNot) {
    struct Case {
        std::string name;
        /// Writes the conversation; `before` runs before the client's snapshot is taken.
        std::function<void(tools::WidgetService&, const std::string&session)> before, during;
        std::optional<std::int64_t> after;
        bool ends;
    };
    auto post = [](std::string kind) {
        return [kind](tools::WidgetService& s, const std::string& id) {
            s.postServiceMessage(id, kind, "reply");
        };
    };
    auto support = [](std::string state) {
        return [state](tools::WidgetService& s, const std::string& id) {
            s.setSupportState(id, state);
        };
    };
    auto nothing = [](tools::WidgetService&, const std::string&) {};
    const Case cases[] = {
        {"new ai message", nothing, post("ai"), {}, true},
        {"new teammate message", nothing, post("teammate"), {}, true},
        {"hand-over requested", nothing, support("waiting-for-teammate"), {}, true},
        {"teammate joined", nothing, support("teammate-joined"), {}, true},
        {"ai message already known, count 0", post("ai"), nothing, 0, false},
        {"author kind in capitals", nothing, post("AI"), {}, false},
        {"system message", nothing, post("system"), {}, false},
        {"reply before the given count", nothing, post("ai"), 5, false},
        {"teammate already joined",
         support("teammate-joined"),
         support("teammate-joined"),
         {},
         false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        ClientHarness h(Waiting::settings());
        auto session = h.createServiceSession();
        test.before(h.service, session.sessionId);
        h.run(h.core->restoreSession(session));
        test.during(h.service, session.sessionId);
        auto stream = h.subscribe();
        take(stream, 1);
        if (test.ends) {
            EXPECT_NO_THROW(h.run(h.core->waitForAssistant(5, test.after)));
            EXPECT_EQ(take(stream, 3), (std::vector<std::string>{"loading(waiting-for-assistant)",
                                                                 "snapshot", "loading(idle)"}));
        } else {
            auto error =
                expectVelmoraError([&] { h.run(h.core->waitForAssistant(0.3, test.after)); });
            EXPECT_EQ(error.code(), VelmoraErrorCode::network);
        }
    }
}

TEST(ClientAssistantWaitTest, TimeOutIsANetworkErrorAfterTheReads) {
    Waiting w;
    auto error = expectVelmoraError([&] { w.wait(0.6); });
    EXPECT_EQ(error, VelmoraError(VelmoraErrorCode::network, std::nullopt, std::nullopt,
                                  "Assistant response did not arrive before the timeout."));
    EXPECT_EQ(w.events(1), std::vector<std::string>{"loading(waiting-for-assistant)"});
    auto rest = w.eventsUntilNotSnapshot();
    EXPECT_GE(rest.size(), 2u); // at least one read
    EXPECT_EQ(rest.size() - 1, w.reads());
    EXPECT_EQ(rest.back(), "error(network)");
    EXPECT_EQ(w.events(1), std::vector<std::string>{"loading(idle)"});
    EXPECT_FALSE(ClientHarness::hasEventWithin(*w.stream, 50ms));
}

TEST(ClientAssistantWaitTest, FailedReadEndsTheWaitWithItsError) {
    Waiting w;
    w.h.service.failNext(500, "internal", std::nullopt, kReads);
    auto error = expectVelmoraError([&] { w.wait(5); });
    EXPECT_EQ(error.status(), 500);
    EXPECT_EQ(w.events(3), (std::vector<std::string>{"loading(waiting-for-assistant)",
                                                     "error(http)", "loading(idle)"}));

    ClientHarness bare(Waiting::settings());
    auto stream = bare.subscribe();
    take(stream, 1);
    auto noSession = expectVelmoraError([&] { bare.run(bare.core->waitForAssistant(5, {})); });
    EXPECT_EQ(noSession.message(), "Start or resume a session first.");
    EXPECT_EQ(take(stream, 3),
              (std::vector<std::string>{"loading(waiting-for-assistant)", "error(session-expired)",
                                        "loading(idle)"}));
}

TEST(ClientAssistantWaitTest, ResetDuringTheWaitEndsItWithoutAnotherEvent) {
    Waiting w;
    auto waiting = w.h.spawn(w.h.core->waitForAssistant(30, {}));
    EXPECT_EQ(w.events(2),
              (std::vector<std::string>{"loading(waiting-for-assistant)", "snapshot"}));
    w.h.run(w.h.core->resetSession());
    auto error = expectVelmoraError([&] { waiting.get(); });
    EXPECT_EQ(error.code(), VelmoraErrorCode::sessionExpired);
    EXPECT_EQ(w.events(2), (std::vector<std::string>{"sessionCleared", "loading(idle)"}));
    EXPECT_FALSE(ClientHarness::hasEventWithin(*w.stream, 100ms));
}

TEST(ClientAssistantWaitTest, CancelledWaitReturnsToIdle) {
    Waiting w;
    asio::cancellation_signal cancel;
    auto core = w.h.core;
    auto waiting = asio::co_spawn(
        core->strand(),
        [core]() -> asio::awaitable<VelmoraSnapshot> {
            co_await detail::enterOperation();
            co_return co_await core->waitForAssistant(30, {});
        },
        asio::bind_cancellation_slot(cancel.slot(), asio::use_future));
    EXPECT_EQ(w.events(2),
              (std::vector<std::string>{"loading(waiting-for-assistant)", "snapshot"}));
    asio::post(core->strand(), [&] { cancel.emit(asio::cancellation_type::terminal); });
    try {
        waiting.get();
        ADD_FAILURE() << "the wait went on";
    } catch (const boost::system::system_error& e) {
        EXPECT_EQ(e.code(), asio::error::operation_aborted);
    }
    EXPECT_EQ(w.events(1), std::vector<std::string>{"loading(idle)"});
    EXPECT_FALSE(ClientHarness::hasEventWithin(*w.stream, 50ms));
}

} // namespace
} // namespace velmora::testing
