#include "client_harness.hpp"

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

using tools::FaultScope;

VelmoraSessionStartInput startInput(std::string message, std::optional<std::string> key = {}) {
    return VelmoraSessionStartInput{std::move(message), std::move(key), {}, {}, {}, {}, {}};
}

VelmoraSessionStartInput deepStart(std::size_t metadataDepth, std::size_t fieldsDepth) {
    auto input = startInput("Hello");
    input.metadata = nestedMetadata(metadataDepth);
    input.prefill = VelmoraPrefill{{}, {}, {}, {}, nestedMetadata(fieldsDepth)};
    return input;
}

std::vector<std::string> take(AsyncStream<VelmoraEvent>& stream, int n) {
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i)
        names.push_back(describe(ClientHarness::nextEvent(stream)));
    return names;
}

const FaultScope kSessions{"POST", "/api/widget/v1/sessions"};

TEST(ClientSessionStartTest, FirstMessageStartsTheConversationDurably) {
    ClientHarness h;
    auto stream = h.subscribe();
    take(stream, 1);
    auto session =
        h.run(h.core->startSession(startInput("  Hello there \n", "start-key-000000001")));

    EXPECT_EQ(take(stream, 6), (std::vector<std::string>{
                                   "sessionCleared", "loading(starting-session)", "sessionStarted",
                                   "loading(loading-messages)", "snapshot", "loading(idle)"}));
    auto posts = h.service.requests("POST", "/api/widget/v1/sessions");
    ASSERT_EQ(posts.size(), 1u);
    const auto& body = posts[0].bodyText();
    // Sorted keys; the message trimmed; the key in the body and in the header.
    EXPECT_EQ(
        body.find(
            R"({"idempotencyKey":"start-key-000000001","integrationPublicId":"local-demo","locale":"en","message":"Hello there","startedAt":")"),
        0u)
        << body;
    EXPECT_EQ(body.find("turnstileToken"), std::string::npos);
    EXPECT_EQ(posts[0].header("x-velmora-idempotency-key"), "start-key-000000001");
    EXPECT_EQ(h.run(h.stores.pendingSessionStarts->load("account-a")), std::nullopt);
    EXPECT_EQ(h.run(h.stores.sessions->load("account-a")), session);
    EXPECT_EQ(h.onStrand([c = h.core] { return c->session(); }), session);
    EXPECT_TRUE(h.onStrand([c = h.core] { return c->lastCustomerMessageId().has_value(); }));
}

TEST(ClientSessionStartTest, ChecksBeforeAnythingHappens) {
    ClientHarness h;
    auto stream = h.subscribe();
    take(stream, 1);
    struct Case {
        VelmoraSessionStartInput input;
        std::string message;
    };
    const Case cases[] = {
        {startInput("  a  "), "Message text must contain at least two characters."},
        {startInput("e\u0301"), "Message text must contain at least two characters."},
        {startInput("Hello", "short"), "Idempotency key is invalid."},
        {startInput("Hello", "start-key-000000001\n"), "Idempotency key is invalid."},
        {deepStart(501, 1), "Metadata is nested too deeply."},
        {deepStart(1, 501), "Prefill fields are nested too deeply."},
    };
    for (const auto& c : cases) {
        auto error = expectVelmoraError([&] { h.run(h.core->startSession(c.input)); });
        EXPECT_EQ(error.code(), VelmoraErrorCode::fieldInvalid);
        EXPECT_EQ(error.message(), c.message);
    }
    EXPECT_FALSE(ClientHarness::hasEventWithin(stream, std::chrono::milliseconds(50)));
    EXPECT_TRUE(h.service.requests().empty());
    EXPECT_EQ(h.run(h.stores.pendingSessionStarts->load("account-a")), std::nullopt);
    // Two emoji are two characters.
    EXPECT_NO_THROW(h.run(h.core->startSession(startInput("\U0001F44B\U0001F600"))));
}

TEST(ClientSessionStartTest, WithoutAKeyAnUpperCaseUuidIsSentAndStored) {
    ClientHarness h;
    h.service.failNext(503, std::nullopt, std::nullopt, kSessions);
    EXPECT_THROW(h.run(h.core->startSession(startInput("Hello"))), VelmoraError);
    auto pending = h.run(h.stores.pendingSessionStarts->load("account-a"));
    ASSERT_TRUE(pending);
    const auto& key = pending->idempotencyKey;
    ASSERT_EQ(key.size(), 36u);
    EXPECT_EQ(key, pending->input.idempotencyKey);
    for (char c : key)
        EXPECT_FALSE(c >= 'a' && c <= 'z') << key;
    EXPECT_EQ(h.service.requests("POST", "/api/widget/v1/sessions")[0].header(
                  "x-velmora-idempotency-key"),
              key);
}

