#include "support/raw_http_server.hpp"
#include "velmora/error.hpp"
#include "velmora/transport.hpp"

#include <boost/asio/bind_cancellation_slot.hpp>
#include <boost/asio/cancellation_signal.hpp>
#include <boost/asio/error.hpp>
#include <boost/asio/use_future.hpp>
#include <boost/system/system_error.hpp>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace velmora {
namespace {

namespace asio = boost::asio;
using testing::RawConnection;
using testing::RawHttpServer;
using testing::responseHead;

constexpr std::size_t kMiB = 1'048'576;

VelmoraHTTPRequest get(std::string url) {
    VelmoraHTTPRequest request;
    request.url = std::move(url);
    return request;
}

VelmoraHTTPResponse send(VelmoraHTTPTransport& transport, VelmoraHTTPRequest request) {
    return transport.send(std::move(request), asio::use_future).get();
}

template <class F> std::optional<VelmoraError> velmoraErrorOf(F&& f) {
    try {
        f();
    } catch (const VelmoraError& e) {
        return e;
    }
    return std::nullopt;
}

enum class Framing { declared, closeDelimited, chunked };

// Serves `size` bytes of body with the given framing to every request.
RawHttpServer::Script serveBody(std::size_t size, Framing framing, int status = 200) {
    return [=](RawConnection& c, int) {
        while (c.readRequest()) {
            std::string body(size, 'x');
            switch (framing) {
            case Framing::declared:
                c.write(responseHead(status, {"Content-Length: " + std::to_string(size)}) + body);
                break;
            case Framing::closeDelimited:
                c.write(responseHead(status, {"Connection: close"}) + body);
                return;
            case Framing::chunked: {
                c.write(responseHead(status, {"Transfer-Encoding: chunked"}));
                for (std::size_t at = 0; at < size; at += 100000) {
                    std::size_t n = std::min<std::size_t>(100000, size - at);
                    char hex[32];
                    std::snprintf(hex, sizeof hex, "%zx\r\n", n);
                    c.write(std::string(hex) + body.substr(at, n) + "\r\n");
                }
                c.write("0\r\n\r\n");
                break;
            }
            }
        }
    };
}

TEST(TransportTest, OrdinaryLimitHoldsForEveryFraming) {
    VelmoraURLSessionTransport transport;
    for (auto framing : {Framing::declared, Framing::closeDelimited, Framing::chunked}) {
        SCOPED_TRACE(static_cast<int>(framing));
        RawHttpServer exact(serveBody(kMiB, framing));
        auto response = send(transport, get(exact.url("/api/widget/v1/config")));
        EXPECT_EQ(response.statusCode, 200);
        EXPECT_EQ(response.body.size(), kMiB);

        RawHttpServer over(serveBody(kMiB + 1, framing, 201));
        auto error = velmoraErrorOf([&] { send(transport, get(over.url("/x"))); });
        ASSERT_TRUE(error);
        EXPECT_EQ(*error, VelmoraError(VelmoraErrorCode::payloadTooLarge, 201, std::nullopt,
                                       "Velmora response is too large."));
    }
}

TEST(TransportTest, DeclaredLengthOverTheLimitFailsBeforeTheBody) {
    std::promise<bool> peerClosed;
    RawHttpServer server([&](RawConnection& c, int) {
        c.readRequest();
        c.write(responseHead(200, {"Content-Length: 1048577"}));
        // No body follows: the client must give up on the header alone.
        peerClosed.set_value(c.waitForPeerClose(5));
    });
    VelmoraURLSessionTransport transport;
    auto request = get(server.url("/x"));
    request.timeout = std::chrono::seconds(10);
    auto error = velmoraErrorOf([&] { send(transport, request); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), VelmoraErrorCode::payloadTooLarge);
    EXPECT_TRUE(peerClosed.get_future().get());
}

TEST(TransportTest, AttachmentDownloadLimitOnlyForSuccessfulExactGets) {
    struct Case {
        const char* method;
        const char* path;
        int status;
        std::size_t size;
        bool passes;
    };
    const std::string attachment = "/api/widget/v1/sessions/s_1/attachments/att-9";
    const Case cases[] = {
        {"GET", "/api/widget/v1/sessions/s_1/attachments/att-9?token=t", 200, 10 * kMiB, true},
        {"GET", "/api/widget/v1/sessions/s_1/attachments/att-9", 200, 10 * kMiB + 1, false},
        {"GET", "/api/widget/v1/sessions/s_1/attachments/att-9", 404, kMiB + 1, false},
        {"POST", "/api/widget/v1/sessions/s_1/attachments/att-9", 200, kMiB + 1, false},
        {"get", "/api/widget/v1/sessions/s_1/attachments/att-9", 200, kMiB + 1, false},
        {"GET", "/api/widget/v1/sessions/s_1/attachments/att-9/", 200, kMiB + 1, false},
        {"GET", "/api/widget/v1/sessions/s_1/attachments/att-9/x", 200, kMiB + 1, false},
        {"GET", "/api/widget/v1/sessions/s.1/attachments/att-9", 200, kMiB + 1, false},
    };
    VelmoraURLSessionTransport transport;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.path + " " + std::to_string(c.status));
        RawHttpServer server(serveBody(c.size, Framing::declared, c.status));
        auto request = get(server.url(c.path));
        request.method = c.method;
        auto error = velmoraErrorOf([&] {
            auto response = send(transport, request);
            EXPECT_EQ(response.body.size(), c.size);
        });
        EXPECT_EQ(error.has_value(), !c.passes);
        if (error)
            EXPECT_EQ(error->status(), c.status);
    }
}

