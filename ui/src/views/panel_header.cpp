#include "views/panel_header.hpp"

#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "views/bounded_text_view.hpp"
#include "views/panel_buttons.hpp"
#include "views/progress_label.hpp"

#include <QBoxLayout>
#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace velmora::detail {

namespace {

constexpr double brandSize = 42;

/// A title or subtitle: the workspace name and the copy come from the service, so a few lines
/// at most, whatever their length.
BoundedTextView* textView(QWidget* parent, const std::string& text, const VelmoraFontSpec& spec,
                          VelmoraColor color, double lineHeight = 0) {
    auto* view = makeQtChild<BoundedTextView>(parent);
    const QFont font = toQFont(spec);
    const double spacing =
        lineHeight > 0 ? std::max(0.0, lineHeight - QFontMetricsF(font).height()) : 0.0;
    view->apply(toQString(text), font, toQColor(color), text_bounds::titleLines, spacing);
    return view;
}

} // namespace

BrandMarkView::BrandMarkView(double size, const QColor& surface, QWidget* parent)
    : QWidget(parent), size_(size), surface_(surface) {
    const int side = static_cast<int>(std::ceil(size));
    setFixedSize(side, side);
    setAccessibleName(QString());
}

void BrandMarkView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double u = size_ / 42.0;
    const QPointF centre(size_ / 2, size_ / 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x2f, 0x7d, 0xff));
    painter.drawEllipse(centre, size_ / 2, size_ / 2);
    painter.setPen(QPen(QColor(255, 255, 255, 41), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, size_ / 2 - 0.5, size_ / 2 - 0.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(surface_);
    painter.drawRect(QRectF(centre.x() - 11 * u, centre.y() - 9 * u, 22 * u, 18 * u));
    painter.save();
    painter.translate(centre + QPointF(5.5 * u, 8.5 * u));
    painter.rotate(35);
    painter.drawRect(QRectF(-3.5 * u, -3.5 * u, 7 * u, 7 * u));
    painter.restore();
    painter.setBrush(QColor(0x00, 0x5c, 0xff));
    for (int i = -1; i <= 1; ++i)
        painter.drawEllipse(centre + QPointF(i * 5 * u, 0), 1.5 * u, 1.5 * u);
}

PanelHeaderView::PanelHeaderView(QWidget* parent) : QWidget(parent) {
    setObjectName("velmora.widget.header");
    auto* layout = makeQtChild<QVBoxLayout>(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
}

void PanelHeaderView::apply(const PanelHeaderModel& model, double textScale, bool reduceMotion) {
    if (built_ && model == model_ && reduceMotion == reduceMotion_)
        return;
    model_ = model;
    reduceMotion_ = reduceMotion;
    built_ = true;
    rebuild(textScale, reduceMotion);
}

void PanelHeaderView::rebuild(double textScale, bool reduceMotion) {
    // Runs from the panel's posted redraw, never inside one of these buttons' handlers.
    destroyQtChild(content_);
    content_ = makeQtChild<QWidget>(this);
    auto* outer = makeQtChild<QVBoxLayout>(content_);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* band = makeQtChild<QWidget>(content_);
    textArea_ = makeQtChild<QWidget>(band);
    textArea_->installEventFilter(this);
    auto* text = makeQtChild<QVBoxLayout>(textArea_);
    text->setContentsMargins(0, 0, 0, 0);
    text->setSpacing(model_.homeForm ? 2 : 4);
    auto* title = textView(textArea_, model_.title, model_.titleFont, model_.titleColor);
    title->setObjectName("velmora.widget.header.title");
    text->addWidget(title);
    if (model_.showsSubtitle) {
        auto* subtitle = textView(textArea_, model_.subtitle, model_.subtitleFont,
                                  model_.subtitleColor, model_.subtitleLineHeight);
        subtitle->setObjectName("velmora.widget.header.subtitle");
        text->addWidget(subtitle);
    }

    const auto makeClose = [&](QWidget* parent) {
        auto* close = makeQtChild<PanelIconButton>(
            PanelIconButton::Look{VelmoraWidgetIconKind::close, 20, model_.closeColor}, parent);
        close->setObjectName("velmora.widget.close");
        close->setAccessibleName(toQString(model_.closeLabel));
        QObject::connect(close, &QAbstractButton::clicked, this, [this] {
            if (onClose)
                onClose();
        });
        return close;
    };

    if (model_.homeForm) {
        auto* column = makeQtChild<QVBoxLayout>(band);
        column->setContentsMargins(16, 16, 16, 22);
        column->setSpacing(20);
        auto* top = makeQtChild<QHBoxLayout>();
        top->setContentsMargins(0, 0, 0, 0);
        top->addWidget(makeQtChild<BrandMarkView>(brandSize, toQColor(model_.background), band), 0,
                       Qt::AlignTop);
        top->addStretch(1);
        if (model_.showsClose)
            top->addWidget(makeClose(band), 0, Qt::AlignTop);
        column->addLayout(top);
        // In a row, so its height is asked for the width it gets (at most 310): asked for the
        // column's width, a question that wraps only at 310 lost its second line.
        textArea_->setMaximumWidth(310);
        auto* textRow = makeQtChild<QHBoxLayout>();
        textRow->setContentsMargins(0, 0, 0, 0);
        textRow->addWidget(textArea_, 1);
        textRow->addStretch(0);
        column->addLayout(textRow);
        band->setMinimumHeight(136);
    } else {
        auto* row = makeQtChild<QHBoxLayout>(band);
        row->setContentsMargins(16, 16, 16, 16);
        row->setSpacing(static_cast<int>(std::round(12.0)));
        row->addWidget(makeQtChild<BrandMarkView>(brandSize, toQColor(model_.background), band));
        row->addWidget(textArea_, 1);
        for (const auto* button : {&model_.muteButton, &model_.voiceButton}) {
            if (!*button)
                continue;
            auto* view = makeQtChild<PanelIconButton>(
                PanelIconButton::Look{(*button)->glyph, 20, model_.iconColor}, band);
            view->setObjectName(toQString((*button)->identifier));
            view->setAccessibleName(toQString((*button)->accessibleName));
            QObject::connect(view, &QAbstractButton::clicked, this,
                             [this, action = (*button)->action] {
                                 if (onVoiceAction)
                                     onVoiceAction(action);
                             });
            row->addWidget(view);
        }
        if (model_.showsClose)
            row->addWidget(makeClose(band));
    }
    outer->addWidget(band);

    if (model_.voiceStatus) {
        auto progress = progressLabelModel(
            model_.voiceStatus->text, reduceMotion || !model_.voiceStatus->spinning, textScale);
        progress.objectName = "velmora.widget.voice.status";
        auto* status = makeQtChild<VelmoraProgressLabel>(progress, content_);
        status->setColor(toQColor(model_.closeColor));
        status->setEnabled(model_.voiceStatus->enabled);
        auto* holder = makeQtChild<QHBoxLayout>();
        holder->setContentsMargins(16, 0, 16, 8);
        holder->addWidget(status, 1, Qt::AlignLeft);
        outer->addLayout(holder);
    }
    auto* divider = makeQtChild<QWidget>(content_);
    divider->setFixedHeight(static_cast<int>(std::ceil(model_.dividerHeight)));
    divider->setAutoFillBackground(true);
    QPalette palette = divider->palette();
    palette.setColor(QPalette::Window, toQColor(model_.divider));
    divider->setPalette(palette);
    outer->addWidget(divider);

    layout()->addWidget(content_);
    content_->show();
    fitHeight();
    update();
}

void PanelHeaderView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitHeight();
}

void PanelHeaderView::fitHeight() {
    // The panel's column sizes the header by its hint; a subtitle that wraps at the real width
    // needs the height for that width.
    if (width() <= 0 || !layout()->hasHeightForWidth())
        return;
    const int height = layout()->heightForWidth(width());
    if (minimumHeight() != height)
        setMinimumHeight(height);
}

bool PanelHeaderView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == textArea_ && event->type() == QEvent::MouseButtonRelease && onTitleTapped)
        onTitleTapped();
    return QWidget::eventFilter(watched, event);
}

void PanelHeaderView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(model_.background));
    if (model_.tint.alpha > 0)
        painter.fillRect(rect(), toQColor(model_.tint));
}

} // namespace velmora::detail
