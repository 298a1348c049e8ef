#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velmora::gallery {

/// One picture of the gallery: a view built in one fixture state, rendered at `width` points
/// (its height is what the view asks for at that width).
struct Scene {
    std::string name; ///< file name without extension: "<view>-<state>-<palette>-<locale>"
    int width = 380;
    std::function<std::unique_ptr<QWidget>()> build;
};

/// Each view file of the gallery adds its scenes here; main renders them all.
void addControlScenes(std::vector<Scene>& scenes);
void addMessageRowScenes(std::vector<Scene>& scenes);
// The widget panel.
void addPanelScenes(std::vector<Scene>& scenes);
// Conversation forms, date fields, commerce results.
void addFormScenes(std::vector<Scene>& scenes);

// The home and help screens.
void addHelpScenes(std::vector<Scene>& scenes);

// Procedure cards, their calendar, confirmation details and quick actions.
void addProcedureScenes(std::vector<Scene>& scenes);

/// Stacks `children` vertically with `spacing` on a background colour (the palette's surface).
std::unique_ptr<QWidget> stack(std::vector<QWidget*> children, const QColor& background,
                               int spacing = 12, int margin = 16);

} // namespace velmora::gallery
