#include "client_harness.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace velmora::testing {
namespace {

using tools::FaultScope;

VelmoraAttachmentDraft fileDraft(std::string id, std::string text) {
    return VelmoraAttachmentDraft(std::move(id), id + ".txt", "text/plain", "text",
                                  Data(text.begin(), text.end()));
}

/// The process ends and a new one starts on the same stores, configured differently: another
/// locale and another anti-bot token, so any body rebuilt from the configuration would differ.
void restart(ClientHarness& h) {
    VelmoraConfiguration configuration(
        h.service.origin(), h.settings.integrationId, h.settings.accountScope, "de",
        std::string("other-turnstile"),
        []() -> boost::asio::awaitable<std::string> { co_return "host-token"; }, 0.25);
    h.core = std::make_shared<detail::ClientCore>(
        h.io.get_executor(), std::move(configuration), h.stores.outbox,
        h.stores.pendingSessionStarts, h.stores.sessions, h.stores.pendingAttachmentSends,
        h.stores.pendingAttachmentOperations, h.transport);
}

ClientHarness::Settings withTurnstile() {
    ClientHarness::Settings settings;
    settings.turnstileToken = "first-turnstile";
    return settings;
}

bool storesEmpty(ClientHarness& h) {
    return !h.run(h.stores.pendingAttachmentSends->load("account-a")) &&
           !h.run(h.stores.pendingAttachmentOperations->load("account-a")) &&
           h.run(h.stores.outbox->load()).empty() &&
           !h.run(h.stores.pendingSessionStarts->load("account-a"));
}

bool listsAttachments(ClientHarness& h, const std::string& messageId, std::size_t count) {
    auto snapshot = h.onStrand([c = h.core] { return c->snapshot(); });
    if (!snapshot)
        return false;
    for (const auto& message : snapshot->messages) {
        if (message.id == messageId)
            return message.attachments && message.attachments->size() == count;
    }
    return false;
}

TEST(ClientAttachmentRecoveryTest, AStartWithFilesIsSentAgainByteForByteAfterACrash) {
    ClientHarness h(withTurnstile());
    h.service.dropNextAfterCommit({"POST", "/api/widget/v1/sessions"});
    const auto files = std::vector{fileDraft("one", "first file")};
    auto error = expectVelmoraError([&] {
        h.run(h.core->startSession(
            VelmoraSessionStartInput{"  Hello with files \n", {}, {}, {}, {}, {}, {}}, files));
    });
    EXPECT_EQ(error.code(), VelmoraErrorCode::network);

    auto stored = h.run(h.stores.pendingAttachmentOperations->load("account-a"));
    ASSERT_TRUE(stored);
    auto posts = h.service.requests("POST", "/api/widget/v1/sessions");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(stored->requestBody, posts[0].body);
    EXPECT_NE(posts[0].bodyText().find(R"("message":"Hello with files")"), std::string::npos);
    EXPECT_NE(posts[0].bodyText().find(R"("turnstileToken":"first-turnstile")"), std::string::npos);
    ASSERT_TRUE(stored->sessionInput);
    EXPECT_EQ(stored->sessionInput->turnstileToken, "first-turnstile");

    restart(h);
    auto accepted = h.run(h.core->retryPendingAttachmentSend());
    posts = h.service.requests("POST", "/api/widget/v1/sessions");
    ASSERT_GE(posts.size(), 2u);
    EXPECT_EQ(posts[1].path, "/api/widget/v1/sessions");
    EXPECT_EQ(posts[1].body, posts[0].body);
    EXPECT_EQ(accepted.status, "accepted");
    ASSERT_TRUE(accepted.messageId);
    EXPECT_TRUE(listsAttachments(h, *accepted.messageId, 1));
    EXPECT_TRUE(storesEmpty(h));
}

TEST(ClientAttachmentRecoveryTest, AMessageWithFilesIsSentAgainByteForByteAfterACrash) {
    ClientHarness h(withTurnstile());
    auto session = h.run(
        h.core->startSession(VelmoraSessionStartInput{"Hello there", {}, {}, {}, {}, {}, {}}));
    const std::string messages = "/api/widget/v1/sessions/" + session.sessionId + "/messages";
    h.service.dropNextAfterCommit({"POST", messages});
    const auto files = std::vector{fileDraft("one", "first file"), fileDraft("two", "second")};
    expectVelmoraError([&] {
        h.run(
            h.core->sendMessage(VelmoraMessageInput{"  Spaced text  ", {}, {}, {}, {}, {}}, files));
    });
    auto stored = h.run(h.stores.pendingAttachmentOperations->load("account-a"));
    ASSERT_TRUE(stored && stored->messageInput);
    auto posts = h.service.requests("POST", messages);
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(stored->requestBody, posts[0].body);

    restart(h);
    auto accepted = h.run(h.core->retryPendingAttachmentSend());
    posts = h.service.requests("POST", messages);
    std::erase_if(posts, [&](const tools::RecordedRequest& r) { return r.path != messages; });
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[1].body, posts[0].body);
    EXPECT_EQ(posts[1].header("x-velmora-idempotency-key"), stored->idempotencyKey);
    ASSERT_TRUE(accepted.messageId);
    EXPECT_EQ(accepted.sessionId, session.sessionId);
    EXPECT_TRUE(listsAttachments(h, *accepted.messageId, 2));
    EXPECT_TRUE(storesEmpty(h));
}

