#pragma once

#include <QColor>
#include <QDeadlineTimer>
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
///
/// With an eager area set, a text is laid out at a new width only as far as its lines fill that
/// area (about as much text at any width), and the height of the rest is estimated from the
/// lines laid out so far; shaping is most of the
/// cost and Qt shapes a text only as its lines are made, so what is not laid out costs nothing.
/// `layOutMore` and painting a region below the laid-out lines lay out the rest; once every
/// line is laid out the size is exact. An estimate, once given for a width, stays what that
/// width measures until the layout completes, so a caller sees the size change at most once.
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
    /// How much of a text is laid out before its size is first given at a width: the lines that
    /// fill this many square pixels at that width; the rest waits for `layOutMore` or painting.
    /// Unlimited (every line at once) unless set.
    void setEagerArea(double area);

    const QString& text() const noexcept { return text_; }
    const QFont& font() const noexcept { return font_; }
    const QColor& color() const noexcept { return color_; }

    /// The size the text takes at `width`: the widest line and the height of all lines. An empty
    /// text takes no space. Measured once per width; an estimate while `complete` is false for
    /// that width (see `setEagerHeight`).
    QSizeF measure(double width);
    /// Measures at `width` and makes it the width that `paint` and `lineRanges` use.
    QSizeF layout(double width);
    /// The widest line when nothing wraps beyond `maxWidth`.
    double naturalWidth(double maxWidth);
    /// Paints the lines that meet the painter's clip (all of them without a clip), laying out
    /// first the lines down to the clip's bottom that are not laid out yet.
    void paint(QPainter& painter, const QPointF& origin) const;
    /// True when every line is laid out at the width last given to `layout`, and so its size
    /// is exact.
    bool complete() const;
    /// Lays out lines at the width last given to `layout` until every line is, or until
    /// `deadline` has passed (at least one line). True when the layout is complete.
    bool layOutMore(const QDeadlineTimer& deadline);

    /// The lines laid out so far as [start, length) in UTF-16 units of the displayed text.
    std::vector<std::pair<int, int>> lineRanges() const;
    const QString& displayedText() const noexcept { return displayed_; }
    /// How many times the lines were laid out since the text, font or metrics last changed.
    int layoutPasses() const noexcept { return layoutPasses_; }

private:
    struct Measured {
        double width = -1;
        double widest = 0;
        QSizeF size;
        /// False while `size` is an estimate made from the first lines.
        bool exact = true;
    };
    /// The lines of the open layout, at one width, and where the next line starts.
    struct Progress {
        double width = -1;
        double widest = 0;
        int lines = 0;
        /// UTF-16 units laid out (where the next line starts).
        int end = 0;
        /// The first long run that may still hold the next line's start.
        std::size_t run = 0;
        bool breakingAnywhere = false;
        bool complete = false;
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
    /// Starts the lines again at `width`, lays them out down to the eager height and records
    /// what they measure.
    const Measured& layOut(double width) const;
    /// Adds lines to the open layout until they reach `bottom` or `deadline` has passed.
    void extend(double bottom, const QDeadlineTimer& deadline) const;
    /// What the open layout measures: exact when complete, else estimated.
    Measured progressSize() const;
    /// Records the open layout's size for its width; an earlier estimate stands until exact.
    const Measured& record() const;
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
    double eagerArea_ = -1;
    // The lines as laid out so far at `progress_.width`.
    mutable std::unique_ptr<QTextLayout> layout_;
    mutable Progress progress_;
    mutable int layoutPasses_ = 0;
    // The width and size the caller lays out at, for painting.
    double wantedWidth_ = -1;
    QSizeF wantedSize_;
};

} // namespace velmora::detail
