#include "client_harness.hpp"

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

using tools::FaultScope;

std::vector<std::string> take(AsyncStream<VelmoraEvent>& stream, int n) {
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i)
        names.push_back(describe(ClientHarness::nextEvent(stream)));
    return names;
}

const FaultScope kMessagesRead{"GET", "/api/widget/v1/sessions/"};
const FaultScope kResume{"POST", "/api/widget/v1/sessions/resume"};

TEST(ClientResumeTest, NothingStoredAndNothingToResume) {
    ClientHarness h;
    auto stream = h.subscribe();
    take(stream, 1);
    h.service.answerNext(200, R"({"ok":true,"sessionId":"s_9"})", "application/json", kResume);
    EXPECT_EQ(h.run(h.core->resumeSession()), std::nullopt);
    EXPECT_EQ(
        take(stream, 3),
        (std::vector<std::string>{"sessionCleared", "loading(starting-session)", "loading(idle)"}));
    auto resumes = h.service.requests("POST", "/api/widget/v1/sessions/resume");
    ASSERT_EQ(resumes.size(), 1u);
    EXPECT_EQ(resumes[0].header("x-velmora-session-token"), std::nullopt);
    EXPECT_TRUE(resumes[0].body.empty());
    EXPECT_EQ(h.run(h.stores.sessions->load("account-a")), std::nullopt);
}

TEST(ClientResumeTest, StoredSessionIsRestoredWithoutAskingTheService) {
    ClientHarness h;
    auto session = h.createServiceSession();
    h.run(h.stores.sessions->save(session, "account-a"));
    auto stream = h.subscribe();
    take(stream, 1);
    EXPECT_EQ(h.run(h.core->resumeSession()), session);
    EXPECT_EQ(take(stream, 6), (std::vector<std::string>{
                                   "sessionCleared", "loading(starting-session)", "sessionStarted",
                                   "loading(loading-messages)", "snapshot", "loading(idle)"}));
    EXPECT_TRUE(h.service.requests("POST", "/api/widget/v1/sessions/resume").empty());
}

TEST(ClientResumeTest, ExpiredStoredSessionFallsBackToTheServiceOnce) {
    ClientHarness h;
    auto current = h.createServiceSession();
    VelmoraSession stale{"s_stale", std::nullopt, "stale-token"};
    h.run(h.stores.sessions->save(stale, "account-a"));
    auto stream = h.subscribe();
    take(stream, 1);
    h.service.failNext(401, std::string("session_expired"), std::nullopt, kMessagesRead);
    h.service.answerNext(200,
                         R"({"ok":true,"sessionId":")" + current.sessionId +
                             R"(","sessionToken":")" + current.sessionToken + R"("})",
                         "application/json", kResume);
    auto resumed = h.run(h.core->resumeSession());
    ASSERT_TRUE(resumed);
    EXPECT_EQ(resumed->sessionId, current.sessionId);
    EXPECT_EQ(take(stream, 11),
              (std::vector<std::string>{
                  "sessionCleared", "loading(starting-session)", "sessionStarted",
                  "loading(loading-messages)", "error(session-expired)", "loading(idle)",
                  "sessionCleared", // the stale session is gone again
                  "sessionStarted", "loading(loading-messages)", "snapshot", "loading(idle)"}));
    EXPECT_EQ(h.run(h.stores.sessions->load("account-a"))->sessionId, current.sessionId);
    EXPECT_EQ(h.service.requests("POST", "/api/widget/v1/sessions/resume").size(), 1u);
}

TEST(ClientResumeTest, RetryableStatusOnTheStoredSessionFailsTheResume) {
    ClientHarness h;
    auto session = h.createServiceSession();
    h.run(h.stores.sessions->save(session, "account-a"));
    h.service.failNext(503, std::nullopt, std::nullopt, kMessagesRead);
    EXPECT_EQ(expectVelmoraError([&] { h.run(h.core->resumeSession()); }).status(), 503);
    EXPECT_TRUE(h.service.requests("POST", "/api/widget/v1/sessions/resume").empty());
    // A 404 is not retryable: that one falls back to the service.
    h.service.failNext(404, std::nullopt, std::nullopt, kMessagesRead);
    EXPECT_NO_THROW(h.run(h.core->resumeSession()));
    EXPECT_EQ(h.service.requests("POST", "/api/widget/v1/sessions/resume").size(), 1u);
}

TEST(ClientResumeTest, PendingStartWinsOverTheStoredSessionWithItsStoredBytes) {
    ClientHarness h;
    h.run(h.stores.sessions->save(VelmoraSession{"s_old", std::nullopt, "old"}, "account-a"));
    const std::string body =
        R"({"idempotencyKey":"pending-key-0000001","integrationPublicId":"local-demo","locale":"en","message":"Left behind","startedAt":"2026-01-01T00:00:00Z"})";
    h.run(h.stores.pendingSessionStarts->save(VelmoraPendingSessionStart{
        "account-a", "pending-key-0000001", Data(body.begin(), body.end()),
        VelmoraSessionStartInput{"Left behind", "pending-key-0000001", {}, {}, {}, {}, {}},
        "2026-01-01T00:00:00Z"}));
    auto resumed = h.run(h.core->resumeSession());
    ASSERT_TRUE(resumed);
    EXPECT_NE(resumed->sessionId, "s_old");
    auto posts = h.service.requests("POST", "/api/widget/v1/sessions");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].bodyText(), body);
    EXPECT_TRUE(h.service.requests("GET", "/api/widget/v1/sessions/s_old").empty());
    EXPECT_EQ(h.run(h.stores.pendingSessionStarts->load("account-a")), std::nullopt);
    EXPECT_EQ(h.run(h.stores.sessions->load("account-a")), resumed);
}

