#include "controller_service_fixture.hpp"

// The send as the service sees it: every route and outcome against the local widget service,
// with its faults standing in for a failing, slow or forgetful network.

namespace velmora::testing {
namespace {

using tools::Fault;
using tools::FaultScope;
using Operation = VelmoraWidgetDraftOperation;

const std::string kText = "Where is my order?";
const std::string kStart = "/api/widget/v1/sessions";

VelmoraAttachmentDraft receipt() {
    const std::string bytes = "order 1001, paid";
    return VelmoraAttachmentDraft("file-1", "receipt.txt", "text/plain", "text",
                                  Data(bytes.begin(), bytes.end()));
}

enum class Stored { nothing, typed, pending };

struct SendOutcome {
    const char* name;
    bool hostSession; // a conversation exists: the message route, else the start route
    bool attachment;
    // Injected once the widget has settled; `messages` is the session's messages path.
    std::function<void(tools::WidgetService&, const std::string& messages)> fault;
    // Expected right after the send.
    std::optional<VelmoraErrorCode> error;
    std::optional<std::int64_t> status;
    bool composerShowsText;
    std::size_t attachmentsLeft;
    std::optional<Operation> pending; // the pending first draft (and the stored one)
    Stored stored;
    int heldAtTheEnd; // copies the service holds, once a kept message was sent again
};

class ControllerSendServiceTest : public ControllerServiceFixture {};

TEST_F(ControllerSendServiceTest, EachRouteAndOutcome) {
    const auto onStart = [](auto inject) {
        return [inject](tools::WidgetService& s, const std::string&) { inject(s, kStart); };
    };
    const auto onMessages = [](auto inject) {
        return
            [inject](tools::WidgetService& s, const std::string& messages) { inject(s, messages); };
    };
    const auto fail = [](int status, std::string code) {
        return [status, code](tools::WidgetService& s, const std::string& path) {
            s.failNext(status, code, std::nullopt, FaultScope{"POST", path});
        };
    };
    const auto dropAfterCommit = [](tools::WidgetService& s, const std::string& path) {
        s.dropNextAfterCommit(FaultScope{"POST", path});
    };
    const auto slow = [](tools::WidgetService& s, const std::string& path) {
        s.delayNext(std::chrono::milliseconds(300), FaultScope{"POST", path});
    };
    // The reads after the upload pass; the assistant's wait then meets a failing service.
    const auto waitFails = [](tools::WidgetService& s, const std::string& messages) {
        Fault passing;
        passing.scope = FaultScope{"GET", messages, 1};
        s.inject(passing);
        Fault failing;
        failing.scope = FaultScope{"GET", messages, 1000};
        failing.action = Fault::Action::fail;
        failing.status = 503;
        failing.code = "service_unavailable";
        s.inject(failing);
    };
    using C = VelmoraErrorCode;
    const std::vector<SendOutcome> table = {
        {"start: delivered", false, false, nullptr, {}, {}, false, 0, {}, Stored::nothing, 1},
        {"start: slow answer, delivered",
         false,
         false,
         onStart(slow),
         {},
         {},
         false,
         0,
         {},
         Stored::nothing,
         1},
        {"start: 503 keeps the message", false, false, onStart(fail(503, "service_unavailable")),
         C::http, 503, true, 0, Operation::sessionStart, Stored::pending, 1},
        {"start: lost acknowledgement keeps the message",
         false,
         false,
         onStart(dropAfterCommit),
         C::network,
         {},
         true,
         0,
         Operation::sessionStart,
         Stored::pending,
         1},
        {"start: refused input drops the key",
         false,
         false,
         onStart(fail(400, "field_invalid")),
         C::fieldInvalid,
         400,
         true,
         0,
         {},
         Stored::typed,
         0},
        {"start: refused with a file drops the key",
         false,
         true,
         onStart(fail(400, "field_invalid")),
         C::fieldInvalid,
         400,
         true,
         1,
         {},
         Stored::typed,
         0},
        {"message: delivered", true, false, nullptr, {}, {}, false, 0, {}, Stored::nothing, 1},
        {"message: delivered with a file",
         true,
         true,
         nullptr,
         {},
         {},
         false,
         0,
         {},
         Stored::nothing,
         1},
        {"message: 503 keeps it for its session", true, false,
         onMessages(fail(503, "service_unavailable")), C::http, 503, true, 0, Operation::message,
         Stored::pending, 1},
        {"message: lost acknowledgement keeps it",
         true,
         false,
         onMessages(dropAfterCommit),
         C::network,
         {},
         true,
         0,
         Operation::message,
         Stored::pending,
         1},
        {"message: an expired session keeps it", true, false,
         onMessages(fail(401, "session_expired")), C::sessionExpired, 401, true, 0,
         Operation::message, Stored::pending, 1},
        {"message: refused input drops the key",
         true,
         false,
         onMessages(fail(400, "field_invalid")),
         C::fieldInvalid,
         400,
         true,
         0,
         {},
         Stored::typed,
         0},
        {"message: refused with a file and a session keeps it", true, true,
         onMessages(fail(400, "field_invalid")), C::fieldInvalid, 400, true, 1, Operation::message,
         Stored::pending, 1},
        {"message: the assistant's wait fails after the file went",
         true,
         true,
         waitFails,
         C::http,
         503,
         false,
         0,
         {},
         Stored::nothing,
         1},
    };

    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        service.clearFaults();
        TemporaryDirectory directory;
        auto client = makeClient();
        // The reconciliation's resume never meets a fault meant for the send.
        Fault resumePasses;
        resumePasses.scope = FaultScope{"POST", kStart + "/resume", 1000};
        service.inject(resumePasses);
        std::string sessionId;
        if (row.hostSession) {
            VelmoraSessionStartInput opening;
            opening.message = "A conversation the host opened";
            sessionId = client->startSession(opening, asio::use_future).get().sessionId;
        }
        const std::string messages = kStart + "/" + sessionId + "/messages";
        auto store = std::make_shared<VelmoraWidgetDraftStore>(directory.path() / "drafts.json");
        {
            // The composer as a user left it: the text and, for some rows, a file.
            VelmoraWidgetDraftState typed;
            typed.text = kText;
            if (row.attachment) {
                typed.attachments = {receipt()};
            }
            const ScriptedWidgetClient identity(client->widgetDraftIdentity());
            store->save(typed, identity);
        }
        auto controller = makeController(client, store);
        openAndSettle(*controller);
        if (row.fault) {
            row.fault(service, messages);
        }
        controller->send();
        settleMutation(*controller);

        if (row.error) {
            ASSERT_TRUE(controller->error());
            EXPECT_EQ(controller->error()->code(), *row.error);
            EXPECT_EQ(controller->error()->status(), row.status);
        } else {
            EXPECT_FALSE(controller->error()) << controller->error()->message();
        }
        EXPECT_EQ(controller->draft(), row.composerShowsText ? kText : "");
        EXPECT_EQ(controller->pendingAttachments().size(), row.attachmentsLeft);
        EXPECT_EQ(controller->pendingFirstDraftText(),
                  row.pending ? std::optional(kText) : std::nullopt);
        const auto stored = store->state(*VelmoraClientWidgetAdapter(client).client());
        switch (row.stored) {
        case Stored::nothing:
            EXPECT_FALSE(stored);
            break;
        case Stored::typed:
            ASSERT_TRUE(stored);
            EXPECT_EQ(stored->text, kText);
            EXPECT_FALSE(stored->idempotencyKey);
            EXPECT_EQ(stored->attachments.size(), row.attachmentsLeft);
            break;
        case Stored::pending:
            ASSERT_TRUE(stored);
            EXPECT_EQ(stored->text, kText);
            EXPECT_EQ(stored->operation, *row.pending);
            EXPECT_EQ(stored->targetSessionId,
                      row.hostSession ? std::optional(sessionId) : std::nullopt);
            EXPECT_EQ(stored->attachments.size(), row.attachmentsLeft);
            break;
        }

        // A kept message goes again under its key, and the service ends up holding it once.
        const std::string target = row.hostSession ? messages : kStart;
        if (row.pending) {
            service.clearFaults();
            controller->send();
            settleMutation(*controller);
            EXPECT_FALSE(controller->error()) << controller->error()->message();
            EXPECT_FALSE(controller->pendingFirstDraftText());
            const auto sent = posts(target);
            ASSERT_EQ(sent.size(), 2u);
            EXPECT_EQ(sent[0].header("x-velmora-idempotency-key"),
                      sent[1].header("x-velmora-idempotency-key"));
            EXPECT_EQ(sent[0].body, sent[1].body);
            EXPECT_EQ(sent[1].header("x-velmora-idempotency-key"), stored->idempotencyKey);
        }
        service.clearFaults();
        if (client->currentSession(asio::use_future).get()) {
            EXPECT_EQ(heldByService(*client, kText), row.heldAtTheEnd);
        } else {
            EXPECT_EQ(row.heldAtTheEnd, 0);
        }
        if (row.attachment && row.heldAtTheEnd > 0) {
            // The file went exactly once, whatever failed afterwards.
            EXPECT_EQ(service.requests("PUT", "/api/widget/v1/uploads/").size(), 1u);
        }
        controller->destroy();
        service.clearRequests();
        drain(io);
    }
}

/// The assistant answers at once: its reply is in the conversation the client reads right
/// after the visitor's message.
tools::WidgetService::Options promptAssistant() {
    tools::WidgetService::Options options;
    options.assistantDelay = std::chrono::milliseconds(0);
    return options;
}

class ControllerRepeatedSendTest : public ControllerServiceFixture {
protected:
    ControllerRepeatedSendTest() : ControllerServiceFixture(promptAssistant()) {}
};

struct RepeatCase {
    const char* name;
    bool hostSession;   // the message goes into an existing conversation
    bool lostAck;       // the service keeps the first attempt and its answer is lost
    bool restart;       // a new client and widget over the same files send it again
    bool reopen;        // the widget closes and opens again before the repeat
    bool clientResumes; // the client recovers the started session before the repeat
};

TEST_F(ControllerRepeatedSendTest, TheReplyAlreadyThereEndsTheSend) {
    const std::vector<RepeatCase> table = {
        {"start: the reply came with the conversation", false, false, false, false, false},
        {"start: lost acknowledgement, sent again", false, true, false, false, false},
        {"start: lost acknowledgement, sent again after a restart", false, true, true, false,
         false},
        {"start: lost acknowledgement, the client resumed the session", false, true, false, false,
         true},
        {"message: lost acknowledgement, sent again", true, true, false, false, false},
        {"message: lost acknowledgement, sent again after a reopen", true, true, false, true,
         false},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        service.clearFaults();
        TemporaryDirectory directory;
        auto client = makeClient(directory.path());
        std::string target = kStart;
        if (row.hostSession) {
            VelmoraSessionStartInput opening;
            opening.message = "A conversation the host opened";
            const auto session = client->startSession(opening, asio::use_future).get();
            target = kStart + "/" + session.sessionId + "/messages";
        }
        const auto draftsFile = directory.path() / "widget-drafts.json";
        auto store = std::make_shared<VelmoraWidgetDraftStore>(draftsFile);
        auto controller = makeController(client, store);
        openAndSettle(*controller);
        Fault resumePasses;
        resumePasses.scope = FaultScope{"POST", kStart + "/resume", 1000};
        service.inject(resumePasses);
        if (row.lostAck) {
            service.dropNextAfterCommit(FaultScope{"POST", target});
        }
        controller->updateDraft(kText);
        controller->send();
        settleMutation(*controller);
        if (row.lostAck) {
            ASSERT_EQ(controller->pendingFirstDraftText(), kText);
            if (row.restart) {
                controller->close();
                drain(io);
                controller.reset();
                client = makeClient(directory.path());
                store = std::make_shared<VelmoraWidgetDraftStore>(draftsFile);
                controller = makeController(client, store);
                openAndSettle(*controller);
            }
            if (row.reopen) {
                controller->close();
                drain(io);
                openAndSettle(*controller);
                // The reopened widget's reconciliation reads the message and its reply.
                runUntil(io, [&] {
                    const auto& shown = controller->messages();
                    return !shown.empty() && shown.back().authorKind == "ai" &&
                           std::any_of(shown.begin(), shown.end(),
                                       [](const VelmoraMessage& m) { return m.bodyText == kText; });
                });
            }
            if (row.clientResumes) {
                ASSERT_TRUE(client->resumeSession(asio::use_future).get());
            }
            controller->send();
            settleMutation(*controller); // within seconds, not the wait's 30
        }
        drain(io);

        EXPECT_FALSE(controller->error()) << controller->error()->message();
        EXPECT_FALSE(controller->pendingFirstDraftText());
        EXPECT_FALSE(store->state(*client));
        const auto& shown = controller->messages();
        EXPECT_TRUE(std::any_of(shown.begin(), shown.end(),
                                [](const VelmoraMessage& m) { return m.authorKind == "ai"; }));
        EXPECT_EQ(heldByService(*client, kText), 1);
        controller->destroy();
        service.clearRequests();
        drain(io);
    }
}

} // namespace
} // namespace velmora::testing
