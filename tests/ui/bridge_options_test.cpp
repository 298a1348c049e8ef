// The option dictionary a cross-platform host hands the widget, read key by key.
#include "hosting/bridge_configuration.hpp"
#include "sdk/field_invalid_support.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace velmora {
namespace {

using Configuration = VelmoraWidgetBridgeConfiguration;
using Dictionary = VelmoraHostDictionary;
using Options = VelmoraNativeWidgetOptionValues;
using testing::failureOf;
using testing::repeated;

Dictionary wrapped(Dictionary options) {
    Dictionary outer;
    outer.set("widget", std::move(options));
    return outer;
}

// A value whose containers nest `depth` deep (`depth` 0 is the scalar itself); alternating
// dictionaries and arrays, built by moving so that deep values are cheap to make.
VelmoraHostValue nested(std::size_t depth) {
    VelmoraHostValue value = 1;
    for (std::size_t level = 0; level < depth; ++level) {
        if (level % 2 == 0) {
            Dictionary dictionary;
            dictionary.set("k", std::move(value));
            value = VelmoraHostValue(std::move(dictionary));
        } else {
            VelmoraHostValue::Array array;
            array.push_back(std::move(value));
            value = VelmoraHostValue(std::move(array));
        }
    }
    return value;
}

// An option whose own dictionary is the first of `depth` nested containers.
Dictionary optionNested(const char* key, std::size_t depth) {
    Dictionary inner;
    inner.set("k", nested(depth - 1));
    Dictionary options;
    options.set(key, std::move(inner));
    return options;
}

TEST(VelmoraBridgeOptions, EmptyDictionaryGivesNoOptions) {
    const Options decoded = Configuration::decodeNativeOptions({});
    EXPECT_EQ(decoded, Options{});
    EXPECT_FALSE(decoded.view);
    EXPECT_TRUE(decoded.hostActionIds.empty());
    EXPECT_TRUE(decoded.context.empty());
}

TEST(VelmoraBridgeOptions, FlatAndWrappedShapesReadAlike) {
    const Dictionary options{{"view", "help"}, {"locale", "uk"}, {"title", "Hi"}};
    const Options flat = Configuration::decodeNativeOptions(options);
    EXPECT_EQ(flat, Configuration::decodeNativeOptions(wrapped(options)));
    EXPECT_EQ(flat.view, VelmoraWidgetViewMode::help);
    EXPECT_EQ(flat.locale, "uk");
}

// Each key on its own, and the field it fills.
TEST(VelmoraBridgeOptions, DecodesEachKey) {
    const std::string emoji500 = repeated("👍🏽", 500); // 500 characters, 4000 bytes
    struct Case {
        const char* name;
        Dictionary options;
        Options expected;
    } cases[] = {
        {"locale", {{"locale", "de"}}, {.locale = "de"}},
        {"blank title is accepted", {{"title", "   "}}, {.title = "   "}},
        {"title counted in characters, not bytes", {{"title", emoji500}}, {.title = emoji500}},
        {"subtitle", {{"subtitle", "We reply fast"}}, {.subtitle = "We reply fast"}},
        {"reduceMotion true", {{"reduceMotion", true}}, {.reduceMotion = true}},
        {"reduceMotion false", {{"reduceMotion", false}}, {.reduceMotion = false}},
        {"view", {{"view", "messages"}}, {.view = VelmoraWidgetViewMode::messages}},
        {"article alone opens help",
         {{"articleId", "faq:Returns_2"}},
         {.view = VelmoraWidgetViewMode::help, .articleId = "faq:Returns_2"}},
        {"article with help",
         {{"view", "help"}, {"articleId", "a"}},
         {.view = VelmoraWidgetViewMode::help, .articleId = "a"}},
        {"host actions keep their order",
         {{"hostActionIds", VelmoraHostValue::Array{"open-cart", "a:b_c-1", "0"}}},
         {.hostActionIds = {"open-cart", "a:b_c-1", "0"}}},
        {"no host actions", {{"hostActionIds", VelmoraHostValue::Array{}}}, {}},
        {"context",
         {{"context", Dictionary{{"plan", "pro"}, {"seats", 3}}}},
         {.context = {{"plan", "pro"}, {"seats", 3}}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Configuration::decodeNativeOptions(c.options), c.expected) << c.name;
    }
}

// Host booleans and numbers are different values: 0 and 1 stay numbers, true and false stay
// booleans, at every depth and in arrays.
TEST(VelmoraBridgeOptions, AppearanceKeepsBooleansAndNumbersApart) {
    const Dictionary options{
        {"appearance",
         Dictionary{
             {"one", 1},
             {"zero", 0},
             {"yes", true},
             {"no", false},
             {"unsigned", std::uint64_t{14}},
             {"half", 0.5},
             {"mixed", VelmoraHostValue::Array{1, true, 0, false}},
             {"tokens", Dictionary{{"fontFamily", "Noto Sans"}, {"flag", true}, {"size", 14}}},
         }},
    };
    const Options decoded = Configuration::decodeNativeOptions(options);
    ASSERT_TRUE(decoded.appearance);
    const JSONValue::Object& a = *decoded.appearance;
    struct Case {
        JSONValue actual;
        JSONValue::Kind kind;
        JSONValue expected;
    } cases[] = {
        {a.at("one"), JSONValue::Kind::number, 1.0},
        {a.at("zero"), JSONValue::Kind::number, 0.0},
        {a.at("yes"), JSONValue::Kind::boolean, true},
        {a.at("no"), JSONValue::Kind::boolean, false},
        {a.at("unsigned"), JSONValue::Kind::number, 14.0},
        {a.at("half"), JSONValue::Kind::number, 0.5},
        {a.at("mixed").ifArray()->at(0), JSONValue::Kind::number, 1.0},
        {a.at("mixed").ifArray()->at(1), JSONValue::Kind::boolean, true},
        {a.at("mixed").ifArray()->at(2), JSONValue::Kind::number, 0.0},
        {a.at("mixed").ifArray()->at(3), JSONValue::Kind::boolean, false},
        {a.at("tokens").ifObject()->at("flag"), JSONValue::Kind::boolean, true},
        {a.at("tokens").ifObject()->at("size"), JSONValue::Kind::number, 14.0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.actual.kind(), c.kind) << encodeJSON(c.actual);
        EXPECT_EQ(c.actual, c.expected);
    }
}

TEST(VelmoraBridgeOptions, RefusesHostileDictionaries) {
    Dictionary numberKeyed;
    numberKeyed.set(VelmoraHostValue(1), "x");
    Dictionary numberKeyedAppearance;
    numberKeyedAppearance.set("appearance", numberKeyed);
    Dictionary manyIds;
    VelmoraHostValue::Array ids;
    for (int i = 0; i < 33; ++i) {
        ids.push_back("id-" + std::to_string(i));
    }
    manyIds.set("hostActionIds", ids);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();

    struct Case {
        const char* name;
        Dictionary options;
        std::string message;
    } cases[] = {
        // Shapes and keys.
        {"widget beside another key",
         {{"widget", Dictionary{}}, {"view", "help"}},
         "Widget options must contain only a widget presentation object."},
        {"widget as text",
         {{"widget", "help"}},
         "Widget options must contain only a widget presentation object."},
        {"number key", numberKeyed, "Widget option keys must be strings."},
        {"number key inside an option", numberKeyedAppearance,
         "Widget option keys must be strings."},
        {"unknown key, flat", {{"colour", "red"}}, "Unknown widget option: widget.colour"},
        {"unknown key, wrapped", wrapped({{"colour", "red"}}),
         "Unknown widget option: widget.colour"},
        // Locale.
        {"locale with a leading space", {{"locale", " en"}}, "Unsupported widget locale."},
        {"upper-case locale", {{"locale", "EN"}}, "Unsupported widget locale."},
        {"locale outside the four", {{"locale", "fr"}}, "Unsupported widget locale."},
        {"blank locale", {{"locale", "  "}}, "locale is invalid."},
        {"locale too long", {{"locale", "en-GB-oxendict"}}, "locale is invalid."},
        {"locale as a number", {{"locale", 1}}, "locale is invalid."},
        // Copy texts.
        {"empty title", {{"title", ""}}, "title is invalid."},
        {"title of 501 characters", {{"title", repeated("a", 501)}}, "title is invalid."},
        {"title as a boolean", {{"title", true}}, "title is invalid."},
        {"title not UTF-8", {{"title", "caf\xC3"}}, "title is invalid."},
        {"subtitle as a number", {{"subtitle", 3}}, "subtitle is invalid."},
        // Objects.
        {"appearance as text", {{"appearance", "dark"}}, "appearance must be an object."},
        {"platform as an array",
         {{"platform", VelmoraHostValue::Array{}}},
         "platform must be an object."},
        {"context as a number", {{"context", 1}}, "context must be an object."},
        // Booleans are never numbers or text.
        {"reduceMotion as text", {{"reduceMotion", "true"}}, "reduceMotion must be a boolean."},
        {"reduceMotion as 1", {{"reduceMotion", 1}}, "reduceMotion must be a boolean."},
        {"reduceMotion as 0", {{"reduceMotion", 0}}, "reduceMotion must be a boolean."},
        {"reduceMotion as unsigned 1", {{"reduceMotion", 1u}}, "reduceMotion must be a boolean."},
        // Screens and articles.
        {"unknown view", {{"view", "chat"}}, "view is invalid."},
        {"view with a space", {{"view", " help"}}, "view is invalid."},
        {"empty view", {{"view", ""}}, "view is invalid."},
        {"article starting with a colon", {{"articleId", ":faq"}}, "articleId is invalid."},
        {"article of 129 characters", {{"articleId", repeated("a", 129)}}, "articleId is invalid."},
        {"article with the home view",
         {{"view", "home"}, {"articleId", "faq"}},
         "articleId requires the help view."},
        // Host actions.
        {"33 host actions", manyIds, "hostActionIds must contain at most 32 strings."},
        {"host action as a number",
         {{"hostActionIds", VelmoraHostValue::Array{"a", 1}}},
         "hostActionIds must contain at most 32 strings."},
        {"host actions as text",
         {{"hostActionIds", "a"}},
         "hostActionIds must contain at most 32 strings."},
        {"duplicate host action",
         {{"hostActionIds", VelmoraHostValue::Array{"a", "b", "a"}}},
         "hostActionIds contains an invalid or duplicate ID."},
        {"upper-case host action",
         {{"hostActionIds", VelmoraHostValue::Array{"Open"}}},
         "hostActionIds contains an invalid or duplicate ID."},
        // Values inside the objects.
        {"null deep in appearance",
         {{"appearance", Dictionary{{"tokens", Dictionary{{"shadow", nullptr}}}}}},
         "appearance.tokens.shadow contains an unsupported value."},
        {"null in an array keeps the array's path",
         {{"platform", Dictionary{{"list", VelmoraHostValue::Array{1, nullptr}}}}},
         "platform.list contains an unsupported value."},
        {"text that is not UTF-8",
         {{"appearance", Dictionary{{"mode", "\xFF"}}}},
         "appearance.mode contains an unsupported value."},
        {"NaN",
         {{"platform", Dictionary{{"safeArea", Dictionary{{"topPx", nan}}}}}},
         "platform.safeArea.topPx must be finite."},
        {"infinity",
         {{"appearance", Dictionary{{"size", -infinity}}}},
         "appearance.size must be finite."},
        {"context beyond the host-action bounds",
         {{"context", Dictionary{{"k", nested(4)}}}},
         "Host action context contains an unbounded value."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(failureOf([&] { Configuration::decodeNativeOptions(c.options); }), c.message)
            << c.name;
    }
}

// Nesting is bounded, so a hostile host cannot exhaust the stack of any walk that follows;
// real designs are four levels deep.
TEST(VelmoraBridgeOptions, BoundsNesting) {
    const std::size_t cap = Configuration::maxOptionDepth;
    for (const char* key : {"appearance", "platform"}) {
        EXPECT_EQ(failureOf([&] { Configuration::decodeNativeOptions(optionNested(key, cap)); }),
                  std::nullopt)
            << key;
        for (std::size_t depth : {cap + 1, std::size_t{5000}}) {
            EXPECT_EQ(
                failureOf([&] { Configuration::decodeNativeOptions(optionNested(key, depth)); }),
                std::string(key) + " is nested too deeply.")
                << key << " " << depth;
        }
    }
    EXPECT_EQ(failureOf([&] { Configuration::decodeNativeOptions(optionNested("context", 5000)); }),
              "context is nested too deeply.");
}

} // namespace
} // namespace velmora
