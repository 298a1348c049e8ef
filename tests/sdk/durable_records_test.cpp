#include "velmora/decoding_error.hpp"
#include "velmora/durable_records.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace velmora {
namespace {

using Kind = VelmoraDecodingError::Kind;
using OperationKind = VelmoraPendingAttachmentOperationKind;

template <class T> void expectStableRoundTrip(const T& value, std::string_view expected) {
    const std::string encoded = encodeJSON(value);
    EXPECT_EQ(encoded, expected);
    const T decoded = decodeJSON<T>(encoded);
    EXPECT_EQ(decoded, value) << encoded;
    EXPECT_EQ(encodeJSON(decoded), encoded);
}

template <class T>
std::optional<std::pair<Kind, std::string>> decodingFailure(std::string_view json) {
    try {
        (void)decodeJSON<T>(json);
        return std::nullopt;
    } catch (const VelmoraDecodingError& error) {
        return std::make_pair(error.kind(), error.path());
    }
}

// Not UTF-8, and its Base64 form holds a "/", which the writer escapes.
const Data kBinaryBody{0xfb, 0xff, 0x00, 0xc3};

VelmoraAttachmentDraft draft(std::string id, Data data = {0x25, 0x50, 0x44, 0x46}) {
    return VelmoraAttachmentDraft(std::move(id), "label.pdf", "application/pdf", "file",
                                  std::move(data));
}

VelmoraAttachmentUploadIntent intent() {
    return {"att-1", "srv-1", "https://uploads.example.com/u/1", "tok", "2026-01-02T03:04:05Z"};
}

TEST(DurableRecordsTest, EveryRecordEncodesInDeclarationOrderAndRoundTrips) {
    expectStableRoundTrip(
        VelmoraOutboxEntry{"m1", "acct", "s1", kBinaryBody, VelmoraMessageInput{.text = "Hi"},
                           "2026-01-02T03:04:05Z", 0},
        R"({"id":"m1","accountScope":"acct","sessionId":"s1","requestBody":"+\/8Aww==","input":{"text":"Hi"},"createdAt":"2026-01-02T03:04:05Z","attempts":0})");

    expectStableRoundTrip(
        VelmoraPendingSessionStart{
            "acct", "k1", {}, VelmoraSessionStartInput{.message = "Hello"}, "2026-01-02T03:04:05Z"},
        R"({"accountScope":"acct","idempotencyKey":"k1","requestBody":"","input":{"message":"Hello"},"createdAt":"2026-01-02T03:04:05Z"})");

    expectStableRoundTrip(VelmoraPendingAttachmentUpload{"att-1", std::nullopt, false},
                          R"({"clientId":"att-1","uploaded":false})");

    expectStableRoundTrip(
        VelmoraPendingAttachmentSend{"acct",
                                     "s1",
                                     "msg-1",
                                     {draft("att-1", {0xff, 0xfe})},
                                     {{"att-1", intent(), true}},
                                     "2026-01-02T03:04:05Z"},
        R"({"accountScope":"acct","sessionId":"s1","messageId":"msg-1","attachments":[{"id":"att-1","fileName":"label.pdf","mimeType":"application\/pdf","kind":"file","data":"\/\/4="}],"uploads":[{"clientId":"att-1","intent":{"clientId":"att-1","attachmentId":"srv-1","uploadUrl":"https:\/\/uploads.example.com\/u\/1","uploadToken":"tok","expiresAt":"2026-01-02T03:04:05Z"},"uploaded":true}],"createdAt":"2026-01-02T03:04:05Z"})");

    expectStableRoundTrip(
        VelmoraPendingAttachmentOperation{"acct",
                                          OperationKind::sessionStart,
                                          "k1",
                                          kBinaryBody,
                                          VelmoraSessionStartInput{.message = "Hello"},
                                          VelmoraMessageInput{.text = "Hi"},
                                          {},
                                          "s1",
                                          "msg-1",
                                          "2026-01-02T03:04:05Z"},
        R"({"accountScope":"acct","kind":"sessionStart","idempotencyKey":"k1","requestBody":"+\/8Aww==","sessionInput":{"message":"Hello"},"messageInput":{"text":"Hi"},"attachments":[],"sessionId":"s1","messageId":"msg-1","createdAt":"2026-01-02T03:04:05Z"})");

    expectStableRoundTrip(
        VelmoraPendingAttachmentOperation{"acct",
                                          OperationKind::message,
                                          "k1",
                                          {},
                                          std::nullopt,
                                          std::nullopt,
                                          {},
                                          std::nullopt,
                                          std::nullopt,
                                          "t"},
        R"({"accountScope":"acct","kind":"message","idempotencyKey":"k1","requestBody":"","attachments":[],"createdAt":"t"})");
}

TEST(DurableRecordsTest, NullOptionalsReadAsAbsentAndUnknownKeysAreIgnored) {
    EXPECT_EQ(decodeJSON<VelmoraPendingAttachmentUpload>(
                  R"({"clientId":"a","intent":null,"uploaded":false,"extra":[1]})"),
              (VelmoraPendingAttachmentUpload{"a", std::nullopt, false}));
    const auto operation = decodeJSON<VelmoraPendingAttachmentOperation>(
        R"({"accountScope":"a","kind":"message","idempotencyKey":"k","requestBody":"","sessionInput":null,"attachments":[],"sessionId":null,"messageId":null,"createdAt":"t"})");
    EXPECT_FALSE(operation.sessionInput);
    EXPECT_FALSE(operation.sessionId);
    EXPECT_FALSE(operation.messageId);
}

TEST(DurableRecordsTest, MissingKeysWrongTypesAndBadTextFailTheWholeRecord) {
    constexpr std::string_view outboxWithout =
        R"({"id":"m1","accountScope":"a","sessionId":"s","requestBody":"","input":{"text":"x"},"createdAt":"t"})";
    EXPECT_EQ(decodingFailure<VelmoraOutboxEntry>(outboxWithout),
              std::make_pair(Kind::keyNotFound, std::string("attempts")));
    EXPECT_EQ(
        decodingFailure<VelmoraOutboxEntry>(
            R"({"id":"m1","accountScope":"a","sessionId":"s","requestBody":"","input":{"text":"x"},"createdAt":"t","attempts":1.5})"),
        std::make_pair(Kind::dataCorrupted, std::string("attempts")));
    EXPECT_EQ(
        decodingFailure<VelmoraPendingAttachmentUpload>(R"({"clientId":"a","uploaded":"no"})"),
        std::make_pair(Kind::typeMismatch, std::string("uploaded")));
    EXPECT_EQ(
        decodingFailure<VelmoraPendingSessionStart>(
            R"({"accountScope":"a","idempotencyKey":"k","requestBody":"not base64!","input":{"message":"x"},"createdAt":"t"})"),
        std::make_pair(Kind::dataCorrupted, std::string("requestBody")));
    EXPECT_EQ(
        decodingFailure<VelmoraPendingAttachmentSend>(
            R"({"accountScope":"a","sessionId":"s","messageId":null,"attachments":[],"uploads":[],"createdAt":"t"})"),
        std::make_pair(Kind::valueNotFound, std::string("messageId")));

    for (const char* kind : {"SessionStart", "session-start", "Message", "", "sessionstart"}) {
        const std::string json =
            std::string(R"({"accountScope":"a","kind":")") + kind +
            R"(","idempotencyKey":"k","requestBody":"","attachments":[],"createdAt":"t"})";
        EXPECT_EQ(decodingFailure<VelmoraPendingAttachmentOperation>(json),
                  std::make_pair(Kind::dataCorrupted, std::string("kind")))
            << kind;
    }
}

