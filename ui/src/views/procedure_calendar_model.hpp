#pragma once

#include "velmora/ui/procedure_card.hpp"
#include "views/form_date_field_model.hpp"
#include "views/progress_label_model.hpp"

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace velmora::detail {

/// The month a procedure calendar opens on, and moves to when a card reports another month:
/// the first day of the availability's month, else `fallback`.
TavrinDateValue procedureCalendarMonth(const VelmoraProcedureCard& card,
                                       const TavrinDateValue& fallback);

/// The card answers for `visibleMonth`: its availability is loaded and is of that month.
bool procedureAvailabilityLoaded(const VelmoraProcedureCard& card,
                                 const TavrinDateValue& visibleMonth);

/// The days that may be picked in `visibleMonth` (empty until its availability is loaded);
/// listed texts that are no real date are skipped.
std::set<TavrinDateValue> procedureAvailableDates(const VelmoraProcedureCard& card,
                                                  const TavrinDateValue& visibleMonth);

/// The text under the grid for the card's status code, or empty.
std::string procedureCalendarStatusMessage(const VelmoraProcedureCard& card);

/// Everything the procedure calendar draws.
struct ProcedureCalendarModel {
    std::string title;
    std::string previousLabel;
    std::string nextLabel;
    bool monthButtonsEnabled = true;
    std::vector<std::string> weekdays;
    /// Day identifiers are "velmora.widget.procedure.date.<ISO date>".
    std::vector<std::vector<CalendarDayModel>> weeks;
    /// The loading label while the month's availability is awaited, else the status text.
    std::optional<ProgressLabelModel> loading;
    std::string statusMessage;
    bool loaded = false;
};

ProcedureCalendarModel procedureCalendarModel(const VelmoraProcedureCard& card,
                                              const TavrinDateValue& visibleMonth,
                                              bool actionInFlight, bool reduceMotion,
                                              double textScale,
                                              const std::optional<TavrinDateValue>& today);

/// Remembers a month whose availability request the controller dropped because another action
/// was running, so that it is asked for again once that action ends, as long as the month is
/// still shown and not loaded (otherwise every day of it would stay disabled).
class ProcedureAvailabilityRetry {
public:
    /// The controller was asked for `month`; `dropped` when it was busy and did not take it.
    void asked(const TavrinDateValue& month, bool dropped);
    /// The running action ended: whether to ask for `visibleMonth` again. Forgets the drop.
    bool askAgainAfterAction(const VelmoraProcedureCard& card, const TavrinDateValue& visibleMonth);

private:
    std::optional<TavrinDateValue> dropped_;
};

} // namespace velmora::detail