TEST(TransportTest, RedirectIsTheFinalResponse) {
    RawHttpServer server([](RawConnection& c, int) {
        while (c.readRequest()) {
            c.write(
                responseHead(302, {"Location: /elsewhere", "Content-Length: 5", "X-Kept: yes"}) +
                "moved");
        }
    });
    VelmoraURLSessionTransport transport;
    auto response = send(transport, get(server.url("/start")));
    EXPECT_EQ(response.statusCode, 302);
    EXPECT_EQ(response.header("location"), "/elsewhere");
    EXPECT_EQ(response.header("X-KEPT"), "yes");
    EXPECT_EQ(std::string(response.body.begin(), response.body.end()), "moved");
    EXPECT_EQ(server.connections(), 1);
}

TEST(TransportTest, SendsMethodHeadersAndBodyExactly) {
    std::promise<testing::RawRequest> seen;
    RawHttpServer server([&](RawConnection& c, int) {
        if (auto request = c.readRequest()) {
            seen.set_value(*request);
            c.write(responseHead(500, {"Content-Length: 2"}) + "{}");
        }
    });
    VelmoraURLSessionTransport transport;
    VelmoraHTTPRequest request = get(server.url("/api/widget/v1/sessions?integration=a%26b"));
    request.method = "POST";
    request.headers = {
        {"Content-Type", "application/json"}, {"x-velmora-client", "native-v1"}, {"x-empty", ""}};
    request.body = Data{'{', '"', 0xff, '"', '}'};
    auto response = send(transport, request);
    EXPECT_EQ(response.statusCode, 500); // a failing status is an answer, not an error
    auto received = seen.get_future().get();
    EXPECT_EQ(received.method, "POST");
    EXPECT_EQ(received.target, "/api/widget/v1/sessions?integration=a%26b");
    EXPECT_EQ(received.headers["content-type"], "application/json");
    EXPECT_EQ(received.headers["x-velmora-client"], "native-v1");
    EXPECT_EQ(received.headers.count("x-empty"), 1u);
    EXPECT_EQ(received.headers.count("expect"), 0u);
    EXPECT_EQ(received.body, std::string("{\"\xff\"}"));
}

TEST(TransportTest, HeaderInjectionIsRefusedBeforeAnythingIsSent) {
    RawHttpServer server([](RawConnection& c, int) { c.readRequest(); });
    VelmoraURLSessionTransport transport;
    const std::pair<std::string, std::string> bad[] = {
        {"Authorization", "Bearer a\r\nX-Injected: 1"},
        {"Authorization", "Bearer a\nb"},
        {"Authorization", std::string("Bearer a\0b", 10)},
        {"Bad Name", "v"},
        {"Bad:Name", "v"},
    };
    for (const auto& header : bad) {
        auto request = get(server.url("/x"));
        request.headers = {header};
        auto error = velmoraErrorOf([&] { send(transport, request); });
        ASSERT_TRUE(error) << header.first;
        EXPECT_EQ(error->code(), VelmoraErrorCode::network);
        EXPECT_EQ(error->message(), "Velmora request header is invalid.");
    }
    EXPECT_EQ(server.connections(), 0);
}

