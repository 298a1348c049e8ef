#include "velmora/calendar.hpp"

#include <gtest/gtest.h>

#include <unordered_set>

namespace velmora {
namespace {

TavrinDateValue date(std::int64_t y, std::int64_t m, std::int64_t d) {
    auto value = TavrinDateValue::make(y, m, d);
    EXPECT_TRUE(value.has_value()) << y << "-" << m << "-" << d;
    return *value;
}

std::optional<std::string> isoOf(const std::optional<TavrinDateValue>& value) {
    return value ? std::optional(value->iso()) : std::nullopt;
}

TEST(TavrinDateValueTest, MakeChecksEveryField) {
    struct Case {
        std::int64_t y, m, d;
        bool valid;
    };
    const Case cases[] = {
        {2024, 2, 29, true},  {2023, 2, 29, false}, {1900, 2, 29, false}, {2000, 2, 29, true},
        {2024, 4, 30, true},  {2024, 4, 31, false}, {2024, 1, 31, true},  {2024, 13, 1, false},
        {2024, 0, 10, false}, {0, 1, 1, false},     {1, 1, 1, true},      {9999, 12, 31, true},
        {10000, 1, 1, false}, {2024, 1, 0, false},  {-1, 1, 1, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TavrinDateValue::make(c.y, c.m, c.d).has_value(), c.valid)
            << c.y << "-" << c.m << "-" << c.d;
    }
}

TEST(TavrinDateValueTest, ParsesOnlyStrictISOWithASCIIDigits) {
    EXPECT_EQ(isoOf(TavrinDateValue::fromISO("2024-02-29")), "2024-02-29");
    EXPECT_EQ(isoOf(TavrinDateValue::fromISO("0001-01-01")), "0001-01-01");
    for (const char* text : {
             "2023-02-29", "2024-13-01", "2024-00-10", "0000-01-01", "2024-1-01", "2024-01-01-",
             "-2024-01-01", "2024/01/01", "2024-01-1", "+024-01-01", " 024-01-01", "2024-01-0 ",
             "2024--1-01", "", "20240101",
             "\xEF\xBC\x92\xEF\xBC\x90\xEF\xBC\x92\xEF\xBC\x94-01-01", // full-width 2024
             "2024-\xD9\xA0\xD9\xA1-01",                               // Arabic-Indic 01
         }) {
        EXPECT_EQ(TavrinDateValue::fromISO(text), std::nullopt) << text;
    }
}

TEST(TavrinDateValueTest, WritesZeroPaddedText) {
    EXPECT_EQ(date(42, 3, 7).iso(), "0042-03-07");
    EXPECT_EQ(date(42, 3, 7).monthISO(), "0042-03");
    EXPECT_EQ(date(9999, 12, 31).iso(), "9999-12-31");
}

TEST(TavrinDateValueTest, AddingMonthsClampsAndLimits) {
    struct Case {
        TavrinDateValue start;
        std::int64_t count;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {date(2024, 1, 31), 1, "2024-02-29"},      {date(2024, 1, 31), 13, "2025-02-28"},
        {date(2024, 3, 31), -1, "2024-02-29"},     {date(2024, 5, 15), -17, "2022-12-15"},
        {date(9999, 6, 15), 12, "9999-12-15"},     {date(1, 3, 10), -5, "0001-01-10"},
        {date(5000, 1, 31), 120000, "9999-12-31"}, {date(5000, 1, 31), -120000, "0001-01-31"},
        {date(5000, 1, 1), 120001, std::nullopt},  {date(5000, 1, 1), -120001, std::nullopt},
        {date(2024, 1, 1), 0, "2024-01-01"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isoOf(c.start.addingMonths(c.count)), c.expected)
            << c.start.iso() << " + " << c.count;
    }
}

TEST(TavrinDateValueTest, AddingDaysCrossesMonthsAndStopsAtTheEnds) {
    struct Case {
        TavrinDateValue start;
        std::int64_t count;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {date(2024, 12, 31), 1, "2025-01-01"}, {date(2024, 3, 1), -1, "2024-02-29"},
        {date(2024, 1, 1), 366, "2025-01-01"}, {date(2024, 1, 1), -366, "2022-12-31"},
        {date(2024, 1, 1), 367, std::nullopt}, {date(2024, 1, 1), -367, std::nullopt},
        {date(9999, 12, 31), 1, std::nullopt}, {date(1, 1, 1), -1, std::nullopt},
        {date(9999, 12, 1), 30, "9999-12-31"}, {date(1, 1, 31), -30, "0001-01-01"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isoOf(c.start.addingDays(c.count)), c.expected)
            << c.start.iso() << " + " << c.count;
    }
}

TEST(TavrinDateValueTest, WeekdayCountsFromSunday) {
    EXPECT_EQ(date(1, 1, 1).weekday(), 1);      // Monday
    EXPECT_EQ(date(2024, 1, 1).weekday(), 1);   // Monday
    EXPECT_EQ(date(2015, 2, 1).weekday(), 0);   // Sunday
    EXPECT_EQ(date(2000, 2, 29).weekday(), 2);  // Tuesday
    EXPECT_EQ(date(9999, 12, 31).weekday(), 5); // Friday
}

TEST(TavrinDateValueTest, OrdersByYearMonthDayAndHashesConsistently) {
    EXPECT_LT(date(2023, 12, 31), date(2024, 1, 1));
    EXPECT_LT(date(2024, 1, 31), date(2024, 2, 1));
    EXPECT_GE(date(2024, 2, 2), date(2024, 2, 1));
    std::unordered_set<TavrinDateValue> set{date(2024, 1, 1), date(2024, 1, 1), date(2024, 1, 2)};
    EXPECT_EQ(set.size(), 2u);
}

using Grid = std::vector<std::vector<TavrinCalendarCell>>;

Grid grid(const TavrinDateValue& month, std::int64_t firstDay,
          std::optional<TavrinDateValue> min = std::nullopt,
          std::optional<TavrinDateValue> max = std::nullopt,
          std::set<TavrinDateValue> disabled = {},
          std::optional<std::set<TavrinDateValue>> available = std::nullopt,
          std::optional<TavrinDateValue> selected = std::nullopt,
          std::optional<TavrinDateValue> today = std::nullopt) {
    return TavrinCalendar::createCalendarGrid(month, selected, today, firstDay, min, max, disabled,
                                              available);
}

const TavrinCalendarCell& cellOf(const Grid& rows, const TavrinDateValue& wanted) {
    for (const auto& row : rows) {
        for (const auto& cell : row) {
            if (cell.date == wanted) {
                return cell;
            }
        }
    }
    throw std::runtime_error("date not in grid: " + wanted.iso());
}

TEST(TavrinCalendarTest, RowCountsFollowTheMonthsShape) {
    struct Case {
        TavrinDateValue month;
        std::int64_t firstDay;
        std::size_t rows;
        std::size_t outside;
    };
    const Case cases[] = {
        {date(2015, 2, 14), 0, 4, 0},  // starts on Sunday, 28 days
        {date(2015, 2, 1), 1, 5, 7},   // 6 leading January days, 1 trailing March day
        {date(2023, 1, 1), 0, 5, 4},   // 31 days starting on Sunday
        {date(2023, 1, 1), 1, 6, 11},  // ... with Monday first: 6 leading cells
        {date(2022, 10, 1), 0, 6, 11}, // 31 days starting on Saturday
        {date(2021, 2, 1), 1, 4, 0},   // 28 days starting on Monday
        {date(2024, 9, 1), 0, 5, 5},   // 30 days starting on Sunday
    };
    for (const auto& c : cases) {
        const auto rows = grid(c.month, c.firstDay);
        ASSERT_EQ(rows.size(), c.rows) << c.month.monthISO() << " first " << c.firstDay;
        std::size_t outside = 0;
        for (const auto& row : rows) {
            ASSERT_EQ(row.size(), 7u);
            for (const auto& cell : row) {
                outside += cell.outsideMonth ? 1 : 0;
                EXPECT_FALSE(cell.disabled);
            }
        }
        EXPECT_EQ(outside, c.outside) << c.month.monthISO();
        EXPECT_EQ(rows[0][0].date->weekday(), c.firstDay);
    }
    const auto february = grid(date(2015, 2, 1), 1);
    EXPECT_EQ(february[0][0].date, date(2015, 1, 26));
    EXPECT_EQ(february[0][6].date, date(2015, 2, 1));
}

TEST(TavrinCalendarTest, CellsBeyondTheValidRangeHaveNoDate) {
    const auto first = grid(date(1, 1, 1), 0);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first[0][0], (TavrinCalendarCell{std::nullopt, true, true, false, false}));
    EXPECT_EQ(first[0][1].date, date(1, 1, 1));

