#pragma once

#include <QWidget>

// moc cannot parse the standard library headers the commerce types bring in.
#ifndef Q_MOC_RUN
#include "views/commerce_message_model.hpp"
#endif

namespace velmora::detail {

/// A message's commerce result, read-only: a store choice, an order list or one order in
/// detail, under a separator line. A result that does not parse draws nothing and takes no
/// space.
class VelmoraCommerceMessageView final : public QWidget {
    Q_OBJECT

public:
    VelmoraCommerceMessageView(const JSONValue& result, const CommerceTextContext& context,
                               QWidget* parent = nullptr);

    const CommerceMessageModel& model() const noexcept { return model_; }
    /// Every text shown, top to bottom (for tests and the accessible description).
    std::vector<std::string> texts() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CommerceMessageModel model_;
    /// Where the separators go: the top edge and the top of each section.
    std::vector<QWidget*> dividedBlocks_;
};

} // namespace velmora::detail
