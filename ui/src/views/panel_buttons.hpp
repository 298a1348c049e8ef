#pragma once

#include "platform/color.hpp"
#include "views/panel_header_model.hpp"
#include "views/widget_icon_model.hpp"

#include <QAbstractButton>

#include <variant>

namespace velmora::detail {

/// A square button drawn as one icon: a widget icon or a header glyph, optionally on a filled
/// rounded square. The whole square takes the taps.
class PanelIconButton final : public QAbstractButton {
    Q_OBJECT

public:
    using Icon = std::variant<VelmoraWidgetIconKind, HeaderGlyph>;
    struct Look {
        Icon icon = VelmoraWidgetIconKind::close;
        double iconSize = 20;
        VelmoraColor color;
        /// Clear for none.
        VelmoraColor fill = VelmoraColor::clear();
        double radius = 0;
        double opacity = 1;
        double side = 44;
    };

    explicit PanelIconButton(const Look& look, QWidget* parent = nullptr);
    void setLook(const Look& look);
    const Look& look() const noexcept { return look_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Look look_;
};

/// Draws a header glyph into `box` (microphone, crossed microphone, hang-up handset, waveform).
void paintHeaderGlyph(QPainter& painter, HeaderGlyph glyph, const QRectF& box, const QColor& color);

} // namespace velmora::detail
