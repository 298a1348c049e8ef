#include "platform/qt_child.hpp"
#include "velmora/ui/widget_hosting.hpp"
#include "velmora/ui/widget_view.hpp"

#include <QVBoxLayout>

namespace velmora {

VelmoraWidgetScreen::VelmoraWidgetScreen(std::shared_ptr<VelmoraWidgetController> controller,
                                         VelmoraWidgetExperience experience,
                                         std::shared_ptr<VelmoraPlatformSettings> settings,
                                         QWidget* parent)
    : QWidget(parent) {
    // "velmora.widget.screen" is the transcript's; automation finds the hosted screen by its own
    // name.
    setObjectName("velmora.widget.host.screen");
    auto* layout = detail::makeQtChild<QVBoxLayout>(this);
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = detail::makeQtChild<VelmoraWidgetView>(std::move(controller), std::move(experience),
                                                   std::move(settings), this);
    layout->addWidget(view_);
}

VelmoraWidgetScreen::~VelmoraWidgetScreen() = default;

} // namespace velmora
