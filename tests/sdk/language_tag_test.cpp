#include "detail/language_tag.hpp"

#include <gtest/gtest.h>

#include <string>

namespace velmora {
namespace {

using namespace detail;

TEST(LanguageTagTest, AcceptsWellFormedTagsOfBoundedLength) {
    struct Case {
        std::string tag;
        bool wellFormed;
    };
    const std::string longest = "en-" + std::string(8, 'a') + "-" + std::string(8, 'b') + "-" +
                                std::string(8, 'c') + "-" + std::string(8, 'd') + "-" +
                                std::string(8, 'e') + "-" + std::string(8, 'f') + "-x-" +
                                std::string(5, 'g'); // 64 bytes
    const Case cases[] = {
        {"en", true},
        {"de-DE", true},
        {"zh-Hant-TW", true},
        {"es-419", true},
        {"en_US", true}, // an ICU id, read as the same tag
        {"sr_Latn_RS", true},
        {"EN-us", true},
        {"zh-yue-HK", true},          // an extended language
        {"sl-rozaj-biske", true},     // variants
        {"de-CH-1996", true},         // a variant starting with a digit
        {"en-US-u-ca-gregory", true}, // an extension
        {"en-x-private", true},
        {"abcdefgh", true}, // the longest language subtag
        {longest, true},
        {longest + "g", false},
        {"", false},
        {"e", false},
        {"simplifiedchinese", false},
        {"abcdefghi", false},
        {"/zoneinfo/en", false},
        {"../../etc", false},
        {"en.UTF-8", false},
        {"en@calendar=buddhist", false},
        {"en-US_POSIX", false}, // one separator throughout
        {"en-", false},
        {"-en", false},
        {"en--US", false},
        {"en US", false},
        {std::string("en\0x", 4), false},
        {"\xff\xfe", false},
        {"en-\xc3\xa9", false},
        {"x-private", false}, // private use alone names no language
        {"en-u", false},      // an extension needs a subtag
        {"en-u-a", false},    // of two letters or more
        {"en-x", false},      // so does private use
        {"1en", false},
        {"en-US-US", false}, // one region
        {"en-Latn-Latn", false},
        {std::string(1000, 'a'), false},
        {std::string(64, '-'), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(language_tag::isWellFormed(c.tag), c.wellFormed) << testing::PrintToString(c.tag);
        EXPECT_EQ(language_tag::orFallback(c.tag, "en"), c.wellFormed ? c.tag : "en");
    }
}

} // namespace
} // namespace velmora
