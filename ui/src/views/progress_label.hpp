#pragma once

#include "views/progress_label_model.hpp"

#include <QWidget>

class QLabel;
class QTimer;

namespace velmora::detail {

/// Shows a `ProgressLabelModel`: the busy text, or a spinning arc in `color`.
class VelmoraProgressLabel final : public QWidget {
public:
    explicit VelmoraProgressLabel(const ProgressLabelModel& model, QWidget* parent = nullptr);
    void apply(const ProgressLabelModel& model);
    void setColor(const QColor& color);

    bool spinnerShown() const noexcept { return model_.showsSpinner; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    ProgressLabelModel model_;
    QLabel* label_;
    QTimer* timer_;
    QColor color_ = QColor(120, 120, 120);
    int angle_ = 0;
};

} // namespace velmora::detail
