#include "views/calendar_buttons.hpp"

#include "platform/qt_conversions.hpp"
#include "views/content_symbol.hpp"

#include <QFontMetrics>
#include <QPainter>

namespace velmora::detail {

MonthChevronButton::MonthChevronButton(bool forward, const QString& accessibleName,
                                       const QColor& color, QWidget* parent)
    : QAbstractButton(parent), forward_(forward), color_(color) {
    setAccessibleName(accessibleName);
    setFixedSize(44, 44);
    setCursor(Qt::PointingHandCursor);
}

void MonthChevronButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QColor color = color_;
    if (isDown())
        color.setAlphaF(color.alphaF() * 0.5);
    paintContentSymbol(painter, forward_ ? ContentSymbol::chevronRight : ContentSymbol::chevronLeft,
                       QRectF(rect()), 18, color);
}

CalendarDayButton::CalendarDayButton(const CalendarDayModel& day, const QColor& color,
                                     QWidget* parent)
    : QAbstractButton(parent), day_(day), color_(color) {
    setText(toQString(day.text));
    setObjectName(toQString(day.identifier));
    setAccessibleName(toQString(day.accessibleName));
    setEnabled(day.enabled);
    setMinimumHeight(44);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    if (day.enabled)
        setCursor(Qt::PointingHandCursor);
}

QSize CalendarDayButton::sizeHint() const {
    return {fontMetrics().horizontalAdvance(text()) + 4, 44};
}

QSize CalendarDayButton::minimumSizeHint() const {
    return {0, 44};
}

void CalendarDayButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setOpacity(day_.opacity * (isDown() ? 0.5 : 1.0));
    painter.setPen(color_);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text());
}

} // namespace velmora::detail
