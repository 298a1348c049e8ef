#include "velmora/error.hpp"
#include "velmora/platform_services.hpp"

#include <gtest/gtest.h>

#include <boost/asio/error.hpp>
#include <boost/system/system_error.hpp>

#include <stdexcept>

namespace velmora {
namespace {

TEST(PublicPlatformServicesTest, TellsACancellationFromAFailure) {
    EXPECT_TRUE(isCancellation(std::make_exception_ptr(
        boost::system::system_error(boost::asio::error::operation_aborted))));
    EXPECT_FALSE(isCancellation(
        std::make_exception_ptr(boost::system::system_error(boost::asio::error::timed_out))));
    EXPECT_FALSE(isCancellation(std::make_exception_ptr(
        VelmoraError(VelmoraErrorCode::network, std::nullopt, std::nullopt, "Network failed."))));
    EXPECT_FALSE(isCancellation(std::make_exception_ptr(std::runtime_error("x"))));
    EXPECT_FALSE(isCancellation(nullptr));
}

TEST(PublicPlatformServicesTest, MatchesWholeTextsAndTrimsThePlatformsWhitespace) {
    const VelmoraWholeTextPattern pattern(R"(^[a-z0-9][a-z0-9:_-]{0,63}$)");
    EXPECT_TRUE(pattern.matches("open-orders"));
    EXPECT_FALSE(pattern.matches("open-orders\n"));
    EXPECT_FALSE(pattern.matches("Open"));
    EXPECT_EQ(platform::trimmedWhitespaceAndNewlines("\u00A0 hi \n\u3000"), "hi");
    EXPECT_EQ(platform::trimmedWhitespaceAndNewlines("\u200Bhi"), "\u200Bhi");
    EXPECT_FALSE(platform::deviceTimeZoneIdentifier().empty());
    EXPECT_EQ(platform::uuidString().size(), 36u);
    const auto now = platform::parseInternetDateTime("2026-01-02T03:04:05Z", false);
    ASSERT_TRUE(now);
    EXPECT_EQ(platform::formatInternetDateTime(*now), "2026-01-02T03:04:05Z");
}

TEST(PublicPlatformServicesTest, ReadsNothingOnlyWhenNothingIsThere) {
    const auto directory =
        std::filesystem::temp_directory_path() / ("velmora-platform-" + platform::uuidString());
    const auto file = directory / "nested" / "data.json";
    EXPECT_FALSE(platform::readFileIfPresent(file));
    platform::writeFileAtomically(file, "{}");
    EXPECT_EQ(platform::readFileIfPresent(file), "{}");
    EXPECT_THROW(platform::readFileIfPresent(directory), std::system_error);
    std::filesystem::remove_all(directory);
}

TEST(PublicPlatformServicesTest, ReadsAFileOnlyWithinItsLimit) {
    const auto directory =
        std::filesystem::temp_directory_path() / ("velmora-platform-" + platform::uuidString());
    const auto file = directory / "data.bin";
    platform::writeFileAtomically(file, "12345");
    EXPECT_EQ(platform::readFileWithinLimit(file, 5), (Data{'1', '2', '3', '4', '5'}));
    EXPECT_FALSE(platform::readFileWithinLimit(file, 4));
    // Judged by its size before any byte is read: a sparse file of 8 GiB costs nothing.
    std::filesystem::resize_file(file, std::uintmax_t{8} << 30);
    EXPECT_FALSE(platform::readFileWithinLimit(file, 10'485'760));
    const auto code = [](const std::filesystem::path& path) {
        try {
            platform::readFileWithinLimit(path, 100);
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
} // namespace velmora
