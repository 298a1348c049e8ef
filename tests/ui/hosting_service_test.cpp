// A host window shows the widget modally, pushed and embedded over the real client, which talks
// to the local widget service: a message goes out and the assistant's answer comes back, and
// closing keeps the draft.
#include "platform/qt_child.hpp"
#include "service_client_fixture.hpp"
#include "views/message_text_view.hpp"

#include "fixtures.hpp"
#include "ui/controller_test_support.hpp"
#include "ui/ui_test_support.hpp"
#include "velmora/stores.hpp"
#include "velmora/transport.hpp"
#include "velmora/ui/qt_main_executor.hpp"
#include "velmora/ui/widget_hosting.hpp"
#include "widget_service.hpp"

#include <QAbstractButton>
#include <QPointer>
#include <QAbstractScrollArea>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace velmora {
namespace {

using namespace detail;

enum class HostMode { modal, push, embedded };

std::string modeName(HostMode mode) {
    switch (mode) {
    case HostMode::modal:
        return "modal";
    case HostMode::push:
        return "push";
    case HostMode::embedded:
        return "embedded";
    }
    return "";
}

class HostedWidgetServiceTest : public ::testing::TestWithParam<HostMode>,
                                protected testing::ServiceClientFixture {
protected:
    // An account of its own per mode: the shared draft file is keyed by it.
    HostedWidgetServiceTest() : ServiceClientFixture({}, "hosting-" + modeName(GetParam())) {
        auto* layout = makeQtChild<QVBoxLayout>(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        stack = makeQtChild<VelmoraWidgetNavigationStack>(&window);
        layout->addWidget(stack);
        auto* home = makeQtChild<QWidget>();
        stack->push(home);
        window.resize(400, 720);
        window.show();
    }
    ~HostedWidgetServiceTest() override {
        std::weak_ptr<VelmoraWidgetController> weak;
        if (VelmoraWidgetViewController* widget = vc.data()) {
            weak = widget->widgetController();
            destroyQtChild(widget);
        }
        testing::processEventsUntil([&] { return weak.expired(); });
        stopClient();
    }

    template <class T = QWidget> T* find(const std::string& name) {
        return vc->findChild<T*>(QString::fromStdString(name));
    }
    bool hasBubbleBy(const std::string& author) {
        for (const auto& m : vc->widgetController()->messages())
            if (m.authorKind == author && find("velmora.widget.message-bubble." + m.id))
                return true;
        return false;
    }
    void type(const std::string& text) {
        VelmoraMessageTextView* input = nullptr;
        ASSERT_TRUE(testing::processEventsUntil([&] {
            input = find<VelmoraMessageTextView>("velmora.widget.message");
            return input && input->isVisible();
        }));
        ASSERT_TRUE(testing::processEventsUntil([&] { return !input->isReadOnly(); }));
        input->setFocus();
        QTest::keyClicks(input, QString::fromStdString(text));
    }

    VelmoraQtExecutionContext qtContext;
    QWidget window;
    VelmoraWidgetNavigationStack* stack = nullptr;
    QPointer<VelmoraWidgetViewController> vc;
    /// A member: an embedded widget is still dismissed when the fixture removes it.
    int dismissed = 0;
};

TEST_P(HostedWidgetServiceTest, SendsAMessageGetsTheAnswerAndClosingKeepsTheDraft) {
    auto* widget = makeQtChild<VelmoraWidgetViewController>(
        qtContext.get_executor(), client, fixtures::experience("en"), false, std::nullopt,
        std::nullopt, std::vector<std::string>{}, JSONValue::Object{},
        std::make_shared<VelmoraFixedPlatformSettings>(), &window);
    vc = widget;
    widget->setOnHostDismissed([this] { ++dismissed; });
    switch (GetParam()) {
    case HostMode::modal:
        widget->show(&window, VelmoraWidgetHostPresentation::modal, true);
        break;
    case HostMode::push:
        widget->show(stack->top(), VelmoraWidgetHostPresentation::push, true);
        break;
    case HostMode::embedded:
        window.layout()->addWidget(widget);
        widget->show();
        widget->activateEmbeddedHost();
        break;
    }
    const auto controller = widget->widgetController();
    EXPECT_TRUE(controller->isOpen());

    ASSERT_TRUE(testing::processEventsUntil([&] { return find("velmora.widget.tab.messages"); }));
    find<QAbstractButton>("velmora.widget.tab.messages")->click();
    type("Hello from the host");
    auto* send = find<QAbstractButton>("velmora.widget.send");
    ASSERT_TRUE(send);
    ASSERT_TRUE(testing::processEventsUntil([&] { return send->isEnabled(); }));
    send->click();
    ASSERT_TRUE(testing::processEventsUntil([&] { return hasBubbleBy("customer"); }));
    ASSERT_TRUE(testing::processEventsUntil([&] { return hasBubbleBy("ai"); }));
    EXPECT_FALSE(find("velmora.widget.error"));
    // Automation finds the transcript and the hosted screen each under a name of its own.
    const auto screens = vc->findChildren<QWidget*>("velmora.widget.screen");
    ASSERT_EQ(screens.size(), 1);
    EXPECT_TRUE(qobject_cast<QAbstractScrollArea*>(screens.front()));
    EXPECT_EQ(find("velmora.widget.host.screen"), &widget->widgetScreen());
    std::size_t carried = 0;
    for (const auto& request : service.requests("POST", "/api/widget/v1/sessions"))
        carried += request.bodyText().find("Hello from the host") != std::string::npos;
    EXPECT_EQ(carried, 1u);

    // Something typed and not sent survives closing, in the composer and in the draft file.
    type("Still thinking");
    EXPECT_EQ(controller->draft(), "Still thinking");
    if (GetParam() == HostMode::embedded)
        widget->setEmbeddedVisible(false);
    else
        widget->close(true);
    testing::drainEvents();
    EXPECT_FALSE(controller->isOpen());
    EXPECT_FALSE(widget->isVisible());
    EXPECT_EQ(dismissed, GetParam() == HostMode::embedded ? 0 : 1);
    EXPECT_EQ(controller->draft(), "Still thinking");
    const auto stored = VelmoraWidgetDraftStore::shared()->state(*client);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->text, "Still thinking");
    if (GetParam() == HostMode::push)
        EXPECT_EQ(stack->count(), 1);
}

INSTANTIATE_TEST_SUITE_P(EachMode, HostedWidgetServiceTest,
                         ::testing::Values(HostMode::modal, HostMode::push, HostMode::embedded),
                         [](const auto& info) { return modeName(info.param); });

} // namespace
} // namespace velmora
