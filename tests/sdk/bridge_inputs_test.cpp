#include "velmora/bridge_inputs.hpp"
#include "velmora/error.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace velmora {
namespace {

using Dictionary = VelmoraHostDictionary;

std::string failure(const std::function<void()>& parse) {
    try {
        parse();
    } catch (const VelmoraError& e) {
        EXPECT_EQ(e.code(), VelmoraErrorCode::fieldInvalid);
        EXPECT_FALSE(e.status());
        return e.message();
    }
    return "parsed";
}

std::string startFailure(const Dictionary& values) {
    return failure([&] { VelmoraBridgeInput::sessionStart(values); });
}

// Host metadata whose containers nest `depth` deep, its own dictionary counting as one. Built
// by moving, never copying, so that very deep values cost no deep recursion to make.
Dictionary nestedMetadata(std::size_t depth) {
    VelmoraHostValue value = 1;
    for (std::size_t level = 1; level < depth; ++level) {
        VelmoraHostValue::Array array;
        array.push_back(std::move(value));
        value = VelmoraHostValue(std::move(array));
    }
    Dictionary metadata;
    metadata.set("k", std::move(value));
    return metadata;
}

Dictionary startWith(const char* key, Dictionary metadata) {
    Dictionary values;
    values.set("message", "hi");
    values.set(key, std::move(metadata));
    return values;
}

TEST(VelmoraBridgeInput, SessionStartFailuresInPrecedence) {
    Dictionary numericKeyed{{"a", 1}};
    numericKeyed.set(VelmoraHostValue(7), "x");
    struct Case {
        const char* name;
        Dictionary values;
        std::string message;
    } cases[] = {
        {"unknown key before missing message",
         {{"widget", "x"}},
         "The bridge operation contains an unsupported field."},
        {"empty", {}, "startSession.message is required."},
        {"message not text", {{"message", 5}}, "startSession.message is required."},
        {"envelope keys accepted",
         {{"message", ""}, {"apiOrigin", "x"}, {"pollIntervalMs", 5}, {"config", Dictionary{}}},
         "parsed"},
        {"null key value",
         {{"message", "hi"}, {"idempotencyKey", nullptr}},
         "Bridge string fields must be strings."},
        {"number as text",
         {{"message", "hi"}, {"timeZone", 1}},
         "Bridge string fields must be strings."},
        {"prefill not a dictionary",
         {{"message", "hi"}, {"prefill", "x"}},
         "startSession.prefill must be an object."},
        {"prefill with envelope key",
         {{"message", "hi"}, {"prefill", Dictionary{{"locale", "en"}}}},
         "The bridge operation contains an unsupported field."},
        {"prefill fields not a dictionary",
         {{"message", "hi"}, {"prefill", Dictionary{{"fields", VelmoraHostValue::Array{}}}}},
         "Metadata must be an object."},
        {"metadata array",
         {{"message", "hi"}, {"metadata", VelmoraHostValue::Array{}}},
         "Metadata must be an object."},
        {"metadata numeric key",
         {{"message", "hi"}, {"metadata", numericKeyed}},
         "Metadata object keys must be strings."},
        {"nested numeric key",
         {{"message", "hi"},
          {"metadata", Dictionary{{"n", VelmoraHostValue::Array{numericKeyed}}}}},
         "Metadata object keys must be strings."},
        {"non-finite number",
         {{"message", "hi"}, {"metadata", Dictionary{{"n", INFINITY}}}},
         "Metadata contains a non-finite number."},
        {"bytes that are not UTF-8",
         {{"message", "hi"}, {"metadata", Dictionary{{"t", "\xff"}}}},
         "Metadata contains an unsupported value."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(startFailure(c.values), c.message) << c.name;
    }
}

TEST(VelmoraBridgeInput, MetadataNestsNoDeeperThanTheClientStores) {
    EXPECT_EQ(startFailure(startWith("metadata", nestedMetadata(500))), "parsed");
    EXPECT_EQ(startFailure(startWith("metadata", nestedMetadata(501))),
              "Metadata is nested too deeply.");
    Dictionary prefill;
    prefill.set("fields", nestedMetadata(501));
    EXPECT_EQ(startFailure(startWith("prefill", std::move(prefill))),
              "Metadata is nested too deeply.");
    // Far deeper stops at the same level. (Not deep enough to exhaust the stack: destroying
    // such a value recurses too, and that is the host's own.)
    EXPECT_EQ(failure([] {
                  Dictionary values;
                  values.set("text", "hi");
                  values.set("metadata", nestedMetadata(5000));
                  VelmoraBridgeInput::message(values);
              }),
              "Metadata is nested too deeply.");
}

TEST(VelmoraBridgeInput, SessionStartReadsEveryField) {
    const Dictionary values{
        {"message", "Hello"},
        {"idempotencyKey", "key-0123456789abcdef"},
        {"prefill", Dictionary{{"name", "Ann"}, {"fields", Dictionary{{"plan", "pro"}}}}},
        {"metadata", Dictionary{{"flag", true},
                                {"one", 1},
                                {"big", std::uint64_t(1) << 40},
                                {"none", nullptr},
                                {"list", VelmoraHostValue::Array{1.5, "x"}}}},
        {"timeZone", "Europe/Kyiv"},
        {"locale", "en"}};
    const auto input = VelmoraBridgeInput::sessionStart(values);
    EXPECT_EQ(input.message, "Hello");
    EXPECT_EQ(input.idempotencyKey, "key-0123456789abcdef");
    ASSERT_TRUE(input.prefill);
    EXPECT_EQ(input.prefill->name, "Ann");
    EXPECT_EQ(input.prefill->fields, (JSONValue::Object{{"plan", "pro"}}));
    EXPECT_EQ(input.metadata, (JSONValue::Object{{"flag", true},
                                                 {"one", 1.0},
                                                 {"big", 1099511627776.0},
                                                 {"none", nullptr},
                                                 {"list", JSONValue::Array{1.5, "x"}}}));
    EXPECT_EQ(input.timeZone, "Europe/Kyiv");
    EXPECT_FALSE(input.turnstileToken);
    EXPECT_FALSE(input.startedAt);
}

TEST(VelmoraBridgeInput, MessageAndOperationValues) {
    EXPECT_EQ(failure([] { VelmoraBridgeInput::message({}); }), "sendMessage.text is required.");
    EXPECT_EQ(failure([] {
                  VelmoraBridgeInput::message({{"message", "hi"}});
              }),
              "The bridge operation contains an unsupported field.");
    const auto input = VelmoraBridgeInput::message(
        {{"text", "hi"}, {"startedAt", "2024-01-01T00:00:00Z"}, {"accountScope", "a"}});
    EXPECT_EQ(input.text, "hi");
    EXPECT_EQ(input.startedAt, "2024-01-01T00:00:00Z");

    const Dictionary withWidget{{"message", "hi"}, {"widget", Dictionary{}}, {"config", 1}};
    EXPECT_EQ(startFailure(withWidget), "The bridge operation contains an unsupported field.");
    EXPECT_EQ(VelmoraBridgeInput::operationValues(withWidget), (Dictionary{{"message", "hi"}}));
    EXPECT_EQ(
        VelmoraBridgeInput::sessionStart(VelmoraBridgeInput::operationValues(withWidget)).message,
        "hi");
}

} // namespace
} // namespace velmora
