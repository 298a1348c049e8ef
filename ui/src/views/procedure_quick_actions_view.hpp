#pragma once

#include "platform/redraw_scheduler.hpp"
#include "views/procedure_card_model.hpp"
#include "views/procedure_view_context.hpp"

#include "velmora/ui/observation.hpp"

#include <QWidget>

class QVBoxLayout;

namespace velmora::detail {

/// The procedures the user can start, one button each below the transcript; a tap starts the
/// procedure through the controller. Buttons stop responding and the busy label shows while an
/// action runs.
class ProcedureQuickActionsView final : public QWidget {
    Q_OBJECT

public:
    ProcedureQuickActionsView(std::vector<VelmoraProcedureQuickAction> actions,
                              ProcedureViewContext context, QWidget* parent = nullptr);

private:
    void rebuild();

    std::vector<VelmoraProcedureQuickAction> actions_;
    ProcedureViewContext context_;
    QVBoxLayout* layout_;
    RedrawScheduler redraw_{this, [this] { rebuild(); }};
    VelmoraObservation observation_;
};

} // namespace velmora::detail
