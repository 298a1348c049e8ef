// The procedure views in the panel, over the real client and the local widget service: the
// service reports the step a test sets, and records the actions the views send.
#include "service_client_fixture.hpp"
#include "views/procedure_calendar_view.hpp"
#include "views/progress_label.hpp"
#include "views/styled_button.hpp"

#include "fixtures.hpp"
#include "ui/controller_test_support.hpp"
#include "ui/ui_test_support.hpp"
#include "velmora/stores.hpp"
#include "velmora/transport.hpp"
#include "velmora/ui/qt_main_executor.hpp"
#include "velmora/ui/widget_view.hpp"
#include "widget_service.hpp"

#include <QAbstractButton>
#include <QLabel>
#include <boost/asio/use_future.hpp>
#include <gtest/gtest.h>

namespace velmora {
namespace {

using namespace detail;

const std::string kQuickActions =
    R"([{"procedureId":"book-visit","localizedTitle":"Book a visit"},)"
    R"({"procedureId":"no-title"}])";

std::string choiceStep() {
    return R"({"procedureId":"book-visit","runId":"wr_1","runUpdatedAt":"2026-03-01T10:00:00Z","stepId":"kind",)"
           R"("phase":"collecting","localizedTitle":"Book a visit","localizedPrompt":"What kind?",)"
           R"("choices":[{"value":"repair","label":"Repair"},{"value":"fitting","label":"Fitting"}]})";
}

/// A date step showing May 2030, with its availability loaded or not.
std::string calendarStep(const std::string& month, const std::string& dates, bool loaded) {
    return R"({"procedureId":"book-visit","runId":"wr_1","runUpdatedAt":"2026-03-01T10:01:00Z","stepId":"when",)"
           R"("phase":"collecting","localizedTitle":"When?","calendarMode":true,"backStepId":"kind",)"
           R"("calendarAvailabilityLoaded":)" +
           std::string(loaded ? "true" : "false") + R"(,"dateAvailability":{"month":")" + month +
           R"(","startDate":"","endDate":"","earliestDate":"","timeZone":"Europe/Kyiv",)"
           R"("availableDates":)" +
           dates + R"(,"procedureRevision":1,"bindingSetRevision":1}})";
}

std::string confirmationStep() {
    return R"({"procedureId":"book-visit","runId":"wr_1","runUpdatedAt":"2026-03-01T10:02:00Z","stepId":"review",)"
           R"("phase":"awaiting_confirmation","proposalId":"pp_7","backStepId":"when",)"
           R"("localizedTitle":"Check your visit","confirmationDetails":[)"
           R"({"labelKey":"when","localizedLabel":"Date","value":"2030-06-12"},)"
           R"({"labelKey":"hidden","value":"not shown"}]})";
}

class ProcedureViewsTest : public testing::ServicePanelFixture {
protected:
    ProcedureViewsTest() {
        VelmoraSessionStartInput opening;
        opening.message = "I would like to book a visit";
        sessionId = client->startSession(opening, boost::asio::use_future).get().sessionId;
    }

    /// Opens the panel on its messages screen.
    void openPanel() {
        view =
            std::make_unique<VelmoraWidgetView>(controller, fixtures::experience("en"),
                                                std::make_shared<VelmoraFixedPlatformSettings>());
        view->resize(380, 900);
        view->show();
        controller->open();
        ASSERT_TRUE(
            testing::processEventsUntil([&] { return find("velmora.widget.tab.messages"); }));
        find<QAbstractButton>("velmora.widget.tab.messages")->click();
        ASSERT_TRUE(testing::processEventsUntil(
            [&] { return controller->screen() == VelmoraWidgetViewMode::messages; }));
    }

    void settle() {
        ASSERT_TRUE(testing::processEventsUntil([&] { return !controller->isActionInFlight(); }));
        testing::drainEvents();
        ASSERT_FALSE(controller->error()) << controller->error()->what();
    }
    /// The actions the service received, as "action=value".
    std::vector<std::string> actions() {
        std::vector<std::string> out;
        for (const auto& request : service.requests("POST", "/api/widget/v1/sessions/" + sessionId +
                                                                "/procedure-actions")) {
            const auto body = decodeJSON<JSONValue>(request.bodyText());
            const auto& object = *body.ifObject();
            out.push_back(*object.at("action").ifString() + "=" + *object.at("value").ifString());
        }
        return out;
    }

