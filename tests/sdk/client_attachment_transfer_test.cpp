#include "client_harness.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace velmora::testing {
namespace {

using tools::FaultScope;

const FaultScope kUploads{"PUT", "/api/widget/v1/uploads/"};

VelmoraAttachmentDraft pngDraft(std::string id = "draft-png", std::size_t bytes = 300) {
    Data data(bytes);
    for (std::size_t i = 0; i < bytes; ++i)
        data[i] = static_cast<std::uint8_t>(i * 7);
    return VelmoraAttachmentDraft(std::move(id), "photo.png", "image/png", "image", data);
}

VelmoraAttachmentDraft textDraft(std::string id = "draft-txt") {
    const std::string text = "line one\nline two\n";
    return VelmoraAttachmentDraft(std::move(id), "notes.txt", "text/plain", "text",
                                  Data(text.begin(), text.end()));
}

VelmoraMessageInput messageInput(std::string text) {
    return VelmoraMessageInput{std::move(text), {}, {}, {}, {}, {}};
}

/// A harness whose client already has a session.
struct Started {
    explicit Started(ClientHarness::Settings settings = {}) : h(std::move(settings)) {
        session = h.run(
            h.core->startSession(VelmoraSessionStartInput{"Hello there", {}, {}, {}, {}, {}, {}}));
    }
    std::string messageOf(const VelmoraAcceptedMessage& accepted) { return *accepted.messageId; }

    VelmoraSnapshot snapshot() {
        return *h.onStrand([c = h.core] { return c->snapshot(); });
    }
    const VelmoraMessage* message(const VelmoraSnapshot& snapshot, const std::string& id) {
        for (const auto& m : snapshot.messages) {
            if (m.id == id)
                return &m;
        }
        return nullptr;
    }
    bool storesEmpty() {
        return !h.run(h.stores.pendingAttachmentSends->load("account-a")) &&
               !h.run(h.stores.pendingAttachmentOperations->load("account-a"));
    }
    /// Forgets stored and in-memory upload progress between cases.
    void forgetUploads() {
        h.run(h.stores.pendingAttachmentSends->remove("account-a"));
        h.run(h.stores.pendingAttachmentOperations->remove("account-a"));
        h.onStrand([c = h.core] {
            c->attachmentUploadStates_.clear();
            return 0;
        });
    }

