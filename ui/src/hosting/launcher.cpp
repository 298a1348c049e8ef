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

VelmoraWidgetLauncher::VelmoraWidgetLauncher(std::shared_ptr<VelmoraWidgetController> controller,
                                             VelmoraWidgetExperience experience,
                                             std::shared_ptr<VelmoraPlatformSettings> settings,
                                             QWidget* parent)
    : QAbstractButton(parent), controller_(requireController(std::move(controller))),
      experience_(std::move(experience)), settings_(orDesktopSettings(std::move(settings))),
      redraw_(std::make_unique<RedrawScheduler>(this, [this] { redraw(); })) {
    setObjectName("velmora.widget.launcher");
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::clicked, this, [this] { controller_->open(); });
    observation_ = controller_->observe(VelmoraWidgetProperty::isOpen,
                                        [this](VelmoraWidgetProperty) { redraw_->request(); });
    settingsSubscription_ = settings_->observe([this] { redraw_->request(); });
    redraw();
}

VelmoraWidgetLauncher::~VelmoraWidgetLauncher() = default;

QSize VelmoraWidgetLauncher::sizeHint() const {
    return {kSymbolFrame + 2 * kButtonInset, kSymbolFrame + 2 * kButtonInset};
}

void VelmoraWidgetLauncher::redraw() {
    const auto model =
        launcherModel(experience_, settings_->values().colorScheme, controller_->isOpen());
    tint_ = toQColor(model.tint);
    foreground_ = toQColor(model.foreground);
    setAccessibleName(toQString(model.accessibleName));
    setToolTip(toQString(model.accessibleName));
    setVisible(model.visible);
    update();
}

void VelmoraWidgetLauncher::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF button = QRectF(rect()).adjusted(1, 1, -1, -1);
    QColor fill = tint_;
    if (isDown())
        fill = fill.darker(115);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawEllipse(button);
    // The ring marks keyboard focus only: a window handing its first focus to the button on
    // opening draws none.
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        painter.setPen(QPen(foreground_, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(button.adjusted(3, 3, -3, -3));
    }
    // The message symbol, filled.
    const QRectF symbol(button.center().x() - kSymbolSize / 2,
                        button.center().y() - kSymbolSize / 2, kSymbolSize, kSymbolSize);
    painter.translate(symbol.topLeft());
    const QPainterPath path =
        iconPath(VelmoraWidgetIconKind::messages, QRectF(0, 0, kSymbolSize, kSymbolSize));
    painter.setPen(QPen(foreground_, iconStrokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(foreground_);
    painter.drawPath(path);
}

VelmoraWidgetContainer::VelmoraWidgetContainer(std::shared_ptr<VelmoraWidgetController> controller,
                                               VelmoraWidgetExperience experience,
                                               std::shared_ptr<VelmoraPlatformSettings> settings,
                                               QWidget* parent)
    : QWidget(parent), controller_(requireController(std::move(controller))),
      redraw_(std::make_unique<RedrawScheduler>(this, [this] { redraw(); })) {
    setObjectName("velmora.widget.container");
    settings = orDesktopSettings(std::move(settings));
    screen_ = makeQtChild<VelmoraWidgetScreen>(controller_, experience, settings, this);
    screen_->setVisible(false);
    launcher_ = makeQtChild<VelmoraWidgetLauncher>(controller_, std::move(experience),
                                                   std::move(settings), this);
    observation_ = controller_->observe(VelmoraWidgetProperty::isOpen,
                                        [this](VelmoraWidgetProperty) { redraw_->request(); });
    redraw();
}

VelmoraWidgetContainer::~VelmoraWidgetContainer() {
    observation_.cancel();
    // Only the container's own end ends the widget: its draft goes with it.
    controller_->destroy();
}

void VelmoraWidgetContainer::redraw() {
    screen_->setVisible(controller_->isOpen());
    placeChildren();
}

void VelmoraWidgetContainer::placeChildren() {
    screen_->setGeometry(rect());
    const QSize size = launcher_->sizeHint();
    launcher_->setGeometry(width() - kContainerPadding - size.width(),
                           height() - kContainerPadding - size.height(), size.width(),
                           size.height());
    launcher_->raise();
}

void VelmoraWidgetContainer::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        controller_->mount();
    redraw_->request();
}

void VelmoraWidgetContainer::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // The host moved away (another tab or page): the widget closes and keeps its draft. A
    // minimised window is the panel's business (background).
    if (!event->spontaneous())
        controller_->close();
}

void VelmoraWidgetContainer::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeChildren();
}

} // namespace velmora
