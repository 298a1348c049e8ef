#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

#include <string_view>

namespace velmora::detail {

/// How much of a text from the service is laid out: titles and names a few lines, bodies a
/// bounded prefix. The accessible name always keeps the whole text.
namespace text_bounds {
/// Lines of a header's title or subtitle, and of a card's title.
constexpr int titleLines = 3;
/// User-perceived characters of a body (an answer, a step's prompt): enough for any real
/// paragraph, few enough that a hostile text cannot stall the layout.
constexpr int bodyCharacters = 2000;
/// User-perceived characters of a button label, a form's title or a field's name.
constexpr int labelCharacters = 200;
/// User-perceived characters of a text beside another on one line (an amount).
constexpr int inlineCharacters = 32;
} // namespace text_bounds

/// `text` cut after `maxCharacters` user-perceived characters, ending in an ellipsis when cut.
/// Only the kept prefix is looked at, so the cost does not grow with the text.
QString boundedText(std::string_view text, int maxCharacters);
QString boundedText(const QString& text, int maxCharacters);

/// A read-only text wrapped to at most `maxLines` lines, the last one elided when more is left;
/// line breaks of the text are kept. Only a bounded prefix is laid out, so any length costs
/// the same and the view never asks for more width than it is given. Its accessible name is the
/// whole text.
class BoundedTextView final : public QWidget {
    Q_OBJECT

public:
    explicit BoundedTextView(QWidget* parent = nullptr);
    void apply(const QString& text, const QFont& font, const QColor& color, int maxLines,
               double lineSpacing = 0);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    /// The lines shown at `width` (for tests and measurements).
    QStringList lines(int width) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QString shown_;
    QFont font_;
    QColor color_;
    int maxLines_ = 1;
    double lineSpacing_ = 0;
    mutable int linesWidth_ = -1;
    mutable QStringList lines_;
};

} // namespace velmora::detail
