#include "views/form_date_field.hpp"

#include "platform/font_spec.hpp"
#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "views/calendar_buttons.hpp"
#include "views/calendar_text.hpp"
#include "views/month_grid.hpp"

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

    QColor secondary = textColor_;
    secondary.setAlphaF(secondary.alphaF() * 0.6);
    const auto grid = addMonthGrid(
        *stack, *content_, {model_.title, model_.previousLabel, model_.nextLabel, model_.weeks},
        {.locale = locale_,
         .identifier = "velmora.widget.form.calendar",
         .text = textColor_,
         .unavailableDay = textColor_,
         .weekdays = secondary,
         .textScale = textScale_});
    connect(grid.previous, &QAbstractButton::clicked, this, [this] { moveMonth(-1); });
    connect(grid.next, &QAbstractButton::clicked, this, [this] { moveMonth(1); });
    for (auto* button : grid.days)
        connect(button, &QAbstractButton::clicked, this, [this, iso = button->day().date->iso()] {
            // A click always writes, also on the day already chosen.
            value_ = iso;
            redraw_.request();
            if (onValueChanged)
                onValueChanged(iso);
        });

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
