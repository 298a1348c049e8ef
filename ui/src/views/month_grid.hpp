#pragma once

// moc cannot parse the standard library headers the calendar types bring in.
#ifndef Q_MOC_RUN
#include "views/form_date_field_model.hpp"
#endif

#include <QColor>

#include <span>
#include <string>
#include <vector>

class QVBoxLayout;
class QWidget;

namespace velmora::detail {

class CalendarDayButton;
class MonthChevronButton;

/// What a month grid shows: the month's title between its two chevrons, and its weeks.
struct MonthGridContent {
    const std::string& title;
    const std::string& previousLabel;
    const std::string& nextLabel;
    /// Weeks of 7 cells, Monday first.
    std::span<const std::vector<CalendarDayModel>> weeks;
};

/// How a month grid is drawn and named.
struct MonthGridLook {
    /// The weekday names' language.
    std::string locale;
    /// The title is "<identifier>.title", the weekday row "<identifier>.weekdays".
    std::string identifier;
    /// The title, the chevrons and the days that can be picked.
    QColor text;
    /// The days that cannot be picked.
    QColor unavailableDay;
    QColor weekdays;
    double textScale = 1;
};

/// The controls of a month grid, for their owner to connect.
struct MonthGridControls {
    MonthChevronButton* previous = nullptr;
    MonthChevronButton* next = nullptr;
    /// One a dated cell, in order; empty cells have none.
    std::vector<CalendarDayButton*> days;
};

/// Adds a month grid to `stack`, its widgets children of `parent`: a header row of the
/// previous-month chevron, the centred title and the next-month chevron; the weekday names;
/// then one row a week, every cell an equal column at least 44 points high.
MonthGridControls addMonthGrid(QVBoxLayout& stack, QWidget& parent, const MonthGridContent& content,
                               const MonthGridLook& look);

} // namespace velmora::detail
