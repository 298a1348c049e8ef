#include "client_harness.hpp"

#include "detail/json.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace velmora::testing {
namespace {

using tools::FaultScope;

constexpr const char* kKey = "proposal-key-0123456789";

VelmoraCommerceProposalInput cancelOrder(std::string order = "1001") {
    return {"shopify_order_cancel", {"demo_store", std::move(order), std::nullopt}};
}

VelmoraProcedureActionInput startProcedure() {
    VelmoraProcedureActionInput input;
    input.action = "start";
    input.value = "Return an item";
    input.idempotencyKey = "procedure-key-0123456789";
    input.procedureId = "returns";
    return input;
}

/// A client with a session the service knows.
class RichOperationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        session = h.createServiceSession();
        h.run(h.core->restoreSession(session));
        h.service.clearRequests();
    }
    std::string sessionPrefix() const { return "/api/widget/v1/sessions/" + session.sessionId; }
    tools::RecordedRequest onlyRequest(std::string_view method, const std::string& path) {
        auto requests = h.service.requests(method, sessionPrefix() + path);
        EXPECT_EQ(requests.size(), 1u);
        return requests.empty() ? tools::RecordedRequest{} : requests.back();
    }

    ClientHarness h;
    VelmoraSession session;
};

TEST(RichOperationsWithoutSession, EveryOperationNeedsASessionBeforeItsArguments) {
    ClientHarness h;
    auto core = h.core;
    const std::vector<std::pair<const char*, std::function<void()>>> calls = {
        {"form", [&] { h.run(core->submitConversationForm("", {})); }},
        {"procedure", [&] { h.run(core->performProcedureAction({})); }},
        {"orders", [&] { h.run(core->listCommerceOrders("", "")); }},
        {"order", [&] { h.run(core->loadCommerceOrder("")); }},
        {"proposal", [&] { h.run(core->createCommerceProposal({}, "")); }},
        {"confirm", [&] { h.run(core->confirmCommerceProposal("", "")); }},
        {"status", [&] { h.run(core->commerceProposalStatus("")); }},
        {"tool request",
         [&] {
             h.run(core->requestClientTool({"order_status", "m_1", {}}));
         }},
        {"tool status", [&] { h.run(core->clientToolStatus("ctc_1")); }},
    };
    for (const auto& [name, call] : calls) {
        auto error = expectVelmoraError(call);
        EXPECT_EQ(error.code(), VelmoraErrorCode::sessionExpired) << name;
        EXPECT_EQ(error.message(), "Start or resume a session first.") << name;
    }
    EXPECT_TRUE(h.service.requests().empty());
}

TEST_F(RichOperationsTest, FormSubmissionSendsTheValuesWithoutReloading) {
    JSONValue::Object values;
    for (int i = 0; i < 100; ++i) {
        values.emplace("f" + std::to_string(i), i);
    }
    const auto submission = h.run(h.core->submitConversationForm("req_1", values));
    EXPECT_EQ(submission, (VelmoraFormSubmission{true, "req_1", "submitted"}));
    const auto sent = onlyRequest("POST", "/forms/req_1");
    EXPECT_EQ(decodeJSON<JSONValue>(sent.bodyText()),
              JSONValue(JSONValue::Object{{"values", values}}));
    EXPECT_FALSE(sent.header("x-velmora-idempotency-key"));
    EXPECT_EQ(sent.header("x-velmora-session-token"), session.sessionToken);
    EXPECT_TRUE(h.service.requests("GET", sessionPrefix() + "/messages").empty());

    h.run(h.core->submitConversationForm("req_2", {}));
    EXPECT_EQ(onlyRequest("POST", "/forms/req_2").bodyText(), R"({"values":{}})");

    values.emplace("f100", 1);
    auto error =
        expectVelmoraError([&] { h.run(h.core->submitConversationForm("req_3", values)); });
    EXPECT_EQ(error.message(), "Conversation form values are invalid.");
    error = expectVelmoraError([&] { h.run(h.core->submitConversationForm("req 3", {})); });
    EXPECT_EQ(error.message(), "Conversation form request id is invalid.");
    EXPECT_TRUE(h.service.requests("POST", sessionPrefix() + "/forms/req_3").empty());
}

TEST_F(RichOperationsTest, OrderListQueriesKeepTheirOrder) {
    struct Case {
        std::optional<std::string> cursor;
        std::optional<std::string> store;
        std::string query;
    } cases[] = {
        {std::nullopt, std::nullopt, "integration=local-demo"},
        {std::nullopt, "demo_store", "integration=local-demo&store=demo_store"},
        {"page_2", "demo_store", "integration=local-demo&cursor=page_2&store=demo_store"},
    };
    for (const auto& c : cases) {
        h.service.clearRequests();
        const auto reply = h.run(h.core->listCommerceOrders(c.cursor, c.store));
        EXPECT_TRUE(reply.ifObject() && reply.ifObject()->contains("orders"));
        EXPECT_EQ(onlyRequest("GET", "/commerce/orders").query, c.query);
    }
    auto error = expectVelmoraError([&] { h.run(h.core->listCommerceOrders("", std::nullopt)); });
    EXPECT_EQ(error.message(), "Commerce order cursor is invalid.");
    error = expectVelmoraError([&] { h.run(h.core->listCommerceOrders("c", "no/store")); });
    EXPECT_EQ(error.message(), "Commerce store reference is invalid.");
    error = expectVelmoraError([&] { h.run(h.core->loadCommerceOrder("")); });
    EXPECT_EQ(error.message(), "Order reference is invalid.");
}

