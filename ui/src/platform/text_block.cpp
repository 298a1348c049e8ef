#include "platform/text_block.hpp"

#include <QPaintEngine>
#include <QPainter>
#include <QTextBoundaryFinder>
#include <QTextOption>

#include <algorithm>
#include <cmath>
#include <limits>

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

void TextBlock::setEagerArea(double area) {
    if (area == eagerArea_)
        return;
    eagerArea_ = area;
    invalidate();
}

void TextBlock::invalidate() {
    cache_.fill(Measured{});
    progress_ = Progress{};
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
    if (!layout_) {
        layout_ = std::make_unique<QTextLayout>(displayed_, font_);
        layout_->setCacheEnabled(true);
        // Shaping is most of the cost of a layout (font fallback, colour emoji), and every
        // beginLayout shapes the text again; the layout stays open, so another width only breaks
        // the shaped text into new lines.
        layout_->beginLayout();
    } else {
        layout_->clearLayout();
    }
    layout_->setTextOption(wrapOption(QTextOption::WrapAtWordBoundaryOrAnywhere, rightToLeft_));
    progress_ = Progress{.width = width};
    ++layoutPasses_;
    // Shaping is done item by item as lines reach it: the text below the eager lines costs
    // nothing yet.
    extend(eagerArea_ < 0 ? std::numeric_limits<double>::infinity() : eagerArea_ / width,
           QDeadlineTimer(QDeadlineTimer::Forever));
    return record();
}

void TextBlock::extend(double bottom, const QDeadlineTimer& deadline) const {
    const double step = metrics_.lineHeight + metrics_.lineSpacing;
    const double width = progress_.width;
    int made = 0;
    while (!progress_.complete &&
           (made == 0 || (progress_.lines * step < bottom && !deadline.hasExpired()))) {
        QTextLine line = layout_->createLine();
        if (!line.isValid()) {
            progress_.complete = true;
            break;
        }
        ++made;
        const int start = line.textStart();
        auto run = longRuns_.cbegin() + static_cast<std::ptrdiff_t>(progress_.run);
        while (run != longRuns_.cend() && run->end - start <= kLongRun)
            ++run;
        progress_.run = static_cast<std::size_t>(run - longRuns_.cbegin());
        // Inside a long run the line can only end within the run, unless what is left of the
        // run fits whole: then the line goes on by words, as any other.
        const bool inLongRun = run != longRuns_.cend() && run->start <= start;
        if (inLongRun != progress_.breakingAnywhere) {
            layout_->setTextOption(wrapOption(inLongRun ? QTextOption::WrapAnywhere
                                                        : QTextOption::WrapAtWordBoundaryOrAnywhere,
                                              rightToLeft_));
            progress_.breakingAnywhere = inLongRun;
        }
        line.setLineWidth(width);
        if (inLongRun && line.textStart() + line.textLength() >= run->end) {
            layout_->setTextOption(
                wrapOption(QTextOption::WrapAtWordBoundaryOrAnywhere, rightToLeft_));
            progress_.breakingAnywhere = false;
            line.setLineWidth(width);
        }
        line.setPosition(QPointF(0, progress_.lines * step + metrics_.glyphOffset));
        progress_.widest = std::max(progress_.widest, line.naturalTextWidth());
        progress_.end = line.textStart() + line.textLength();
        ++progress_.lines;
    }
}

TextBlock::Measured TextBlock::progressSize() const {
    double lines = progress_.lines;
    if (!progress_.complete) {
        // The rest of the text takes as many UTF-16 units per line as the lines so far.
        const double remaining = static_cast<double>(displayed_.size() - progress_.end);
        const double perLine = progress_.end > 0 ? progress_.end / lines : 1;
        lines += std::ceil(remaining / perLine);
    }
    const double height =
        lines == 0 ? 0 : lines * metrics_.lineHeight + (lines - 1) * metrics_.lineSpacing;
    return {progress_.width, progress_.widest,
            QSizeF(std::min(progress_.width, std::ceil(progress_.widest)), std::ceil(height)),
            progress_.complete};
}

const TextBlock::Measured& TextBlock::record() const {
    const Measured now = progressSize();
    for (Measured& entry : cache_) {
        if (entry.width == now.width) {
            if (now.exact)
                entry = now;
            return entry;
        }
    }
    Measured& slot = cache_[next_];
    next_ = (next_ + 1) % cache_.size();
    slot = now;
    return slot;
}

void TextBlock::realize() const {
    if (displayed_.isEmpty() || wantedWidth_ <= 0)
        return;
    if (layout_ && progress_.width > 0 &&
        (progress_.width == wantedWidth_ ||
         (progress_.widest <= wantedWidth_ && wantedWidth_ <= progress_.width)))
        return;
    layOut(wantedWidth_);
}

bool TextBlock::complete() const {
    if (displayed_.isEmpty() || wantedWidth_ <= 0)
        return true;
    return layout_ && progress_.complete &&
           (progress_.width == wantedWidth_ ||
            (progress_.widest <= wantedWidth_ && wantedWidth_ <= progress_.width));
}

bool TextBlock::layOutMore(const QDeadlineTimer& deadline) {
    realize();
    if (displayed_.isEmpty() || wantedWidth_ <= 0)
        return true;
    if (!progress_.complete) {
        extend(std::numeric_limits<double>::infinity(), deadline);
        if (progress_.complete)
            record();
    }
    return complete();
}

void TextBlock::paint(QPainter& painter, const QPointF& origin) const {
    realize();
    if (!layout_ || progress_.width <= 0)
        return;
    // Only the lines in view are drawn, however long the text; those not laid out yet are
    // laid out first.
    const QRectF visible = paintableRect(painter);
    const double bottom =
        visible.isNull() ? std::numeric_limits<double>::infinity() : visible.bottom() - origin.y();
    const double step = metrics_.lineHeight + metrics_.lineSpacing;
    if (!progress_.complete && progress_.lines * step < bottom) {
        extend(bottom, QDeadlineTimer(QDeadlineTimer::Forever));
        if (progress_.complete)
            record();
    }
    painter.save();
    painter.setPen(color_);
    // Lines are aligned within the laid-out width; a narrower block keeps its leading edge.
    const double shift = rightToLeft_ ? wantedSize_.width() - progress_.width : 0;
    const QPointF position = origin + QPointF(shift, 0);
    layout_->draw(&painter, position, {}, visible.isNull() ? QRectF() : visible);
    painter.restore();
}

std::vector<std::pair<int, int>> TextBlock::lineRanges() const {
    realize();
    std::vector<std::pair<int, int>> ranges;
    if (!layout_ || progress_.width <= 0)
        return ranges;
    ranges.reserve(static_cast<std::size_t>(layout_->lineCount()));
    for (int i = 0; i < layout_->lineCount(); ++i) {
        const QTextLine line = layout_->lineAt(i);
        ranges.emplace_back(line.textStart(), line.textLength());
    }
    return ranges;
}

} // namespace velmora::detail
