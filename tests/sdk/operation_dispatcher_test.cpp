#include "client_harness.hpp"

#include "client/operation_arguments.hpp"
#include "detail/json.hpp"
#include "detail/uuid.hpp"

#include <gtest/gtest.h>

#include <boost/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace velmora::testing {
namespace {

namespace json = boost::json;

struct OperationCase {
    const char* name;
    std::string text;
    std::string message;
    VelmoraErrorCode code = VelmoraErrorCode::fieldInvalid;
};

// Without a session, an operation whose arguments pass fails with the session message: the
// table can tell a refusal from an operation that was read in full.
const std::string kNoSession = "Start or resume a session first.";

std::string padded(std::string object, std::size_t size) {
    object.insert(1, size - object.size(), ' ');
    return object;
}

std::string nested(std::size_t depth) {
    return std::string(depth, '[') + std::string(depth, ']');
}

TEST(OperationDispatcher, ReadsTheOperationStrictly) {
    const std::string order = R"({"operation":"order-detail","orderRef":"1001"})";
    const std::string line = R"({"operation":"create-commerce-proposal","idempotencyKey":"k",)"
                             R"("input":{"actionId":"shopify_order_cancel","selection":{)"
                             R"("storeReference":"s","orderReference":"o","lineItems":[)";
    const OperationCase cases[] = {
        {"65,536 bytes", padded(order, 65536), kNoSession, VelmoraErrorCode::sessionExpired},
        {"65,537 bytes", padded(order, 65537), "Native operation JSON is invalid."},
        {"not JSON", "operation", "Native operation JSON is invalid."},
        {"a bare string", R"("submit-form")", "Native operation JSON is invalid."},
        {"a bare number", "5", "Native operation JSON is invalid."},
        {"a top-level array", R"([{"operation":"order-detail"}])",
         "Native operation is missing its name."},
        {"an empty object", "{}", "Native operation is missing its name."},
        {"a numeric name", R"({"operation":5})", "Native operation is missing its name."},
        {"a null name", R"({"operation":null})", "Native operation is missing its name."},
        {"unknown before the keys", R"({"operation":"delete-everything","x":1})",
         "Unsupported native operation.", VelmoraErrorCode::unsupported},
        {"an extra key", R"({"operation":"order-detail","orderRef":"1","x":1})",
         "Native operation fields are invalid."},
        {"a missing key", R"({"operation":"order-detail"})",
         "Native operation fields are invalid."},
        {"a required key set to null", R"({"operation":"order-detail","orderRef":null})",
         "Order detail operation is invalid."},
        {"a reference with a slash", R"({"operation":"order-detail","orderRef":"a/b"})",
         "Order detail operation is invalid."},
        {"form values not an object", R"({"operation":"submit-form","requestId":"r1","values":[]})",
         "Form operation is invalid."},
        {"form request id empty", R"({"operation":"submit-form","requestId":"","values":{}})",
         "Form operation is invalid."},
        {"form read in full",
         R"({"operation":"submit-form","requestId":"r1","values":{"a":[1,"x",null,{"b":true}]}})",
         kNoSession, VelmoraErrorCode::sessionExpired},
        {"true given as a quantity", line + R"({"lineItemReference":"li","quantity":true}]}}})",
         "Commerce line item is invalid."},
        {"quantity written as text", line + R"({"lineItemReference":"li","quantity":"2"}]}}})",
         "Commerce line item is invalid."},
        {"quantity 2.0", line + R"({"lineItemReference":"li","quantity":2.0}]}}})", kNoSession,
         VelmoraErrorCode::sessionExpired},
        {"key not text",
         R"({"operation":"create-commerce-proposal","idempotencyKey":5,"input":{}})",
         "Commerce proposal operation is invalid."},
        {"orders without query", R"({"operation":"list-orders"})", kNoSession,
         VelmoraErrorCode::sessionExpired},
        {"orders with an empty query", R"({"operation":"list-orders","query":{}})", kNoSession,
         VelmoraErrorCode::sessionExpired},
        {"query with another key", R"({"operation":"list-orders","query":{"page":"1"}})",
         "Commerce order query is invalid."},
        {"empty cursor", R"({"operation":"list-orders","query":{"cursor":""}})",
         "Commerce order query is invalid."},
        {"numeric cursor", R"({"operation":"list-orders","query":{"cursor":5}})",
         "Commerce order query is invalid."},
        {"confirmed false",
         R"({"operation":"confirm-commerce-proposal","proposalId":"p","idempotencyKey":"k","input":{"confirmed":false}})",
         "Commerce confirmation operation is invalid."},
        {"confirmed as text",
         R"({"operation":"confirm-commerce-proposal","proposalId":"p","idempotencyKey":"k","input":{"confirmed":"true"}})",
         "Commerce confirmation operation is invalid."},
        {"confirmed with a second key",
         R"({"operation":"confirm-commerce-proposal","proposalId":"p","idempotencyKey":"k","input":{"confirmed":true,"x":1}})",
         "Commerce confirmation operation is invalid."},
        {"status of a bad proposal", R"({"operation":"commerce-proposal","proposalId":""})",
         "Commerce proposal status operation is invalid."},
        {"procedure start with a null run",
         R"({"operation":"procedure-action","input":{"action":"start","value":"v","idempotencyKey":"procedure-key-0123456789","procedureId":"p","runId":null}})",
         "Procedure action input is invalid."},
        {"tool status with a stranger",
         R"({"operation":"client-tool-status","callId":"ctc_1","x":1})",
         "Native operation fields are invalid."},
        {"tool request input with an extra member",
         R"({"operation":"request-client-tool","input":{"toolName":"t","basisMessageId":"m","input":{},"x":1}})",
         "Client tool operation is invalid."},
        {"tool result output not an object",
         R"({"operation":"complete-client-tool","input":{"callId":"ctc_1","output":[]}})",
         "Client tool operation is invalid."},
        {"64 levels", nested(64), "Native operation is missing its name."},
        {"65 levels", nested(65), "Native operation JSON is nested too deeply."},
        {"deepest text the size allows", nested(32768),
         "Native operation JSON is nested too deeply."},
        {"brackets inside strings do not count",
         R"({"operation":"order-detail","orderRef":")" + std::string(100, '[') + R"("})",
         "Order detail operation is invalid."},
    };
    ClientHarness h;
    for (const auto& c : cases) {
        auto error = expectVelmoraError([&] { h.run(h.core->performOperation(c.text)); });
        EXPECT_EQ(error.message(), c.message) << c.name;
        EXPECT_EQ(error.code(), c.code) << c.name;
        EXPECT_FALSE(error.status()) << c.name;
    }
    EXPECT_TRUE(h.service.requests().empty());
}

class DispatcherWithSession : public ::testing::Test {
protected:
    void SetUp() override {
        session = h.createServiceSession();
        h.run(h.core->restoreSession(session));
    }
    json::value perform(const std::string& text) {
        return json::parse(h.run(h.core->performOperation(text)));
    }
    ClientHarness h;
    VelmoraSession session;
};

TEST_F(DispatcherWithSession, RunsEachOperationAndAnswersJSON) {
    EXPECT_EQ(perform(R"({"operation":"submit-form","requestId":"r1","values":{"a":1}})"),
              json::parse(R"({"ok":true,"requestId":"r1","status":"submitted"})"));
    EXPECT_EQ(perform(R"({"operation":"procedure-action","input":{"action":"start","value":"v",)"
                      R"("idempotencyKey":"procedure-key-0123456789","procedureId":"returns"}})"),
              json::parse(R"({"ok":true,"sessionId":")" + session.sessionId + R"("})"));
    auto orders = perform(R"({"operation":"list-orders","query":{"cursor":"page_2"}})");
    EXPECT_EQ(orders.at("orders").at(0).at("orderReference"), "1002");
    EXPECT_EQ(perform(R"({"operation":"order-detail","orderRef":"1001"})").at("order").at("name"),
              "#1001");

    auto proposal = perform(
        R"({"operation":"create-commerce-proposal","idempotencyKey":"proposal-key-0123456789",)"
        R"("input":{"actionId":"shopify_order_cancel","selection":{"storeReference":"demo_store",)"
        R"("orderReference":"1001","lineItems":[{"lineItemReference":"li_1","quantity":2.0}]}}})");
    const std::string id(proposal.at("proposalId").as_string());
    const auto sent = h.service.requests("POST", "/api/widget/v1/sessions/" + session.sessionId +
                                                     "/commerce/actions/proposals");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_NE(sent[0].bodyText().find(R"("quantity":2})"), std::string::npos);
    EXPECT_EQ(perform(R"({"operation":"confirm-commerce-proposal","proposalId":")" + id +
                      R"(","idempotencyKey":"confirm-key-0123456789","input":{"confirmed":true}})")
                  .at("state"),
              "confirmed");
    EXPECT_EQ(
        perform(R"({"operation":"commerce-proposal","proposalId":")" + id + R"("})").at("state"),
        "confirmed");

    auto call = perform(R"({"operation":"request-client-tool","input":{"toolName":"order_status",)"
                        R"("basisMessageId":"m_1","input":{"orderNumber":"1001"}}})");
    const std::string callId(call.at("callId").as_string());
    EXPECT_EQ(perform(R"({"operation":"complete-client-tool","input":{"callId":")" + callId +
                      R"(","output":{"status":"shipped"}}})")
                  .at("status"),
              "result_ready");
    EXPECT_EQ(
        perform(R"({"operation":"client-tool-status","callId":")" + callId + R"("})").at("status"),
        "result_ready");
}

