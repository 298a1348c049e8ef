#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <QTextLayout>

#include <memory>

class QPainter;

namespace velmora::detail {

/// Multi-line plain text with a fixed distance between lines, laid out with QTextLayout:
/// wrapped at word boundaries (a word longer than the width breaks between grapheme clusters),
/// aligned to the leading edge of its own writing direction, line breaks kept.
class TextBlock {
public:
    struct Metrics {
        /// Height of each line slot.
        double lineHeight = 0;
        /// Where the glyphs sit inside a slot, from the slot's top to the font's line top.
        double glyphOffset = 0;
        /// Extra space between two lines (not after the last).
        double lineSpacing = 0;
    };

    void setText(const QString& text);
    void setFont(const QFont& font);
    void setColor(const QColor& color) { color_ = color; }
    void setMetrics(const Metrics& metrics);

    const QString& text() const noexcept { return text_; }
    const QFont& font() const noexcept { return font_; }
    const QColor& color() const noexcept { return color_; }

    /// Lays the text out at `width` and returns the size it takes: the widest line and the
    /// height of all lines. An empty text takes no space.
    QSizeF layout(double width);
    /// The widest line when nothing wraps beyond `maxWidth`.
    double naturalWidth(double maxWidth);
    void paint(QPainter& painter, const QPointF& origin) const;

    /// The laid-out lines as [start, length) in UTF-16 units of the displayed text.
    std::vector<std::pair<int, int>> lineRanges() const;
    const QString& displayedText() const noexcept { return displayed_; }

private:
    void invalidate() { laidOutWidth_ = -1; }

    QString text_;
    QString displayed_;
    QFont font_;
    QColor color_ = Qt::black;
    Metrics metrics_;
    std::unique_ptr<QTextLayout> layout_;
    double laidOutWidth_ = -1;
    double widest_ = 0;
    QSizeF size_;
};

} // namespace velmora::detail
