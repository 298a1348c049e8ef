#pragma once

#include "velmora/ui/platform_settings.hpp"
#include "views/availability_model.hpp"
#include "views/error_row_model.hpp"
#include "views/transcript_model.hpp"

#include <QScrollArea>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QPropertyAnimation;

namespace velmora {
class VelmoraWidgetController;
}

namespace velmora::detail {

class MessageRowAttachmentService;
class ConversationFormService;

struct ProcedureSlotContext;
class AttachmentExporter;

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

/// The messages screen: a vertical list of the conversation framed by the availability card,
/// the working indicator, the procedure's place, the support banner, the loading row and the
/// error row, kept scrolled to the newest message.
///
/// Rows are keyed by message id: a redraw builds a row only for a message that is new or whose
/// content changed (or for all of them when reduced motion flips); every other row, with its
/// measured height, is kept. The list is laid out by hand from those cached heights, so one
/// more message costs one row, not a pass over the whole conversation.
class TranscriptView final : public QScrollArea {
    Q_OBJECT

public:
    TranscriptView(std::shared_ptr<VelmoraWidgetController> controller,
                   const VelmoraWidgetExperience& experience,
                   std::shared_ptr<VelmoraPlatformSettings> settings, QWidget* parent = nullptr);
    ~TranscriptView() override;

    void apply(const TranscriptState& state);

    /// Message rows built so far (a row built again counts again).
    int rowBuilds() const noexcept { return rowBuilds_; }
    /// The widget drawing the element with this key (a message id, "loading", "error", ...).
    QWidget* itemWidget(const std::string& key) const;
    /// The keys shown, top to bottom.
    std::vector<std::string> keys() const;
    /// Where a scroll is heading (the newest message), once one has been asked for.
    const std::optional<std::string>& lastScrollTarget() const noexcept {
        return lastScrollTarget_;
    }
    /// Lays out now (a redraw lays out on its own; for measurements).
    void layoutNow();

    std::function<void()> onRetry;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        TranscriptItem item;
        QWidget* widget = nullptr;
        /// What the widget was built from: the message, or a text standing for the model.
        std::optional<VelmoraMessage> message;
        std::string signature;
        int measuredWidth = -1;
        int measuredHeight = 0;
    };

    QWidget* buildItem(const TranscriptItem& item, const TranscriptState& state,
                       const VelmoraMessage* message);
    static std::string signature(const TranscriptItem& item, const TranscriptState& state);
    ProcedureSlotContext procedureContext(const TranscriptState& state) const;
    void relayout();
    void scrollToLatest(bool reduceMotion);

    std::shared_ptr<VelmoraWidgetController> controller_;
    const VelmoraWidgetExperience& experience_;
    std::shared_ptr<VelmoraPlatformSettings> settings_;
    std::shared_ptr<MessageRowAttachmentService> attachments_;
    std::shared_ptr<ConversationFormService> forms_;
    QWidget* content_;
    std::vector<Entry> entries_;
    bool rowsReduceMotion_ = false;
    int rowBuilds_ = 0;
    std::size_t lastMessageCount_ = 0;
    VelmoraLoadingState lastLoadingState_ = VelmoraLoadingState::idle;
    bool applied_ = false;
    std::optional<std::string> lastScrollTarget_;
    QPropertyAnimation* scrollAnimation_ = nullptr;
};

} // namespace velmora::detail