/// A PNG file in a scratch folder of the home directory, where local files may be read from.
class ScratchFile {
public:
    explicit ScratchFile(std::size_t bytes = 300)
        : folder_(std::filesystem::path(std::getenv("HOME")) /
                  ("velmora-dispatch-" + detail::uuidString())) {
        std::filesystem::create_directories(folder_);
        for (std::size_t i = 0; i < bytes; ++i)
            data.push_back(static_cast<std::uint8_t>(i * 7));
        std::ofstream(folder_ / "photo.png", std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()),
                   static_cast<std::streamsize>(data.size()));
        uri = "file://" + (folder_ / "photo.png").string();
    }
    ~ScratchFile() { std::filesystem::remove_all(folder_); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    Data data;
    std::string uri;

private:
    std::filesystem::path folder_;
};

std::string descriptor(const std::string& clientId, const std::string& size = "300",
                       const std::string& kind = "image") {
    return R"({"clientId":")" + clientId + R"(","fileName":"photo.png","mimeType":"image/png",)" +
           R"("sizeBytes":)" + size + R"(,"kind":")" + kind + R"("})";
}

std::string intentsOperation(const std::string& messageId, const std::vector<std::string>& list) {
    std::string attachments;
    for (const auto& item : list)
        attachments += (attachments.empty() ? "" : ",") + item;
    return R"({"operation":"attachment-intents","messageId":)" + messageId + R"(,"attachments":[)" +
           attachments + "]}";
}

