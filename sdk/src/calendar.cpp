#include "velmora/calendar.hpp"

#include <array>
#include <cstdio>

namespace velmora {

namespace {

constexpr std::int64_t kMinYear = 1;
constexpr std::int64_t kMaxYear = 9999;
constexpr std::int64_t kMonthLimit = 120000;
constexpr std::int64_t kLastMonthIndex = (kMaxYear - 1) * 12 + 11; // December 9999
constexpr std::int64_t kDayLimit = 366;

bool isLeapYear(std::int64_t year) noexcept {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

std::int64_t daysInMonth(std::int64_t year, std::int64_t month) noexcept {
    switch (month) {
    case 2:
        return isLeapYear(year) ? 29 : 28;
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    default:
        return 31;
    }
}

bool isASCIIDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

std::int64_t readDigits(std::string_view digits) noexcept {
    std::int64_t value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::optional<TavrinDateValue> TavrinDateValue::make(std::int64_t year, std::int64_t month,
                                                     std::int64_t day) noexcept {
    if (year < kMinYear || year > kMaxYear || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month)) {
        return std::nullopt;
    }
    return TavrinDateValue(year, month, day);
}

std::optional<TavrinDateValue> TavrinDateValue::fromISO(std::string_view text) noexcept {
    // Exactly "dddd-dd-dd": the byte check refuses signs, blanks and non-ASCII digits.
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i != 4 && i != 7 && !isASCIIDigit(text[i])) {
            return std::nullopt;
        }
    }
    return make(readDigits(text.substr(0, 4)), readDigits(text.substr(5, 2)),
                readDigits(text.substr(8, 2)));
}

std::string TavrinDateValue::iso() const {
    std::array<char, 32> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%04lld-%02lld-%02lld",
                  static_cast<long long>(year_), static_cast<long long>(month_),
                  static_cast<long long>(day_));
    return buffer.data();
}

std::string TavrinDateValue::monthISO() const {
    std::array<char, 32> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%04lld-%02lld", static_cast<long long>(year_),
                  static_cast<long long>(month_));
    return buffer.data();
}

std::optional<TavrinDateValue> TavrinDateValue::addingMonths(std::int64_t count) const noexcept {
    if (count < -kMonthLimit || count > kMonthLimit) {
        return std::nullopt;
    }
    std::int64_t index = (year_ - 1) * 12 + (month_ - 1) + count;
    if (index < 0) {
        index = 0;
    } else if (index > kLastMonthIndex) {
        index = kLastMonthIndex;
    }
    const std::int64_t year = index / 12 + 1;
    const std::int64_t month = index % 12 + 1;
    const std::int64_t length = daysInMonth(year, month);
    return TavrinDateValue(year, month, day_ < length ? day_ : length);
}

std::optional<TavrinDateValue> TavrinDateValue::addingDays(std::int64_t count) const noexcept {
    if (count < -kDayLimit || count > kDayLimit) {
        return std::nullopt;
    }
    std::int64_t year = year_;
    std::int64_t month = month_;
    std::int64_t day = day_ + count;
    while (day < 1) {
        if (month == 1) {
            if (year == kMinYear) {
                return std::nullopt;
            }
            --year;
            month = 12;
        } else {
            --month;
        }
        day += daysInMonth(year, month);
    }
    while (day > daysInMonth(year, month)) {
        day -= daysInMonth(year, month);
        if (month == 12) {
            if (year == kMaxYear) {
                return std::nullopt;
            }
            ++year;
            month = 1;
        } else {
            ++month;
        }
    }
    return TavrinDateValue(year, month, day);
}

std::int64_t TavrinDateValue::weekday() const noexcept {
    const std::int64_t y = year_ - 1;
    std::int64_t dayNumber = y * 365 + y / 4 - y / 100 + y / 400;
    for (std::int64_t m = 1; m < month_; ++m) {
        dayNumber += daysInMonth(year_, m);
    }
    dayNumber += day_;
    return dayNumber % 7;
}

std::vector<std::vector<TavrinCalendarCell>> TavrinCalendar::createCalendarGrid(
    const TavrinDateValue& visibleMonth, const std::optional<TavrinDateValue>& selected,
    const std::optional<TavrinDateValue>& today, std::int64_t firstDayOfWeek,
    const std::optional<TavrinDateValue>& min, const std::optional<TavrinDateValue>& max,
    const std::set<TavrinDateValue>& disabledDates,
    const std::optional<std::set<TavrinDateValue>>& availableDates) {
    if (firstDayOfWeek < 0 || firstDayOfWeek > 6) {
        return {};
    }
    if (min && max && *max < *min) {
        return {};
    }
    // A TavrinDateValue always has a valid year and month, so the month itself needs no check.
    const auto first = *TavrinDateValue::make(visibleMonth.year(), visibleMonth.month(), 1);
    const std::int64_t leading = (first.weekday() - firstDayOfWeek + 7) % 7;
    const std::int64_t length = daysInMonth(first.year(), first.month());
    const std::int64_t rowCount = (leading + length + 6) / 7;

    std::vector<std::vector<TavrinCalendarCell>> rows;
    rows.reserve(static_cast<std::size_t>(rowCount));
    for (std::int64_t r = 0; r < rowCount; ++r) {
        std::vector<TavrinCalendarCell> row;
        row.reserve(7);
        for (std::int64_t c = 0; c < 7; ++c) {
            const auto date = first.addingDays(r * 7 + c - leading);
            TavrinCalendarCell cell;
            if (!date) {
                cell.disabled = true;
                cell.outsideMonth = true;
            } else {
                cell.date = date;
                cell.outsideMonth = date->month() != first.month();
                cell.selected = selected && *selected == *date;
                cell.today = today && *today == *date;
                cell.disabled = (min && *date < *min) || (max && *date > *max) ||
                                disabledDates.contains(*date) ||
                                (availableDates && !availableDates->contains(*date));
            }
            row.push_back(std::move(cell));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace velmora
