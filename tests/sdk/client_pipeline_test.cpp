#include "client_harness.hpp"

#include <gtest/gtest.h>

namespace velmora::testing {
namespace {

using tools::FaultScope;

struct EnvelopeCase {
    const char* name;
    int status;
    std::string body;
    std::string contentType;
    VelmoraError expected;
};

VelmoraError err(VelmoraErrorCode code, std::optional<std::int64_t> status,
                 std::optional<std::int64_t> retry, std::string message) {
    return VelmoraError(code, status, retry, std::move(message));
}

TEST(ClientPipelineTest, ErrorAnswersBecomeTheirVelmoraErrors) {
    using C = VelmoraErrorCode;
    const std::string json = "application/json";
    const EnvelopeCase cases[] = {
        {"ok false inside a 2xx", 200,
         R"({"ok":false,"error":{"code":"rate_limited","retryAfterSeconds":30}})", json,
         err(C::rateLimited, 200, 30, "rate_limited")},
        {"unknown code keeps its text", 400, R"({"ok":false,"error":{"code":"teapot"}})", json,
         err(C::http, 400, std::nullopt, "teapot")},
        {"code differing in case is unknown", 400, R"({"error":{"code":"Rate_Limited"}})", json,
         err(C::http, 400, std::nullopt, "Rate_Limited")},
        {"fractional retry voids the envelope", 429,
         R"({"error":{"code":"rate_limited","retryAfterSeconds":1.5}})", json,
         err(C::http, 429, std::nullopt, "Velmora request failed.")},
        {"negative retry taken as is", 503, R"({"error":{"code":"x","retryAfterSeconds":-5}})",
         json, err(C::http, 503, -5, "x")},
        {"no code", 500, R"({"error":{"retryAfterSeconds":2}})", json,
         err(C::http, 500, 2, "Velmora request failed.")},
        {"empty code", 400, R"({"error":{"code":""}})", json, err(C::http, 400, std::nullopt, "")},
        {"no error member", 200, R"({"ok":false})", json,
         err(C::http, 200, std::nullopt, "Velmora request failed.")},
        {"conflict", 409, R"({"ok":false,"error":{"code":"idempotency_conflict"}})", json,
         err(C::idempotencyConflict, 409, std::nullopt, "idempotency_conflict")},
        {"404 not JSON", 404, "<html>gone</html>", "text/html",
         err(C::http, 404, std::nullopt, "Velmora request failed.")},
        {"503 empty", 503, "", "", err(C::http, 503, std::nullopt, "Velmora request failed.")},
        {"204 empty", 204, "", "",
         err(C::http, 204, std::nullopt, "Velmora returned an invalid response shape.")},
        {"ok true but missing fields", 200, R"({"ok":true})", json,
         err(C::http, 200, std::nullopt, "Velmora returned an invalid response shape.")},
    };
    ClientHarness h;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        h.service.answerNext(c.status, c.body, c.contentType);
        auto error = expectVelmoraError([&] { h.run(h.core->loadWidgetAppearance()); });
        EXPECT_EQ(error, c.expected) << error.message();
    }
}

TEST(ClientPipelineTest, SendsTheFixedHeadersAndEscapesQueryValues) {
    ClientHarness::Settings settings;
    settings.integrationId = "x&locale=fr";
    settings.token = "  spaced token"; // (trailing blanks are optional white space in HTTP)
    settings.service.integrations = {};
    ClientHarness h(settings);
    h.run(h.core->loadWidgetAppearance());
    auto requests = h.service.requests("GET", "/api/widget/v1/config");
    ASSERT_EQ(requests.size(), 1u);
    const auto& r = requests[0];
    EXPECT_EQ(r.query, "integration=x%26locale%3Dfr");
    EXPECT_EQ(r.queryItem("integration"), "x&locale=fr");
    EXPECT_EQ(r.queryItem("locale"), std::nullopt);
    EXPECT_EQ(r.header("Accept"), "application/json");
    EXPECT_EQ(r.header("Content-Type"), "application/json"); // also on a GET
    EXPECT_EQ(r.header("x-velmora-client"), "native-v1");
    EXPECT_EQ(r.header("Authorization"), "Bearer   spaced token"); // as the provider gave it
    EXPECT_EQ(r.header("x-velmora-session-token"), std::nullopt);
    EXPECT_TRUE(r.body.empty());
    EXPECT_EQ(h.onStrand([c = h.core] { return c->inFlightRequestCount(); }), 0u);
}

TEST(ClientPipelineTest, UnusableTokensOpenNoConnection) {
    struct Case {
        std::string token;
        std::string message;
    };
    const Case cases[] = {
        {" \n\t\u00a0", "credentialProvider must return a non-empty authorization token."},
        {"", "credentialProvider must return a non-empty authorization token."},
        {"abc\r\nX-Injected: 1",
         "credentialProvider returned an authorization token that cannot be sent in a header."},
        {std::string("abc\0def", 7),
         "credentialProvider returned an authorization token that cannot be sent in a header."},
    };
    for (const auto& c : cases) {
        ClientHarness::Settings settings;
        settings.token = c.token;
        ClientHarness h(settings);
        auto error = expectVelmoraError([&] { h.run(h.core->loadWidgetAppearance()); });
        EXPECT_EQ(error,
                  err(VelmoraErrorCode::invalidConfig, std::nullopt, std::nullopt, c.message));
        EXPECT_TRUE(h.service.requests().empty());
    }
}

TEST(ClientPipelineTest, AnswersAreCappedAtOneMebibyte) {
    ClientHarness h;
    auto session = h.createServiceSession();
    h.run(h.core->restoreSession(session));
    for (bool chunked : {false, true}) {
        h.service.oversizeNext(1'048'576, chunked, FaultScope{"GET", "/api/widget/v1/sessions/"});
        EXPECT_NO_THROW(h.run(h.core->refresh())) << chunked;
        h.service.oversizeNext(1'048'577, chunked, FaultScope{"GET", "/api/widget/v1/sessions/"});
        auto error = expectVelmoraError([&] { h.run(h.core->refresh()); });
        EXPECT_EQ(error, err(VelmoraErrorCode::payloadTooLarge, 200, std::nullopt,
                             "Velmora response is too large."));
    }
}

TEST(ClientPipelineTest, NetworkFailuresBecomeNetworkErrors) {
    ClientHarness h;
    h.service.dropNext();
    auto error = expectVelmoraError([&] { h.run(h.core->loadWidgetAppearance()); });
    EXPECT_EQ(error, err(VelmoraErrorCode::network, std::nullopt, std::nullopt,
                         "Velmora network request failed."));
}

TEST(ClientPipelineTest, CallerCancellationDoesNotAbortTheRequestInFlight) {
    ClientHarness h;
    h.service.delayNext(std::chrono::milliseconds(300));
    asio::cancellation_signal cancel;
    auto future = asio::co_spawn(
        h.core->strand(),
        [core = h.core]() -> asio::awaitable<JSONValue::Object> {
            co_await detail::enterOperation();
            co_return co_await core->loadWidgetAppearance();
        },
        asio::bind_cancellation_slot(cancel.slot(), asio::use_future));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    asio::post(h.core->strand(), [&] { cancel.emit(asio::cancellation_type::terminal); });
    try {
        future.get();
        ADD_FAILURE() << "completed";
    } catch (const boost::system::system_error& e) {
        EXPECT_EQ(e.code(), asio::error::operation_aborted);
    }
    // The request still reached the service and ran to its end.
    EXPECT_EQ(h.service.requests("GET", "/api/widget/v1/config").size(), 1u);
    EXPECT_EQ(h.onStrand([c = h.core] { return c->inFlightRequestCount(); }), 0u);
}

struct GivenUpSend {
    const char* name;
    bool intoSession; // a message into a session, else the session start
};

TEST(ClientPipelineTest, ACallerThatGivesUpOnASendEndsItsRequestAndKeepsItStored) {
    for (const GivenUpSend row : {GivenUpSend{"message", true}, GivenUpSend{"start", false}}) {
        SCOPED_TRACE(row.name);
        ClientHarness h;
        std::string path = "/api/widget/v1/sessions";
        if (row.intoSession) {
            VelmoraSessionStartInput opening;
            opening.message = "An earlier conversation";
            const auto session = h.run(h.core->startSession(opening));
            path += "/" + session.sessionId + "/messages";
        }
        // The service takes the request in and holds its answer far longer than the caller waits.
        tools::Fault held;
        held.scope = FaultScope{"POST", path};
        held.afterCommit = true;
        held.delay = std::chrono::seconds(60);
        h.service.inject(held);
        const auto send = [core = h.core, row]() -> asio::awaitable<void> {
            co_await detail::enterOperation();
            if (row.intoSession) {
                VelmoraMessageInput input;
                input.text = "Still there?";
                input.idempotencyKey = "6F9619FF-8B86-D011-B42D-00C04FC964FF";
                co_await core->sendMessage(input);
            } else {
                VelmoraSessionStartInput input;
                input.message = "Still there?";
                input.idempotencyKey = "6F9619FF-8B86-D011-B42D-00C04FC964FF";
                co_await core->startSession(input);
            }
        };
        asio::cancellation_signal cancel;
        auto future = asio::co_spawn(h.core->strand(), send,
                                     asio::bind_cancellation_slot(cancel.slot(), asio::use_future));
        while (h.service.requests("POST", path).empty() &&
               future.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        asio::post(h.core->strand(), [&] { cancel.emit(asio::cancellation_type::terminal); });
        // Ended by the caller, not by the answer a minute later.
        ASSERT_EQ(future.wait_for(std::chrono::seconds(20)), std::future_status::ready);
        try {
            future.get();
            ADD_FAILURE() << "completed";
        } catch (const boost::system::system_error& e) {
            EXPECT_EQ(e.code(), asio::error::operation_aborted);
        }
        EXPECT_EQ(h.onStrand([c = h.core] { return c->inFlightRequestCount(); }), 0u);
        // Kept for the next attempt under its key.
        if (row.intoSession) {
            const auto entries = h.run(h.stores.outbox->load());
            ASSERT_EQ(entries.size(), 1u);
            EXPECT_EQ(entries[0].id, "6F9619FF-8B86-D011-B42D-00C04FC964FF");
        } else {
            const auto pending = h.run(h.stores.pendingSessionStarts->load("account-a"));
            ASSERT_TRUE(pending);
            EXPECT_EQ(pending->idempotencyKey, "6F9619FF-8B86-D011-B42D-00C04FC964FF");
        }
        // The mutation is free again: the stored bytes go again at once and are recognised (a
        // fresh send under the same key would carry a new timestamp, which the service refuses).
        if (row.intoSession)
            EXPECT_EQ(h.run(h.core->flushOutbox()).size(), 1u);
        else
            EXPECT_TRUE(h.run(h.core->resumeSession()));
        EXPECT_EQ(h.service.requests("POST", path).size(), 2u);
        h.service.stop();
    }
}

} // namespace
} // namespace velmora::testing
