#include "client_harness.hpp"

#include "detail/date_time.hpp"
#include "detail/pattern.hpp"

#include <gtest/gtest.h>

#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>

#include <atomic>
#include <mutex>

namespace velmora::testing {
namespace {

using namespace std::chrono_literals;
using tools::FaultScope;

const FaultScope kMessagePosts{"POST", "/api/widget/v1/sessions/"};

VelmoraMessageInput input(std::string text, std::optional<std::string> key = {}) {
    return VelmoraMessageInput{std::move(text), std::move(key), {}, {}, {}, {}};
}

VelmoraMessageInput withMetadata(VelmoraMessageInput input, JSONValue::Object metadata) {
    input.metadata = std::move(metadata);
    return input;
}

std::vector<std::string> take(AsyncStream<VelmoraEvent>& stream, int n) {
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i)
        names.push_back(describe(ClientHarness::nextEvent(stream)));
    return names;
}

template <class Predicate> void waitUntil(Predicate done) {
    for (int i = 0; i < 1000 && !done(); ++i)
        std::this_thread::sleep_for(2ms);
    ASSERT_TRUE(done());
}

/// An in-memory outbox that logs its writes, and that a test can make fail or stall.
class ControlledOutbox : public VelmoraMemoryOutbox {
public:
    std::atomic<bool> failRemovals{false};
    /// While set, a save waits for `landSave` before writing and for `finishSave` after.
    std::atomic<bool> stallSaves{false};
    std::atomic<bool> saveStarted{false}, landSave{false}, saveLanded{false}, finishSave{false};
    /// While set, a removal waits for `finishRemoval`.
    std::atomic<bool> stallRemovals{false};
    std::atomic<bool> removeStarted{false}, finishRemoval{false};

    asio::awaitable<void> save(VelmoraOutboxEntry entry) override {
        log("save " + entry.id);
        if (stallSaves) {
            saveStarted = true;
            co_await waitFor(landSave);
        }
        co_await VelmoraMemoryOutbox::save(std::move(entry));
        if (stallSaves) {
            saveLanded = true;
            co_await waitFor(finishSave);
        }
    }
    asio::awaitable<void> remove(std::string id) override {
        log("remove " + id);
        if (stallRemovals) {
            removeStarted = true;
            co_await waitFor(finishRemoval);
        }
        if (failRemovals) {
            throw VelmoraError(VelmoraErrorCode::outboxCorrupt, std::nullopt, std::nullopt,
                               "Velmora outbox storage could not be saved.");
        }
        co_await VelmoraMemoryOutbox::remove(std::move(id));
    }
    std::vector<std::string> writes() {
        std::lock_guard lock(mutex_);
        return writes_;
    }

private:
    void log(std::string line) {
        std::lock_guard lock(mutex_);
        writes_.push_back(std::move(line));
    }
    static asio::awaitable<void> waitFor(const std::atomic<bool>& flag) {
        asio::steady_timer timer(co_await asio::this_coro::executor);
        while (!flag) {
            timer.expires_after(1ms);
            co_await timer.async_wait(asio::use_awaitable);
        }
    }

    std::mutex mutex_;
    std::vector<std::string> writes_;
};

ClientHarness::Settings quietService() {
    ClientHarness::Settings settings;
    settings.service.assistantDelay = std::nullopt; // only the customer's messages
    return settings;
}

/// A harness whose client holds a session, with a subscription past its first event.
struct Conversation {
    explicit Conversation(ClientHarness::Settings settings = quietService(),
                          ClientStores stores = {})
        : h(std::move(settings), std::move(stores)), session(h.createServiceSession()) {
        h.run(h.core->restoreSession(session));
        stream.emplace(h.subscribe());
        take(*stream, 1);
    }
    std::vector<std::string> events(int n) { return take(*stream, n); }
    bool quiet() { return !ClientHarness::hasEventWithin(*stream, 100ms); }
    std::vector<VelmoraOutboxEntry> outbox() { return h.run(h.stores.outbox->load()); }
    std::vector<tools::RecordedRequest> posts() {
        return h.service.requests("POST", "/api/widget/v1/sessions/");
    }
    /// The customer's texts as the service holds them, read behind the client's back.
    std::vector<std::string> customerTexts() {
        VelmoraHTTPRequest request;
        request.url = h.service.origin() + "/api/widget/v1/sessions/" + session.sessionId +
                      "/messages?integration=local-demo";
        request.headers = {{"Authorization", "Bearer host-token"},
                           {"x-velmora-client", "native-v1"},
                           {"x-velmora-session-token", session.sessionToken}};
        auto response = h.transport->send(request, asio::use_future).get();
        const std::string body(response.body.begin(), response.body.end());
        auto document = detail::parseJSON(body);
        if (!document.is_object() || !document.as_object().contains("messages")) {
            ADD_FAILURE() << body;
            return {};
        }
        std::vector<std::string> texts;
        for (const auto& message : document.at("messages").as_array()) {
            if (message.at("authorKind") == "customer")
                texts.emplace_back(message.at("bodyText").as_string());
        }
        return texts;
    }