TEST(ClientAttachmentRecoveryTest, ARetriedMessageGoesThroughTheOutboxLikeAPlainSend) {
    ClientHarness h;
    auto session = h.run(
        h.core->startSession(VelmoraSessionStartInput{"Hello there", {}, {}, {}, {}, {}, {}}));
    const FaultScope messages{"POST", "/api/widget/v1/sessions/" + session.sessionId + "/messages"};
    const auto files = std::vector{fileDraft("one", "first file"), fileDraft("two", "second")};
    h.service.failNext(503, std::nullopt, std::nullopt, messages);
    expectVelmoraError([&] {
        h.run(h.core->sendMessage(VelmoraMessageInput{"With files", {}, {}, {}, {}, {}}, files));
    });
    const auto stored = h.run(h.stores.pendingAttachmentOperations->load("account-a"));
    ASSERT_TRUE(stored);
    // As if the process had ended after the operation was stored but before its outbox entry.
    h.run(h.stores.outbox->remove(stored->idempotencyKey));

    restart(h);
    h.service.failNext(503, std::nullopt, std::nullopt, messages);
    EXPECT_EQ(expectVelmoraError([&] { h.run(h.core->retryPendingAttachmentSend()); }).status(),
              503);
    // The retryable failure leaves the stored bytes for a flush, under the stored key.
    const auto entries = h.run(h.stores.outbox->load());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].id, stored->idempotencyKey);
    EXPECT_EQ(entries[0].requestBody, stored->requestBody);
    EXPECT_EQ(entries[0].sessionId, session.sessionId);
    EXPECT_EQ(h.run(h.core->flushOutbox()).size(), 1u);
    EXPECT_TRUE(h.run(h.stores.outbox->load()).empty());

    // The files follow once the message is known, and the retry leaves nothing behind.
    auto accepted = h.run(h.core->retryPendingAttachmentSend());
    ASSERT_TRUE(accepted.messageId);
    EXPECT_TRUE(listsAttachments(h, *accepted.messageId, 2));
    EXPECT_TRUE(storesEmpty(h));
    auto posts = h.service.requests("POST", messages.pathPrefix);
    std::erase_if(posts, [&](const auto& r) { return r.path != messages.pathPrefix; });
    for (const auto& post : posts)
        EXPECT_EQ(post.body, stored->requestBody);
}

