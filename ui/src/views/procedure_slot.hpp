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
};

/// The transcript's place for the running procedure: its card when the snapshot's procedure
/// action makes a valid one, else its quick actions when at least one has a title, else
/// nothing (null). The procedure views fill this in; until they do, the place stays empty.
std::unique_ptr<QWidget> makeProcedureSlotView(const VelmoraSnapshot& snapshot,
                                               const ProcedureSlotContext& context);

} // namespace velmora::detail
