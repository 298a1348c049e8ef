#pragma once

#include "platform/text_block.hpp"
#include "views/line_height_text_model.hpp"

#include <QWidget>

namespace velmora::detail {

/// Multi-line text in which every line is exactly `lineHeight` high, wrapped at
/// `preferredMaxWidth` (or the widget's width when narrower). The identifier is given once, at
/// creation; later models change the text, font, colour and metrics.
class VelmoraLineHeightText final : public QWidget {
public:
    VelmoraLineHeightText(const LineHeightTextModel& model, const QFont& font,
                          QWidget* parent = nullptr);
    void apply(const LineHeightTextModel& model, const QFont& font);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    int lineCount() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double wrapWidth(double width) const;
    LineHeightTextModel model_;
    mutable TextBlock block_;
};

} // namespace velmora::detail
