#pragma once

// moc cannot parse the standard library headers the calendar types bring in.
#ifndef Q_MOC_RUN
#include "views/form_date_field_model.hpp"
#endif

#include <QAbstractButton>

namespace velmora::detail {

/// A month chevron of a calendar: a 44-point square that takes taps anywhere inside it.
class MonthChevronButton final : public QAbstractButton {
    Q_OBJECT

public:
    /// `forward` points right (the next month), otherwise left.
    MonthChevronButton(bool forward, const QString& accessibleName, const QColor& color,
                       QWidget* parent = nullptr);
    QSize sizeHint() const override { return {44, 44}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool forward_;
    QColor color_;
};

/// A day of a month grid: its number centred in the column, at least 44 points high, faded
/// and not clickable outside the visible month.
class CalendarDayButton final : public QAbstractButton {
    Q_OBJECT

public:
    CalendarDayButton(const CalendarDayModel& day, const QColor& color, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    const CalendarDayModel& day() const noexcept { return day_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CalendarDayModel day_;
    QColor color_;
};

} // namespace velmora::detail
