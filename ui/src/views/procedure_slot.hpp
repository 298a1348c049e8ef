#pragma once

#include "velmora/models.hpp"
#include "velmora/widget_experience.hpp"

#include <QWidget>

#include <memory>

namespace velmora {
class VelmoraWidgetController;
}

namespace velmora::detail {

/// What the transcript hands the procedure views.
struct ProcedureSlotContext {
    std::shared_ptr<VelmoraWidgetController> controller;
    const VelmoraWidgetExperience& experience;
    bool dark = false;
    bool reduceMotion = false;
    double textScale = 1;
};

/// The transcript's place for the running procedure: its card when the snapshot's procedure
/// action makes a valid one, else its quick actions when at least one has a title, else
/// nothing (null).
std::unique_ptr<QWidget> makeProcedureSlotView(const VelmoraSnapshot& snapshot,
                                               const ProcedureSlotContext& context);

/// Shows a later snapshot in a place made by `makeProcedureSlotView`, keeping what the user set
/// up there (the calendar's month). False when there is nothing to show any more: the caller
/// then removes the place.
bool updateProcedureSlotView(QWidget& slot, const VelmoraSnapshot& snapshot,
                             const ProcedureSlotContext& context);

} // namespace velmora::detail