    ClientHarness h;
    VelmoraSession session;
    std::optional<AsyncStream<VelmoraEvent>> stream;
};

TEST(ClientOutboxTest, AcceptedMessageIsStoredFirstThenPostedAndRemoved) {
    auto outbox = std::make_shared<ControlledOutbox>();
    ClientStores stores;
    stores.outbox = outbox;
    auto settings = quietService();
    settings.turnstileToken = "config-turnstile";
    Conversation c(settings, stores);

    auto accepted = c.h.run(c.h.core->sendMessage(input("  Hello there \n")));
    EXPECT_EQ(c.events(3), (std::vector<std::string>{"loading(sending-message)", "messageAccepted",
                                                     "loading(idle)"}));
    EXPECT_TRUE(c.quiet());
    EXPECT_EQ(accepted.sessionId, c.session.sessionId);
    EXPECT_EQ(accepted.conversationId, c.session.conversationId);
    EXPECT_EQ(accepted.status, "accepted");
    ASSERT_TRUE(accepted.messageId);
    EXPECT_EQ(c.h.onStrand([core = c.h.core] { return core->lastCustomerMessageId(); }),
              accepted.messageId);

    // A fresh key names the entry, the body and the header alike.
    auto posts = c.posts();
    ASSERT_EQ(posts.size(), 1u);
    auto key = posts[0].header("x-velmora-idempotency-key").value_or("");
    static const detail::Pattern uuid(
        "[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    EXPECT_TRUE(uuid.matches(key)) << key;
    EXPECT_EQ(outbox->writes(), (std::vector<std::string>{"save " + key, "remove " + key}));
    EXPECT_TRUE(c.outbox().empty());
    EXPECT_EQ(posts[0].header("x-velmora-session-token"), c.session.sessionToken);
    const auto body = posts[0].bodyText();
    const auto startedAt = body.substr(body.find("\"startedAt\":\"") + 13, 20);
    EXPECT_TRUE(detail::parseInternetDateTime(startedAt, false)) << startedAt;
    EXPECT_EQ(body, R"({"idempotencyKey":")" + key +
                        R"(","integrationPublicId":"local-demo","locale":"en",)"
                        R"("message":"Hello there","startedAt":")" +
                        startedAt + R"(","turnstileToken":"config-turnstile"})");
    EXPECT_EQ(c.customerTexts(), (std::vector<std::string>{"Hello there", "Hello there"}));
}

