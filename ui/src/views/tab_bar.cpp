#include "views/tab_bar.hpp"

#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "views/progress_label.hpp"
#include "views/widget_icon.hpp"

#include <QBoxLayout>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace velmora::detail {

namespace {
constexpr double tabIconSize = 22;
constexpr double gap = 2;
} // namespace

TabButton::TabButton(const TabModel& tab, const VelmoraFontSpec& font, QWidget* parent)
    : QAbstractButton(parent), tab_(tab), font_(toQFont(font)) {
    setObjectName(toQString(tab.identifier));
    setAccessibleName(toQString(tab.label));
    setText(toQString(tab.label));
    setCheckable(true);
    setChecked(tab.selected);
    // Only a new model moves the checked state: whatever else flips it (an assistive tool's
    // toggle, a programmatic toggle) is put back at once, so a screen reader never announces a
    // tab the controller did not select.
    QObject::connect(this, &QAbstractButton::toggled, this, [this](bool checked) {
        if (checked == tab_.selected)
            return;
        setChecked(tab_.selected);
        if (checked)
            Q_EMIT selectionRequested();
    });
    setCursor(Qt::PointingHandCursor);
    setMinimumHeight(44);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

QSize TabButton::sizeHint() const {
    const QFontMetricsF metrics(font_);
    return {static_cast<int>(std::ceil(std::max(tabIconSize, metrics.horizontalAdvance(text())))),
            static_cast<int>(std::ceil(std::max(44.0, tabIconSize + gap + metrics.height())))};
}

void TabButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor color = toQColor(tab_.color);
    const QFontMetricsF metrics(font_);
    const double total = tabIconSize + gap + metrics.height();
    const double top = (height() - total) / 2;
    painter.save();
    painter.translate((width() - tabIconSize) / 2, top);
    painter.setPen(QPen(color, iconStrokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(iconPath(tab_.icon, QRectF(0, 0, tabIconSize, tabIconSize)));
    painter.restore();
    painter.setFont(font_);
    painter.setPen(color);
    const QString label = metrics.elidedText(text(), Qt::ElideRight, std::max(0, width() - 4));
    painter.drawText(QRectF(0, top + tabIconSize + gap, width(), metrics.height()),
                     Qt::AlignHCenter | Qt::AlignTop, label);
}

TabBarView::TabBarView(QWidget* parent) : QWidget(parent) {
    setObjectName("velmora.widget.tabbar");
    auto* layout = makeQtChild<QVBoxLayout>(this);
    layout->setContentsMargins(0, 0, 0, 0);
    setMinimumHeight(60);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
}

void TabBarView::apply(const TabBarModel& model, double textScale, bool reduceMotion) {
    if (built_ && model == model_ && reduceMotion == reduceMotion_)
        return;
    model_ = model;
    reduceMotion_ = reduceMotion;
    built_ = true;
    destroyQtChild(content_);
    content_ = makeQtChild<QWidget>(this);
    auto* row = makeQtChild<QHBoxLayout>(content_);
    const int line = static_cast<int>(std::ceil(model_.hairlineHeight));
    row->setContentsMargins(8, 6 + line, 8, 6);
    row->setSpacing(4);
    if (model_.showsWorking) {
        auto progress = progressLabelModel(model_.workingText, reduceMotion, textScale);
        progress.objectName = "velmora.widget.tabbar.loading";
        auto* working = makeQtChild<VelmoraProgressLabel>(progress, content_);
        working->setMinimumHeight(44);
        row->addWidget(working, 1, Qt::AlignCenter);
    }
    for (const auto& tab : model_.tabs) {
        auto* button = makeQtChild<TabButton>(tab, model_.labelFont, content_);
        const auto select = [this, mode = tab.mode] {
            if (onSelect)
                onSelect(mode);
        };
        QObject::connect(button, &QAbstractButton::clicked, this, select);
        QObject::connect(button, &TabButton::selectionRequested, this, select);
        row->addWidget(button, 1);
    }
    layout()->addWidget(content_);
    content_->show();
    update();
}

void TabBarView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(QRectF(0, 0, width(), model_.hairlineHeight), toQColor(model_.hairlineColor));
}

} // namespace velmora::detail