TEST(ClientAttachmentRecoveryTest, RetryAsksIntentsOnlyForFilesWithoutOneAndSkipsUploadedFiles) {
    ClientHarness h;
    h.run(h.core->startSession(VelmoraSessionStartInput{"Hello there", {}, {}, {}, {}, {}, {}}));
    const auto files = std::vector{fileDraft("one", "first"), fileDraft("two", "second"),
                                   fileDraft("three", "third")};
    // The first upload goes through, the second fails, the third is never tried.
    h.service.delayNext(std::chrono::milliseconds(0), {"PUT", "/api/widget/v1/uploads/"});
    h.service.failNext(500, "internal_error", std::nullopt, {"PUT", "/api/widget/v1/uploads/"});
    auto error = expectVelmoraError([&] {
        h.run(h.core->sendMessage(VelmoraMessageInput{"Three files", {}, {}, {}, {}, {}}, files));
    });
    EXPECT_EQ(error.status(), 500);

    auto send = h.run(h.stores.pendingAttachmentSends->load("account-a"));
    ASSERT_TRUE(send);
    ASSERT_EQ(send->uploads.size(), 3u);
    EXPECT_TRUE(send->uploads[0].uploaded);
    EXPECT_FALSE(send->uploads[1].uploaded);
    // As if the process had ended before the third file's intent was recorded.
    send->uploads[2].intent.reset();
    h.run(h.stores.pendingAttachmentSends->save(*send));

    restart(h);
    h.service.clearRequests();
    auto accepted = h.run(h.core->retryPendingAttachmentSend());
    auto intents = h.service.requests("POST", "/api/widget/v1/sessions/");
    ASSERT_EQ(intents.size(), 1u);
    EXPECT_NE(intents[0].bodyText().find(R"("clientId":"three")"), std::string::npos);
    EXPECT_EQ(intents[0].bodyText().find(R"("clientId":"two")"), std::string::npos);
    auto puts = h.service.requests("PUT", "");
    ASSERT_EQ(puts.size(), 2u);
    EXPECT_EQ(puts[0].bodyText(), "second");
    EXPECT_EQ(puts[1].bodyText(), "third");
    EXPECT_TRUE(listsAttachments(h, *accepted.messageId, 3));
    EXPECT_TRUE(storesEmpty(h));
}

TEST(ClientAttachmentRecoveryTest, NothingToRetry) {
    ClientHarness h;
    auto error = expectVelmoraError([&] { h.run(h.core->retryPendingAttachmentSend()); });
    EXPECT_EQ(error.code(), VelmoraErrorCode::outboxCorrupt);
    EXPECT_EQ(error.message(), "No pending attachment operation is available for retry.");
    EXPECT_TRUE(h.service.requests().empty());
}

TEST(ClientAttachmentRecoveryTest, FilesAreCheckedBeforeAnythingIsStoredOrSent) {
    ClientHarness h;
    h.run(h.core->startSession(VelmoraSessionStartInput{"Hello there", {}, {}, {}, {}, {}, {}}));
    h.service.clearRequests();
    std::vector<VelmoraAttachmentDraft> six;
    for (int i = 0; i < 6; ++i)
        six.push_back(fileDraft("f" + std::to_string(i), "x"));
    auto error = expectVelmoraError([&] {
        h.run(h.core->sendMessage(VelmoraMessageInput{"Six", {}, {}, {}, {}, {}}, six));
    });
    EXPECT_EQ(error.message(), "Attachment policy limits were exceeded.");
    EXPECT_TRUE(h.service.requests().empty());
    EXPECT_TRUE(storesEmpty(h));
    // So is host JSON too deep for a stored file to be read back.
    const auto one = std::vector{fileDraft("one", "x")};
    error = expectVelmoraError([&] {
        h.run(h.core->sendMessage(VelmoraMessageInput{"Deep", {}, {}, nestedMetadata(501), {}, {}},
                                  one));
    });
    EXPECT_EQ(error.message(), "Metadata is nested too deeply.");
    auto start = VelmoraSessionStartInput{"Hello there", {}, {}, {}, {}, {}, {}};
    start.prefill = VelmoraPrefill{{}, {}, {}, {}, nestedMetadata(501)};
    error = expectVelmoraError([&] { h.run(h.core->startSession(start, one)); });
    EXPECT_EQ(error.message(), "Prefill fields are nested too deeply.");
    EXPECT_TRUE(h.service.requests().empty());
    EXPECT_TRUE(storesEmpty(h));
    // The mutation slot is free again, and blanks with a file become the file-only text.
    auto accepted = h.run(h.core->sendMessage(VelmoraMessageInput{"   ", {}, {}, {}, {}, {}},
                                              {fileDraft("one", "x")}));
    auto posts = h.service.requests("POST", "/api/widget/v1/sessions/");
    ASSERT_FALSE(posts.empty());
    EXPECT_NE(posts[0].bodyText().find(R"("message":"Attached file")"), std::string::npos);
    EXPECT_TRUE(accepted.messageId);
}

