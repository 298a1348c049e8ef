#pragma once

#include "views/availability_model.hpp"
#include "views/error_row_model.hpp"

#include <QWidget>

#include <functional>

namespace velmora::detail {

class TextBlockView;
class VelmoraStyledButton;

/// The error row: a warning and, for a retryable failure, the retry button.
class ErrorRowView final : public QWidget {
    Q_OBJECT

public:
    explicit ErrorRowView(const ErrorRowModel& model, QWidget* parent = nullptr);
    VelmoraStyledButton* retryButton() const noexcept { return retry_; }
    std::function<void()> onRetry;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    ErrorRowModel model_;
    TextBlockView* label_;
    VelmoraStyledButton* retry_ = nullptr;
};

/// Who answers now and how soon: a coloured dot, the status and the reply time.
class AvailabilityCardView final : public QWidget {
    Q_OBJECT

public:
    explicit AvailabilityCardView(const AvailabilityCardModel& model, QWidget* parent = nullptr);
    const AvailabilityCardModel& model() const noexcept { return model_; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    AvailabilityCardModel model_;
    TextBlockView* status_;
    TextBlockView* reply_;
};

/// A muted line with a person badge: who is answering in the conversation.
class SupportBannerView final : public QWidget {
    Q_OBJECT

public:
    SupportBannerView(const std::string& text, const VelmoraFontSpec& font, VelmoraColor color,
                      QWidget* parent = nullptr);
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TextBlockView* label_;
    QColor color_;
};

} // namespace velmora::detail
