#pragma once

#include "views/panel_header_model.hpp"
#include "views/progress_label_model.hpp"

#include <QWidget>

#include <functional>

namespace velmora::detail {

/// The panel's top band: brand mark, title and subtitle (or the home greeting and question),
/// voice and close controls, the voice status line and a hairline. Rebuilt whenever its model
/// changes; its controls only report taps.
class PanelHeaderView final : public QWidget {
    Q_OBJECT

public:
    explicit PanelHeaderView(QWidget* parent = nullptr);
    /// Shows `model`; nothing happens when it equals the shown one.
    void apply(const PanelHeaderModel& model, double textScale, bool reduceMotion);
    const PanelHeaderModel& model() const noexcept { return model_; }

    std::function<void(HeaderButtonModel::Action)> onVoiceAction;
    std::function<void()> onClose;
    std::function<void()> onTitleTapped;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitHeight();
    void rebuild(double textScale, bool reduceMotion);

    PanelHeaderModel model_;
    bool built_ = false;
    bool reduceMotion_ = false;
    QWidget* content_ = nullptr;
    QWidget* textArea_ = nullptr;
};

/// The brand mark: a round badge with a speech bubble and three dots.
class BrandMarkView final : public QWidget {
public:
    BrandMarkView(double size, const QColor& surface, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double size_;
    QColor surface_;
};

} // namespace velmora::detail
