#include "views/transcript.hpp"

#include "platform/font_spec.hpp"
#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "views/attachment_download_service.hpp"
#include "views/form_submission.hpp"
#include "views/message_row.hpp"
#include "views/message_row_model.hpp"
#include "views/message_row_state.hpp"
#include "views/procedure_slot.hpp"
#include "views/progress_label.hpp"
#include "views/transcript_rows.hpp"

#include <QEvent>
#include <QFontMetricsF>
#include <QPropertyAnimation>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace velmora::detail {

namespace {

bool isHead(TranscriptItemKind kind) {
    return kind == TranscriptItemKind::availabilityCard ||
           kind == TranscriptItemKind::workingIndicator;
}

int measuredHeight(const QWidget& widget, int width) {
    return widget.hasHeightForWidth() ? widget.heightForWidth(width) : widget.sizeHint().height();
}

/// A row built more than this far above or below the viewport (in viewport heights) is
/// destroyed; rows are built from half of it on, so a little scrolling back and forth keeps
/// them.
constexpr int keepScreens = 2;
/// Closer than this to the bottom counts as being at the bottom.
constexpr int bottomSlack = 4;
/// Positions stay far below the int range that widgets and scroll bars work in.
constexpr int maxRowHeight = 1 << 22;
constexpr int maxContentHeight = 1 << 29;

} // namespace

ProcedureSlotContext TranscriptView::procedureContext(const TranscriptState& state) const {
    return {controller_, experience_, state.dark, state.reduceMotion, state.textScale};
}

TranscriptView::TranscriptView(std::shared_ptr<VelmoraWidgetController> controller,
                               const VelmoraWidgetExperience& experience,
                               std::shared_ptr<VelmoraPlatformSettings> settings, QWidget* parent)
    : TranscriptView(TranscriptRowServices{makeControllerAttachmentService(controller),
                                           makeControllerFormService(controller), nullptr},
                     controller, experience, std::move(settings), parent) {}

TranscriptView::TranscriptView(TranscriptRowServices services,
                               std::shared_ptr<VelmoraWidgetController> controller,
                               const VelmoraWidgetExperience& experience,
                               std::shared_ptr<VelmoraPlatformSettings> settings, QWidget* parent)
    : QAbstractScrollArea(parent), services_(std::move(services)),
      controller_(std::move(controller)), experience_(experience), settings_(std::move(settings)),
      trim_(this, [this] { trimRows(); }), remeasure_(this, [this] { relayout(anchor()); }) {
    setObjectName("velmora.widget.screen");
    setAccessibleName(toQString(PanelContext{experience_}.copy("panel.title")));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(false);
    viewport()->setObjectName("velmora.widget.transcript");
    viewport()->installEventFilter(this);
    verticalScrollBar()->setSingleStep(24);
    scrollAnimation_ = makeQtChild<QPropertyAnimation>(verticalScrollBar(), "value", this);
    scrollAnimation_->setEasingCurve(QEasingCurve::OutCubic);
    scrollAnimation_->setDuration(180);
    // Rows built on the way may have corrected their estimated heights: end exactly there.
    connect(scrollAnimation_, &QPropertyAnimation::finished, this, [this] {
        if (followingLatest_)
            relayout(Anchor{Anchor::latest, {}, 0});
    });
    // One subscription for the whole transcript, whatever the number of rows.
    if (settings_)
        settingsSubscription_ = settings_->observe([this] { settingsChanged(); });
}

TranscriptView::~TranscriptView() = default;

TranscriptView::FramingSource TranscriptView::framingSource(const TranscriptItem& item,
                                                            const TranscriptState& state) {
    using Kind = TranscriptItemKind;
    switch (item.kind) {
    case Kind::availabilityCard:
        return *state.availability;
    case Kind::workingIndicator:
    case Kind::loadingRow: {
        const bool working = item.kind == Kind::workingIndicator;
        return ProgressSource{
            progressLabelModel(working ? state.model.workingText : state.model.loadingText,
                               state.reduceMotion, state.textScale),
            state.progressColor};
    }
    case Kind::supportBanner:
        return SupportSource{state.model.supportText, state.supportFont, state.supportColor};
    case Kind::errorRow:
        return *state.error;
    case Kind::procedure: {
        const auto& snapshot = *state.snapshot;
        return ProcedureSource{snapshot.procedureAction, snapshot.procedureQuickActions,
                               state.reduceMotion, state.dark, state.textScale};
    }
    case Kind::message:
        break;
    }
    return {};
}

