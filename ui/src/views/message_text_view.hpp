#pragma once

#include "platform/color.hpp"

#include <QTextEdit>

#include <functional>
#include <string>

class QLabel;

namespace velmora::detail {

/// The composer's multi-line input: grows with its text from 36 to 120 points, then scrolls;
/// shows a placeholder while empty. Its text and focus are bound two ways: edits and focus
/// changes go out through the callbacks at once; `setText` and `setFocused` bring it in line.
class VelmoraMessageTextView final : public QTextEdit {
public:
    struct Options {
        std::string placeholder;
        VelmoraColor textColor;
        VelmoraColor placeholderColor;
        QFont font;
        bool editable = true;
    };

    explicit VelmoraMessageTextView(const Options& options, QWidget* parent = nullptr);

    /// Replaces the text only when it differs, so the caret stays where it is otherwise.
    void setBoundText(const std::string& text);
    std::string boundText() const;
    /// Takes or gives up the keyboard focus.
    void setFocused(bool focused);
    void applyOptions(const Options& options);

    std::function<void(const std::string&)> onTextChanged;
    std::function<void(bool)> onFocusChanged;

    /// The text plus insets at the measuring width.
    double fittingHeight() const;
    bool scrollEnabled() const noexcept { return scrollEnabled_; }
    bool placeholderShown() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void updateScrollState();
    void refreshPlaceholder();

    QLabel* placeholder_;
    double measuredWidth_ = 0;
    // The last fitting height and the width it was measured at, until the text or options change.
    mutable double fittingWidth_ = -1;
    mutable double fitting_ = 0;
    bool scrollEnabled_ = false;
};

} // namespace velmora::detail
