#include "views/text_block_view.hpp"

#include "platform/size_policy.hpp"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace velmora::detail {

TextBlockView::TextBlockView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(heightForWidthPolicy(QSizePolicy::Preferred));
}

void TextBlockView::apply(const QString& text, const QFont& font, const QColor& color,
                          double lineSpacing) {
    block_.setText(text);
    block_.setFont(font);
    block_.setColor(color);
    block_.setMetrics({.lineHeight = QFontMetricsF(font).height(), .lineSpacing = lineSpacing});
    setAccessibleName(text);
    updateGeometry();
    update();
}

int TextBlockView::heightForWidth(int width) const {
    return static_cast<int>(std::ceil(block_.layout(width).height()));
}

QSize TextBlockView::sizeHint() const {
    const QSizeF size = block_.layout(320);
    return {static_cast<int>(std::ceil(size.width())), static_cast<int>(std::ceil(size.height()))};
}

int TextBlockView::naturalWidth(int maxWidth) const {
    return static_cast<int>(std::ceil(block_.naturalWidth(maxWidth)));
}

const TextBlock& TextBlockView::block() const {
    block_.layout(width());
    return block_;
}

void TextBlockView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    block_.layout(width());
    block_.paint(painter, {0, 0});
}

} // namespace velmora::detail
