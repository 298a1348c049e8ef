#include "hosting/hosting_model.hpp"
#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "velmora/client.hpp"
#include "velmora/error.hpp"
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

VelmoraWidgetViewController::VelmoraWidgetViewController(
    boost::asio::any_io_executor mainExecutor, std::shared_ptr<VelmoraClient> client,
    VelmoraWidgetExperience experience, bool configurationLoaded,
    std::optional<VelmoraWidgetNavigation> navigation,
    std::optional<VelmoraWidgetPreparedState> preparedState, std::vector<std::string> hostActionIds,
    JSONValue::Object hostActionContext, std::shared_ptr<VelmoraPlatformSettings> settings,
    QWidget* parent)
    : VelmoraWidgetViewController(
          VelmoraWidgetController::create(
              std::move(mainExecutor), std::move(client), configurationLoaded,
              std::move(navigation), std::move(preparedState), std::move(hostActionIds),
              std::move(hostActionContext), VelmoraWidgetDraftStore::shared()),
          std::move(experience), std::move(settings), parent) {}

VelmoraWidgetViewController::VelmoraWidgetViewController(
    boost::asio::any_io_executor mainExecutor, std::shared_ptr<VelmoraWidgetClient> client,
    VelmoraWidgetExperience experience, bool configurationLoaded,
    std::optional<VelmoraWidgetNavigation> navigation,
    std::optional<VelmoraWidgetPreparedState> preparedState, std::vector<std::string> hostActionIds,
    JSONValue::Object hostActionContext, std::shared_ptr<VelmoraPlatformSettings> settings,
    QWidget* parent)
    : VelmoraWidgetViewController(
          VelmoraWidgetController::create(
              std::move(mainExecutor), std::move(client), configurationLoaded,
              std::move(navigation), std::move(preparedState), std::move(hostActionIds),
              std::move(hostActionContext), VelmoraWidgetDraftStore::shared()),
          std::move(experience), std::move(settings), parent) {}

VelmoraWidgetViewController::VelmoraWidgetViewController(
    std::shared_ptr<VelmoraWidgetController> controller, VelmoraWidgetExperience experience,
    std::shared_ptr<VelmoraPlatformSettings> settings, QWidget* parent)
    : QWidget(parent), controller_(std::move(controller)), experience_(std::move(experience)),
      settings_(orDesktopSettings(std::move(settings))),
      profileReducedMotion_(experience_.requiresForcedReducedMotion()) {
    setObjectName("velmora.widget.host");
    auto* layout = makeQtChild<QVBoxLayout>(this);
    const auto insets = hostSafeAreaInsets(experience_.platformOverride);
    layout->setContentsMargins(points(insets.left), points(insets.top), points(insets.right),
                               points(insets.bottom));
    screen_ = makeQtChild<VelmoraWidgetScreen>(controller_, experience_, settings_, this);
    layout->addWidget(screen_);
    // The margins show the design's surface, never the desktop's window colour.
    setAutoFillBackground(true);
    applySurface();
    settingsSubscription_ = settings_->observe([this] { applySurface(); });
    controller_->mount();
}

VelmoraWidgetViewController::~VelmoraWidgetViewController() {
    // Destroyed while on screen (an embedded child removed by its host, or the host's window
    // going with the widget on it): that is leaving for good too.
    leaveForGood();
}

void VelmoraWidgetViewController::applySurface() {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, toQColor(hostSurfaceColor(experience_.appearance,
                                                                 settings_->values().colorScheme)));
    setPalette(palette);
}

bool VelmoraWidgetViewController::shouldCrossFadeTransitions() const {
    return detail::shouldCrossFadeTransitions(profileReducedMotion_, settings_->values());
}

bool VelmoraWidgetViewController::effectiveAnimated(bool animated) const {
    return animated && QApplication::isEffectEnabled(Qt::UI_General);
}

