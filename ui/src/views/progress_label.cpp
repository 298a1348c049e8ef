#include "views/progress_label.hpp"
#include "platform/qt_child.hpp"

#include "platform/qt_conversions.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QTimer>

namespace velmora::detail {

namespace {
constexpr int spinnerSide = 20;
}

VelmoraProgressLabel::VelmoraProgressLabel(const ProgressLabelModel& model, QWidget* parent)
    : QWidget(parent), label_(detail::makeQtChild<QLabel>(this)),
      timer_(detail::makeQtChild<QTimer>(this)) {
    auto* layout = detail::makeQtChild<QHBoxLayout>(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label_);
    label_->setWordWrap(true);
    timer_->setInterval(80);
    QObject::connect(timer_, &QTimer::timeout, this, [this] {
        angle_ = (angle_ + 30) % 360;
        update();
    });
    apply(model);
}

void VelmoraProgressLabel::apply(const ProgressLabelModel& model) {
    model_ = model;
    setObjectName(toQString(model.objectName));
    setAccessibleName(toQString(model.accessibleName));
    label_->setText(toQString(model.text));
    label_->setFont(toQFont(model.font));
    label_->setVisible(model.showsText);
    setMinimumSize(model.showsSpinner ? QSize(spinnerSide, spinnerSide) : QSize(0, 0));
    // The label speaks for the whole indicator.
    label_->setAccessibleName(QString());
    if (model.showsSpinner && isVisible())
        timer_->start();
    else
        timer_->stop();
    updateGeometry();
    update();
}

void VelmoraProgressLabel::setColor(const QColor& color) {
    color_ = color;
    QPalette palette = label_->palette();
    palette.setColor(QPalette::WindowText, color);
    label_->setPalette(palette);
    update();
}

QSize VelmoraProgressLabel::sizeHint() const {
    if (model_.showsText)
        return QWidget::sizeHint();
    return {spinnerSide, spinnerSide};
}

void VelmoraProgressLabel::paintEvent(QPaintEvent*) {
    if (!model_.showsSpinner)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(color_, 2.2, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(pen);
    const QRectF box((width() - spinnerSide) / 2.0 + 2, (height() - spinnerSide) / 2.0 + 2,
                     spinnerSide - 4, spinnerSide - 4);
    painter.drawArc(box, -angle_ * 16, 270 * 16);
}

void VelmoraProgressLabel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (model_.showsSpinner)
        timer_->start();
}

void VelmoraProgressLabel::hideEvent(QHideEvent* event) {
    timer_->stop();
    QWidget::hideEvent(event);
}

} // namespace velmora::detail
