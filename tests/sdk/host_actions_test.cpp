#include "velmora/decoding_error.hpp"
#include "velmora/error.hpp"
#include "velmora/host_actions.hpp"

#include "detail/json.hpp"
#include "detail/json_codec.hpp"

#include "field_invalid_support.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <optional>
#include <string>

namespace velmora {
namespace {

using Object = JSONValue::Object;
using Array = JSONValue::Array;
using Codec = VelmoraHostActionCodec;

const std::string kRequestUnbounded = "Host action request contains an unbounded value.";
const std::string kRequestTooLarge = "Host action request exceeds its size limit.";
const std::string kContextUnbounded = "Host action context contains an unbounded value.";
const std::string kContextTooLarge = "Host action context exceeds its size limit.";
const std::string kStatusMismatch = "Host action result status does not match ok.";
const std::string kCodeInvalid = "Host action result code is invalid.";
const std::string kDataUnbounded = "Host action result data is unbounded.";
const std::string kResultTooLarge = "Host action result exceeds its size limit.";
const std::string kCompletionTooLarge = "Host action completion exceeds its size limit.";
const std::string kOperationInvalid = "Host action completion operation is invalid.";
const std::string kUnknownFields = "Host action completion contains unknown or missing fields.";
const std::string kCompletionInvalid = "Host action completion is invalid.";
const std::string kIdentifiersInvalid = "Host action identifiers are invalid.";

using ::velmora::testing::failureOf;
using ::velmora::testing::repeated;

JSONValue nested(std::size_t levels, JSONValue leaf) {
    for (std::size_t i = 0; i < levels; ++i) {
        leaf = Object{{"n", std::move(leaf)}};
    }
    return leaf;
}

JSONValue nestedArrays(std::size_t levels, JSONValue leaf) {
    for (std::size_t i = 0; i < levels; ++i) {
        leaf = Array{std::move(leaf)};
    }
    return leaf;
}

std::size_t contextBytes(const Object& context) {
    return detail::writeJSON(detail::Codec<Object>::encode(context)).size();
}

// A context of ASCII texts (each within the text limit) whose JSON text has exactly `bytes`
// bytes.
Object contextOfSize(std::size_t bytes) {
    Object context;
    for (int i = 0; contextBytes(context) + 2040 < bytes; ++i) {
        context["k" + std::to_string(i)] = std::string(2000, 'a');
    }
    context["last"] = std::string();
    context["last"] = std::string(bytes - contextBytes(context), 'a');
    return context;
}

VelmoraHostActionRequest makeRequest(std::string requestId = "har_1", std::string actionId = "open",
                                     Object context = {}, Object input = {}) {
    return VelmoraHostActionRequest(std::move(requestId), std::move(actionId), std::move(context),
                                    std::move(input));
}

VelmoraHostActionResult completedWith(std::optional<JSONValue> data) {
    return {true, VelmoraHostActionStatus::completed, std::move(data), std::nullopt, std::nullopt};
}

// --- Shapes: counts, text lengths, depth and keys -----------------------------------------

struct ShapeCase {
    std::string name;
    Object context;
    bool bounded;
};

std::vector<ShapeCase> shapeCases() {
    auto entries = [](std::size_t n) {
        Object o;
        for (std::size_t i = 0; i < n; ++i) {
            o["k" + std::to_string(i)] = true;
        }
        return o;
    };
    auto elements = [](std::size_t n) { return Array(n, JSONValue(1)); };
    const std::string astral = "\xF0\x9F\x98\x80"; // one scalar, two UTF-16 units
    return {
        {"32 entries", entries(32), true},
        {"33 entries", entries(33), false},
        {"nested object of 32 entries", {{"o", entries(32)}}, true},
        {"nested object of 33 entries", {{"o", entries(33)}}, false},
        {"array of 32 elements", {{"a", elements(32)}}, true},
        {"array of 33 elements", {{"a", elements(33)}}, false},
        {"text of 2048 units", {{"t", std::string(2048, 'x')}}, true},
        {"text of 2049 units", {{"t", std::string(2049, 'x')}}, false},
        {"1024 astral characters are 2048 units", {{"t", repeated(astral, 1024)}}, true},
        {"1025 astral characters are 2050 units", {{"t", repeated(astral, 1025)}}, false},
        {"2048 two-byte characters are 2048 units", {{"t", repeated("\xC3\xA9", 2048)}}, true},
        // "e" and a combining accent: one character, two units; counted as units here.
        {"1024 decomposed characters are 2048 units", {{"t", repeated("e\xCC\x81", 1024)}}, true},
        {"1025 decomposed characters are 2050 units", {{"t", repeated("e\xCC\x81", 1025)}}, false},
        {"invalid UTF-8 text", {{"t", std::string("\xC3")}}, false},
        {"objects at depths 1 to 3, text at 4", {{"d", nested(3, "leaf")}}, true},
        {"null, number, boolean at depth 4",
         {{"d", nested(2, Object{{"x", nullptr}, {"y", 1.5}, {"z", false}})}},
         true},
        {"object at depth 4", {{"d", nested(3, Object{})}}, false},
        {"array at depth 4", {{"d", nested(3, Array{})}}, false},
        {"arrays at depths 1 to 3", {{"d", nestedArrays(3, "x")}}, true},
        {"array at depth 4 inside arrays", {{"d", nestedArrays(4, "x")}}, false},
        {"object at depth 4 inside arrays", {{"d", nestedArrays(3, Object{})}}, false},
        {"NaN", {{"n", std::numeric_limits<double>::quiet_NaN()}}, false},
        {"infinity inside an array",
         {{"a", Array{std::numeric_limits<double>::infinity()}}},
         false},
        {"key of allowed punctuation", {{"a.b:c-d_E9", 1}}, true},
        {"key of 64 characters", {{std::string(64, 'k'), 1}}, true},
        {"key of 65 characters", {{std::string(65, 'k'), 1}}, false},
        {"empty key", {{"", 1}}, false},
        {"key with a space", {{"a b", 1}}, false},
        {"key with a trailing line feed", {{"key\n", 1}}, false},
        {"key with a slash", {{"a/b", 1}}, false},
        {"__proto__", {{"__proto__", 1}}, false},
        {"prototype", {{"prototype", 1}}, false},
        {"constructor", {{"constructor", 1}}, false},
        {"reserved key nested in an array", {{"a", Array{Object{{"constructor", 1}}}}}, false},
        {"reserved key as a text value", {{"k", "__proto__"}}, true},
    };
}

TEST(HostActionCodecShapeTest, ContextInputAndDataShareOneShapeRule) {
    for (const auto& c : shapeCases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(failureOf([&] { Codec::validateContext(c.context); }),
                  c.bounded ? std::nullopt : std::optional(kContextUnbounded));
        EXPECT_EQ(failureOf([&] { makeRequest("har_1", "open", c.context, {}); }),
                  c.bounded ? std::nullopt : std::optional(kRequestUnbounded));
        EXPECT_EQ(failureOf([&] { makeRequest("har_1", "open", {}, c.context); }),
                  c.bounded ? std::nullopt : std::optional(kRequestUnbounded));
        // A result's data is checked at depth 0 like a context's own map.
        EXPECT_EQ(failureOf([&] { Codec::validateResult(completedWith(JSONValue(c.context))); }),
                  c.bounded ? std::nullopt : std::optional(kDataUnbounded));
    }
}

TEST(HostActionCodecShapeTest, DataMayBeAnyBoundedValue) {
    EXPECT_EQ(failureOf([] { Codec::validateResult(completedWith(Array(32, "x"))); }),
              std::nullopt);
    EXPECT_EQ(failureOf([] { Codec::validateResult(completedWith(Array(33, "x"))); }),
              kDataUnbounded);
    EXPECT_EQ(failureOf([] { Codec::validateResult(completedWith(nullptr)); }), std::nullopt);
    EXPECT_EQ(failureOf([] { Codec::validateResult(completedWith("/")); }), std::nullopt);
    // Containers at depths 0 to 3, a number at depth 4.
    EXPECT_EQ(failureOf([] { Codec::validateResult(completedWith(nested(4, 1))); }), std::nullopt);
    EXPECT_EQ(failureOf([] { Codec::validateResult(completedWith(nested(4, Array{}))); }),
              kDataUnbounded);
    EXPECT_EQ(failureOf([] { Codec::validateResult(completedWith(nestedArrays(5, 1))); }),
              kDataUnbounded);
}

// --- Payload sizes ------------------------------------------------------------------------

TEST(HostActionCodecSizeTest, ContextPassesAt16384BytesAndFailsAt16385) {
    const auto atLimit = contextOfSize(16384);
    ASSERT_EQ(contextBytes(atLimit), 16384u);
    EXPECT_EQ(failureOf([&] { Codec::validateContext(atLimit); }), std::nullopt);

    const auto overLimit = contextOfSize(16385);
    ASSERT_EQ(contextBytes(overLimit), 16385u);
    EXPECT_EQ(failureOf([&] { Codec::validateContext(overLimit); }), kContextTooLarge);
}

TEST(HostActionCodecSizeTest, EscapedSlashCountsTwoBytes) {
    // 16383 bytes plus one "/" that is written "\/": the raw text would fit, the written one
    // does not.
    auto context = contextOfSize(16384);
    auto text = *context["last"].ifString();
    text.back() = '/';
    context["last"] = text;
    EXPECT_EQ(contextBytes(context), 16385u);
    EXPECT_EQ(failureOf([&] { Codec::validateContext(context); }), kContextTooLarge);

    text.pop_back();
    text.back() = '/';
    context["last"] = text;
    EXPECT_EQ(contextBytes(context), 16384u);
    EXPECT_EQ(failureOf([&] { Codec::validateContext(context); }), std::nullopt);
}

TEST(HostActionCodecSizeTest, RequestOfBoundedPartsCanStillBeTooLarge) {
    // Context and input each pass on their own; together they cross the limit.
    const auto halfOver = contextOfSize(8200);
    ASSERT_EQ(failureOf([&] { Codec::validateContext(halfOver); }), std::nullopt);
    EXPECT_EQ(failureOf([&] { makeRequest("har_1", "open", halfOver, halfOver); }),
              kRequestTooLarge);

    // Sized to exactly 16384 bytes, then one letter of a text swapped for a slash.
    const auto context = contextOfSize(8000);
    const auto overhead =
        encodeJSON(makeRequest("har_1", "open", context, contextOfSize(100))).size() - 100;
    auto input = contextOfSize(16384 - overhead);
    EXPECT_EQ(encodeJSON(makeRequest("har_1", "open", context, input)).size(), 16384u);
    auto text = *input["last"].ifString();
    text.back() = '/';
    input["last"] = text;
    EXPECT_EQ(failureOf([&] { makeRequest("har_1", "open", context, input); }), kRequestTooLarge);
}

TEST(HostActionCodecSizeTest, ResultPassesAt16384BytesAndFailsAt16385) {
    auto resultOfSize = [](std::size_t bytes) {
        auto result = completedWith(JSONValue(Object{}));
        const auto base = encodeJSON(result).size();
        auto data = contextOfSize(bytes - base + 2); // an empty object is 2 bytes
        return completedWith(JSONValue(data));
    };
    const auto atLimit = resultOfSize(16384);
    ASSERT_EQ(encodeJSON(atLimit).size(), 16384u);
    EXPECT_EQ(Codec::encodeResult(atLimit), encodeJSON(atLimit));

    const auto overLimit = resultOfSize(16385);
    ASSERT_EQ(encodeJSON(overLimit).size(), 16385u);
    EXPECT_EQ(failureOf([&] { Codec::validateResult(overLimit); }), kResultTooLarge);
    EXPECT_EQ(failureOf([&] { Codec::encodeResult(overLimit); }), kResultTooLarge);
}

// --- Requests -----------------------------------------------------------------------------

TEST(HostActionRequestTest, IdentifiersAreCheckedWhenBuilt) {
    struct Case {
        std::string requestId;
        std::string actionId;
        bool valid;
    };
    const Case cases[] = {
        {"har_0f6b2c1e-4d7a-4a53-9c36-2b1f3e5a7d90", "open_settings", true},
        {"A", "a", true},
        {"9:x_y-z", "0:a_b-c", true},
        {std::string(128, 'r'), std::string(64, 'a'), true},
        {std::string(129, 'r'), "open", false},
        {"har_1", std::string(65, 'a'), false},
        {"", "open", false},
        {"-har", "open", false},
        {"_har", "open", false},
        {"har.1", "open", false},
        {"har_1\n", "open", false},
        {"har_1", "open\n", false},
        {"har_1", "Open", false},
        {"har_1", "", false},
        {"har_1", "-open", false},
        {"h\xC3\xA9", "open", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.requestId + " / " + c.actionId);
        EXPECT_EQ(failureOf([&] { makeRequest(c.requestId, c.actionId); }),
                  c.valid ? std::nullopt : std::optional(kRequestUnbounded));
    }
}

TEST(HostActionRequestTest, EncodesItsFourFieldsAndDecodesThroughTheChecks) {
    const auto request =
        makeRequest("har_1", "open", {{"plan", "pro"}},
                    {{"workflowId", "wf/1"}, {"stepId", "s1"}, {"optionId", "o1"}});
    const std::string json = R"({"requestId":"har_1","actionId":"open","context":{"plan":"pro"},)"
                             R"("input":{"optionId":"o1","stepId":"s1","workflowId":"wf\/1"}})";
    EXPECT_EQ(encodeJSON(request), json);
    EXPECT_EQ(decodeJSON<VelmoraHostActionRequest>(json), request);

    try {
        decodeJSON<VelmoraHostActionRequest>(
            R"({"requestId":"-1","actionId":"open","context":{},"input":{}})");
        ADD_FAILURE() << "an invalid request was decoded";
    } catch (const VelmoraDecodingError& error) {
        EXPECT_EQ(error.kind(), VelmoraDecodingError::Kind::dataCorrupted);
    }
    EXPECT_THROW(decodeJSON<VelmoraHostActionRequest>(R"({"requestId":"r","actionId":"open"})"),
                 VelmoraDecodingError);
}

// --- Results ------------------------------------------------------------------------------

TEST(HostActionResultTest, ChecksRunInOrder) {
    using S = VelmoraHostActionStatus;
    struct Case {
        std::string name;
        VelmoraHostActionResult result;
        std::optional<std::string> failure;
    };
    const Case cases[] = {
        {"completed", {true, S::completed, std::nullopt, "done", true}, std::nullopt},
        {"acknowledged",
         {true, S::acknowledged, std::nullopt, std::nullopt, std::nullopt},
         std::nullopt},
        {"failed", {false, S::failed, std::nullopt, "not_found", false}, std::nullopt},
        {"ok with failed",
         {true, S::failed, std::nullopt, std::nullopt, std::nullopt},
         kStatusMismatch},
        {"not ok with completed",
         {false, S::completed, std::nullopt, std::nullopt, std::nullopt},
         kStatusMismatch},
        {"not ok with acknowledged",
         {false, S::acknowledged, std::nullopt, std::nullopt, std::nullopt},
         kStatusMismatch},
        {"mismatch before code",
         {true, S::failed, Array(33, 1), "Bad", std::nullopt},
         kStatusMismatch},
        {"code of 64",
         {true, S::completed, std::nullopt, "c" + std::string(63, '_'), std::nullopt},
         std::nullopt},
        {"code of 65",
         {true, S::completed, std::nullopt, std::string(65, 'c'), std::nullopt},
         kCodeInvalid},
        {"code with digit first",
         {true, S::completed, std::nullopt, "1abc", std::nullopt},
         kCodeInvalid},
        {"code with underscore first",
         {true, S::completed, std::nullopt, "_abc", std::nullopt},
         kCodeInvalid},
        {"code with capital",
         {true, S::completed, std::nullopt, "aBc", std::nullopt},
         kCodeInvalid},
        {"code with hyphen", {true, S::completed, std::nullopt, "a-b", std::nullopt}, kCodeInvalid},
        {"code with trailing line feed",
         {true, S::completed, std::nullopt, "ab\n", std::nullopt},
         kCodeInvalid},
        {"empty code", {true, S::completed, std::nullopt, "", std::nullopt}, kCodeInvalid},
        {"code before data", {true, S::completed, Array(33, 1), "Bad", std::nullopt}, kCodeInvalid},
        {"unbounded data",
         {true, S::completed, Array(33, 1), "ok_code", std::nullopt},
         kDataUnbounded},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(failureOf([&] { Codec::validateResult(c.result); }), c.failure);
        EXPECT_EQ(failureOf([&] { Codec::encodeResult(c.result); }), c.failure);
    }
}

TEST(HostActionResultTest, EncodesInDeclarationOrderWithoutAbsentFields) {
    const VelmoraHostActionResult full{true, VelmoraHostActionStatus::completed,
                                       JSONValue(Object{{"url", "https://x.test/a"}, {"n", 2}}),
                                       "opened", false};
    EXPECT_EQ(Codec::encodeResult(full),
              R"({"ok":true,"status":"completed","data":{"n":2,"url":"https:\/\/x.test\/a"},)"
              R"("code":"opened","retryable":false})");
    const VelmoraHostActionResult bare{false, VelmoraHostActionStatus::failed, std::nullopt,
                                       std::nullopt, std::nullopt};
    EXPECT_EQ(Codec::encodeResult(bare), R"({"ok":false,"status":"failed"})");
}

TEST(HostActionResultTest, DecodingChecksNothingButTypes) {
    const auto mismatched = decodeJSON<VelmoraHostActionResult>(
        R"({"ok":true,"status":"failed","data":null,"code":"Bad","extra":1})");
    EXPECT_EQ(mismatched, (VelmoraHostActionResult{true, VelmoraHostActionStatus::failed,
                                                   std::nullopt, "Bad", std::nullopt}));
    for (const char* json :
         {R"({"ok":true,"status":"done"})", R"({"ok":"true","status":"failed"})",
          R"({"status":"failed"})", R"({"ok":true,"status":"failed","code":1})"}) {
        EXPECT_THROW(decodeJSON<VelmoraHostActionResult>(json), VelmoraDecodingError) << json;
    }
}

TEST(HostActionStatusTest, RawValues) {
    EXPECT_EQ(rawValue(VelmoraHostActionStatus::acknowledged), "acknowledged");
    EXPECT_EQ(velmoraHostActionStatusFromRawValue("completed"), VelmoraHostActionStatus::completed);
    EXPECT_EQ(velmoraHostActionStatusFromRawValue("failed"), VelmoraHostActionStatus::failed);
    EXPECT_EQ(velmoraHostActionStatusFromRawValue("Failed"), std::nullopt);
}

// --- Completions --------------------------------------------------------------------------

std::string completionText(std::string_view requestId, std::string_view actionId,
                           std::string_view result) {
    return R"({"operation":"complete-host-action","requestId":")" + std::string(requestId) +
           R"(","actionId":")" + std::string(actionId) + R"(","result":)" + std::string(result) +
           "}";
}

