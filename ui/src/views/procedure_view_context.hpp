#pragma once

#include "platform/color.hpp"
#include "platform/font_spec.hpp"
#include "velmora/widget_experience.hpp"
#include "views/widget_view_model.hpp"

#include <memory>

class QLabel;
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

/// A wrapped plain text in `font` and `color`, announced as itself, aligned to the text's own
/// leading edge (right-to-left texts to the right). The card's texts come from the service: a
/// long one wraps anywhere and only a bounded prefix is laid out, so the card keeps its width.
QWidget* procedureText(const std::string& text, const VelmoraFontSpec& font, VelmoraColor color);

/// Empties `layout`, deleting the widgets it held (from a redraw, never inside their handlers).
void clearProcedureLayout(QLayout& layout);

} // namespace velmora::detail
