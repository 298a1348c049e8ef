#include "views/transcript.hpp"

#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "velmora/json_value.hpp"
#include "views/controller_attachments.hpp"
#include "views/form_submission.hpp"
#include "views/message_row.hpp"
#include "views/procedure_slot.hpp"
#include "views/progress_label.hpp"
#include "views/transcript_rows.hpp"

#include <QEvent>
#include <QPropertyAnimation>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <sstream>

namespace velmora::detail {

namespace {

std::string colorText(VelmoraColor c) {
    std::ostringstream out;
    out << int(c.red) << ',' << int(c.green) << ',' << int(c.blue) << ',' << int(c.alpha);
    return out.str();
}

} // namespace

ProcedureSlotContext TranscriptView::procedureContext(const TranscriptState& state) const {
    return {controller_, experience_, state.dark, state.reduceMotion, state.textScale};
}

TranscriptView::TranscriptView(std::shared_ptr<VelmoraWidgetController> controller,
                               const VelmoraWidgetExperience& experience,
                               std::shared_ptr<VelmoraPlatformSettings> settings, QWidget* parent)
    : QScrollArea(parent), controller_(std::move(controller)), experience_(experience),
      settings_(std::move(settings)), attachments_(makeControllerAttachmentService(controller_)),
      forms_(makeControllerFormService(controller_)), content_(makeQtChild<QWidget>()) {
    setObjectName("velmora.widget.screen");
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(false);
    viewport()->setAutoFillBackground(false);
    content_->setObjectName("velmora.widget.transcript");
    content_->setAutoFillBackground(false);
    content_->installEventFilter(this);
    setWidget(content_);
    scrollAnimation_ = makeQtChild<QPropertyAnimation>(verticalScrollBar(), "value", this);
    scrollAnimation_->setEasingCurve(QEasingCurve::OutCubic);
    scrollAnimation_->setDuration(180);
}

TranscriptView::~TranscriptView() = default;

std::string TranscriptView::signature(const TranscriptItem& item, const TranscriptState& state) {
    using Kind = TranscriptItemKind;
    const std::string motion = state.reduceMotion ? "1" : "0";
    switch (item.kind) {
    case Kind::availabilityCard: {
        const auto& card = *state.availability;
        return card.accessibleName + '\x1f' + colorText(card.dot) + colorText(card.background) +
               colorText(card.statusColor) + std::to_string(card.statusFont.pointSize);
    }
    case Kind::workingIndicator:
        return state.model.workingText + motion + colorText(state.progressColor);
    case Kind::loadingRow:
        return state.model.loadingText + motion + colorText(state.progressColor);
    case Kind::supportBanner:
        return state.model.supportText + colorText(state.supportColor) +
               std::to_string(state.supportFont.pointSize);
    case Kind::errorRow: {
        const auto& error = *state.error;
        return error.label + '\x1f' + error.retryTitle + (error.showsRetry ? "r" : "-") +
               (error.retryEnabled ? "e" : "-") + colorText(error.background) +
               colorText(error.foreground);
    }
    case Kind::procedure: {
        const auto& snapshot = *state.snapshot;
        std::string text = snapshot.procedureAction ? encodeJSON(*snapshot.procedureAction) : "-";
        if (snapshot.procedureQuickActions)
            for (const auto& action : *snapshot.procedureQuickActions)
                text += '\x1f' + encodeJSON(action);
        return text + motion + (state.dark ? "d" : "l") + std::to_string(state.textScale);
    }
    case Kind::message:
        break;
    }
    return {};
}

QWidget* TranscriptView::buildItem(const TranscriptItem& item, const TranscriptState& state,
                                   const VelmoraMessage* message) {
    using Kind = TranscriptItemKind;
    // Built without a parent, so creating it asks nothing of the list's layout; the list
    // measures and places it itself.
    switch (item.kind) {
    case Kind::message:
        ++rowBuilds_;
        return makeQtChild<VelmoraWidgetMessageRow>(
            *message, experience_.appearance, experience_.copy, attachments_, experience_.locale,
            state.reduceMotion, settings_, nullptr, forms_);
    case Kind::availabilityCard:
        return makeQtChild<AvailabilityCardView>(*state.availability);
    case Kind::workingIndicator:
    case Kind::loadingRow: {
        const bool working = item.kind == Kind::workingIndicator;
        auto model = progressLabelModel(working ? state.model.workingText : state.model.loadingText,
                                        state.reduceMotion, state.textScale);
        model.objectName = "velmora.widget.loading";
        auto* label = makeQtChild<VelmoraProgressLabel>(model);
        label->setColor(toQColor(state.progressColor));
        if (working) {
            // Centred under 24 points of space.
            auto* holder = makeQtChild<QWidget>();
            holder->setObjectName("velmora.widget.working");
            label->setParent(holder);
            const QSize hint = label->sizeHint();
            holder->setFixedHeight(24 + hint.height());
            holder->installEventFilter(this);
            label->setProperty("velmoraCentred", true);
            return holder;
        }
        return label;
    }
    case Kind::supportBanner:
        return makeQtChild<SupportBannerView>(state.model.supportText, state.supportFont,
                                              state.supportColor);
    case Kind::errorRow: {
        auto* row = makeQtChild<ErrorRowView>(*state.error);
        row->onRetry = [this] {
            if (onRetry)
                onRetry();
        };
        return row;
    }
    case Kind::procedure: {
        auto view = makeProcedureSlotView(*state.snapshot, procedureContext(state));
        return view.release(); // owned by the list from here on
    }
    }
    return nullptr;
}

void TranscriptView::apply(const TranscriptState& state) {
    using Kind = TranscriptItemKind;
    const bool rowsStale = applied_ && state.reduceMotion != rowsReduceMotion_;
    rowsReduceMotion_ = state.reduceMotion;

    std::map<std::string, std::size_t> previous;
    for (std::size_t i = 0; i < entries_.size(); ++i)
        previous.emplace(entries_[i].item.key, i);
    std::vector<bool> kept(entries_.size(), false);
    std::vector<Entry> next;
    next.reserve(state.model.items.size());
    std::size_t messageIndex = 0;
    for (const auto& item : state.model.items) {
        const VelmoraMessage* message =
            item.kind == Kind::message ? &state.messages[messageIndex++] : nullptr;
        const std::string sig = message ? std::string() : signature(item, state);
        const auto found = previous.find(item.key);
        if (found != previous.end() && !kept[found->second]) {
            Entry& old = entries_[found->second];
            const bool same =
                old.item.kind == item.kind &&
                (message ? !rowsStale && old.message == *message : old.signature == sig);
            if (same) {
                kept[found->second] = true;
                next.push_back(std::move(old));
                continue;
            }
            // The procedure's place takes the next step in place, so the calendar keeps the
            // month the user paged to.
            if (item.kind == Kind::procedure && old.item.kind == item.kind && old.widget &&
                updateProcedureSlotView(*old.widget, *state.snapshot, procedureContext(state))) {
                kept[found->second] = true;
                old.signature = sig;
                old.measuredWidth = -1;
                next.push_back(std::move(old));
                continue;
            }
        }
        Entry entry{item, buildItem(item, state, message),
                    message ? std::optional<VelmoraMessage>(*message) : std::nullopt, sig};
        next.push_back(std::move(entry));
    }
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (!kept[i])
            destroyQtChild(
                entries_[i].widget); // from the posted redraw, never inside its own handler
    entries_ = std::move(next);
    for (auto& entry : entries_) {
        if (entry.widget && entry.widget->parentWidget() != content_) {
            entry.widget->setParent(content_);
            entry.widget->show();
        }
    }
    relayout();

    const bool countChanged = state.messages.size() != lastMessageCount_;
    const bool loadingChanged = state.loadingState != lastLoadingState_;
    lastMessageCount_ = state.messages.size();
    lastLoadingState_ = state.loadingState;
    if (applied_ && (countChanged || loadingChanged)) {
        lastScrollTarget_ = transcriptScrollTarget(state.messages);
        scrollToLatest(state.reduceMotion);
    }
    applied_ = true;
}

void TranscriptView::relayout() {
    const auto& appearance = experience_.appearance;
    const int padding = static_cast<int>(std::round(appearance.spacing.lgPx));
    const int spacing = static_cast<int>(std::round(appearance.spacing.smPx));
    const int width = std::max(1, viewport()->width());
    const int inner = std::max(1, width - 2 * padding);
    int y = padding;
    bool first = true;
    for (auto& entry : entries_) {
        if (!entry.widget)
            continue;
        if (!first)
            y += spacing;
        first = false;
        if (entry.measuredWidth != inner) {
            QWidget* w = entry.widget;
            entry.measuredHeight =
                w->hasHeightForWidth() ? w->heightForWidth(inner) : w->sizeHint().height();
            entry.measuredWidth = inner;
        }
        const QRect target(padding, y, inner, entry.measuredHeight);
        if (entry.widget->geometry() != target)
            entry.widget->setGeometry(target);
        y += entry.measuredHeight;
    }
    y += padding;
    if (content_->size() != QSize(width, y))
        content_->resize(width, y);
}

void TranscriptView::layoutNow() {
    relayout();
}

void TranscriptView::scrollToLatest(bool reduceMotion) {
    // No message, nothing to keep in view: an empty transcript shows its top.
    if (!lastScrollTarget_)
        return;
    QWidget* target = itemWidget(*lastScrollTarget_);
    if (!target)
        return;
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, content_->height() - viewport()->height()));
    const int value = std::clamp(target->geometry().bottom() + 1 - viewport()->height(),
                                 bar->minimum(), bar->maximum());
    scrollAnimation_->stop();
    if (reduceMotion || value == bar->value()) {
        bar->setValue(value);
        return;
    }
    scrollAnimation_->setStartValue(bar->value());
    scrollAnimation_->setEndValue(value);
    scrollAnimation_->start();
}

QWidget* TranscriptView::itemWidget(const std::string& key) const {
    for (const auto& entry : entries_)
        if (entry.item.key == key)
            return entry.widget;
    return nullptr;
}

std::vector<std::string> TranscriptView::keys() const {
    std::vector<std::string> out;
    for (const auto& entry : entries_)
        if (entry.widget)
            out.push_back(entry.item.key);
    return out;
}

void TranscriptView::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    relayout();
}

bool TranscriptView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == content_ && event->type() == QEvent::LayoutRequest) {
        // A row changed its own size (a download started or ended): measure again.
        for (auto& entry : entries_)
            entry.measuredWidth = -1;
        relayout();
    } else if (event->type() == QEvent::Resize && watched != content_) {
        // The working indicator's holder centres its label below 24 points.
        auto* holder = qobject_cast<QWidget*>(watched);
        for (auto* child : holder->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            const QSize hint = child->sizeHint();
            child->setGeometry((holder->width() - hint.width()) / 2, 24, hint.width(),
                               hint.height());
        }
    }
    return QScrollArea::eventFilter(watched, event);
}

} // namespace velmora::detail
