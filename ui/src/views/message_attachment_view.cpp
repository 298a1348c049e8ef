#include "views/message_attachment_view.hpp"

#include "platform/qt_conversions.hpp"
#include "platform/size_policy.hpp"
#include "views/widget_icon.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace velmora::detail {

namespace {
constexpr double iconSide = 18;
constexpr double iconGap = 6;

void paintDownloadIcon(QPainter& painter, const QRectF& box, const QColor& color) {
    QPen pen(color, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.drawEllipse(box.adjusted(1, 1, -1, -1));
    const QPointF c = box.center();
    const double s = box.width() / 24.0;
    painter.drawLine(QPointF(c.x(), c.y() - 5 * s), QPointF(c.x(), c.y() + 5 * s));
    painter.drawPolyline(
        QPolygonF({QPointF(c.x() - 4 * s, c.y() + 1 * s), QPointF(c.x(), c.y() + 5 * s),
                   QPointF(c.x() + 4 * s, c.y() + 1 * s)}));
}
} // namespace

MessageAttachmentView::MessageAttachmentView(const AttachmentModel& model, QWidget* parent)
    : QAbstractButton(parent), model_(model) {
    setObjectName(toQString(model.identifier));
    setAccessibleName(toQString(model.accessibleName));
    setText(toQString(model.title));
    setEnabled(model.content == AttachmentContent::label || model.enabled);
    if (model.content == AttachmentContent::label) {
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    setSizePolicy(heightForWidthPolicy(QSizePolicy::Preferred));
    const QFont font = toQFont(model.font);
    setFont(font);
    title_.setText(model.content == AttachmentContent::downloadProgress ? QString()
                                                                        : toQString(model.title));
    title_.setFont(font);
    title_.setColor(toQColor(model.color));
    title_.setMetrics({.lineHeight = QFontMetricsF(font).height()});
}

double MessageAttachmentView::textWidth(int width) const {
    const bool icon = model_.content == AttachmentContent::downloadButton ||
                      model_.content == AttachmentContent::label;
    return std::max(1.0, width - (icon ? iconSide + iconGap : 0));
}

int MessageAttachmentView::heightForWidth(int width) const {
    return static_cast<int>(
        std::ceil(std::max(model_.minimumHeight, title_.layout(textWidth(width)).height())));
}

QSize MessageAttachmentView::sizeHint() const {
    const int width = naturalWidth(320);
    return {width, heightForWidth(width)};
}

int MessageAttachmentView::naturalWidth(int maxWidth) const {
    if (model_.content == AttachmentContent::downloadProgress)
        return 24;
    const double icon =
        model_.content == AttachmentContent::downloadWorkingText ? 0 : iconSide + iconGap;
    return static_cast<int>(std::ceil(icon + title_.naturalWidth(std::max(1.0, maxWidth - icon))));
}

void MessageAttachmentView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.5);
    const QColor color = toQColor(model_.color);
    if (model_.content == AttachmentContent::downloadProgress) {
        painter.setPen(QPen(color, 2, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(QRectF(2, (height() - 16) / 2.0, 16, 16), 90 * 16, 270 * 16);
        return;
    }
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    double textX = 0;
    if (model_.content != AttachmentContent::downloadWorkingText) {
        const QRectF box(rtl ? width() - iconSide : 0, (height() - iconSide) / 2, iconSide,
                         iconSide);
        if (model_.content == AttachmentContent::label) {
            painter.save();
            painter.translate(box.topLeft());
            QPen pen(color, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
            painter.setPen(pen);
            painter.drawPath(
                iconPath(VelmoraWidgetIconKind::paperclip, QRectF(0, 0, iconSide, iconSide)));
            painter.restore();
        } else {
            paintDownloadIcon(painter, box, color);
        }
        textX = rtl ? 0 : iconSide + iconGap;
    }
    const QSizeF size = title_.layout(textWidth(width()));
    title_.paint(painter, QPointF(textX, (height() - size.height()) / 2));
}

} // namespace velmora::detail