    std::string sessionId;
};

TEST_F(ProcedureViewsTest, AProcedureRunsFromItsQuickActionThroughTheCalendarToItsConfirmation) {
    service.setProcedureState(sessionId, std::nullopt, kQuickActions);
    openPanel();

    // Quick actions: the untitled one is left out.
    ASSERT_TRUE(testing::processEventsUntil(
        [&] { return find("velmora.widget.procedure.quick-action.book-visit"); }));
    EXPECT_FALSE(find("velmora.widget.procedure.quick-action.no-title"));
    service.setProcedureState(sessionId, choiceStep(), kQuickActions);
    click("velmora.widget.procedure.quick-action.book-visit");

    // The choice step replaces the quick actions.
    ASSERT_TRUE(testing::processEventsUntil(
        [&] { return find("velmora.widget.procedure.choice.repair"); }));
    settle();
    EXPECT_FALSE(find("velmora.widget.procedure.quick-action.book-visit"));
    EXPECT_TRUE(find("velmora.widget.procedure.choice.fitting"));
    EXPECT_FALSE(find("velmora.widget.procedure.calendar"));

    // The date step opens on the month the service reports, already loaded: nothing is asked.
    service.setProcedureState(sessionId, calendarStep("2030-05", R"(["2030-05-20"])", true),
                              std::nullopt);
    click("velmora.widget.procedure.choice.repair");
    ASSERT_TRUE(testing::processEventsUntil(
        [&] { return find("velmora.widget.procedure.date.2030-05-20"); }));
    settle();
    EXPECT_FALSE(find("velmora.widget.procedure.choice.repair")) << "the calendar replaces them";
    // The month's rows get their room in the card: five weeks of 44-point days at least.
    EXPECT_GE(find("velmora.widget.procedure.calendar")->height(), 5 * 44);
    EXPECT_GE(find("velmora.widget.procedure.date.2030-05-20")->height(), 44);
    EXPECT_TRUE(find<QAbstractButton>("velmora.widget.procedure.date.2030-05-20")->isEnabled());
    EXPECT_FALSE(find<QAbstractButton>("velmora.widget.procedure.date.2030-05-21")->isEnabled());
    EXPECT_EQ(actions(), (std::vector<std::string>{"start=start", "select=repair"}));

    // Paging asks for the next month; its answer enables that month's days.
    service.setProcedureState(sessionId, calendarStep("2030-06", R"(["2030-06-12"])", true),
                              std::nullopt);
    click("velmora.widget.procedure.month.next");
    ASSERT_TRUE(testing::processEventsUntil([&] {
        auto* day = find<QAbstractButton>("velmora.widget.procedure.date.2030-06-12");
        return day && day->isEnabled();
    }));
    EXPECT_EQ(actions().back(), "availability=2030-06");

    // Picking the day leads to the confirmation.
    service.setProcedureState(sessionId, confirmationStep(), std::nullopt);
    click("velmora.widget.procedure.date.2030-06-12");
    ASSERT_TRUE(
        testing::processEventsUntil([&] { return find("velmora.widget.procedure.confirm"); }));
    settle();
    EXPECT_FALSE(find("velmora.widget.procedure.calendar"));
    auto* card = find("velmora.widget.procedure");
    ASSERT_TRUE(card);
    std::vector<QString> texts;
    for (auto* child : card->findChildren<QWidget*>())
        if (!child->accessibleName().isEmpty())
            texts.push_back(child->accessibleName());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Date"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "2030-06-12"), texts.end());
    EXPECT_EQ(std::find(texts.begin(), texts.end(), "not shown"), texts.end())
        << "a detail without a label is left out";
    EXPECT_EQ(find<QAbstractButton>("velmora.widget.procedure.confirm")->accessibleName(),
              "Confirm");

    // Confirming ends the run: the service offers the quick actions again.
    service.setProcedureState(sessionId, std::nullopt, kQuickActions);
    click("velmora.widget.procedure.confirm");
    ASSERT_TRUE(testing::processEventsUntil(
        [&] { return find("velmora.widget.procedure.quick-action.book-visit"); }));
    settle();
    EXPECT_FALSE(find("velmora.widget.procedure"));
    EXPECT_EQ(actions(),
              (std::vector<std::string>{"start=start", "select=repair", "availability=2030-06",
                                        "calendar_date=2030-06-12", "confirm=pp_7"}));
    EXPECT_FALSE(controller->error());
}

