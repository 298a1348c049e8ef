// The tab bar's checked states against a controller that refuses a switch: whatever asks for a
// tab, a click or an assistive tool's actions, only the controller's screen is announced.
#include "views/tab_bar.hpp"

#include "fixtures.hpp"
#include "ui/ui_test_support.hpp"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <gtest/gtest.h>

#include <vector>

namespace velmora {
namespace {

using namespace detail;
using Screen = VelmoraWidgetViewMode;

bool announcedChecked(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible && accessible->state().checked;
}

TEST(TabBarViewTest, OnlyTheControllersScreenIsCheckedWhateverAsksForAnother) {
    const auto experience = fixtures::experience("en");
    const PanelContext context{experience};
    TabBarView bar;
    bar.resize(380, 60);
    std::vector<Screen> asked;
    bar.onSelect = [&](Screen screen) { asked.push_back(screen); }; // refuses: nothing redraws
    bar.apply(tabBarModel({true, true, true, Screen::home}, context), 1, true);
    bar.show();
    auto* home = bar.findChild<TabButton*>("velmora.widget.tab.home");
    auto* messages = bar.findChild<TabButton*>("velmora.widget.tab.messages");
    ASSERT_TRUE(home && messages);

    struct Ask {
        const char* what;
        std::function<void()> act;
    };
    const Ask asks[] = {
        {"click", [&] { messages->click(); }},
        {"toggle", [&] { messages->toggle(); }},
        {"accessible press",
         [&] {
             QAccessible::queryAccessibleInterface(messages)->actionInterface()->doAction(
                 QAccessibleActionInterface::pressAction());
         }},
        {"accessible toggle",
         [&] {
             QAccessible::queryAccessibleInterface(messages)->actionInterface()->doAction(
                 QAccessibleActionInterface::toggleAction());
         }},
    };
    for (const auto& ask : asks) {
        SCOPED_TRACE(ask.what);
        asked.clear();
        ask.act();
        testing::processEventsUntil([&] { return !asked.empty(); }, 1000);
        testing::drainEvents();
        EXPECT_EQ(asked, std::vector<Screen>{Screen::messages});
        EXPECT_FALSE(messages->isChecked());
        EXPECT_FALSE(announcedChecked(messages));
        EXPECT_TRUE(home->isChecked());
        EXPECT_TRUE(announcedChecked(home));
    }

    // A selected tab stays checked when something toggles it.
    home->toggle();
    EXPECT_TRUE(home->isChecked());

    // The controller's switch moves the check.
    bar.apply(tabBarModel({true, true, true, Screen::messages}, context), 1, true);
    messages = bar.findChild<TabButton*>("velmora.widget.tab.messages");
    home = bar.findChild<TabButton*>("velmora.widget.tab.home");
    ASSERT_TRUE(home && messages);
    EXPECT_TRUE(messages->isChecked());
    EXPECT_FALSE(home->isChecked());
}

} // namespace
} // namespace velmora