QWidget* TranscriptView::buildFraming(const TranscriptItem& item, const TranscriptState& state) {
    using Kind = TranscriptItemKind;
    // Built without a parent, so creating it asks nothing of the list; the list measures and
    // places it itself.
    switch (item.kind) {
    case Kind::message:
        return nullptr;
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
        return view.release(); // owned by the viewport from here on
    }
    }
    return nullptr;
}

void TranscriptView::buildRow(std::size_t index) {
    MessageRow& entry = rows_[index];
    if (!entry.state) {
        entry.state = std::make_shared<MessageRowState>();
        entry.state->host = this;
    }
    ++rowBuilds_;
    auto* row = makeQtChild<VelmoraWidgetMessageRow>(
        messages_[index], experience_.appearance, experience_.copy, services_.attachments,
        experience_.locale, rowsReduceMotion_, settings_,
        VelmoraWidgetMessageRow::HandOff{services_.exporter, services_.forms, entry.state, false},
        viewport());
    row->onSizeChanged = [this, key = messages_[index].id] {
        if (const auto found = index_.find(key); found != index_.end()) {
            rows_[found->second].measuredWidth = -1;
            remeasure_.request();
        }
    };
    row->show();
    entry.widget = row;
    entry.measuredWidth = -1;
}

void TranscriptView::applyFraming(std::vector<Entry>& entries,
                                  const std::vector<TranscriptItem>& items,
                                  const TranscriptState& state) {
    std::vector<Entry> next;
    std::vector<bool> kept(entries.size(), false);
    for (const auto& item : items) {
        FramingSource source = framingSource(item, state);
        const auto found = std::find_if(entries.begin(), entries.end(), [&](const Entry& old) {
            return old.item == item && !kept[static_cast<std::size_t>(&old - entries.data())];
        });
        if (found != entries.end()) {
            const auto at = static_cast<std::size_t>(found - entries.begin());
            if (found->source == source) {
                kept[at] = true;
                next.push_back(std::move(*found));
                continue;
            }
            // The procedure's place takes the next step in place, so the calendar keeps the
            // month the user paged to.
            if (item.kind == TranscriptItemKind::procedure && found->widget &&
                updateProcedureSlotView(*found->widget, *state.snapshot, procedureContext(state))) {
                kept[at] = true;
                found->source = std::move(source);
                found->measuredWidth = -1;
                next.push_back(std::move(*found));
                continue;
            }
        }
        Entry entry;
        entry.item = item;
        entry.source = std::move(source);
        entry.widget = buildFraming(item, state);
        if (entry.widget) {
            entry.widget->setParent(viewport());
            entry.widget->show();
        }
        next.push_back(std::move(entry));
    }
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (!kept[i])
            destroyQtChild(entries[i].widget); // from the posted redraw, never its own handler
    entries = std::move(next);
}

void TranscriptView::updateRow(std::size_t row, const VelmoraMessage& message) {
    messages_[row] = message;
    MessageRow& entry = rows_[row];
    if (entry.widget)
        static_cast<VelmoraWidgetMessageRow*>(entry.widget)->setMessage(message);
    else
        entry.height = estimateHeight(message);
    entry.measuredWidth = -1;
}

