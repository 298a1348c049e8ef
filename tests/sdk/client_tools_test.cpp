#include "client_harness.hpp"

#include "detail/json.hpp"

#include <gtest/gtest.h>

#include <boost/json.hpp>

#include <cmath>
#include <functional>

namespace velmora::testing {
namespace {

namespace json = boost::json;

const JSONValue::Object kInput{{"orderNumber", "1001"}};

/// A valid answer to a request for the "order_status" tool with `kInput`.
json::object requestReply() {
    return json::parse(R"({"ok":true,"callId":"ctc_9","status":"requested",
        "continuation":"operator-review","input":{"orderNumber":"1001"},
        "expiresAt":"2020-01-01T00:00:00Z",
        "tool":{"name":"order_status","enabled":true,"description":"Looks up an order.",
          "timeoutMs":15000,
          "inputSchema":{"orderNumber":{"type":"string","required":true}},
          "outputSchema":{"status":{"type":"string","required":false,"enum":["open","shipped"]}}}})")
        .as_object();
}

class ClientToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        session = h.createServiceSession();
        h.run(h.core->restoreSession(session));
    }
    JSONValue request(JSONValue::Object input = kInput) {
        return h.run(h.core->requestClientTool({"order_status", "m_1", std::move(input)}));
    }

    ClientHarness h;
    VelmoraSession session;
};

TEST_F(ClientToolsTest, ACallIsRequestedCompletedAndRead) {
    const auto reply = request();
    const std::string callId = *reply.ifObject()->at("callId").ifString();
    EXPECT_TRUE(callId.starts_with("ctc_"));
    const auto sent = h.service.requests("POST", "/api/widget/v1/sessions/" + session.sessionId +
                                                     "/client-tools/request");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(
        sent[0].bodyText(),
        R"({"basisMessageId":"m_1","input":{"orderNumber":"1001"},"toolName":"order_status"})");
    EXPECT_FALSE(sent[0].header("x-velmora-idempotency-key"));

    const auto done = h.run(h.core->completeClientTool({callId, {{"status", "shipped"}}}));
    EXPECT_EQ(*done.ifObject()->at("status").ifString(), "result_ready");
    const auto status = h.run(h.core->clientToolStatus(callId));
    EXPECT_EQ(*status.ifObject()->at("status").ifString(), "result_ready");
}

TEST_F(ClientToolsTest, RequestRepliesAreChecked) {
    const std::string response = "Client tool response is invalid.";
    const std::string requestResponse = "Client tool request response is invalid.";
    const std::string operation = "Client tool operation is invalid.";
    auto tool = [](json::object& r) -> json::object& { return r["tool"].as_object(); };
    struct Case {
        const char* name;
        std::function<void(json::object&)> change;
        std::string message; // empty: accepted
    } cases[] = {
        {"as sent", [](json::object&) {}, ""},
        {"ok given as 1", [](json::object& r) { r["ok"] = 1; }, response},
        {"ok missing", [](json::object& r) { r.erase("ok"); }, response},
        {"continuation missing", [](json::object& r) { r.erase("continuation"); }, response},
        {"other continuation", [](json::object& r) { r["continuation"] = "auto"; }, response},
        {"call id without prefix", [](json::object& r) { r["callId"] = "call_1"; }, response},
        {"unknown status", [](json::object& r) { r["status"] = "done"; }, response},
        {"timeoutMs 999", [&](json::object& r) { tool(r)["timeoutMs"] = 999; }, requestResponse},
        {"timeoutMs 30001", [&](json::object& r) { tool(r)["timeoutMs"] = 30001; },
         requestResponse},
        {"timeoutMs 1000.5", [&](json::object& r) { tool(r)["timeoutMs"] = 1000.5; },
         requestResponse},
        {"timeoutMs 1000", [&](json::object& r) { tool(r)["timeoutMs"] = 1000; }, ""},
        {"timeoutMs 30000", [&](json::object& r) { tool(r)["timeoutMs"] = 30000.0; }, ""},
        {"description of spaces", [&](json::object& r) { tool(r)["description"] = "   "; },
         requestResponse},
        {"description of 500",
         [&](json::object& r) { tool(r)["description"] = std::string(500, 'd'); }, ""},
        {"description of 501",
         [&](json::object& r) { tool(r)["description"] = std::string(501, 'd'); }, requestResponse},
        {"past expiry with fraction",
         [](json::object& r) { r["expiresAt"] = "2001-02-03T04:05:06.789+02:00"; }, ""},
        {"expiry without time", [](json::object& r) { r["expiresAt"] = "2020-01-01"; },
         requestResponse},
        {"tool disabled", [&](json::object& r) { tool(r)["enabled"] = false; }, requestResponse},
        {"another tool", [&](json::object& r) { tool(r)["name"] = "other"; }, requestResponse},
        {"input changed",
         [](json::object& r) {
             r["input"] = json::object{{"orderNumber", 1001}};
         },
         requestResponse},
        {"schema missing", [&](json::object& r) { tool(r).erase("outputSchema"); },
         requestResponse},
        {"enum with type number",
         [&](json::object& r) {
             tool(r)["outputSchema"] =
                 json::parse(R"({"n":{"type":"number","required":true,"enum":["1"]}})");
         },
         operation},
        {"enum repeated",
         [&](json::object& r) {
             tool(r)["outputSchema"] =
                 json::parse(R"({"s":{"type":"string","required":true,"enum":["a","a"]}})");
         },
         operation},
        {"property without required",
         [&](json::object& r) {
             tool(r)["inputSchema"] = json::parse(R"({"s":{"type":"string"}})");
         },
         operation},
        {"sensitive property name",
         [&](json::object& r) {
             tool(r)["inputSchema"] =
                 json::parse(R"({"cardNumber":{"type":"string","required":true}})");
         },
         operation},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto reply = requestReply();
        c.change(reply);
        h.service.answerNext(200, json::serialize(reply));
        if (c.message.empty()) {
            EXPECT_NO_THROW(request());
            continue;
        }
        auto error = expectVelmoraError([&] { request(); });
        EXPECT_EQ(error.message(), c.message);
        EXPECT_EQ(error.code(),
                  c.message == operation ? VelmoraErrorCode::fieldInvalid : VelmoraErrorCode::http);
        EXPECT_FALSE(error.status());
    }
}

