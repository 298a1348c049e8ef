#pragma once

#include "platform/redraw_scheduler.hpp"
#include "velmora/json_value.hpp"
#include "velmora/ui/platform_settings.hpp"
#include "views/availability_model.hpp"
#include "views/error_row_model.hpp"
#include "views/progress_label_model.hpp"
#include "views/transcript_model.hpp"

#include <QAbstractScrollArea>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

class QPropertyAnimation;

namespace velmora {
class VelmoraWidgetController;
}

namespace velmora::detail {

class AttachmentExporter;
class ConversationFormService;
class MessageRowAttachmentService;
struct MessageRowState;
struct ProcedureSlotContext;

/// Everything the transcript draws in one redraw.
struct TranscriptState {
    TranscriptModel model;
    const std::vector<VelmoraMessage>& messages;
    std::optional<AvailabilityCardModel> availability;
    std::optional<ErrorRowModel> error;
    const std::optional<VelmoraSnapshot>& snapshot;
    VelmoraLoadingState loadingState = VelmoraLoadingState::idle;
    bool reduceMotion = false;
    bool dark = false;
    double textScale = 1;
    VelmoraFontSpec supportFont;
    VelmoraColor supportColor;
    VelmoraColor progressColor;
};

/// What the message rows download, export and submit through.
struct TranscriptRowServices {
    std::shared_ptr<MessageRowAttachmentService> attachments;
    std::shared_ptr<ConversationFormService> forms;
    /// Null: the file dialog.
    std::shared_ptr<AttachmentExporter> exporter;
};

/// The messages screen: a vertical list of the conversation framed by the availability card,
/// the working indicator, the procedure's place, the support banner, the loading row and the
/// error row.
///
/// Message rows are keyed by message id and built lazily: only the rows on screen and a margin
/// around it have widgets; the others are a height (estimated until the row was measured once
/// at this width) and, once the user touched the row, its kept state (form answers, a running
/// download, shown months, search texts), so a row built again picks up where it was left. A
/// new value of a message, a settings change or a reduced-motion flip updates the built rows in
/// place. The framing elements are few and always built.
///
/// Scrolling: a reader at the newest message stays there as messages arrive; a reader
/// elsewhere keeps the row they read at the same place, also while estimated heights above it
/// are corrected. The visitor's own send scrolls to the newest message from anywhere.
class TranscriptView final : public QAbstractScrollArea {
    Q_OBJECT

public:
    TranscriptView(std::shared_ptr<VelmoraWidgetController> controller,
                   const VelmoraWidgetExperience& experience,
                   std::shared_ptr<VelmoraPlatformSettings> settings, QWidget* parent = nullptr);
    TranscriptView(TranscriptRowServices services,
                   std::shared_ptr<VelmoraWidgetController> controller,
                   const VelmoraWidgetExperience& experience,
                   std::shared_ptr<VelmoraPlatformSettings> settings, QWidget* parent = nullptr);
    ~TranscriptView() override;

    void apply(const TranscriptState& state);

    /// Message row widgets built so far (a row built again after scrolling away counts again).
    int rowBuilds() const noexcept { return rowBuilds_; }
    /// Message rows that have a widget now.
    int liveRowCount() const noexcept;
    /// The widget drawing the element with this key (a message id, "loading", "error", ...);
    /// null for a message row that is not built.
    QWidget* itemWidget(const std::string& key) const;
    /// The keys of all elements, top to bottom.
    std::vector<std::string> keys() const;
    /// Where a scroll is heading (the newest message), once one has been asked for.
    const std::optional<std::string>& lastScrollTarget() const noexcept {
        return lastScrollTarget_;
    }
    /// Scrolls so that the element with this key sits at the top (for tests and measurements).
    void scrollToItem(const std::string& key);
    /// The element's rectangle in the viewport's coordinates (built or not).
    std::optional<QRect> itemRect(const std::string& key) const;
    /// Lays out now (a redraw lays out on its own; for measurements).
    void layoutNow();

    std::function<void()> onRetry;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// What the working indicator and the loading row are built from.
    struct ProgressSource {
        ProgressLabelModel label;
        VelmoraColor color;
        friend bool operator==(const ProgressSource&, const ProgressSource&) = default;
    };
    struct SupportSource {
        std::string text;
        VelmoraFontSpec font;
        VelmoraColor color;
        friend bool operator==(const SupportSource&, const SupportSource&) = default;
    };
    /// The snapshot's procedure parts and the looks the procedure's place is drawn with.
    struct ProcedureSource {
        std::optional<JSONValue> action;
        std::optional<std::vector<JSONValue>> quickActions;
        bool reduceMotion = false;
        bool dark = false;
        double textScale = 1;
        friend bool operator==(const ProcedureSource&, const ProcedureSource&) = default;
    };
    /// What a framing element was built from: it is kept while this compares equal.
    using FramingSource = std::variant<std::monostate, AvailabilityCardModel, ProgressSource,
                                       SupportSource, ErrorRowModel, ProcedureSource>;