void TranscriptView::applyMessages(const std::vector<VelmoraMessage>& messages) {
    const std::size_t count = messages.size();
    const std::size_t old = rows_.size();
    // The usual change keeps every row in place and adds some at the end: a pass that
    // compares each message with what its row drew (both contiguous), and nothing else.
    std::size_t same = 0;
    for (; same < std::min(count, old); ++same) {
        if (messages_[same] == messages[same])
            continue;
        if (messages_[same].id != messages[same].id)
            break;
        updateRow(same, messages[same]);
        invalidateFrom(same);
    }
    if (same == old) {
        // Grown as vectors grow, so the next message moves nothing.
        for (std::size_t i = old; i < count; ++i) {
            rows_.push_back({nullptr, nullptr, estimateHeight(messages[i]), -1});
            messages_.push_back(messages[i]);
            index_.emplace(messages[i].id, i);
        }
        invalidateFrom(old);
        return;
    }
    if (same == count) {
        // The newest messages went away: their rows go, the others stay where they are.
        for (std::size_t i = count; i < old; ++i) {
            destroyQtChild(rows_[i].widget);
            // The index holds an id's first row: one below `count` stays.
            if (const auto found = index_.find(messages_[i].id);
                found != index_.end() && found->second == i)
                index_.erase(found);
        }
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(count), rows_.end());
        messages_.erase(messages_.begin() + static_cast<std::ptrdiff_t>(count), messages_.end());
        std::erase_if(built_, [count](std::size_t row) { return row >= count; });
        invalidateFrom(count);
        return;
    }
    // Messages went away or moved: match them by id. A row whose message is gone takes its
    // kept state with it.
    std::vector<MessageRow> nextRows;
    std::vector<VelmoraMessage> nextMessages;
    nextRows.reserve(count);
    nextMessages.reserve(count);
    std::vector<bool> taken(old, false);
    for (const auto& message : messages) {
        const auto found = index_.find(message.id);
        if (found != index_.end() && !taken[found->second]) {
            const std::size_t at = found->second;
            taken[at] = true;
            if (messages_[at] != message)
                updateRow(at, message);
            nextRows.push_back(std::move(rows_[at]));
            nextMessages.push_back(std::move(messages_[at]));
            continue;
        }
        nextRows.push_back({nullptr, nullptr, estimateHeight(message), -1});
        nextMessages.push_back(message);
    }
    for (std::size_t i = 0; i < old; ++i)
        if (!taken[i])
            destroyQtChild(rows_[i].widget);
    rows_ = std::move(nextRows);
    messages_ = std::move(nextMessages);
    index_.clear();
    built_.clear();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        index_.emplace(messages_[i].id, i);
        if (rows_[i].widget)
            built_.push_back(i);
    }
    invalidateFrom(0);
}

void TranscriptView::apply(const TranscriptState& state) {
    const Anchor before = anchor();
    // A reader who sees the newest message follows the conversation.
    const bool following = !applied_ || rows_.empty() || followingLatest_ ||
                           verticalScrollBar()->value() >= latestValue() - bottomSlack;

    if (state.reduceMotion != rowsReduceMotion_) {
        rowsReduceMotion_ = state.reduceMotion;
        for (const auto index : built_) {
            static_cast<VelmoraWidgetMessageRow*>(rows_[index].widget)
                ->setReduceMotion(rowsReduceMotion_);
            rows_[index].measuredWidth = -1;
        }
    }
    std::vector<TranscriptItem> head;
    std::vector<TranscriptItem> tail;
    for (const auto& item : state.model.items)
        if (item.kind != TranscriptItemKind::message)
            (isHead(item.kind) ? head : tail).push_back(item);
    // The visitor's own send brings them to the newest message, wherever they were reading:
    // its start, or their message arriving at the end (a quick send may start and end between
    // two redraws).
    const bool ownNewest = !state.messages.empty() && isOwnMessage(state.messages.back()) &&
                           !index_.contains(state.messages.back().id);
    applyFraming(head_, head, state);
    applyFraming(tail_, tail, state);
    applyMessages(state.messages);

    const bool countChanged = state.messages.size() != lastMessageCount_;
    const bool loadingChanged = state.loadingState != lastLoadingState_;
    const bool sending =
        ownNewest || (loadingChanged && state.loadingState == VelmoraLoadingState::sendingMessage);
    lastMessageCount_ = state.messages.size();
    lastLoadingState_ = state.loadingState;
    if (applied_ && (countChanged || loadingChanged) && (following || sending) &&
        (lastScrollTarget_ = transcriptScrollTarget(state.messages))) {
        relayout(before);
        scrollToLatest(state.reduceMotion);
    } else {
        relayout(before);
    }
    applied_ = true;
}

void TranscriptView::settingsChanged() {
    const Anchor before = anchor();
    // Fonts and text sizes may have changed: built rows measure again, the rest re-estimate.
    for (const auto index : built_)
        static_cast<VelmoraWidgetMessageRow*>(rows_[index].widget)->settingsChanged();
    estimateWidth_ = -1;
    relayout(before);
}

