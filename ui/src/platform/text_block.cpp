#include "platform/text_block.hpp"

#include <QPaintEngine>
#include <QPainter>
#include <QTextBoundaryFinder>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace velmora::detail {

namespace {

// Wrapping at word boundaries measures a line's first word to its end before it breaks it
// anywhere, so a run without a break opportunity would cost its whole length for each of its
// lines. A line that starts with more than this left of such a run is broken anywhere at once;
// if the rest of the run fits after all, that one line is laid out again by words.
constexpr int kLongRun = 128;

QTextOption wrapOption(QTextOption::WrapMode mode, bool rightToLeft) {
    QTextOption option;
    option.setWrapMode(mode);
    option.setTextDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    option.setAlignment(Qt::AlignLeading);
    return option;
}

/// The part of the painter's surface it may paint on, in its logical coordinates; null when
/// nothing limits it.
QRectF paintableRect(QPainter& painter) {
    QRectF rect;
    if (const QPaintEngine* engine = painter.paintEngine()) {
        const QRegion system = engine->systemClip();
        if (!system.isEmpty())
            rect = painter.deviceTransform().inverted().mapRect(QRectF(system.boundingRect()));
    }
    if (painter.hasClipping()) {
        const QRectF clip = painter.clipBoundingRect();
        rect = rect.isNull() ? clip : rect.intersected(clip);
    }
    return rect;
}

} // namespace

void TextBlock::setText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    // Line breaks of the text are kept as line separators of one layout.
    displayed_ = text;
    displayed_.replace(QLatin1Char('\n'), QChar::LineSeparator);
    displayed_.replace(QLatin1Char('\r'), QChar::LineSeparator);
    rightToLeft_ = displayed_.isRightToLeft();
    layout_.reset();
    longRuns_.clear();
    runsFound_ = false;
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
    if (metrics == metrics_)
        return;
    metrics_ = metrics;
    invalidate();
}

void TextBlock::invalidate() {
    cache_.fill(Measured{});
    laidOut_ = Measured{};
    layoutPasses_ = 0;
    wantedWidth_ = -1;
    wantedSize_ = QSizeF();
}

const TextBlock::Measured* TextBlock::cached(double width) const {
    for (const Measured& entry : cache_) {
        if (entry.width == width)
            return &entry;
    }
    // Greedy wrapping gives the same lines at any width between the widest line and the width
    // they were laid out at, so a bubble shrinking to fit its text does not measure it again.
    for (const Measured& entry : cache_) {
        if (entry.width > 0 && entry.widest <= width && width <= entry.width)
            return &entry;
    }
    return nullptr;
}

QSizeF TextBlock::measure(double width) {
    width = std::max(1.0, width);
    if (displayed_.isEmpty())
        return {0, 0};
    const Measured* entry = cached(width);
    if (!entry)
        entry = &layOut(width);
    return {std::min(width, entry->size.width()), entry->size.height()};
}

QSizeF TextBlock::layout(double width) {
    width = std::max(1.0, width);
    wantedSize_ = measure(width);
    wantedWidth_ = width;
    return wantedSize_;
}

double TextBlock::naturalWidth(double maxWidth) {
    return measure(maxWidth).width();
}

void TextBlock::findLongRuns() const {
    if (runsFound_)
        return;
    runsFound_ = true;
    longRuns_.clear();
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, displayed_);
    int previous = 0;
    for (qsizetype next = breaks.toNextBoundary(); next >= 0; next = breaks.toNextBoundary()) {
        const int position = static_cast<int>(next);
        if (position - previous > kLongRun)
            longRuns_.push_back({previous, position});
        previous = position;
    }
}

const TextBlock::Measured& TextBlock::layOut(double width) const {
    findLongRuns();
    const QTextOption byWord = wrapOption(QTextOption::WrapAtWordBoundaryOrAnywhere, rightToLeft_);
    const QTextOption anywhere = wrapOption(QTextOption::WrapAnywhere, rightToLeft_);
    if (!layout_) {
        layout_ = std::make_unique<QTextLayout>(displayed_, font_);
        layout_->setCacheEnabled(true);
        layout_->setTextOption(byWord);
        // Shaping is most of the cost of a layout (font fallback, colour emoji), and every
        // beginLayout shapes the text again; the layout stays open, so another width only breaks
        // the shaped text into new lines.
        layout_->beginLayout();
    } else {
        layout_->clearLayout();
        layout_->setTextOption(byWord);
    }
    bool breakingAnywhere = false;
    auto run = longRuns_.cbegin();

    const double step = metrics_.lineHeight + metrics_.lineSpacing;
    double widest = 0;
    int count = 0;
    for (QTextLine line = layout_->createLine(); line.isValid(); line = layout_->createLine()) {
        const int start = line.textStart();
        while (run != longRuns_.cend() && run->end - start <= kLongRun)
            ++run;
        // Inside a long run the line can only end within the run, unless what is left of the
        // run fits whole: then the line goes on by words, as any other.
        const bool inLongRun = run != longRuns_.cend() && run->start <= start;
        if (inLongRun != breakingAnywhere) {
            layout_->setTextOption(inLongRun ? anywhere : byWord);
            breakingAnywhere = inLongRun;
        }
        line.setLineWidth(width);
        if (inLongRun && line.textStart() + line.textLength() >= run->end) {
            layout_->setTextOption(byWord);
            breakingAnywhere = false;
            line.setLineWidth(width);
        }
        line.setPosition(QPointF(0, count * step + metrics_.glyphOffset));
        widest = std::max(widest, line.naturalTextWidth());
        ++count;
    }
    ++layoutPasses_;

    const double height =
        count == 0 ? 0 : count * metrics_.lineHeight + (count - 1) * metrics_.lineSpacing;
    laidOut_ = {width, widest, QSizeF(std::min(width, std::ceil(widest)), std::ceil(height))};
    Measured& slot = cache_[next_];
    next_ = (next_ + 1) % cache_.size();
    slot = laidOut_;
    return slot;
}

void TextBlock::realize() const {
    if (displayed_.isEmpty() || wantedWidth_ <= 0)
        return;
    if (layout_ && laidOut_.width > 0 &&
        (laidOut_.width == wantedWidth_ ||
         (laidOut_.widest <= wantedWidth_ && wantedWidth_ <= laidOut_.width)))
        return;
    layOut(wantedWidth_);
}

void TextBlock::paint(QPainter& painter, const QPointF& origin) const {
    realize();
    if (!layout_ || laidOut_.width <= 0)
        return;
    painter.save();
    painter.setPen(color_);
    // Lines are aligned within the laid-out width; a narrower block keeps its leading edge.
    const double shift = rightToLeft_ ? wantedSize_.width() - laidOut_.width : 0;
    const QPointF position = origin + QPointF(shift, 0);
    // Only the lines in view are drawn, however long the text.
    const QRectF visible = paintableRect(painter);
    layout_->draw(&painter, position, {}, visible.isNull() ? QRectF() : visible);
    painter.restore();
}

std::vector<std::pair<int, int>> TextBlock::lineRanges() const {
    realize();
    std::vector<std::pair<int, int>> ranges;
    if (!layout_ || laidOut_.width <= 0)
        return ranges;
    ranges.reserve(static_cast<std::size_t>(layout_->lineCount()));
    for (int i = 0; i < layout_->lineCount(); ++i) {
        const QTextLine line = layout_->lineAt(i);
        ranges.emplace_back(line.textStart(), line.textLength());
    }
    return ranges;
}

} // namespace velmora::detail
