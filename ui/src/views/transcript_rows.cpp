#include "views/transcript_rows.hpp"

#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "platform/size_policy.hpp"
#include "views/styled_button.hpp"
#include "views/text_block_view.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace velmora::detail {

namespace {
constexpr int glyphSide = 16;
constexpr int glyphGap = 6;

void paintWarning(QPainter& painter, const QRectF& box, const QColor& color) {
    QPainterPath triangle;
    triangle.moveTo(box.center().x(), box.top() + 1);
    triangle.lineTo(box.right() - 0.5, box.bottom() - 1);
    triangle.lineTo(box.left() + 0.5, box.bottom() - 1);
    triangle.closeSubpath();
    painter.fillPath(triangle, color);
    painter.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    const double x = box.center().x();
    painter.drawLine(QPointF(x, box.top() + box.height() * 0.38),
                     QPointF(x, box.top() + box.height() * 0.66));
    painter.drawPoint(QPointF(x, box.top() + box.height() * 0.8));
}
} // namespace

ErrorRowView::ErrorRowView(const ErrorRowModel& model, QWidget* parent)
    : QWidget(parent), model_(model), label_(makeQtChild<TextBlockView>(this)) {
    setObjectName(toQString(model.identifier));
    setSizePolicy(heightForWidthPolicy(QSizePolicy::Preferred));
    setAccessibleName(toQString(model.label));
    label_->apply(toQString(model.label), toQFont(model.labelFont), toQColor(model.foreground), 0);
    label_->setObjectName("velmora.widget.error.label");
    if (model.showsRetry) {
        retry_ =
            makeQtChild<VelmoraStyledButton>(toQString(model.retryTitle), model.retryStyle, this);
        retry_->setObjectName(toQString(model.retryIdentifier));
        retry_->setEnabled(model.retryEnabled);
        QObject::connect(retry_, &QAbstractButton::clicked, this, [this] {
            if (onRetry)
                onRetry();
        });
    }
}

int ErrorRowView::heightForWidth(int width) const {
    const int padding = static_cast<int>(model_.padding);
    const int inner = std::max(1, width - 2 * padding);
    int height = std::max(glyphSide, label_->heightForWidth(inner - glyphSide - glyphGap));
    if (retry_)
        height += static_cast<int>(model_.spacing) + retry_->heightForWidth(inner);
    return height + 2 * padding;
}

QSize ErrorRowView::sizeHint() const {
    const int width = this->width() > 0 ? this->width() : 360;
    return {width, heightForWidth(width)};
}

void ErrorRowView::resizeEvent(QResizeEvent*) {
    const int padding = static_cast<int>(model_.padding);
    const int inner = std::max(1, width() - 2 * padding);
    const int labelWidth = inner - glyphSide - glyphGap;
    const int labelHeight = label_->heightForWidth(labelWidth);
    const int line = std::max(glyphSide, labelHeight);
    label_->setGeometry(padding + glyphSide + glyphGap, padding + (line - labelHeight) / 2,
                        labelWidth, labelHeight);
    if (retry_)
        retry_->setGeometry(padding, padding + line + static_cast<int>(model_.spacing), inner,
                            retry_->heightForWidth(inner));
}

void ErrorRowView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), toQColor(model_.background));
    const int padding = static_cast<int>(model_.padding);
    const int labelHeight = label_->height();
    const int line = std::max(glyphSide, labelHeight);
    paintWarning(painter, QRectF(padding, padding + (line - glyphSide) / 2.0, glyphSide, glyphSide),
                 toQColor(model_.foreground));
}

