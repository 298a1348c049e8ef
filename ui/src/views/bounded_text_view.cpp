#include "views/bounded_text_view.hpp"

#include "platform/qt_conversions.hpp"
#include "platform/size_policy.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <QResizeEvent>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace velmora::detail {

namespace {

/// The widest line a view lays out; wider panels only ever give less.
constexpr int widestLine = 1000;

/// Characters laid out per line: more than any line of the widest panel holds.
constexpr int charactersPerLine = 400;

} // namespace

QString boundedText(const QString& text, int maxCharacters) {
    // UTF-16 units bound the characters from above: a short text needs no walk.
    if (text.size() <= maxCharacters)
        return text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (int kept = 0; kept < maxCharacters; ++kept)
        if (finder.toNextBoundary() < 0)
            return text;
    const qsizetype end = finder.position();
    if (end >= text.size())
        return text;
    return text.left(end) + QChar(0x2026);
}

QString boundedText(std::string_view text, int maxCharacters) {
    // Four UTF-8 bytes at most per code point, a few code points per character: convert only
    // what can be kept (a cut inside a sequence is dropped by the bound below).
    const std::size_t bytes = static_cast<std::size_t>(maxCharacters) * 64;
    if (text.size() <= bytes)
        return boundedText(toQString(text), maxCharacters);
    std::size_t cut = bytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    QString prefix = toQString(text.substr(0, cut));
    QString bounded = boundedText(prefix, maxCharacters);
    return bounded.size() == prefix.size() ? prefix + QChar(0x2026) : bounded;
}

BoundedTextView::BoundedTextView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(heightForWidthPolicy(QSizePolicy::Preferred));
}

void BoundedTextView::apply(const QString& text, const QFont& font, const QColor& color,
                            int maxLines, double lineSpacing) {
    maxLines_ = std::max(1, maxLines);
    shown_ = boundedText(text, maxLines_ * charactersPerLine);
    shown_.replace(QLatin1Char('\n'), QChar::LineSeparator);
    shown_.replace(QLatin1Char('\r'), QChar::LineSeparator);
    font_ = font;
    setFont(font);
    color_ = color;
    lineSpacing_ = lineSpacing;
    linesWidth_ = -1;
    setAccessibleName(text);
    updateGeometry();
    update();
}

QStringList BoundedTextView::lines(int width) const {
    width = std::clamp(width, 1, widestLine);
    if (width == linesWidth_)
        return lines_;
    linesWidth_ = width;
    lines_.clear();
    if (shown_.isEmpty())
        return lines_;
    QTextLayout layout(shown_, font_);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int lastStart = -1;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines_.size() == maxLines_ - 1) {
            lastStart = line.textStart();
            break;
        }
        lines_.append(shown_.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    if (lastStart >= 0) {
        // The last line takes whatever is left, elided when it does not fit.
        QString rest = shown_.mid(lastStart);
        rest.replace(QChar::LineSeparator, QLatin1Char(' '));
        lines_.append(QFontMetricsF(font_).elidedText(rest.trimmed(), Qt::ElideRight, width));
    }
    return lines_;
}

int BoundedTextView::heightForWidth(int width) const {
    const auto count = lines(width).size();
    if (count == 0)
        return 0;
    const double line = QFontMetricsF(font_).height();
    return static_cast<int>(std::ceil(count * line + (count - 1) * lineSpacing_));
}

QSize BoundedTextView::sizeHint() const {
    const QFontMetricsF metrics(font_);
    double widest = 0;
    for (const auto& line : lines(320))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return {static_cast<int>(std::ceil(widest)), heightForWidth(320)};
}

QSize BoundedTextView::minimumSizeHint() const {
    // Any width will do: the text wraps anywhere and elides its last line. The height is what
    // the lines take at the width it has, so a layout that places it by its minimum (an aligned
    // item) still shows every line.
    return {0, heightForWidth(width() > 0 ? width() : 320)};
}

void BoundedTextView::resizeEvent(QResizeEvent* event) {
    const int before =
        heightForWidth(event->oldSize().width() > 0 ? event->oldSize().width() : 320);
    QWidget::resizeEvent(event);
    if (heightForWidth(width()) != before)
        updateGeometry();
}

void BoundedTextView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font_);
    painter.setPen(color_);
    const double step = QFontMetricsF(font_).height() + lineSpacing_;
    const auto shown = lines(width());
    const Qt::Alignment alignment =
        (shown_.isRightToLeft() ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop;
    for (int i = 0; i < shown.size(); ++i)
        painter.drawText(QRectF(0, i * step, width(), step), alignment | Qt::TextSingleLine,
                         shown[i]);
}

} // namespace velmora::detail
