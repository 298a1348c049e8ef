#include "platform/qt_child.hpp"
#include "views/calendar_buttons.hpp"
#include "views/calendar_text.hpp"
#include "views/form_date_field.hpp"
#include "views/weekday_header.hpp"

#include "ui/ui_test_support.hpp"

#include <QAbstractButton>
#include <QLabel>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

using namespace detail;

QList<CalendarDayButton*> dayButtons(QWidget& view) {
    return view.findChildren<CalendarDayButton*>();
}

CalendarDayButton* day(QWidget& view, const std::string& identifier) {
    return view.findChild<CalendarDayButton*>(QString::fromStdString(identifier));
}

TEST(WeekdayHeaderViewTest, NamesSitMondayFirstUnderIndexedIdentifiers) {
    TavrinWeekdayHeader header("en", "velmora.widget.form.calendar.weekdays", Qt::gray, 1);
    EXPECT_EQ(header.objectName(), "velmora.widget.form.calendar.weekdays");
    const char* expected[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    for (int index = 0; index < 7; ++index) {
        auto* name = header.findChild<QLabel*>(
            QString("velmora.widget.form.calendar.weekdays.%1").arg(index));
        ASSERT_NE(name, nullptr) << index;
        EXPECT_EQ(name->text().toStdString(), expected[index]);
        EXPECT_EQ(name->accessibleName(), name->text());
    }
}

TEST(FormDateFieldViewTest, AValueOpensItsMonthAndPagingKeepsIt) {
    VelmoraFormDateFieldView view("due", "2024-02-10", "en", Qt::black, 1);
    EXPECT_EQ(view.visibleMonth().iso(), "2024-02-01");
    // February 2024 starts on a Thursday: three leading January days, faded and disabled.
    auto* leading = day(view, "velmora.widget.form.date.due.2024-01-29");
    ASSERT_NE(leading, nullptr);
    EXPECT_FALSE(leading->isEnabled());
    EXPECT_DOUBLE_EQ(leading->day().opacity, 0.45);
    EXPECT_EQ(dayButtons(view).size(), 35);
    auto* valueLine = view.findChild<QLabel*>("velmora.widget.form.date-value");
    ASSERT_NE(valueLine, nullptr);
    EXPECT_EQ(valueLine->text(), "2024-02-10");

    view.moveMonth(1);
    testing::drainEvents();
    EXPECT_EQ(view.visibleMonth().iso(), "2024-03-01");
    EXPECT_EQ(day(view, "velmora.widget.form.date.due.2024-02-10"), nullptr);
    view.moveMonth(-1);
    testing::drainEvents();
    EXPECT_EQ(view.value(), "2024-02-10");
    EXPECT_EQ(view.findChild<QLabel*>("velmora.widget.form.date-value")->text(), "2024-02-10");
}

TEST(FormDateFieldViewTest, ClickingADayWritesItsIsoDateEachTime) {
    VelmoraFormDateFieldView view("due", "", "en", Qt::black, 1);
    // An empty value opens on today's month and shows no text line.
    EXPECT_EQ(view.visibleMonth(), currentMonth());
    EXPECT_EQ(view.findChild<QLabel*>("velmora.widget.form.date-value"), nullptr);
    std::vector<std::string> written;
    view.onValueChanged = [&](const std::string& value) { written.push_back(value); };
    view.setValue("2023-12-31");
    testing::drainEvents();
    // A value set by the form does not move the shown month.
    EXPECT_EQ(view.visibleMonth(), currentMonth());
    EXPECT_TRUE(written.empty());

    const std::string first = currentMonth().iso();
    day(view, "velmora.widget.form.date.due." + first)->click();
    testing::drainEvents();
    day(view, "velmora.widget.form.date.due." + first)->click();
    testing::drainEvents();
    EXPECT_EQ(written, (std::vector<std::string>{first, first}));
    EXPECT_EQ(view.findChild<QLabel*>("velmora.widget.form.date-value")->text().toStdString(),
              first);
}

TEST(FormDateFieldViewTest, MonthChevronsPageAndStopAtTheEndsOfTheRange) {
    VelmoraFormDateFieldView view("d", "0001-01-15", "en", Qt::black, 1);
    auto chevrons = view.findChildren<MonthChevronButton*>();
    ASSERT_EQ(chevrons.size(), 2);
    EXPECT_EQ(chevrons[0]->accessibleName().toStdString(), previousMonthLabel("en"));
    EXPECT_EQ(chevrons[1]->accessibleName().toStdString(), nextMonthLabel("en"));
    chevrons[0]->click();
    testing::drainEvents();
    EXPECT_EQ(view.visibleMonth().iso(), "0001-01-01");
    view.findChildren<MonthChevronButton*>()[1]->click();
    testing::drainEvents();
    EXPECT_EQ(view.visibleMonth().iso(), "0001-02-01");

    VelmoraFormDateFieldView last("d", "9999-12-01", "en", Qt::black, 1);
    last.moveMonth(1);
    testing::drainEvents();
    EXPECT_EQ(last.visibleMonth().iso(), "9999-12-01");
}

TEST(FormDateFieldViewTest, TwoFieldsHaveDistinctDayIdentifiers) {
    QWidget form;
    auto* a =
        makeQtChild<VelmoraFormDateFieldView>("start", "2024-04-01", "en", Qt::black, 1.0, &form);
    auto* b =
        makeQtChild<VelmoraFormDateFieldView>("end", "2024-04-01", "en", Qt::black, 1.0, &form);
    ASSERT_NE(day(*a, "velmora.widget.form.date.start.2024-04-01"), nullptr);
    ASSERT_NE(day(*b, "velmora.widget.form.date.end.2024-04-01"), nullptr);
    EXPECT_EQ(day(*a, "velmora.widget.form.date.end.2024-04-01"), nullptr);
    // April 2024 starts on a Monday: no leading cells.
    EXPECT_EQ(dayButtons(*a).front()->objectName(), "velmora.widget.form.date.start.2024-04-01");
}

} // namespace
} // namespace velmora