    ClientHarness h;
    VelmoraSession session;
};

TEST(ClientAttachmentTransferTest, MessageWithFilesUploadsTheBytesToSignedAddresses) {
    Started s;
    const auto drafts = std::vector{pngDraft(), textDraft()};
    s.h.service.clearRequests();
    auto accepted = s.h.run(s.h.core->sendMessage(messageInput("  Look at these  "), drafts));
    ASSERT_TRUE(accepted.messageId);

    auto posts = s.h.service.requests("POST", "/api/widget/v1/sessions/");
    ASSERT_EQ(posts.size(), 2u); // the message, then the intents
    EXPECT_NE(posts[0].bodyText().find(R"("message":"Look at these")"), std::string::npos);
    EXPECT_EQ(posts[1].path, "/api/widget/v1/sessions/" + s.session.sessionId + "/messages/" +
                                 *accepted.messageId + "/attachments/intents");
    EXPECT_EQ(
        posts[1].bodyText(),
        R"({"attachments":[{"clientId":"draft-png","fileName":"photo.png","kind":"image","mimeType":"image\/png","sizeBytes":300},{"clientId":"draft-txt","fileName":"notes.txt","kind":"text","mimeType":"text\/plain","sizeBytes":18}]})");
    EXPECT_EQ(posts[1].header("x-velmora-idempotency-key"), std::nullopt);

    auto puts = s.h.service.requests("PUT", "");
    ASSERT_EQ(puts.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const auto& put = puts[i];
        EXPECT_TRUE(put.path.starts_with("/api/widget/v1/uploads/")) << put.path;
        EXPECT_EQ(put.queryItem("integration"), "local-demo");
        EXPECT_EQ(put.body, drafts[i].data);
        EXPECT_EQ(put.header("Content-Type"), drafts[i].mimeType);
        EXPECT_EQ(put.header("Content-Length"), std::to_string(drafts[i].data.size()));
        EXPECT_TRUE(put.header("x-velmora-upload-token").value_or("").starts_with("ut_"));
        EXPECT_EQ(put.header("x-velmora-session-token"), s.session.sessionToken);
        EXPECT_EQ(put.header("Authorization"), "Bearer host-token");
        EXPECT_EQ(put.header("Accept"), "application/json");
        EXPECT_EQ(put.header("x-velmora-client"), "native-v1");
        EXPECT_EQ(put.header("x-velmora-idempotency-key"), std::nullopt);
    }
    EXPECT_NE(puts[0].header("x-velmora-upload-token"), puts[1].header("x-velmora-upload-token"));

    auto snapshot = s.snapshot();
    const auto* message = s.message(snapshot, *accepted.messageId);
    ASSERT_TRUE(message && message->attachments);
    ASSERT_EQ(message->attachments->size(), 2u);
    EXPECT_EQ((*message->attachments)[1].fileName, "notes.txt");
    EXPECT_TRUE(s.storesEmpty());
    // Every attachment the service lists can be fetched again.
    EXPECT_EQ(s.h.run(s.h.core->downloadAttachment((*message->attachments)[0])), drafts[0].data);
}

TEST(ClientAttachmentTransferTest, AnotherAttachmentIdInTheAnswerFailsWithItsStatus) {
    Started s;
    s.h.service.answerNext(200, R"({"ok":true,"attachmentId":"a_other"})", "application/json",
                           kUploads);
    auto error = expectVelmoraError(
        [&] { s.h.run(s.h.core->sendMessage(messageInput("See file"), {textDraft()})); });
    EXPECT_EQ(error.code(), VelmoraErrorCode::http);
    EXPECT_EQ(error.status(), 200);
    EXPECT_EQ(error.message(), "Velmora returned an invalid attachment upload response.");
    // The message is accepted and waits for its file.
    auto operation = s.h.run(s.h.stores.pendingAttachmentOperations->load("account-a"));
    ASSERT_TRUE(operation && operation->messageId);
    auto send = s.h.run(s.h.stores.pendingAttachmentSends->load("account-a"));
    ASSERT_TRUE(send);
    ASSERT_EQ(send->uploads.size(), 1u);
    EXPECT_TRUE(send->uploads[0].intent);
    EXPECT_FALSE(send->uploads[0].uploaded);

    // A second run uploads with the granted intent and asks for none.
    s.h.service.clearRequests();
    s.h.run(s.h.core->uploadAttachments({textDraft()}, *operation->messageId));
    EXPECT_EQ(s.h.service.requests("POST", "/api/widget/v1/sessions/").size(), 0u);
    EXPECT_EQ(s.h.service.requests("PUT", "").size(), 1u);
    EXPECT_TRUE(s.storesEmpty());
}

TEST(ClientAttachmentTransferTest, AnUploadWhoseReplyIsLostIsFoundOnTheMessage) {
    Started s;
    s.h.service.dropNextAfterCommit(kUploads);
    auto accepted =
        s.h.run(s.h.core->sendMessage(messageInput("Two files"), {pngDraft(), textDraft()}));
    EXPECT_EQ(s.h.service.requests("PUT", "").size(), 2u);
    const auto snapshot = s.snapshot();
    const auto* message = s.message(snapshot, *accepted.messageId);
    ASSERT_TRUE(message && message->attachments);
    EXPECT_EQ(message->attachments->size(), 2u);
    EXPECT_EQ(s.h.run(s.h.stores.pendingAttachmentSends->load("account-a")), std::nullopt);
    EXPECT_EQ(s.h.run(s.h.stores.pendingAttachmentOperations->load("account-a")), std::nullopt);
}

TEST(ClientAttachmentTransferTest, ALostReplyForAnUploadThatNeverLandedFailsWithItsOwnError) {
    Started s;
    s.h.service.dropNext(kUploads);
    auto error = expectVelmoraError(
        [&] { s.h.run(s.h.core->sendMessage(messageInput("One file"), {textDraft()})); });
    EXPECT_EQ(error.code(), VelmoraErrorCode::network);
    EXPECT_FALSE(s.storesEmpty());
}

TEST(ClientAttachmentTransferTest, GrantedIntentsThatAreOrAreAboutToBeExpiredAreRefused) {
    for (int lifetime : {-60, 0}) {
        ClientHarness::Settings settings;
        settings.service.attachmentIntentLifetime = std::chrono::seconds(lifetime);
        Started s(settings);
        auto error = expectVelmoraError(
            [&] { s.h.run(s.h.core->sendMessage(messageInput("Late"), {textDraft()})); });
        EXPECT_EQ(error.code(), VelmoraErrorCode::http) << lifetime;
        EXPECT_EQ(error.message(), "Velmora returned an expired attachment intent.");
        EXPECT_EQ(s.h.service.requests("PUT", "").size(), 0u);
    }
}

TEST(ClientAttachmentTransferTest, AStoredIntentThatRanOutIsReplacedOrFoundUploaded) {
    Started s;
    const auto messageId = *s.h.onStrand([c = s.h.core] { return c->lastCustomerMessageId(); });
    const auto stale = VelmoraAttachmentUploadIntent{
        "draft-txt", "a_stale", s.h.service.origin() + "/api/widget/v1/uploads/a_stale", "ut_x",
        "2020-01-01T00:00:00Z"};
    s.h.run(s.h.stores.pendingAttachmentSends->save(
        VelmoraPendingAttachmentSend{"account-a",
                                     s.session.sessionId,
                                     messageId,
                                     {textDraft()},
                                     {VelmoraPendingAttachmentUpload{"draft-txt", stale, false}},
                                     "2026-01-01T00:00:00Z"}));
    s.h.service.clearRequests();
    s.h.run(s.h.core->uploadAttachments({textDraft()}, messageId));
    EXPECT_EQ(s.h.service.requests("POST", "/api/widget/v1/sessions/").size(), 1u);
    auto puts = s.h.service.requests("PUT", "");
    ASSERT_EQ(puts.size(), 1u);
    EXPECT_NE(puts[0].path, "/api/widget/v1/uploads/a_stale");
    EXPECT_TRUE(s.storesEmpty());
}

TEST(ClientAttachmentTransferTest, UnsignedUploadAddressesAreNeverContacted) {
    Started s;
    const auto messageId = *s.h.onStrand([c = s.h.core] { return c->lastCustomerMessageId(); });
    const std::string origin = s.h.service.origin();
    const std::string other = "http://localhost:" + std::to_string(s.h.service.port() + 1);
    const std::string upload = "/api/widget/v1/uploads/a_1";
    const std::string bad[] = {
        other + upload + "?integration=local-demo",
        origin + upload + "?integration=local-demo&integration=local-demo",
        origin + upload + "?integration=other",
        origin + upload,
        origin + upload + "?integration=local-demo#part",
        "http://user@localhost:" + std::to_string(s.h.service.port()) + upload +
            "?integration=local-demo",
        origin + upload + "/more?integration=local-demo",
        origin + "/api/widget/v1/sessions/s_1/attachments/a_1?integration=local-demo&token=t",
        "https://localhost:" + std::to_string(s.h.service.port()) + upload +
            "?integration=local-demo",
    };
    for (const auto& url : bad) {
        s.forgetUploads();
        s.h.service.clearRequests();
        s.h.service.answerNext(
            200,
            R"({"ok":true,"intents":[{"clientId":"draft-txt","attachmentId":)"
            R"("a_1","uploadUrl":")" +
                url + R"(","uploadToken":"ut_1","expiresAt":"2030-01-01T00:00:00Z"}]})",
            "application/json", {"POST", "/api/widget/v1/sessions/"});
        auto error = expectVelmoraError(
            [&] { s.h.run(s.h.core->uploadAttachments({textDraft()}, messageId)); });
        EXPECT_EQ(error.message(), "Attachment upload URL is not a signed Velmora URL.") << url;
        EXPECT_EQ(s.h.service.requests("PUT", "").size(), 0u) << url;
    }
    // An extra query item beside the right integration is fine.
    EXPECT_TRUE(s.h.core->isSafeUploadURL(origin + upload + "?integration=local-demo&x=1"));
    EXPECT_TRUE(s.h.core->isSafeUploadURL("http://LOCALHOST:" + std::to_string(s.h.service.port()) +
                                          upload + "?integration=local-demo"));
}

