#include "views/message_text_view.hpp"
#include "platform/qt_child.hpp"

#include "platform/qt_conversions.hpp"
#include "views/message_text_view_model.hpp"

#include <QAbstractTextDocumentLayout>
#include <QLabel>
#include <QScrollBar>
#include <QTextBoundaryFinder>
#include <QTextDocument>

#include <cmath>

namespace velmora::detail {

namespace {
using Sizing = MessageTextViewSizing;

// Wrapping at words measures a line's first word to its end before it breaks it, so a run
// without a break opportunity costs its whole length for each of its lines: a pasted blob of
// 100,000 characters takes seconds to lay out, and again at every keystroke in it. A text with
// a run longer than this breaks its lines anywhere instead, which costs each line only itself.
// No ordinary word or link is that long, so ordinary texts keep wrapping at words.
constexpr qsizetype kLongRun = 1000;

bool hasLongRun(const QString& text) {
    if (text.size() <= kLongRun)
        return false;
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    qsizetype previous = 0;
    for (qsizetype next = breaks.toNextBoundary(); next >= 0; next = breaks.toNextBoundary()) {
        if (next - previous > kLongRun)
            return true;
        previous = next;
    }
    return false;
}
} // namespace

VelmoraMessageTextView::VelmoraMessageTextView(const Options& options, QWidget* parent)
    : QTextEdit(parent), placeholder_(detail::makeQtChild<QLabel>(this)) {
    setObjectName(toQString(messageTextViewIdentifier));
    setAccessibleName(toQString(options.placeholder));
    setAcceptRichText(false);
    setFrameStyle(QFrame::NoFrame);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    document()->setDocumentMargin(0);
    const int inset = static_cast<int>(Sizing::verticalInset);
    setViewportMargins(0, inset, 0, inset);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setLineWrapMode(QTextEdit::WidgetWidth);

    placeholder_->setText(toQString(options.placeholder));
    placeholder_->setAccessibleName(QString());
    placeholder_->setAttribute(Qt::WA_TransparentForMouseEvents);
    placeholder_->move(0, inset);

    // Decided before the document lays the change out.
    QObject::connect(document(), &QTextDocument::contentsChange, this, [this] {
        const QTextOption::WrapMode mode = hasLongRun(toPlainText())
                                               ? QTextOption::WrapAnywhere
                                               : QTextOption::WrapAtWordBoundaryOrAnywhere;
        if (wordWrapMode() != mode)
            setWordWrapMode(mode);
    });
    QObject::connect(this, &QTextEdit::textChanged, this, [this] {
        fittingWidth_ = -1;
        setAccessibleDescription(toPlainText());
        refreshPlaceholder();
        updateScrollState();
        if (onTextChanged)
            onTextChanged(boundText());
    });
    applyOptions(options);
    refreshPlaceholder();
    updateScrollState();
}

void VelmoraMessageTextView::applyOptions(const Options& options) {
    setReadOnly(!options.editable);
    // Read-only text stays selectable.
    setTextInteractionFlags(options.editable
                                ? Qt::TextEditorInteraction
                                : Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFont(options.font);
    document()->setDefaultFont(options.font);
    fittingWidth_ = -1;
    QPalette palette = this->palette();
    palette.setColor(QPalette::Text, toQColor(options.textColor));
    palette.setColor(QPalette::Base, Qt::transparent);
    setPalette(palette);
    placeholder_->setFont(options.font);
    QPalette placeholderPalette = placeholder_->palette();
    placeholderPalette.setColor(QPalette::WindowText, toQColor(options.placeholderColor));
    placeholder_->setPalette(placeholderPalette);
    placeholder_->adjustSize();
    refreshPlaceholder();
    updateScrollState();
}

void VelmoraMessageTextView::setBoundText(const std::string& text) {
    if (boundText() == text)
        return;
    setPlainText(toQString(text));
}

std::string VelmoraMessageTextView::boundText() const {
    return toPlainText().toStdString();
}

void VelmoraMessageTextView::setFocused(bool focused) {
    if (focused && !hasFocus())
        setFocus(Qt::OtherFocusReason);
    else if (!focused && hasFocus())
        clearFocus();
}

bool VelmoraMessageTextView::placeholderShown() const {
    return !placeholder_->isHidden();
}

void VelmoraMessageTextView::refreshPlaceholder() {
    placeholder_->setVisible(placeholderVisible(boundText()));
    if (placeholder_->isVisible() && placeholder_->width() > width())
        placeholder_->resize(width(), placeholder_->height());
}

double VelmoraMessageTextView::fittingHeight() const {
    const double width = Sizing::measuringWidth(measuredWidth_ > 0 ? measuredWidth_ : 0);
    if (width == fittingWidth_)
        return fitting_;
    double textHeight = 0;
    if (document()->textWidth() == width) {
        // The shown document is laid out at that width already (and only again where edited).
        textHeight = document()->size().height();
    } else {
        // Measured on a copy so the shown document keeps its own layout width.
        std::unique_ptr<QTextDocument> probe(document()->clone());
        probe->setDocumentMargin(0);
        probe->setTextWidth(width);
        textHeight = probe->size().height();
    }
    fittingWidth_ = width;
    fitting_ = std::ceil(textHeight) + 2 * Sizing::verticalInset;
    return fitting_;
}

void VelmoraMessageTextView::updateScrollState() {
    const double fitting = fittingHeight();
    scrollEnabled_ = Sizing::scrollEnabled(fitting);
    setVerticalScrollBarPolicy(scrollEnabled_ ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    const int height = static_cast<int>(std::ceil(Sizing::height(fitting)));
    if (this->height() != height)
        setFixedHeight(height);
    updateGeometry();
}

QSize VelmoraMessageTextView::sizeHint() const {
    return {static_cast<int>(Sizing::fallbackWidth),
            static_cast<int>(std::ceil(Sizing::height(fittingHeight())))};
}

QSize VelmoraMessageTextView::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

void VelmoraMessageTextView::resizeEvent(QResizeEvent* event) {
    QTextEdit::resizeEvent(event);
    if (Sizing::needsRemeasure(viewport()->width(), measuredWidth_)) {
        measuredWidth_ = viewport()->width();
        updateScrollState();
    }
}

void VelmoraMessageTextView::focusInEvent(QFocusEvent* event) {
    QTextEdit::focusInEvent(event);
    if (onFocusChanged)
        onFocusChanged(true);
}

void VelmoraMessageTextView::focusOutEvent(QFocusEvent* event) {
    QTextEdit::focusOutEvent(event);
    if (onFocusChanged)
        onFocusChanged(false);
}

} // namespace velmora::detail