TEST(DurableRecordsTest, OperationKindRawValuesMatchExactly) {
    EXPECT_EQ(rawValue(OperationKind::sessionStart), "sessionStart");
    EXPECT_EQ(rawValue(OperationKind::message), "message");
    EXPECT_EQ(velmoraPendingAttachmentOperationKindFromRawValue("sessionStart"),
              OperationKind::sessionStart);
    EXPECT_EQ(velmoraPendingAttachmentOperationKindFromRawValue("message"), OperationKind::message);
    EXPECT_EQ(velmoraPendingAttachmentOperationKindFromRawValue("MESSAGE"), std::nullopt);
    EXPECT_EQ(velmoraPendingAttachmentOperationKindFromRawValue("session-start"), std::nullopt);
}

VelmoraPendingAttachmentOperation operation(OperationKind kind,
                                            std::optional<std::string> sessionId = std::nullopt,
                                            std::optional<std::string> messageId = std::nullopt) {
    return {"acct",
            kind,
            "key-1",
            kBinaryBody,
            VelmoraSessionStartInput{.message = "Hello"},
            std::nullopt,
            {draft("att-1")},
            std::move(sessionId),
            std::move(messageId),
            "2026-01-02T03:04:05Z"};
}

TEST(DurableRecordsTest, AcceptedSetsTheSessionAndExactlyTheGivenMessageId) {
    const auto stored = operation(OperationKind::message, "s0", "m0");

    const auto cleared = stored.accepted("s1", std::nullopt);
    EXPECT_EQ(cleared.sessionId, "s1");
    EXPECT_EQ(cleared.messageId, std::nullopt);

    const auto filled = stored.accepted("s1", "m1");
    EXPECT_EQ(filled.sessionId, "s1");
    EXPECT_EQ(filled.messageId, "m1");

    // Everything else is copied unchanged.
    auto expected = stored;
    expected.sessionId = "s1";
    expected.messageId = "m1";
    EXPECT_EQ(filled, expected);
}

