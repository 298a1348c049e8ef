#pragma once

#include "velmora/ui/platform_settings.hpp"
#include "velmora/ui/widget_controller.hpp"
#include "velmora/widget_experience.hpp"

#include <QAbstractButton>
#include <QWidget>

#include <memory>

namespace velmora {

namespace detail {
class WidgetContainerPrivate;
class WidgetLauncherPrivate;
} // namespace detail

class VelmoraWidgetScreen;

/// The round button that opens the widget ("velmora.widget.launcher", named by the copy text
/// "panel.title"): a message symbol in the palette's on-accent colour on its accent colour. It
/// hides itself while the widget is open. GUI thread only.
class VelmoraWidgetLauncher final : public QAbstractButton {
    Q_OBJECT

public:
    /// `settings` defaults to the desktop's. Throws `std::invalid_argument` when `controller`
    /// is null.
    VelmoraWidgetLauncher(std::shared_ptr<VelmoraWidgetController> controller,
                          VelmoraWidgetExperience experience,
                          std::shared_ptr<VelmoraPlatformSettings> settings = nullptr,
                          QWidget* parent = nullptr);
    ~VelmoraWidgetLauncher() override;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class detail::WidgetLauncherPrivate;
    std::unique_ptr<detail::WidgetLauncherPrivate> d_;
};

/// For hosts that draw the widget inside their own screens: fills the space it is given with
/// the widget screen while the widget is open, and otherwise shows the launcher, 16 points in
/// from its bottom trailing corner.
///
/// Appearing mounts the controller; being hidden (the host switching tabs or pages) closes the
/// widget and keeps its draft, and showing the container again shows the launcher. Destroying
/// the container destroys the controller for good: its saved draft is deleted and every later
/// call on it does nothing. GUI thread only.
class VelmoraWidgetContainer final : public QWidget {
    Q_OBJECT

public:
    /// `settings` defaults to the desktop's. Throws `std::invalid_argument` when `controller`
    /// is null.
    VelmoraWidgetContainer(std::shared_ptr<VelmoraWidgetController> controller,
                           VelmoraWidgetExperience experience,
                           std::shared_ptr<VelmoraPlatformSettings> settings = nullptr,
                           QWidget* parent = nullptr);
    ~VelmoraWidgetContainer() override;

    const std::shared_ptr<VelmoraWidgetController>& controller() const noexcept;
    VelmoraWidgetLauncher& launcher() const noexcept;
    VelmoraWidgetScreen& widgetScreen() const noexcept;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class detail::WidgetContainerPrivate;
    std::unique_ptr<detail::WidgetContainerPrivate> d_;
};

} // namespace velmora
