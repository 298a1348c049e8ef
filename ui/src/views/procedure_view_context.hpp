#pragma once

#include "velmora/widget_experience.hpp"
#include "views/widget_view_model.hpp"

#include <memory>

class QLayout;
class QWidget;

namespace velmora {
class VelmoraWidgetController;
}

namespace velmora::detail {

/// What the procedure views draw with and send their actions to.
struct ProcedureViewContext {
    std::shared_ptr<VelmoraWidgetController> controller;
    const VelmoraWidgetExperience* experience = nullptr;
    bool dark = false;
    bool reduceMotion = false;
    double textScale = 1;

    PanelContext panel() const { return {*experience, dark, reduceMotion, textScale}; }
};

/// Tells the views above `widget` that its content changed size: every ancestor measures its
/// layout again, and the outermost one asks its parent (the transcript) to measure it.
void procedureContentResized(QWidget* widget);

/// Empties `layout`, deleting the widgets it held (from a redraw, never inside their handlers).
void clearProcedureLayout(QLayout& layout);

} // namespace velmora::detail