/// A store whose loads answer what the test lists, in turn (the last answer repeats; none
/// before the test lists any): the entry another process changed or removed while this one
/// recovered.
template <class Store, class Record> class ListedStore final : public Store {
public:
    void answer(std::vector<std::optional<Record>> answers) {
        answers_ = std::move(answers);
        loads_ = 0;
    }
    asio::awaitable<std::optional<Record>> load(std::string) override {
        if (answers_.empty()) {
            co_return std::nullopt;
        }
        const auto index = std::min(loads_++, answers_.size() - 1);
        co_return answers_[index];
    }
    asio::awaitable<void> save(Record) override { co_return; }
    asio::awaitable<void> remove(std::string) override { co_return; }

private:
    std::vector<std::optional<Record>> answers_;
    std::size_t loads_ = 0;
};
using ListedOperations =
    ListedStore<VelmoraPendingAttachmentOperationStore, VelmoraPendingAttachmentOperation>;
using ListedUploads = ListedStore<VelmoraPendingAttachmentStore, VelmoraPendingAttachmentSend>;
using Kind = VelmoraPendingAttachmentOperationKind;

VelmoraPendingAttachmentOperation storedOperation(Kind kind, std::optional<std::string> sessionId,
                                                  std::optional<std::string> messageId,
                                                  bool withInput = true) {
    VelmoraPendingAttachmentOperation operation;
    operation.accountScope = "account-a";
    operation.kind = kind;
    operation.idempotencyKey = "6F9619FF-8B86-D011-B42D-00C04FC964FF";
    operation.requestBody = Data{'{', '}'};
    if (withInput && kind == Kind::message) {
        operation.messageInput = VelmoraMessageInput{};
        operation.messageInput->text = "The receipt";
    }
    if (withInput && kind == Kind::sessionStart) {
        operation.sessionInput = VelmoraSessionStartInput{};
        operation.sessionInput->message = "The receipt";
        operation.sessionInput->idempotencyKey = operation.idempotencyKey;
    }
    operation.attachments = {fileDraft("one", "first file")};
    operation.sessionId = std::move(sessionId);
    operation.messageId = std::move(messageId);
    operation.createdAt = "2026-03-01T10:00:00Z";
    return operation;
}

VelmoraPendingAttachmentSend storedUpload(std::string accountScope) {
    return VelmoraPendingAttachmentSend{
        std::move(accountScope),          "s_other", "m_9",
        {fileDraft("one", "first file")}, {},        "2026-03-01T10:00:00Z"};
}

using OperationAnswers = std::vector<std::optional<VelmoraPendingAttachmentOperation>>;

struct RefusedRecovery {
    const char* name;
    bool hasSession; // the client holds a session when the retry starts
    // The pending operation as stored, given the current session's id (when there is one).
    std::function<OperationAnswers(const std::string& current)> operations;
    std::vector<std::optional<VelmoraPendingAttachmentSend>> uploads;
    // Answers the service gives instead of its own.
    std::function<void(tools::WidgetService&)> service;
    VelmoraErrorCode code;
    std::string message;
};