std::string uploadOperation(const std::string& intent, const std::string& fileUri,
                            const std::string& mimeType) {
    return R"({"operation":"upload-attachment","intent":)" + intent + R"(,"fileUri":)" + fileUri +
           R"(,"mimeType":)" + mimeType + "}";
}

const std::string kIntent = R"({"clientId":"c1","attachmentId":"a_1","uploadUrl":"u",)"
                            R"("uploadToken":"t","expiresAt":"2030-01-01T00:00:00Z"})";

TEST(OperationDispatcher, ReadsAttachmentOperationsBeforeAskingForTheSession) {
    const ScratchFile file;
    const std::string uri = '"' + file.uri + '"';
    const std::string intentInvalid = "Attachment intent operation is invalid.";
    const std::string uploadInvalid = "Attachment upload operation is invalid.";
    const OperationCase cases[] = {
        {"intents read in full", intentsOperation(R"("m_1")", {descriptor("c1"), descriptor("c2")}),
         kNoSession, VelmoraErrorCode::sessionExpired},
        {"intents with a stranger",
         R"({"operation":"attachment-intents","messageId":"m","attachments":[],"x":1})",
         "Native operation fields are invalid."},
        {"numeric message id", intentsOperation("5", {descriptor("c1")}), intentInvalid},
        {"attachments not an array",
         R"({"operation":"attachment-intents","messageId":"m","attachments":{}})", intentInvalid},
        {"one element not an object", intentsOperation(R"("m")", {descriptor("c1"), "1"}),
         intentInvalid},
        {"a bad third descriptor",
         intentsOperation(R"("m")", {descriptor("c1"), descriptor("c2"), descriptor("c3", "0")}),
         "Attachment descriptor is invalid."},
        {"the descriptors come before the message id",
         intentsOperation(R"("a/b")", {descriptor("c1", "300", "pdf")}),
         "Attachment descriptor is invalid."},
        {"a message id with a slash", intentsOperation(R"("a/b")", {descriptor("c1")}),
         intentInvalid},
        {"no descriptors", intentsOperation(R"("m")", {}), intentInvalid},
        {"six descriptors",
         intentsOperation(R"("m")", {descriptor("c1"), descriptor("c2"), descriptor("c3"),
                                     descriptor("c4"), descriptor("c5"), descriptor("c6")}),
         intentInvalid},
        {"one client twice", intentsOperation(R"("m")", {descriptor("c1"), descriptor("c1")}),
         intentInvalid},
        {"upload read in full", uploadOperation(kIntent, uri, R"("IMAGE/PNG")"), kNoSession,
         VelmoraErrorCode::sessionExpired},
        {"upload without a file", R"({"operation":"upload-attachment","intent":{},"mimeType":"x"})",
         "Native operation fields are invalid."},
        {"intent not an object", uploadOperation("[]", uri, R"("image/png")"), uploadInvalid},
        {"numeric file", uploadOperation(kIntent, "5", R"("image/png")"), uploadInvalid},
        {"null MIME type", uploadOperation(kIntent, uri, "null"), uploadInvalid},
        {"intent with an expiry in numbers",
         uploadOperation(R"({"clientId":"c1","attachmentId":"a_1","uploadUrl":"u",)"
                         R"("uploadToken":"t","expiresAt":5})",
                         uri, R"("image/png")"),
         "Attachment intent is invalid."},
        {"a web address",
         uploadOperation(kIntent, R"("https://example.com/a.png")", R"("image/png")"),
         "Attachment fileUri must be a local file URL."},
        {"another MIME type", uploadOperation(kIntent, uri, R"("image/jpeg")"),
         "Attachment MIME type does not match the local file."},
    };
    ClientHarness h;
    for (const auto& c : cases) {
        auto error = expectVelmoraError([&] { h.run(h.core->performOperation(c.text)); });
        EXPECT_EQ(error.message(), c.message) << c.name;
        EXPECT_EQ(error.code(), c.code) << c.name;
        EXPECT_FALSE(error.status()) << c.name;
    }
    EXPECT_TRUE(h.service.requests().empty());
}

TEST_F(DispatcherWithSession, AnnouncesAndUploadsTheFilesOfAnAcceptedMessage) {
    const ScratchFile file;
    const auto accepted =
        h.run(h.core->sendMessage(VelmoraMessageInput{"See the photo", {}, {}, {}, {}, {}}, {}));
    const std::string messageId = *accepted.messageId;

    auto reply = perform(
        intentsOperation('"' + messageId + '"', {descriptor("second"), descriptor("first")}));
    EXPECT_EQ(reply.at("ok"), true);
    const auto& intents = reply.at("intents").as_array();
    ASSERT_EQ(intents.size(), 2u);
    EXPECT_EQ(intents[0].at("clientId"), "second");
    EXPECT_EQ(intents[1].at("clientId"), "first");
    EXPECT_EQ(intents[0].as_object().size(), 5u);
    const auto posts =
        h.service.requests("POST", "/api/widget/v1/sessions/" + session.sessionId + "/messages/" +
                                       messageId + "/attachments/intents");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].queryItem("integration"), "local-demo");
    EXPECT_LT(posts[0].bodyText().find(R"("clientId":"second")"),
              posts[0].bodyText().find(R"("clientId":"first")"));

    // The host hands a granted intent back with its file; the MIME type's case does not matter.
    const std::string intent = json::serialize(intents[1]);
    EXPECT_EQ(perform(uploadOperation(intent, '"' + file.uri + '"', R"("Image/PNG")")),
              json::parse(R"({"ok":true,"attachmentId":)" +
                          json::serialize(intents[1].at("attachmentId")) + "}"));
    const auto puts = h.service.requests("PUT", "/api/widget/v1/uploads/");
    ASSERT_EQ(puts.size(), 1u);
    EXPECT_EQ(puts[0].body, file.data);
    EXPECT_EQ(puts[0].header("content-type"), "image/png");
}

