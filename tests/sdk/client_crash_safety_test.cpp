#include "client_harness.hpp"
#include "velmora/json_file_stores.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;
using tools::FaultScope;

/// Runs the crash child and kills it once the service has received its request.
void runAndKill(tools::WidgetService& service, const std::string& pathPrefix,
                std::vector<std::string> args) {
    service.delayNext(std::chrono::milliseconds(3000), FaultScope{"POST", pathPrefix});
    std::vector<char*> argv;
    std::string program = VELMORA_CRASH_CHILD;
    argv.push_back(program.data());
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (service.requests("POST", pathPrefix).empty() &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_FALSE(service.requests("POST", pathPrefix).empty()) << "the child sent nothing";
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
}

/// Runs the crash child to its end (it kills itself).
void runToItsEnd(std::vector<std::string> args) {
    std::vector<char*> argv;
    std::string program = VELMORA_CRASH_CHILD;
    argv.push_back(program.data());
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child did not get as far as its kill";
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
}

ClientStores fileStores(const fs::path& dir) {
    ClientStores stores;
    stores.outbox = std::make_shared<VelmoraJSONFileOutboxStore>(dir / "outbox.json");
    stores.pendingSessionStarts =
        std::make_shared<VelmoraJSONPendingSessionStartStore>(dir / "pending-sessions.json");
    stores.sessions = std::make_shared<VelmoraJSONSessionStore>(dir / "sessions.json");
    stores.pendingAttachmentSends =
        std::make_shared<VelmoraJSONPendingAttachmentStore>(dir / "pending-attachments.json");
    stores.pendingAttachmentOperations =
        std::make_shared<VelmoraJSONPendingAttachmentOperationStore>(
            dir / "pending-attachment-operations.json");
    return stores;
}

struct TempDir {
    fs::path path = fs::temp_directory_path() /
                    ("velmora-crash-" + std::to_string(::getpid()) + "-" +
                     std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
};

int customerMessages(const VelmoraSnapshot& snapshot, const std::string& text) {
    int n = 0;
    for (const auto& m : snapshot.messages)
        n += m.authorKind == "customer" && m.bodyText == text;
    return n;
}

TEST(ClientCrashSafetyTest, KilledDuringTheFirstMessageResumesWithTheStoredStart) {
    TempDir dir;
    ClientHarness::Settings settings;
    settings.accountScope = "crash-account";
    settings.token = "crash-token";
    ClientHarness h(settings, fileStores(dir.path));
    runAndKill(h.service, "/api/widget/v1/sessions",
               {h.service.origin(), dir.path.string(), "start"});

    auto resumed = h.run(h.core->resumeSession());
    ASSERT_TRUE(resumed);
    auto posts = h.service.requests("POST", "/api/widget/v1/sessions");
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0].body, posts[1].body);
    EXPECT_EQ(posts[1].header("x-velmora-idempotency-key"), "crash-start-key-0001");
    auto snapshot = h.onStrand([c = h.core] { return c->snapshot(); });
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(customerMessages(*snapshot, "Hello from a host that dies"), 1);
    EXPECT_EQ(h.run(h.stores.pendingSessionStarts->load("crash-account")), std::nullopt);
}

TEST(ClientCrashSafetyTest, KilledDuringAMessageFlushesTheStoredEntryOnce) {
    TempDir dir;
    ClientHarness::Settings settings;
    settings.accountScope = "crash-account";
    settings.token = "crash-token";
    ClientHarness h(settings, fileStores(dir.path));
    auto session = h.createServiceSession();
    const std::string messages = "/api/widget/v1/sessions/" + session.sessionId + "/messages";
    runAndKill(h.service, messages,
               {h.service.origin(), dir.path.string(), "message", session.sessionId,
                session.sessionToken});

    h.run(h.core->restoreSession(session));
    auto sent = h.run(h.core->flushOutbox());
    EXPECT_EQ(sent.size(), 1u);
    auto posts = h.service.requests("POST", messages);
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0].body, posts[1].body);
    EXPECT_EQ(posts[1].header("x-velmora-idempotency-key"), "crash-message-key-01");
    auto snapshot = h.run(h.core->refresh());
    EXPECT_EQ(customerMessages(snapshot, "A message that must arrive once"), 1);
    EXPECT_TRUE(h.run(h.stores.outbox->load()).empty());
}

