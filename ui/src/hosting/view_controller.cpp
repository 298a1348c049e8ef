#include "hosting/hosting_model.hpp"
#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "velmora/client.hpp"
#include "velmora/error.hpp"
#include "velmora/ui/widget_client.hpp"
#include "velmora/ui/widget_hosting.hpp"
#include "velmora/ui/widget_view.hpp"
#include "views/widget_view_model.hpp"

#include <QApplication>
#include <QHideEvent>
#include <QPropertyAnimation>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>

#include <cmath>
#include <memory>

namespace velmora {

using namespace detail;

namespace {

constexpr int kCrossDissolveMilliseconds = 200;

std::shared_ptr<VelmoraPlatformSettings>
orDesktopSettings(std::shared_ptr<VelmoraPlatformSettings> settings) {
    if (settings)
        return settings;
    return std::make_shared<VelmoraDesktopPlatformSettings>();
}

VelmoraError hostingError(VelmoraErrorCode code, std::string message) {
    return VelmoraError(code, std::nullopt, std::nullopt, std::move(message));
}

int points(double value) {
    return static_cast<int>(std::lround(value));
}

} // namespace

namespace detail {

class WidgetViewControllerPrivate {
public:
    enum class Placement { none, modal, pushed, embedded };

    WidgetViewControllerPrivate(VelmoraWidgetViewController& host,
                                std::shared_ptr<VelmoraWidgetController> c,
                                VelmoraWidgetExperience e,
                                std::shared_ptr<VelmoraPlatformSettings> s)
        : q(host), controller(std::move(c)), experience(std::move(e)),
          settings(orDesktopSettings(std::move(s))),
          profileReducedMotion(experience.requiresForcedReducedMotion()) {}

    bool shouldCrossFade() const {
        return shouldCrossFadeTransitions(profileReducedMotion, settings->values());
    }
    static bool effectiveAnimated(bool animated) {
        return animated && QApplication::isEffectEnabled(Qt::UI_General);
    }
    void appear();
    void leaveForGood();
    void applySurface();
    void installLifecycleObservers();
    void removeLifecycleObservers();

