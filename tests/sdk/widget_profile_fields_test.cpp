#include "detail/widget_defaults.hpp"
#include "sdk/widget_test_support.hpp"
#include "velmora/decoding_error.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

namespace defaults = detail::VelmoraWidgetDefaults;
using testing::bytes;
using testing::failure;

std::string check(std::string_view profile) {
    return failure([&] { defaults::validateWireProfile(bytes(profile)); });
}

std::string unknownAt(const std::string& path) {
    return "field-invalid: Unsupported widget design field at " + path + ".";
}

TEST(WidgetProfileFieldsTest, RefusesUnknownNamesWithTheirDottedPath) {
    struct Case {
        std::string profile;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"{}", "no error"},
        {"[]", "field-invalid: Widget design profile must be an object."},
        {R"([{"theme":1}])", "field-invalid: Widget design profile must be an object."},
        {R"({"theme":"dark"})", unknownAt("experience.theme")},
        {R"({"Locale":"en"})", unknownAt("experience.Locale")},
        {R"({"appearance":{"tokens":{"dark":{"shade":"#000"}}}})",
         unknownAt("experience.appearance.tokens.dark.shade")},
        {R"({"appearance":{"tokens":{"light":{"Surface":"#fff"}}}})",
         unknownAt("experience.appearance.tokens.light.Surface")},
        {R"({"appearance":{"layout":{"width":400}}})",
         unknownAt("experience.appearance.layout.width")},
        {R"({"appearance":{"theme":{}}})", unknownAt("experience.appearance.theme")},
        {R"({"platformOverrides":{"windows":{}}})",
         unknownAt("experience.platformOverrides.windows")},
        {R"({"platformOverrides":{"reactNative":{}}})",
         unknownAt("experience.platformOverrides.reactNative")},
        {R"({"platformOverrides":{"android":{"safeArea":{"top":1}}}})",
         unknownAt("experience.platformOverrides.android.safeArea.top")},
        {R"({"platformOverrides":{"ios":{"appearance":{"tokens":{"light":{"shade":"#fff"}}}}}})",
         unknownAt("experience.platformOverrides.ios.appearance.tokens.light.shade")},
        {R"({"platformOverrides":{"web":{"keyboard":{"mode":"pan"}}}})",
         unknownAt("experience.platformOverrides.web.keyboard.mode")},
        {R"({"platformOverrides":{"web":{"navigation":{"close":"pop"}}}})",
         unknownAt("experience.platformOverrides.web.navigation.close")},
        {R"({"platformOverrides":{"web":{"presentation":{}}}})",
         unknownAt("experience.platformOverrides.web.presentation")},
        {R"({"presentation":{"visible":true}})", unknownAt("experience.presentation.visible")},
        {R"({"copy":{"panel.heading":"Hi"}})", unknownAt("experience.copy.panel.heading")},
        {R"({"copy":{"panel.title":"Hi","nav.help":"Help"}})", "no error"},
        // Values are left to typed decoding: wrong types and leaves are not looked into.
        {R"({"appearance":{"tokens":5}})", "no error"},
        {R"({"appearance":{"tokens":{"fontSize":{"anything":1}}}})", "no error"},
        {R"({"appearance":{"tokens":{"light":[{"shade":1}]}}})", "no error"},
        {R"({"appearance":null,"copy":null,"platformOverrides":{"ios":null}})", "no error"},
        {R"({"schemaVersion":{"x":1},"locale":{"y":2}})", "no error"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(check(c.profile), c.expected) << c.profile;
    }
}

TEST(WidgetProfileFieldsTest, TextThatIsNotAJsonObjectOrArrayFailsAsDecoding) {
    for (const char* text : {"", "not json", "\"text\"", "42", "null", "{\"a\":1,}", "{} {}"}) {
        EXPECT_THROW(defaults::validateWireProfile(bytes(text)), VelmoraDecodingError) << text;
    }
}

} // namespace
} // namespace velmora
