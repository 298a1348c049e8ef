#include "views/text_block_view.hpp"

#include "platform/size_policy.hpp"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace velmora::detail {

namespace {
// The text laid out when the block is first measured, enough lines to estimate the height of
// the rest from; painting lays out further down whatever the window shows.
constexpr double kEagerArea = 400.0 * 400.0;
// The longest a step of laying out the rest takes, so that frames keep coming meanwhile.
constexpr int kStepMs = 4;
} // namespace

TextBlockView::TextBlockView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(heightForWidthPolicy(QSizePolicy::Preferred));
    block_.setEagerArea(kEagerArea);
    finishing_.setSingleShot(true);
    finishing_.setInterval(0);
    connect(&finishing_, &QTimer::timeout, this, &TextBlockView::layOutMore);
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
    const bool complete = block_.complete();
    block_.paint(painter, {0, 0});
    if (!complete)
        finishing_.start();
}

void TextBlockView::layOutMore() {
    if (width() <= 0)
        return; // laid out again when it is next painted
    block_.layout(width());
    if (!block_.layOutMore(QDeadlineTimer(kStepMs))) {
        finishing_.start();
        return;
    }
    // The exact height replaces the estimate. What was painted stays as it was: painting laid
    // out every line it showed.
    updateGeometry();
}

} // namespace velmora::detail