AvailabilityCardView::AvailabilityCardView(const AvailabilityCardModel& model, QWidget* parent)
    : QWidget(parent), model_(model), status_(makeQtChild<TextBlockView>(this)),
      reply_(makeQtChild<TextBlockView>(this)) {
    setObjectName(toQString(model.identifier));
    setAccessibleName(toQString(model.accessibleName));
    setSizePolicy(heightForWidthPolicy(QSizePolicy::Preferred));
    status_->apply(toQString(model.status), toQFont(model.statusFont), toQColor(model.statusColor),
                   0);
    reply_->apply(toQString(model.reply), toQFont(model.replyFont), toQColor(model.replyColor), 0);
}

namespace {
constexpr int cardH = 14;
constexpr int cardV = 12;
constexpr int dotSide = 8;
int lineOrFont(const TextBlockView* view, int width) {
    // An empty text still keeps its line.
    const int height = view->heightForWidth(width);
    return height > 0 ? height
                      : static_cast<int>(std::ceil(QFontMetricsF(view->block().font()).height()));
}
} // namespace

int AvailabilityCardView::heightForWidth(int width) const {
    const int indent = dotSide + static_cast<int>(model_.dotSpacing);
    const int inner = std::max(1, width - 2 * cardH - indent);
    return 2 * cardV + lineOrFont(status_, inner) + static_cast<int>(model_.spacing) +
           lineOrFont(reply_, inner);
}

QSize AvailabilityCardView::sizeHint() const {
    const int width = this->width() > 0 ? this->width() : 360;
    return {width, heightForWidth(width)};
}

void AvailabilityCardView::resizeEvent(QResizeEvent*) {
    const int indent = dotSide + static_cast<int>(model_.dotSpacing);
    const int inner = std::max(1, width() - 2 * cardH - indent);
    const int statusHeight = lineOrFont(status_, inner);
    status_->setGeometry(cardH + indent, cardV, inner, statusHeight);
    reply_->setGeometry(cardH + indent, cardV + statusHeight + static_cast<int>(model_.spacing),
                        inner, lineOrFont(reply_, inner));
}

void AvailabilityCardView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), toQColor(model_.background));
    painter.setPen(QPen(toQColor(model_.border), 1));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    painter.setPen(Qt::NoPen);
    painter.setBrush(toQColor(model_.dot));
    const double centreY = status_->geometry().top() + lineOrFont(status_, status_->width()) / 2.0;
    painter.drawEllipse(QPointF(cardH + dotSide / 2.0, centreY), dotSide / 2.0, dotSide / 2.0);
}

SupportBannerView::SupportBannerView(const std::string& text, const VelmoraFontSpec& font,
                                     VelmoraColor color, QWidget* parent)
    : QWidget(parent), label_(makeQtChild<TextBlockView>(this)), color_(toQColor(color)) {
    setObjectName("velmora.widget.support");
    setAccessibleName(toQString(text));
    setSizePolicy(heightForWidthPolicy(QSizePolicy::Preferred));
    label_->apply(toQString(text), toQFont(font), color_, 0);
}

int SupportBannerView::heightForWidth(int width) const {
    return std::max(glyphSide, label_->heightForWidth(std::max(1, width - glyphSide - glyphGap)));
}

QSize SupportBannerView::sizeHint() const {
    const int width = this->width() > 0 ? this->width() : 360;
    return {width, heightForWidth(width)};
}

void SupportBannerView::resizeEvent(QResizeEvent*) {
    const int labelWidth = std::max(1, width() - glyphSide - glyphGap);
    const int labelHeight = label_->heightForWidth(labelWidth);
    label_->setGeometry(glyphSide + glyphGap, (height() - labelHeight) / 2, labelWidth,
                        labelHeight);
}

void SupportBannerView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color_, 1.4));
    painter.setBrush(Qt::NoBrush);
    const double top = (height() - glyphSide) / 2.0;
    painter.drawEllipse(QPointF(8, top + 5), 3.2, 3.2);
    QPainterPath shoulders;
    shoulders.moveTo(2, top + 15);
    shoulders.cubicTo(2, top + 9.5, 14, top + 9.5, 14, top + 15);
    painter.drawPath(shoulders);
}

} // namespace velmora::detail