TEST_F(ProcedureViewsTest, BackAndDeclineSendTheirValuesAndEveryButtonWaitsWhileOneRuns) {
    service.setProcedureState(sessionId, confirmationStep(), std::nullopt);
    openPanel();
    ASSERT_TRUE(
        testing::processEventsUntil([&] { return find("velmora.widget.procedure.decline"); }));
    settle();

    // A slow answer: meanwhile the buttons wait and the busy label shows.
    service.delayNext(
        std::chrono::milliseconds(300),
        tools::FaultScope{"POST", "/api/widget/v1/sessions/" + sessionId + "/procedure-actions"});
    auto* decline = find<QAbstractButton>("velmora.widget.procedure.decline");
    EXPECT_EQ(decline->accessibleName(),
              QString::fromStdString(fixtures::experience("en").copy.values().at("action.back")))
        << "the decline button reads as back";
    decline->click();
    ASSERT_TRUE(testing::processEventsUntil([&] {
        auto* busy =
            find("velmora.widget.procedure")->findChild<QWidget*>("velmora.widget.loading");
        auto* now = find<QAbstractButton>("velmora.widget.procedure.confirm");
        return busy && now && !now->isEnabled();
    }));
    for (auto* button : find("velmora.widget.procedure")->findChildren<VelmoraStyledButton*>())
        EXPECT_FALSE(button->isEnabled()) << button->accessibleName().toStdString();
    settle();
    EXPECT_FALSE(find("velmora.widget.procedure")->findChild<QWidget*>("velmora.widget.loading"));

    // Back: the unnamed button with the copy's title, sending the step to go back to.
    QAbstractButton* back = nullptr;
    for (auto* button : find("velmora.widget.procedure")->findChildren<VelmoraStyledButton*>())
        if (button->objectName().isEmpty())
            back = button;
    ASSERT_TRUE(back);
    ASSERT_TRUE(back->isEnabled());
    back->click();
    settle();
    EXPECT_EQ(actions(), (std::vector<std::string>{"decline=pp_7", "back=when"}));
}

TEST_F(ProcedureViewsTest, AMonthRequestDroppedWhileAnotherActionRunsIsAskedAgainWhenItEnds) {
    openPanel();
    ASSERT_TRUE(testing::processEventsUntil([&] { return controller->snapshot().has_value(); }));
    settle();

    // A form submission holds the controller's one action slot for a while.
    const std::string formPath = "/api/widget/v1/sessions/" + sessionId + "/forms/fr_1";
    service.delayNext(std::chrono::milliseconds(400), tools::FaultScope{"POST", formPath});
    VelmoraConversationForm form;
    form.requestId = "fr_1";
    controller->submitForm(form, {{"email", "ada@example.com"}});
    ASSERT_TRUE(controller->isActionInFlight());

    // Meanwhile a date step arrives whose month is not loaded: its request is dropped.
    service.setProcedureState(sessionId, calendarStep("2030-05", "[]", false), std::nullopt);
    auto refreshed = client->refresh(boost::asio::use_future);
    ASSERT_TRUE(
        testing::processEventsUntil([&] { return find("velmora.widget.procedure.calendar"); }));
    EXPECT_TRUE(controller->isActionInFlight());
    EXPECT_TRUE(actions().empty()) << "the controller was busy";
    auto* calendar = find<ProcedureCalendarView>("velmora.widget.procedure.calendar");
    EXPECT_TRUE(calendar->findChild<QWidget*>("velmora.widget.procedure.loading"));
    EXPECT_FALSE(find<QAbstractButton>("velmora.widget.procedure.month.next")->isEnabled());

    // Once the submission ends, the month is asked for.
    ASSERT_TRUE(testing::processEventsUntil([&] { return !actions().empty(); }));
    settle();
    EXPECT_EQ(actions(), std::vector<std::string>{"availability=2030-05"});
    EXPECT_EQ(calendar->visibleMonth().monthISO(), "2030-05");
    refreshed.get();
}

} // namespace
} // namespace velmora
