#include "detail/time_zone.hpp"

#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <memory>

namespace velmora::detail {

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

} // namespace velmora::detail
