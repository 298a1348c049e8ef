#include "hosting/hosting_model.hpp"
#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "platform/redraw_scheduler.hpp"
#include "velmora/ui/widget_hosting.hpp"
#include "velmora/ui/widget_launcher.hpp"
#include "views/widget_icon.hpp"

#include <QPainter>
#include <QResizeEvent>
#include <QShowEvent>

#include <memory>
#include <stdexcept>

namespace velmora {

using namespace detail;

namespace {

/// The symbol's frame, and the button's own inset around it.
constexpr int kSymbolFrame = 56;
constexpr int kButtonInset = 4;
constexpr double kSymbolSize = 26;
constexpr int kContainerPadding = 16;

std::shared_ptr<VelmoraWidgetController>
requireController(std::shared_ptr<VelmoraWidgetController> controller) {
    if (!controller)
        throw std::invalid_argument("The widget needs a controller.");
    return controller;
}

std::shared_ptr<VelmoraPlatformSettings>
orDesktopSettings(std::shared_ptr<VelmoraPlatformSettings> settings) {
    if (settings)
        return settings;
    return std::make_shared<VelmoraDesktopPlatformSettings>();
}

} // namespace

namespace detail {

class WidgetLauncherPrivate {
public:
    WidgetLauncherPrivate(VelmoraWidgetLauncher& launcher,
                          std::shared_ptr<VelmoraWidgetController> c, VelmoraWidgetExperience e,
                          std::shared_ptr<VelmoraPlatformSettings> s)
        : q(launcher), controller(requireController(std::move(c))), experience(std::move(e)),
          settings(orDesktopSettings(std::move(s))),
          scheduler(std::make_unique<RedrawScheduler>(&launcher, [this] { redraw(); })) {}

    void redraw();

    VelmoraWidgetLauncher& q;
    std::shared_ptr<VelmoraWidgetController> controller;
    VelmoraWidgetExperience experience;
    std::shared_ptr<VelmoraPlatformSettings> settings;
    std::unique_ptr<RedrawScheduler> scheduler;
    VelmoraObservation observation;
    VelmoraPlatformSettings::Subscription settingsSubscription;
    QColor tint;
    QColor foreground;
};

class WidgetContainerPrivate {
public:
    WidgetContainerPrivate(VelmoraWidgetContainer& container,
                           std::shared_ptr<VelmoraWidgetController> c)
        : q(container), controller(requireController(std::move(c))),
          scheduler(std::make_unique<RedrawScheduler>(&container, [this] { redraw(); })) {}

    void redraw();
    void placeChildren();

    VelmoraWidgetContainer& q;
    std::shared_ptr<VelmoraWidgetController> controller;
    std::unique_ptr<RedrawScheduler> scheduler;
    VelmoraObservation observation;
    VelmoraWidgetScreen* screen = nullptr;
    VelmoraWidgetLauncher* launcher = nullptr;
};

} // namespace detail

VelmoraWidgetLauncher::VelmoraWidgetLauncher(std::shared_ptr<VelmoraWidgetController> controller,
                                             VelmoraWidgetExperience experience,
                                             std::shared_ptr<VelmoraPlatformSettings> settings,
                                             QWidget* parent)
    : QAbstractButton(parent),
      d_(std::make_unique<WidgetLauncherPrivate>(*this, std::move(controller),
                                                 std::move(experience), std::move(settings))) {
    auto& d = *d_;
    setObjectName("velmora.widget.launcher");
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::clicked, this, [this] { d_->controller->open(); });
    d.observation = d.controller->observe(
        VelmoraWidgetProperty::isOpen, [this](VelmoraWidgetProperty) { d_->scheduler->request(); });
    d.settingsSubscription = d.settings->observe([this] { d_->scheduler->request(); });
    d.redraw();
}

VelmoraWidgetLauncher::~VelmoraWidgetLauncher() = default;