    VelmoraWidgetViewController& q;
    std::shared_ptr<VelmoraWidgetController> controller;
    VelmoraWidgetExperience experience;
    std::shared_ptr<VelmoraPlatformSettings> settings;
    VelmoraPlatformSettings::Subscription settingsSubscription;
    VelmoraWidgetHostPresentation hostPresentation = VelmoraWidgetHostPresentation::modal;
    std::function<void()> onHostDismissed;
    bool profileReducedMotion = false;
    bool embeddedVisible = true;
    Placement placement = Placement::none;
    /// The window watched for minimising while the widget shows.
    QPointer<QWidget> observedWindow;
    QPointer<VelmoraWidgetNavigationStack> stack;
    QMetaObject::Connection stackConnection;
    VelmoraWidgetScreen* screen = nullptr;
};

} // namespace detail

using Placement = WidgetViewControllerPrivate::Placement;

VelmoraWidgetViewController::VelmoraWidgetViewController(
    boost::asio::any_io_executor mainExecutor, std::shared_ptr<VelmoraClient> client,
    VelmoraWidgetExperience experience, bool configurationLoaded,
    std::optional<VelmoraWidgetNavigation> navigation,
    std::optional<VelmoraWidgetPreparedState> preparedState, std::vector<std::string> hostActionIds,
    JSONValue::Object hostActionContext, std::shared_ptr<VelmoraPlatformSettings> settings,
    QWidget* parent)
    // A missing client stays missing: the controller refuses it.
    : VelmoraWidgetViewController(
          std::move(mainExecutor),
          client ? std::make_shared<VelmoraClientWidgetAdapter>(std::move(client))
                 : std::shared_ptr<VelmoraWidgetClient>(),
          std::move(experience), configurationLoaded, std::move(navigation),
          std::move(preparedState), std::move(hostActionIds), std::move(hostActionContext),
          std::move(settings), parent) {}

VelmoraWidgetViewController::VelmoraWidgetViewController(
    boost::asio::any_io_executor mainExecutor, std::shared_ptr<VelmoraWidgetClient> client,
    VelmoraWidgetExperience experience, bool configurationLoaded,
    std::optional<VelmoraWidgetNavigation> navigation,
    std::optional<VelmoraWidgetPreparedState> preparedState, std::vector<std::string> hostActionIds,
    JSONValue::Object hostActionContext, std::shared_ptr<VelmoraPlatformSettings> settings,
    QWidget* parent)
    : QWidget(parent),
      d_(std::make_unique<WidgetViewControllerPrivate>(
          *this,
          VelmoraWidgetController::create(
              std::move(mainExecutor), std::move(client), configurationLoaded,
              std::move(navigation), std::move(preparedState), std::move(hostActionIds),
              std::move(hostActionContext), VelmoraWidgetDraftStore::shared()),
          std::move(experience), std::move(settings))) {
    auto& d = *d_;
    setObjectName("velmora.widget.host");
    auto* layout = makeQtChild<QVBoxLayout>(this);
    const auto insets = hostSafeAreaInsets(d.experience.platformOverride);
    layout->setContentsMargins(points(insets.left), points(insets.top), points(insets.right),
                               points(insets.bottom));
    d.screen = makeQtChild<VelmoraWidgetScreen>(d.controller, d.experience, d.settings, this);
    layout->addWidget(d.screen);
    // The margins show the design's surface, never the desktop's window colour.
    setAutoFillBackground(true);
    d.applySurface();
    d.settingsSubscription = d.settings->observe([this] { d_->applySurface(); });
    d.controller->mount();
}

VelmoraWidgetViewController::~VelmoraWidgetViewController() {
    // Destroyed while on screen (an embedded child removed by its host, or the host's window
    // going with the widget on it): that is leaving for good too.
    d_->leaveForGood();
}

const std::shared_ptr<VelmoraWidgetController>&
VelmoraWidgetViewController::widgetController() const noexcept {
    return d_->controller;
}

const VelmoraWidgetExperience& VelmoraWidgetViewController::experience() const noexcept {
    return d_->experience;
}

VelmoraWidgetScreen& VelmoraWidgetViewController::widgetScreen() const noexcept {
    return *d_->screen;
}

VelmoraWidgetHostPresentation VelmoraWidgetViewController::hostPresentation() const noexcept {
    return d_->hostPresentation;
}

const std::function<void()>& VelmoraWidgetViewController::onHostDismissed() const noexcept {
    return d_->onHostDismissed;
}

void VelmoraWidgetViewController::setOnHostDismissed(std::function<void()> callback) {
    d_->onHostDismissed = std::move(callback);
}

bool VelmoraWidgetViewController::embeddedVisible() const noexcept {
    return d_->embeddedVisible;
}

void detail::WidgetViewControllerPrivate::applySurface() {
    QPalette palette = q.palette();
    palette.setColor(QPalette::Window, toQColor(hostSurfaceColor(experience.appearance,
                                                                 settings->values().colorScheme)));
    q.setPalette(palette);
}

void VelmoraWidgetViewController::show(QWidget* from, VelmoraWidgetHostPresentation mode,
                                       bool animated) {
    auto& d = *d_;
    if (d.placement != Placement::none)
        throw hostingError(VelmoraErrorCode::requestInProgress, "Velmora widget is already shown.");
    if (!from)
        throw hostingError(VelmoraErrorCode::invalidConfig,
                           "Velmora widget needs a host widget to be shown from.");
    d.hostPresentation = mode;
    const bool crossFade = d.shouldCrossFade();
    const bool moving = d.effectiveAnimated(animated);

    if (mode == VelmoraWidgetHostPresentation::push) {
        auto* stack = VelmoraWidgetNavigationStack::of(from);
        if (!stack)
            throw hostingError(VelmoraErrorCode::unsupported,
                               "Widget push presentation requires a navigation controller host.");
        d.placement = Placement::pushed;
        d.stack = stack;
        d.stackConnection =
            connect(stack, &VelmoraWidgetNavigationStack::pageRemoved, this, [this](QWidget* page) {
                if (page == this)
                    d_->leaveForGood();
            });
        setWindowModality(Qt::NonModal);
        d.controller->open();
        using Transition = VelmoraWidgetNavigationStack::Transition;
        stack->push(this, !moving     ? Transition::none
                          : crossFade ? Transition::crossDissolve
                                      : Transition::standard);
        return;
    }

    // A window of its own over the host's window, which owns it as it owns a dialog.
    QWidget* hostWindow = from->window();
    if (hostWindow == this)
        throw hostingError(VelmoraErrorCode::invalidConfig,
                           "Velmora widget cannot be shown over itself.");
    d.placement = Placement::modal;
    if (parentWidget() != hostWindow || !isWindow())
        setParent(hostWindow, Qt::Window);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(toQString(detail::copyText(d.experience.copy, {"panel.title"})));
    setGeometry(hostWindow->geometry());
    d.controller->open();
    if (crossFade && moving) {
        setWindowOpacity(0);
        QWidget::show();
        auto* fade = makeQtChild<QPropertyAnimation>(this, "windowOpacity", this);
        fade->setDuration(kCrossDissolveMilliseconds);
        fade->setEndValue(1.0);
        fade->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        setWindowOpacity(1);
        QWidget::show();
    }
}

void VelmoraWidgetViewController::close(bool animated) {
    auto& d = *d_;
    const bool crossFade = d.shouldCrossFade();
    const bool moving = d.effectiveAnimated(animated);
    if (d.hostPresentation == VelmoraWidgetHostPresentation::push) {
        if (d.placement != Placement::pushed || !d.stack)
            return;
        using Transition = VelmoraWidgetNavigationStack::Transition;
        // Exactly this page leaves, wherever it lies; the stack's signal ends the widget.
        d.stack->remove(this, !moving     ? Transition::none
                              : crossFade ? Transition::crossDissolve
                                          : Transition::standard);
        return;
    }
    if (d.placement != Placement::modal)
        return;
    if (crossFade && moving && isVisible()) {
        auto* fade = makeQtChild<QPropertyAnimation>(this, "windowOpacity", this);
        fade->setDuration(kCrossDissolveMilliseconds);
        fade->setEndValue(0.0);
        connect(fade, &QPropertyAnimation::finished, this, [this] { QWidget::hide(); });
        fade->start(QAbstractAnimation::DeleteWhenStopped);
        return;
    }
    QWidget::hide();
    // A minimised window is hidden already and gets no hide event.
    d.leaveForGood();
}

void VelmoraWidgetViewController::activateEmbeddedHost() {
    auto& d = *d_;
    if (isWindow() || !window()->isVisible())
        return;
    if (d.placement == Placement::none)
        d.placement = Placement::embedded;
    d.installLifecycleObservers();
    if (d.embeddedVisible)
        d.controller->open();
}

void VelmoraWidgetViewController::setEmbeddedVisible(bool visible) {
    auto& d = *d_;
    if (d.placement == Placement::modal || d.placement == Placement::pushed)
        return;
    if (d.placement == Placement::none && !isWindow())
        d.placement = Placement::embedded;
    d.embeddedVisible = visible;
    if (!visible)
        d.screen->view().dismissKeyboard();
    setVisible(visible);
    if (visible)
        d.controller->open();
    else
        d.controller->close();
}

void VelmoraWidgetViewController::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Coming back from being minimised is the window observer's business.
    if (event->spontaneous())
        return;
    auto& d = *d_;
    if (d.placement == Placement::none)
        d.placement = isWindow() ? Placement::modal : Placement::embedded;
    d.appear();
    d.installLifecycleObservers();
}

