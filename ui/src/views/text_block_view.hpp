#pragma once

#include "platform/text_block.hpp"

#include <QTimer>
#include <QWidget>

namespace velmora::detail {

/// A read-only wrapped text whose lines are the font's height plus a fixed spacing between
/// them. Its accessible name is its text.
///
/// A long text is laid out at first only as far down as it is painted, and its height
/// beyond is estimated; once it has been painted, the rest is laid out in short steps on idle
/// turns of the event loop, and the exact height replaces the estimate (one geometry change).
class TextBlockView final : public QWidget {
    Q_OBJECT

public:
    explicit TextBlockView(QWidget* parent = nullptr);
    void apply(const QString& text, const QFont& font, const QColor& color, double lineSpacing);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    /// The widest line when laid out within `maxWidth`.
    int naturalWidth(int maxWidth) const;
    /// The block as laid out at the current width (for tests and measurements).
    const TextBlock& block() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void layOutMore();

    mutable TextBlock block_;
    QTimer finishing_;
};

} // namespace velmora::detail
