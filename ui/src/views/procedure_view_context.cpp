#include "views/procedure_view_context.hpp"

#include "platform/qt_child.hpp"

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