TEST(ClientOutboxTest, StoredEntryHoldsTheCompletedInputAndTheBytesSent) {
    auto settings = quietService();
    settings.turnstileToken = "config-turnstile";
    Conversation c(settings);
    VelmoraMessageInput given{
        " Hi \t",
        "given-key-00000001",
        "2026-01-02T03:04:05Z",
        std::map<std::string, JSONValue>{{"b", JSONValue("x")}, {"a", JSONValue(1.0)}},
        "Europe/Kyiv",
        "input-turnstile"};
    c.h.service.failNext(503, std::nullopt, std::nullopt, kMessagePosts);
    EXPECT_THROW(c.h.run(c.h.core->sendMessage(given)), VelmoraError);

    auto entries = c.outbox();
    ASSERT_EQ(entries.size(), 1u);
    const auto& entry = entries[0];
    EXPECT_EQ(entry.id, "given-key-00000001");
    EXPECT_EQ(entry.accountScope, "account-a");
    EXPECT_EQ(entry.sessionId, c.session.sessionId);
    EXPECT_EQ(entry.attempts, 0);
    EXPECT_TRUE(detail::parseInternetDateTime(entry.createdAt, false)) << entry.createdAt;
    auto completed = given;
    completed.text = "Hi";
    EXPECT_EQ(entry.input, completed);
    const std::string expected =
        R"({"idempotencyKey":"given-key-00000001","integrationPublicId":"local-demo",)"
        R"("locale":"en","message":"Hi","metadata":{"a":1,"b":"x"},)"
        R"("startedAt":"2026-01-02T03:04:05Z","timeZone":"Europe\/Kyiv",)"
        R"("turnstileToken":"input-turnstile"})";
    EXPECT_EQ(std::string(entry.requestBody.begin(), entry.requestBody.end()), expected);
    EXPECT_EQ(c.posts().at(0).bodyText(), expected);
}

TEST(ClientOutboxTest, InvalidSendsFailBeforeAnythingIsStoredOrEmitted) {
    struct Case {
        bool withSession;
        VelmoraMessageInput input;
        VelmoraErrorCode code;
        std::string message;
    };
    const Case cases[] = {
        {false, input("Hello"), VelmoraErrorCode::sessionExpired,
         "Start or resume a session first."},
        {true, input(" \n\t\u3000 "), VelmoraErrorCode::fieldInvalid, "Message text is required."},
        {true, input("Hello", "short-key-15chr"), VelmoraErrorCode::fieldInvalid,
         "Idempotency key is invalid."},
        {true, input("Hello", "key with spaces 0001"), VelmoraErrorCode::fieldInvalid,
         "Idempotency key is invalid."},
        {true, withMetadata(input("Hello"), nestedMetadata(501)), VelmoraErrorCode::fieldInvalid,
         "Metadata is nested too deeply."},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.message);
        ClientHarness h(quietService());
        if (test.withSession)
            h.run(h.core->restoreSession(h.createServiceSession()));
        h.service.clearRequests();
        auto stream = h.subscribe();
        take(stream, 1);
        auto error = expectVelmoraError([&] { h.run(h.core->sendMessage(test.input)); });
        EXPECT_EQ(error, VelmoraError(test.code, std::nullopt, std::nullopt, test.message));
        EXPECT_FALSE(ClientHarness::hasEventWithin(stream, 50ms));
        EXPECT_TRUE(h.run(h.stores.outbox->load()).empty());
        EXPECT_TRUE(h.service.requests().empty());
    }
}

TEST(ClientOutboxTest, FailedSendKeepsTheEntryOnlyWhenARetryCanSucceed) {
    struct Case {
        int status;
        std::optional<std::string> code;
        VelmoraErrorCode expected;
        bool kept;
    };
    const Case cases[] = {
        {503, std::nullopt, VelmoraErrorCode::http, true},
        {429, "rate_limited", VelmoraErrorCode::rateLimited, true},
        {400, "session_expired", VelmoraErrorCode::sessionExpired, true},
        {422, "message_rejected", VelmoraErrorCode::messageRejected, false},
        {409, "idempotency_conflict", VelmoraErrorCode::idempotencyConflict, false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.status);
        Conversation c;
        c.h.service.failNext(test.status, test.code, std::nullopt, kMessagePosts);
        auto error = expectVelmoraError([&] { c.h.run(c.h.core->sendMessage(input("Hello"))); });
        EXPECT_EQ(error.code(), test.expected);
        EXPECT_EQ(error.status(), test.status);

        const std::string name = "error(" + std::string(rawValue(test.expected)) + ")";
        // The send reports the failure, then the send operation as a whole reports it again.
        const auto expectedEvents =
            test.kept
                ? std::vector<std::string>{"loading(sending-message)", "loading(reconnecting)",
                                           name, name}
                : std::vector<std::string>{"loading(sending-message)", name, "loading(idle)", name};
        EXPECT_EQ(c.events(4), expectedEvents);
        EXPECT_TRUE(c.quiet());
        EXPECT_EQ(c.outbox().size(), test.kept ? 1u : 0u);
    }
}

