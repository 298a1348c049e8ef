#include "platform/text_block.hpp"

#include "ui/text_line_checks.hpp"

#include <QDeadlineTimer>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTextBoundaryFinder>
#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <utility>
#include <vector>

namespace velmora {
namespace {

using namespace detail;
using Lines = std::vector<std::pair<int, int>>;

/// Letters and digits only, as in a base64 blob: no line break opportunity anywhere.
QString unbrokenRun(int length) {
    static const QString alphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
    QString text(length, QLatin1Char('A'));
    for (int i = 0; i < length; ++i)
        text[i] = alphabet[(i * 7 + i / 64) % alphabet.size()];
    return text;
}

QFont textFont() {
    QFont font;
    font.setPointSizeF(14);
    return font;
}

struct Block {
    TextBlock block;
    explicit Block(const QString& text, double lineSpacing = 0) {
        block.setText(text);
        block.setFont(textFont());
        block.setMetrics(
            {.lineHeight = QFontMetricsF(textFont()).height(), .lineSpacing = lineSpacing});
    }
};

/// The lines Qt lays the same text out in when it wraps at words, else anywhere, in one pass.
Lines referenceLines(const QString& text, double width) {
    QString displayed = text;
    displayed.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(displayed, textFont());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTextDirection(displayed.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    layout.setTextOption(option);
    Lines lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines.emplace_back(line.textStart(), line.textLength());
    }
    layout.endLayout();
    return lines;
}

TEST(TextBlockTest, AMillionCharactersWithoutABreakWrapWithinTheWidthAndStayWhole) {
    const QString text = unbrokenRun(1'000'000);
    Block f(text);
    const double width = 300;
    const QSizeF size = f.block.layout(width);
    EXPECT_LE(size.width(), width);
    const Lines lines = f.block.lineRanges();
    ASSERT_GT(lines.size(), 1000u);
    EXPECT_DOUBLE_EQ(size.height(), std::ceil(static_cast<double>(lines.size()) *
                                              QFontMetricsF(textFont()).height()));
    // Every character is on exactly one line, in order; each line but the last is full: the
    // next character would not have fitted.
    EXPECT_EQ(f.block.displayedText(), text);
    const QFontMetricsF metrics(textFont());
    int expectedStart = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto [start, length] = lines[i];
        ASSERT_EQ(start, expectedStart) << "line " << i;
        ASSERT_GT(length, 0) << "line " << i;
        if (i + 1 < lines.size() && i % 997 == 0) {
            EXPECT_LE(metrics.horizontalAdvance(text.mid(start, length)), width) << "line " << i;
            EXPECT_GT(metrics.horizontalAdvance(text.mid(start, length + 1)), width)
                << "line " << i;
        }
        expectedStart = start + length;
    }
    EXPECT_EQ(expectedStart, text.size());
}

TEST(TextBlockTest, LongRunsAmongWordsBreakWhereQtWouldBreakThemInOnePass) {
    // Runs without a break opportunity before, between and after words, in three scripts, and
    // runs just longer and shorter than a line; the lines must be those of an ordinary layout.
    const QString latin = unbrokenRun(3000);
    const QString arabic = QString(400, QChar(0x0645));
    const QString cjkThenRun = QStringLiteral("你好，世界。") + unbrokenRun(200);
    const struct Case {
        const char* name;
        QString text;
    } cases[] = {
        {"run alone", latin},
        {"words then run then words",
         QStringLiteral("see: ") + latin + QStringLiteral(" and then some words")},
        {"run after a line break",
         QStringLiteral("first line\n") + latin + QStringLiteral("\nlast")},
        {"two runs", latin + QStringLiteral(" ") + arabic},
        {"right to left run", arabic + QStringLiteral(" שלום עולם ") + arabic},
        {"ideographs then run", cjkThenRun + QStringLiteral(" end")},
        {"run that fits a wide line", unbrokenRun(140) + QStringLiteral(" words after it")},
    };
    for (const auto& c : cases) {
        for (const double width : {120.0, 333.0, 2000.0}) {
            SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(width));
            Block f(c.text);
            f.block.layout(width);
            EXPECT_EQ(f.block.lineRanges(), referenceLines(c.text, width));
        }
    }
}

