#pragma once

#include "velmora/calendar.hpp"
#include "velmora/types.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Localised calendar texts (Gregorian calendar) and today's date, shared by the form's date
// field, the procedure calendar and commerce results. A locale that is not a well-formed
// language tag (a card's "locale" arrives from the service as sent) gives the texts of "en".
namespace velmora::detail {

/// The seven stand-alone abbreviated weekday names of `locale`, Monday first, so they sit over
/// a Monday-first month grid. Any other number of names (a locale without data) is returned in
/// the order the locale gives them.
std::vector<std::string> weekdaySymbolsMondayFirst(std::string_view locale);

/// The title of `month`'s month (its day is ignored): month name and year, ordered and
/// punctuated as the locale prefers ("March 2024", "березень 2024 р."). Falls back to
/// `month.monthISO()` when the locale's pattern cannot be built.
std::string monthTitle(std::string_view locale, const TavrinDateValue& month);

/// `instant` as the locale's medium date, without time, in the time zone `timeZoneId` (the
/// device's zone when absent). Nothing when ICU cannot format it.
std::optional<std::string> mediumDate(std::string_view locale, Date instant,
                                      std::optional<std::string> timeZoneId = std::nullopt);

/// Today's date in the device's time zone, or nothing when it is outside 0001...9999.
std::optional<TavrinDateValue> calendarToday();

/// The first day of today's month (January of year 1 when there is no today).
TavrinDateValue currentMonth();

} // namespace velmora::detail
