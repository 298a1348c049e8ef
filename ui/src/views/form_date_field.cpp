#include "views/form_date_field.hpp"

#include "platform/font_spec.hpp"
#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "views/calendar_buttons.hpp"
#include "views/calendar_text.hpp"
#include "views/weekday_header.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace velmora::detail {

VelmoraFormDateFieldView::VelmoraFormDateFieldView(std::string fieldId, std::string value,
                                                   std::string locale, const QColor& textColor,
                                                   double textScale, QWidget* parent)
    : QWidget(parent), fieldId_(std::move(fieldId)), value_(std::move(value)),
      locale_(std::move(locale)), textColor_(textColor), textScale_(textScale),
      visibleMonth_(initialVisibleMonth(value_, currentMonth())),
      redraw_(this, [this] { rebuild(); }) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    layout_ = makeQtChild<QVBoxLayout>(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    rebuild();
}

void VelmoraFormDateFieldView::setValue(std::string value) {
    if (value == value_)
        return;
    value_ = std::move(value);
    redraw_.request();
}

void VelmoraFormDateFieldView::moveMonth(std::int64_t count) {
    const auto moved = movedMonth(visibleMonth_, count);
    if (moved == visibleMonth_)
        return;
    visibleMonth_ = moved;
    redraw_.request();
}

void VelmoraFormDateFieldView::showMonth(const TavrinDateValue& month) {
    const auto first = movedMonth(month, 0);
    if (first == visibleMonth_)
        return;
    visibleMonth_ = first;
    redraw_.request();
}

int VelmoraFormDateFieldView::heightForWidth(int width) const {
    return layout_->totalHeightForWidth(width);
}

void VelmoraFormDateFieldView::rebuild() {
    model_ = formDateFieldModel(fieldId_, value_, locale_, visibleMonth_, calendarToday());
    detail::destroyQtChild(content_);
    content_ = makeQtChild<QWidget>();
    auto* stack = makeQtChild<QVBoxLayout>(content_);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(6);

    auto* header = makeQtChild<QHBoxLayout>();
    header->setContentsMargins(0, 0, 0, 0);
    auto* previous = makeQtChild<MonthChevronButton>(false, toQString(model_.previousLabel),
                                                     textColor_, content_);
    connect(previous, &QAbstractButton::clicked, this, [this] { moveMonth(-1); });
    auto* title = makeQtChild<QLabel>(toQString(model_.title), content_);
    title->setTextFormat(Qt::PlainText);
    title->setObjectName("velmora.widget.form.calendar.title");
    title->setFont(toQFont(
        systemFontSpec(VelmoraTextStyle::subheadline, VelmoraFontWeight::semibold, textScale_)));
    title->setAlignment(Qt::AlignCenter);
    QPalette titlePalette = title->palette();
    titlePalette.setColor(QPalette::WindowText, textColor_);
    title->setPalette(titlePalette);
    auto* next =
        makeQtChild<MonthChevronButton>(true, toQString(model_.nextLabel), textColor_, content_);
    connect(next, &QAbstractButton::clicked, this, [this] { moveMonth(1); });
    header->addWidget(previous);
    header->addWidget(title, 1);
    header->addWidget(next);
    stack->addLayout(header);

    QColor secondary = textColor_;
    secondary.setAlphaF(secondary.alphaF() * 0.6);
    stack->addWidget(makeQtChild<TavrinWeekdayHeader>(
        locale_, "velmora.widget.form.calendar.weekdays", secondary, textScale_, content_));

    const QFont dayFont =
        toQFont(systemFontSpec(VelmoraTextStyle::footnote, std::nullopt, textScale_));
    for (const auto& week : model_.weeks) {
        auto* row = makeQtChild<QHBoxLayout>();
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(2);
        for (const auto& day : week) {
            if (!day.date) {
                auto* empty = makeQtChild<QWidget>(content_);
                empty->setMinimumHeight(44);
                empty->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
                row->addWidget(empty, 1);
                continue;
            }
            auto* button = makeQtChild<CalendarDayButton>(day, textColor_, content_);
            button->setFont(dayFont);
            connect(button, &QAbstractButton::clicked, this, [this, iso = day.date->iso()] {
                // A click always writes, also on the day already chosen.
                value_ = iso;
                redraw_.request();
                if (onValueChanged)
                    onValueChanged(iso);
            });
            row->addWidget(button, 1);
        }
        stack->addLayout(row);
    }

    if (model_.valueText) {
        auto* text = makeQtChild<QLabel>(toQString(*model_.valueText), content_);
        text->setTextFormat(Qt::PlainText);
        text->setWordWrap(true);
        text->setObjectName("velmora.widget.form.date-value");
        text->setFont(
            toQFont(systemFontSpec(VelmoraTextStyle::caption1, std::nullopt, textScale_)));
        QPalette palette = text->palette();
        palette.setColor(QPalette::WindowText, secondary);
        text->setPalette(palette);
        stack->addWidget(text);
    }
    layout_->addWidget(content_);
    content_->show();
    updateGeometry();
}

} // namespace velmora::detail
