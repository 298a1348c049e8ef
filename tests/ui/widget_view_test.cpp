// The panel's views: the transcript keeps its rows, and the whole panel over the real client and
// the local widget service.
#include "service_client_fixture.hpp"
#include "views/composer.hpp"
#include "views/message_row.hpp"
#include "views/message_text_view.hpp"
#include "views/panel_buttons.hpp"
#include "views/styled_button.hpp"
#include "views/tab_bar.hpp"
#include "views/transcript.hpp"

#include "fixtures.hpp"
#include "ui/controller_test_support.hpp"
#include "ui/ui_test_support.hpp"
#include "velmora/json_file_stores.hpp"
#include "velmora/stores.hpp"
#include "velmora/transport.hpp"
#include "velmora/ui/qt_main_executor.hpp"
#include "velmora/ui/widget_view.hpp"
#include "widget_service.hpp"

#include <QTest>
#include <gtest/gtest.h>

namespace velmora {
namespace {

using namespace detail;

std::vector<VelmoraMessage> conversation(std::size_t count) {
    std::vector<VelmoraMessage> messages;
    for (std::size_t i = 0; i < count; ++i)
        messages.push_back(
            fixtures::message("m" + std::to_string(i), i % 2 ? "inbound" : "outbound",
                              i % 2 ? "ai" : "customer", "Message number " + std::to_string(i)));
    return messages;
}

struct TranscriptFixture {
    VelmoraWidgetExperience experience = fixtures::experience("en");
    std::shared_ptr<VelmoraPlatformSettings> settings =
        std::make_shared<VelmoraFixedPlatformSettings>();
    TranscriptView view{nullptr, experience, settings};
    std::optional<VelmoraWidgetAvailability> availability;
    std::optional<VelmoraSnapshot> snapshot;

    TranscriptFixture() { view.resize(380, 600); }

