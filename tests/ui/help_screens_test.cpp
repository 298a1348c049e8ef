// The home and help screens of the panel over the help content the local widget service
// publishes: the home card, a search typed into the help screen, a question opened and a
// workflow followed to a handoff that opens the conversation prefilled.
#include "fixtures.hpp"
#include "service_client_fixture.hpp"
#include "ui/controller_test_support.hpp"
#include "ui/ui_test_support.hpp"
#include "velmora/json_file_stores.hpp"
#include "velmora/stores.hpp"
#include "velmora/transport.hpp"
#include "velmora/ui/qt_main_executor.hpp"
#include "velmora/ui/widget_view.hpp"
#include "widget_service.hpp"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>
#include <boost/json.hpp>
#include <gtest/gtest.h>

namespace velmora {
namespace {

namespace json = boost::json;

constexpr const char* handoffMessage = "My order has not shipped yet.";

/// The service's English content, with its "nothing yet" option carrying a prefill.
tools::WidgetService::Options prefilledHandoff() {
    tools::WidgetService::Options options;
    auto body = json::parse(options.contentBodies.at("en")).as_object();
    body["messages"].as_object()["workflow.track.handoffMessage"] = handoffMessage;
    for (auto& workflow : body["behavior"].as_object()["workflows"].as_array())
        for (auto& step : workflow.as_object()["steps"].as_array())
            if (auto* opts = step.as_object().if_contains("options"))
                for (auto& option : opts->as_array())
                    if (option.as_object()["id"] == "missing")
                        option.as_object()["prefill"] =
                            json::object{{"messageKey", "workflow.track.handoffMessage"},
                                         {"productArea", "shipping"}};
    options.contentBodies["en"] = json::serialize(body);
    return options;
}

class HelpScreensTest : public testing::ServicePanelFixture {
protected:
    HelpScreensTest() : ServicePanelFixture(prefilledHandoff()) {}