TEST(ClientAttachmentRecoveryTest, EachRefusedRecoveryNamesItsCause) {
    using C = VelmoraErrorCode;
    const auto always = [](VelmoraPendingAttachmentOperation operation) {
        return [operation](const std::string&) { return OperationAnswers{operation}; };
    };
    const std::vector<RefusedRecovery> cases = {
        {"an operation of another account",
         false,
         [](const std::string&) {
             auto other = storedOperation(Kind::message, "s_1", std::nullopt);
             other.accountScope = "account-b";
             return OperationAnswers{other};
         },
         {},
         nullptr,
         C::sessionExpired,
         "The pending attachment belongs to a different account."},
        {"the operation disappears while the session is resumed",
         false,
         [](const std::string&) {
             return OperationAnswers{storedOperation(Kind::message, std::nullopt, std::nullopt),
                                     std::nullopt};
         },
         {},
         nullptr,
         C::outboxCorrupt,
         "The pending attachment operation disappeared during recovery."},
        {"a message operation without its input",
         true,
         [](const std::string& current) {
             return OperationAnswers{storedOperation(Kind::message, current, std::nullopt, false)};
         },
         {},
         nullptr,
         C::outboxCorrupt,
         "The pending message attachment operation is incomplete."},
        {"a session operation without its input",
         true,
         [](const std::string& current) {
             return OperationAnswers{
                 storedOperation(Kind::sessionStart, current, std::nullopt, false)};
         },
         {},
         nullptr,
         C::outboxCorrupt,
         "The pending session attachment operation is incomplete."},
        {"a message operation and no session to send it in",
         false,
         always(storedOperation(Kind::message, std::nullopt, std::nullopt)),
         {},
         nullptr,
         C::sessionExpired,
         "Start or resume a session first."},
        {"a session start accepted without its message id",
         true,
         [](const std::string& current) {
             return OperationAnswers{storedOperation(Kind::sessionStart, current, std::nullopt)};
         },
         {},
         [](tools::WidgetService& service) {
             service.answerNext(200,
                                R"({"ok":true,"sessionId":"s_new","conversationId":"c_new",)"
                                R"("sessionToken":"t"})",
                                "application/json", {"POST", "/api/widget/v1/sessions"});
             service.answerNext(200,
                                R"({"ok":true,"sessionId":"s_new","conversationId":"c_new",)"
                                R"("messages":[],"support":{"state":"ai"}})",
                                "application/json", {"GET", "/api/widget/v1/sessions/s_new"});
         },
         C::http,
         "The accepted session did not include a message id."},
        {"an accepted message and no session to resume",
         false,
         always(storedOperation(Kind::message, std::nullopt, "m_9")),
         {},
         nullptr,
         C::sessionExpired,
         "Resume the accepted message before retrying its attachments."},
        {"the operation turns out to be another session's once resumed",
         true,
         [](const std::string&) {
             // Gone while the stored session is restored, back with another session after.
             const auto other = storedOperation(Kind::message, "s_other", "m_9");
             return OperationAnswers{other, std::nullopt, std::nullopt, other};
         },
         {},
         nullptr,
         C::sessionExpired,
         "The pending attachment belongs to a different session."},
        {"an upload of another account",
         false,
         nullptr,
         {storedUpload("account-b")},
         nullptr,
         C::sessionExpired,
         "The pending attachment belongs to a different account."},
        {"the upload disappears while the session is resumed",
         false,
         nullptr,
         {storedUpload("account-a"), std::nullopt},
         nullptr,
         C::outboxCorrupt,
         "The pending attachment upload disappeared during recovery."},
        {"an upload of a session that does not come back",
         false,
         nullptr,
         {storedUpload("account-a")},
         nullptr,
         C::sessionExpired,
         "Resume the accepted message before retrying its attachments."},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        auto operations = std::make_shared<ListedOperations>();
        auto uploads = std::make_shared<ListedUploads>();
        ClientStores stores;
        stores.pendingAttachmentOperations = operations;
        stores.pendingAttachmentSends = uploads;
        ClientHarness h(ClientHarness::Settings{}, stores);
        std::string current;
        if (row.hasSession) {
            current = h.run(h.core->startSession(
                                VelmoraSessionStartInput{"Hello there", {}, {}, {}, {}, {}, {}}))
                          .sessionId;
        }
        if (row.operations) {
            operations->answer(row.operations(current));
        }
        uploads->answer(row.uploads);
        if (row.service) {
            row.service(h.service);
        }
        const auto error = expectVelmoraError([&] { h.run(h.core->retryPendingAttachmentSend()); });
        EXPECT_EQ(error.code(), row.code);
        EXPECT_EQ(error.message(), row.message);
    }
}

} // namespace
} // namespace velmora::testing
