#include "views/procedure_quick_actions_view.hpp"

#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "platform/size_policy.hpp"
#include "velmora/ui/widget_controller.hpp"
#include "views/progress_label.hpp"
#include "views/styled_button.hpp"

#include <QVBoxLayout>

namespace velmora::detail {

ProcedureQuickActionsView::ProcedureQuickActionsView(
    std::vector<VelmoraProcedureQuickAction> actions, ProcedureViewContext context, QWidget* parent)
    : QWidget(parent), actions_(std::move(actions)), context_(std::move(context)),
      layout_(makeQtChild<QVBoxLayout>(this)) {
    setObjectName("velmora.widget.procedure.quick-actions");
    setSizePolicy(heightForWidthPolicy(QSizePolicy::Expanding));
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(8);
    observation_ =
        context_.controller->observe(VelmoraWidgetProperty::isActionInFlight,
                                     [this](VelmoraWidgetProperty) { redraw_.request(); });
    rebuild();
}

void ProcedureQuickActionsView::rebuild() {
    clearProcedureLayout(*layout_);
    const auto model = procedureQuickActionsModel(actions_, context_.controller->isActionInFlight(),
                                                  context_.panel());
    for (const auto& button : model.buttons) {
        auto* view = makeQtChild<VelmoraStyledButton>(toQString(button.action.title), model.style);
        view->setObjectName(toQString(button.identifier));
        view->setAccessibleName(toQString(button.action.title));
        view->setEnabled(model.enabled);
        QObject::connect(view, &QAbstractButton::clicked, this,
                         [controller = context_.controller, action = button.action] {
                             controller->performProcedureQuickAction(action);
                         });
        layout_->addWidget(view);
    }
    if (model.busy) {
        auto* busy = makeQtChild<VelmoraProgressLabel>(*model.busy);
        busy->setColor(toQColor(model.style.foreground));
        layout_->addWidget(busy, 0, Qt::AlignLeading);
    }
    procedureContentResized(this);
}

} // namespace velmora::detail
