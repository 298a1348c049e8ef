#include "views/calendar_text.hpp"
#include "views/form_date_field_model.hpp"

#include <gtest/gtest.h>

#include <chrono>

namespace velmora {
namespace {

using namespace detail;

TavrinDateValue date(int year, int month, int day) {
    return *TavrinDateValue::make(year, month, day);
}

TEST(CalendarTextTest, WeekdayNamesStartOnMondayInEachLocale) {
    struct Case {
        const char* locale;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {"en", {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"}},
        {"de", {"Mo", "Di", "Mi", "Do", "Fr", "Sa", "So"}},
        {"es", {"lun", "mar", "mié", "jue", "vie", "sáb", "dom"}},
        {"uk", {"пн", "вт", "ср", "чт", "пт", "сб", "нд"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(weekdaySymbolsMondayFirst(c.locale), c.names) << c.locale;
}

TEST(CalendarTextTest, MonthTitlesFollowTheLocalesPattern) {
    struct Case {
        const char* locale;
        TavrinDateValue month;
        const char* title;
    };
    const std::vector<Case> cases = {
        {"en", date(2024, 3, 17), "March 2024"},
        {"de", date(2024, 3, 1), "März 2024"},
        {"es", date(2024, 3, 1), "marzo de 2024"},
        {"uk", date(2024, 3, 1), "березень 2024\u202Fр."}, // a narrow no-break space
        {"en", date(1, 1, 1), "January 1"},
        {"en", date(9999, 12, 31), "December 9999"},
        {"en", date(1582, 10, 1), "October 1582"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(monthTitle(c.locale, c.month), c.title) << c.locale << " " << c.month.iso();
}

TEST(CalendarTextTest, MediumDatesInTheGivenZone) {
    using namespace std::chrono;
    const Date instant = sys_days{2024y / March / 5} + 23h + 30min;
    struct Case {
        const char* locale;
        const char* zone;
        const char* text;
    };
    const std::vector<Case> cases = {
        {"en", "UTC", "Mar 5, 2024"},         {"en", "Europe/Kyiv", "Mar 6, 2024"},
        {"de", "UTC", "05.03.2024"},          {"es", "UTC", "5 mar 2024"},
        {"uk", "UTC", "5 бер. 2024\u202Fр."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mediumDate(c.locale, instant, c.zone), c.text) << c.locale << " " << c.zone;
}

TEST(FormDateFieldModelTest, MonthGridForEachFirstWeekdayAndLeapYears) {
    struct Case {
        TavrinDateValue month;
        std::size_t leading; // days of the previous month before day 1
        std::size_t rows;
    };
    const std::vector<Case> cases = {
        {date(2024, 1, 1), 0, 5},  // starts on Monday
        {date(2021, 2, 1), 0, 4},  // Monday, 28 days: exactly four rows
        {date(2024, 10, 1), 1, 5}, // Tuesday
        {date(2025, 1, 1), 2, 5},  // Wednesday
        {date(2024, 2, 1), 3, 5},  // Thursday, leap February
        {date(2024, 3, 1), 4, 5},  // Friday
        {date(2025, 3, 1), 5, 6},  // Saturday, 31 days
        {date(2024, 9, 1), 6, 6},  // Sunday, 30 days
        {date(2000, 2, 1), 1, 5},  // a leap year divisible by 400
        {date(1900, 2, 1), 3, 5},  // not a leap year
    };
    for (const auto& c : cases) {
        const auto model = formDateFieldModel("when", "", "en", c.month, std::nullopt);
        ASSERT_EQ(model.weeks.size(), c.rows) << c.month.iso();
        const auto& first = model.weeks.front();
        for (std::size_t i = 0; i < 7; ++i)
            EXPECT_EQ(first[i].outsideMonth, i < c.leading) << c.month.iso() << " cell " << i;
        // Exactly the month's days can be picked, each under its own identifier.
        std::vector<std::string> picked;
        for (const auto& week : model.weeks) {
            ASSERT_EQ(week.size(), 7u);
            for (const auto& cell : week) {
                ASSERT_TRUE(cell.date);
                EXPECT_EQ(cell.enabled, !cell.outsideMonth);
                EXPECT_EQ(cell.opacity, cell.outsideMonth ? 0.45 : 1.0);
                EXPECT_EQ(cell.identifier, "velmora.widget.form.date.when." + cell.date->iso());
                if (cell.enabled)
                    picked.push_back(cell.date->iso());
            }
        }
        const auto last = c.month.addingMonths(1)->addingDays(-1);
        ASSERT_EQ(picked.size(), static_cast<std::size_t>(last->day())) << c.month.iso();
        EXPECT_EQ(picked.front(), c.month.iso());
        EXPECT_EQ(picked.back(), last->iso());
    }
    EXPECT_EQ(formDateFieldModel("f", "", "en", date(2024, 2, 1), std::nullopt).weeks[4][3].text,
              "29");
}

TEST(FormDateFieldModelTest, TheValueChoosesTheMonthAndIsShownVerbatim) {
    const auto today = date(2024, 6, 12);
    struct Case {
        const char* value;
        TavrinDateValue month;
    };
    const std::vector<Case> cases = {
        {"", date(2024, 6, 1)},
        {"2023-12-31", date(2023, 12, 1)},
        {"31.12.2023", date(2024, 6, 1)},
        {"2023-02-29", date(2024, 6, 1)},
        {" 2023-12-31", date(2024, 6, 1)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(initialVisibleMonth(c.value, today), c.month) << c.value;
        const auto model = formDateFieldModel("f", c.value, "en", c.month, today);
        EXPECT_EQ(model.valueText.has_value(), *c.value != '\0');
        if (model.valueText)
            EXPECT_EQ(*model.valueText, c.value);
    }
    EXPECT_EQ(movedMonth(date(1, 1, 1), -1), date(1, 1, 1));
    EXPECT_EQ(movedMonth(date(9999, 12, 1), 1), date(9999, 12, 1));
    EXPECT_EQ(movedMonth(date(2024, 1, 1), -1), date(2023, 12, 1));
    EXPECT_EQ(movedMonth(date(2024, 1, 1), 14), date(2025, 3, 1));
    const auto model = formDateFieldModel("f", "", "xx-unknown", date(2024, 1, 1), today);
    EXPECT_EQ(model.previousLabel, "previous");
    EXPECT_EQ(model.nextLabel, "next");
    // Past the last valid date the cells are empty and cannot be picked.
    const auto last = formDateFieldModel("f", "", "en", date(9999, 12, 1), std::nullopt);
    EXPECT_EQ(last.weeks.back()[6].date, std::nullopt);
    EXPECT_FALSE(last.weeks.back()[6].enabled);
    EXPECT_TRUE(last.weeks.back()[6].identifier.empty());
}

} // namespace
} // namespace velmora
