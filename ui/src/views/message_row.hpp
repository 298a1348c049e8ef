#pragma once

#include "platform/redraw_scheduler.hpp"
#include "velmora/models.hpp"
#include "velmora/ui/platform_settings.hpp"
#include "velmora/widget_appearance.hpp"
#include "velmora/widget_copy.hpp"
#include "views/attachment_export.hpp"
#include "views/message_row_model.hpp"

#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora::detail {

class TextBlockView;
class MessageAttachmentView;

/// One message of the transcript: a bubble at the trailing edge for the visitor's own messages,
/// at the leading edge otherwise, holding the author tag, the text and the attachments. As wide
/// as its content, at most as wide as the row. Redraws (coalesced) when its download state or
/// the platform settings change.
class VelmoraWidgetMessageRow final : public QWidget {
    Q_OBJECT

public:
    /// Without `attachments` (no controller) the row is read-only: nothing downloads.
    VelmoraWidgetMessageRow(VelmoraMessage message, VelmoraWidgetAppearance appearance,
                            VelmoraWidgetCopy copy,
                            std::shared_ptr<MessageRowAttachmentService> attachments,
                            std::string locale, bool reduceMotion,
                            std::shared_ptr<VelmoraPlatformSettings> settings,
                            std::shared_ptr<AttachmentExporter> exporter = nullptr,
                            QWidget* parent = nullptr);
    ~VelmoraWidgetMessageRow() override;

    const MessageRowModel& model() const noexcept { return model_; }
    const std::optional<std::string>& downloadingAttachmentId() const noexcept {
        return downloadingAttachmentId_;
    }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

    /// The bubble's rectangle at the current width.
    QRect bubbleRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    MessageRowContext context() const;
    void rebuild();
    void layoutChildren();
    QSize bubbleSize(int rowWidth) const;
    void download(const VelmoraAttachment& attachment);

    VelmoraMessage message_;
    VelmoraWidgetAppearance appearance_;
    VelmoraWidgetCopy copy_;
    std::shared_ptr<MessageRowAttachmentService> attachments_;
    std::string locale_;
    bool reduceMotion_;
    std::shared_ptr<VelmoraPlatformSettings> settings_;
    std::shared_ptr<AttachmentExporter> exporter_;
    VelmoraPlatformSettings::Subscription settingsSubscription_;

    std::optional<std::string> downloadingAttachmentId_;
    MessageRowModel model_;
    QWidget* bubble_ = nullptr;
    TextBlockView* tag_ = nullptr;
    TextBlockView* body_ = nullptr;
    std::vector<MessageAttachmentView*> attachmentViews_;
    RedrawScheduler redraw_;
};

} // namespace velmora::detail
