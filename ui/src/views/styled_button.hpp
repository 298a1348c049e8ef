#pragma once

#include "platform/text_block.hpp"
#include "views/button_style_model.hpp"

#include <QAbstractButton>

namespace velmora::detail {

/// A push button drawn in one of the widget's button styles: as wide as offered, at least 44
/// high, the label wrapped and centred, 10 points from the sides.
class VelmoraStyledButton final : public QAbstractButton {
public:
    VelmoraStyledButton(const QString& label, const ButtonStyle& style, QWidget* parent = nullptr);
    void setButtonStyle(const ButtonStyle& style);
    ButtonLook currentLook() const { return buttonLook(style_, isDown()); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ButtonStyle style_;
    mutable TextBlock label_;
};

} // namespace velmora::detail