void VelmoraWidgetViewController::show(QWidget* from, VelmoraWidgetHostPresentation mode,
                                       bool animated) {
    if (placement_ != Placement::none)
        throw hostingError(VelmoraErrorCode::requestInProgress, "Velmora widget is already shown.");
    if (!from)
        throw hostingError(VelmoraErrorCode::invalidConfig,
                           "Velmora widget needs a host widget to be shown from.");
    hostPresentation_ = mode;
    const bool crossFade = shouldCrossFadeTransitions();
    const bool moving = effectiveAnimated(animated);

    if (mode == VelmoraWidgetHostPresentation::push) {
        auto* stack = VelmoraWidgetNavigationStack::of(from);
        if (!stack)
            throw hostingError(VelmoraErrorCode::unsupported,
                               "Widget push presentation requires a navigation controller host.");
        placement_ = Placement::pushed;
        stack_ = stack;
        stackConnection_ =
            connect(stack, &VelmoraWidgetNavigationStack::pageRemoved, this, [this](QWidget* page) {
                if (page == this)
                    leaveForGood();
            });
        setWindowModality(Qt::NonModal);
        controller_->open();
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
    placement_ = Placement::modal;
    if (parentWidget() != hostWindow || !isWindow())
        setParent(hostWindow, Qt::Window);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(toQString(detail::copyText(experience_.copy, {"panel.title"})));
    setGeometry(hostWindow->geometry());
    controller_->open();
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
    const bool crossFade = shouldCrossFadeTransitions();
    const bool moving = effectiveAnimated(animated);
    if (hostPresentation_ == VelmoraWidgetHostPresentation::push) {
        if (placement_ != Placement::pushed || !stack_)
            return;
        using Transition = VelmoraWidgetNavigationStack::Transition;
        // Exactly this page leaves, wherever it lies; the stack's signal ends the widget.
        stack_->remove(this, !moving     ? Transition::none
                             : crossFade ? Transition::crossDissolve
                                         : Transition::standard);
        return;
    }
    if (placement_ != Placement::modal)
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
    leaveForGood();
}

void VelmoraWidgetViewController::activateEmbeddedHost() {
    if (isWindow() || !window()->isVisible())
        return;
    if (placement_ == Placement::none)
        placement_ = Placement::embedded;
    installLifecycleObservers();
    if (embeddedVisible_)
        controller_->open();
}

void VelmoraWidgetViewController::setEmbeddedVisible(bool visible) {
    if (placement_ == Placement::modal || placement_ == Placement::pushed)
        return;
    if (placement_ == Placement::none && !isWindow())
        placement_ = Placement::embedded;
    embeddedVisible_ = visible;
    if (!visible)
        screen_->view().dismissKeyboard();
    setVisible(visible);
    if (visible)
        controller_->open();
    else
        controller_->close();
}

void VelmoraWidgetViewController::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Coming back from being minimised is the window observer's business.
    if (event->spontaneous())
        return;
    if (placement_ == Placement::none)
        placement_ = isWindow() ? Placement::modal : Placement::embedded;
    appear();
    installLifecycleObservers();
}

void VelmoraWidgetViewController::appear() {
    if (!embeddedVisible_) {
        controller_->close();
        return;
    }
    if (controller_->isOpen()) {
        controller_->foreground();
        return;
    }
    controller_->open();
    // Covered earlier, the panel's own disappearance closed it after it went to the background;
    // opening alone would leave it stopped in the background while it shows.
    if (!controller_->isForeground())
        controller_->foreground();
}

void VelmoraWidgetViewController::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Minimising: the window observer sends the controller to the background.
    if (event->spontaneous())
        return;
    removeLifecycleObservers();
    switch (placement_) {
    case Placement::modal:
        leaveForGood();
        return;
    case Placement::pushed:
        // Still on the stack: covered by another page. Taken off: the stack's signal follows.
        if (stack_ && stack_->contains(this))
            controller_->background();
        return;
    case Placement::embedded:
        // Hidden with its surroundings (a tab switch); hidden on purpose closes on its own.
        if (embeddedVisible_)
            controller_->background();
        return;
    case Placement::none:
        return;
    }
}

void VelmoraWidgetViewController::leaveForGood() {
    if (placement_ == Placement::none)
        return;
    placement_ = Placement::none;
    removeLifecycleObservers();
    if (stackConnection_)
        disconnect(stackConnection_);
    stack_ = nullptr;
    controller_->close();
    // Copied first: the callback may replace itself.
    if (const auto callback = onHostDismissed_)
        callback();
}

void VelmoraWidgetViewController::installLifecycleObservers() {
    if (observedWindow_)
        return;
    QWidget* host = window();
    if (!host || !host->isVisible())
        return;
    observedWindow_ = host;
    host->installEventFilter(this);
}

void VelmoraWidgetViewController::removeLifecycleObservers() {
    if (observedWindow_)
        observedWindow_->removeEventFilter(this);
    observedWindow_ = nullptr;
}

bool VelmoraWidgetViewController::eventFilter(QObject* watched, QEvent* event) {
    // Only the window the widget sits in; its activation (keyboard focus) is not watched: a
    // desktop user switching windows has not sent the widget to the background.
    if (watched == observedWindow_ && event->type() == QEvent::WindowStateChange) {
        const auto* change = static_cast<QWindowStateChangeEvent*>(event);
        if (observedWindow_->isMinimized())
            controller_->background();
        else if (change->oldState() & Qt::WindowMinimized)
            controller_->foreground();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace velmora
