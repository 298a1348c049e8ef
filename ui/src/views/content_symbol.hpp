#pragma once

#include <QColor>
#include <QWidget>

class QPainter;

namespace velmora::detail {

/// The small line symbols of the bubble's content views (month chevrons, check boxes, the
/// note's information sign, the parcel of a line item).
enum class ContentSymbol { chevronLeft, chevronRight, square, checkedSquare, infoCircle, parcel };

/// Paints `symbol` centred in `rect` at `size` points.
void paintContentSymbol(QPainter& painter, ContentSymbol symbol, const QRectF& rect, double size,
                        const QColor& color);

/// A symbol on its own, hidden from assistive technology (its neighbours say what it means).
class ContentSymbolView final : public QWidget {
public:
    ContentSymbolView(ContentSymbol symbol, double size, QSize frame, const QColor& color,
                      QWidget* parent = nullptr);
    QSize sizeHint() const override { return frame_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ContentSymbol symbol_;
    double size_;
    QSize frame_;
    QColor color_;
};

} // namespace velmora::detail