TEST(ClientResumeTest, ResetDuringTheResumeRequestEndsIt) {
    ClientHarness h;
    h.service.delayNext(std::chrono::milliseconds(2000), kResume);
    auto resume = h.spawn(h.core->resumeSession());
    for (int i = 0; i < 200 && h.service.requests("POST", "/api/widget/v1/sessions/resume").empty();
         ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    auto stream = h.subscribe();
    take(stream, 1);
    h.run(h.core->resetSession());
    auto error = expectVelmoraError([&] { resume.get(); });
    EXPECT_EQ(error.code(), VelmoraErrorCode::sessionExpired);
    EXPECT_EQ(take(stream, 2), (std::vector<std::string>{"sessionCleared", "loading(idle)"}));
    EXPECT_FALSE(ClientHarness::hasEventWithin(stream, std::chrono::milliseconds(100)));
}

} // namespace
} // namespace velmora::testing

namespace velmora::testing {
namespace {

VelmoraPendingAttachmentOperation operation(VelmoraPendingAttachmentOperationKind kind,
                                            std::optional<std::string> sessionId,
                                            std::optional<std::string> messageId,
                                            std::string body = "{}") {
    return VelmoraPendingAttachmentOperation{
        "account-a",
        kind,
        "operation-key-00001",
        Data(body.begin(), body.end()),
        std::nullopt,
        kind == VelmoraPendingAttachmentOperationKind::message
            ? std::optional<VelmoraMessageInput>(
                  VelmoraMessageInput{"With a file", {}, {}, {}, {}, {}})
            : std::nullopt,
        {},
        std::move(sessionId),
        std::move(messageId),
        "2026-01-01T00:00:00Z"};
}

TEST(ClientReconciliationTest, BringsTheStoredOperationInLineWithTheSession) {
    using Kind = VelmoraPendingAttachmentOperationKind;
    ClientHarness h;
    auto session = h.createServiceSession();
    h.run(h.core->restoreSession(session));
    auto generation = [&] { return h.onStrand([c = h.core] { return c->generation_; }); };
    auto reconcile = [&] { h.run(h.core->reconcilePendingAttachmentOperation(generation())); };
    auto stored = [&] { return h.run(h.stores.pendingAttachmentOperations->load("account-a")); };

    // Nothing stored: nothing happens.
    EXPECT_NO_THROW(reconcile());
    EXPECT_EQ(stored(), std::nullopt);

    // A start that already knows its message keeps it; the session is filled in.
    h.run(h.stores.pendingAttachmentOperations->save(
        operation(Kind::sessionStart, std::nullopt, std::string("m_known"))));
    reconcile();
    EXPECT_EQ(stored()->sessionId, session.sessionId);
    EXPECT_EQ(stored()->messageId, "m_known");

    // A message whose acceptance was never recorded is sent once more with its stored bytes
    // and key, and the accepted identifier is kept.
    const std::string body =
        R"({"idempotencyKey":"operation-key-00001","integrationPublicId":"local-demo","locale":"en","message":"With a file","startedAt":"2026-01-01T00:00:00Z"})";
    h.run(h.stores.pendingAttachmentOperations->remove("account-a"));
    h.run(h.stores.pendingAttachmentOperations->save(
        operation(Kind::message, session.sessionId, std::nullopt, body)));
    // Through the outbox, as a plain send: a retryable failure leaves the entry to flush.
    h.service.failNext(503, std::nullopt, std::nullopt,
                       {"POST", "/api/widget/v1/sessions/" + session.sessionId});
    EXPECT_EQ(expectVelmoraError(reconcile).status(), 503);
    const auto entries = h.run(h.stores.outbox->load());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].id, "operation-key-00001");
    EXPECT_EQ(std::string(entries[0].requestBody.begin(), entries[0].requestBody.end()), body);
    h.service.clearRequests();
    reconcile();
    EXPECT_TRUE(h.run(h.stores.outbox->load()).empty());
    auto posts = h.service.requests("POST", "/api/widget/v1/sessions/" + session.sessionId);
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].bodyText(), body);
    EXPECT_EQ(posts[0].header("x-velmora-idempotency-key"), "operation-key-00001");
    ASSERT_TRUE(stored()->messageId);
    reconcile(); // known now: no second request
    EXPECT_EQ(h.service.requests("POST", "/api/widget/v1/sessions/" + session.sessionId).size(),
              1u);

    struct Refused {
        VelmoraPendingAttachmentOperation operation;
        std::string message;
    };
    const Refused refused[] = {
        {operation(Kind::message, std::nullopt, std::nullopt),
         "The pending message belongs to a different session."},
        {operation(Kind::message, std::string("s_other"), std::nullopt),
         "The pending attachment belongs to a different session."},
        {operation(Kind::sessionStart, std::string("s_other"), std::nullopt),
         "The pending attachment belongs to a different session."},
    };
    for (const auto& r : refused) {
        h.run(h.stores.pendingAttachmentOperations->remove("account-a"));
        h.run(h.stores.pendingAttachmentOperations->save(r.operation));
        auto error = expectVelmoraError(reconcile);
        EXPECT_EQ(error.code(), VelmoraErrorCode::sessionExpired);
        EXPECT_EQ(error.message(), r.message);
        EXPECT_EQ(stored()->sessionId, r.operation.sessionId); // kept as it was
    }
}

} // namespace
} // namespace velmora::testing
