#include "velmora/widget_content.hpp"

#include "detail/number_description.hpp"
#include "velmora/decoding_error.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace velmora {
namespace {

TEST(NumberDescriptionTest, WritesDoublesAsThePlatformDescribesThem) {
    const std::pair<double, const char*> cases[] = {
        {2, "2.0"},
        {-3, "-3.0"},
        {0.5, "0.5"},
        {0, "0.0"},
        {-0.0, "-0.0"},
        {1e20, "1e+20"},
        {1e16, "1e+16"},
        {9007199254740992.0, "9007199254740992.0"},
        {9007199254740994.0, "9.007199254740994e+15"},
        {123456.789, "123456.789"},
        {0.1, "0.1"},
        {0.0001, "0.0001"},
        {0.00001, "1e-05"},
        {1.5e-7, "1.5e-07"},
        {1e-300, "1e-300"},
        {1.7976931348623157e308, "1.7976931348623157e+308"},
        {12.5, "12.5"},
        {100, "100.0"},
        {std::nan(""), "nan"},
        {INFINITY, "inf"},
        {-INFINITY, "-inf"},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(detail::describeNumber(value), expected) << expected;
    }
}

VelmoraWidgetContentSnapshot snapshotWith(std::map<std::string, std::string> messages) {
    return {"en", {}, std::move(messages)};
}

TEST(VelmoraWidgetContentSnapshotTest, TextLooksUpKeysCanonically) {
    const auto snapshot =
        snapshotWith({{"greeting", "Hello"}, {"empty", ""}, {"caf\xC3\xA9", "coffee"}});
    EXPECT_EQ(snapshot.text("greeting"), "Hello");
    EXPECT_EQ(snapshot.text("empty"), "");
    EXPECT_EQ(snapshot.text("missing"), std::nullopt);
    EXPECT_EQ(snapshot.text("cafe\xCC\x81"), "coffee"); // NFD spelling of the same key
    EXPECT_EQ(snapshot.text("Greeting"), std::nullopt);
}

TEST(VelmoraWidgetContentSnapshotTest, PlaceholdersAreFilledFromValues) {
    const auto snapshot = snapshotWith({{"hello", "Hello {name}, {name}!"},
                                        {"pair", "{a}{b}"},
                                        {"nested", "{a}b}"},
                                        {"braces", "{Name} {name} { name}"}});
    struct Case {
        std::string key;
        std::map<std::string, JSONValue> values;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"hello", {{"name", "Ada"}}, "Hello Ada, Ada!"},
        {"hello", {{"name", 2}}, "Hello 2.0, 2.0!"},
        {"hello", {{"name", 0.5}}, "Hello 0.5, 0.5!"},
        {"hello", {{"name", 1e20}}, "Hello 1e+20, 1e+20!"},
        {"hello", {{"name", true}}, "Hello true, true!"},
        {"hello", {{"name", nullptr}}, "Hello , !"},
        {"hello", {{"name", JSONValue::Object{{"x", 1}}}}, "Hello , !"},
        {"hello", {{"name", JSONValue::Array{1}}}, "Hello , !"},
        {"hello", {}, "Hello {name}, {name}!"},
        {"hello", {{"other", "x"}}, "Hello {name}, {name}!"},
        {"braces", {{"name", "n"}}, "{Name} n { name}"},
        // An inserted value is never searched again, whatever the order of the entries.
        {"pair", {{"a", "{b}"}, {"b", "B"}}, "{b}B"},
        {"pair", {{"a", "A"}, {"b", "{a}"}}, "A{a}"},
        // At one place the longer token wins.
        {"nested", {{"a", "1"}, {"a}b", "2"}}, "2"},
        {"missing", {{"a", "1"}}, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(snapshot.text(c.key, c.values), c.expected) << c.key;
    }
}

TEST(VelmoraWidgetContentResponseTest, DecodesDefaultsAndIgnoresUnknownKeys) {
    const auto response = decodeJSON<VelmoraWidgetContentResponse>(R"({
        "ok": true, "locale": "en", "messages": {"a": "A"}, "new": 1,
        "behavior": {"enabled": true, "mode": "guided", "showFaqFirst": true,
            "faqSectionTitleKey": "a", "workflowSectionTitleKey": "a",
            "contactFallbackLabelKey": "a", "operatorEscalationLabelKey": "a",
            "faq": [], "workflows": [{"id": "w", "titleKey": "a", "descriptionKey": "a",
                "initialStepId": "s", "steps": [
                    {"id": "s", "type": "answer", "promptKey": "a", "future": {}},
                    {"id": "t", "type": "answer", "promptKey": "a", "options": null},
                    {"id": "u", "type": "answer", "promptKey": "a", "options": [
                        {"id": "o", "labelKey": "a", "action": "next-step", "nextStepId": "s"},
                        {"id": "p", "labelKey": "a", "action": "next-step", "nextStepId": "s",
                         "labelValues": null}]}]}]}})");
    EXPECT_EQ(response.behavior.showHomeContact, std::nullopt);
    const auto& steps = response.behavior.workflows.at(0).steps;
    EXPECT_TRUE(steps.at(0).options.empty());
    EXPECT_TRUE(steps.at(1).options.empty());
    EXPECT_TRUE(steps.at(2).options.at(0).labelValues.empty());
    EXPECT_TRUE(steps.at(2).options.at(1).labelValues.empty());

    for (const char* broken : {
             R"({"ok": true, "locale": "en", "messages": {}})",
             R"({"ok": true, "locale": "en", "messages": {"a": 1}, "behavior": {}})",
             R"({"ok": "true", "locale": "en", "messages": {}, "behavior": {}})",
         }) {
        EXPECT_THROW(decodeJSON<VelmoraWidgetContentResponse>(broken), VelmoraDecodingError);
    }
}

} // namespace
} // namespace velmora