TEST_F(ClientToolsTest, StatusAndResultRepliesMustNameTheirCall) {
    h.service.answerNext(
        200, R"({"ok":true,"callId":"ctc_2","status":"ready","continuation":"operator-review"})");
    auto error = expectVelmoraError([&] { h.run(h.core->clientToolStatus("ctc_1")); });
    EXPECT_EQ(error.message(), "Client tool response is invalid.");
    h.service.answerNext(
        200, R"({"ok":true,"callId":"ctc_1","status":"ready","continuation":"operator-review"})");
    EXPECT_NO_THROW(h.run(h.core->clientToolStatus("ctc_1")));
    h.service.answerNext(200, R"({"ok":true,"callId":"ctc_1","status":"ready"})");
    error = expectVelmoraError([&] { h.run(h.core->completeClientTool({"ctc_1", {}})); });
    EXPECT_EQ(error.message(), "Client tool response is invalid.");
}

TEST_F(ClientToolsTest, APayloadOfExactly16384BytesPasses) {
    // Seven texts of 2048 characters and one that brings the encoded object to the limit.
    JSONValue::Object payload;
    for (int i = 0; i < 7; ++i) {
        payload.emplace("a" + std::to_string(i), std::string(2048, 'a'));
    }
    payload.emplace("a7", "");
    const std::size_t base = encodeJSON(JSONValue(payload)).size();
    payload["a7"] = std::string(16384 - base, 'a');
    ASSERT_EQ(encodeJSON(JSONValue(payload)).size(), 16384u);
    h.service.answerNext(200, [&] {
        auto reply = requestReply();
        reply["input"] = detail::parseJSON(encodeJSON(JSONValue(payload)));
        return json::serialize(reply);
    }());
    EXPECT_NO_THROW(request(payload));

    payload["a7"] = *payload["a7"].ifString() + "a";
    auto error = expectVelmoraError([&] { request(payload); });
    EXPECT_EQ(error.message(), "Client tool operation is invalid.");
}

// Arguments are checked before the session, so without one a valid payload reports the session.
TEST(ClientToolArguments, PayloadsAndNamesAreCheckedBeforeTheSession) {
    const std::string session = "Start or resume a session first.";
    const std::string invalid = "Client tool operation is invalid.";
    JSONValue::Object sixteen;
    for (int i = 0; i < 16; ++i) {
        sixteen.emplace("k" + std::to_string(i), i);
    }
    auto seventeen = sixteen;
    seventeen.emplace("k16", 16);
    struct Case {
        const char* name;
        VelmoraClientToolRequest request;
        std::string message;
    } cases[] = {
        {"valid",
         {"order_status", "m_1", {{"accountType", "pro"}, {"n", 1.5}, {"b", false}}},
         session},
        {"16 members", {"order_status", "m_1", sixteen}, session},
        {"17 members", {"order_status", "m_1", seventeen}, invalid},
        {"authorName", {"order_status", "m_1", {{"authorName", "x"}}}, invalid},
        {"discard", {"order_status", "m_1", {{"discard", "x"}}}, invalid},
        {"cardinality", {"order_status", "m_1", {{"cardinality", 1}}}, invalid},
        {"apiKey", {"order_status", "m_1", {{"apiKey", 1}}}, invalid},
        {"constructor", {"order_status", "m_1", {{"constructor", 1}}}, invalid},
        {"capital first", {"order_status", "m_1", {{"Name", 1}}}, invalid},
        {"object value", {"order_status", "m_1", {{"v", JSONValue::Object{}}}}, invalid},
        {"array value", {"order_status", "m_1", {{"v", JSONValue::Array{}}}}, invalid},
        {"null value", {"order_status", "m_1", {{"v", nullptr}}}, invalid},
        {"text of 2048", {"order_status", "m_1", {{"v", std::string(2048, 'x')}}}, session},
        {"text of 2049", {"order_status", "m_1", {{"v", std::string(2049, 'x')}}}, invalid},
        {"tool name", {"Order", "m_1", {}}, invalid},
        {"basis", {"order_status", "m 1", {}}, "Client tool basis is invalid."},
    };
    ClientHarness h;
    for (const auto& c : cases) {
        auto error = expectVelmoraError([&] { h.run(h.core->requestClientTool(c.request)); });
        EXPECT_EQ(error.message(), c.message) << c.name;
    }
    EXPECT_THROW(h.run(h.core->requestClientTool({"order_status", "m_1", {{"v", NAN}}})),
                 VelmoraEncodingError);
    auto error = expectVelmoraError([&] { h.run(h.core->clientToolStatus("call_1")); });
    EXPECT_EQ(error.message(), invalid);
    EXPECT_TRUE(h.service.requests().empty());
}

} // namespace
} // namespace velmora::testing
