#include "views/month_grid.hpp"

#include "platform/font_spec.hpp"
#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "views/calendar_buttons.hpp"
#include "views/weekday_header.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace velmora::detail {

MonthGridControls addMonthGrid(QVBoxLayout& stack, QWidget& parent, const MonthGridContent& content,
                               const MonthGridLook& look) {
    MonthGridControls controls;
    auto* header = makeQtChild<QHBoxLayout>();
    header->setContentsMargins(0, 0, 0, 0);
    controls.previous = makeQtChild<MonthChevronButton>(false, toQString(content.previousLabel),
                                                        look.text, &parent);
    auto* title = makeQtChild<QLabel>(toQString(content.title), &parent);
    title->setTextFormat(Qt::PlainText);
    title->setObjectName(toQString(look.identifier + ".title"));
    title->setFont(toQFont(systemFontSpec(VelmoraTextStyle::subheadline,
                                          VelmoraFontWeight::semibold, look.textScale)));
    title->setAlignment(Qt::AlignCenter);
    QPalette titlePalette = title->palette();
    titlePalette.setColor(QPalette::WindowText, look.text);
    title->setPalette(titlePalette);
    controls.next =
        makeQtChild<MonthChevronButton>(true, toQString(content.nextLabel), look.text, &parent);
    header->addWidget(controls.previous);
    header->addWidget(title, 1);
    header->addWidget(controls.next);
    stack.addLayout(header);

    stack.addWidget(makeQtChild<TavrinWeekdayHeader>(look.locale, look.identifier + ".weekdays",
                                                     look.weekdays, look.textScale, &parent));

    const QFont dayFont =
        toQFont(systemFontSpec(VelmoraTextStyle::footnote, std::nullopt, look.textScale));
    for (const auto& week : content.weeks) {
        auto* row = makeQtChild<QHBoxLayout>();
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(2);
        for (const auto& day : week) {
            if (!day.date) {
                auto* empty = makeQtChild<QWidget>(&parent);
                empty->setMinimumHeight(44);
                empty->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
                row->addWidget(empty, 1);
                continue;
            }
            auto* button = makeQtChild<CalendarDayButton>(
                day, day.enabled ? look.text : look.unavailableDay, &parent);
            button->setFont(dayFont);
            row->addWidget(button, 1);
            controls.days.push_back(button);
        }
        stack.addLayout(row);
    }
    return controls;
}

} // namespace velmora::detail
