#include "platform/text_block.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace velmora::detail {

void TextBlock::setText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    // Line breaks of the text are kept as line separators of one layout.
    displayed_ = text;
    displayed_.replace(QLatin1Char('\n'), QChar::LineSeparator);
    displayed_.replace(QLatin1Char('\r'), QChar::LineSeparator);
    layout_.reset();
    invalidate();
}

void TextBlock::setFont(const QFont& font) {
    if (font == font_)
        return;
    font_ = font;
    layout_.reset();
    invalidate();
}

void TextBlock::setMetrics(const Metrics& metrics) {
    metrics_ = metrics;
    invalidate();
}

QSizeF TextBlock::layout(double width) {
    width = std::max(1.0, width);
    if (layout_ && laidOutWidth_ > 0) {
        // Greedy wrapping gives the same lines at any width between the widest line and the
        // width they were laid out at, so long texts are not laid out again while a bubble
        // shrinks to fit them.
        if (width == laidOutWidth_ || (widest_ <= width && width <= laidOutWidth_)) {
            size_.setWidth(std::min(width, std::ceil(widest_)));
            return size_;
        }
    }
    laidOutWidth_ = width;
    if (displayed_.isEmpty()) {
        layout_.reset();
        size_ = QSizeF(0, 0);
        return size_;
    }
    if (!layout_)
        layout_ = std::make_unique<QTextLayout>(displayed_, font_);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTextDirection(displayed_.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    option.setAlignment(Qt::AlignLeading);
    layout_->setTextOption(option);
    layout_->setCacheEnabled(true);

    const double step = metrics_.lineHeight + metrics_.lineSpacing;
    double widest = 0;
    int count = 0;
    layout_->beginLayout();
    for (QTextLine line = layout_->createLine(); line.isValid(); line = layout_->createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, count * step + metrics_.glyphOffset));
        widest = std::max(widest, line.naturalTextWidth());
        ++count;
    }
    layout_->endLayout();
    const double height =
        count == 0 ? 0 : count * metrics_.lineHeight + (count - 1) * metrics_.lineSpacing;
    widest_ = widest;
    size_ = QSizeF(std::min(width, std::ceil(widest)), std::ceil(height));
    return size_;
}

double TextBlock::naturalWidth(double maxWidth) {
    return layout(maxWidth).width();
}

void TextBlock::paint(QPainter& painter, const QPointF& origin) const {
    if (!layout_)
        return;
    painter.save();
    painter.setPen(color_);
    // Lines are aligned within the laid-out width; a narrower block keeps its leading edge.
    const double shift = displayed_.isRightToLeft() ? size_.width() - laidOutWidth_ : 0;
    layout_->draw(&painter, origin + QPointF(shift, 0));
    painter.restore();
}

std::vector<std::pair<int, int>> TextBlock::lineRanges() const {
    std::vector<std::pair<int, int>> ranges;
    if (!layout_)
        return ranges;
    for (int i = 0; i < layout_->lineCount(); ++i) {
        const QTextLine line = layout_->lineAt(i);
        ranges.emplace_back(line.textStart(), line.textLength());
    }
    return ranges;
}

} // namespace velmora::detail
