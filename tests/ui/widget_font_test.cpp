#include "velmora/ui/widget_font.hpp"

#include "platform/font_spec.hpp"
#include "platform/qt_conversions.hpp"

#include <QFontDatabase>
#include <QFontInfo>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace velmora {
namespace {

TEST(WidgetFontTest, TheFirstFamilyOfAListDecides) {
    struct Case {
        const char* list;
        bool bundled;
    };
    const Case cases[] = {
        {"Velmora Noto Sans", true},
        {"vELMORA noto SANS", true},
        {"'Velmora Noto Sans', sans-serif", true},
        {"\"Velmora Noto Sans\", system-ui", true},
        {"   Velmora Noto Sans \n, serif", true},
        {",Velmora Noto Sans", true},      // empty first piece skipped
        {",, ,Velmora Noto Sans", false},  // a piece of blanks is not empty
        {"\" Velmora Noto Sans\"", false}, // blanks inside quotes stay
        {"Velmora Noto Sans Mono", false},
        {"Inter, Velmora Noto Sans", false},
        {"system-ui", false},
        {"", false},
        {",,,", false},
        {"  , Velmora Noto Sans", false},
        {"'\"Velmora Noto Sans\"'", true}, // any run of quotes at the ends
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list);
        EXPECT_EQ(VelmoraWidgetFont::usesBundledFamily(c.list), c.bundled);
    }
}

TEST(WidgetFontTest, TheSpecFollowsTheFamilyAndTheTextStyle) {
    using detail::VelmoraFontWeight;
    const auto bundled = detail::widgetFontSpec("Velmora Noto Sans", 14, VelmoraTextStyle::body,
                                                VelmoraFontWeight::medium, 1);
    EXPECT_TRUE(bundled.bundledFamily);
    EXPECT_DOUBLE_EQ(bundled.pointSize, 14);
    EXPECT_EQ(bundled.weight, VelmoraFontWeight::medium);
    // Another family: the system font at the style's own size, whatever the size asked for.
    const auto system = detail::widgetFontSpec("Inter, sans-serif", 14, VelmoraTextStyle::caption1,
                                               std::nullopt, 1);
    EXPECT_FALSE(system.bundledFamily);
    EXPECT_DOUBLE_EQ(system.pointSize, 12);
    // Text scaling applies to both.
    EXPECT_DOUBLE_EQ(
        detail::widgetFontSpec("Velmora Noto Sans", 14, VelmoraTextStyle::body, std::nullopt, 1.5)
            .pointSize,
        21);
    EXPECT_DOUBLE_EQ(
        detail::widgetFontSpec("x", 14, VelmoraTextStyle::body, std::nullopt, 2).pointSize, 34);
    // The composer and the home question keep the design's size with any family.
    for (const char* family : {"Velmora Noto Sans", "Inter, sans-serif"}) {
        const auto sized = detail::sizedWidgetFontSpec(family, 20, VelmoraFontWeight::bold, 1.5);
        EXPECT_EQ(sized.bundledFamily, VelmoraWidgetFont::usesBundledFamily(family));
        EXPECT_DOUBLE_EQ(sized.pointSize, 30);
        EXPECT_EQ(sized.weight, VelmoraFontWeight::bold);
    }
}

TEST(WidgetFontTest, RegistersOnceFromManyThreadsAndTheFamilyNameReachesTheEmbeddedFiles) {
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([] { VelmoraWidgetFont::registerFonts(); });
    VelmoraWidgetFont::registerFonts();
    for (auto& thread : threads)
        thread.join();
    ASSERT_EQ(VelmoraWidgetFont::registrationFailure(), std::nullopt);
    VelmoraWidgetFont::registerFonts(); // later calls are no-ops

    QFont upright(QString::fromUtf8(VelmoraWidgetFont::familyName.data()));
    const QFontInfo uprightInfo(upright);
    EXPECT_EQ(uprightInfo.family(), "Noto Sans");
    EXPECT_FALSE(uprightInfo.italic());

    QFont italic = upright;
    italic.setItalic(true);
    const QFontInfo italicInfo(italic);
    EXPECT_EQ(italicInfo.family(), "Noto Sans");
    EXPECT_TRUE(italicInfo.italic());
    EXPECT_EQ(italicInfo.style(), QFont::StyleItalic);

    // What the views build goes the same way.
    const QFont viewFont = detail::toQFont({.bundledFamily = true, .pointSize = 14});
    EXPECT_EQ(QFontInfo(viewFont).family(), "Noto Sans");
    EXPECT_EQ(QFontInfo(viewFont).pixelSize(), 14);
}

} // namespace
} // namespace velmora
