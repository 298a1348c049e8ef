#include "detail/date_time.hpp"

#include <chrono>
#include <cstdio>

namespace velmora::detail {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads exactly `count` ASCII digits at `pos`.
bool readNumber(std::string_view text, std::size_t pos, std::size_t count, int& out) {
    if (pos + count > text.size()) {
        return false;
    }
    int value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        char c = text[pos + i];
        if (!isDigit(c)) {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    out = value;
    return true;
}

bool isLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeap(year) ? 29 : days[month - 1];
}

} // namespace

std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    // Howard Hinnant's days_from_civil.
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

std::string formatInternetDateTime(Date date) {
    using namespace std::chrono;
    auto seconds = floor<std::chrono::seconds>(date);
    auto days = floor<std::chrono::days>(seconds);
    year_month_day ymd{days};
    hh_mm_ss<std::chrono::seconds> time{seconds - days};
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                  static_cast<unsigned>(ymd.day()), static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return buffer;
}

std::optional<Date> parseInternetDateTime(std::string_view text, bool fractionalSeconds) {
    int year, month, day, hour, minute, second;
    if (!readNumber(text, 0, 4, year) || text.size() < 20 || text[4] != '-' ||
        !readNumber(text, 5, 2, month) || text[7] != '-' || !readNumber(text, 8, 2, day) ||
        text[10] != 'T' || !readNumber(text, 11, 2, hour) || text[13] != ':' ||
        !readNumber(text, 14, 2, minute) || text[16] != ':' || !readNumber(text, 17, 2, second)) {
        return std::nullopt;
    }
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59) {
        return std::nullopt;
    }
    std::size_t pos = 19;
    std::chrono::nanoseconds fraction{0};
    if (fractionalSeconds) {
        if (pos >= text.size() || text[pos] != '.') {
            return std::nullopt;
        }
        ++pos;
        std::size_t digits = 0;
        std::int64_t nanos = 0;
        while (pos < text.size() && isDigit(text[pos])) {
            if (digits < 9) {
                nanos = nanos * 10 + (text[pos] - '0');
            }
            ++digits;
            ++pos;
        }
        if (digits == 0) {
            return std::nullopt;
        }
        for (std::size_t i = digits; i < 9; ++i) {
            nanos *= 10;
        }
        fraction = std::chrono::nanoseconds(nanos);
    }
    int offsetMinutes = 0;
    if (pos < text.size() && text[pos] == 'Z') {
        ++pos;
    } else if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        int sign = text[pos] == '-' ? -1 : 1;
        int oh, om;
        if (!readNumber(text, pos + 1, 2, oh) || pos + 3 >= text.size() || text[pos + 3] != ':' ||
            !readNumber(text, pos + 4, 2, om) || oh > 23 || om > 59) {
            return std::nullopt;
        }
        offsetMinutes = sign * (oh * 60 + om);
        pos += 6;
    } else {
        return std::nullopt;
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    std::int64_t days =
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    std::int64_t secs = days * 86400 + hour * 3600 + minute * 60 + second - offsetMinutes * 60;
    // A Date counts signed 64-bit nanoseconds, about 1677-09-21 to 2262-04-11; converting a
    // time outside that span would overflow, so such a text is not a date this reader gives.
    using std::chrono::seconds;
    constexpr auto earliest = std::chrono::ceil<seconds>(Date::duration::min());
    constexpr auto latest = std::chrono::floor<seconds>(Date::duration::max());
    if (secs < earliest.count() || secs > latest.count() ||
        (secs == latest.count() && fraction > Date::duration::max() - latest)) {
        return std::nullopt;
    }
    return Date(std::chrono::duration_cast<Date::duration>(seconds(secs) + fraction));
}

} // namespace velmora::detail