TEST(ClientOutboxTest, FlushResendsTheStoredBytesInCreationOrderAndTheServiceKeepsEachOnce) {
    Conversation c;
    // The first message reaches the service but its answer is lost; the second does not.
    tools::Fault committedThenFailed;
    committedThenFailed.scope = kMessagePosts;
    committedThenFailed.action = tools::Fault::Action::fail;
    committedThenFailed.afterCommit = true;
    committedThenFailed.status = 503;
    c.h.service.inject(committedThenFailed);
    c.h.service.failNext(503, std::nullopt, std::nullopt, kMessagePosts);
    EXPECT_THROW(c.h.run(c.h.core->sendMessage(input("First", "first-key-00000001"))),
                 VelmoraError);
    EXPECT_THROW(c.h.run(c.h.core->sendMessage(input("Second", "second-key-0000001"))),
                 VelmoraError);
    c.events(8);
    auto stored = c.outbox();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].id, "first-key-00000001");
    EXPECT_EQ(stored[1].id, "second-key-0000001");
    EXPECT_EQ(c.h.onStrand([core = c.h.core] { return core->loadingState(); }),
              VelmoraLoadingState::reconnecting);

    auto accepted = c.h.run(c.h.core->flushOutbox());
    EXPECT_EQ(c.events(8), (std::vector<std::string>{
                               "loading(flushing-outbox)", "loading(sending-message)",
                               "messageAccepted", "loading(idle)", "loading(sending-message)",
                               "messageAccepted", "loading(idle)", "loading(idle)"}));
    ASSERT_EQ(accepted.size(), 2u);
    EXPECT_TRUE(c.outbox().empty());

    auto posts = c.posts();
    ASSERT_EQ(posts.size(), 4u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(posts[i + 2].body, stored[i].requestBody);
        EXPECT_EQ(posts[i + 2].body, posts[i].body);
        EXPECT_EQ(posts[i + 2].header("x-velmora-idempotency-key"), stored[i].id);
    }
    EXPECT_EQ(c.customerTexts(), (std::vector<std::string>{"Hello there", "First", "Second"}));
    EXPECT_EQ(c.h.onStrand([core = c.h.core] { return core->lastCustomerMessageId(); }),
              accepted[1].messageId);
}

TEST(ClientOutboxTest, FlushDropsRefusedEntriesAndStopsAtARetryableFailure) {
    Conversation c;
    c.h.service.failNext(503, std::nullopt, std::nullopt,
                         FaultScope{"POST", "/api/widget/v1/sessions/", 3});
    for (const char* key : {"key-a-000000000001", "key-b-000000000001", "key-c-000000000001"})
        EXPECT_THROW(c.h.run(c.h.core->sendMessage(input(key, key))), VelmoraError);
    c.events(12);

    c.h.service.failNext(422, "message_rejected", std::nullopt, kMessagePosts);
    c.h.service.failNext(503, std::nullopt, std::nullopt, kMessagePosts);
    auto accepted = c.h.run(c.h.core->flushOutbox());
    EXPECT_TRUE(accepted.empty());
    EXPECT_EQ(c.events(9),
              (std::vector<std::string>{"loading(flushing-outbox)", "loading(sending-message)",
                                        "error(message-rejected)", "loading(idle)",
                                        "error(message-rejected)", "loading(sending-message)",
                                        "loading(reconnecting)", "error(http)", "loading(idle)"}));
    EXPECT_TRUE(c.quiet());
    auto left = c.outbox();
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].id, "key-b-000000000001");
    EXPECT_EQ(left[1].id, "key-c-000000000001");

    EXPECT_EQ(c.h.run(c.h.core->flushOutbox()).size(), 2u);
    EXPECT_TRUE(c.outbox().empty());
    EXPECT_EQ(c.customerTexts(), (std::vector<std::string>{"Hello there", "key-b-000000000001",
                                                           "key-c-000000000001"}));
}