TEST(DurableRecordsTest, CanUpdateOnlyFillsInIdentifiersOfTheSameRequest) {
    const auto start = [](std::optional<std::string> s, std::optional<std::string> m) {
        return operation(OperationKind::sessionStart, std::move(s), std::move(m));
    };
    const auto message = [](std::optional<std::string> s, std::optional<std::string> m) {
        return operation(OperationKind::message, std::move(s), std::move(m));
    };
    const auto with = [](VelmoraPendingAttachmentOperation op, auto change) {
        change(op);
        return op;
    };
    const std::nullopt_t none = std::nullopt;

    struct Case {
        const char* name;
        VelmoraPendingAttachmentOperation candidate;
        VelmoraPendingAttachmentOperation stored;
        bool expected;
    };
    const Case cases[] = {
        // A session start may replace only with its accepted form; identifiers never change.
        {"start unaccepted over identical copy", start(none, none), start(none, none), false},
        {"start accepted over unaccepted", start("s1", none), start(none, none), true},
        {"start accepted with message over unaccepted", start("s1", "m1"), start(none, none), true},
        {"start unaccepted over accepted", start(none, none), start("s1", none), false},
        {"start same accepted form", start("s1", none), start("s1", none), true},
        {"start changes session", start("s2", none), start("s1", none), false},
        {"start drops message id", start("s1", none), start("s1", "m1"), false},
        {"start changes message id", start("s1", "m2"), start("s1", "m1"), false},
        {"start fills message id", start("s1", "m1"), start("s1", none), true},
        // A message keeps its session and may only gain its message identifier.
        {"message identical unaccepted copy", message("s1", none), message("s1", none), true},
        {"message other session", message("s2", none), message("s1", none), false},
        {"message gains session", message("s1", none), message(none, none), false},
        {"message both without session", message(none, none), message(none, none), true},
        {"message fills message id", message("s1", "m1"), message("s1", none), true},
        {"message drops message id", message("s1", none), message("s1", "m1"), false},
        {"message changes message id", message("s1", "m2"), message("s1", "m1"), false},
        {"message same message id", message("s1", "m1"), message("s1", "m1"), true},
        // The request itself must be identical; inputs and createdAt don't count.
        {"other kind", start("s1", none), message("s1", none), false},
        {"other scope", with(message("s1", none), [](auto& o) { o.accountScope = "other"; }),
         message("s1", none), false},
        {"other key", with(message("s1", none), [](auto& o) { o.idempotencyKey = "key-2"; }),
         message("s1", none), false},
        {"other body", with(message("s1", none), [](auto& o) { o.requestBody.push_back(0); }),
         message("s1", none), false},
        {"one attachment byte differs",
         with(message("s1", none), [](auto& o) { o.attachments[0].data[0] ^= 1; }),
         message("s1", none), false},
        {"attachment missing", with(message("s1", none), [](auto& o) { o.attachments.clear(); }),
         message("s1", none), false},
        {"only createdAt and inputs differ",
         with(message("s1", none),
              [](auto& o) {
                  o.createdAt = "2030-01-01T00:00:00Z";
                  o.sessionInput = std::nullopt;
                  o.messageInput = VelmoraMessageInput{.text = "x"};
              }),
         message("s1", none), true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.candidate.canUpdate(c.stored), c.expected) << c.name;
    }
}

} // namespace
} // namespace velmora
