#include "sdk/widget_test_support.hpp"
#include "velmora/decoding_error.hpp"
#include "velmora/widget_copy.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace velmora {
namespace {

using testing::failure;
using testing::fullLocaleCopy;

std::string repeated(std::string_view unit, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += unit;
    }
    return text;
}

TEST(WidgetCopyTest, RequiresExactlyTheKeysWithShortNonEmptyTexts) {
    const std::string incomplete = "field-invalid: Widget locale copy is incomplete.";
    // A family emoji (five scalars) and a flag (two) each count as one character.
    const std::string family = "\U0001F469\u200D\U0001F469\u200D\U0001F467";
    const std::string flag = "\U0001F1FA\U0001F1E6";
    struct Case {
        const char* name;
        std::function<void(std::map<std::string, std::string>&)> change;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"every key", [](auto&) {}, "no error"},
        {"one space, untrimmed", [](auto& v) { v["panel.title"] = " "; }, "no error"},
        {"500 letters", [](auto& v) { v["panel.title"] = std::string(500, 'a'); }, "no error"},
        {"501 letters", [](auto& v) { v["panel.title"] = std::string(501, 'a'); }, incomplete},
        {"500 multi-scalar emoji",
         [&](auto& v) { v["panel.title"] = repeated(family, 250) + repeated(flag, 250); },
         "no error"},
        {"501 multi-scalar emoji",
         [&](auto& v) { v["panel.title"] = repeated(family, 251) + repeated(flag, 250); },
         incomplete},
        {"500 letters with combining marks",
         [](auto& v) { v["panel.title"] = repeated("e\u0301", 500); }, "no error"},
        {"a missing key", [](auto& v) { v.erase("nav.help"); }, incomplete},
        {"an empty text", [](auto& v) { v["nav.help"] = ""; }, incomplete},
        {"an extra key", [](auto& v) { v["nav.settings"] = "Settings"; }, incomplete},
        {"a key differing in case",
         [](auto& v) {
             v.erase("nav.help");
             v["nav.Help"] = "Help";
         },
         incomplete},
        {"nothing", [](auto& v) { v.clear(); }, incomplete},
        {"invalid UTF-8", [](auto& v) { v["panel.title"] = "Hi \xC3"; }, incomplete},
    };
    for (const auto& c : cases) {
        auto values = fullLocaleCopy();
        c.change(values);
        EXPECT_EQ(failure([&] { VelmoraWidgetCopy copy(values); }), c.expected) << c.name;
    }
}

TEST(WidgetCopyTest, KeepsTheTableUnchanged) {
    auto values = fullLocaleCopy();
    values["panel.title"] = "  Help centre \n";
    const VelmoraWidgetCopy copy(values);
    EXPECT_EQ(copy.values(), values);
    EXPECT_EQ(VelmoraWidgetCopy::requiredKeys().size(), 56u);
    EXPECT_TRUE(VelmoraWidgetCopy::requiredKeys().contains("status.handoff.request"));
}

TEST(WidgetCopyTest, DecodingTakesTheTableWithoutChecks) {
    const auto empty = decodeJSON<VelmoraWidgetCopy>(R"({"values":{}})");
    EXPECT_TRUE(empty.values().empty());
    const auto partial = decodeJSON<VelmoraWidgetCopy>(R"({"values":{"nav.x":"X"},"extra":1})");
    EXPECT_EQ(partial.values(), (std::map<std::string, std::string>{{"nav.x", "X"}}));
    EXPECT_EQ(encodeJSON(partial), R"({"values":{"nav.x":"X"}})");
    EXPECT_THROW(decodeJSON<VelmoraWidgetCopy>("{}"), VelmoraDecodingError);
    EXPECT_THROW(decodeJSON<VelmoraWidgetCopy>(R"({"values":{"a":1}})"), VelmoraDecodingError);
}

} // namespace
} // namespace velmora