const std::string kOkResult = R"({"ok":true,"status":"completed"})";

TEST(HostActionCompletionTest, ChecksRunInOrder) {
    struct Case {
        std::string name;
        std::string text;
        std::optional<std::string> failure;
    };
    const Case cases[] = {
        {"valid", completionText("har_1", "open", kOkResult), std::nullopt},
        {"key order is free",
         R"({"result":{"status":"failed","ok":false},"actionId":"open","requestId":"r",)"
         R"("operation":"complete-host-action"})",
         std::nullopt},
        {"data null",
         completionText("har_1", "open", R"({"ok":true,"status":"completed","data":null})"),
         std::nullopt},
        {"oversized non-JSON", std::string(16385, 'x'), kCompletionTooLarge},
        {"not JSON", "complete-host-action", kOperationInvalid},
        {"empty", "", kOperationInvalid},
        {"top-level array", R"([{"operation":"complete-host-action"}])", kOperationInvalid},
        {"top-level text", R"("complete-host-action")", kOperationInvalid},
        {"other operation",
         R"({"operation":"complete-host-actions","requestId":"r","actionId":"a","result":{}})",
         kOperationInvalid},
        {"operation not a text",
         R"({"operation":["complete-host-action"],"requestId":"r","actionId":"a","result":{}})",
         kOperationInvalid},
        {"no operation", R"({"requestId":"r","actionId":"a","result":{}})", kOperationInvalid},
        {"trailing garbage", completionText("r", "a", kOkResult) + "x", kOperationInvalid},
        {"invalid UTF-8 inside a text", completionText("har_\xFF", "open", kOkResult),
         kOperationInvalid},
        {"hostile nesting in data",
         completionText("har_1", "open",
                        R"({"ok":true,"status":"completed","data":)" + std::string(2000, '[') +
                            std::string(2000, ']') + "}"),
         kOperationInvalid},
        {"extra top-level key",
         R"({"operation":"complete-host-action","requestId":"r","actionId":"a","result":{},"x":1})",
         kUnknownFields},
        {"no actionId", R"({"operation":"complete-host-action","requestId":"r","result":{}})",
         kUnknownFields},
        {"result not an object",
         R"({"operation":"complete-host-action","requestId":"r","actionId":"a","result":[]})",
         kUnknownFields},
        {"extra result key", completionText("r", "a", R"({"ok":true,"status":"completed","x":1})"),
         kUnknownFields},
        {"result without ok", completionText("r", "a", R"({"status":"completed"})"),
         kCompletionInvalid},
        {"unknown status", completionText("r", "a", R"({"ok":true,"status":"done"})"),
         kCompletionInvalid},
        {"requestId not a text",
         R"({"operation":"complete-host-action","requestId":1,"actionId":"a","result":{"ok":true,"status":"completed"}})",
         kCompletionInvalid},
        {"ok not a boolean", completionText("r", "a", R"({"ok":1,"status":"completed"})"),
         kCompletionInvalid},
        {"action with capital", completionText("har_1", "Open", kOkResult), kIdentifiersInvalid},
        {"request id with dash first", completionText("-har", "open", kOkResult),
         kIdentifiersInvalid},
        {"request id with trailing line feed", completionText(R"(har_1\n)", "open", kOkResult),
         kIdentifiersInvalid},
        {"identifiers before result",
         completionText("har_1", "Open", R"({"ok":false,"status":"completed"})"),
         kIdentifiersInvalid},
        {"status mismatch", completionText("har_1", "open", R"({"ok":false,"status":"completed"})"),
         kStatusMismatch},
        {"bad code",
         completionText("har_1", "open", R"({"ok":true,"status":"completed","code":"X"})"),
         kCodeInvalid},
        {"reserved key in data",
         completionText("har_1", "open",
                        R"({"ok":true,"status":"completed","data":{"prototype":1}})"),
         kDataUnbounded},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(failureOf([&] { Codec::decodeCompletion(c.text); }), c.failure);
    }
}