TEST(TextBlockTest, ASizeIsMeasuredOncePerWidthUntilTheTextFontOrMetricsChange) {
    const QString text =
        QStringLiteral("The quick brown fox jumps over the lazy dog. ").repeated(20);
    Block f(text);
    const QSizeF narrow = f.block.measure(150);
    const QSizeF wide = f.block.measure(400);
    EXPECT_EQ(f.block.layoutPasses(), 2);
    EXPECT_GT(narrow.height(), wide.height());
    // The same widths again, through every way of asking, lay nothing out.
    EXPECT_EQ(f.block.measure(150), narrow);
    EXPECT_EQ(f.block.layout(400), wide);
    EXPECT_EQ(f.block.naturalWidth(150), narrow.width());
    // A width between the widest line and the width measured wraps the same way.
    EXPECT_EQ(f.block.measure(std::ceil(narrow.width()) + 0.5).height(), narrow.height());
    EXPECT_EQ(f.block.layoutPasses(), 2);
    // Painting at a measured width lays the lines out for it once.
    f.block.layout(150);
    EXPECT_EQ(f.block.lineRanges(), referenceLines(text, 150));
    EXPECT_EQ(f.block.layoutPasses(), 3);
    EXPECT_EQ(f.block.lineRanges(), referenceLines(text, 150));
    EXPECT_EQ(f.block.layoutPasses(), 3);

    const struct Change {
        const char* name;
        void (*apply)(TextBlock&);
        bool taller;
    } changes[] = {
        {"same text", [](TextBlock& b) { b.setText(b.text()); }, false},
        {"longer text", [](TextBlock& b) { b.setText(b.text() + b.text()); }, true},
        {"larger font",
         [](TextBlock& b) {
             QFont font = b.font();
             font.setPointSizeF(28);
             b.setFont(font);
         },
         true},
        {"more line spacing",
         [](TextBlock& b) {
             b.setMetrics({.lineHeight = QFontMetricsF(b.font()).height(), .lineSpacing = 9});
         },
         true},
    };
    for (const auto& change : changes) {
        SCOPED_TRACE(change.name);
        Block g(text);
        const QSizeF before = g.block.measure(150);
        change.apply(g.block);
        const QSizeF after = g.block.measure(150);
        if (change.taller) {
            EXPECT_GT(after.height(), before.height());
            EXPECT_EQ(g.block.layoutPasses(), 1); // counted since the change
        } else {
            EXPECT_EQ(after, before);
            EXPECT_EQ(g.block.layoutPasses(), 1);
        }
    }
}

TEST(TextBlockTest, LinesStartOnGraphemeBoundariesInsideLongRunsOfClusters) {
    // Letters with combining marks: clusters of several code points, no break opportunity.
    QString text;
    while (text.size() < 5000)
        text += QStringLiteral("e\u0301\u0323a\u0308o\u0302\u0301");
    Block f(text);
    f.block.layout(200);
    const Lines lines = f.block.lineRanges();
    ASSERT_GT(lines.size(), 5u);
    testing::expectLinesTileTextAtClusterBoundaries(lines, text);
    EXPECT_EQ(lines, referenceLines(text, 200));
}

/// Latin, Hebrew, Arabic, ideographs, Hangul and emoji sequences, with spaces and line breaks.
QString mixedScript(int length) {
    static const QString pieces[] = {QStringLiteral("Hello world "),
                                     QStringLiteral("你好，世界。我们已收到您的订单。"),
                                     QStringLiteral("مرحبا بالعالم "),
                                     QStringLiteral("👩‍👩‍👧‍👦 "),
                                     QStringLiteral("שלום עולם "),
                                     QStringLiteral("안녕하세요 👍🏽 ١٢٣٤٥ "),
                                     QStringLiteral("Supercalifragilisticexpialidocious "),
                                     QStringLiteral("\n")};
    QString text;
    for (int i = 0; text.size() < length; ++i)
        text += pieces[i % std::size(pieces)];
    return text;
}