TEST(TransportTest, NonHttpUrlIsAnInvalidResponse) {
    VelmoraURLSessionTransport transport;
    auto error = velmoraErrorOf([&] { send(transport, get("ftp://localhost/x")); });
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, VelmoraError(VelmoraErrorCode::network, std::nullopt, std::nullopt,
                                   "Velmora returned an invalid response."));
}

TEST(TransportTest, CancellingMidBodyEndsPromptlyAndDropsTheConnection) {
    std::promise<void> started;
    std::promise<bool> peerClosed;
    RawHttpServer server([&](RawConnection& c, int) {
        c.readRequest();
        c.write(responseHead(200, {"Content-Length: 1000"}) + std::string(10, 'x'));
        started.set_value();
        peerClosed.set_value(c.waitForPeerClose(5));
    });
    VelmoraURLSessionTransport transport;
    asio::cancellation_signal signal;
    auto request = get(server.url("/x"));
    request.timeout = std::chrono::seconds(30);
    auto future =
        transport.send(request, asio::bind_cancellation_slot(signal.slot(), asio::use_future));
    started.get_future().wait();
    auto before = std::chrono::steady_clock::now();
    signal.emit(asio::cancellation_type::terminal);
    try {
        future.get();
        ADD_FAILURE() << "completed";
    } catch (const boost::system::system_error& e) {
        EXPECT_EQ(e.code(), asio::error::operation_aborted);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
    EXPECT_TRUE(peerClosed.get_future().get());
}

TEST(TransportTest, StalledServerHitsTheIdleTimeout) {
    RawHttpServer server([](RawConnection& c, int) {
        c.readRequest();
        c.write(responseHead(200, {"Content-Length: 100"}) + "partial");
        c.waitForPeerClose(10);
    });
    VelmoraURLSessionTransport transport;
    auto request = get(server.url("/x"));
    request.timeout = std::chrono::milliseconds(300);
    EXPECT_THROW(send(transport, request), boost::system::system_error);
}

TEST(TransportTest, ServerDrippingTheBodyStillHitsTheOverallTimeout) {
    // A byte well within every idle time-out, for far longer than ten time-outs in all.
    RawHttpServer server([](RawConnection& c, int) {
        c.readRequest();
        if (!c.write(responseHead(200, {"Content-Length: 500"})))
            return;
        for (int i = 0; i < 500 && c.write("x"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    });
    VelmoraURLSessionTransport transport;
    auto request = get(server.url("/x"));
    request.timeout = std::chrono::milliseconds(300);
    try {
        send(transport, request);
        ADD_FAILURE() << "completed";
    } catch (const boost::system::system_error& e) {
        EXPECT_STREQ(e.code().category().name(), "curl");
        EXPECT_EQ(e.code().value(), 28) << e.what(); // CURLE_OPERATION_TIMEDOUT
    }
}

TEST(TransportTest, RequestOnAReusedConnectionThatDiesIsNeverSentTwice) {
    std::atomic<int> posts{0};
    RawHttpServer server([&](RawConnection& c, int) {
        while (auto request = c.readRequest()) {
            if (request->method == "POST") {
                ++posts;
                return; // read it, then close without answering
            }
            c.write(responseHead(200, {"Content-Length: 2"}) + "ok");
        }
    });
    VelmoraURLSessionTransport transport;
    EXPECT_EQ(send(transport, get(server.url("/warm"))).statusCode, 200);
    for (bool withBody : {true, false}) {
        auto request = get(server.url("/api/widget/v1/sessions"));
        request.method = "POST";
        if (withBody)
            request.body = Data{'{', '}'};
        int before = posts.load();
        EXPECT_ANY_THROW(send(transport, request)) << withBody;
        EXPECT_EQ(posts.load() - before, 1) << withBody;
        // Warm a fresh keep-alive connection for the next round.
        EXPECT_EQ(send(transport, get(server.url("/warm"))).statusCode, 200);
    }
}

TEST(TransportTest, ManyConcurrentRequests) {
    RawHttpServer server(serveBody(1000, Framing::declared));
    VelmoraURLSessionTransport transport;
    std::vector<std::future<VelmoraHTTPResponse>> futures;
    for (int i = 0; i < 40; ++i) {
        futures.push_back(
            transport.send(get(server.url("/n/" + std::to_string(i))), asio::use_future));
    }
    for (auto& f : futures)
        EXPECT_EQ(f.get().body.size(), 1000u);
}

} // namespace
} // namespace velmora
