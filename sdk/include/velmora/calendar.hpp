#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// A calendar date without time or time zone, from 0001-01-01 to 9999-12-31 in the proleptic
/// Gregorian calendar. Every value that exists is a real date: the factories and the arithmetic
/// check, and the fields are read-only.
class TavrinDateValue {
public:
    /// The date, or nothing unless year is 1...9999, month 1...12 and day within the month.
    static std::optional<TavrinDateValue> make(std::int64_t year, std::int64_t month,
                                               std::int64_t day) noexcept;

    /// Parses "yyyy-MM-dd" written with ASCII digits only.
    static std::optional<TavrinDateValue> fromISO(std::string_view text) noexcept;

    std::int64_t year() const noexcept { return year_; }
    std::int64_t month() const noexcept { return month_; }
    std::int64_t day() const noexcept { return day_; }

    /// "yyyy-MM-dd", e.g. "0042-03-07".
    std::string iso() const;
    /// "yyyy-MM".
    std::string monthISO() const;

    /// Moves by whole months, clamping to January of year 1 ... December of year 9999 and the
    /// day to the new month's length. Nothing for counts beyond +/-120000.
    std::optional<TavrinDateValue> addingMonths(std::int64_t count) const noexcept;

    /// Moves by days. Nothing for counts beyond +/-366 or results outside the valid range.
    std::optional<TavrinDateValue> addingDays(std::int64_t count) const noexcept;

    /// 0 for Sunday through 6 for Saturday.
    std::int64_t weekday() const noexcept;

    friend bool operator==(const TavrinDateValue&, const TavrinDateValue&) = default;
    friend std::strong_ordering operator<=>(const TavrinDateValue&,
                                            const TavrinDateValue&) = default;

private:
    TavrinDateValue(std::int64_t year, std::int64_t month, std::int64_t day) noexcept
        : year_(year), month_(month), day_(day) {}

    std::int64_t year_;
    std::int64_t month_;
    std::int64_t day_;
};

/// One cell of a month grid.
struct TavrinCalendarCell {
    /// Absent only where the cell's date would fall outside the valid range.
    std::optional<TavrinDateValue> date;
    bool disabled = false;
    bool outsideMonth = false;
    bool selected = false;
    bool today = false;

    friend bool operator==(const TavrinCalendarCell&, const TavrinCalendarCell&) = default;
};

struct TavrinCalendar {
    /// The rows (4 to 6, seven cells each) of the month of `visibleMonth` (its day is ignored),
    /// the first column being `firstDayOfWeek` (0 = Sunday). Empty when `firstDayOfWeek` is not
    /// 0...6 or `max` is before `min`. Cells of the neighbouring months carry their dates.
    static std::vector<std::vector<TavrinCalendarCell>> createCalendarGrid(
        const TavrinDateValue& visibleMonth, const std::optional<TavrinDateValue>& selected,
        const std::optional<TavrinDateValue>& today, std::int64_t firstDayOfWeek,
        const std::optional<TavrinDateValue>& min, const std::optional<TavrinDateValue>& max,
        const std::set<TavrinDateValue>& disabledDates,
        const std::optional<std::set<TavrinDateValue>>& availableDates);
};

} // namespace velmora

template <> struct std::hash<velmora::TavrinDateValue> {
    std::size_t operator()(const velmora::TavrinDateValue& date) const noexcept {
        std::size_t seed = 0;
        for (std::int64_t part : {date.year(), date.month(), date.day()}) {
            seed ^=
                std::hash<std::int64_t>{}(part) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
        }
        return seed;
    }
};

template <> struct std::hash<velmora::TavrinCalendarCell> {
    std::size_t operator()(const velmora::TavrinCalendarCell& cell) const noexcept {
        std::size_t seed = cell.date ? std::hash<velmora::TavrinDateValue>{}(*cell.date) : 0;
        for (bool flag :
             {cell.date.has_value(), cell.disabled, cell.outsideMonth, cell.selected, cell.today}) {
            seed = seed * 31 + (flag ? 1 : 0);
        }
        return seed;
    }
};
