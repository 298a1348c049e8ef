#include "widget_service.hpp"

#include "detail/json.hpp"
#include "input_validation.hpp"
#include "velmora/error.hpp"
#include "velmora/models.hpp"
#include "velmora/transport.hpp"

#include <boost/asio/use_future.hpp>
#include <boost/json.hpp>
#include <boost/system/system_error.hpp>

#include <gtest/gtest.h>

#include <future>
#include <set>
#include <thread>

namespace velmora::tools {
namespace {

namespace asio = boost::asio;
namespace json = boost::json;

constexpr const char* kIntegration = "int-test";
constexpr std::size_t kMiB = 1'048'576;

std::string messageBody(const std::string& text, const std::string& key) {
    return detail::canonicalJSON(json::object{{"integrationPublicId", kIntegration},
                                              {"locale", "en"},
                                              {"message", text},
                                              {"startedAt", "2026-01-01T00:00:00Z"},
                                              {"idempotencyKey", key}});
}

json::object objectOf(const VelmoraHTTPResponse& response) {
    return detail::parseJSON(std::string(response.body.begin(), response.body.end())).as_object();
}

std::string text(const json::object& object, std::string_view key) {
    return std::string(object.at(key).as_string());
}

/// The error code of an error envelope, or "" when the body carries none.
std::string errorCode(const VelmoraHTTPResponse& response) {
    auto body = objectOf(response);
    EXPECT_EQ(body.at("ok"), json::value(false));
    const auto& error = body.at("error").as_object();
    return error.contains("code") ? text(error, "code") : "";
}

struct Started {
    std::string sessionId;
    std::string conversationId;
    std::string token;
    std::string messageId;
};

class WidgetServiceTest : public ::testing::Test {
protected:
    static WidgetService::Options testOptions() {
        WidgetService::Options options;
        options.integrations = {kIntegration};
        // Replies fall due far beyond any test, so that the order of messages never depends on
        // timing; the assistant's test shortens the delay.
        options.assistantDelay = std::chrono::hours(1);
        options.assistantReply = [](std::string_view visitor) {
            return "re: " + std::string(visitor);
        };
        return options;
    }

    void SetUp() override { service->start(); }

    /// Replaces the service by one with these options.
    void use(WidgetService::Options options) {
        service->stop();
        service = std::make_unique<WidgetService>(std::move(options));
        service->start();
    }

    std::string url(const std::string& path, const std::string& integration = kIntegration) {
        return service->origin() + path + "?integration=" + integration;
    }

    VelmoraHTTPRequest request(std::string method, std::string url,
                               std::optional<std::string> body = std::nullopt,
                               VelmoraHTTPHeaders extra = {}) {
        VelmoraHTTPRequest r;
        r.method = std::move(method);
        r.url = std::move(url);
        r.headers = {{"Accept", "application/json"},
                     {"Content-Type", "application/json"},
                     {"x-velmora-client", "native-v1"},
                     {"Authorization", "Bearer visitor-1"}};
        for (auto& header : extra) {
            r.headers.push_back(std::move(header));
        }
        if (body) {
            r.body = Data(body->begin(), body->end());
        }
        r.timeout = std::chrono::seconds(10);
        return r;
    }

    VelmoraHTTPResponse send(VelmoraHTTPRequest r) {
        return transport.send(std::move(r), asio::use_future).get();
    }

    VelmoraHTTPResponse startRaw(const std::string& body, VelmoraHTTPHeaders extra = {}) {
        return send(request("POST", url("/api/widget/v1/sessions"), body, std::move(extra)));
    }

    Started start(const std::string& message, const std::string& key) {
        auto response = startRaw(messageBody(message, key), {{"x-velmora-idempotency-key", key}});
        EXPECT_EQ(response.statusCode, 200);
        auto body = objectOf(response);
        return {text(body, "sessionId"), text(body, "conversationId"), text(body, "sessionToken"),
                text(body, "messageId")};
    }

