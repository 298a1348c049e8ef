#include "views/weekday_header.hpp"

#include "platform/font_spec.hpp"
#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "views/calendar_text.hpp"

#include <QHBoxLayout>
#include <QLabel>

namespace velmora::detail {

TavrinWeekdayHeader::TavrinWeekdayHeader(const std::string& locale, const std::string& identifier,
                                         const QColor& color, double textScale, QWidget* parent)
    : QWidget(parent), symbols_(weekdaySymbolsMondayFirst(locale)) {
    setObjectName(toQString(identifier));
    auto* row = makeQtChild<QHBoxLayout>(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    const QFont font =
        toQFont(systemFontSpec(VelmoraTextStyle::caption2, VelmoraFontWeight::semibold, textScale));
    for (std::size_t index = 0; index < symbols_.size(); ++index) {
        // Shown as given: a name is never looked up as a text key.
        auto* name = makeQtChild<QLabel>(toQString(symbols_[index]));
        name->setTextFormat(Qt::PlainText);
        name->setObjectName(toQString(identifier + "." + std::to_string(index)));
        name->setAccessibleName(toQString(symbols_[index]));
        name->setAlignment(Qt::AlignCenter);
        name->setFont(font);
        name->setMinimumHeight(24);
        name->setMinimumWidth(0);
        name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        QPalette palette = name->palette();
        palette.setColor(QPalette::WindowText, color);
        name->setPalette(palette);
        row->addWidget(name, 1);
    }
}

} // namespace velmora::detail
