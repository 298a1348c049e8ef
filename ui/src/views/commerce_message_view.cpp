#include "views/commerce_message_view.hpp"

#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "views/bounded_text_view.hpp"
#include "views/content_symbol.hpp"
#include "views/text_block_view.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace velmora::detail {

namespace {

// Amounts stand alone at the trailing edge, so their digits need no fixed advance (Qt 6.4
// offers no font feature switch for them).
QFont textFont(const CommerceText& text) {
    return toQFont(text.font);
}

TextBlockView* makeText(const CommerceText& text, QWidget* parent) {
    auto* view = makeQtChild<TextBlockView>(parent);
    view->apply(boundedText(text.text, text_bounds::bodyCharacters), textFont(text),
                toQColor(text.color), 0);
    view->setAccessibleName(toQString(text.text));
    return view;
}

constexpr int topPadding = 8;

} // namespace

VelmoraCommerceMessageView::VelmoraCommerceMessageView(const JSONValue& result,
                                                       const CommerceTextContext& context,
                                                       QWidget* parent)
    : QWidget(parent), model_(commerceMessageModel(result, context)) {
    setObjectName("velmora.widget.commerce");
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    auto* stack = makeQtChild<QVBoxLayout>(this);
    stack->setSpacing(0);
    if (model_.blocks.empty()) {
        stack->setContentsMargins(0, 0, 0, 0);
        setVisible(false);
        return;
    }
    stack->setContentsMargins(0, topPadding, 0, 0);
    std::string description;
    for (const auto& block : model_.blocks) {
        if (block.spacingBefore > 0)
            stack->addSpacing(static_cast<int>(std::round(block.spacingBefore)));
        auto* row = makeQtChild<QWidget>(this);
        auto* line = makeQtChild<QHBoxLayout>(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(8);
        if (block.parcelIcon)
            line->addWidget(makeQtChild<ContentSymbolView>(ContentSymbol::parcel, 20, QSize(44, 44),
                                                           toQColor(block.texts.front().color),
                                                           row),
                            0, Qt::AlignTop);
        QBoxLayout* texts = block.sideBySide ? static_cast<QBoxLayout*>(makeQtChild<QHBoxLayout>())
                                             : makeQtChild<QVBoxLayout>();
        texts->setContentsMargins(0, 0, 0, 0);
        texts->setSpacing(static_cast<int>(std::round(block.textSpacing)));
        for (const auto& text : block.texts) {
            texts->addWidget(makeText(text, row), block.sideBySide ? 1 : 0);
            if (!description.empty())
                description += '\n';
            description += text.text;
        }
        line->addLayout(texts, 1);
        if (block.trailing) {
            // Beside the texts on one line: a few characters, whatever the service sends.
            auto* amount = makeQtChild<QLabel>(
                boundedText(block.trailing->text, text_bounds::inlineCharacters), row);
            amount->setTextFormat(Qt::PlainText);
            amount->setFont(textFont(*block.trailing));
            QPalette palette = amount->palette();
            palette.setColor(QPalette::WindowText, toQColor(block.trailing->color));
            amount->setPalette(palette);
            line->addWidget(amount, 0, Qt::AlignTop);
            description += ' ' + block.trailing->text;
        }
        if (!block.accessibleName.empty())
            row->setAccessibleName(toQString(block.accessibleName));
        if (block.dividerAbove)
            dividedBlocks_.push_back(row);
        stack->addWidget(row);
    }
    // One element for assistive technology, reading every line in order.
    setAccessibleName(toQString(description));
}

std::vector<std::string> VelmoraCommerceMessageView::texts() const {
    std::vector<std::string> out;
    for (const auto& block : model_.blocks) {
        for (const auto& text : block.texts)
            out.push_back(text.text);
        if (block.trailing)
            out.push_back(block.trailing->text);
    }
    return out;
}

int VelmoraCommerceMessageView::heightForWidth(int width) const {
    if (model_.blocks.empty())
        return 0;
    return layout()->totalHeightForWidth(width);
}

QSize VelmoraCommerceMessageView::sizeHint() const {
    return model_.blocks.empty() ? QSize(0, 0) : QWidget::sizeHint();
}

void VelmoraCommerceMessageView::paintEvent(QPaintEvent*) {
    if (model_.blocks.empty())
        return;
    QPainter painter(this);
    QColor line = palette().color(QPalette::WindowText);
    if (!model_.blocks.front().texts.empty())
        line = toQColor(model_.blocks.front().texts.front().color);
    line.setAlphaF(0.25);
    painter.setPen(QPen(line, 1));
    painter.drawLine(QPointF(0, 0.5), QPointF(width(), 0.5));
    // A section's separator lies over its top edge, inside its top padding.
    for (QWidget* block : dividedBlocks_) {
        const double y = block->geometry().top() - 6 + 0.5;
        painter.drawLine(QPointF(0, y), QPointF(width(), y));
    }
}

} // namespace velmora::detail