TEST_F(DispatcherWithSession, PassesTheServiceAndUploadRefusalsOn) {
    const ScratchFile file;
    auto error = expectVelmoraError(
        [&] { perform(intentsOperation(R"("m_unknown")", {descriptor("c1")})); });
    EXPECT_EQ(error.status(), 404);

    // An address outside the service is never contacted.
    error = expectVelmoraError([&] {
        perform(uploadOperation(R"({"clientId":"c1","attachmentId":"a_1",)"
                                R"("uploadUrl":"https://elsewhere.example/up","uploadToken":"t",)"
                                R"("expiresAt":"2030-01-01T00:00:00Z"})",
                                '"' + file.uri + '"', R"("image/png")"));
    });
    EXPECT_EQ(error.message(), "Attachment upload URL is not a signed Velmora URL.");
    EXPECT_TRUE(h.service.requests("PUT", "/").empty());
}

TEST(OperationArguments, LineItemsAndIntentsAreReadStrictly) {
    auto commerce = [](const std::string& lineItems) {
        return detail::parseJSON(
                   R"({"actionId":"shopify_order_cancel","selection":{"storeReference":"s",)"
                   R"("orderReference":"o","lineItems":)" +
                   lineItems + "}}")
            .as_object();
    };
    auto message = [&](const std::string& lineItems) {
        try {
            detail::decodeCommerceInput(commerce(lineItems));
            return std::string("read");
        } catch (const VelmoraError& e) {
            return e.message();
        }
    };
    auto items = [](int count) {
        std::string out = "[";
        for (int i = 0; i < count; ++i) {
            out += std::string(i ? "," : "") + R"({"lineItemReference":"li","quantity":1})";
        }
        return out + "]";
    };
    EXPECT_EQ(message(items(100)), "read");
    EXPECT_EQ(message(items(101)), "Commerce line item selection is invalid.");
    EXPECT_EQ(message("null"), "Commerce line item selection is invalid.");
    EXPECT_EQ(message("[1]"), "Commerce line item selection is invalid.");
    for (const char* quantity :
         {"2.5", "0", "-1", "true", "\"2\"", "1e300", "9223372036854775808"}) {
        EXPECT_EQ(
            message(std::string(R"([{"lineItemReference":"li","quantity":)") + quantity + "}]"),
            "Commerce line item is invalid.")
            << quantity;
    }
    EXPECT_EQ(
        detail::decodeCommerceInput(commerce(R"([{"lineItemReference":"li","quantity":2.0}])"))
            .selection.lineItems->at(0)
            .quantity,
        2);

    const std::string intent =
        R"("clientId":"c","attachmentId":"a","uploadUrl":"u","uploadToken":"t")";
    EXPECT_EQ(
        detail::decodeIntent(detail::parseJSON("{" + intent + R"(,"expiresAt":"e"})").as_object()),
        (VelmoraAttachmentUploadIntent{"c", "a", "u", "t", "e"}));
    for (const std::string extra : {R"(,"expiresAt":5)", R"(,"expiresAt":"e","x":"y")", ""}) {
        EXPECT_THROW(
            detail::decodeIntent(detail::parseJSON("{" + intent + extra + "}").as_object()),
            VelmoraError)
            << extra;
    }
}