    const auto last = grid(date(9999, 12, 1), 0); // 9999-12-31 is a Friday
    const auto& tail = last.back();
    EXPECT_EQ(tail[5].date, date(9999, 12, 31));
    EXPECT_EQ(tail[6], (TavrinCalendarCell{std::nullopt, true, true, false, false}));
}

TEST(TavrinCalendarTest, FlagsFollowBoundsSetsSelectionAndToday) {
    const auto month = date(2024, 3, 1);
    auto rows = grid(month, 1, date(2024, 3, 5));
    EXPECT_FALSE(cellOf(rows, date(2024, 3, 5)).disabled);
    EXPECT_TRUE(cellOf(rows, date(2024, 3, 4)).disabled);

    rows = grid(month, 1, std::nullopt, date(2024, 3, 20));
    EXPECT_FALSE(cellOf(rows, date(2024, 3, 20)).disabled);
    EXPECT_TRUE(cellOf(rows, date(2024, 3, 21)).disabled);

    rows = grid(month, 1, std::nullopt, std::nullopt, {date(2024, 3, 10)});
    EXPECT_TRUE(cellOf(rows, date(2024, 3, 10)).disabled);
    EXPECT_FALSE(cellOf(rows, date(2024, 3, 11)).disabled);

    rows = grid(month, 1, std::nullopt, std::nullopt, {}, std::set<TavrinDateValue>{});
    for (const auto& row : rows) {
        for (const auto& cell : row) {
            EXPECT_TRUE(cell.disabled);
        }
    }

    // Days of the next month take every flag by the same rules.
    rows = grid(month, 0, std::nullopt, std::nullopt, {}, std::set{date(2024, 4, 1)},
                date(2024, 4, 1), date(2024, 4, 1));
    const auto& april = cellOf(rows, date(2024, 4, 1));
    EXPECT_EQ(april, (TavrinCalendarCell{date(2024, 4, 1), false, true, true, true}));
    EXPECT_FALSE(cellOf(rows, date(2024, 3, 2)).selected);
}

TEST(TavrinCalendarTest, RefusesInvalidArguments) {
    EXPECT_TRUE(grid(date(2024, 3, 1), 7).empty());
    EXPECT_TRUE(grid(date(2024, 3, 1), -1).empty());
    EXPECT_TRUE(grid(date(2024, 3, 1), 0, date(2024, 3, 2), date(2024, 3, 1)).empty());
    EXPECT_FALSE(grid(date(2024, 3, 1), 0, date(2024, 3, 2), date(2024, 3, 2)).empty());
}

} // namespace
} // namespace velmora
