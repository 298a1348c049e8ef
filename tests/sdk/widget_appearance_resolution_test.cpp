#include "detail/widget_defaults.hpp"
#include "sdk/widget_test_support.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <functional>
#include <limits>
#include <locale>
#include <string>

namespace velmora {
namespace {

namespace defaults = detail::VelmoraWidgetDefaults;
using testing::failure;
using Tokens = VelmoraWidgetRawAppearanceV2::Tokens;
using Layout = VelmoraWidgetRawAppearanceV2::Layout;

// Runs the suite's length cases once more with a comma as the decimal separator, in the C
// locale when one is installed here and always in the C++ global locale.
class CommaDecimalLocale {
public:
    CommaDecimalLocale() : savedCpp_(std::locale()) {
        if (const char* current = std::setlocale(LC_ALL, nullptr)) {
            savedC_ = current;
        }
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8",
                                 "uk_UA.UTF-8", "es_ES.UTF-8", "ru_RU.UTF-8"}) {
            if (std::setlocale(LC_ALL, name) != nullptr) {
                cLocale_ = name;
                break;
            }
        }
        std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
    }
    ~CommaDecimalLocale() {
        std::locale::global(savedCpp_);
        std::setlocale(LC_ALL, savedC_.c_str());
    }
    CommaDecimalLocale(const CommaDecimalLocale&) = delete;
    CommaDecimalLocale& operator=(const CommaDecimalLocale&) = delete;

    const std::string& cLocale() const { return cLocale_; }

private:
    struct CommaPunct : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
        char do_thousands_sep() const override { return '.'; }
        std::string do_grouping() const override { return "\3"; }
    };
    std::locale savedCpp_;
    std::string savedC_ = "C";
    std::string cLocale_;
};

struct LengthCase {
    std::string text;
    std::string expected; // a number of pixels, or the error
};

std::vector<LengthCase> fontSizeCases() {
    const std::string invalid = "field-invalid: Widget fontSize is invalid.";
    const std::string outOfBounds = "field-invalid: Widget fontSize is out of bounds.";
    return {
        {"1rem", "16"},
        {"1.25rem", "20"},
        {"1.3rem", outOfBounds}, // 20.8
        {" 18PX ", "18"},
        {"\u00a018px\u3000\n", "18"}, // trimmed like any white space and line break
        {"14px", "14"},
        {"20.000px", "20"},
        {"0014px", "14"},
        {"1.0REM", "16"},
        {"13.99px", outOfBounds},
        {"20.01px", outOfBounds},
        {"0px", outOfBounds},
        {"18 px", invalid},
        {"18", invalid},
        {"px", invalid},
        {"+18px", invalid},
        {"-1px", invalid},
        {".5rem", invalid},
        {"1.rem", invalid},
        {"1e1px", invalid},
        {"18,5px", invalid},
        {"18pt", invalid},
        {"18em", invalid},
        {"18px;", invalid},
        {"18\u200bpx", invalid},
        {"\u0661\u0668px", invalid}, // Arabic-Indic digits
        {"\uff11\uff18px", invalid}, // full-width digits
        {"", invalid},
        {"   ", invalid},
        {std::string(400, '9') + "px", outOfBounds},
        {"0." + std::string(400, '0') + "1px", outOfBounds}, // reads as 0, not as a failure
    };
}

// The pixels written in shortest form, locale-free, or the error.
std::string readFontSize(const std::string& text) {
    double px = 0;
    const std::string error = failure([&] {
        px = defaults::cssNumber(text, 16, {14, 20}, "fontSize");
    });
    if (error != "no error") {
        return error;
    }
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, px).ptr;
    return std::string(buffer, end);
}