int TranscriptView::estimateHeight(const VelmoraMessage& message) const {
    // A guess from the text's length, good enough for the scroll bar; a row's real height
    // replaces it once the row is built.
    const double content =
        std::max(40.0, innerWidth() - 2 * experience_.appearance.spacing.mdPx - 8.0);
    std::size_t characters = 0;
    std::size_t breaks = 0;
    for (const char c : message.bodyText) {
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        breaks += c == '\n';
    }
    double lines = static_cast<double>(breaks);
    if (characters > 0)
        lines += std::ceil(static_cast<double>(characters) * estimateChar_ / content);
    double height = 20 + lines * estimateLine_;
    if (message.authorKind == "ai" || message.authorKind == "teammate")
        height += estimateLine_ * 0.8 + 7;
    if (message.conversationForm)
        height += 260;
    else if (message.commerceResult)
        height += 120;
    if (message.attachments)
        height += 51.0 * static_cast<double>(message.attachments->size());
    return static_cast<int>(std::min(height, double{maxRowHeight}));
}

void TranscriptView::measure(std::size_t row, int width) {
    MessageRow& entry = rows_[row];
    if (entry.widget)
        entry.height = std::clamp(measuredHeight(*entry.widget, width), 0, maxRowHeight);
    else
        entry.height = estimateHeight(messages_[row]);
    entry.measuredWidth = entry.widget ? width : -1;
}

void TranscriptView::invalidateFrom(std::size_t row) {
    topsValid_ = std::min(topsValid_, row);
}

void TranscriptView::updateTops() {
    const int spacing = static_cast<int>(std::round(experience_.appearance.spacing.smPx));
    tops_.resize(rows_.size());
    // Saturated: a hostile conversation of huge messages must not overflow the positions (the
    // rows past the limit then share the last place instead).
    for (std::size_t i = topsValid_; i < rows_.size(); ++i)
        tops_[i] = i == 0 ? 0
                          : static_cast<int>(std::min<std::int64_t>(
                                maxContentHeight,
                                std::int64_t{tops_[i - 1]} + rows_[i - 1].height + spacing));
    topsValid_ = rows_.size();
}

int TranscriptView::innerWidth() const {
    const int padding = static_cast<int>(std::round(experience_.appearance.spacing.lgPx));
    return std::max(1, viewport()->width() - 2 * padding);
}

int TranscriptView::rowsTop() const {
    const int padding = static_cast<int>(std::round(experience_.appearance.spacing.lgPx));
    const int spacing = static_cast<int>(std::round(experience_.appearance.spacing.smPx));
    int y = padding;
    for (const auto& entry : head_)
        if (entry.widget)
            y += entry.height + spacing;
    return y;
}

int TranscriptView::contentHeight() const {
    const int padding = static_cast<int>(std::round(experience_.appearance.spacing.lgPx));
    const int spacing = static_cast<int>(std::round(experience_.appearance.spacing.smPx));
    int y = rowsTop();
    if (!rows_.empty())
        y += tops_.back() + rows_.back().height + spacing;
    for (const auto& entry : tail_)
        if (entry.widget)
            y += entry.height + spacing;
    // The last element has no spacing below it, only the padding.
    const bool any = !rows_.empty() || std::any_of(head_.begin(), head_.end(), [](auto& e) {
        return e.widget != nullptr;
    }) || std::any_of(tail_.begin(), tail_.end(), [](auto& e) { return e.widget != nullptr; });
    return (any ? y - spacing : y) + padding;
}

int TranscriptView::latestValue() const {
    const int range = std::max(0, contentHeight() - viewport()->height());
    if (rows_.empty())
        return 0;
    const int bottom = rowTop(rows_.size() - 1) + rows_.back().height;
    return std::clamp(bottom - viewport()->height(), 0, range);
}

TranscriptView::Anchor TranscriptView::anchor() const {
    const int value = verticalScrollBar()->value();
    if (value > 0 && value >= verticalScrollBar()->maximum() - bottomSlack)
        return {Anchor::bottom, {}, 0};
    if (rows_.empty() || topsValid_ < rows_.size())
        return {Anchor::absolute, {}, value};
    // The row at the top edge of the viewport.
    const int y = value - rowsTop();
    if (y < 0)
        return {Anchor::absolute, {}, value};
    const auto after = std::upper_bound(tops_.begin(), tops_.end(), y);
    const auto row = static_cast<std::size_t>(after - tops_.begin()) - 1;
    return {Anchor::row, messages_[row].id, value - rowTop(row)};
}

