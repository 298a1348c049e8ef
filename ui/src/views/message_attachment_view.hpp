#pragma once

#include "platform/text_block.hpp"
#include "views/message_row_model.hpp"

#include <QAbstractButton>

namespace velmora::detail {

/// One attachment of a message row: a download button (with its progress look) or a plain
/// label, as its model says. A label is not clickable and takes no focus.
class MessageAttachmentView final : public QAbstractButton {
    Q_OBJECT

public:
    explicit MessageAttachmentView(const AttachmentModel& model, QWidget* parent = nullptr);
    const AttachmentModel& model() const noexcept { return model_; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    int naturalWidth(int maxWidth) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double textWidth(int width) const;
    AttachmentModel model_;
    mutable TextBlock title_;
};

} // namespace velmora::detail