TEST(ClientOutboxTest, FlushSendsOnlyThisScopeAndRefusesAnotherSessionsEntry) {
    Conversation c;
    auto entry = [&](std::string id, std::string scope, std::string sessionId) {
        return VelmoraOutboxEntry{
            id, scope, sessionId, Data{'{', '}'}, input("x"), "2026-01-01T00:00:00Z", 0};
    };
    c.h.run(c.h.stores.outbox->save(entry("other-scope-000001", "account-b", "s_other")));
    c.h.run(c.h.stores.outbox->save(entry("old-session-000001", "account-a", "s_old")));
    c.h.service.clearRequests();

    auto error = expectVelmoraError([&] { c.h.run(c.h.core->flushOutbox()); });
    EXPECT_EQ(error, VelmoraError(VelmoraErrorCode::sessionExpired, std::nullopt, std::nullopt,
                                  "The queued message belongs to a different session."));
    EXPECT_TRUE(c.quiet());
    EXPECT_EQ(c.outbox().size(), 2u);

    c.h.run(c.h.stores.outbox->remove("old-session-000001"));
    EXPECT_TRUE(c.h.run(c.h.core->flushOutbox()).empty());
    EXPECT_EQ(c.events(2), (std::vector<std::string>{"loading(flushing-outbox)", "loading(idle)"}));
    EXPECT_EQ(c.outbox().size(), 1u);
    EXPECT_TRUE(c.h.service.requests().empty());

    // Without a session there is nothing to do, and nothing is said.
    ClientHarness bare;
    auto stream = bare.subscribe();
    take(stream, 1);
    EXPECT_TRUE(bare.run(bare.core->flushOutbox()).empty());
    EXPECT_FALSE(ClientHarness::hasEventWithin(stream, 50ms));
}

TEST(ClientOutboxTest, FlushLeavesTheRestUnsentOnceTheSessionChanges) {
    auto outbox = std::make_shared<ControlledOutbox>();
    ClientStores stores;
    stores.outbox = outbox;
    Conversation c(quietService(), stores);
    c.h.service.failNext(503, std::nullopt, std::nullopt,
                         FaultScope{"POST", "/api/widget/v1/sessions/", 2});
    EXPECT_THROW(c.h.run(c.h.core->sendMessage(input("First", "first-key-00000001"))),
                 VelmoraError);
    EXPECT_THROW(c.h.run(c.h.core->sendMessage(input("Second", "second-key-0000001"))),
                 VelmoraError);

    // The first entry is accepted; while its removal is under way another session takes over.
    outbox->stallRemovals = true;
    auto flush = c.h.spawn(c.h.core->flushOutbox());
    waitUntil([&] { return outbox->removeStarted.load(); });
    const VelmoraSession other{"s_elsewhere", std::nullopt, "token-elsewhere"};
    auto restore = c.h.spawn(c.h.core->restoreSession(other));
    waitUntil([&] { return c.h.onStrand([core = c.h.core] { return core->session(); }) == other; });
    outbox->finishRemoval = true;
    outbox->stallRemovals = false;

    auto error = expectVelmoraError([&] { flush.get(); });
    EXPECT_EQ(error, VelmoraError(VelmoraErrorCode::sessionExpired, std::nullopt, std::nullopt,
                                  "The session changed before the message was sent."));
    EXPECT_THROW(restore.get(), VelmoraError); // the service does not know that session
    EXPECT_EQ(c.customerTexts(), (std::vector<std::string>{"Hello there", "First"}));
    auto left = c.outbox();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].id, "second-key-0000001");
}

TEST(ClientOutboxTest, SecondMutationWhileASendIsInFlightIsRefused) {
    Conversation c;
    // Long enough that both refusals come while the first is still in flight, even on a
    // loaded machine under a sanitizer.
    c.h.service.delayNext(3000ms, kMessagePosts);
    auto first = c.h.spawn(c.h.core->sendMessage(input("First")));
    waitUntil([&] { return c.posts().size() == 1; });

    const VelmoraError busy(VelmoraErrorCode::requestInProgress, std::nullopt, std::nullopt,
                            "Another mutation is in progress.");
    EXPECT_EQ(expectVelmoraError([&] { c.h.run(c.h.core->sendMessage(input("Second"))); }), busy);
    EXPECT_EQ(expectVelmoraError([&] { c.h.run(c.h.core->flushOutbox()); }), busy);
    EXPECT_EQ(first.get().status, "accepted");
    EXPECT_EQ(c.events(3), (std::vector<std::string>{"loading(sending-message)", "messageAccepted",
                                                     "loading(idle)"}));
    EXPECT_NO_THROW(c.h.run(c.h.core->sendMessage(input("Third"))));
}