TEST(WidgetCssLengthTest, ReadsPixelsAndRemsStrictly) {
    for (const auto& c : fontSizeCases()) {
        EXPECT_EQ(readFontSize(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(WidgetCssLengthTest, IgnoresACommaDecimalProcessLocale) {
    CommaDecimalLocale locale;
    SCOPED_TRACE("C locale: " + (locale.cLocale().empty() ? "none installed" : locale.cLocale()));
    for (const auto& c : fontSizeCases()) {
        EXPECT_EQ(readFontSize(c.text), c.expected) << '"' << c.text << '"';
    }
    EXPECT_EQ(defaults::cssNumber("0.125rem", 8, {0, 2}, "borderWidth"), 2.0);
    EXPECT_EQ(defaults::cssNumber("1.5px", 8, {0, 2}, "borderWidth"), 1.5);
}

TEST(WidgetCssLengthTest, AbsentGivesTheDefaultUncheckedAndRangesIncludeBothEnds) {
    EXPECT_EQ(defaults::cssNumber(std::nullopt, 99, {0, 2}, "borderWidth"), 99.0);
    EXPECT_EQ(defaults::cssNumber("2rem", 8, {0, 32}, "controlRadius"), 32.0);
    EXPECT_EQ(defaults::cssNumber("0.125rem", 2, {0, 2}, "borderWidth"), 2.0);
    EXPECT_EQ(defaults::cssNumber("0px", 2, {0, 2}, "borderWidth"), 0.0);
    // Too small for a double: reads as zero, which is in range here.
    EXPECT_EQ(
        defaults::cssNumber("0." + std::string(400, '0') + "1px", 8, {0, 32}, "controlRadius"),
        0.0);
    EXPECT_EQ(failure([] {
                  defaults::cssNumber("2.5px", 2, {0, 2}, "borderWidth");
              }),
              "field-invalid: Widget borderWidth is out of bounds.");
}

TEST(WidgetBoundedTest, AcceptsFiniteValuesWithinTheClosedRange) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(defaults::bounded(std::nullopt, 1000, {320, 480}, "panelWidth"), 1000.0);
    EXPECT_EQ(defaults::bounded(480, 384, {320, 480}, "panelWidth"), 480.0);
    EXPECT_EQ(defaults::bounded(320, 384, {320, 480}, "panelWidth"), 320.0);
    for (double bad : {480.5, 319.99, inf, -inf, nan}) {
        EXPECT_EQ(failure([&] {
                      defaults::bounded(bad, 384, {320, 480}, "panelWidth");
                  }),
                  "field-invalid: Widget panelWidth is out of bounds.")
            << bad;
    }
}

VelmoraWidgetRawAppearanceV2 withTokens(Tokens tokens) {
    return {.tokens = std::move(tokens)};
}
VelmoraWidgetRawAppearanceV2 withLayout(Layout layout) {
    return {.layout = std::move(layout)};
}

TEST(WidgetAppearanceResolutionTest, AbsentValuesAndTheDefaultLayerResolveAlike) {
    const VelmoraWidgetAppearance resolved = defaults::resolve({});
    EXPECT_EQ(resolved.mode, VelmoraWidgetColorMode::system);
    EXPECT_EQ(resolved.light, defaults::palette(*defaults::appearance().tokens->light));
    EXPECT_EQ(resolved.dark, defaults::palette(*defaults::appearance().tokens->dark));
    EXPECT_EQ(resolved.typography, (VelmoraWidgetTypography{"Velmora Noto Sans", 16, 1.5}));
    EXPECT_EQ(resolved.spacing, (VelmoraWidgetSpacing{4, 8, 12, 16, 24}));
    EXPECT_EQ(resolved.metrics, (VelmoraWidgetMetrics{44, 56, 384, 640, 20, 20}));
    EXPECT_EQ(resolved.controlRadiusPx, 8);
    EXPECT_EQ(resolved.borderWidthPx, 2);
    EXPECT_EQ(resolved.shadow, VelmoraWidgetShadow::none);
    EXPECT_EQ(resolved.layout, (VelmoraWidgetResolvedLayout{"bottom-right", "384px", "640px"}));
    EXPECT_EQ(defaults::resolve(defaults::appearance()), resolved);
}

TEST(WidgetAppearanceResolutionTest, KeepsValuesAndDropsTheFractionOfTheLayoutTexts) {
    VelmoraWidgetRawAppearanceV2 raw = defaults::appearance();
    raw.mode = VelmoraWidgetColorMode::dark;
    raw.tokens->shadow = VelmoraWidgetShadow::strong;
    raw.tokens->fontFamily = "\"Noto Sans\", 'Inter', sans-serif";
    raw.tokens->lineHeight = 1.8;
    raw.layout->placement = "bottom-left";
    raw.layout->panelWidth = 479.9;
    raw.layout->panelHeight = 480;
    raw.layout->offsetInline = 0;
    raw.layout->offsetBlock = 128;
    const VelmoraWidgetAppearance resolved = defaults::resolve(raw);
    EXPECT_EQ(resolved.mode, VelmoraWidgetColorMode::dark);
    EXPECT_EQ(resolved.shadow, VelmoraWidgetShadow::strong);
    EXPECT_EQ(resolved.typography.fontFamily, "\"Noto Sans\", 'Inter', sans-serif");
    EXPECT_EQ(resolved.typography.lineHeight, 1.8);
    EXPECT_EQ(resolved.metrics.panelWidthPx, 479.9);
    EXPECT_EQ(resolved.metrics.offsetInlinePx, 0);
    EXPECT_EQ(resolved.metrics.offsetBlockPx, 128);
    EXPECT_EQ(resolved.layout, (VelmoraWidgetResolvedLayout{"bottom-left", "479px", "480px"}));
}

TEST(WidgetAppearanceResolutionTest, RefusesValuesInTheOrderOfItsSteps) {
    struct Case {
        const char* name;
        VelmoraWidgetRawAppearanceV2 raw;
        std::string expected;
    };
    const std::string family = "field-invalid: Widget font family is invalid.";
    const std::string placement = "field-invalid: Widget placement is invalid.";
    const std::vector<Case> cases = {
        {"Cream with a capital",
         {.lightSurfaceStyle = "Cream"},
         "field-invalid: Widget light surface style is invalid."},
        {"cream and white pass", {.lightSurfaceStyle = "cream"}, "no error"},
        {"style beats palette",
         {.lightSurfaceStyle = "grey", .tokens = Tokens{.light = VelmoraWidgetRawPalette{}}},
         "field-invalid: Widget light surface style is invalid."},
        {"a light palette with only accent",
         withTokens({.light = VelmoraWidgetRawPalette{.accent = "#275cf6"}}),
         "field-invalid: Widget palette is incomplete."},
        {"an incomplete dark palette",
         withTokens({.dark = VelmoraWidgetRawPalette{.accent = "#275cf6"}}),
         "field-invalid: Widget palette is incomplete."},
        {"palette beats panel width",
         {.tokens = Tokens{.light = VelmoraWidgetRawPalette{}},
          .layout = Layout{.panelWidth = 1000}},
         "field-invalid: Widget palette is incomplete."},
        {"panel width 480.5", withLayout({.panelWidth = 480.5}),
         "field-invalid: Widget panelWidth is out of bounds."},
        {"panel height 721", withLayout({.panelHeight = 721}),
         "field-invalid: Widget panelHeight is out of bounds."},
        {"line height 1.81", withTokens({.lineHeight = 1.81}),
         "field-invalid: Widget lineHeight is out of bounds."},
        {"control radius 33px", withTokens({.controlRadius = "33px"}),
         "field-invalid: Widget controlRadius is out of bounds."},
        {"control radius 8", withTokens({.controlRadius = "8"}),
         "field-invalid: Widget controlRadius is invalid."},
        {"border width 2.5px", withTokens({.borderWidth = "2.5px"}),
         "field-invalid: Widget borderWidth is out of bounds."},
        {"inline offset -1", withLayout({.offsetInline = -1}),
         "field-invalid: Widget offsetInline is out of bounds."},
        {"block offset 128.5", withLayout({.offsetBlock = 128.5}),
         "field-invalid: Widget offsetBlock is out of bounds."},
        {"lengths beat placement",
         {.tokens = Tokens{.fontSize = "30px"}, .layout = Layout{.placement = "top-right"}},
         "field-invalid: Widget fontSize is out of bounds."},
        {"top-right", withLayout({.placement = "top-right"}), placement},
        {"Bottom-Right", withLayout({.placement = "Bottom-Right"}), placement},
        {"placement beats family",
         {.tokens = Tokens{.fontFamily = ""}, .layout = Layout{.placement = "left"}},
         placement},
        {"family list", withTokens({.fontFamily = "Noto Sans, sans-serif"}), "no error"},
        {"family in other scripts",
         withTokens({.fontFamily = "Ното Санс, 源ノ角ゴシック, नोटो_सैंस\u200d"}), "no error"},
        {"family of 120 letters", withTokens({.fontFamily = std::string(120, 'a')}), "no error"},
        {"family of 120 two-byte letters",
         withTokens({.fontFamily =
                         [] {
                             std::string s;
                             for (int i = 0; i < 120; ++i) {
                                 s += "é";
                             }
                             return s;
                         }()}),
         "no error"},
        {"family of 121 letters", withTokens({.fontFamily = std::string(121, 'a')}), family},
        {"empty family", withTokens({.fontFamily = ""}), family},
        {"family with a point", withTokens({.fontFamily = "Font.Name"}), family},
        {"family with parentheses", withTokens({.fontFamily = "Inter (Bold)"}), family},
        {"family with a slash", withTokens({.fontFamily = "Inter/Bold"}), family},
        {"family with a tab", withTokens({.fontFamily = "Inter\tBold"}), family},
        {"family with a trailing newline", withTokens({.fontFamily = "Inter\n"}), family},
        {"family with a semicolon", withTokens({.fontFamily = "Inter;"}), family},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(failure([&] { defaults::resolve(c.raw); }), c.expected) << c.name;
    }
}

} // namespace
} // namespace velmora
