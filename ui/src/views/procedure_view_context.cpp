#include "views/procedure_view_context.hpp"

#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"

#include <QLabel>
#include <QLayout>
#include <QWidget>

#include <memory>

namespace velmora::detail {

void procedureContentResized(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        w->updateGeometry();
        // The transcript's list has no layout: it measures its items itself when told.
        if (!w->parentWidget() || !w->parentWidget()->layout())
            break;
    }
}

QLabel* procedureText(const std::string& text, const VelmoraFontSpec& font, VelmoraColor color) {
    auto* label = makeQtChild<QLabel>();
    const QString shown = toQString(text);
    label->setTextFormat(Qt::PlainText);
    label->setText(shown);
    label->setWordWrap(true);
    label->setFont(toQFont(font));
    label->setAccessibleName(shown);
    label->setAlignment((shown.isRightToLeft() ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, toQColor(color));
    label->setPalette(palette);
    return label;
}

void clearProcedureLayout(QLayout& layout) {
    while (std::unique_ptr<QLayoutItem> item{layout.takeAt(0)}) {
        QWidget* widget = item->widget();
        if (widget)
            destroyQtChild(widget);
        else if (QLayout* inner = item->layout())
            clearProcedureLayout(*inner);
    }
}

} // namespace velmora::detail
