#pragma once

#include "platform/redraw_scheduler.hpp"
#include "velmora/ui/observation.hpp"
#include "views/procedure_card_model.hpp"
#include "views/procedure_view_context.hpp"

#include <QWidget>

class QVBoxLayout;

namespace velmora::detail {

class ProcedureCalendarView;

/// The current step of a procedure run as a bordered card: title, prompt, the choices or the
/// calendar, the busy label, the confirmation details, back, confirm and decline, the checkout
/// link and the expiry note. Every tap is one procedure action sent through the controller with
/// the card as drawn; the answer arrives later as a new card (`setCard`).
class ProcedureCardView final : public QWidget {
    Q_OBJECT

public:
    ProcedureCardView(VelmoraProcedureCard card, ProcedureViewContext context,
                      QWidget* parent = nullptr);
    ~ProcedureCardView() override;

    /// The next step of the run. A calendar already shown stays, with its month.
    void setCard(VelmoraProcedureCard card, ProcedureViewContext context);
    const VelmoraProcedureCard& card() const noexcept { return card_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuild();

    VelmoraProcedureCard card_;
    ProcedureViewContext context_;
    ProcedureCardModel model_;
    QVBoxLayout* layout_;
    ProcedureCalendarView* calendar_ = nullptr;
    RedrawScheduler redraw_{this, [this] { rebuild(); }};
    VelmoraObservation observation_;
};

} // namespace velmora::detail