TEST(ClientAttachmentTransferTest, DownloadsOnlySignedAttachmentAddressesUpToTenMiB) {
    Started s;
    const std::size_t limit = 10'485'760;
    Data exact(limit, 0x5a);
    exact.back() = 0x01;
    const auto exactUrl =
        s.h.service.postServiceAttachment(s.session.sessionId, "big.pdf", "application/pdf", exact);
    VelmoraAttachment attachment;
    attachment.downloadUrl = exactUrl;
    EXPECT_TRUE(s.h.core->canDownloadAttachment(attachment));
    EXPECT_EQ(s.h.run(s.h.core->downloadAttachment(attachment)), exact);

    exact.push_back(0x02);
    attachment.downloadUrl = s.h.service.postServiceAttachment(s.session.sessionId, "bigger.pdf",
                                                               "application/pdf", exact);
    auto error = expectVelmoraError([&] { s.h.run(s.h.core->downloadAttachment(attachment)); });
    EXPECT_EQ(error.code(), VelmoraErrorCode::payloadTooLarge);
    EXPECT_EQ(error.status(), 200);
    EXPECT_EQ(error.message(), "Attachment is too large.");

    // A signed address whose token the service does not know: the service's own error.
    attachment.downloadUrl = exactUrl.substr(0, exactUrl.find("token=")) + "token=wrong";
    error = expectVelmoraError([&] { s.h.run(s.h.core->downloadAttachment(attachment)); });
    EXPECT_EQ(error.status(), 404);

    const std::string origin = s.h.service.origin();
    const std::string path = "/api/widget/v1/sessions/s_1/attachments/a_1";
    const std::optional<std::string> refused[] = {
        std::nullopt,
        "not a url",
        "http://localhost:" + std::to_string(s.h.service.port() + 1) + path + "?token=t",
        "https://localhost:" + std::to_string(s.h.service.port()) + path + "?token=t",
        "http://127.0.0.1:" + std::to_string(s.h.service.port()) + path + "?token=t",
        origin + path,
        origin + path + "?token=",
        origin + path + "?token=t&token=u",
        origin + path + "?token=t#x",
        "http://u:p@localhost:" + std::to_string(s.h.service.port()) + path + "?token=t",
        origin + "/api/widget/v1/uploads/a_1?integration=local-demo&token=t",
    };
    s.h.service.clearRequests();
    for (const auto& url : refused) {
        attachment.downloadUrl = url;
        EXPECT_FALSE(s.h.core->canDownloadAttachment(attachment)) << url.value_or("none");
        error = expectVelmoraError([&] { s.h.run(s.h.core->downloadAttachment(attachment)); });
        EXPECT_EQ(error.message(), "Attachment download URL is not a signed Velmora URL.");
    }
    EXPECT_TRUE(s.h.service.requests().empty());
}

