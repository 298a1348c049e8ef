#include "views/procedure_details_view.hpp"

#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "platform/size_policy.hpp"
#include "views/procedure_view_context.hpp"

#include <QLabel>
#include <QVBoxLayout>

namespace velmora::detail {

namespace {

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
        lines->addWidget(procedureText(detail.label, look.captionFont, look.text));
        if (detail.valueLine)
            lines->addWidget(procedureText(*detail.valueLine, look.bodyFont, look.text));
        for (const auto& record : detail.records) {
            auto* recordBlock = makeQtChild<QWidget>();
            auto* recordLines = column(recordBlock, 2);
            recordLines->setContentsMargins(8, 0, 0, 0);
            recordLines->addWidget(procedureText(record.title, look.captionFont, look.text));
            if (record.subtitle)
                recordLines->addWidget(procedureText(*record.subtitle, look.bodyFont, look.text));
            for (const auto& line : record.lines)
                recordLines->addWidget(procedureText(line, look.bodyFont, look.text));
            lines->addWidget(recordBlock);
        }
        layout->addWidget(block);
    }
}

} // namespace velmora::detail
