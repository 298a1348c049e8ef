#include "views/form_date_field_model.hpp"

#include "velmora/procedure_locale_catalog.hpp"
#include "views/calendar_text.hpp"

namespace velmora::detail {

namespace {

std::string catalogueText(std::string_view locale, const char* key, const char* fallback) {
    if (auto text = WidgetProcedureLocaleCatalog::message(locale, key, {}, std::nullopt))
        return std::move(*text);
    return fallback;
}

TavrinDateValue firstOfMonth(const TavrinDateValue& date) {
    return *TavrinDateValue::make(date.year(), date.month(), 1);
}

} // namespace

CalendarDayModel calendarDayModel(const TavrinCalendarCell& cell) {
    CalendarDayModel day;
    day.date = cell.date;
    day.outsideMonth = cell.outsideMonth;
    if (!cell.date)
        return day;
    day.text = std::to_string(cell.date->day());
    day.accessibleName = cell.date->iso();
    day.enabled = !cell.outsideMonth;
    day.opacity = cell.outsideMonth ? 0.45 : 1.0;
    return day;
}

std::string previousMonthLabel(std::string_view locale) {
    return catalogueText(locale, "procedure.action.records.previous", "previous");
}

std::string nextMonthLabel(std::string_view locale) {
    return catalogueText(locale, "procedure.action.records.next", "next");
}

TavrinDateValue initialVisibleMonth(std::string_view value, const TavrinDateValue& fallback) {
    if (const auto date = TavrinDateValue::fromISO(value))
        return firstOfMonth(*date);
    return firstOfMonth(fallback);
}

TavrinDateValue movedMonth(const TavrinDateValue& visibleMonth, std::int64_t count) {
    if (const auto moved = visibleMonth.addingMonths(count))
        return firstOfMonth(*moved);
    return visibleMonth;
}

FormDateFieldModel formDateFieldModel(std::string_view fieldId, std::string_view value,
                                      std::string_view locale, const TavrinDateValue& visibleMonth,
                                      const std::optional<TavrinDateValue>& today) {
    FormDateFieldModel model;
    model.title = monthTitle(locale, visibleMonth);
    model.previousLabel = previousMonthLabel(locale);
    model.nextLabel = nextMonthLabel(locale);
    model.weekdays = weekdaySymbolsMondayFirst(locale);
    const auto grid =
        TavrinCalendar::createCalendarGrid(visibleMonth, TavrinDateValue::fromISO(value), today, 1,
                                           std::nullopt, std::nullopt, {}, std::nullopt);
    for (const auto& row : grid) {
        std::vector<CalendarDayModel> week;
        for (const auto& cell : row) {
            auto day = calendarDayModel(cell);
            if (day.date)
                day.identifier =
                    "velmora.widget.form.date." + std::string(fieldId) + "." + day.date->iso();
            week.push_back(std::move(day));
        }
        model.weeks.push_back(std::move(week));
    }
    if (!value.empty())
        model.valueText = std::string(value);
    return model;
}

} // namespace velmora::detail
