#include "client_harness.hpp"

#include <gtest/gtest.h>

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

} // namespace
} // namespace velmora::testing