TEST(ClientAttachmentTransferTest, DownloadsWithoutASession) {
    ClientHarness h;
    auto session = h.createServiceSession();
    const Data bytes{1, 2, 3};
    VelmoraAttachment attachment;
    attachment.downloadUrl =
        h.service.postServiceAttachment(session.sessionId, "a.txt", "text/plain", bytes);
    EXPECT_EQ(h.run(h.core->downloadAttachment(attachment)), bytes);
    auto gets = h.service.requests("GET", "/api/widget/v1/sessions/");
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_EQ(gets[0].header("x-velmora-session-token"), std::nullopt);
}

TEST(ClientAttachmentTransferTest, AnUploadHoldsTheClientAndAResetEndsIt) {
    Started s;
    s.h.service.delayNext(std::chrono::seconds(30), kUploads);
    auto sending = s.h.spawn(s.h.core->sendMessage(messageInput("Slow file"), {textDraft()}));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (s.h.service.requests("PUT", "").empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(s.h.service.requests("PUT", "").size(), 1u);

    for (auto attempt : {0, 1}) {
        auto error = expectVelmoraError([&] {
            if (attempt == 0)
                s.h.run(s.h.core->sendMessage(messageInput("Other"), {textDraft("x")}));
            else
                s.h.run(s.h.core->sendMessage(messageInput("Other")));
        });
        EXPECT_EQ(error.message(), "Another mutation is in progress.");
    }

    s.h.run(s.h.core->resetSession());
    auto error = expectVelmoraError([&] { sending.get(); });
    EXPECT_EQ(error.code(), VelmoraErrorCode::sessionExpired);
    EXPECT_EQ(error.message(), "The session changed while the attachment was in flight.");
    EXPECT_TRUE(s.storesEmpty());
}

struct RefusedSend {
    const char* name;
    bool hasSession;
    bool startsSession; // a session start with files, else a message with files
    std::function<void(tools::WidgetService&, const std::string& session)> service;
    VelmoraErrorCode code;
    std::string message;
    bool kept; // the operation stays stored for a retry
};

TEST(ClientAttachmentTransferTest, ASendWithFilesThatCannotGoOnNamesWhy) {
    const std::string json = "application/json";
    const std::vector<RefusedSend> cases = {
        {"files and no session", false, false, nullptr, VelmoraErrorCode::sessionExpired,
         "Start or resume a session first.", false},
        {"a session start accepted without its message id", false, true,
         [json](tools::WidgetService& service, const std::string&) {
             service.answerNext(200,
                                R"({"ok":true,"sessionId":"s_new","conversationId":"c_new",)"
                                R"("sessionToken":"t"})",
                                json, {"POST", "/api/widget/v1/sessions"});
             service.answerNext(200,
                                R"({"ok":true,"sessionId":"s_new","conversationId":"c_new",)"
                                R"("messages":[],"support":{"state":"ai"}})",
                                json, {"GET", "/api/widget/v1/sessions/s_new"});
         },
         VelmoraErrorCode::http, "The accepted session did not include a message id.", true},
        {"a message accepted without its message id", true, false,
         [json](tools::WidgetService& service, const std::string& session) {
             service.answerNext(200,
                                R"({"ok":true,"sessionId":")" + session +
                                    R"(","conversationId":"c_1","status":"accepted"})",
                                json, {"POST", "/api/widget/v1/sessions/" + session});
         },
         VelmoraErrorCode::http, "The accepted message did not include a message id.", true},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        ClientHarness h;
        std::string session;
        if (row.hasSession) {
            session = h.run(h.core->startSession(
                                VelmoraSessionStartInput{"Hello there", {}, {}, {}, {}, {}, {}}))
                          .sessionId;
        }
        if (row.service) {
            row.service(h.service, session);
        }
        const std::vector files{textDraft()};
        const auto error = expectVelmoraError([&] {
            if (row.startsSession) {
                h.run(h.core->startSession(
                    VelmoraSessionStartInput{"The receipt", {}, {}, {}, {}, {}, {}}, files));
            } else {
                h.run(h.core->sendMessage(messageInput("The receipt"), files));
            }
        });
        EXPECT_EQ(error.code(), row.code);
        EXPECT_EQ(error.message(), row.message);
        // Nothing was uploaded; what was accepted waits for the retry of its files.
        EXPECT_TRUE(h.service.requests("PUT", "/api/widget/v1/uploads/").empty());
        EXPECT_EQ(h.run(h.stores.pendingAttachmentOperations->load("account-a")).has_value(),
                  row.kept);
    }
}

} // namespace
} // namespace velmora::testing
