#include "views/procedure_view_context.hpp"

#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "views/bounded_text_view.hpp"
#include "views/text_block_view.hpp"

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

QWidget* procedureText(const std::string& text, const VelmoraFontSpec& font, VelmoraColor color) {
    auto* view = makeQtChild<TextBlockView>();
    view->apply(boundedText(text, text_bounds::bodyCharacters), toQFont(font), toQColor(color), 0);
    view->setAccessibleName(toQString(text));
    return view;
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
