#include "velmora/decoding_error.hpp"
#include "velmora/models.hpp"

#include "record_coding_support.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace velmora {
namespace {

using Kind = VelmoraDecodingError::Kind;
using testing::decodingFailure;
using testing::expectStableRoundTrip;
using testing::failed;
using testing::Failure;

VelmoraMessage fullMessage() {
    return VelmoraMessage{
        .id = "m1",
        .conversationId = "c1",
        .direction = "inbound",
        .authorKind = "ai",
        .bodyText = "Your order ships today.",
        .bodyMarkdown = "Your order ships **today**.",
        .sentAt = "2026-01-02T03:04:05Z",
        .deliveryStatus = "delivered",
        .attachments = std::vector<VelmoraAttachment>{{
            .id = "att_1",
            .fileName = "label.pdf",
            .mimeType = "application/pdf",
            .kind = "file",
            .sizeBytes = 1024,
            .downloadUrl = "https://files.example.com/att_1",
        }},
        .conversationForm =
            JSONValue(JSONValue::Object{{"requestId", "fr_1"}, {"name", "Contact"}}),
        .commerceResult = JSONValue(JSONValue::Array{2.5, "x", true, nullptr}),
    };
}

TEST(ConversationRecordsTest, EveryRecordEncodesInDeclarationOrderAndRoundTrips) {
    expectStableRoundTrip(VelmoraSession{"s1", "c1", "tok"},
                          R"({"sessionId":"s1","conversationId":"c1","sessionToken":"tok"})");
    expectStableRoundTrip(VelmoraSession{"s1", std::nullopt, "tok"},
                          R"({"sessionId":"s1","sessionToken":"tok"})");

    const VelmoraPrefill prefill{"Ada", "ada@example.com", "Refund", "Hello",
                                 JSONValue::Object{{"plan", "pro"}, {"seats", 3}}};
    expectStableRoundTrip(
        prefill,
        R"({"name":"Ada","email":"ada@example.com","subject":"Refund","message":"Hello","fields":{"plan":"pro","seats":3}})");
    expectStableRoundTrip(VelmoraPrefill{}, "{}");

    expectStableRoundTrip(
        VelmoraSessionStartInput{"Where is my order?", "key-1", prefill,
                                 JSONValue::Object{{"source", "app"}}, "Europe/Paris", "ts",
                                 "2026-01-02T03:04:05Z"},
        R"({"message":"Where is my order?","idempotencyKey":"key-1","prefill":{"name":"Ada","email":"ada@example.com","subject":"Refund","message":"Hello","fields":{"plan":"pro","seats":3}},"metadata":{"source":"app"},"timeZone":"Europe\/Paris","turnstileToken":"ts","startedAt":"2026-01-02T03:04:05Z"})");
    expectStableRoundTrip(VelmoraSessionStartInput{.message = "Hi"}, R"({"message":"Hi"})");

    expectStableRoundTrip(
        VelmoraMessageInput{"Thanks", "key-2", "2026-01-02T03:04:05Z",
                            JSONValue::Object{{"b", 1}, {"a", nullptr}}, "UTC", "ts"},
        R"({"text":"Thanks","idempotencyKey":"key-2","startedAt":"2026-01-02T03:04:05Z","metadata":{"a":null,"b":1},"timeZone":"UTC","turnstileToken":"ts"})");
    expectStableRoundTrip(VelmoraMessageInput{.text = ""}, R"({"text":""})");

    expectStableRoundTrip(VelmoraAttachment{}, "{}");
    expectStableRoundTrip(
        VelmoraAttachmentDraft("d1", "photo.jpg", "image/jpeg", "image", {0, 255}),
        R"({"id":"d1","fileName":"photo.jpg","mimeType":"image\/jpeg","kind":"image","data":"AP8="})");
    expectStableRoundTrip(
        VelmoraAttachmentUploadIntent{"d1", "att_1", "https://up.example.com/x?sig=1", "utok",
                                      "2026-01-02T03:19:05Z"},
        R"({"clientId":"d1","attachmentId":"att_1","uploadUrl":"https:\/\/up.example.com\/x?sig=1","uploadToken":"utok","expiresAt":"2026-01-02T03:19:05Z"})");

    const std::string messageJSON =
        R"({"id":"m1","conversationId":"c1","direction":"inbound","authorKind":"ai","bodyText":"Your order ships today.","bodyMarkdown":"Your order ships **today**.","sentAt":"2026-01-02T03:04:05Z","deliveryStatus":"delivered","attachments":[{"id":"att_1","fileName":"label.pdf","mimeType":"application\/pdf","kind":"file","sizeBytes":1024,"downloadUrl":"https:\/\/files.example.com\/att_1"}],"conversationForm":{"name":"Contact","requestId":"fr_1"},"commerceResult":[2.5,"x",true,null]})";
    expectStableRoundTrip(fullMessage(), messageJSON);

    const VelmoraSupport support{"teammate-joined", "collected",        "available",
                                 "offered",         "customer_request", "2026-01-02T03:09:05Z"};
    expectStableRoundTrip(
        support,
        R"({"state":"teammate-joined","emailState":"collected","handoffAvailability":"available","handoffOfferState":"offered","handoffOfferReason":"customer_request","handoffOfferExpiresAt":"2026-01-02T03:09:05Z"})");

    expectStableRoundTrip(
        VelmoraSnapshot{"s1",
                        "c1",
                        {fullMessage()},
                        support,
                        JSONValue(JSONValue::Object{{"runId", "wr_1"}}),
                        std::vector<JSONValue>{JSONValue(JSONValue::Object{{"id", "p1"}}), nullptr},
                        -7},
        R"({"sessionId":"s1","conversationId":"c1","messages":[)" + messageJSON +
            R"(],"support":{"state":"teammate-joined","emailState":"collected","handoffAvailability":"available","handoffOfferState":"offered","handoffOfferReason":"customer_request","handoffOfferExpiresAt":"2026-01-02T03:09:05Z"},"procedureAction":{"runId":"wr_1"},"procedureQuickActions":[{"id":"p1"},null],"conversationRevision":-7})");
    expectStableRoundTrip(VelmoraSnapshot{.sessionId = "s1", .conversationId = "c1"},
                          R"({"sessionId":"s1","conversationId":"c1","messages":[]})");

    expectStableRoundTrip(
        VelmoraAcceptedMessage{"m9", "s1", "c1", "accepted"},
        R"({"messageId":"m9","sessionId":"s1","conversationId":"c1","status":"accepted"})");
    expectStableRoundTrip(VelmoraAcceptedMessage{.sessionId = "s1", .status = "queued"},
                          R"({"sessionId":"s1","status":"queued"})");
}

TEST(ConversationRecordsTest, DecodingRefusesMissingNullAndMistypedValues) {
    const std::string message =
        R"("id":"m1","conversationId":"c1","direction":"inbound","bodyText":"Hi","deliveryStatus":"sent")";
    struct Case {
        const char* name;
        Failure (*decode)(std::string_view);
        std::string json;
        Failure expected;
    };
    const Case cases[] = {
        {"message without sentAt", decodingFailure<VelmoraMessage>, "{" + message + "}",
         failed(Kind::keyNotFound, "sentAt")},
        {"message with null sentAt", decodingFailure<VelmoraMessage>,
         "{" + message + R"(,"sentAt":null})", failed(Kind::valueNotFound, "sentAt")},
        {"message with numeric sentAt", decodingFailure<VelmoraMessage>,
         "{" + message + R"(,"sentAt":17})", failed(Kind::typeMismatch, "sentAt")},
        {"optional of the wrong type", decodingFailure<VelmoraMessage>,
         "{" + message + R"(,"sentAt":"t","authorKind":false})",
         failed(Kind::typeMismatch, "authorKind")},
        {"attachment list element not an object", decodingFailure<VelmoraMessage>,
         "{" + message + R"(,"sentAt":"t","attachments":[{},"a"]})",
         failed(Kind::typeMismatch, "attachments[1]")},
        {"attachment size as text", decodingFailure<VelmoraAttachment>, R"({"sizeBytes":"12"})",
         failed(Kind::typeMismatch, "sizeBytes")},
        {"attachment size not whole", decodingFailure<VelmoraAttachment>, R"({"sizeBytes":1.5})",
         failed(Kind::dataCorrupted, "sizeBytes")},
        {"attachment size beyond 64 bits", decodingFailure<VelmoraAttachment>,
         R"({"sizeBytes":1e19})", failed(Kind::dataCorrupted, "sizeBytes")},
        {"session token null", decodingFailure<VelmoraSession>,
         R"({"sessionId":"s","sessionToken":null})", failed(Kind::valueNotFound, "sessionToken")},
        {"session id a number", decodingFailure<VelmoraSession>,
         R"({"sessionId":5,"sessionToken":"t"})", failed(Kind::typeMismatch, "sessionId")},
        {"record given as an array", decodingFailure<VelmoraSession>, "[]",
         failed(Kind::typeMismatch, "")},
        {"not JSON", decodingFailure<VelmoraSession>, R"({"sessionId":"s",)",
         failed(Kind::dataCorrupted, "")},
        {"draft from an empty object", decodingFailure<VelmoraAttachmentDraft>, "{}",
         failed(Kind::keyNotFound, "id")},
        {"draft data not Base64", decodingFailure<VelmoraAttachmentDraft>,
         R"({"id":"d","fileName":"f","mimeType":"m","kind":"k","data":"AQI"})",
         failed(Kind::dataCorrupted, "data")},
        {"draft data with a line break", decodingFailure<VelmoraAttachmentDraft>,
         R"({"id":"d","fileName":"f","mimeType":"m","kind":"k","data":"AQID\nAQID"})",
         failed(Kind::dataCorrupted, "data")},
        {"upload intent from an empty object", decodingFailure<VelmoraAttachmentUploadIntent>, "{}",
         failed(Kind::keyNotFound, "clientId")},
        {"prefill fields not an object", decodingFailure<VelmoraPrefill>, R"({"fields":[1]})",
         failed(Kind::typeMismatch, "fields")},
        {"nested prefill of the wrong type", decodingFailure<VelmoraSessionStartInput>,
         R"({"message":"Hi","prefill":{"email":1}})", failed(Kind::typeMismatch, "prefill.email")},
        {"message input without text", decodingFailure<VelmoraMessageInput>,
         R"({"idempotencyKey":"k"})", failed(Kind::keyNotFound, "text")},
        {"snapshot without messages", decodingFailure<VelmoraSnapshot>,
         R"({"sessionId":"s","conversationId":"c"})", failed(Kind::keyNotFound, "messages")},
        {"snapshot with a broken message", decodingFailure<VelmoraSnapshot>,
         R"({"sessionId":"s","conversationId":"c","messages":[{"id":"m"}]})",
         failed(Kind::keyNotFound, "messages[0].conversationId")},
        {"snapshot revision as text", decodingFailure<VelmoraSnapshot>,
         R"({"sessionId":"s","conversationId":"c","messages":[],"conversationRevision":"3"})",
         failed(Kind::typeMismatch, "conversationRevision")},
        {"support without state", decodingFailure<VelmoraSupport>, R"({"emailState":"x"})",
         failed(Kind::keyNotFound, "state")},
        {"accepted message without status", decodingFailure<VelmoraAcceptedMessage>,
         R"({"messageId":"m","sessionId":"s"})", failed(Kind::keyNotFound, "status")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.decode(c.json), c.expected) << c.name;
    }
}

TEST(ConversationRecordsTest, NullReadsAsAbsentExceptInsideAList) {
    const auto session =
        decodeJSON<VelmoraSession>(R"({"sessionId":"s","conversationId":null,"sessionToken":"t"})");
    EXPECT_EQ(session.conversationId, std::nullopt);
    EXPECT_EQ(encodeJSON(session), R"({"sessionId":"s","sessionToken":"t"})");

    const auto message = decodeJSON<VelmoraMessage>(
        R"({"id":"m","conversationId":"c","direction":"outbound","authorKind":null,"bodyText":"b","sentAt":"t","deliveryStatus":"sent","attachments":null,"conversationForm":null,"commerceResult":null})");
    EXPECT_EQ(message.authorKind, std::nullopt);
    EXPECT_EQ(message.attachments, std::nullopt);
    EXPECT_EQ(message.conversationForm, std::nullopt);
    EXPECT_EQ(message.commerceResult, std::nullopt);

    const auto snapshot = decodeJSON<VelmoraSnapshot>(
        R"({"sessionId":"s","conversationId":"c","messages":[],"support":null,"procedureAction":null,"procedureQuickActions":[null,{"id":"p"}],"conversationRevision":null})");
    EXPECT_EQ(snapshot.support, std::nullopt);
    EXPECT_EQ(snapshot.procedureAction, std::nullopt);
    ASSERT_TRUE(snapshot.procedureQuickActions.has_value());
    ASSERT_EQ(snapshot.procedureQuickActions->size(), 2u);
    EXPECT_TRUE((*snapshot.procedureQuickActions)[0].isNull());

    // A present null is written out, and so reads back as absent.
    VelmoraMessage withNullForm = fullMessage();
    withNullForm.conversationForm = JSONValue(nullptr);
    const std::string encoded = encodeJSON(withNullForm);
    EXPECT_NE(encoded.find(R"("conversationForm":null)"), std::string::npos) << encoded;
    EXPECT_EQ(decodeJSON<VelmoraMessage>(encoded).conversationForm, std::nullopt);
}

TEST(ConversationRecordsTest, EmptyAndMissingListsStayApart) {
    const std::string base =
        R"("id":"m","conversationId":"c","direction":"inbound","bodyText":"b","sentAt":"t","deliveryStatus":"sent")";
    EXPECT_EQ(decodeJSON<VelmoraMessage>("{" + base + "}").attachments, std::nullopt);
    const auto withEmpty = decodeJSON<VelmoraMessage>("{" + base + R"(,"attachments":[]})");
    ASSERT_TRUE(withEmpty.attachments.has_value());
    EXPECT_TRUE(withEmpty.attachments->empty());
    EXPECT_EQ(encodeJSON(withEmpty), "{" + base + R"(,"attachments":[]})");

    // Any object is an attachment or a prefill, with nothing in it.
    EXPECT_EQ(decodeJSON<VelmoraAttachment>(R"({"unknown":1})"), VelmoraAttachment{});
    EXPECT_EQ(decodeJSON<VelmoraPrefill>("{}"), VelmoraPrefill{});
}

TEST(ConversationRecordsTest, UnknownKeysAreDroppedAtEveryLevel) {
    const auto input = decodeJSON<VelmoraSessionStartInput>(
        R"({"ok":true,"message":"Hi","prefill":{"name":"Ada","nickname":"A"},"extra":{"deep":[1]}})");
    EXPECT_EQ(encodeJSON(input), R"({"message":"Hi","prefill":{"name":"Ada"}})");

    const auto snapshot = decodeJSON<VelmoraSnapshot>(
        R"({"ok":true,"sessionId":"s","conversationId":"c","messages":[{"id":"m","conversationId":"c","direction":"inbound","bodyText":"b","sentAt":"t","deliveryStatus":"sent","reactions":[]}]})");
    EXPECT_EQ(
        encodeJSON(snapshot),
        R"({"sessionId":"s","conversationId":"c","messages":[{"id":"m","conversationId":"c","direction":"inbound","bodyText":"b","sentAt":"t","deliveryStatus":"sent"}]})");
}

TEST(AttachmentDraftTest, ConstructorLowerCasesTheMediaTypeButDecodingKeepsIt) {
    const VelmoraAttachmentDraft built("d1", "Report.PDF", "Application/PDF", "File", {1});
    EXPECT_EQ(built.mimeType, "application/pdf");
    EXPECT_EQ(built.fileName, "Report.PDF");
    EXPECT_EQ(built.kind, "File");

    // Full case mapping: capital I with dot above becomes "i" and a combining dot.
    EXPECT_EQ(VelmoraAttachmentDraft("d", "f", "TEXT/\u0130\u00c9", "k", {}).mimeType,
              "text/i\u0307\u00e9");

    const auto decoded = decodeJSON<VelmoraAttachmentDraft>(
        R"({"id":"d1","fileName":"Report.PDF","mimeType":"Application/PDF","kind":"File","data":"AQ=="})");
    EXPECT_EQ(decoded.mimeType, "Application/PDF");
    EXPECT_NE(decoded, built);
    EXPECT_EQ(
        encodeJSON(decoded),
        R"({"id":"d1","fileName":"Report.PDF","mimeType":"Application\/PDF","kind":"File","data":"AQ=="})");
}

TEST(AttachmentDraftTest, DataTravelsAsBase64) {
    struct Case {
        Data bytes;
        const char* base64;
    };
    Data everyByte;
    for (int b = 0; b < 256; ++b) {
        everyByte.push_back(static_cast<std::uint8_t>(b));
    }
    const Case cases[] = {
        {{}, ""},
        {{1, 2, 3}, "AQID"},
        {{0xfb, 0xff}, "+\\/8="},
        {{'a'}, "YQ=="},
    };
    for (const auto& c : cases) {
        const VelmoraAttachmentDraft draft("d", "f", "m", "k", c.bytes);
        const std::string encoded = encodeJSON(draft);
        EXPECT_NE(encoded.find(std::string(R"("data":")") + c.base64 + '"'), std::string::npos)
            << encoded;
        EXPECT_EQ(decodeJSON<VelmoraAttachmentDraft>(encoded).data, c.bytes);
    }
    const VelmoraAttachmentDraft large("d", "f", "m", "k", everyByte);
    EXPECT_EQ(decodeJSON<VelmoraAttachmentDraft>(encodeJSON(large)), large);
}

TEST(ConversationRecordsTest, EqualityFollowsEveryField) {
    const auto a = decodeJSON<VelmoraSessionStartInput>(
        R"({"message":"Hi","metadata":{"a":1,"b":{"x":true,"y":null}}})");
    const auto b = decodeJSON<VelmoraSessionStartInput>(
        R"({"metadata":{"b":{"y":null,"x":true},"a":1},"message":"Hi"})");
    EXPECT_EQ(a, b);

    const VelmoraSessionStartInput absentMetadata{.message = "Hi"};
    VelmoraSessionStartInput emptyMetadata{.message = "Hi"};
    emptyMetadata.metadata = std::map<std::string, JSONValue>{};
    EXPECT_NE(absentMetadata, emptyMetadata);
    EXPECT_NE(encodeJSON(absentMetadata), encodeJSON(emptyMetadata));

    VelmoraSessionStartInput otherPrefill = absentMetadata;
    otherPrefill.prefill = VelmoraPrefill{};
    EXPECT_NE(absentMetadata, otherPrefill);

    EXPECT_NE((VelmoraSession{"s", std::nullopt, "t"}), (VelmoraSession{"s", "", "t"}));
    EXPECT_NE(VelmoraAttachmentDraft("d", "f", "m", "k", {1}),
              VelmoraAttachmentDraft("d", "f", "m", "k", {1, 0}));
}

} // namespace
} // namespace velmora
