#include "views/styled_button.hpp"

#include "platform/qt_conversions.hpp"
#include "platform/size_policy.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace velmora::detail {

VelmoraStyledButton::VelmoraStyledButton(const QString& label, const ButtonStyle& style,
                                         QWidget* parent)
    : QAbstractButton(parent), style_(style) {
    setText(label);
    setAccessibleName(label);
    setSizePolicy(heightForWidthPolicy(QSizePolicy::Expanding, QSizePolicy::Preferred));
    QObject::connect(this, &QAbstractButton::pressed, this, [this] { update(); });
    QObject::connect(this, &QAbstractButton::released, this, [this] { update(); });
    setButtonStyle(style);
}

void VelmoraStyledButton::setButtonStyle(const ButtonStyle& style) {
    style_ = style;
    const ButtonLook look = buttonLook(style_, false);
    const QFont font = toQFont(look.font);
    label_.setText(text());
    label_.setFont(font);
    label_.setMetrics({.lineHeight = QFontMetricsF(font).height()});
    updateGeometry();
    update();
}

int VelmoraStyledButton::heightForWidth(int width) const {
    const ButtonLook look = buttonLook(style_, false);
    label_.setText(text());
    const double labelHeight =
        label_.layout(std::max(1.0, width - 2 * look.horizontalPadding)).height();
    return static_cast<int>(std::ceil(std::max(look.minimumHeight, labelHeight)));
}

QSize VelmoraStyledButton::sizeHint() const {
    const ButtonLook look = buttonLook(style_, false);
    const double labelWidth = label_.naturalWidth(10000);
    const int width = static_cast<int>(std::ceil(labelWidth + 2 * look.horizontalPadding));
    return {width, heightForWidth(width)};
}

QSize VelmoraStyledButton::minimumSizeHint() const {
    return {static_cast<int>(2 * buttonLook(style_, false).horizontalPadding + 1),
            heightForWidth(width())};
}

void VelmoraStyledButton::paintEvent(QPaintEvent*) {
    const ButtonLook look = currentLook();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A disabled button fades, so a running action shows and the button reads as unavailable.
    painter.setOpacity(isEnabled() ? look.opacity : look.opacity * 0.45);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), look.radius, look.radius);
    painter.fillPath(shape, toQColor(look.fill));
    if (look.borderWidth > 0) {
        // Centred on the edge, as a stroke of the shape; the outer half is clipped by the widget.
        QPen pen(toQColor(look.border), look.borderWidth, Qt::SolidLine, Qt::FlatCap,
                 Qt::MiterJoin);
        pen.setMiterLimit(10);
        painter.strokePath(shape, pen);
    }
    label_.setText(text());
    label_.setColor(toQColor(look.foreground));
    const double available = std::max(1.0, width() - 2 * look.horizontalPadding);
    const QSizeF size = label_.layout(available);
    // Centre the label: each line sits centred by laying out at its own width.
    label_.layout(std::max(1.0, size.width()));
    label_.paint(painter, QPointF((width() - size.width()) / 2, (height() - size.height()) / 2));
}

} // namespace velmora::detail
