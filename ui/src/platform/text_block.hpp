#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <QTextLayout>

#include <array>
#include <memory>
#include <utility>
#include <vector>

class QPainter;

namespace velmora::detail {

/// Multi-line plain text with a fixed distance between lines, laid out with QTextLayout:
/// wrapped at word boundaries (a word longer than the width breaks between grapheme clusters),
/// aligned to the leading edge of its own writing direction, line breaks kept.
///
/// The text is shaped once per text and font; sizes are measured once per width and kept until
/// the text, font or metrics change, and the shaped text is broken into lines again only when it
/// is painted or read at a width that wraps differently. Layout time grows linearly with the
/// text, whatever its words: a run without a break opportunity is broken line by line without
/// being scanned to its end for every line. Painting draws only the lines in the painter's clip.
class TextBlock {
public:
    struct Metrics {
        /// Height of each line slot.
        double lineHeight = 0;
        /// Where the glyphs sit inside a slot, from the slot's top to the font's line top.
        double glyphOffset = 0;
        /// Extra space between two lines (not after the last).
        double lineSpacing = 0;

        bool operator==(const Metrics&) const = default;
    };

    void setText(const QString& text);
    void setFont(const QFont& font);
    void setColor(const QColor& color) { color_ = color; }
    void setMetrics(const Metrics& metrics);

    const QString& text() const noexcept { return text_; }
    const QFont& font() const noexcept { return font_; }
    const QColor& color() const noexcept { return color_; }

    /// The size the text takes at `width`: the widest line and the height of all lines. An empty
    /// text takes no space. Measured once per width.
    QSizeF measure(double width);
    /// Measures at `width` and makes it the width that `paint` and `lineRanges` use.
    QSizeF layout(double width);
    /// The widest line when nothing wraps beyond `maxWidth`.
    double naturalWidth(double maxWidth);
    /// Paints the lines that meet the painter's clip (all of them without a clip).
    void paint(QPainter& painter, const QPointF& origin) const;

    /// The laid-out lines as [start, length) in UTF-16 units of the displayed text.
    std::vector<std::pair<int, int>> lineRanges() const;
    const QString& displayedText() const noexcept { return displayed_; }
    /// How many times the lines were laid out since the text, font or metrics last changed.
    int layoutPasses() const noexcept { return layoutPasses_; }

private:
    struct Measured {
        double width = -1;
        double widest = 0;
        QSizeF size;
    };
    /// A run of text with no line break opportunity inside, long enough to need breaking
    /// anywhere: [start, end) in UTF-16 units.
    struct Run {
        int start = 0;
        int end = 0;
    };

    void invalidate();
    const Measured* cached(double width) const;
    void findLongRuns() const;
    /// Lays the lines out at `width` and records what they measure.
    const Measured& layOut(double width) const;
    /// Makes the laid-out lines those of the width last given to `layout`.
    void realize() const;

    QString text_;
    QString displayed_;
    bool rightToLeft_ = false;
    QFont font_;
    QColor color_ = Qt::black;
    Metrics metrics_;

    // What the text measures at recent widths; `next_` is the slot replaced next.
    mutable std::array<Measured, 6> cache_;
    mutable std::size_t next_ = 0;
    mutable std::vector<Run> longRuns_;
    mutable bool runsFound_ = false;
    // The lines as laid out at `laidOut_.width`.
    mutable std::unique_ptr<QTextLayout> layout_;
    mutable Measured laidOut_;
    mutable int layoutPasses_ = 0;
    // The width and size the caller lays out at, for painting.
    double wantedWidth_ = -1;
    QSizeF wantedSize_;
};

} // namespace velmora::detail
