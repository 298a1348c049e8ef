#include "detail/pattern.hpp"
#include "detail/text.hpp"

#include <gtest/gtest.h>

namespace velmora::detail {
namespace {

std::string repeat(std::string_view s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

TEST(TextTest, CountsTheThreeLengthUnits) {
    struct Case {
        std::string text;
        std::size_t graphemes;
        std::size_t utf16;
    };
    const std::string family = "\U0001F468\u200D\U0001F469\u200D\U0001F467"; // ZWJ sequence
    const Case cases[] = {
        {"", 0, 0},
        {"abc", 3, 3},
        {repeat("e\u0301", 512), 512, 1024},
        {family, 1, 8},
        {repeat("\U0001F600", 1024), 1024, 2048},
        {"\r\n", 1, 2},
        {"\u00e9", 1, 1},
        {"\U0001F1FA\U0001F1E6", 1, 4}, // a flag: two regional indicators
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text::graphemeCount(c.text), c.graphemes) << c.text;
        EXPECT_EQ(text::utf16Length(c.text), c.utf16) << c.text;
    }
}

TEST(TextTest, TrimsWhitespaceAndNewlinesOnly) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"  a b  ", "a b"},
        {"\u00A0x\u00A0", "x"},             // no-break space is Zs
        {"\u2028x\u2029", "x"},             // line and paragraph separators
        {"\u0085x\t\n\v\f\r", "x"},         // next line and the C0 breaks
        {"\u3000x\u3000", "x"},             // ideographic space
        {"\u200Bx\u200B", "\u200Bx\u200B"}, // zero-width space is not white space
        {" \u00A0\u2028 ", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text::trimmed(c.in), c.out);
    }
}

TEST(TextTest, CaseMappingNormalisationAndValidity) {
    EXPECT_EQ(text::lowercased("IMAGE/PNG"), "image/png");
    EXPECT_EQ(text::lowercased("\u00C9T\u00C9 \u0130"),
              "\u00e9t\u00e9 i\u0307"); // full mapping, no locale
    EXPECT_EQ(text::nfc("e\u0301"), "\u00e9");
    EXPECT_TRUE(text::canonicallyEqual("\u00e9", "e\u0301"));
    EXPECT_FALSE(text::canonicallyEqual("e", "\u00e9"));
    // Different invalid bytes are different texts (decoding makes both U+FFFD).
    EXPECT_FALSE(text::canonicallyEqual("a\xff", "a\xfe"));
    EXPECT_FALSE(text::canonicallyEqual("\xc0\xaf\u00e9", "\xc1\xbf\u00e9"));
    EXPECT_FALSE(text::canonicallyEqual("\xff", "\ufffd"));
    EXPECT_TRUE(text::canonicallyEqual("a\xff", "a\xff"));
    EXPECT_TRUE(text::isValidUTF8("a\u00e9\U0001F600"));
    for (std::string bad : {"\xff", "\xc0\xaf", "\xed\xa0\x80", "a\xe2\x82"}) {
        EXPECT_FALSE(text::isValidUTF8(bad));
    }
    EXPECT_EQ(text::fromUTF32(text::toUTF32("a\u00e9\U0001F600")), "a\u00e9\U0001F600");
}

TEST(TextTest, FindsNeedlesMadeOfWholeGraphemesOnly) {
    struct Case {
        std::string haystack, needle;
        bool found;
    };
    const std::string flagUA = "\U0001F1FA\U0001F1E6";
    const std::string flagDE = "\U0001F1E9\U0001F1EA";
    const std::string family = "\U0001F468\u200D\U0001F469\u200D\U0001F467";
    const Case cases[] = {
        {"billing help", "help", true},
        {"billing help", "", true},
        {"", "a", false},
        {"q\u0301", "q", false},   // the accent belongs to the q
        {"aq\u0301 q", "q", true}, // a later, bare q is found
        {"q\u0301", "q\u0301", true},
        {flagUA + flagDE, "\U0001F1E6\U0001F1E9", false}, // the middle of two flags
        {flagUA + flagDE, flagDE, true},
        {family, "\U0001F468", false}, // one person of a family sequence
        {"we \U0001F600 you", "\U0001F600", true},
        {"\r\n", "\r", false},
        // Invalid UTF-8 compares as its bytes: two different invalid sequences never match.
        {"a\xff b", "\xfe", false},
        {"a\xff b", "\xff", true},
        {"\xc0\xaf q", "\xc0\xae", false},
        {"x\xe2\x82 y", "\xe2\x82 ", true},
        {"\xffq\xcc\x81", "q", false}, // whole graphemes still, beside an invalid byte
        {"\xffq\xcc\x81 q", "q", true},
        {"\xcc\x81", "\x81", false},     // a byte inside a sequence is no character
        {"\xef\xbf\xbd", "\xff", false}, // a real U+FFFD is not an invalid byte
    };
    for (const auto& c : cases)
        EXPECT_EQ(text::containsWholeGraphemes(c.haystack, c.needle), c.found)
            << c.haystack << " / " << c.needle;
}

TEST(TextTest, HostileTextsGiveValidTextsAndMatchThemselves) {
    const std::string texts[] = {
        "simplifiedchinese",
        "/zoneinfo/en",
        "../../etc",
        std::string(1000, 'a'),
        std::string("en\0x", 4),
        "\xff\xfe",
        "\xc0\xaf\xed\xa0\x80",
        "a\xe2\x82",
    };
    for (const auto& s : texts) {
        SCOPED_TRACE(testing::PrintToString(s));
        EXPECT_TRUE(text::isValidUTF8(text::lowercased(s)));
        EXPECT_TRUE(text::isValidUTF8(text::trimmed(s)));
        EXPECT_TRUE(text::isValidUTF8(text::nfc(s)));
        EXPECT_GE(text::graphemeCount(s), 1u);
        EXPECT_TRUE(text::canonicallyEqual(s, s));
        EXPECT_TRUE(text::containsWholeGraphemes(s, s));
        EXPECT_TRUE(text::containsWholeGraphemes("x " + s + " y", s));
    }
}

TEST(PatternTest, MatchesTheWholeInputOnly) {
    static const Pattern key(R"(^[A-Za-z0-9_-]{16,128}$)");
    const std::string valid(16, 'a');
    struct Case {
        std::string text;
        bool matches;
    };
    const Case cases[] = {
        {valid, true},
        {valid + "\n", false}, // "$" must not match before a final newline
        {valid + "\r\n", false},
        {valid + "\u2028", false},
        {"\n" + valid, false},
        {valid + " ", false},
        {std::string(15, 'a'), false},
        {std::string(128, 'a'), true},
        {std::string(129, 'a'), false},
        {std::string(16, '\xd9'), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(key.matches(c.text), c.matches) << c.text;
    }
    static const Pattern digits(R"([0-9]+)");
    EXPECT_TRUE(digits.matches("123"));
    EXPECT_FALSE(digits.matches("\u0661\u0662")); // Arabic-Indic digits are not ASCII digits
    EXPECT_FALSE(digits.matches("12a"));
    EXPECT_THROW(Pattern("(unclosed"), std::logic_error);
}

TEST(PatternTest, CatastrophicBacktrackingEndsAsNoMatch) {
    static const Pattern evil(R"(^(a+)+$)");
    EXPECT_FALSE(evil.matches(std::string(64, 'a') + "!"));
}

} // namespace
} // namespace velmora::detail
