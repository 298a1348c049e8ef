// Locale texts as a hostile service, host or design document sends them, through every place a
// locale reaches ICU or the text catalogue. ICU crashed on some of these before they were checked.
#include "velmora/procedure_locale_catalog.hpp"
#include "velmora/ui/procedure_card.hpp"
#include "views/availability_model.hpp"
#include "views/calendar_text.hpp"
#include "views/commerce_message_model.hpp"
#include "views/form_date_field_model.hpp"
#include "views/procedure_calendar_model.hpp"
#include "views/weekday_header.hpp"

#include "fixtures.hpp"

#include <gtest/gtest.h>

#include <chrono>

namespace velmora {
namespace {

using namespace detail;

// The texts that crashed ICU or that no language tag may hold.
std::vector<std::string> hostileLocales() {
    return {
        "simplifiedchinese", // a first subtag of 12 or more letters
        "/zoneinfo/en",      // an ICU data path
        "../../etc",
        std::string(1000, 'a'),  // a 1,000-letter tag
        std::string("en\0x", 4), // a NUL inside
        "\xff\xfe",              // invalid UTF-8
        "en-US\xc3",             // a valid tag followed by a broken sequence
        "en@calendar=buddhist",  // an ICU keyword
        "en.UTF-8",              // a POSIX locale name
        "",                      // empty
        "zh-Hant-TW-abcdefghi",  // an over-long subtag
        "en--US",                // an empty subtag
        "en-" + std::string(70, 'a').replace(8, 1, "-"), // over the total length
    };
}

VelmoraProcedureCard calendarCard(std::string locale) {
    auto card = *procedureCardFromJSON(decodeJSON<JSONValue>(
        R"({"procedureId":"book-visit","runId":"wr_1","calendarMode":true})"));
    card.locale = std::move(locale);
    return card;
}

VelmoraWidgetAvailability onlineTeam() {
    return fixtures::availability(VelmoraWidgetAvailabilityState::teamOnline, 10,
                                  VelmoraWidgetReplyExpectationSource::unavailable);
}

TEST(HostileLocaleTest, EveryLocaleEntryPointFallsBackToEnglishTextsOrNoText) {
    using namespace std::chrono;
    const auto march = *TavrinDateValue::make(2024, 3, 1);
    const Date instant = sys_days{2024y / March / 5} + 10h;
    const std::vector<std::string> english = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    const auto copy = fixtures::experience("en").copy;
    ASSERT_FALSE(availabilityMessage(onlineTeam(), "en").empty());

    for (const auto& locale : hostileLocales()) {
        SCOPED_TRACE(testing::PrintToString(locale));
        // Calendar titles and weekdays, directly and through both calendars.
        EXPECT_EQ(weekdaySymbolsMondayFirst(locale), english);
        EXPECT_EQ(monthTitle(locale, march), "March 2024");
        EXPECT_EQ(mediumDate(locale, instant, "UTC"), "Mar 5, 2024");
        const auto procedure =
            procedureCalendarModel(calendarCard(locale), march, false, false, 1, std::nullopt);
        EXPECT_EQ(procedure.title, "March 2024");
        EXPECT_EQ(procedure.weekdays, english);
        const auto form = formDateFieldModel("f", "", locale, march, std::nullopt);
        EXPECT_EQ(form.title, "March 2024");
        EXPECT_EQ(form.weekdays, english);
        EXPECT_EQ(form.previousLabel, "previous");
        const TavrinWeekdayHeader header(locale, "weekdays", Qt::black, 1);
        EXPECT_EQ(header.symbols(), english);

        // Commerce dates.
        const CommerceTextContext commerce{
            .locale = locale, .copy = copy, .primary = {}, .textScale = 1, .timeZoneId = "UTC"};
        EXPECT_EQ(commerceDateText(commerce, "2024-03-05T10:15:00Z"), "Mar 5, 2024");

        // Availability texts and the catalogue: no table for a text that is no language tag.
        EXPECT_EQ(availabilityMessage(onlineTeam(), locale), "");
        EXPECT_EQ(availabilityReply(onlineTeam(), locale), "");
        EXPECT_EQ(WidgetProcedureLocaleCatalog::message(locale, "procedure.action.records.next", {},
                                                        std::nullopt),
                  std::nullopt);
    }
}

TEST(HostileLocaleTest, WellFormedTagsStillChooseTheirLanguage) {
    const auto march = *TavrinDateValue::make(2024, 3, 1);
    struct Case {
        const char* locale;
        const char* title;
        const char* monday;
    };
    const Case cases[] = {
        {"de-DE", "März 2024", "Mo"},
        {"de_DE", "März 2024", "Mo"}, // an ICU id reads as the same tag
        {"DE-de", "März 2024", "Mo"},
        {"es-419", "marzo de 2024", "lun"},
        {"zh-Hant-TW", "2024年3月", "週一"},
        {"en-US-u-ca-buddhist", "March 2024", "Mon"}, // the calendar stays Gregorian
    };
    for (const auto& c : cases) {
        EXPECT_EQ(monthTitle(c.locale, march), c.title) << c.locale;
        const auto weekdays = weekdaySymbolsMondayFirst(c.locale);
        ASSERT_EQ(weekdays.size(), 7u) << c.locale;
        EXPECT_EQ(weekdays.front(), c.monday) << c.locale;
    }
}

} // namespace
} // namespace velmora