TEST(ClientSessionStartTest, RetryableFailureKeepsTheStartAndARepeatSendsTheSameBytes) {
    ClientHarness h;
    auto stream = h.subscribe();
    take(stream, 1);
    h.service.failNext(503, std::nullopt, std::nullopt, kSessions);
    auto input = startInput("Hello again", "start-key-000000002");
    EXPECT_EQ(expectVelmoraError([&] { h.run(h.core->startSession(input)); }).status(), 503);
    EXPECT_EQ(take(stream, 4),
              (std::vector<std::string>{"sessionCleared", "loading(starting-session)",
                                        "error(http)", "loading(idle)"}));
    auto stored = h.run(h.stores.pendingSessionStarts->load("account-a"));
    ASSERT_TRUE(stored);

    std::this_thread::sleep_for(std::chrono::milliseconds(1100)); // the clock moves on
    h.run(h.core->startSession(input));
    auto posts = h.service.requests("POST", "/api/widget/v1/sessions");
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0].body, posts[1].body);
    EXPECT_EQ(posts[0].body, stored->requestBody);
    EXPECT_EQ(h.run(h.stores.pendingSessionStarts->load("account-a")), std::nullopt);
}

TEST(ClientSessionStartTest, WhatHappensToThePendingStartOnEachFailure) {
    struct Case {
        const char* name;
        std::function<void(tools::WidgetService&)> fault;
        bool kept;
        std::optional<std::string> message;
    };
    const Case cases[] = {
        {"turnstile required",
         [](auto& s) {
             s.failNext(400, std::string("turnstile_required"), std::nullopt, kSessions);
         },
         false, "turnstile_required"},
        {"rate limited",
         [](auto& s) { s.failNext(429, std::string("rate_limited"), 3, kSessions); }, true,
         "rate_limited"},
        {"dropped connection", [](auto& s) { s.dropNext(kSessions); }, true,
         "Velmora network request failed."},
        {"invalid session token in the answer",
         [](auto& s) {
             s.answerNext(200, R"({"ok":true,"sessionId":"s_1","sessionToken":"a\nb"})",
                          "application/json", kSessions);
         },
         false, "Session token is invalid."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClientHarness h;
        c.fault(h.service);
        auto error = expectVelmoraError(
            [&] { h.run(h.core->startSession(startInput("Hello", "start-key-000000003"))); });
        if (c.message)
            EXPECT_EQ(error.message(), *c.message);
        EXPECT_EQ(h.run(h.stores.pendingSessionStarts->load("account-a")).has_value(), c.kept);
        EXPECT_EQ(h.onStrand([core = h.core] { return core->session(); }), std::nullopt);
    }
}

TEST(ClientSessionStartTest, AnotherUnacknowledgedStartBlocksANewKey) {
    ClientHarness h;
    h.service.failNext(503, std::nullopt, std::nullopt, kSessions);
    EXPECT_THROW(h.run(h.core->startSession(startInput("Hello", "start-key-000000004"))),
                 VelmoraError);
    auto stored = h.run(h.stores.pendingSessionStarts->load("account-a"));
    auto stream = h.subscribe();
    take(stream, 1);
    auto error = expectVelmoraError(
        [&] { h.run(h.core->startSession(startInput("Other", "start-key-000000005"))); });
    EXPECT_EQ(error.message(), "The previous session start is awaiting acknowledgement.");
    EXPECT_EQ(take(stream, 4),
              (std::vector<std::string>{"sessionCleared", "loading(starting-session)",
                                        "error(request-in-progress)", "loading(idle)"}));
    EXPECT_EQ(h.run(h.stores.pendingSessionStarts->load("account-a")), stored);
}

TEST(ClientSessionStartTest, ASecondMutationIsRefusedAtOnce) {
    ClientHarness h;
    h.service.delayNext(std::chrono::milliseconds(300), kSessions);
    auto first = h.spawn(h.core->startSession(startInput("Hello", "start-key-000000006")));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    auto error = expectVelmoraError(
        [&] { h.run(h.core->startSession(startInput("Hello", "start-key-000000007"))); });
    EXPECT_EQ(error.message(), "Another mutation is in progress.");
    EXPECT_NO_THROW(first.get());
    EXPECT_NO_THROW(h.run(h.core->startSession(startInput("Hello", "start-key-000000008"))));
}

TEST(ClientSessionStartTest, CancelledStartKeepsItsPendingStartAndEmitsNoError) {
    ClientHarness h;
    auto stream = h.subscribe();
    take(stream, 1);
    h.service.delayNext(std::chrono::milliseconds(300), kSessions);
    asio::cancellation_signal cancel;
    auto future = asio::co_spawn(
        h.core->strand(),
        [core = h.core]() -> asio::awaitable<VelmoraSession> {
            co_await detail::enterOperation();
            co_return co_await core->startSession(startInput("Hello", "start-key-000000009"));
        },
        asio::bind_cancellation_slot(cancel.slot(), asio::use_future));
    EXPECT_EQ(take(stream, 2),
              (std::vector<std::string>{"sessionCleared", "loading(starting-session)"}));
    asio::post(h.core->strand(), [&] { cancel.emit(asio::cancellation_type::terminal); });
    EXPECT_THROW(future.get(), boost::system::system_error);
    EXPECT_EQ(take(stream, 1), std::vector<std::string>{"loading(idle)"});
    EXPECT_FALSE(ClientHarness::hasEventWithin(stream, std::chrono::milliseconds(50)));
    EXPECT_TRUE(h.run(h.stores.pendingSessionStarts->load("account-a")).has_value());
}

TEST(ClientSessionStartTest, RecoveryResendsTheStoredBytesAndKey) {
    struct Case {
        const char* name;
        std::function<void(tools::WidgetService&)> fault;
        bool succeeds;
        bool kept;
    };
    const Case cases[] = {
        {"accepted", [](auto&) {}, true, false},
        {"503 keeps it", [](auto& s) { s.failNext(503, std::nullopt, std::nullopt, kSessions); },
         false, true},
        {"turnstile failure removes it",
         [](auto& s) { s.failNext(400, std::string("turnstile_failed"), std::nullopt, kSessions); },
         false, false},
        {"an invalid session in the answer removes it",
         [](auto& s) {
             s.answerNext(200, R"({"ok":true,"sessionId":"bad id","sessionToken":"t"})",
                          "application/json", kSessions);
         },
         false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClientHarness::Settings settings;
        settings.turnstileToken = "configured-later"; // the stored bytes win over the new setting
        ClientHarness h(settings);
        const std::string body =
            R"({"idempotencyKey":"stored-key-00000001","integrationPublicId":"local-demo","locale":"en","message":"Stored hello","startedAt":"2026-01-01T00:00:00Z","turnstileToken":"original"})";
        VelmoraPendingSessionStart start{
            "account-a", "stored-key-00000001", Data(body.begin(), body.end()),
            startInput("Stored hello", "stored-key-00000001"), "2026-01-01T00:00:00Z"};
        h.run(h.stores.pendingSessionStarts->save(start));
        auto stream = h.subscribe();
        take(stream, 1);
        c.fault(h.service);
        auto generation = h.onStrand([core = h.core] { return core->generation_; });
        auto run = [&] { return h.run(h.core->recoverPendingSessionStart(start, generation)); };
        if (c.succeeds) {
            auto session = run();
            EXPECT_EQ(h.run(h.stores.sessions->load("account-a")), session);
            EXPECT_EQ(take(stream, 4),
                      (std::vector<std::string>{"sessionStarted", "loading(loading-messages)",
                                                "snapshot", "loading(idle)"}));
        } else {
            EXPECT_THROW(run(), VelmoraError);
        }
        auto posts = h.service.requests("POST", "/api/widget/v1/sessions");
        ASSERT_EQ(posts.size(), 1u);
        EXPECT_EQ(posts[0].bodyText(), body);
        EXPECT_EQ(posts[0].header("x-velmora-idempotency-key"), "stored-key-00000001");
        EXPECT_EQ(h.run(h.stores.pendingSessionStarts->load("account-a")).has_value(), c.kept);
    }
}

} // namespace
} // namespace velmora::testing
