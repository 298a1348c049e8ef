#include "views/line_height_text.hpp"

#include "platform/qt_conversions.hpp"
#include "platform/size_policy.hpp"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace velmora::detail {

VelmoraLineHeightText::VelmoraLineHeightText(const LineHeightTextModel& model, const QFont& font,
                                             QWidget* parent)
    : QWidget(parent) {
    if (model.accessibilityIdentifier)
        setObjectName(toQString(*model.accessibilityIdentifier));
    setSizePolicy(heightForWidthPolicy(QSizePolicy::Preferred));
    apply(model, font);
}

void VelmoraLineHeightText::apply(const LineHeightTextModel& model, const QFont& font) {
    model_ = model;
    const QString text = toQString(model.text);
    block_.setText(text);
    block_.setFont(font);
    block_.setColor(toQColor(model.color));
    const double fontLineHeight = QFontMetricsF(font).height();
    block_.setMetrics({.lineHeight = model.lineHeight,
                       .glyphOffset = lineHeightBaselineOffset(model.lineHeight, fontLineHeight),
                       .lineSpacing = 0});
    // The text is also what assistive technology reads as the element's value.
    setAccessibleName(text);
    updateGeometry();
    update();
}

double VelmoraLineHeightText::wrapWidth(double width) const {
    return model_.preferredMaxWidth > 0 ? std::min(width, model_.preferredMaxWidth) : width;
}

QSize VelmoraLineHeightText::sizeHint() const {
    const double width = model_.preferredMaxWidth > 0 ? model_.preferredMaxWidth : 320;
    const QSizeF size = block_.layout(width);
    return {static_cast<int>(std::ceil(size.width())), static_cast<int>(std::ceil(size.height()))};
}

QSize VelmoraLineHeightText::minimumSizeHint() const {
    return {0, heightForWidth(width())};
}

int VelmoraLineHeightText::heightForWidth(int width) const {
    return static_cast<int>(std::ceil(block_.layout(wrapWidth(width)).height()));
}

int VelmoraLineHeightText::lineCount() const {
    block_.layout(wrapWidth(width()));
    return static_cast<int>(block_.lineRanges().size());
}

void VelmoraLineHeightText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    block_.layout(wrapWidth(width()));
    block_.paint(painter, {0, 0});
}

} // namespace velmora::detail
