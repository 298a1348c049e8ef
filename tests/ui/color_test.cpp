#include "platform/color.hpp"

#include <gtest/gtest.h>

#include <string>

namespace velmora {
namespace {

using detail::colorFromHex;
using detail::VelmoraColor;

TEST(ColorFromHexTest, EveryTextGivesTheColourItsLengthSelects) {
    struct Case {
        std::string text;
        VelmoraColor color;
    };
    const Case cases[] = {
        // Six characters, the palette's form.
        {"#0f766e", {15, 118, 110, 255}},
        {"0F766E", {15, 118, 110, 255}},
        {"  #0f766e  ", {15, 118, 110, 255}},
        // Three characters: each digit doubled, still valid.
        {"#abc", {0xaa, 0xbb, 0xcc, 255}},
        {"#FFF", {255, 255, 255, 255}},
        {"#000", {0, 0, 0, 255}},
        // Eight characters: opacity last.
        {"ff000080", {255, 0, 0, 128}},
        {"#0f766eff", {15, 118, 110, 255}},
        {"0x123456", {0, 0x12, 0x34, 0x56}}, // the scanner reads past "0x"; eight characters
        // Junk: what is read stops at the first non-hex character; length picks the layout.
        {"", {0, 0, 0, 255}},
        {"#", {0, 0, 0, 255}},
        {"zzzzzzzz", {0, 0, 0, 0}}, // reads 0; eight characters take opacity from it
        {"12345", {0x01, 0x23, 0x45, 255}},
        {"a b c", {0, 0, 0x0a, 255}}, // inner blanks stay; five characters
        {"#12g456", {0, 0, 0x12, 255}},
        {"1234567890", {0x56, 0x78, 0x90, 255}},      // bits above 23 ignored
        {"ffffffffffffffffff", {255, 255, 255, 255}}, // overflow saturates
        {"-0f766e-", {15, 118, 110, 255}},            // punctuation at the ends is trimmed
        {"#0f-766e", {0, 0, 0x0f, 255}},              // inside, it stops the scan
        // Non-ASCII around it: symbols and spaces are trimmed, letters and digits of any
        // script are not.
        {"\u00a0#0f766e\u3000", {15, 118, 110, 255}},
        {"\u201c#abc\u201d", {0xaa, 0xbb, 0xcc, 255}},
        {"#0f766e\xF0\x9F\x99\x82", {15, 118, 110, 255}}, // trailing emoji trimmed
        {"\xC3\xA9"
         "0f766e",
         {0, 0, 0, 255}},                             // leading é kept: nothing reads
        {"0f766e\xC3\xA9", {0x0f, 0x76, 0x6e, 255}},  // seven characters, six-digit layout
        {"abc\xCC\x81", {0xaa, 0xbb, 0xcc, 255}},     // c + combining accent: 3 characters
        {"\xD9\xA3\xD9\xA3\xD9\xA3", {0, 0, 0, 255}}, // Arabic-Indic digits are not hex
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("text: \"" + c.text + "\"");
        const auto color = colorFromHex(c.text);
        EXPECT_EQ(color.red, c.color.red);
        EXPECT_EQ(color.green, c.color.green);
        EXPECT_EQ(color.blue, c.color.blue);
        EXPECT_EQ(color.alpha, c.color.alpha);
    }
}

TEST(ColorFromHexTest, InvalidUTF8StillGivesAColour) {
    EXPECT_EQ(colorFromHex("\xff\xfe#abc"), (VelmoraColor{0xaa, 0xbb, 0xcc, 255}));
    EXPECT_EQ(colorFromHex(std::string("#ab\0c", 5)), (VelmoraColor{0, 0, 0xab, 255}));
}

TEST(ColorFromHexTest, OpacityScalesTheColoursOwn) {
    EXPECT_EQ(colorFromHex("#102030").withOpacity(0.06).alpha, 15);
    EXPECT_EQ(colorFromHex("ff000080").withOpacity(0.5).alpha, 64);
    EXPECT_EQ(colorFromHex("#fff").withOpacity(2).alpha, 255);
    EXPECT_EQ(colorFromHex("#fff").withOpacity(-1).alpha, 0);
}

} // namespace
} // namespace velmora
