#include "views/calendar_text.hpp"

#include "detail/language_tag.hpp"

#include <unicode/datefmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/dtptngen.h>
#include <unicode/gregocal.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <memory>

namespace velmora::detail {

namespace {

// The locale the texts fall back to when a locale text is not a well-formed language tag.
constexpr std::string_view kFallbackLocale = "en";

// ICU is handed only well-formed language tags, and reads them as tags ("en_US" the same as
// "en-US"): read as ICU ids, malformed and even some well-formed texts crash ICU's data loading.
icu::Locale gregorianLocale(std::string_view locale) {
    std::string tag(language_tag::orFallback(locale, kFallbackLocale));
    std::replace(tag.begin(), tag.end(), '_', '-');
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale result = icu::Locale::forLanguageTag(tag, status);
    if (U_FAILURE(status) || result.isBogus()) {
        status = U_ZERO_ERROR;
        result = icu::Locale::forLanguageTag(kFallbackLocale, status);
    }
    status = U_ZERO_ERROR;
    result.setKeywordValue("calendar", "gregorian", status);
    return result;
}

std::string utf8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

// The proleptic Gregorian calendar (no switch to the Julian one before 1582) in `zone`.
std::unique_ptr<icu::GregorianCalendar> prolepticCalendar(const icu::Locale& locale,
                                                          icu::TimeZone* zone) {
    UErrorCode status = U_ZERO_ERROR;
    auto calendar = zone ? std::make_unique<icu::GregorianCalendar>(zone, locale, status)
                         : std::make_unique<icu::GregorianCalendar>(locale, status);
    if (U_FAILURE(status))
        return nullptr;
    calendar->setGregorianChange(-std::numeric_limits<double>::max(), status);
    return U_SUCCESS(status) ? std::move(calendar) : nullptr;
}

} // namespace

std::vector<std::string> weekdaySymbolsMondayFirst(std::string_view locale) {
    UErrorCode status = U_ZERO_ERROR;
    icu::DateFormatSymbols symbols(gregorianLocale(locale), status);
    if (U_FAILURE(status))
        return {};
    std::int32_t count = 0;
    const icu::UnicodeString* names = symbols.getWeekdays(count, icu::DateFormatSymbols::STANDALONE,
                                                          icu::DateFormatSymbols::ABBREVIATED);
    if (!names || count <= 0) {
        names = symbols.getShortWeekdays(count);
        if (!names || count <= 0)
            return {};
    }
    // ICU's list is indexed by UCAL_SUNDAY (1) ... UCAL_SATURDAY (7); entry 0 is unused.
    std::vector<std::string> result;
    for (std::int32_t i = 1; i < count; ++i)
        result.push_back(utf8(names[i]));
    if (result.size() == 7)
        std::rotate(result.begin(), result.begin() + 1, result.end());
    return result;
}

std::string monthTitle(std::string_view locale, const TavrinDateValue& month) {
    const icu::Locale icuLocale = gregorianLocale(locale);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(icuLocale, status));
    if (U_FAILURE(status) || !generator)
        return month.monthISO();
    const icu::UnicodeString pattern = generator->getBestPattern("MMMMy", status);
    icu::SimpleDateFormat format(pattern, icuLocale, status);
    auto calendar = prolepticCalendar(icuLocale, nullptr);
    if (U_FAILURE(status) || !calendar)
        return month.monthISO();
    calendar->clear();
    calendar->set(static_cast<std::int32_t>(month.year()),
                  static_cast<std::int32_t>(month.month() - 1), 1);
    icu::UnicodeString text;
    icu::FieldPosition position;
    format.format(*calendar, text, position);
    return text.isEmpty() ? month.monthISO() : utf8(text);
}

std::optional<std::string> mediumDate(std::string_view locale, Date instant,
                                      std::optional<std::string> timeZoneId) {
    const icu::Locale icuLocale = gregorianLocale(locale);
    std::unique_ptr<icu::DateFormat> format(
        icu::DateFormat::createDateInstance(icu::DateFormat::kMedium, icuLocale));
    if (!format)
        return std::nullopt;
    icu::TimeZone* zone =
        timeZoneId ? icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(*timeZoneId))
                   : icu::TimeZone::createDefault();
    auto calendar = prolepticCalendar(icuLocale, zone); // the calendar owns the zone
    if (!calendar)
        return std::nullopt;
    format->adoptCalendar(calendar.release());
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(instant.time_since_epoch()).count();
    icu::UnicodeString text;
    format->format(static_cast<UDate>(millis), text);
    if (text.isEmpty())
        return std::nullopt;
    return utf8(text);
}

std::optional<TavrinDateValue> calendarToday() {
    auto calendar = prolepticCalendar(icu::Locale::getRoot(), nullptr);
    if (!calendar)
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(icu::Calendar::getNow(), status);
    const auto era = calendar->get(UCAL_ERA, status);
    const auto year = calendar->get(UCAL_YEAR, status);
    const auto month = calendar->get(UCAL_MONTH, status);
    const auto day = calendar->get(UCAL_DATE, status);
    if (U_FAILURE(status) || era != icu::GregorianCalendar::AD)
        return std::nullopt;
    return TavrinDateValue::make(year, month + 1, day);
}

TavrinDateValue currentMonth() {
    const auto today = calendarToday();
    return *TavrinDateValue::make(today ? today->year() : 1, today ? today->month() : 1, 1);
}

} // namespace velmora::detail