    bool shown(const std::string& name) {
        auto* widget = find(name);
        return widget && widget->isVisible();
    }
    /// The buttons of the home help card in order, by what they read out.
    std::vector<std::string> homeRows() {
        std::vector<std::string> rows;
        auto* card = find("velmora.widget.home.help-card");
        if (!card)
            return rows;
        for (auto* row : card->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly))
            if (row->objectName().isEmpty())
                rows.push_back(row->accessibleName().toStdString());
        return rows;
    }
    void click(const std::string& name) {
        auto* button = find<QAbstractButton>(name);
        ASSERT_TRUE(button) << name;
        ASSERT_TRUE(button->isEnabled()) << name;
        button->click();
    }
};

TEST_F(HelpScreensTest, SearchesOpensAQuestionAndFollowsAWorkflowIntoAPrefilledConversation) {
    view = std::make_unique<VelmoraWidgetView>(controller, fixtures::experience("en"),
                                               std::make_shared<VelmoraFixedPlatformSettings>());
    view->resize(380, 700);
    view->show();
    controller->open();

    // Home: the contact card and the help card with the two questions above the workflow.
    ASSERT_TRUE(testing::processEventsUntil([&] { return homeRows().size() == 3; }));
    EXPECT_EQ(homeRows(), (std::vector<std::string>{"When are you open?", "Where is my order?",
                                                    "Track an order"}));
    EXPECT_TRUE(shown("velmora.widget.home.contact"));
    EXPECT_FALSE(find("velmora.widget.content.loading"));
    EXPECT_FALSE(find("velmora.widget.content.error"));

    // The card's header opens help; every entry is listed for the empty query.
    click("velmora.widget.home.help");
    ASSERT_TRUE(testing::processEventsUntil([&] { return shown("velmora.widget.help.search"); }));
    EXPECT_TRUE(shown("velmora.widget.help.faq.opening-hours"));
    EXPECT_TRUE(shown("velmora.widget.help.workflow.track-order"));

    // Typing filters at each keystroke, the field keeps what was typed.
    auto* field = find<QLineEdit>("velmora.widget.help.search");
    field->setFocus();
    QTest::keyClicks(field, " ORDER");
    EXPECT_EQ(controller->helpQuery(), " ORDER");
    ASSERT_TRUE(testing::processEventsUntil(
        [&] { return !find("velmora.widget.help.faq.opening-hours"); }));
    EXPECT_TRUE(shown("velmora.widget.help.faq.order-status"));
    EXPECT_TRUE(shown("velmora.widget.help.workflow.track-order"));
    // The same field, not a rebuilt one, still holds what was typed.
    EXPECT_EQ(find<QLineEdit>("velmora.widget.help.search"), field);
    EXPECT_EQ(field->text(), " ORDER");

    QTest::keyClicks(field, "zzz");
    ASSERT_TRUE(testing::processEventsUntil([&] { return shown("velmora.widget.help.empty"); }));
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(field, Qt::Key_Backspace);
    ASSERT_TRUE(testing::processEventsUntil(
        [&] { return shown("velmora.widget.help.faq.order-status.header"); }));

    // The question opens with its answer and its action.
    EXPECT_FALSE(find("velmora.widget.help.faq-action.order-status"));
    click("velmora.widget.help.faq.order-status.header");
    ASSERT_TRUE(testing::processEventsUntil(
        [&] { return shown("velmora.widget.help.faq-action.order-status"); }));
    EXPECT_EQ(controller->activeFAQID(), "order-status");
    EXPECT_EQ(find("velmora.widget.help.faq.order-status.answer")->accessibleName().toStdString(),
              "Most orders arrive within five working days.");

    // Its action starts the workflow at its first step and closes the question.
    click("velmora.widget.help.faq-action.order-status");
    ASSERT_TRUE(testing::processEventsUntil(
        [&] { return shown("velmora.widget.help.workflow-option.missing"); }));
    EXPECT_FALSE(controller->activeFAQID());
    EXPECT_FALSE(find("velmora.widget.help.faq-action.order-status"));
    EXPECT_EQ(controller->activeWorkflowID(), "track-order");
    EXPECT_EQ(find<QAbstractButton>("velmora.widget.help.workflow-option.shipped")
                  ->accessibleName()
                  .toStdString(),
              "Yes, it shipped");

    // The handoff option opens the conversation with its message in the composer.
    click("velmora.widget.help.workflow-option.missing");
    ASSERT_TRUE(testing::processEventsUntil([&] {
        return controller->screen() == VelmoraWidgetViewMode::messages &&
               shown("velmora.widget.composer");
    }));
    EXPECT_EQ(controller->draft(), handoffMessage);
    EXPECT_FALSE(controller->activeWorkflowID());

    // Back on help the search is kept and every card is collapsed.
    controller->setScreen(VelmoraWidgetViewMode::help);
    ASSERT_TRUE(testing::processEventsUntil(
        [&] { return shown("velmora.widget.help.workflow.track-order"); }));
    EXPECT_EQ(field->text(), " ORDER");
    EXPECT_FALSE(find("velmora.widget.help.workflow-option.missing"));
}

TEST_F(HelpScreensTest, AFailedContentLoadOffersARetryThatLoadsIt) {
    service.failNext(400, "bad_request", std::nullopt,
                     tools::FaultScope{"GET", "/api/widget/v1/content", 1});
    view = std::make_unique<VelmoraWidgetView>(controller, fixtures::experience("en"),
                                               std::make_shared<VelmoraFixedPlatformSettings>());
    view->resize(380, 700);
    view->show();
    controller->open();
    ASSERT_TRUE(testing::processEventsUntil([&] { return shown("velmora.widget.content.retry"); }));
    EXPECT_FALSE(find("velmora.widget.home.help-card"));
    click("velmora.widget.content.retry");
    ASSERT_TRUE(testing::processEventsUntil([&] { return homeRows().size() == 3; }));
    EXPECT_FALSE(find("velmora.widget.content.error"));
}

} // namespace
} // namespace velmora