TEST_F(RichOperationsTest, CommerceProposalsCarryTheCallersIdempotencyKey) {
    const auto order = h.run(h.core->loadCommerceOrder("1001"));
    EXPECT_EQ(*order.ifObject()->at("order").ifObject()->at("name").ifString(), "#1001");
    auto detail = onlyRequest("GET", "/commerce/orders/1001");
    EXPECT_EQ(detail.query, "integration=local-demo");
    EXPECT_FALSE(detail.header("x-velmora-idempotency-key"));
    h.service.clearRequests();
    h.run(h.core->listCommerceOrders(std::nullopt, std::nullopt));
    EXPECT_FALSE(onlyRequest("GET", "/commerce/orders").header("x-velmora-idempotency-key"));

    const auto proposal = h.run(h.core->createCommerceProposal(cancelOrder(), kKey));
    const std::string proposalId = *proposal.ifObject()->at("proposalId").ifString();
    auto created = onlyRequest("POST", "/commerce/actions/proposals");
    EXPECT_EQ(created.header("x-velmora-idempotency-key"), kKey);
    EXPECT_EQ(created.bodyText(), R"({"actionId":"shopify_order_cancel","selection":{)"
                                  R"("orderReference":"1001","storeReference":"demo_store"}})");

    const auto confirmed =
        h.run(h.core->confirmCommerceProposal(proposalId, "confirm-key-0123456789"));
    EXPECT_EQ(*confirmed.ifObject()->at("state").ifString(), "confirmed");
    auto confirm = onlyRequest("POST", "/commerce/actions/proposals/" + proposalId + "/confirm");
    EXPECT_EQ(confirm.bodyText(), R"({"confirmed":true})");
    EXPECT_EQ(confirm.header("x-velmora-idempotency-key"), "confirm-key-0123456789");

    h.run(h.core->commerceProposalStatus(proposalId));
    auto status = h.service.requests("GET", sessionPrefix() + "/commerce/actions/proposals/");
    ASSERT_EQ(status.size(), 1u);
    EXPECT_FALSE(status[0].header("x-velmora-idempotency-key"));

    // The key is checked after the input passed its own check.
    auto error = expectVelmoraError(
        [&] { h.run(h.core->createCommerceProposal(cancelOrder(), "fifteen-chars-x")); });
    EXPECT_EQ(error.message(), "Idempotency key is invalid.");
    error = expectVelmoraError(
        [&] { h.run(h.core->createCommerceProposal(cancelOrder(""), "fifteen-chars-x")); });
    EXPECT_EQ(error.message(), "Commerce proposal input is invalid.");
    error = expectVelmoraError([&] { h.run(h.core->confirmCommerceProposal("p/1", kKey)); });
    EXPECT_EQ(error.message(), "Commerce proposal id is invalid.");
}

TEST_F(RichOperationsTest, ProcedureActionReloadsTheConversation) {
    auto events = h.subscribe();
    ClientHarness::nextEvent(events); // the current loading state
    const auto result = h.run(h.core->performProcedureAction(startProcedure()));
    EXPECT_EQ(result, (VelmoraProcedureActionResult{true, session.sessionId}));
    const auto sent = onlyRequest("POST", "/procedure-actions");
    EXPECT_EQ(sent.header("x-velmora-idempotency-key"), "procedure-key-0123456789");
    EXPECT_EQ(decodeJSON<VelmoraProcedureActionInput>(sent.bodyText()), startProcedure());
    EXPECT_EQ(describe(ClientHarness::nextEvent(events)), "loading(loading-messages)");
    EXPECT_EQ(describe(ClientHarness::nextEvent(events)), "snapshot");
    EXPECT_EQ(describe(ClientHarness::nextEvent(events)), "loading(idle)");
}

TEST_F(RichOperationsTest, ProcedureActionThatSucceedsWhileTheReloadFailsThrowsTheReloadsError) {
    h.service.failNext(503, "conversation_stale", std::nullopt,
                       FaultScope{"GET", sessionPrefix() + "/messages", 1});
    auto error =
        expectVelmoraError([&] { h.run(h.core->performProcedureAction(startProcedure())); });
    EXPECT_EQ(error.code(), VelmoraErrorCode::conversationStale);
    EXPECT_EQ(error.status(), 503);
    EXPECT_EQ(h.service.requests("POST", sessionPrefix() + "/procedure-actions").size(), 1u);

    auto invalid = startProcedure();
    invalid.runId = "wr_1";
    error = expectVelmoraError([&] { h.run(h.core->performProcedureAction(invalid)); });
    EXPECT_EQ(error.message(), "Procedure action input is invalid.");
}

} // namespace
} // namespace velmora::testing
