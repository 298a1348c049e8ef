#pragma once

#include "velmora/ui/platform_settings.hpp"
#include "velmora/ui/widget_controller.hpp"
#include "velmora/ui/widget_runtime_policy.hpp"
#include "velmora/widget_experience.hpp"

#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace velmora {

namespace detail {
class WidgetViewPrivate;
}

/// The widget panel: header, the current screen (home, the messages transcript or help), the
/// composer on the messages screen, and the tab bar, drawn from a controller's published state
/// in a resolved design.
///
/// GUI thread only; the controller must run on the GUI thread's executor
/// (`VelmoraQtExecutionContext`). The view keeps no conversation state of its own: every tap is
/// one call on the controller, every change the controller publishes is redrawn once per turn
/// of the event loop.
///
/// Lifecycle: becoming visible mounts the controller (opening it is the host's business) and
/// starts the runtime policy; being hidden stops the policy and closes the controller; while
/// its window is minimised the controller is in the background and comes back to the
/// foreground when the window is restored.
class VelmoraWidgetView final : public QWidget {
    Q_OBJECT

public:
    /// `settings` defaults to the desktop's (`VelmoraDesktopPlatformSettings`). Throws
    /// `std::invalid_argument` when `controller` is null.
    VelmoraWidgetView(std::shared_ptr<VelmoraWidgetController> controller,
                      VelmoraWidgetExperience experience,
                      std::shared_ptr<VelmoraPlatformSettings> settings = nullptr,
                      QWidget* parent = nullptr);
    ~VelmoraWidgetView() override;

    const std::shared_ptr<VelmoraWidgetController>& controller() const noexcept;
    const VelmoraWidgetExperience& experience() const noexcept;
    VelmoraWidgetRuntimePolicy& runtimePolicy() noexcept;

    /// The design's dark palette is in effect.
    bool isDarkPalette() const;
    /// Motion is reduced: panel hidden or closed, or the user, the design or the device asks.
    bool reduceMotion() const;
    /// The screen change's animation, or nothing when motion is reduced or limited.
    std::optional<VelmoraWidgetAnimation> navigationAnimation() const;
    /// The composer accepts edits (no first send pending, nothing being sent).
    bool composerIsEditable() const;
    bool composerFocused() const noexcept;

    /// Ends editing: the composer gives up the focus and the widget-wide dismiss-keyboard
    /// notification is posted.
    void dismissKeyboard();

    /// Asks the user for files and hands back the chosen ones (nothing when cancelled). The
    /// default shows Qt's file dialog, allowing several files of any type.
    using FilePicker = std::function<void(
        QWidget* parent, std::function<void(std::vector<std::filesystem::path>)> picked)>;
    void setFilePicker(FilePicker picker);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    friend class detail::WidgetViewPrivate;
    std::unique_ptr<detail::WidgetViewPrivate> d_;
};

} // namespace velmora