QSize VelmoraWidgetLauncher::sizeHint() const {
    return {kSymbolFrame + 2 * kButtonInset, kSymbolFrame + 2 * kButtonInset};
}

void detail::WidgetLauncherPrivate::redraw() {
    const auto model =
        launcherModel(experience, settings->values().colorScheme, controller->isOpen());
    tint = toQColor(model.tint);
    foreground = toQColor(model.foreground);
    q.setAccessibleName(toQString(model.accessibleName));
    q.setToolTip(toQString(model.accessibleName));
    q.setVisible(model.visible);
    q.update();
}

void VelmoraWidgetLauncher::paintEvent(QPaintEvent*) {
    const QColor& foreground = d_->foreground;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF button = QRectF(rect()).adjusted(1, 1, -1, -1);
    QColor fill = d_->tint;
    if (isDown())
        fill = fill.darker(115);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawEllipse(button);
    // The ring marks keyboard focus only: a window handing its first focus to the button on
    // opening draws none.
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        painter.setPen(QPen(foreground, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(button.adjusted(3, 3, -3, -3));
    }
    // The message symbol, filled.
    const QRectF symbol(button.center().x() - kSymbolSize / 2,
                        button.center().y() - kSymbolSize / 2, kSymbolSize, kSymbolSize);
    painter.translate(symbol.topLeft());
    const QPainterPath path =
        iconPath(VelmoraWidgetIconKind::messages, QRectF(0, 0, kSymbolSize, kSymbolSize));
    painter.setPen(QPen(foreground, iconStrokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(foreground);
    painter.drawPath(path);
}

VelmoraWidgetContainer::VelmoraWidgetContainer(std::shared_ptr<VelmoraWidgetController> controller,
                                               VelmoraWidgetExperience experience,
                                               std::shared_ptr<VelmoraPlatformSettings> settings,
                                               QWidget* parent)
    : QWidget(parent), d_(std::make_unique<WidgetContainerPrivate>(*this, std::move(controller))) {
    auto& d = *d_;
    setObjectName("velmora.widget.container");
    settings = orDesktopSettings(std::move(settings));
    d.screen = makeQtChild<VelmoraWidgetScreen>(d.controller, experience, settings, this);
    d.screen->setVisible(false);
    d.launcher = makeQtChild<VelmoraWidgetLauncher>(d.controller, std::move(experience),
                                                    std::move(settings), this);
    d.observation = d.controller->observe(
        VelmoraWidgetProperty::isOpen, [this](VelmoraWidgetProperty) { d_->scheduler->request(); });
    d.redraw();
}

VelmoraWidgetContainer::~VelmoraWidgetContainer() {
    d_->observation.cancel();
    // Only the container's own end ends the widget: its draft goes with it.
    d_->controller->destroy();
}

const std::shared_ptr<VelmoraWidgetController>&
VelmoraWidgetContainer::controller() const noexcept {
    return d_->controller;
}

VelmoraWidgetLauncher& VelmoraWidgetContainer::launcher() const noexcept {
    return *d_->launcher;
}

VelmoraWidgetScreen& VelmoraWidgetContainer::widgetScreen() const noexcept {
    return *d_->screen;
}

void detail::WidgetContainerPrivate::redraw() {
    screen->setVisible(controller->isOpen());
    placeChildren();
}

void detail::WidgetContainerPrivate::placeChildren() {
    screen->setGeometry(q.rect());
    const QSize size = launcher->sizeHint();
    launcher->setGeometry(q.width() - kContainerPadding - size.width(),
                          q.height() - kContainerPadding - size.height(), size.width(),
                          size.height());
    launcher->raise();
}

void VelmoraWidgetContainer::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        d_->controller->mount();
    d_->scheduler->request();
}

void VelmoraWidgetContainer::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // The host moved away (another tab or page): the widget closes and keeps its draft. A
    // minimised window is the panel's business (background).
    if (!event->spontaneous())
        d_->controller->close();
}

void VelmoraWidgetContainer::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    d_->placeChildren();
}

} // namespace velmora
