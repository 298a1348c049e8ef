#pragma once

#include "velmora/json_value.hpp"
#include "velmora/ui/platform_settings.hpp"
#include "velmora/ui/widget_controller.hpp"
#include "velmora/widget_experience.hpp"

#include <QWidget>

#include <boost/asio/any_io_executor.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

namespace detail {
class NavigationStackPrivate;
class WidgetViewControllerPrivate;
} // namespace detail

class VelmoraClient;
class VelmoraWidgetClient;
class VelmoraWidgetView;

/// How a view controller is shown by `show`: a window of its own, modal to the host's window
/// and covering it, or a page pushed onto a `VelmoraWidgetNavigationStack`.
enum class VelmoraWidgetHostPresentation { modal, push };

/// The widget's root view: the panel (`VelmoraWidgetView`) filling the space it is given.
class VelmoraWidgetScreen final : public QWidget {
    Q_OBJECT

public:
    /// `settings` defaults to the desktop's. Throws `std::invalid_argument` when `controller`
    /// is null.
    VelmoraWidgetScreen(std::shared_ptr<VelmoraWidgetController> controller,
                        VelmoraWidgetExperience experience,
                        std::shared_ptr<VelmoraPlatformSettings> settings = nullptr,
                        QWidget* parent = nullptr);
    ~VelmoraWidgetScreen() override;

    VelmoraWidgetView& view() const noexcept { return *view_; }

private:
    VelmoraWidgetView* view_;
};

/// A stack of pages of which only the top one shows, for host applications that navigate by
/// pushing and popping screens (Qt has no such container of its own). A page pushed onto it
/// becomes its Qt child; a page popped or removed is hidden and, like a page taken out of a
/// `QStackedWidget`, stays its child until the host reparents or deletes it (a view controller
/// may be shown again). GUI thread only.
class VelmoraWidgetNavigationStack final : public QWidget {
    Q_OBJECT

public:
    /// How a page arrives or leaves.
    enum class Transition {
        none,
        /// The platform's usual movement: the page slides in from (or out to) the trailing edge.
        standard,
        /// The page fades in (or out) over 0.2 s: for users who asked for less motion.
        crossDissolve
    };

    explicit VelmoraWidgetNavigationStack(QWidget* parent = nullptr);
    ~VelmoraWidgetNavigationStack() override;

    /// Puts `page` on top and shows it; the page below is hidden (covered). A page already on
    /// the stack, or a null one, is refused with `std::invalid_argument`.
    void push(QWidget* page, Transition transition = Transition::none);
    /// Takes the top page off and shows the one below; answers the page taken, or null when
    /// the stack is empty.
    QWidget* pop(Transition transition = Transition::none);
    /// Takes exactly `page` off, wherever it lies; the pages above it stay in their order.
    /// Answers false when `page` is not on the stack.
    bool remove(QWidget* page, Transition transition = Transition::none);

    QWidget* top() const;
    int count() const;
    bool contains(const QWidget* page) const;
    /// The pages, bottom first.
    std::vector<QWidget*> pages() const;

    /// The nearest stack that holds `widget` or one of its ancestors, or `widget` itself when
    /// it is a stack; null when there is none.
    static VelmoraWidgetNavigationStack* of(QWidget* widget);

Q_SIGNALS:
    /// `page` has been taken off the stack (already hidden).
    void pageRemoved(QWidget* page);

private:
    friend class detail::NavigationStackPrivate;
    std::unique_ptr<detail::NavigationStackPrivate> d_;
};

