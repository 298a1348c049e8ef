#include "detail/widget_defaults.hpp"
#include "sdk/widget_test_support.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace velmora {
namespace {

namespace defaults = detail::VelmoraWidgetDefaults;
using testing::failure;

VelmoraWidgetRawPalette defaultLight() {
    return *defaults::appearance().tokens->light;
}
VelmoraWidgetRawPalette defaultDark() {
    return *defaults::appearance().tokens->dark;
}

TEST(WidgetContrastTest, RatiosFollowRelativeLuminanceWithoutRounding) {
    struct Case {
        const char* foreground;
        const char* background;
        double ratio;
        bool passes;
    };
    const Case cases[] = {
        {"#777777", "#ffffff", 4.48, false}, // just under the minimum: no rounding up
        {"#767676", "#ffffff", 4.54, true},
        {"#000", "#fff", 21, true},
        {"#000000", "#ffffff", 21, true},
        {"#ffffff", "#000000", 21, true}, // order of the two colours does not matter
        {"#FFFFFF", "#fff", 1, false},
        {"#667085", "#ffffff", 4.98, true}, // the lowest ratio among the default palettes
        {"#667085", "#fffdf6", 4.89, true}, // the same on the cream surface
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.foreground) + " on " + c.background);
        EXPECT_NEAR(defaults::contrastRatio(c.foreground, c.background), c.ratio, 0.01);
        EXPECT_EQ(failure([&] { defaults::contrast(c.foreground, c.background); }),
                  c.passes ? "no error"
                           : "field-invalid: Widget palette contrast is insufficient.");
    }
}

TEST(WidgetContrastTest, ThreeDigitColoursHaveTheLuminanceOfTheirSixDigitForm) {
    for (const auto& [shortForm, longForm] :
         {std::pair{"#abc", "#aabbcc"}, {"#F0a", "#ff00aa"}, {"#123", "#112233"}}) {
        EXPECT_DOUBLE_EQ(defaults::luminance(shortForm), defaults::luminance(longForm))
            << shortForm;
    }
    EXPECT_DOUBLE_EQ(defaults::luminance("#000"), 0.0);
    EXPECT_DOUBLE_EQ(defaults::luminance("#FFFFFF"), 1.0);
}

TEST(WidgetPaletteTest, DefaultAndCreamTintedPalettesPassUnchanged) {
    VelmoraWidgetRawPalette cream = defaultLight();
    cream.surface = "#fffdf6";
    cream.raisedSurface = "#fffdf6";
    for (const auto& raw : {defaultLight(), defaultDark(), cream}) {
        const VelmoraWidgetPalette resolved = defaults::palette(raw);
        EXPECT_EQ(resolved.surface, *raw.surface);
        EXPECT_EQ(resolved.raisedSurface, *raw.raisedSurface);
        EXPECT_EQ(resolved.onAccent, *raw.onAccent);
        EXPECT_EQ(resolved.focus, *raw.focus);
    }
    const VelmoraWidgetPalette light = defaults::palette(defaultLight());
    EXPECT_EQ(light, (VelmoraWidgetPalette{"#ffffff", "#f9fafb", "#171c35", "#667085", "#ccd3df",
                                           "#275cf6", "#ffffff", "#275cf6", "#275cf6"}));
}

TEST(WidgetPaletteTest, ChecksCompletenessThenFormThenContrast) {
    const std::string incomplete = "field-invalid: Widget palette is incomplete.";
    const std::string invalid = "field-invalid: Widget palette contains an invalid color.";
    const std::string contrast = "field-invalid: Widget palette contrast is insufficient.";
    struct Case {
        const char* name;
        std::function<void(VelmoraWidgetRawPalette&)> change;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"upper-case digits", [](auto& p) { p.surface = "#FFFFFF"; }, "no error"},
        {"border equal to surface", [](auto& p) { p.border = p.surface; }, "no error"},
        {"muted text poor only on the raised surface",
         [](auto& p) {
             p.raisedSurface = "#dddddd";
             p.mutedText = "#757575";
         },
         "no error"},
        {"text poor only on the raised surface",
         [](auto& p) {
             p.raisedSurface = "#dddddd";
             p.text = "#666666";
         },
         contrast},
        {"text #777777 on white", [](auto& p) { p.text = "#777777"; }, contrast},
        {"muted text #767676 on white", [](auto& p) { p.mutedText = "#767676"; }, "no error"},
        {"accent equal to onAccent", [](auto& p) { p.onAccent = p.accent; }, contrast},
        {"link poor on surface", [](auto& p) { p.link = "#aaaaaa"; }, contrast},
        {"focus poor on surface", [](auto& p) { p.focus = "#eeeeee"; }, contrast},
        {"missing focus", [](auto& p) { p.focus.reset(); }, incomplete},
        {"missing focus beats a malformed surface",
         [](auto& p) {
             p.focus.reset();
             p.surface = "white";
         },
         incomplete},
        {"empty text is present but malformed", [](auto& p) { p.accent = ""; }, invalid},
        {"malformed border outside every pair", [](auto& p) { p.border = "#ccd3d"; }, invalid},
        {"form beats contrast",
         [](auto& p) {
             p.onAccent = p.accent;
             p.link = "#12345g";
         },
         invalid},
        {"four digits", [](auto& p) { p.text = "#0000"; }, invalid},
        {"seven digits", [](auto& p) { p.text = "#0000000"; }, invalid},
        {"no hash", [](auto& p) { p.text = "000000"; }, invalid},
        {"letter beyond f", [](auto& p) { p.text = "#00000g"; }, invalid},
        {"leading space", [](auto& p) { p.text = " #000000"; }, invalid},
        {"trailing space", [](auto& p) { p.text = "#000000 "; }, invalid},
        {"trailing newline", [](auto& p) { p.text = "#000000\n"; }, invalid},
        {"non-ASCII digit", [](auto& p) { p.text = "#00000\u0661"; }, invalid},
    };
    for (const auto& c : cases) {
        VelmoraWidgetRawPalette raw = defaultLight();
        c.change(raw);
        EXPECT_EQ(failure([&] { defaults::palette(raw); }), c.expected) << c.name;
    }
}

} // namespace
} // namespace velmora
