#pragma once

#include "views/procedure_card_model.hpp"

#include <QWidget>

namespace velmora::detail {

/// The confirmation details of a procedure step: each shown detail's label, its value line and
/// its records, in the card's text colour. Sends nothing.
class ProcedureConfirmationDetailsView final : public QWidget {
    Q_OBJECT

public:
    ProcedureConfirmationDetailsView(const std::vector<ProcedureDetailModel>& details,
                                     const ProcedureCardModel& look, QWidget* parent = nullptr);
};

} // namespace velmora::detail