TEST(ClientOutboxTest, ResetDuringASendEndsItQuietlyAndLeavesNoEntry) {
    Conversation c;
    c.h.service.delayNext(2000ms, kMessagePosts);
    auto send = c.h.spawn(c.h.core->sendMessage(input("Hello")));
    waitUntil([&] { return c.posts().size() == 1; });
    c.h.run(c.h.core->resetSession());

    auto error = expectVelmoraError([&] { send.get(); });
    EXPECT_EQ(error, VelmoraError(VelmoraErrorCode::sessionExpired, std::nullopt, std::nullopt,
                                  "The session changed while the request was in flight."));
    EXPECT_EQ(c.events(3), (std::vector<std::string>{"loading(sending-message)", "sessionCleared",
                                                     "loading(idle)"}));
    EXPECT_TRUE(c.quiet());
    EXPECT_TRUE(c.outbox().empty());
}

TEST(ClientOutboxTest, ResetRacingTheOutboxWriteLeavesNoEntryBehind) {
    auto outbox = std::make_shared<ControlledOutbox>();
    ClientStores stores;
    stores.outbox = outbox;
    Conversation c(quietService(), stores);
    outbox->stallSaves = true;
    auto send = c.h.spawn(c.h.core->sendMessage(input("Hello", "racing-key-0000001")));
    waitUntil([&] { return outbox->saveStarted.load(); });
    auto reset = c.h.spawn(c.h.core->resetSession());
    EXPECT_EQ(c.events(1), std::vector<std::string>{"sessionCleared"});
    // Give a sweep that does not wait for the write every chance to finish first.
    reset.wait_for(200ms);
    outbox->landSave = true;
    waitUntil([&] { return outbox->saveLanded.load(); });
    reset.wait_for(200ms);
    // Once a reset is over, nothing of the scope is stored, whatever was in flight.
    if (reset.wait_for(0ms) == std::future_status::ready)
        EXPECT_TRUE(c.outbox().empty());
    outbox->finishSave = true;
    reset.get();
    EXPECT_TRUE(c.outbox().empty());

    auto error = expectVelmoraError([&] { send.get(); });
    EXPECT_EQ(error.message(), "The session changed before the message was sent.");
    EXPECT_EQ(c.events(1), std::vector<std::string>{"loading(idle)"});
    EXPECT_TRUE(c.quiet());
    EXPECT_TRUE(c.posts().empty());
}

TEST(ClientOutboxTest, AcceptedMessageWhoseEntryCannotBeRemovedIsStillSent) {
    auto outbox = std::make_shared<ControlledOutbox>();
    ClientStores stores;
    stores.outbox = outbox;
    Conversation c(quietService(), stores);
    outbox->failRemovals = true;

    auto accepted = c.h.run(c.h.core->sendMessage(input("Only once", "removal-key-000001")));
    EXPECT_EQ(c.events(4), (std::vector<std::string>{"loading(sending-message)", "messageAccepted",
                                                     "error(outbox-corrupt)", "loading(idle)"}));
    EXPECT_TRUE(c.quiet());
    ASSERT_EQ(c.outbox().size(), 1u);

    // The entry left behind goes again under its own key: the service knows it already.
    outbox->failRemovals = false;
    auto flushed = c.h.run(c.h.core->flushOutbox());
    ASSERT_EQ(flushed.size(), 1u);
    EXPECT_EQ(flushed[0], accepted);
    EXPECT_TRUE(c.outbox().empty());
    EXPECT_EQ(c.customerTexts(), (std::vector<std::string>{"Hello there", "Only once"}));
}

} // namespace
} // namespace velmora::testing
