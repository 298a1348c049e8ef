#include "controller_service_fixture.hpp"

// Forms and procedures as the local widget service sees them.

namespace velmora::testing {
namespace {

using tools::FaultScope;

const std::string kSessions = "/api/widget/v1/sessions";

class ControllerFormsServiceTest : public ControllerServiceFixture {
protected:
    /// A widget over a client that holds a session the host opened.
    std::shared_ptr<VelmoraWidgetController> openWithSession() {
        client = makeClient();
        VelmoraSessionStartInput opening;
        opening.message = "A conversation the host opened";
        sessionId = client->startSession(opening, asio::use_future).get().sessionId;
        auto controller = makeController(client, std::make_shared<VelmoraWidgetDraftStore>());
        opened = controller;
        openAndSettle(*controller);
        // The reopening's re-read of the conversation, so that later reads are the tests' own.
        runUntil(io, [&] { return controller->snapshot().has_value(); });
        service.clearRequests();
        return controller;
    }

    std::string formPath(const std::string& requestId) const {
        return kSessions + "/" + sessionId + "/forms/" + requestId;
    }

    void settleAction(VelmoraWidgetController& controller) {
        runUntil(io, [&] { return !controller.isActionInFlight(); });
    }

    static VelmoraConversationForm form(std::string requestId) {
        VelmoraConversationForm f;
        f.requestId = std::move(requestId);
        return f;
    }

    // The event loop holds its controller until the widget's work stops.
    void TearDown() override {
        if (opened) {
            opened->destroy();
        }
        drain(io);
    }

    std::shared_ptr<VelmoraClient> client;
    std::shared_ptr<VelmoraWidgetController> opened;
    std::string sessionId;
};

TEST_F(ControllerFormsServiceTest, ASubmissionReachesTheServiceOnceAndTheConversationIsReRead) {
    auto controller = openWithSession();
    controller->submitForm(form("fr_contact"), {{"email", "ada@example.com"}});
    controller->submitForm(form("fr_contact"), {{"email", "ada@example.com"}}); // ignored
    settleAction(*controller);
    const auto posts = this->posts(formPath("fr_contact"));
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts.front().bodyText(), R"({"values":{"email":"ada@example.com"}})");
    EXPECT_EQ(service.requests("GET", kSessions + "/" + sessionId + "/messages").size(), 1u)
        << "one refresh after the submission";
    EXPECT_FALSE(controller->error());
}

TEST_F(ControllerFormsServiceTest, ARefusedSubmissionIsShownWithTheServicesStatus) {
    auto controller = openWithSession();
    service.failNext(422, std::string("field_invalid"), std::nullopt,
                     FaultScope{"POST", formPath("fr_contact")});
    controller->submitForm(form("fr_contact"), {{"email", "not an address"}});
    settleAction(*controller);
    ASSERT_TRUE(controller->error());
    EXPECT_EQ(controller->error()->code(), VelmoraErrorCode::fieldInvalid);
    EXPECT_EQ(controller->error()->status(), 422);
    // The form can be sent again at once.
    controller->submitForm(form("fr_contact"), {{"email", "ada@example.com"}});
    settleAction(*controller);
    EXPECT_EQ(posts(formPath("fr_contact")).size(), 2u);
}

TEST_F(ControllerFormsServiceTest, ACloseDuringASubmissionLeavesNoFlagAndNoDoubleSubmit) {
    auto controller = openWithSession();
    service.delayNext(std::chrono::milliseconds(400), FaultScope{"POST", formPath("fr_contact")});
    controller->submitForm(form("fr_contact"), {{"email", "ada@example.com"}});
    runUntil(io, [&] { return posts(formPath("fr_contact")).size() == 1; });
    controller->close();
    EXPECT_FALSE(controller->isActionInFlight()) << "forms are usable again after reopening";
    controller->submitForm(form("fr_contact"), {{"email", "ada@example.com"}}); // closed: ignored
    openAndSettle(*controller);
    controller->submitForm(form("fr_contact"), {{"email", "ada@example.com"}});
    EXPECT_TRUE(controller->isActionInFlight());
    controller->submitForm(form("fr_contact"), {{"email", "ada@example.com"}}); // in flight
    settleAction(*controller);
    EXPECT_EQ(posts(formPath("fr_contact")).size(), 2u) << "the cut-off one and the new one";
    EXPECT_FALSE(controller->error());
}

TEST_F(ControllerFormsServiceTest, AProcedureActionGoesWithItsKeyAndTheNextSnapshotFollows) {
    auto controller = openWithSession();
    VelmoraProcedureCard card;
    card.procedureId = "book-visit";
    card.runId = "wr_1";
    card.runUpdatedAt = "2026-03-01T10:00:00Z";
    card.stepId = "pick";
    controller->performProcedureAction(card, "select", "morning");
    settleAction(*controller);
    const auto sent = posts(kSessions + "/" + sessionId + "/procedure-actions");
    ASSERT_EQ(sent.size(), 1u);
    const auto key = sent.front().header("x-velmora-idempotency-key");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->size(), 32u);
    EXPECT_NE(sent.front().bodyText().find(R"("action":"select")"), std::string::npos);
    EXPECT_FALSE(controller->error());
    // The client re-reads the conversation itself; the controller adds no refresh of its own.
    EXPECT_EQ(service.requests("GET", kSessions + "/" + sessionId + "/messages").size(), 1u);
}

} // namespace
} // namespace velmora::testing