void TranscriptView::restore(const Anchor& anchor) {
    QScrollBar* bar = verticalScrollBar();
    const int vh = viewport()->height();
    bar->setRange(0, std::max(0, contentHeight() - vh));
    bar->setPageStep(vh);
    int value = bar->value();
    switch (anchor.mode) {
    case Anchor::latest:
        value = latestValue();
        break;
    case Anchor::bottom:
        value = bar->maximum();
        break;
    case Anchor::row: {
        const auto found = index_.find(anchor.key);
        value = found == index_.end() ? anchor.offset : rowTop(found->second) + anchor.offset;
        break;
    }
    case Anchor::absolute:
        value = anchor.offset;
        break;
    }
    bar->setValue(std::clamp(value, bar->minimum(), bar->maximum()));
}

void TranscriptView::relayout(const Anchor& anchor) {
    if (inRelayout_)
        return;
    inRelayout_ = true;
    const int inner = innerWidth();
    if (inner != estimateWidth_) {
        // Another width (or other fonts): every row's height is a guess again until measured.
        const auto body = widgetFontSpec(experience_.appearance.typography.fontFamily,
                                         experience_.appearance.typography.fontSizePx * 0.875,
                                         VelmoraTextStyle::body, VelmoraFontWeight::regular,
                                         settings_ ? settings_->values().textScale : 1.0);
        const QFontMetricsF metrics(toQFont(body));
        estimateLine_ = std::max(metrics.height(), body.pointSize * 1.5);
        estimateChar_ = std::max(1.0, metrics.averageCharWidth());
        estimateWidth_ = inner;
        for (std::size_t i = 0; i < rows_.size(); ++i)
            if (rows_[i].measuredWidth != inner && !rows_[i].widget)
                measure(i, inner);
        invalidateFrom(0);
    }
    for (auto* list : {&head_, &tail_})
        for (auto& entry : *list)
            if (entry.widget && entry.measuredWidth != inner) {
                entry.height = measuredHeight(*entry.widget, inner);
                entry.measuredWidth = inner;
            }
    for (const auto index : built_)
        if (rows_[index].measuredWidth != inner) {
            const int height = rows_[index].height;
            measure(index, inner);
            if (rows_[index].height != height)
                invalidateFrom(index);
        }
    updateTops();
    restore(anchor);

    // Build what comes into view; each row measured corrects its estimate, which may move what
    // follows, so look again until nothing changes (the anchor holds the reading position).
    const int vh = std::max(1, viewport()->height());
    for (int pass = 0; pass < 8 && !rows_.empty(); ++pass) {
        const int value = verticalScrollBar()->value();
        const int from = value - vh / 2 * keepScreens - rowsTop();
        const int to = value + vh + vh / 2 * keepScreens - rowsTop();
        auto first = static_cast<std::size_t>(
            std::upper_bound(tops_.begin(), tops_.end(), std::max(0, from)) - tops_.begin());
        first = first > 0 ? first - 1 : 0;
        bool changed = false;
        for (std::size_t i = first; i < rows_.size() && tops_[i] <= to; ++i) {
            MessageRow& entry = rows_[i];
            if (!entry.widget) {
                buildRow(i);
                built_.push_back(i);
            }
            if (entry.measuredWidth != inner) {
                const int height = entry.height;
                measure(i, inner);
                if (entry.height != height) {
                    invalidateFrom(i);
                    changed = true;
                }
            }
        }
        if (!changed)
            break;
        updateTops();
        restore(anchor);
    }
    placeWidgets();
    inRelayout_ = false;
    if (built_.size() > 0)
        trim_.request();
}

void TranscriptView::placeWidgets() {
    const int padding = static_cast<int>(std::round(experience_.appearance.spacing.lgPx));
    const int spacing = static_cast<int>(std::round(experience_.appearance.spacing.smPx));
    const int inner = innerWidth();
    const int value = verticalScrollBar()->value();
    const auto place = [&](QWidget* widget, int top, int height) {
        const QRect target(padding, top - value, inner, height);
        if (widget->geometry() != target)
            widget->setGeometry(target);
    };
    int y = padding;
    for (const auto& entry : head_)
        if (entry.widget) {
            place(entry.widget, y, entry.height);
            y += entry.height + spacing;
        }
    for (const auto index : built_)
        place(rows_[index].widget, rowTop(index), rows_[index].height);
    if (!rows_.empty())
        y = rowTop(rows_.size() - 1) + rows_.back().height + spacing;
    for (const auto& entry : tail_)
        if (entry.widget) {
            place(entry.widget, y, entry.height);
            y += entry.height + spacing;
        }
}

