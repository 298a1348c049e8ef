#pragma once

#include "platform/redraw_scheduler.hpp"
#include "velmora/models.hpp"
#include "velmora/ui/platform_settings.hpp"
#include "velmora/widget_appearance.hpp"
#include "velmora/widget_copy.hpp"
#include "views/attached_content_model.hpp"
#include "views/attachment_export.hpp"
#include "views/message_row_model.hpp"
#ifndef Q_MOC_RUN
#include "views/message_row_state.hpp"
#endif

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora::detail {

class TextBlockView;
class MessageAttachmentView;
class ConversationFormService;

/// One message of the transcript: a bubble at the trailing edge for the visitor's own messages,
/// at the leading edge otherwise, holding the author tag, the text, at most one piece of
/// attached content (the message's form, its commerce result or the note that its form is only
/// available in the chat) and the attachments. As wide
/// as its content, at most as wide as the row. Redraws (coalesced) when its download state or
/// the platform settings change.
///
/// The row keeps its identity for as long as its message id is shown: a new value of the
/// message, a reduced-motion flip or a settings change redraws it in place, and what the user
/// did (form answers, a running download) lives in a `MessageRowState` that the transcript may
/// keep while the row itself is scrolled away.
class VelmoraWidgetMessageRow final : public QWidget {
    Q_OBJECT

public:
    /// How the row is wired to its owner. `state`: where the user's work is kept (the row
    /// keeps its own when null). `followsSettings` false: the owner forwards settings changes
    /// through `settingsChanged()`, so a row costs no subscription of its own.
    struct HandOff {
        std::shared_ptr<AttachmentExporter> exporter;
        std::shared_ptr<ConversationFormService> forms;
        std::shared_ptr<MessageRowState> state;
        bool followsSettings = true;
    };

    /// Without `attachments` (no controller) the row is read-only: nothing downloads. Without
    /// `forms` a message's form is not drawn as a form (the chat-only note or the commerce
    /// result takes its place).
    VelmoraWidgetMessageRow(VelmoraMessage message, VelmoraWidgetAppearance appearance,
                            VelmoraWidgetCopy copy,
                            std::shared_ptr<MessageRowAttachmentService> attachments,
                            std::string locale, bool reduceMotion,
                            std::shared_ptr<VelmoraPlatformSettings> settings,
                            std::shared_ptr<AttachmentExporter> exporter = nullptr,
                            std::shared_ptr<ConversationFormService> forms = nullptr,
                            QWidget* parent = nullptr);
    VelmoraWidgetMessageRow(VelmoraMessage message, VelmoraWidgetAppearance appearance,
                            VelmoraWidgetCopy copy,
                            std::shared_ptr<MessageRowAttachmentService> attachments,
                            std::string locale, bool reduceMotion,
                            std::shared_ptr<VelmoraPlatformSettings> settings, HandOff handOff,
                            QWidget* parent = nullptr);
    ~VelmoraWidgetMessageRow() override;

    /// A new value of the same message: drawn in place, the user's work kept.
    void setMessage(VelmoraMessage message);
    void setReduceMotion(bool reduceMotion);
    /// The platform settings changed (called by an owner that forwards them).
    void settingsChanged();

    const VelmoraMessage& message() const noexcept { return message_; }
    const MessageRowModel& model() const noexcept { return model_; }
    const std::optional<std::string>& downloadingAttachmentId() const noexcept {
        return state_->downloadingAttachmentId;
    }

    /// After the row's height may have changed (its owner measures it again).
    std::function<void()> onSizeChanged;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

    /// The bubble's rectangle at the current width.
    QRect bubbleRect() const;

    /// What sits between the text and the attachments, and the widget drawing it (null for
    /// none, or a commerce result that draws nothing).
    AttachedContentKind attachedContentKind() const noexcept { return attachedKind_; }
    QWidget* attachedContentView() const noexcept { return attachedShown_ ? attached_ : nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MessageRowContext context() const;
    void rebuild();
    void layoutChildren();
    void sizeChanged();
    QSize bubbleSize(int rowWidth) const;
    void download(const VelmoraAttachment& attachment);
    void buildAttachedContent();

    VelmoraMessage message_;
    VelmoraWidgetAppearance appearance_;
    VelmoraWidgetCopy copy_;
    std::shared_ptr<MessageRowAttachmentService> attachments_;
    std::string locale_;
    bool reduceMotion_;
    std::shared_ptr<VelmoraPlatformSettings> settings_;
    std::shared_ptr<AttachmentExporter> exporter_;
    std::shared_ptr<ConversationFormService> forms_;
    bool followsSettings_ = true;
    VelmoraPlatformSettings::Subscription settingsSubscription_;

    std::shared_ptr<MessageRowState> state_;
    MessageRowModel model_;
    QWidget* bubble_ = nullptr;
    TextBlockView* tag_ = nullptr;
    TextBlockView* body_ = nullptr;
    std::vector<MessageAttachmentView*> attachmentViews_;
    AttachedContentKind attachedKind_ = AttachedContentKind::none;
    /// A form keeps its answers across the row's redraws, so it outlives the bubble it sits
    /// in; the other contents are drawn afresh.
    QWidget* attached_ = nullptr;
    bool attachedShown_ = false;
    RedrawScheduler redraw_;
};

} // namespace velmora::detail
