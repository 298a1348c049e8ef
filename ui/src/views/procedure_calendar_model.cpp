#include "views/procedure_calendar_model.hpp"

#include "velmora/procedure_locale_catalog.hpp"
#include "views/calendar_text.hpp"

namespace velmora::detail {

namespace {

std::string cardText(const VelmoraProcedureCard& card, const char* key) {
    return WidgetProcedureLocaleCatalog::message(card.locale.value_or("en"), key, {},
                                                 card.procedureRevision)
        .value_or("");
}

} // namespace

TavrinDateValue procedureCalendarMonth(const VelmoraProcedureCard& card,
                                       const TavrinDateValue& fallback) {
    if (card.dateAvailability)
        if (const auto first = TavrinDateValue::fromISO(card.dateAvailability->month + "-01"))
            return *first;
    return fallback;
}

bool procedureAvailabilityLoaded(const VelmoraProcedureCard& card,
                                 const TavrinDateValue& visibleMonth) {
    return card.calendarAvailabilityLoaded && card.dateAvailability &&
           card.dateAvailability->month == visibleMonth.monthISO();
}

std::set<TavrinDateValue> procedureAvailableDates(const VelmoraProcedureCard& card,
                                                  const TavrinDateValue& visibleMonth) {
    std::set<TavrinDateValue> dates;
    if (!procedureAvailabilityLoaded(card, visibleMonth))
        return dates;
    for (const auto& text : card.dateAvailability->availableDates)
        if (const auto date = TavrinDateValue::fromISO(text))
            dates.insert(*date);
    return dates;
}

std::string procedureCalendarStatusMessage(const VelmoraProcedureCard& card) {
    if (!card.statusCode)
        return {};
    const std::string& code = *card.statusCode;
    if (code == "action_month_no_availability")
        return cardText(card, "procedure.action.status.action_month_no_availability");
    if (code == "action_availability_unavailable")
        return cardText(card, "procedure.action.date_picker_unavailable");
    if (code == "action_no_availability")
        return cardText(card, "procedure.action.status.action_no_availability");
    return {};
}

ProcedureCalendarModel procedureCalendarModel(const VelmoraProcedureCard& card,
                                              const TavrinDateValue& visibleMonth,
                                              bool actionInFlight, bool reduceMotion,
                                              double textScale,
                                              const std::optional<TavrinDateValue>& today) {
    const std::string locale = card.locale.value_or("en");
    ProcedureCalendarModel model;
    model.title = monthTitle(locale, visibleMonth);
    model.previousLabel = cardText(card, "procedure.action.records.previous");
    model.nextLabel = cardText(card, "procedure.action.records.next");
    model.monthButtonsEnabled = !actionInFlight;
    model.weekdays = weekdaySymbolsMondayFirst(locale);
    model.loaded = procedureAvailabilityLoaded(card, visibleMonth);
    const auto grid = TavrinCalendar::createCalendarGrid(
        visibleMonth, std::nullopt, today, 1, std::nullopt, std::nullopt, {},
        procedureAvailableDates(card, visibleMonth));
    for (const auto& row : grid) {
        std::vector<CalendarDayModel> week;
        for (const auto& cell : row) {
            auto day = calendarDayModel(cell);
            if (day.date) {
                day.identifier = "velmora.widget.procedure.date." + day.date->iso();
                // An available day of a neighbouring month may be picked too.
                day.enabled = !cell.disabled && model.loaded && !actionInFlight;
            }
            week.push_back(std::move(day));
        }
        model.weeks.push_back(std::move(week));
    }
    if (actionInFlight && !model.loaded) {
        model.loading = progressLabelModel(cardText(card, "procedure.action.loading_availability"),
                                           reduceMotion, textScale);
        model.loading->objectName = "velmora.widget.procedure.loading";
    } else {
        model.statusMessage = procedureCalendarStatusMessage(card);
    }
    return model;
}

void ProcedureAvailabilityRetry::asked(const TavrinDateValue& month, bool dropped) {
    if (dropped)
        dropped_ = month;
    else
        dropped_.reset();
}

bool ProcedureAvailabilityRetry::askAgainAfterAction(const VelmoraProcedureCard& card,
                                                     const TavrinDateValue& visibleMonth) {
    const bool again = dropped_ == visibleMonth && !procedureAvailabilityLoaded(card, visibleMonth);
    dropped_.reset();
    return again;
}

} // namespace velmora::detail