TEST(OperationArguments, ProcedureInputsReadOptionalKeysOfAnotherTypeAsAbsent) {
    const std::string base =
        R"("action":"answer","value":"v","idempotencyKey":"procedure-key-0123456789","runId":"wr_1",)";
    auto read = [&](const std::string& rest) {
        return detail::decodeProcedureInput(detail::parseJSON("{" + base + rest + "}").as_object());
    };
    const auto input =
        read(R"("expectedUpdatedAt":"2024-01-01T00:00:00.5Z","locale":5,"nativeCommerceUi":"yes")");
    EXPECT_FALSE(input.locale);
    EXPECT_FALSE(input.nativeCommerceUi);
    EXPECT_NO_THROW(read(R"("expectedUpdatedAt":"2024-01-01T00:00:00Z","nativeCommerceUi":true)"));
    for (const char* rest :
         {R"("expectedUpdatedAt":"2024-01-01T00:00:00Z","locale":"fr")",
          R"("expectedUpdatedAt":"2024-01-01T00:00:00Z","nativeCommerceUi":false)",
          R"("locale":"en")"}) {
        EXPECT_THROW(read(rest), VelmoraError) << rest;
    }
}

} // namespace
} // namespace velmora::testing

namespace velmora::testing {
namespace {

// The public client hands the operation text to the dispatcher and its JSON answer back.
TEST(OperationDispatcherThroughTheClient, AnswersWithJSONText) {
    tools::WidgetService service;
    service.start();
    asio::io_context io;
    VelmoraConfiguration configuration(
        service.origin(), "local-demo", "account-a", "en", std::nullopt,
        []() -> asio::awaitable<std::string> { co_return "host-token"; }, 1.0);
    ClientStores stores;
    VelmoraClient client(io.get_executor(), std::move(configuration), stores.outbox,
                         stores.pendingSessionStarts, stores.sessions,
                         stores.pendingAttachmentSends, stores.pendingAttachmentOperations,
                         std::make_shared<VelmoraURLSessionTransport>());
    auto run = [&](auto future) {
        io.run();
        io.restart();
        return future.get();
    };
    const std::string order = R"({"operation":"order-detail","orderRef":"1001"})";
    auto error = expectVelmoraError([&] { run(client.performOperation(order, asio::use_future)); });
    EXPECT_EQ(error.message(), "Start or resume a session first.");

    VelmoraSessionStartInput start;
    start.message = "Hello there";
    run(client.startSession(start, asio::use_future));
    const auto answer = run(client.performOperation(order, asio::use_future));
    EXPECT_TRUE(answer.starts_with(R"({"ok":true,"order":{)")) << answer;
}

} // namespace
} // namespace velmora::testing