TEST(HostActionCompletionTest, DecodesTheCompletionItCarries) {
    const auto completion = Codec::decodeCompletion(completionText(
        "har_1", "open",
        R"({"ok":false,"status":"failed","data":{"why":"a\/b"},"code":"denied","retryable":true})"));
    const VelmoraHostActionCompletion expected{
        "har_1", "open",
        VelmoraHostActionResult{false, VelmoraHostActionStatus::failed,
                                JSONValue(Object{{"why", "a/b"}}), "denied", true}};
    EXPECT_EQ(completion, expected);
    EXPECT_EQ(
        Codec::decodeCompletion(
            completionText("har_1", "open", R"({"ok":true,"status":"completed","data":null})"))
            .result.data,
        std::nullopt);
}

TEST(HostActionCompletionTest, SizeIsMeasuredOnTheTextAsReceived) {
    // A completion whose data is an array of texts, each within the text limit.
    auto completionOfSize = [](std::size_t bytes, char fill) {
        std::vector<std::string> texts;
        auto build = [&] {
            std::string elements;
            for (const auto& text : texts) {
                elements += (elements.empty() ? "\"" : ",\"") + text + "\"";
            }
            return completionText("har_1", "open",
                                  R"({"ok":true,"status":"completed","data":[)" + elements + "]}");
        };
        while (build().size() + 2040 < bytes) {
            texts.push_back(std::string(2000, fill));
        }
        texts.emplace_back();
        texts.back() = std::string(bytes - build().size(), fill);
        return build();
    };
    const auto atLimit = completionOfSize(16384, 'a');
    ASSERT_EQ(atLimit.size(), 16384u);
    EXPECT_EQ(failureOf([&] { Codec::decodeCompletion(atLimit); }), std::nullopt);

    const auto overLimit = completionOfSize(16385, 'a');
    ASSERT_EQ(overLimit.size(), 16385u);
    EXPECT_EQ(failureOf([&] { Codec::decodeCompletion(overLimit); }), kCompletionTooLarge);

    // Sent with raw slashes the text fits; its result written back by the system does not.
    const auto slashes = completionOfSize(16384, '/');
    ASSERT_EQ(slashes.size(), 16384u);
    EXPECT_EQ(failureOf([&] { Codec::decodeCompletion(slashes); }), kResultTooLarge);
}