    void apply(const std::vector<VelmoraMessage>& messages,
               VelmoraLoadingState loading = VelmoraLoadingState::idle,
               std::optional<VelmoraError> error = std::nullopt) {
        const PanelContext context{experience};
        TranscriptState state{
            transcriptModel({messages, availability, false, loading, snapshot, error.has_value()},
                            context),
            messages,
            std::nullopt,
            error ? std::optional(errorRowModel(*error, false, context)) : std::nullopt,
            snapshot,
            loading,
            false,
            false,
            1,
            context.font(12, VelmoraTextStyle::footnote),
            VelmoraColor{},
            VelmoraColor{}};
        view.apply(state);
    }
};

TEST(TranscriptViewTest, AppendingOneMessageBuildsOneRowAndKeepsTheOthers) {
    TranscriptFixture f;
    f.view.show();
    auto messages = conversation(1000);
    f.apply({});
    f.apply(messages);
    // Opened at the newest message (the scroll there is animated): only the rows around it
    // have widgets.
    ASSERT_TRUE(testing::processEventsUntil([&] {
        QWidget* last = f.view.itemWidget("m999");
        return last && last->geometry().bottom() + 1 == f.view.viewport()->height();
    }));
    testing::drainEvents();
    const int built = f.view.rowBuilds();
    EXPECT_LT(f.view.liveRowCount(), 60);
    std::vector<std::pair<std::string, QWidget*>> before;
    for (const auto& m : messages)
        if (QWidget* row = f.view.itemWidget(m.id))
            before.emplace_back(m.id, row);
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(before.back().first, "m999");

    messages.push_back(fixtures::message("m1000", "inbound", "ai", "One more"));
    f.apply(messages, VelmoraLoadingState::waitingForAssistant);
    ASSERT_TRUE(testing::processEventsUntil([&] {
        QWidget* last = f.view.itemWidget("m1000");
        return last && last->geometry().bottom() + 1 == f.view.viewport()->height();
    }));
    EXPECT_EQ(f.view.rowBuilds(), built + 1);
    for (const auto& [id, row] : before)
        if (QWidget* now = f.view.itemWidget(id))
            ASSERT_EQ(now, row) << id;
    // The newest message is the scroll target, also with the loading row below it.
    EXPECT_EQ(f.view.lastScrollTarget(), "m1000");
    EXPECT_EQ(f.view.keys().back(), "loading");

    // A message whose content changes keeps its row.
    QWidget* edited = f.view.itemWidget("m999");
    ASSERT_TRUE(edited);
    messages[999].bodyText = "Edited";
    f.apply(messages, VelmoraLoadingState::waitingForAssistant);
    testing::drainEvents();
    EXPECT_EQ(f.view.itemWidget("m999"), edited);
    EXPECT_EQ(f.view.rowBuilds(), built + 1);
}

TEST(TranscriptViewTest, AnEmptyTranscriptThatIsBusyHasNoScrollTargetAndDoesNotFail) {
    TranscriptFixture f;
    f.apply({});
    f.apply({}, VelmoraLoadingState::startingSession);
    EXPECT_FALSE(f.view.lastScrollTarget());
    EXPECT_EQ(f.view.keys(), std::vector<std::string>{"working"});
    EXPECT_TRUE(f.view.findChild<QWidget*>("velmora.widget.loading"));

    // An error row replaces nothing and shows the retry only when it may cure.
    f.apply({}, VelmoraLoadingState::idle,
            VelmoraError(VelmoraErrorCode::http, 501, std::nullopt, "Not implemented"));
    auto* row = f.view.itemWidget("error");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->objectName(), "velmora.widget.error");
    EXPECT_FALSE(row->findChild<QWidget*>("velmora.widget.retry"));
}

/// The panel on a controller over the real client, which talks to the local widget service.
class PanelEndToEndTest : public testing::ServicePanelFixture {
protected:
    std::vector<VelmoraMessage> customerMessages(const std::string& text) const {
        std::vector<VelmoraMessage> found;
        for (const auto& m : controller->messages())
            if (m.authorKind == "customer" && m.bodyText == text)
                found.push_back(m);
        return found;
    }
    /// Waits for the bubble of the first message by `author` after `after` messages, answering
    /// its id.
    std::optional<std::string> waitForBubble(const std::string& author, std::size_t after) {
        std::optional<std::string> id;
        testing::processEventsUntil([&] {
            const auto& messages = controller->messages();
            for (std::size_t i = after; i < messages.size(); ++i)
                if (messages[i].authorKind == author &&
                    find("velmora.widget.message-bubble." + messages[i].id)) {
                    id = messages[i].id;
                    return true;
                }
            return false;
        });
        return id;
    }
    void typeAndSend(const std::string& text) {
        auto* input = find<VelmoraMessageTextView>("velmora.widget.message");
        ASSERT_TRUE(input);
        ASSERT_TRUE(testing::processEventsUntil([&] { return !input->isReadOnly(); }));
        input->setFocus();
        QTest::keyClicks(input, QString::fromStdString(text));
        EXPECT_EQ(controller->draft(), text);
        auto* send = find<QAbstractButton>("velmora.widget.send");
        ASSERT_TRUE(send);
        ASSERT_TRUE(testing::processEventsUntil([&] { return send->isEnabled(); }));
        send->click();
    }
};

TEST_F(PanelEndToEndTest, SendsAMessageShowsTheReplyThenRetriesAFailedSendOnce) {
    view = std::make_unique<VelmoraWidgetView>(controller, fixtures::experience("en"),
                                               std::make_shared<VelmoraFixedPlatformSettings>());
    view->resize(380, 700);
    view->show();
    EXPECT_TRUE(controller->isMounted());
    controller->open();

    // The configuration offers messages and help: the tabs replace the working indicator.
    ASSERT_TRUE(testing::processEventsUntil([&] { return find("velmora.widget.tab.messages"); }));
    EXPECT_TRUE(find("velmora.widget.tab.home"));
    EXPECT_TRUE(find("velmora.widget.tab.help"));
    find<QAbstractButton>("velmora.widget.tab.messages")->click();
    ASSERT_TRUE(testing::processEventsUntil([&] {
        return controller->screen() == VelmoraWidgetViewMode::messages &&
               find("velmora.widget.composer") && find("velmora.widget.composer")->isVisible();
    }));
    EXPECT_TRUE(find<QAbstractButton>("velmora.widget.tab.messages")->isChecked());

    // The first message starts the session; the customer's bubble, then the assistant's.
    typeAndSend("Hello from the panel");
    const auto customer = waitForBubble("customer", 0);
    ASSERT_TRUE(customer);
    EXPECT_EQ(controller->draft(), "");
    const auto reply = waitForBubble("ai", 1);
    ASSERT_TRUE(reply);
    EXPECT_FALSE(find("velmora.widget.error"));

    // The service fails the next message: the error row offers a retry.
    service.failNext(503, "service_unavailable", std::nullopt,
                     tools::FaultScope{"POST", "/api/widget/v1/sessions/s_"});
    const std::size_t before = controller->messages().size();
    typeAndSend("Where is my order?");
    ASSERT_TRUE(testing::processEventsUntil([&] {
        auto* retry = find<QAbstractButton>("velmora.widget.retry");
        return retry && retry->isEnabled();
    }));
    EXPECT_TRUE(find("velmora.widget.error"));
    EXPECT_EQ(controller->error()->status(), 503);
    EXPECT_TRUE(customerMessages("Where is my order?").empty());

    find<QAbstractButton>("velmora.widget.retry")->click();
    ASSERT_TRUE(testing::processEventsUntil([&] {
        return customerMessages("Where is my order?").size() == 1 &&
               find("velmora.widget.message-bubble." +
                    customerMessages("Where is my order?").front().id);
    }));
    // Its answer arrives too, and the message is still there once.
    ASSERT_TRUE(waitForBubble("ai", before + 1));
    EXPECT_EQ(customerMessages("Where is my order?").size(), 1u);
    EXPECT_FALSE(find("velmora.widget.error"));
    std::size_t accepted = 0;
    for (const auto& request : service.requests("POST", "/api/widget/v1/sessions/s_"))
        accepted += request.bodyText().find("Where is my order?") != std::string::npos;
    EXPECT_EQ(accepted, 2u); // the failed attempt and the retry of the same stored message

    // Hiding the panel closes the controller.
    view->hide();
    EXPECT_FALSE(controller->isOpen());
}

} // namespace
} // namespace velmora