/// The widget for a native Qt host: owns one `VelmoraWidgetController` and shows the widget
/// screen either as a window modal to the host's window (`show` with `modal`), pushed onto a
/// `VelmoraWidgetNavigationStack` (`show` with `push`), or as a child the host puts inside its
/// own container (embedded: the host adds it to a layout and calls `activateEmbeddedHost`).
///
/// It ties the controller to its own life on screen. Construction mounts the controller (it
/// follows the client's events but is not open). Appearing opens it (or brings it back to the
/// foreground). Being covered (another page pushed on top, or the host hiding an embedded
/// child's surroundings) sends it to the background; while it shows, minimising its window is
/// going to the background and restoring it coming back; losing keyboard focus is neither.
/// Leaving for good (a modal window closed by `close` or by the user, a page taken off its
/// stack by `close` or by the host, an embedded child destroyed) closes the controller (the
/// draft is kept) and calls `onHostDismissed` once. The view controller never destroys the
/// controller.
///
/// Owned by its Qt parent like any widget. `show` gives it one: in modal mode `from`'s window
/// (it becomes a window of its own over it, as a dialog does), in push mode the stack. GUI
/// thread only; the controller runs on the GUI thread's executor (`VelmoraQtExecutionContext`).
class VelmoraWidgetViewController final : public QWidget {
    Q_OBJECT

public:
    /// Creates the controller over `client` with the shared draft store and builds the screen.
    /// The host action identifiers and context are checked by the controller (`VelmoraError`
    /// invalidConfig). `settings` defaults to the desktop's.
    VelmoraWidgetViewController(boost::asio::any_io_executor mainExecutor,
                                std::shared_ptr<VelmoraClient> client,
                                VelmoraWidgetExperience experience, bool configurationLoaded,
                                std::optional<VelmoraWidgetNavigation> navigation,
                                std::optional<VelmoraWidgetPreparedState> preparedState,
                                std::vector<std::string> hostActionIds,
                                JSONValue::Object hostActionContext,
                                std::shared_ptr<VelmoraPlatformSettings> settings = nullptr,
                                QWidget* parent = nullptr);
    /// The same over any widget client (a scripted one, or an adapter of the host's own).
    VelmoraWidgetViewController(boost::asio::any_io_executor mainExecutor,
                                std::shared_ptr<VelmoraWidgetClient> client,
                                VelmoraWidgetExperience experience, bool configurationLoaded,
                                std::optional<VelmoraWidgetNavigation> navigation,
                                std::optional<VelmoraWidgetPreparedState> preparedState,
                                std::vector<std::string> hostActionIds,
                                JSONValue::Object hostActionContext,
                                std::shared_ptr<VelmoraPlatformSettings> settings = nullptr,
                                QWidget* parent = nullptr);
    ~VelmoraWidgetViewController() override;

    const std::shared_ptr<VelmoraWidgetController>& widgetController() const noexcept;
    const VelmoraWidgetExperience& experience() const noexcept;
    VelmoraWidgetScreen& widgetScreen() const noexcept;
    /// The mode of the last `show`; `modal` until then.
    VelmoraWidgetHostPresentation hostPresentation() const noexcept;

    /// Called once each time the widget leaves for good, whoever removed it.
    const std::function<void()>& onHostDismissed() const noexcept;
    void setOnHostDismissed(std::function<void()> callback);

    /// Opens the controller and shows the widget from `from` (a widget of the host's window):
    /// `modal` as a window modal to `from`'s window, covering it; `push` onto `from` when it is
    /// a navigation stack, else onto the nearest stack holding `from`. Users who asked for
    /// less motion (or a design that forces it) get a cross-fade instead of the usual movement;
    /// nothing moves when `animated` is false or the desktop turned animations off.
    ///
    /// Throws `VelmoraError`: requestInProgress ("Velmora widget is already shown.") while it
    /// is shown or embedded, changing nothing; unsupported ("Widget push presentation requires
    /// a navigation controller host.") for a push without a stack, after which
    /// `hostPresentation` is `push` and nothing is shown or opened; invalidConfig for a null
    /// `from`, or a modal `from` inside this widget's own window.
    void show(QWidget* from, VelmoraWidgetHostPresentation mode, bool animated);
    /// Takes the widget off the screen: a pushed one off its stack (exactly this page, even
    /// when others lie above it), a modal one's window closes. Does nothing when it is not
    /// shown that way. The controller is closed and `onHostDismissed` called as for any
    /// leaving for good.
    void close(bool animated);
    using QWidget::close;
    using QWidget::show;

    /// For an embedded child once it sits in a shown window: watches that window and opens the
    /// controller (unless hidden with `setEmbeddedVisible(false)`). Does nothing before the
    /// child is in a shown window; appearing later opens it anyway.
    void activateEmbeddedHost();
    /// Hides an embedded child (ending editing; the controller closes and keeps the draft) or
    /// shows it again (the controller opens).
    void setEmbeddedVisible(bool visible);
    bool embeddedVisible() const noexcept;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class detail::WidgetViewControllerPrivate;
    std::unique_ptr<detail::WidgetViewControllerPrivate> d_;
};

} // namespace velmora