    VelmoraHTTPResponse post(const Started& session, const std::string& message,
                             const std::string& key) {
        return send(request(
            "POST", messagesURL(session), messageBody(message, key),
            {{"x-velmora-session-token", session.token}, {"x-velmora-idempotency-key", key}}));
    }

    std::string messagesURL(const Started& session) {
        return url("/api/widget/v1/sessions/" + session.sessionId + "/messages");
    }

    json::object read(const Started& session) {
        auto response = send(request("GET", messagesURL(session), std::nullopt,
                                     {{"x-velmora-session-token", session.token}}));
        EXPECT_EQ(response.statusCode, 200);
        return objectOf(response);
    }

    /// Reads until the conversation holds `count` messages (bounded).
    json::object readUntil(const Started& session, std::size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            auto conversation = read(session);
            if (conversation.at("messages").as_array().size() >= count ||
                std::chrono::steady_clock::now() > deadline) {
                return conversation;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    std::unique_ptr<WidgetService> service = std::make_unique<WidgetService>(testOptions());
    // Declared after the service, so its kept-alive connections close before the service stops.
    VelmoraURLSessionTransport transport;
};

TEST_F(WidgetServiceTest, SessionMessageAndTheAssistantsReplies) {
    auto options = testOptions();
    options.assistantDelay = std::chrono::milliseconds(30);
    use(options);
    const auto session = start("  Hello there\n", "key-start-0000000001");
    EXPECT_EQ(session.sessionId.rfind("s_", 0), 0u);
    EXPECT_FALSE(session.token.empty());
    ASSERT_EQ(readUntil(session, 2).at("messages").as_array().size(), 2u);

    auto accepted = post(session, "Where is my order?", "key-message-00000001");
    ASSERT_EQ(accepted.statusCode, 200);
    auto acceptedBody = objectOf(accepted);
    EXPECT_EQ(acceptedBody.at("ok"), json::value(true));
    EXPECT_EQ(text(acceptedBody, "sessionId"), session.sessionId);
    EXPECT_EQ(text(acceptedBody, "conversationId"), session.conversationId);
    EXPECT_EQ(text(acceptedBody, "status"), "accepted");
    const auto messageId = text(acceptedBody, "messageId");

    auto conversation = readUntil(session, 4);
    EXPECT_EQ(text(conversation, "sessionId"), session.sessionId);
    EXPECT_EQ(text(conversation, "conversationId"), session.conversationId);
    EXPECT_EQ(conversation.at("support"), (json::object{{"state", "ai"}}));
    EXPECT_EQ(conversation.at("conversationRevision").to_number<std::int64_t>(), 4);
    const auto& messages = conversation.at("messages").as_array();
    ASSERT_EQ(messages.size(), 4u);
    struct Expected {
        std::string id, direction, authorKind, bodyText;
    };
    // The stored text is trimmed.
    const std::vector<Expected> expected = {
        {session.messageId, "outbound", "customer", "Hello there"},
        {"", "inbound", "ai", "re: Hello there"},
        {messageId, "outbound", "customer", "Where is my order?"},
        {"", "inbound", "ai", "re: Where is my order?"},
    };
    std::set<std::string> ids;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const auto& m = messages[i].as_object();
        if (!expected[i].id.empty()) {
            EXPECT_EQ(text(m, "id"), expected[i].id) << i;
        }
        ids.insert(text(m, "id"));
        EXPECT_EQ(text(m, "conversationId"), session.conversationId) << i;
        EXPECT_EQ(text(m, "direction"), expected[i].direction) << i;
        EXPECT_EQ(text(m, "authorKind"), expected[i].authorKind) << i;
        EXPECT_EQ(text(m, "bodyText"), expected[i].bodyText) << i;
        EXPECT_EQ(text(m, "deliveryStatus"), "sent") << i;
        EXPECT_EQ(text(m, "sentAt").size(), 20u) << i;
    }
    EXPECT_EQ(ids.size(), 4u);
}

TEST_F(WidgetServiceTest, AnswersDecodeAsTheSdksRecords) {
    auto bodyText = [](const VelmoraHTTPResponse& response) {
        return std::string(response.body.begin(), response.body.end());
    };
    auto started = startRaw(messageBody("Hello there", "key-records-0000001"));
    const auto session = decodeJSON<VelmoraSession>(bodyText(started));
    EXPECT_NO_THROW(detail::VelmoraInputValidation::requireSession(session));
    ASSERT_TRUE(session.conversationId.has_value());
    const Started s{session.sessionId, *session.conversationId, session.sessionToken, ""};

    const auto accepted = decodeJSON<VelmoraAcceptedMessage>(
        bodyText(post(s, "Second message", "key-records-0000002")));
    EXPECT_EQ(accepted.sessionId, session.sessionId);
    EXPECT_TRUE(accepted.messageId.has_value());

    service->postServiceMessage(session.sessionId, "ai", "An answer");
    const auto snapshot = decodeJSON<VelmoraSnapshot>(
        bodyText(send(request("GET", messagesURL(s), std::nullopt,
                              {{"x-velmora-session-token", session.sessionToken}}))));
    ASSERT_EQ(snapshot.messages.size(), 3u);
    EXPECT_EQ(snapshot.messages[1].id, *accepted.messageId);
    EXPECT_EQ(snapshot.messages[2].authorKind, "ai");
    ASSERT_TRUE(snapshot.support.has_value());
    EXPECT_EQ(snapshot.support->state, "ai");
    EXPECT_EQ(snapshot.conversationRevision, 3);
}

TEST_F(WidgetServiceTest, ResumeAnswersTheLatestSessionOfTheSameCredential) {
    auto resume = [&](const std::string& bearer) {
        auto r = request("POST", url("/api/widget/v1/sessions/resume"), std::string());
        r.headers[3].second = "Bearer " + bearer;
        return objectOf(send(r));
    };
    EXPECT_EQ(resume("visitor-1"), (json::object{{"ok", true}}));
    start("First one", "key-resume-00000001");
    const auto latest = start("Second one", "key-resume-00000002");
    EXPECT_EQ(resume("visitor-1"), (json::object{{"ok", true},
                                                 {"sessionId", latest.sessionId},
                                                 {"conversationId", latest.conversationId},
                                                 {"sessionToken", latest.token}}));
    EXPECT_EQ(resume("visitor-2"), (json::object{{"ok", true}}));
}

TEST_F(WidgetServiceTest, IdempotentReplayAndConflict) {
    const auto session = start("Hello there", "key-replay-start-001");
    const std::string key = "key-replay-msg-00001";
    auto first = post(session, "Once only", key);
    ASSERT_EQ(first.statusCode, 200);

    // Same key, same bytes: the same answer, and nothing new is stored.
    auto again = post(session, "Once only", key);
    EXPECT_EQ(again.statusCode, 200);
    EXPECT_EQ(again.body, first.body);
    auto replayedStart = startRaw(messageBody("Hello there", "key-replay-start-001"));
    EXPECT_EQ(text(objectOf(replayedStart), "sessionId"), session.sessionId);

    // Same key, other bytes: a conflict, whether the key travels in the header or the body only.
    auto conflict = post(session, "Something else", key);
    EXPECT_EQ(conflict.statusCode, 409);
    EXPECT_EQ(errorCode(conflict), "idempotency_conflict");
    auto startConflict = startRaw(messageBody("Other start", "key-replay-start-001"));
    EXPECT_EQ(startConflict.statusCode, 409);
    EXPECT_EQ(errorCode(startConflict), "idempotency_conflict");

    auto conversation = read(session);
    std::size_t customerMessages = 0;
    for (const auto& m : conversation.at("messages").as_array()) {
        customerMessages += text(m.as_object(), "authorKind") == "customer";
    }
    EXPECT_EQ(customerMessages, 2u);
}

TEST_F(WidgetServiceTest, RefusedRequests) {
    const auto session = start("Hello there", "key-refused-0000001");
    struct Case {
        const char* name;
        VelmoraHTTPRequest request;
        int status;
        std::string code;
    };
    auto withoutHeader = [](VelmoraHTTPRequest r, const std::string& name) {
        std::erase_if(r.headers, [&](const auto& h) { return h.first == name; });
        return r;
    };
    auto readWith = [&](const std::string& token) {
        return request("GET", messagesURL(session), std::nullopt,
                       {{"x-velmora-session-token", token}});
    };
    auto emptyBearer = request("GET", url("/api/widget/v1/config"));
    emptyBearer.headers[3].second = "Bearer  ";
    const std::vector<Case> cases = {
        {"unknown integration", request("GET", url("/api/widget/v1/config", "other")), 403,
         "integration_disabled"},
        {"no integration", request("GET", service->origin() + "/api/widget/v1/config"), 403,
         "integration_disabled"},
        {"no client header",
         withoutHeader(request("GET", url("/api/widget/v1/config")), "x-velmora-client"), 400,
         "client_unsupported"},
        {"no authorization",
         withoutHeader(request("GET", url("/api/widget/v1/config")), "Authorization"), 401,
         "unauthorized"},
        {"blank bearer token", emptyBearer, 401, "unauthorized"},
        {"wrong session token", readWith("st_wrong"), 401, "session_expired"},
        {"no session token", withoutHeader(readWith(session.token), "x-velmora-session-token"), 401,
         "session_expired"},
        {"unknown session",
         request("GET", url("/api/widget/v1/sessions/s_999/messages"), std::nullopt,
                 {{"x-velmora-session-token", session.token}}),
         401, "session_expired"},
        {"body not JSON", request("POST", url("/api/widget/v1/sessions"), "{nope"), 400,
         "field_invalid"},
        {"message missing",
         request(
             "POST", url("/api/widget/v1/sessions"),
             R"({"idempotencyKey":"key-refused-0000002","integrationPublicId":"int-test","locale":"en","startedAt":"x"})"),
         400, "field_invalid"},
        {"blank message",
         request("POST", url("/api/widget/v1/sessions"), messageBody(" \n", "key-refused-0000003")),
         400, "field_invalid"},
        {"header and body keys differ",
         request("POST", url("/api/widget/v1/sessions"),
                 messageBody("Hello", "key-refused-0000004"),
                 {{"x-velmora-idempotency-key", "key-refused-0000005"}}),
         400, "field_invalid"},
        {"unknown path", request("GET", url("/api/widget/v1/nothing")), 404, "not_found"},
        {"wrong method", request("GET", url("/api/widget/v1/sessions")), 405, "method_not_allowed"},
    };
    for (const auto& c : cases) {
        auto response = send(c.request);
        EXPECT_EQ(response.statusCode, c.status) << c.name;
        EXPECT_EQ(errorCode(response), c.code) << c.name;
    }
    EXPECT_EQ(read(session).at("messages").as_array().size(), 1u);
}

TEST_F(WidgetServiceTest, OneAcceptedBearerToken) {
    auto options = testOptions();
    options.bearerToken = "secret";
    use(options);
    auto r = request("GET", url("/api/widget/v1/config"));
    EXPECT_EQ(send(r).statusCode, 401);
    r.headers[3].second = "Bearer secret";
    EXPECT_EQ(send(r).statusCode, 200);
}

TEST_F(WidgetServiceTest, ConfigurationAndContentPerLocale) {
    auto config = send(request("GET", url("/api/widget/v1/config")));
    ASSERT_EQ(config.statusCode, 200);
    EXPECT_EQ(std::string(config.body.begin(), config.body.end()),
              WidgetService::defaultConfigurationBody());
    // The integration's appearance alone, as presenters lay host options over it: no design
    // document keys.
    const auto configuration = objectOf(config);
    const auto& appearance = configuration.at("config").at("appearance").as_object();
    EXPECT_EQ(appearance.at("mode"), json::value("system"));
    EXPECT_FALSE(appearance.contains("schemaVersion"));
    EXPECT_FALSE(appearance.contains("locale"));

    for (const char* locale : {"en", "de", "es", "uk"}) {
        auto content = send(request("GET", url("/api/widget/v1/content") + "&locale=" + locale));
        ASSERT_EQ(content.statusCode, 200) << locale;
        auto body = objectOf(content);
        EXPECT_EQ(text(body, "locale"), locale);
        // Every message key the behaviour refers to has a text.
        const auto& messages = body.at("messages").as_object();
        std::function<void(const json::value&)> visit = [&](const json::value& value) {
            if (const auto* object = value.if_object()) {
                for (const auto& [key, member] : *object) {
                    if (key.ends_with("Key") && member.is_string()) {
                        EXPECT_TRUE(messages.contains(member.as_string()))
                            << locale << " " << member;
                    }
                    visit(member);
                }
            } else if (const auto* array = value.if_array()) {
                for (const auto& element : *array) {
                    visit(element);
                }
            }
        };
        visit(body.at("behavior"));
    }
    auto unknown = send(request("GET", url("/api/widget/v1/content") + "&locale=fr"));
    EXPECT_EQ(unknown.statusCode, 404);
    EXPECT_EQ(errorCode(unknown), "content_not_found");
}

TEST_F(WidgetServiceTest, RecordsEveryRequestAsSent) {
    const std::string body = messageBody("Caf\u00e9 \xF0\x9F\x98\x80", "key-record-00000001");
    startRaw(body, {{"X-Custom", "  spaced  "}});
    send(request("GET", service->origin() + "/api/widget/v1/config?integration=int%2Dtest&b=%20"));
    auto requests = service->requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].path, "/api/widget/v1/sessions");
    EXPECT_EQ(requests[0].query, "integration=int-test");
    EXPECT_EQ(requests[0].bodyText(), body);
    EXPECT_EQ(requests[0].header("x-custom"), "spaced"); // the HTTP library trims header values
    EXPECT_EQ(requests[0].header("AUTHORIZATION"), "Bearer visitor-1");
    EXPECT_EQ(requests[0].header("x-velmora-session-token"), std::nullopt);
    EXPECT_EQ(requests[1].query, "integration=int%2Dtest&b=%20");
    EXPECT_EQ(requests[1].queryItem("integration"), "int-test");
    EXPECT_EQ(requests[1].queryItem("b"), " ");
    EXPECT_EQ(service->requests("POST", "/api/widget/v1/sessions").size(), 1u);
    EXPECT_EQ(service->requests("", "/api/widget/v1/config").size(), 1u);
    service->clearRequests();
    EXPECT_TRUE(service->requests().empty());
}

TEST_F(WidgetServiceTest, FailNextAnswersTheEnvelopeForMatchingRequestsOnly) {
    service->failNext(429, "rate_limited", 30, FaultScope{"GET", "/api/widget/v1/config", 2});
    service->failNext(503);
    auto content = send(request("GET", url("/api/widget/v1/content") + "&locale=en"));
    EXPECT_EQ(content.statusCode, 503); // the second fault matches any request
    EXPECT_EQ(std::string(content.body.begin(), content.body.end()), R"({"ok":false,"error":{}})");
    for (int i = 0; i < 2; ++i) {
        auto config = send(request("GET", url("/api/widget/v1/config")));
        EXPECT_EQ(config.statusCode, 429);
        EXPECT_EQ(std::string(config.body.begin(), config.body.end()),
                  R"({"ok":false,"error":{"code":"rate_limited","retryAfterSeconds":30}})");
    }
    EXPECT_EQ(send(request("GET", url("/api/widget/v1/config"))).statusCode, 200);

    service->failNext(500, "internal");
    service->clearFaults();
    EXPECT_EQ(send(request("GET", url("/api/widget/v1/config"))).statusCode, 200);
}

TEST_F(WidgetServiceTest, FailAfterCommitKeepsTheEffectForTheRetry) {
    const auto session = start("Hello there", "key-lostack-000001");
    Fault lostAnswer;
    lostAnswer.scope = {"POST", "/api/widget/v1/sessions/" + session.sessionId, 1};
    lostAnswer.action = Fault::Action::fail;
    lostAnswer.status = 503;
    lostAnswer.afterCommit = true;
    service->inject(lostAnswer);
    EXPECT_EQ(post(session, "Stored anyway", "key-lostack-000002").statusCode, 503);
    auto retry = post(session, "Stored anyway", "key-lostack-000002");
    EXPECT_EQ(retry.statusCode, 200);
    const auto conversation = read(session);
    const auto& messages = conversation.at("messages").as_array();
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(text(objectOf(retry), "messageId"), text(messages[1].as_object(), "id"));
}

TEST_F(WidgetServiceTest, DropClosesTheConnectionWithoutAnAnswer) {
    const auto session = start("Hello there", "key-drop-000000001");
    const FaultScope messages{"POST", "/api/widget/v1/sessions/", 1};

    service->dropNext(messages);
    EXPECT_THROW(post(session, "Never stored", "key-drop-000000002"), boost::system::system_error);
    service->dropNextAfterCommit(messages);
    EXPECT_THROW(post(session, "Stored before the drop", "key-drop-000000003"),
                 boost::system::system_error);

    std::vector<std::string> customerTexts;
    const auto conversation = read(session);
    for (const auto& m : conversation.at("messages").as_array()) {
        if (text(m.as_object(), "authorKind") == "customer") {
            customerTexts.push_back(text(m.as_object(), "bodyText"));
        }
    }
    EXPECT_EQ(customerTexts, (std::vector<std::string>{"Hello there", "Stored before the drop"}));
    // Both dropped requests were read and recorded.
    EXPECT_EQ(service->requests("POST", "/api/widget/v1/sessions/" + session.sessionId).size(), 2u);
    // The retry of the committed one is a replay.
    EXPECT_EQ(post(session, "Stored before the drop", "key-drop-000000003").statusCode, 200);
}

TEST_F(WidgetServiceTest, DelayedAnswerOutlastsTheClientsTimeout) {
    service->delayNext(std::chrono::seconds(30), FaultScope{"GET", "/api/widget/v1/config", 1});
    auto slow = request("GET", url("/api/widget/v1/config"));
    slow.timeout = std::chrono::milliseconds(200);
    EXPECT_THROW(send(slow), boost::system::system_error);
    // A short delay ends in the ordinary answer.
    service->delayNext(std::chrono::milliseconds(20));
    EXPECT_EQ(send(request("GET", url("/api/widget/v1/config"))).statusCode, 200);
    // The long delay still holds its handler; stopping the service cuts it short.
    service->stop();
}

TEST_F(WidgetServiceTest, OversizedAnswersKeepTheirContentAndHitTheLimit) {
    const auto session = start("Hello there", "key-big-0000000001");
    for (bool chunked : {false, true}) {
        SCOPED_TRACE(chunked);
        service->oversizeNext(kMiB, chunked);
        auto exact = read(session); // still a whole conversation, padded
        EXPECT_EQ(text(exact, "sessionId"), session.sessionId);
        EXPECT_GT(text(exact, "padding").size(), 1000u);
        service->oversizeNext(kMiB, chunked);
        auto response = send(request("GET", messagesURL(session), std::nullopt,
                                     {{"x-velmora-session-token", session.token}}));
        EXPECT_EQ(response.body.size(), kMiB);
        EXPECT_EQ(response.header("content-length").has_value(), !chunked);

        service->oversizeNext(kMiB + 1, chunked);
        try {
            read(session);
            ADD_FAILURE() << "an answer over the limit was accepted";
        } catch (const VelmoraError& error) {
            EXPECT_EQ(error.code(), VelmoraErrorCode::payloadTooLarge);
        }
    }
}

TEST_F(WidgetServiceTest, AnswerNextSendsAnyBody) {
    struct Case {
        int status;
        std::string body;
        std::string contentType;
    };
    const std::vector<Case> cases = {
        {200, R"({"ok":false,"error":{"code":"rate_limited"}})", "application/json"},
        {204, "", ""},
        {404, "<html>not here</html>", "text/html"},
        {418, R"({"ok":false,"error":{"code":"brand_new_code","retryAfterSeconds":1.5}})",
         "application/json"},
    };
    for (const auto& c : cases) {
        service->answerNext(c.status, c.body, c.contentType);
        auto response = send(request("GET", url("/api/widget/v1/config")));
        EXPECT_EQ(response.statusCode, c.status);
        EXPECT_EQ(std::string(response.body.begin(), response.body.end()), c.body);
        EXPECT_EQ(response.header("content-type").value_or(""), c.contentType);
    }
}

TEST_F(WidgetServiceTest, ServiceMessagesAndSupportState) {
    const auto session = start("Hello there", "key-teammate-000001");
    const auto id = service->postServiceMessage(session.sessionId, "teammate", "A person here");
    service->setSupportState(session.sessionId, "teammate-joined");
    const auto conversation = read(session);
    const auto& last = conversation.at("messages").as_array().back().as_object();
    EXPECT_EQ(text(last, "id"), id);
    EXPECT_EQ(text(last, "authorKind"), "teammate");
    EXPECT_EQ(text(last, "direction"), "inbound");
    EXPECT_EQ(conversation.at("support").at("state"), json::value("teammate-joined"));
    EXPECT_EQ(conversation.at("conversationRevision"), json::value(3));
    EXPECT_THROW(service->postServiceMessage("s_404", "ai", "x"), std::out_of_range);
}

TEST_F(WidgetServiceTest, ProcedureStateIsReportedUntilChanged) {
    const auto session = start("Hello there", "key-procedure-00001");
    EXPECT_FALSE(read(session).contains("procedureAction"));
    service->setProcedureState(session.sessionId, R"({"procedureId":"p","runId":"wr_1"})",
                               R"([{"procedureId":"p"}])");
    auto conversation = read(session);
    EXPECT_EQ(conversation.at("procedureAction").at("runId"), json::value("wr_1"));
    EXPECT_EQ(conversation.at("procedureQuickActions").as_array().size(), 1u);
    EXPECT_EQ(read(session).at("procedureAction"), conversation.at("procedureAction"));
    service->setProcedureState(session.sessionId, std::nullopt, std::nullopt);
    conversation = read(session);
    EXPECT_FALSE(conversation.contains("procedureAction"));
    EXPECT_FALSE(conversation.contains("procedureQuickActions"));
    // Refused before anything changes.
    EXPECT_THROW(service->setProcedureState(session.sessionId, "{", std::nullopt),
                 std::invalid_argument);
    EXPECT_THROW(service->setProcedureState(session.sessionId, std::nullopt, "{}"),
                 std::invalid_argument);
    EXPECT_THROW(service->setProcedureState("s_404", std::nullopt, std::nullopt),
                 std::out_of_range);
}

TEST_F(WidgetServiceTest, ControlOverHttp) {
    auto control = [&](const std::string& method, const std::string& path,
                       std::optional<std::string> body = std::nullopt) {
        VelmoraHTTPRequest r;
        r.method = method;
        r.url = service->origin() + std::string(WidgetService::controlPrefix) + path;
        if (body) {
            r.body = Data(body->begin(), body->end());
        }
        return send(r);
    };
    const auto session = start("Hello there", "key-control-000001");

    auto added =
        control("POST", "faults",
                R"({"method":"GET","pathPrefix":"/api/widget/v1/config","times":2,)"
                R"("action":"fail","status":429,"code":"rate_limited","retryAfterSeconds":7})");
    EXPECT_EQ(added.statusCode, 200);
    for (int i = 0; i < 2; ++i) {
        auto failed = send(request("GET", url("/api/widget/v1/config")));
        EXPECT_EQ(failed.statusCode, 429);
        EXPECT_EQ(objectOf(failed).at("error").at("retryAfterSeconds"), json::value(7));
    }
    EXPECT_EQ(send(request("GET", url("/api/widget/v1/config"))).statusCode, 200);

    EXPECT_EQ(control("POST", "faults", R"({"action":"answer","status":204,"contentType":""})")
                  .statusCode,
              200);
    EXPECT_EQ(send(request("GET", url("/api/widget/v1/config"))).statusCode, 204);
    EXPECT_EQ(control("POST", "faults", R"({"action":"drop"})").statusCode, 200);
    EXPECT_EQ(control("POST", "faults/clear").statusCode, 200);
    EXPECT_EQ(send(request("GET", url("/api/widget/v1/config"))).statusCode, 200);

    auto posted = control("POST", "sessions/" + session.sessionId + "/messages",
                          R"({"authorKind":"teammate","text":"Hi from a person"})");
    EXPECT_EQ(posted.statusCode, 200);
    EXPECT_EQ(control("POST", "sessions/" + session.sessionId + "/support",
                      R"({"state":"waiting-for-teammate"})")
                  .statusCode,
              200);
    EXPECT_EQ(read(session).at("support").at("state"), json::value("waiting-for-teammate"));
    EXPECT_EQ(control("POST", "sessions/s_404/support", R"({"state":"x"})").statusCode, 404);

    // The record lists widget API requests only, never the control requests themselves.
    auto listed =
        objectOf(control("GET", "requests?method=POST&pathPrefix=/api/widget/v1/sessions"));
    const auto& requests = listed.at("requests").as_array();
    ASSERT_EQ(requests.size(), 1u);
    const auto& first = requests[0].as_object();
    EXPECT_EQ(text(first, "path"), "/api/widget/v1/sessions");
    EXPECT_EQ(text(first, "query"), "integration=int-test");
    EXPECT_EQ(text(first, "body"), messageBody("Hello there", "key-control-000001"));
    EXPECT_FALSE(text(first, "bodyBase64").empty());
    EXPECT_EQ(objectOf(control("GET", "requests")).at("requests").as_array().size(),
              service->requests().size());
    EXPECT_EQ(control("POST", "requests/clear").statusCode, 200);
    EXPECT_TRUE(service->requests().empty());

    for (const char* bad : {"{nope", "[]", R"({"action":"explode"})", R"({"times":0})",
                            R"({"status":"500"})", R"({"delayMs":-1})", R"({"times":1.5})"}) {
        auto refused = control("POST", "faults", bad);
        EXPECT_EQ(refused.statusCode, 400) << bad;
        EXPECT_EQ(errorCode(refused), "field_invalid") << bad;
    }
    EXPECT_EQ(control("GET", "nothing").statusCode, 404);
}

TEST_F(WidgetServiceTest, BurstOfConcurrentRequests) {
    const auto session = start("Hello there", "key-burst-00000001");
    std::vector<std::future<VelmoraHTTPResponse>> futures;
    for (int i = 0; i < 60; ++i) {
        auto r = i % 2 == 0 ? request("GET", url("/api/widget/v1/config"))
                            : request("POST", messagesURL(session),
                                      messageBody("Message " + std::to_string(i),
                                                  "key-burst-" + std::to_string(100000000 + i)),
                                      {{"x-velmora-session-token", session.token}});
        futures.push_back(transport.send(std::move(r), asio::use_future));
    }
    for (auto& f : futures) {
        EXPECT_EQ(f.get().statusCode, 200);
    }
    EXPECT_EQ(service->requests().size(), 61u);
}

TEST_F(WidgetServiceTest, StopsWithKeptAliveConnectionsAndRestartsWithItsState) {
    const auto session = start("Hello there", "key-restart-000001");
    const auto port = service->port();
    service->stop(); // the transport still holds a kept-alive connection
    EXPECT_THROW(send(request("GET", url("/api/widget/v1/config"))), boost::system::system_error);
    service->stop();
    ASSERT_EQ(service->start(port), port);
    EXPECT_EQ(text(read(session), "sessionId"), session.sessionId);
    EXPECT_THROW(service->start(), std::runtime_error);
}

} // namespace
} // namespace velmora::tools
