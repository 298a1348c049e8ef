#include "views/form_multi_select.hpp"

#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "views/bounded_text_view.hpp"
#include "views/content_symbol.hpp"
#include "views/conversation_form_model.hpp"

#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace velmora::detail {

namespace {
constexpr int symbolColumn = 28;
constexpr int verticalPadding = 8;
} // namespace

FormOptionRow::FormOptionRow(const QString& text, QWidget* parent) : QAbstractButton(parent) {
    // An option from the service: a bounded label, the whole text announced.
    setText(boundedText(text, text_bounds::labelCharacters));
    setAccessibleName(text);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

int FormOptionRow::heightForWidth(int width) const {
    const QRect bounds = fontMetrics().boundingRect(
        QRect(0, 0, std::max(1, width - symbolColumn), 100000), Qt::TextWordWrap, text());
    return std::max(44, bounds.height() + 2 * verticalPadding);
}

QSize FormOptionRow::sizeHint() const {
    return {symbolColumn + fontMetrics().horizontalAdvance(text()), 44};
}

void FormOptionRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor color = palette().color(QPalette::WindowText);
    if (isDown())
        painter.setOpacity(0.6);
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    const QRectF symbolRect(rightToLeft ? width() - symbolColumn : 0, 0, symbolColumn, height());
    paintContentSymbol(painter, isChecked() ? ContentSymbol::checkedSquare : ContentSymbol::square,
                       symbolRect, 18, color);
    painter.setPen(color);
    const QRect textRect(rightToLeft ? 0 : symbolColumn, 0, width() - symbolColumn, height());
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeading | Qt::TextWordWrap, text());
}

VelmoraFormMultiSelectView::VelmoraFormMultiSelectView(std::vector<std::string> options,
                                                       const std::string& fieldName,
                                                       const std::string& locale,
                                                       std::set<std::string> selection,
                                                       QWidget* parent)
    : QWidget(parent), options_(std::move(options)), selection_(std::move(selection)) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    auto* stack = makeQtChild<QVBoxLayout>(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(4);
    if (options_.size() >= optionSearchThreshold) {
        search_ = makeQtChild<QLineEdit>(this);
        const QString title = toQString(optionSearchTitle(locale, fieldName));
        search_->setPlaceholderText(title);
        search_->setAccessibleName(title);
        search_->setMinimumHeight(44);
        search_->setClearButtonEnabled(true);
        connect(search_, &QLineEdit::textChanged, this, [this] { applyFilter(); });
        stack->addWidget(search_);
    }
    for (const auto& option : options_) {
        // Options are told apart by their text: a repeated text is the same choice.
        if (std::find(rowOptions_.begin(), rowOptions_.end(), option) != rowOptions_.end())
            continue;
        auto* row = makeQtChild<FormOptionRow>(toQString(option), this);
        connect(row, &QAbstractButton::clicked, this, [this, option] {
            if (!selection_.erase(option))
                selection_.insert(option);
            applySelection();
            if (onSelectionChanged)
                onSelectionChanged(selection_);
        });
        stack->addWidget(row);
        rowOptions_.push_back(option);
        rows_.push_back(row);
    }
    applySelection();
}

void VelmoraFormMultiSelectView::setSelection(std::set<std::string> selection) {
    if (selection == selection_)
        return;
    selection_ = std::move(selection);
    applySelection();
}

void VelmoraFormMultiSelectView::applySelection() {
    for (std::size_t index = 0; index < rows_.size(); ++index)
        rows_[index]->setChecked(selection_.contains(rowOptions_[index]));
}

void VelmoraFormMultiSelectView::applyFilter() {
    const auto shown = filteredOptions(rowOptions_, search_ ? search_->text().toStdString() : "");
    for (std::size_t index = 0; index < rows_.size(); ++index)
        rows_[index]->setVisible(std::find(shown.begin(), shown.end(), rowOptions_[index]) !=
                                 shown.end());
    updateGeometry();
}

int VelmoraFormMultiSelectView::heightForWidth(int width) const {
    return layout()->totalHeightForWidth(width);
}

} // namespace velmora::detail