/// Lays out the rest in steps of one line each: a step whose time is already up still makes one
/// (or finds the end).
void layOutRest(TextBlock& block) {
    for (int steps = 0; !block.complete() && steps < 100'000; ++steps) {
        const std::size_t before = block.lineRanges().size();
        const bool complete = block.layOutMore(QDeadlineTimer(0));
        ASSERT_EQ(block.lineRanges().size(), complete ? before : before + 1);
    }
}

TEST(TextBlockTest, ALongTextLaysOutItsFirstLinesThenConvergesToTheExactSize) {
    const struct Case {
        const char* name;
        QString text;
    } cases[] = {
        {"mixed scripts", mixedScript(20'000)},
        {"unbroken run", unbrokenRun(30'000)},
        {"short lines", QStringLiteral("ok\n").repeated(3000)},
        {"right to left", QStringLiteral("مرحبا بالعالم שלום עולם ").repeated(600)},
    };
    const double width = 300;
    const double eagerHeight = 400;
    const double lineSpacing = 3;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Block f(c.text, lineSpacing);
        f.block.setEagerArea(width * eagerHeight);
        const double lineHeight = QFontMetricsF(textFont()).height();
        const Lines all = referenceLines(c.text, width);
        const auto exactHeight = [&](std::size_t lines) {
            const double n = static_cast<double>(lines);
            return std::ceil(n * lineHeight + (n - 1) * lineSpacing);
        };

        // Only the lines down to the eager height, and an estimate of the rest.
        const QSizeF estimate = f.block.layout(width);
        const Lines first = f.block.lineRanges();
        EXPECT_FALSE(f.block.complete());
        EXPECT_EQ(static_cast<double>(first.size()),
                  std::ceil(eagerHeight / (lineHeight + lineSpacing)));
        EXPECT_EQ(first, Lines(all.begin(), all.begin() + static_cast<long>(first.size())));
        EXPECT_NEAR(estimate.height(), exactHeight(all.size()), 0.15 * exactHeight(all.size()));
        EXPECT_LE(estimate.width(), width);
        // The estimate stands, however the width is asked again, until the layout is complete.
        EXPECT_EQ(f.block.measure(width), estimate);
        f.block.measure(width / 2);
        EXPECT_EQ(f.block.layout(width), estimate);

        layOutRest(f.block);
        EXPECT_TRUE(f.block.complete());
        EXPECT_EQ(f.block.lineRanges(), all);
        const QSizeF exact = f.block.layout(width);
        EXPECT_EQ(exact.height(), exactHeight(all.size()));
        EXPECT_LE(exact.width(), width);
        // A text that fits its eager area is laid out whole at once.
        Block g(c.text.left(first.front().second), lineSpacing);
        g.block.setEagerArea(width * eagerHeight);
        g.block.layout(width);
        EXPECT_TRUE(g.block.complete());
    }
}

TEST(TextBlockTest, PaintingBelowTheLaidOutLinesLaysOutTheLinesItShows) {
    const QString text = unbrokenRun(30'000);
    Block f(text);
    const double width = 300;
    f.block.setEagerArea(width * 200);
    f.block.layout(width);
    const double lineHeight = QFontMetricsF(textFont()).height();
    const std::size_t all = referenceLines(text, width).size();
    ASSERT_GT(static_cast<double>(all) * lineHeight, 3000);

    QImage image(static_cast<int>(width), 3000, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setClipRect(QRectF(0, 2000, width, 300));
        f.block.paint(painter, {0, 0});
    }
    const std::size_t laidOut = f.block.lineRanges().size();
    EXPECT_GE(static_cast<double>(laidOut) * lineHeight, 2300);
    EXPECT_LT(laidOut, all);
    int inked = 0;
    for (int y = 2000; y < 2300; ++y)
        for (int x = 0; x < image.width(); ++x)
            inked += image.pixelColor(x, y) != QColor(Qt::white);
    EXPECT_GT(inked, 1000);

    // Painted with nothing to limit it, every line is laid out.
    QImage whole(static_cast<int>(width), 100, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&whole);
    f.block.paint(painter, {0, 0});
    EXPECT_TRUE(f.block.complete());
    EXPECT_EQ(f.block.lineRanges().size(), all);
}

} // namespace
} // namespace velmora
