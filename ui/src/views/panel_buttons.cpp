#include "views/panel_buttons.hpp"

#include "platform/qt_conversions.hpp"
#include "views/widget_icon.hpp"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace velmora::detail {

PanelIconButton::PanelIconButton(const Look& look, QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setLook(look);
}

void PanelIconButton::setLook(const Look& look) {
    look_ = look;
    const int side = static_cast<int>(std::ceil(look_.side));
    setFixedSize(side, side);
    update();
}

QSize PanelIconButton::sizeHint() const {
    const int side = static_cast<int>(std::ceil(look_.side));
    return {side, side};
}

void PanelIconButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(look_.opacity * (isDown() ? 0.82 : 1.0));
    if (look_.fill.alpha > 0) {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), look_.radius, look_.radius);
        painter.fillPath(shape, toQColor(look_.fill));
    }
    const double size = look_.iconSize;
    const QRectF box((width() - size) / 2, (height() - size) / 2, size, size);
    const QColor color = toQColor(look_.color);
    if (const auto* kind = std::get_if<VelmoraWidgetIconKind>(&look_.icon)) {
        QPen pen(color, iconStrokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        painter.setPen(pen);
        painter.translate(box.topLeft());
        painter.drawPath(iconPath(*kind, QRectF(0, 0, size, size)));
    } else {
        paintHeaderGlyph(painter, std::get<HeaderGlyph>(look_.icon), box, color);
    }
}

void paintHeaderGlyph(QPainter& painter, HeaderGlyph glyph, const QRectF& box,
                      const QColor& color) {
    const double u = box.width() / 24.0;
    const auto at = [&](double x, double y) {
        return QPointF(box.left() + x * u, box.top() + y * u);
    };
    painter.save();
    painter.setPen(QPen(color, 2 * u, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    switch (glyph) {
    case HeaderGlyph::microphone:
    case HeaderGlyph::microphoneSlash: {
        painter.setBrush(color);
        painter.drawRoundedRect(QRectF(at(8.5, 2), at(15.5, 15)), 3.5 * u, 3.5 * u);
        painter.setBrush(Qt::NoBrush);
        QPainterPath cup;
        cup.moveTo(at(5, 11));
        cup.cubicTo(at(5, 19), at(19, 19), at(19, 11));
        painter.drawPath(cup);
        painter.drawLine(at(12, 18), at(12, 22));
        if (glyph == HeaderGlyph::microphoneSlash)
            painter.drawLine(at(3, 3), at(21, 21));
        break;
    }
    case HeaderGlyph::phoneDown: {
        painter.setBrush(color);
        QPainterPath handset;
        handset.moveTo(at(2, 14));
        handset.cubicTo(at(7, 8), at(17, 8), at(22, 14));
        handset.lineTo(at(19, 17));
        handset.lineTo(at(15.5, 14.5));
        handset.lineTo(at(15.5, 12));
        handset.cubicTo(at(13, 11), at(11, 11), at(8.5, 12));
        handset.lineTo(at(8.5, 14.5));
        handset.lineTo(at(5, 17));
        handset.closeSubpath();
        painter.drawPath(handset);
        break;
    }
    case HeaderGlyph::waveform: {
        const double heights[] = {4, 10, 16, 8, 12, 6};
        for (int i = 0; i < 6; ++i) {
            const double x = 2.5 + i * 3.8;
            const double h = heights[i];
            painter.drawLine(at(x, 12 - h / 2), at(x, 12 + h / 2));
        }
        break;
    }
    }
    painter.restore();
}

} // namespace velmora::detail
