#pragma once

#include "velmora/calendar.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::detail {

/// One day button of a month grid, or an empty cell (no date).
struct CalendarDayModel {
    std::optional<TavrinDateValue> date;
    /// The day of the month, without leading zero.
    std::string text;
    /// The date's ISO text.
    std::string accessibleName;
    std::string identifier;
    bool outsideMonth = false;
    /// Days of the neighbouring months are shown faded and cannot be picked.
    bool enabled = false;
    double opacity = 1;
    friend bool operator==(const CalendarDayModel&, const CalendarDayModel&) = default;
};

/// The label of a day cell of either calendar: its day, faded outside the visible month.
CalendarDayModel calendarDayModel(const TavrinCalendarCell& cell);

/// The texts of the month buttons in `locale`: the procedure texts' "previous" and "next"
/// labels, else those two English words.
std::string previousMonthLabel(std::string_view locale);
std::string nextMonthLabel(std::string_view locale);

/// Everything the date field of a form draws.
struct FormDateFieldModel {
    std::string title;
    std::string previousLabel;
    std::string nextLabel;
    std::vector<std::string> weekdays;
    /// 4 to 6 weeks of 7 cells, Monday first.
    std::vector<std::vector<CalendarDayModel>> weeks;
    /// The field's text, verbatim, under the grid (absent when empty).
    std::optional<std::string> valueText;
    friend bool operator==(const FormDateFieldModel&, const FormDateFieldModel&) = default;
};

/// The month a date field opens on: the month of its ISO value, else `fallback` (today's).
TavrinDateValue initialVisibleMonth(std::string_view value, const TavrinDateValue& fallback);

/// The visible month moved by `count` months; unchanged at the ends of the date range.
TavrinDateValue movedMonth(const TavrinDateValue& visibleMonth, std::int64_t count);

/// The date field of form field `fieldId` holding `value`, showing `visibleMonth`. Day
/// identifiers are "velmora.widget.form.date.<field id>.<ISO date>".
FormDateFieldModel formDateFieldModel(std::string_view fieldId, std::string_view value,
                                      std::string_view locale, const TavrinDateValue& visibleMonth,
                                      const std::optional<TavrinDateValue>& today);

} // namespace velmora::detail