    /// A framing element.
    struct Entry {
        TranscriptItem item;
        QWidget* widget = nullptr;
        /// What it was built from.
        FramingSource source;
        int height = 0;
        int measuredWidth = -1;
    };
    /// A message row; the message it draws is kept apart (`messages_`), so the pass that
    /// compares a new conversation with the drawn one reads nothing else.
    struct MessageRow {
        QWidget* widget = nullptr;
        /// What the user did in the row once built.
        std::shared_ptr<MessageRowState> state;
        /// Measured at `measuredWidth`; estimated while that is -1.
        int height = 0;
        int measuredWidth = -1;
    };
    /// What the reader looks at, to keep it in place across a change of heights.
    struct Anchor {
        /// latest: the newest message's bottom at the viewport's bottom; bottom: the end of
        /// the list; row: `key`'s row `offset` above the viewport's top; absolute: `offset`.
        enum Mode { latest, bottom, row, absolute } mode = absolute;
        std::string key;
        int offset = 0;
    };

    QWidget* buildFraming(const TranscriptItem& item, const TranscriptState& state);
    void buildRow(std::size_t row);
    static FramingSource framingSource(const TranscriptItem& item, const TranscriptState& state);
    ProcedureSlotContext procedureContext(const TranscriptState& state) const;
    void applyFraming(std::vector<Entry>& entries, const std::vector<TranscriptItem>& items,
                      const TranscriptState& state);
    void applyMessages(const std::vector<VelmoraMessage>& messages);
    void updateRow(std::size_t row, const VelmoraMessage& message);
    int estimateHeight(const VelmoraMessage& message) const;
    void measure(std::size_t row, int width);
    void invalidateFrom(std::size_t row);
    void updateTops();

    int innerWidth() const;
    int rowsTop() const;
    int rowTop(std::size_t row) const { return rowsTop() + tops_[row]; }
    int contentHeight() const;
    /// The scroll position that shows the newest message's bottom at the viewport's bottom.
    int latestValue() const;
    Anchor anchor() const;
    void restore(const Anchor& anchor);
    /// Builds and measures the rows in view, places every built widget and sets the scroll
    /// range, keeping `anchor` in place.
    void relayout(const Anchor& anchor);
    void placeWidgets();
    /// Destroys the rows far from view (posted, never from inside a row's own handler).
    void trimRows();
    void settingsChanged();
    void scrollToLatest(bool reduceMotion);

    TranscriptRowServices services_;
    std::shared_ptr<VelmoraWidgetController> controller_;
    const VelmoraWidgetExperience& experience_;
    std::shared_ptr<VelmoraPlatformSettings> settings_;
    VelmoraPlatformSettings::Subscription settingsSubscription_;

    std::vector<Entry> head_;
    std::vector<MessageRow> rows_;
    /// The message each row draws, by row: contiguous, for the comparison pass.
    std::vector<VelmoraMessage> messages_;
    std::vector<Entry> tail_;
    /// Message id to its row's index (the first row with that id).
    std::unordered_map<std::string, std::size_t> index_;
    /// Each row's top relative to the first row, valid below `topsValid_`.
    std::vector<int> tops_;
    std::size_t topsValid_ = 0;
    /// Indices of the rows that have a widget.
    std::vector<std::size_t> built_;

    bool rowsReduceMotion_ = false;
    double estimateLine_ = 20;
    double estimateChar_ = 7;
    int estimateWidth_ = -1;
    int rowBuilds_ = 0;
    std::size_t lastMessageCount_ = 0;
    VelmoraLoadingState lastLoadingState_ = VelmoraLoadingState::idle;
    bool applied_ = false;
    bool followingLatest_ = false;
    bool inRelayout_ = false;
    std::optional<std::string> lastScrollTarget_;
    QPropertyAnimation* scrollAnimation_ = nullptr;
    RedrawScheduler trim_;
    /// A built row changed its own size (a download started, a field appeared).
    RedrawScheduler remeasure_;
};

} // namespace velmora::detail
