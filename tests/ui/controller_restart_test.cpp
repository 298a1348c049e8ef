#include "controller_service_fixture.hpp"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

// A first message outlives a widget that closes, and a process that dies, while the service
// holds it: the next send repeats it under the same key and the service keeps one copy.

namespace velmora::testing {
namespace {

using tools::Fault;
using tools::FaultScope;

const std::string kStart = "/api/widget/v1/sessions";

class ControllerRestartTest : public ControllerServiceFixture {
protected:
    /// The reconciliation's resume never meets a fault meant for a send.
    void shieldResume() {
        Fault resumePasses;
        resumePasses.scope = FaultScope{"POST", kStart + "/resume", 1000};
        service.inject(resumePasses);
    }

    /// The service handles the request to `path`, then holds its answer back.
    void holdAnswers(const std::string& path) {
        shieldResume();
        Fault held;
        held.scope = FaultScope{"POST", path};
        held.afterCommit = true;
        held.delay = std::chrono::seconds(20);
        service.inject(held);
    }

    void expectSentTwiceUnderOneKey(const std::string& path, const std::string& key) {
        const auto sent = posts(path);
        ASSERT_EQ(sent.size(), 2u);
        EXPECT_EQ(sent[0].header("x-velmora-idempotency-key"), key);
        EXPECT_EQ(sent[1].header("x-velmora-idempotency-key"), key);
        EXPECT_EQ(sent[0].body, sent[1].body);
    }
};

TEST_F(ControllerRestartTest, ClosingDuringAHeldSendEndsItAndReopeningSendsTheSameKeyOnce) {
    const std::string text = "Are you open on Sundays?";
    for (const bool intoSession : {false, true}) {
        SCOPED_TRACE(intoSession ? "message" : "session start");
        service.clearFaults();
        service.clearRequests();
        TemporaryDirectory directory;
        auto client = makeClient();
        std::string path = kStart;
        if (intoSession) {
            VelmoraSessionStartInput opening;
            opening.message = "A conversation the host opened";
            const auto session = client->startSession(opening, asio::use_future).get();
            path = kStart + "/" + session.sessionId + "/messages";
        }
        auto store = std::make_shared<VelmoraWidgetDraftStore>(directory.path() / "drafts.json");
        auto controller = makeController(client, store);
        openAndSettle(*controller);
        // The service takes the message in and holds its answer far longer than a visitor waits.
        holdAnswers(path);
        controller->updateDraft(text);
        controller->send();
        runUntil(io, [&] { return !posts(path).empty(); });

        // Closing ends the request at once; the message waits in the drafts file.
        controller->close();
        settleMutation(*controller);
        EXPECT_EQ(controller->draft(), text);
        const auto stored = store->state(*client);
        ASSERT_TRUE(stored && stored->idempotencyKey);

        // Reopened, the next send goes at once, under the same key, and is the one that counts.
        openAndSettle(*controller);
        settleMutation(*controller);
        controller->send();
        ASSERT_TRUE(controller->mutationInFlight());
        settleMutation(*controller);
        EXPECT_FALSE(controller->error()) << controller->error()->message();
        EXPECT_FALSE(controller->pendingFirstDraftText());
        EXPECT_EQ(controller->draft(), "");
        EXPECT_FALSE(store->state(*client));
        expectSentTwiceUnderOneKey(path, *stored->idempotencyKey);
        EXPECT_EQ(heldByService(*client, text), 1);
        controller->destroy();
        drain(io);
    }
}

TEST_F(ControllerRestartTest, AStartTheServiceAcceptedIsNotSentAgainWhenTheClientHasItsSession) {
    TemporaryDirectory directory;
    auto client = makeClient();
    auto store = std::make_shared<VelmoraWidgetDraftStore>(directory.path() / "drafts.json");
    auto controller = makeController(client, store);
    openAndSettle(*controller);
    shieldResume();
    service.dropNextAfterCommit(FaultScope{"POST", kStart});
    controller->updateDraft("Hello, anyone?");
    controller->send();
    settleMutation(*controller);
    ASSERT_TRUE(controller->pendingFirstDraftText());

    // The client recovers the stored start by itself (as a host's resume does): the session
    // exists, so the widget's send only reads the conversation.
    const auto session = client->resumeSession(asio::use_future).get();
    ASSERT_TRUE(session);
    service.clearRequests();
    controller->send();
    settleMutation(*controller);
    EXPECT_FALSE(controller->error()) << controller->error()->message();
    EXPECT_FALSE(controller->pendingFirstDraftText());
    EXPECT_TRUE(service.requests("POST", kStart).empty());
    EXPECT_EQ(heldByService(*client, "Hello, anyone?"), 1);
    controller->destroy();
    drain(io);
}

struct CrashCase {
    const char* name;
    bool intoSession; // the first message goes into an existing session ("message")
};

TEST_F(ControllerRestartTest, AHostKilledWithAnUnsentFirstMessageSendsItOnceWhenItComesBack) {
    const std::string text = "A first message that must arrive once";
    for (const CrashCase row : {CrashCase{"sessionStart", false}, CrashCase{"message", true}}) {
        SCOPED_TRACE(row.name);
        service.clearFaults();
        service.clearRequests();
        TemporaryDirectory directory;
        std::vector<std::string> args = {VELMORA_CONTROLLER_HOST_CHILD, service.origin(),
                                         directory.path().string()};
        std::string path = kStart;
        if (row.intoSession) {
            VelmoraSessionStartInput opening;
            opening.message = "A conversation from an earlier day";
            auto session = makeClient()->startSession(opening, asio::use_future).get();
            path = kStart + "/" + session.sessionId + "/messages";
            args.insert(args.end(), {"message", session.sessionId, session.sessionToken});
        } else {
            args.push_back("start");
        }
        holdAnswers(path);

        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (posts(path).empty() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the host finished before it was killed";
        ASSERT_EQ(posts(path).size(), 1u) << "the host sent nothing";
        service.clearFaults();

        // A new process: a new client and a new controller over the same files.
        auto client = makeClient(directory.path());
        auto store =
            std::make_shared<VelmoraWidgetDraftStore>(directory.path() / "widget-drafts.json");
        const auto stored = store->state(*client);
        ASSERT_TRUE(stored && stored->idempotencyKey);
        EXPECT_EQ(stored->operation, row.intoSession ? VelmoraWidgetDraftOperation::message
                                                     : VelmoraWidgetDraftOperation::sessionStart);
        auto controller = makeController(client, store);
        EXPECT_EQ(controller->pendingFirstDraftText(), text);
        openAndSettle(*controller);
        controller->send();
        settleMutation(*controller);
        EXPECT_FALSE(controller->error()) << controller->error()->message();
        EXPECT_FALSE(controller->pendingFirstDraftText());
        EXPECT_FALSE(store->state(*client));
        expectSentTwiceUnderOneKey(path, *stored->idempotencyKey);
        EXPECT_EQ(heldByService(*client, text), 1);
        controller->destroy();
        drain(io);
    }
}

} // namespace
} // namespace velmora::testing
