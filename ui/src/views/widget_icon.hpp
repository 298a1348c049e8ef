#pragma once

#include "views/widget_icon_model.hpp"

#include <QPainterPath>
#include <QWidget>

namespace velmora::detail {

/// The icon's outline built on the 24-unit grid, then scaled to `rect` (each axis on its own).
QPainterPath iconPath(VelmoraWidgetIconKind kind, const QRectF& rect);

/// Strokes an icon in one colour at a square size; decoration only, not an accessible element.
class VelmoraWidgetIconView final : public QWidget {
public:
    VelmoraWidgetIconView(VelmoraWidgetIconKind kind, double size, const QColor& color,
                          QWidget* parent = nullptr);
    void setColor(const QColor& color);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    VelmoraWidgetIconKind kind_;
    double size_;
    QColor color_;
};

} // namespace velmora::detail
