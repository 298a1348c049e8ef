#include "views/content_symbol.hpp"

#include <QPainter>
#include <QPainterPath>

namespace velmora::detail {

void paintContentSymbol(QPainter& painter, ContentSymbol symbol, const QRectF& rect, double size,
                        const QColor& color) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect.center().x() - size / 2, rect.center().y() - size / 2, size, size);
    QPen pen(color, std::max(1.2, size / 12), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const auto at = [&](double x, double y) {
        return QPointF(box.left() + x * box.width(), box.top() + y * box.height());
    };
    switch (symbol) {
    case ContentSymbol::chevronLeft:
        painter.drawPolyline(QList<QPointF>{at(0.62, 0.2), at(0.32, 0.5), at(0.62, 0.8)});
        break;
    case ContentSymbol::chevronRight:
        painter.drawPolyline(QList<QPointF>{at(0.38, 0.2), at(0.68, 0.5), at(0.38, 0.8)});
        break;
    case ContentSymbol::square:
        painter.drawRoundedRect(QRectF(at(0.1, 0.1), at(0.9, 0.9)), size * 0.15, size * 0.15);
        break;
    case ContentSymbol::checkedSquare:
        // An outlined box with a tick: readable on any surface in the text's own colour.
        painter.drawRoundedRect(QRectF(at(0.1, 0.1), at(0.9, 0.9)), size * 0.15, size * 0.15);
        pen.setWidthF(pen.widthF() * 1.4);
        painter.setPen(pen);
        painter.drawPolyline(QList<QPointF>{at(0.28, 0.52), at(0.44, 0.68), at(0.73, 0.34)});
        break;
    case ContentSymbol::infoCircle:
        painter.drawEllipse(QRectF(at(0.08, 0.08), at(0.92, 0.92)));
        painter.drawLine(at(0.5, 0.45), at(0.5, 0.72));
        painter.setBrush(color);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(at(0.5, 0.3), size * 0.06, size * 0.06);
        break;
    case ContentSymbol::parcel:
        painter.drawPolygon(QList<QPointF>{at(0.5, 0.08), at(0.9, 0.28), at(0.9, 0.72),
                                           at(0.5, 0.92), at(0.1, 0.72), at(0.1, 0.28)});
        painter.drawPolyline(QList<QPointF>{at(0.1, 0.28), at(0.5, 0.48), at(0.9, 0.28)});
        painter.drawLine(at(0.5, 0.48), at(0.5, 0.92));
        break;
    }
    painter.restore();
}

ContentSymbolView::ContentSymbolView(ContentSymbol symbol, double size, QSize frame,
                                     const QColor& color, QWidget* parent)
    : QWidget(parent), symbol_(symbol), size_(size), frame_(frame), color_(color) {
    setFixedSize(frame);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAccessibleName(QString());
}

void ContentSymbolView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintContentSymbol(painter, symbol_, QRectF(rect()), size_, color_);
}

} // namespace velmora::detail
