#include "velmora/platform_services.hpp"

#include "detail/bounded_file_read.hpp"
#include "detail/date_time.hpp"
#include "detail/json_file_store.hpp"
#include "detail/pattern.hpp"
#include "detail/text.hpp"
#include "detail/uuid.hpp"

#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace velmora {

VelmoraWholeTextPattern::VelmoraWholeTextPattern(std::string_view pattern)
    : pattern_(std::make_unique<detail::Pattern>(pattern)) {}

VelmoraWholeTextPattern::~VelmoraWholeTextPattern() = default;

bool VelmoraWholeTextPattern::matches(std::string_view text) const {
    return pattern_->matches(text);
}

namespace platform {

std::string trimmedWhitespaceAndNewlines(std::string_view text) {
    return detail::text::trimmed(text);
}

std::string deviceTimeZoneIdentifier() {
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
    icu::UnicodeString id;
    if (zone) {
        zone->getID(id);
    }
    std::string text;
    id.toUTF8String(text);
    // ICU answers "Etc/Unknown" when the zone cannot be determined.
    if (text.empty() || text == "Etc/Unknown") {
        return "UTC";
    }
    return text;
}

std::string uuidString() {
    return detail::uuidString();
}

std::string formatInternetDateTime(Date date) {
    return detail::formatInternetDateTime(date);
}

std::optional<Date> parseInternetDateTime(std::string_view text, bool fractionalSeconds) {
    return detail::parseInternetDateTime(text, fractionalSeconds);
}

std::filesystem::path defaultDataFile(std::string_view fileName) {
    return detail::defaultStoreFileURL(fileName);
}

std::optional<std::string> readFileIfPresent(const std::filesystem::path& file) {
    return detail::readStoreFile(file);
}

std::optional<Data> readFileWithinLimit(const std::filesystem::path& file, std::uint64_t maxBytes) {
    // Non-blocking, so that opening a pipe cannot hang; a pipe is then refused as not regular.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throw std::system_error(errno, std::generic_category(), "open " + file.string());
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    auto read = detail::readOpenFileWithinLimit(fd, maxBytes);
    switch (read.outcome) {
    case detail::BoundedFileOutcome::read:
        return std::move(read.data);
    case detail::BoundedFileOutcome::tooLarge:
        return std::nullopt;
    case detail::BoundedFileOutcome::notRegular:
        throw std::system_error(std::make_error_code(std::errc::invalid_argument),
                                "not a regular file: " + file.string());
    case detail::BoundedFileOutcome::changed:
        break;
    }
    throw std::system_error(std::make_error_code(std::errc::io_error),
                            "changed while it was read: " + file.string());
}

void writeFileAtomically(const std::filesystem::path& file, std::string_view bytes) {
    detail::writeStoreFileAtomically(file, bytes);
}

} // namespace platform
} // namespace velmora