TEST(HostActionCompletionTest, IsCompletionOperationLooksOnlyAtTheOperation) {
    struct Case {
        std::string text;
        bool expected;
    };
    const Case cases[] = {
        {completionText("har_1", "open", kOkResult), true},
        {R"({"operation":"complete-host-action"})", true},
        {R"({"operation":"complete-host-action","x":")" + std::string(20000, 'x') + "\"}", true},
        {R"({"operation":"complete-host-action","requestId":"Bad ID"})", true},
        {R"({"operation":"start-session"})", false},
        {R"({"operation":true})", false},
        {R"({"op":"complete-host-action"})", false},
        {R"(["complete-host-action"])", false},
        {R"("complete-host-action")", false},
        {"{\"operation\":\"complete-host-action\"", false},
        {"not json", false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Codec::isCompletionOperation(c.text), c.expected) << c.text.substr(0, 80);
    }
}

TEST(HostActionCompletionTest, ReplyTextIsExact) {
    EXPECT_EQ(Codec::completionJSON(true), R"({"completed":true})");
    EXPECT_EQ(Codec::completionJSON(true).size(), 18u);
    EXPECT_EQ(Codec::completionJSON(false), R"({"completed":false})");
    EXPECT_EQ(Codec::completionJSON(false).size(), 19u);
}

} // namespace
} // namespace velmora
