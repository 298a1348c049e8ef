#include "views/widget_icon.hpp"

#include <QPainter>
#include <QTransform>

#include <cmath>

namespace velmora::detail {

QPainterPath iconPath(VelmoraWidgetIconKind kind, const QRectF& rect) {
    QPainterPath path;
    for (const auto& c : iconCommands(kind)) {
        switch (c.op) {
        case IconCommand::Op::move:
            path.moveTo(c.v[0], c.v[1]);
            break;
        case IconCommand::Op::line:
            path.lineTo(c.v[0], c.v[1]);
            break;
        case IconCommand::Op::curve:
            path.cubicTo(c.v[2], c.v[3], c.v[4], c.v[5], c.v[0], c.v[1]);
            break;
        case IconCommand::Op::close:
            path.closeSubpath();
            break;
        case IconCommand::Op::ellipse:
            path.addEllipse(QRectF(c.v[0], c.v[1], c.v[2], c.v[3]));
            break;
        }
    }
    // Scaled from the grid only; where the rectangle sits is the caller's translation.
    return QTransform::fromScale(rect.width() / 24.0, rect.height() / 24.0).map(path);
}

VelmoraWidgetIconView::VelmoraWidgetIconView(VelmoraWidgetIconKind kind, double size,
                                             const QColor& color, QWidget* parent)
    : QWidget(parent), kind_(kind), size_(size), color_(color) {
    const int side = static_cast<int>(std::ceil(size));
    setFixedSize(side, side);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(QString());
}

void VelmoraWidgetIconView::setColor(const QColor& color) {
    color_ = color;
    update();
}

QSize VelmoraWidgetIconView::sizeHint() const {
    const int side = static_cast<int>(std::ceil(size_));
    return {side, side};
}

void VelmoraWidgetIconView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(color_, iconStrokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    pen.setMiterLimit(10);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QRectF box((width() - size_) / 2, (height() - size_) / 2, size_, size_);
    painter.translate(box.topLeft());
    painter.drawPath(iconPath(kind_, QRectF(0, 0, size_, size_)));
}

} // namespace velmora::detail