void detail::WidgetViewControllerPrivate::appear() {
    if (!embeddedVisible) {
        controller->close();
        return;
    }
    if (controller->isOpen()) {
        controller->foreground();
        return;
    }
    controller->open();
    // Covered earlier, the panel's own disappearance closed it after it went to the background;
    // opening alone would leave it stopped in the background while it shows.
    if (!controller->isForeground())
        controller->foreground();
}

void VelmoraWidgetViewController::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Minimising: the window observer sends the controller to the background.
    if (event->spontaneous())
        return;
    auto& d = *d_;
    d.removeLifecycleObservers();
    switch (d.placement) {
    case Placement::modal:
        d.leaveForGood();
        return;
    case Placement::pushed:
        // Still on the stack: covered by another page. Taken off: the stack's signal follows.
        if (d.stack && d.stack->contains(this))
            d.controller->background();
        return;
    case Placement::embedded:
        // Hidden with its surroundings (a tab switch); hidden on purpose closes on its own.
        if (d.embeddedVisible)
            d.controller->background();
        return;
    case Placement::none:
        return;
    }
}

void detail::WidgetViewControllerPrivate::leaveForGood() {
    if (placement == Placement::none)
        return;
    placement = Placement::none;
    removeLifecycleObservers();
    if (stackConnection)
        QObject::disconnect(stackConnection);
    stack = nullptr;
    controller->close();
    // Copied first: the callback may replace itself.
    if (const auto callback = onHostDismissed)
        callback();
}

void detail::WidgetViewControllerPrivate::installLifecycleObservers() {
    if (observedWindow)
        return;
    QWidget* host = q.window();
    if (!host || !host->isVisible())
        return;
    observedWindow = host;
    host->installEventFilter(&q);
}

void detail::WidgetViewControllerPrivate::removeLifecycleObservers() {
    if (observedWindow)
        observedWindow->removeEventFilter(&q);
    observedWindow = nullptr;
}

bool VelmoraWidgetViewController::eventFilter(QObject* watched, QEvent* event) {
    // Only the window the widget sits in; its activation (keyboard focus) is not watched: a
    // desktop user switching windows has not sent the widget to the background.
    auto& d = *d_;
    if (watched == d.observedWindow && event->type() == QEvent::WindowStateChange) {
        const auto* change = static_cast<QWindowStateChangeEvent*>(event);
        if (d.observedWindow->isMinimized())
            d.controller->background();
        else if (change->oldState() & Qt::WindowMinimized)
            d.controller->foreground();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace velmora
