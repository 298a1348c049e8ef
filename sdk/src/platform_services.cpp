#include "velmora/platform_services.hpp"

#include "detail/date_time.hpp"
#include "detail/json_file_store.hpp"
#include "detail/pattern.hpp"
#include "detail/text.hpp"
#include "detail/uuid.hpp"

#include <unicode/timezone.h>
#include <unicode/unistr.h>

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

void writeFileAtomically(const std::filesystem::path& file, std::string_view bytes) {
    detail::writeStoreFileAtomically(file, bytes);
}

} // namespace platform
} // namespace velmora
