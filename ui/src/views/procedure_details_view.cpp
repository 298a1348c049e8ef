#include "views/procedure_details_view.hpp"

#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "platform/size_policy.hpp"
#include "views/text_block_view.hpp"

#include <QVBoxLayout>

namespace velmora::detail {

namespace {

TextBlockView* textLine(const std::string& text, const VelmoraFontSpec& font,
                        const VelmoraColor& color) {
    auto* view = makeQtChild<TextBlockView>();
    view->apply(toQString(text), toQFont(font), toQColor(color), 0);
    view->setSizePolicy(heightForWidthPolicy(QSizePolicy::Preferred));
    return view;
}

QVBoxLayout* column(QWidget* owner, int spacing) {
    auto* layout = makeQtChild<QVBoxLayout>(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

} // namespace

ProcedureConfirmationDetailsView::ProcedureConfirmationDetailsView(
    const std::vector<ProcedureDetailModel>& details, const ProcedureCardModel& look,
    QWidget* parent)
    : QWidget(parent) {
    setSizePolicy(heightForWidthPolicy(QSizePolicy::Preferred));
    auto* layout = column(this, 6);
    for (const auto& detail : details) {
        auto* block = makeQtChild<QWidget>();
        auto* lines = column(block, 2);
        lines->addWidget(textLine(detail.label, look.captionFont, look.text));
        if (detail.valueLine)
            lines->addWidget(textLine(*detail.valueLine, look.bodyFont, look.text));
        for (const auto& record : detail.records) {
            auto* recordBlock = makeQtChild<QWidget>();
            auto* recordLines = column(recordBlock, 2);
            recordLines->setContentsMargins(8, 0, 0, 0);
            recordLines->addWidget(textLine(record.title, look.captionFont, look.text));
            if (record.subtitle)
                recordLines->addWidget(textLine(*record.subtitle, look.bodyFont, look.text));
            for (const auto& line : record.lines)
                recordLines->addWidget(textLine(line, look.bodyFont, look.text));
            lines->addWidget(recordBlock);
        }
        layout->addWidget(block);
    }
}

} // namespace velmora::detail
