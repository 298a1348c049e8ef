// A procedure step as the service sends it in a snapshot: read into its card, then drawn as the
// card and its calendar are (texts looked up and dates named in the card's own locale), and
// read as a quick action. Nothing here may throw.
#include "velmora/ui/procedure_card.hpp"
#include "fuzz_support.hpp"
#include "velmora/decoding_error.hpp"
#include "views/procedure_calendar_model.hpp"
#include "views/procedure_card_model.hpp"
#include "widget_fixture.hpp"

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parsed = fuzz::json(fuzz::asText(data, size));
    if (!parsed) {
        return 0;
    }
    const JSONValue& json = *parsed;
    if (const auto card = procedureCardFromJSON(json)) {
        (void)detail::procedureCardModel(*card, false, fuzz::panelContext());
        const auto february = *TavrinDateValue::make(2024, 2, 1);
        const auto month = detail::procedureCalendarMonth(*card, february);
        (void)detail::procedureAvailableDates(*card, month);
        (void)detail::procedureCalendarModel(*card, month, false, false, 1, february);
        if (card->calendarMode) {
            (void)detail::procedureCalendarStatusMessage(*card);
        }
    }
    if (const auto action = procedureQuickActionFromJSON(json, "en")) {
        (void)detail::procedureQuickActionsModel({*action}, false, fuzz::panelContext());
    }
    if (const auto* array = json.ifArray()) {
        (void)detail::shownQuickActions(*array, "de");
    }
    return 0;
}