void TranscriptView::trimRows() {
    const int value = verticalScrollBar()->value();
    const int vh = std::max(1, viewport()->height());
    const int from = value - vh * keepScreens;
    const int to = value + vh + vh * keepScreens;
    std::vector<std::size_t> kept;
    kept.reserve(built_.size());
    for (const auto index : built_) {
        MessageRow& entry = rows_[index];
        const int top = rowTop(index);
        if (top + entry.height < from || top > to)
            destroyQtChild(entry.widget); // its state stays with the entry
        else
            kept.push_back(index);
    }
    built_ = std::move(kept);
}

void TranscriptView::layoutNow() {
    relayout(anchor());
}

void TranscriptView::scrollToLatest(bool reduceMotion) {
    followingLatest_ = true;
    QScrollBar* bar = verticalScrollBar();
    const int value = latestValue();
    scrollAnimation_->stop();
    if (reduceMotion || value == bar->value()) {
        relayout(Anchor{Anchor::latest, {}, 0});
        followingLatest_ = false;
        return;
    }
    scrollAnimation_->setStartValue(bar->value());
    scrollAnimation_->setEndValue(value);
    scrollAnimation_->start();
}

void TranscriptView::scrollToItem(const std::string& key) {
    scrollAnimation_->stop();
    followingLatest_ = false;
    const auto found = index_.find(key);
    if (found == index_.end())
        return;
    relayout(Anchor{Anchor::row, key, 0});
}

std::optional<QRect> TranscriptView::itemRect(const std::string& key) const {
    const auto found = index_.find(key);
    if (found == index_.end() || topsValid_ < rows_.size())
        return std::nullopt;
    const int padding = static_cast<int>(std::round(experience_.appearance.spacing.lgPx));
    return QRect(padding, rowTop(found->second) - verticalScrollBar()->value(), innerWidth(),
                 rows_[found->second].height);
}

int TranscriptView::liveRowCount() const noexcept {
    return static_cast<int>(built_.size());
}

QWidget* TranscriptView::itemWidget(const std::string& key) const {
    if (const auto found = index_.find(key); found != index_.end())
        return rows_[found->second].widget;
    for (const auto* list : {&head_, &tail_})
        for (const auto& entry : *list)
            if (entry.item.key == key)
                return entry.widget;
    return nullptr;
}

std::vector<std::string> TranscriptView::keys() const {
    std::vector<std::string> out;
    out.reserve(head_.size() + messages_.size() + tail_.size());
    const auto add = [&](const std::vector<Entry>& list) {
        for (const auto& entry : list)
            if (entry.widget)
                out.emplace_back(entry.item.key);
    };
    add(head_);
    for (const auto& message : messages_)
        out.push_back(message.id);
    add(tail_);
    return out;
}

void TranscriptView::resizeEvent(QResizeEvent* event) {
    const Anchor before = anchor();
    QAbstractScrollArea::resizeEvent(event);
    relayout(before);
}

void TranscriptView::scrollContentsBy(int, int) {
    // The user (or the scroll animation) moved: build what came into view, keeping the row at
    // the top edge where it is while rows above it correct their heights.
    if (inRelayout_)
        return;
    if (scrollAnimation_->state() != QAbstractAnimation::Running)
        followingLatest_ = false;
    relayout(anchor());
}

bool TranscriptView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == viewport()) {
        if (event->type() == QEvent::Resize) {
            // The scroll bar came or went: another width for every row.
            if (inRelayout_)
                remeasure_.request();
            else
                relayout(anchor());
        } else if (event->type() == QEvent::LayoutRequest) {
            // A framing element may have changed its size (message rows tell on their own, so
            // one new row does not measure all the others again).
            for (auto* list : {&head_, &tail_})
                for (auto& entry : *list)
                    entry.measuredWidth = -1;
            relayout(anchor());
        }
    } else if (event->type() == QEvent::Resize) {
        // The working indicator's holder centres its label below 24 points.
        auto* holder = qobject_cast<QWidget*>(watched);
        for (auto* child : holder->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            const QSize hint = child->sizeHint();
            child->setGeometry((holder->width() - hint.width()) / 2, 24, hint.width(),
                               hint.height());
        }
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

} // namespace velmora::detail
