#include "detail/base64.hpp"
#include "detail/bounded_file_read.hpp"
#include "detail/date_time.hpp"
#include "detail/pattern.hpp"
#include "detail/store_file.hpp"
#include "detail/text.hpp"
#include "detail/time_zone.hpp"
#include "detail/url.hpp"
#include "detail/uuid.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <system_error>

namespace velmora::detail {
namespace {

using namespace std::chrono;

Date at(int y, unsigned m, unsigned d, int hh, int mm, int ss) {
    return sys_days{year{y} / month{m} / day{d}} + hours{hh} + minutes{mm} + seconds{ss};
}

TEST(DateTimeTest, FormatsUtcWithWholeSeconds) {
    EXPECT_EQ(formatInternetDateTime(at(2024, 5, 1, 10, 0, 0)), "2024-05-01T10:00:00Z");
    EXPECT_EQ(formatInternetDateTime(at(1999, 12, 31, 23, 59, 59) + milliseconds(999)),
              "1999-12-31T23:59:59Z");
    EXPECT_EQ(formatInternetDateTime(at(1969, 7, 20, 20, 17, 40) + milliseconds(500)),
              "1969-07-20T20:17:40Z");
}

TEST(DateTimeTest, ParsesInternetDateTimes) {
    struct Case {
        const char* text;
        bool fraction;
        std::optional<Date> expected;
    };
    const Case cases[] = {
        {"2024-05-01T10:00:00Z", false, at(2024, 5, 1, 10, 0, 0)},
        {"2024-05-01T10:00:00+02:00", false, at(2024, 5, 1, 8, 0, 0)},
        {"2024-05-01T10:00:00-00:30", false, at(2024, 5, 1, 10, 30, 0)},
        {"2024-05-01T10:00:00.250+02:00", true, at(2024, 5, 1, 8, 0, 0) + milliseconds(250)},
        {"2024-02-29T00:00:00Z", false, at(2024, 2, 29, 0, 0, 0)},
        {"2024-05-01T10:00:00.250Z", false, std::nullopt}, // fraction without the option
        {"2024-05-01T10:00:00Z", true, std::nullopt},      // option without a fraction
        {"2024-05-01T10:00:00.Z", true, std::nullopt},
        {"2024-05-01", false, std::nullopt},
        {"2024-05-01 10:00:00Z", false, std::nullopt},
        {"2024-05-01t10:00:00Z", false, std::nullopt},
        {"2024-05-01T10:00:00", false, std::nullopt},
        {"2024-05-01T10:00:00+0200", false, std::nullopt},
        {"2023-02-29T00:00:00Z", false, std::nullopt},
        {"2024-13-01T00:00:00Z", false, std::nullopt},
        {"2024-05-01T24:00:00Z", false, std::nullopt},
        {"2024-05-01T10:00:00Z\n", false, std::nullopt},
        {"\uFF12024-05-01T10:00:00Z", false, std::nullopt}, // full-width digit
        // A Date spans about 1677-09-21 to 2262-04-11: outside it there is no such date.
        {"1013-01-01T09:00:00Z", false, std::nullopt},
        {"9999-12-31T23:59:59.999Z", true, std::nullopt},
        {"1677-09-21T00:12:43Z", false, std::nullopt},
        {"1677-09-21T00:12:44Z", false, at(1677, 9, 21, 0, 12, 44)},
        {"2262-04-11T23:47:16.854775807Z", true,
         at(2262, 4, 11, 23, 47, 16) + nanoseconds(854775807)},
        {"2262-04-11T23:47:16.854775808Z", true, std::nullopt},
        {"2262-04-11T23:47:17Z", false, std::nullopt},
        {"2262-04-12T00:47:16+01:00", false, at(2262, 4, 11, 23, 47, 16)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseInternetDateTime(c.text, c.fraction), c.expected) << c.text;
    }
}

TEST(Base64Test, EncodesAndDecodesStrictly) {
    struct Case {
        Data data;
        std::string text;
    };
    const Case cases[] = {
        {{}, ""},
        {{'a'}, "YQ=="},
        {{'a', 'b'}, "YWI="},
        {{'a', 'b', 'c'}, "YWJj"},
        {{0xfb, 0xff, 0xbf}, "+/+/"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(base64Encode(c.data), c.text);
        EXPECT_EQ(base64Decode(c.text), c.data);
    }
    for (const char* bad : {"YQ=", "YQ", "Y===", "YQ==YQ==", "YWJj\n", "YW-j", "YR==", "Y Q="}) {
        EXPECT_EQ(base64Decode(bad), std::nullopt) << bad;
    }
}

TEST(UuidTest, RandomUpperCaseVersion4) {
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        auto id = uuidString();
        ASSERT_EQ(id.size(), 36u);
        EXPECT_EQ(id[8], '-');
        EXPECT_EQ(id[14], '4');
        for (char c : id) {
            EXPECT_TRUE(c == '-' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << id;
        }
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 100u);
}

TEST(UrlTest, QueryValuesCannotSplitOrInjectParameters) {
    EXPECT_EQ(percentEncodeQueryValue("x&locale=fr"), "x%26locale%3Dfr");
    EXPECT_EQ(percentEncodeQueryValue("a+b/c?d#e f"), "a%2Bb%2Fc%3Fd%23e%20f");
    EXPECT_EQ(percentEncodeQueryValue("Az09-._~"), "Az09-._~");
    EXPECT_EQ(percentEncodeQueryValue("\u00e9"), "%C3%A9");
    EXPECT_EQ(percentEncodePathSegment("a/b"), "a%2Fb");
}

// The services the widget library takes from the SDK, as it calls them.
TEST(PlatformServicesTest, MatchesWholeTextsAndTrimsThePlatformsWhitespace) {
    const Pattern pattern(R"(^[a-z0-9][a-z0-9:_-]{0,63}$)");
    EXPECT_TRUE(pattern.matches("open-orders"));
    EXPECT_FALSE(pattern.matches("open-orders\n"));
    EXPECT_FALSE(pattern.matches("Open"));
    EXPECT_EQ(text::trimmed("\u00A0 hi \n\u3000"), "hi");
    EXPECT_EQ(text::trimmed("\u200Bhi"), "\u200Bhi");
    EXPECT_FALSE(deviceTimeZoneIdentifier().empty());
    EXPECT_EQ(uuidString().size(), 36u);
    const auto now = parseInternetDateTime("2026-01-02T03:04:05Z", false);
    ASSERT_TRUE(now);
    EXPECT_EQ(formatInternetDateTime(*now), "2026-01-02T03:04:05Z");
}

TEST(PlatformServicesTest, ReadsNothingOnlyWhenNothingIsThere) {
    const auto directory =
        std::filesystem::temp_directory_path() / ("velmora-platform-" + uuidString());
    const auto file = directory / "nested" / "data.json";
    EXPECT_FALSE(readStoreFile(file));
    writeStoreFileAtomically(file, "{}");
    EXPECT_EQ(readStoreFile(file), "{}");
    EXPECT_THROW(readStoreFile(directory), std::system_error);
    std::filesystem::remove_all(directory);
}

TEST(PlatformServicesTest, ReadsAFileOnlyWithinItsLimit) {
    const auto directory =
        std::filesystem::temp_directory_path() / ("velmora-platform-" + uuidString());
    const auto file = directory / "data.bin";
    writeStoreFileAtomically(file, "12345");
    EXPECT_EQ(readFileWithinLimit(file, 5), (Data{'1', '2', '3', '4', '5'}));
    EXPECT_FALSE(readFileWithinLimit(file, 4));
    // Judged by its size before any byte is read: a sparse file of 8 GiB costs nothing.
    std::filesystem::resize_file(file, std::uintmax_t{8} << 30);
    EXPECT_FALSE(readFileWithinLimit(file, 10'485'760));
    const auto code = [](const std::filesystem::path& path) {
        try {
            readFileWithinLimit(path, 100);
        } catch (const std::system_error& e) {
            return e.code();
        }
        return std::error_code();
    };
    EXPECT_EQ(code(directory), std::errc::invalid_argument);
    EXPECT_EQ(code(directory / "missing"), std::errc::no_such_file_or_directory);
    std::filesystem::remove_all(directory);
}

} // namespace
} // namespace velmora::detail