TEST(ClientCrashSafetyTest, StoredMetadataIsNeverTooDeepToBeReadAfterARestart) {
    TempDir dir;
    ClientHarness h(ClientHarness::Settings{}, fileStores(dir.path));
    h.run(h.core->restoreSession(h.createServiceSession()));
    const FaultScope messages{"POST", "/api/widget/v1/sessions/"};
    auto message = [](std::size_t depth) {
        VelmoraMessageInput input{"Hello", {}, {}, nestedMetadata(depth), {}, {}};
        return input;
    };

    // As deep as allowed: stored, and kept after a retryable failure.
    h.service.failNext(503, std::nullopt, std::nullopt, messages);
    EXPECT_EQ(expectVelmoraError([&] { h.run(h.core->sendMessage(message(500))); }).code(),
              VelmoraErrorCode::http);
    // Deeper: refused before it is stored or sent.
    const auto posts = h.service.requests("POST", "/api/widget/v1/sessions/").size();
    EXPECT_EQ(expectVelmoraError([&] { h.run(h.core->sendMessage(message(600))); }),
              VelmoraError(VelmoraErrorCode::fieldInvalid, std::nullopt, std::nullopt,
                           "Metadata is nested too deeply."));
    EXPECT_EQ(h.service.requests("POST", "/api/widget/v1/sessions/").size(), posts);

    // A restart reads the file afresh: the entry is all there, and it still sends.
    VelmoraJSONFileOutboxStore reopened(dir.path / "outbox.json");
    const auto entries = h.run(reopened.load());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].input.metadata, nestedMetadata(500));
    EXPECT_EQ(h.run(h.core->flushOutbox()).size(), 1u);
}

TEST(ClientCrashSafetyTest, KilledJustAfterAcceptanceLosesNothingAndDuplicatesNothing) {
    TempDir dir;
    ClientHarness::Settings settings;
    settings.accountScope = "crash-account";
    settings.token = "crash-token";
    ClientHarness h(settings, fileStores(dir.path));
    auto session = h.createServiceSession();
    const std::string messages = "/api/widget/v1/sessions/" + session.sessionId + "/messages";
    runToItsEnd({h.service.origin(), dir.path.string(), "accepted", session.sessionId,
                 session.sessionToken});
    ASSERT_EQ(h.service.requests("POST", messages).size(), 2u);

    // Whatever removal the kill cut short is sent again under its own key, and recognised.
    h.run(h.core->restoreSession(session));
    const auto resent = h.run(h.core->flushOutbox());
    auto posts = h.service.requests("POST", messages);
    EXPECT_EQ(posts.size(), 2u + resent.size());
    std::map<std::string, std::set<std::string>> bodiesByKey;
    for (const auto& post : posts)
        bodiesByKey[post.header("x-velmora-idempotency-key").value_or("")].insert(post.bodyText());
    ASSERT_EQ(bodiesByKey.size(), 2u);
    for (const auto& [key, bodies] : bodiesByKey)
        EXPECT_EQ(bodies.size(), 1u) << key << " was sent with different bodies";
    // The second message's save carried the first one's removal to the disk.
    EXPECT_LE(resent.size(), 1u);

    auto snapshot = h.run(h.core->refresh());
    EXPECT_EQ(customerMessages(snapshot, "Accepted before the crash: crash-accepted-key-1"), 1);
    EXPECT_EQ(customerMessages(snapshot, "Accepted before the crash: crash-accepted-key-2"), 1);
    EXPECT_TRUE(h.run(h.stores.outbox->load()).empty());
    EXPECT_TRUE(h.run(VelmoraJSONFileOutboxStore(dir.path / "outbox.json").load()).empty());
}

} // namespace
} // namespace velmora::testing
