#pragma once

#include "views/composer_model.hpp"

#include <QWidget>

#include <functional>
#include <string>

class QHBoxLayout;
class QScrollArea;

namespace velmora::detail {

class VelmoraMessageTextView;
class PanelIconButton;

/// The messages screen's bottom band: pending files as chips, the text input, the file button
/// and the send button. The text and files are the controller's; every edit and tap goes out
/// through the callbacks at once. The input persists across redraws (it keeps focus and caret).
class ComposerView final : public QWidget {
    Q_OBJECT

public:
    explicit ComposerView(QWidget* parent = nullptr);
    void apply(const ComposerModel& model, const std::string& draft, const QFont& inputFont);
    const ComposerModel& model() const noexcept { return model_; }
    VelmoraMessageTextView* input() const noexcept { return input_; }

    std::function<void(const std::string&)> onDraftChanged;
    std::function<void(bool)> onFocusChanged;
    std::function<void(const std::string& attachmentId)> onRemoveAttachment;
    std::function<void()> onAddAttachment;
    std::function<void()> onSend;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuildChips();

    ComposerModel model_;
    bool built_ = false;
    QScrollArea* strip_ = nullptr;
    QWidget* chips_ = nullptr;
    VelmoraMessageTextView* input_ = nullptr;
    PanelIconButton* attach_ = nullptr;
    PanelIconButton* send_ = nullptr;
    QWidget* inputBlock_ = nullptr;
};

} // namespace velmora::detail
