#pragma once

#include "platform/redraw_scheduler.hpp"
#include "velmora/ui/observation.hpp"
#include "views/procedure_view_context.hpp"
// moc cannot parse the standard library headers the calendar types bring in.
#ifndef Q_MOC_RUN
#include "views/procedure_calendar_model.hpp"
#endif

#include <QWidget>

class QVBoxLayout;

namespace velmora::detail {

/// The date picker of a procedure step: one month at a time, paged with two chevrons, where only
/// the days the service reported available for the shown month can be picked. It asks the
/// controller for the availability of every month it shows ("availability"), and a picked day
/// is sent as "calendar_date". A request the controller dropped because another action ran is
/// asked again once that action ends, while its month is still shown and not loaded.
class ProcedureCalendarView final : public QWidget {
    Q_OBJECT

public:
    ProcedureCalendarView(VelmoraProcedureCard card, ProcedureViewContext context,
                          QWidget* parent = nullptr);

    /// A new card of the same step: when it reports another month, that month is shown.
    void setCard(VelmoraProcedureCard card, ProcedureViewContext context);
    const TavrinDateValue& visibleMonth() const noexcept { return visibleMonth_; }
    const ProcedureCalendarModel& model() const noexcept { return model_; }
    void moveMonth(std::int64_t count);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void rebuild();
    void requestAvailabilityIfNeeded();
    void askFor(const TavrinDateValue& month);

    VelmoraProcedureCard card_;
    ProcedureViewContext context_;
    TavrinDateValue visibleMonth_;
    ProcedureCalendarModel model_;
    ProcedureAvailabilityRetry retry_;
    bool wasInFlight_ = false;
    QWidget* content_ = nullptr;
    QVBoxLayout* layout_;
    RedrawScheduler redraw_{this, [this] { rebuild(); }};
    VelmoraObservation observation_;
};

} // namespace velmora::detail
