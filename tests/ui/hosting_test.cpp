// Hosting the widget in a Qt application: the view controller shown modally, pushed and
// embedded, the navigation stack, the launcher and the container.
#include "hosting/hosting_model.hpp"
#include "platform/qt_child.hpp"
#include "views/message_text_view.hpp"

#include "fixtures.hpp"
#include "ui/controller_test_support.hpp"
#include "ui/ui_test_support.hpp"
#include "velmora/stores.hpp"
#include "velmora/transport.hpp"
#include "velmora/ui/qt_main_executor.hpp"
#include "velmora/ui/widget_hosting.hpp"
#include "velmora/ui/widget_launcher.hpp"
#include "velmora/ui/widget_view.hpp"
#include "widget_service.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QPointer>
#include <QStackedWidget>
#include <QTest>
#include <QVBoxLayout>
#include <boost/asio/executor_work_guard.hpp>
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

namespace velmora {
namespace {

using namespace detail;
using Presentation = VelmoraWidgetHostPresentation;

// ---- The pure decisions ----

struct SurfaceCase {
    const char* name;
    VelmoraWidgetColorMode mode;
    VelmoraColorScheme scheme;
    const char* light;
    const char* dark;
    VelmoraColor expected;
};

TEST(HostingModelTest, SurfaceColourFollowsTheModeAndReadsEveryPaletteForm) {
    using M = VelmoraWidgetColorMode;
    using S = VelmoraColorScheme;
    const SurfaceCase cases[] = {
        {"light mode ignores dark surroundings",
         M::light,
         S::dark,
         "#275cf6",
         "#000000",
         {0x27, 0x5c, 0xf6, 255}},
        {"dark mode ignores light surroundings",
         M::dark,
         S::light,
         "#ffffff",
         "#101828",
         {0x10, 0x18, 0x28, 255}},
        {"system follows dark surroundings",
         M::system,
         S::dark,
         "#ffffff",
         "#101828",
         {0x10, 0x18, 0x28, 255}},
        {"system follows light surroundings",
         M::system,
         S::light,
         "#fafafa",
         "#101828",
         {0xfa, 0xfa, 0xfa, 255}},
        {"blanks around six digits",
         M::light,
         S::light,
         " #275cf6\n",
         "#000",
         {0x27, 0x5c, 0xf6, 255}},
        {"three digits double each", M::light, S::light, "#1a3", "#000", {0x11, 0xaa, 0x33, 255}},
        {"eight digits carry opacity",
         M::dark,
         S::light,
         "#fff",
         "#10182880",
         {0x10, 0x18, 0x28, 0x80}},
    };
    for (const auto& c : cases) {
        VelmoraWidgetAppearance appearance = fixtures::experience("en").appearance;
        appearance.mode = c.mode;
        appearance.light.surface = c.light;
        appearance.dark.surface = c.dark;
        EXPECT_EQ(hostSurfaceColor(appearance, c.scheme), c.expected) << c.name;
    }
}

TEST(HostingModelTest, CrossFadeWhenAnyMotionLimitHolds) {
    struct Case {
        const char* name;
        bool profile;
        VelmoraPlatformSettingsValues values;
        bool expected;
    };
    using T = VelmoraThermalState;
    const Case cases[] = {
        {"nothing asks", false, {}, false},
        {"the design forces reduced motion", true, {}, true},
        {"reduce motion", false, {.reduceMotion = true}, true},
        {"cross-fade preference", false, {.preferCrossFadeTransitions = true}, true},
        {"low power", false, {.lowPowerMode = true}, true},
        {"fair thermal state", false, {.thermalState = T::fair}, false},
        {"serious thermal state", false, {.thermalState = T::serious}, true},
        {"critical thermal state", false, {.thermalState = T::critical}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shouldCrossFadeTransitions(c.profile, c.values), c.expected) << c.name;
}

TEST(HostingModelTest, SafeAreaInsetsTakeWhatTheDesignGivesAndZeroForTheRest) {
    EXPECT_EQ(hostSafeAreaInsets(std::nullopt), VelmoraSafeAreaInsets{});
    VelmoraWidgetPlatformOverride withoutArea;
    EXPECT_EQ(hostSafeAreaInsets(withoutArea), VelmoraSafeAreaInsets{});
    VelmoraWidgetPlatformOverride partial;
    partial.safeArea = VelmoraWidgetPlatformOverride::SafeArea{.topPx = 24, .leftPx = 8};
    EXPECT_EQ(hostSafeAreaInsets(partial), (VelmoraSafeAreaInsets{24, 8, 0, 0}));
}

TEST(HostingModelTest, LauncherHidesWhileOpenAndTakesThePaletteInEffect) {
    auto experience = fixtures::experience("en", VelmoraWidgetColorMode::system);
    experience.appearance.light.accent = "#275cf6";
    experience.appearance.light.onAccent = "#ffffff";
    experience.appearance.dark.accent = "#8ab4ff";
    experience.appearance.dark.onAccent = "#101828";
    auto values = experience.copy.values();
    values["panel.title"] = "Support";
    experience.copy = VelmoraWidgetCopy(values);

    const auto light = launcherModel(experience, VelmoraColorScheme::light, false);
    EXPECT_EQ(light,
              (LauncherModel{true, {0x27, 0x5c, 0xf6, 255}, {255, 255, 255, 255}, "Support"}));
    const auto dark = launcherModel(experience, VelmoraColorScheme::dark, false);
    EXPECT_EQ(dark.tint, (VelmoraColor{0x8a, 0xb4, 0xff, 255}));
    EXPECT_EQ(dark.foreground, (VelmoraColor{0x10, 0x18, 0x28, 255}));
    EXPECT_FALSE(launcherModel(experience, VelmoraColorScheme::light, true).visible);

    // A copy table without the title leaves the button unnamed rather than naming it by key.
    experience.copy = decodeJSON<VelmoraWidgetCopy>(R"({"values":{"nav.home":"Home"}})");
    EXPECT_EQ(launcherModel(experience, VelmoraColorScheme::light, false).accessibleName, "");
}

// ---- Show and close on a scripted client ----

/// Keeps the process's shared draft file inside a scratch directory for the whole run.
class ScratchDataHome : public ::testing::Environment {
public:
    void SetUp() override {
        directory_.emplace();
        ::setenv("XDG_DATA_HOME", directory_->path().c_str(), 1);
    }
    void TearDown() override { directory_.reset(); }

private:
    std::optional<testing::TemporaryDirectory> directory_;
};
const auto* const scratchDataHome = ::testing::AddGlobalTestEnvironment(new ScratchDataHome);

/// A host window holding a navigation stack with one page of the host's own, and widgets over
/// a scripted client.
class HostingFixture : public ::testing::Test {
protected:
    HostingFixture() {
        auto* layout = makeQtChild<QVBoxLayout>(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        stack = makeQtChild<VelmoraWidgetNavigationStack>(&window);
        layout->addWidget(stack);
        home = makeQtChild<QWidget>();
        home->setObjectName("home");
        stack->push(home);
        window.resize(420, 720);
        window.show();
        testing::drainEvents();
    }
    ~HostingFixture() override {
        std::vector<std::weak_ptr<VelmoraWidgetController>> controllers;
        for (const auto& vc : made)
            if (vc)
                controllers.push_back(vc->widgetController());
        for (const auto& vc : made) {
            VelmoraWidgetViewController* widget = vc.data();
            if (widget)
                destroyQtChild(widget);
        }
        // Work cancelled by closing completes on later turns; the executor must outlive it.
        testing::processEventsUntil([&] {
            for (const auto& weak : controllers)
                if (!weak.expired())
                    return false;
            return true;
        });
    }

    VelmoraWidgetViewController*
    makeWidget(const std::string& identity,
               VelmoraWidgetExperience experience = fixtures::experience("en")) {
        auto client = std::make_shared<testing::ScriptedWidgetClient>(identity);
        client->onLoadWidgetContent = []() -> boost::asio::awaitable<VelmoraWidgetContentSnapshot> {
            co_return VelmoraWidgetContentSnapshot{};
        };
        clients.push_back(client);
        VelmoraWidgetNavigation navigation{true, true};
        auto* vc = makeQtChild<VelmoraWidgetViewController>(
            qtContext.get_executor(), std::static_pointer_cast<VelmoraWidgetClient>(client),
            std::move(experience), true, navigation,
            VelmoraWidgetPreparedState(navigation, std::nullopt, "Acme"),
            std::vector<std::string>{}, JSONValue::Object{},
            std::make_shared<VelmoraFixedPlatformSettings>(), &window);
        vc->setOnHostDismissed([this, vc] { ++dismissals[vc]; });
        made.emplace_back(vc);
        return vc;
    }
    /// Embeds `vc` in a container of the host window and activates it.
    QWidget* embed(VelmoraWidgetViewController* vc) {
        auto* container = makeQtChild<QWidget>(&window);
        auto* layout = makeQtChild<QVBoxLayout>(container);
        layout->addWidget(vc);
        window.layout()->addWidget(container);
        container->show();
        vc->activateEmbeddedHost();
        testing::drainEvents();
        return container;
    }

    VelmoraQtExecutionContext qtContext;
    QWidget window;
    VelmoraWidgetNavigationStack* stack = nullptr;
    QWidget* home = nullptr;
    std::vector<std::shared_ptr<testing::ScriptedWidgetClient>> clients;
    std::vector<QPointer<VelmoraWidgetViewController>> made;
    std::map<VelmoraWidgetViewController*, int> dismissals;
};

using HostingShowCloseTest = HostingFixture;

TEST_F(HostingShowCloseTest, ConstructionMountsWithoutOpeningAndKeepsTheDesignSurface) {
    auto experience = fixtures::experience("en", VelmoraWidgetColorMode::light);
    experience.appearance.light.surface = "#1a3"; // three digits: the views' parser reads them
    experience.platformOverride = VelmoraWidgetPlatformOverride{};
    experience.platformOverride->safeArea =
        VelmoraWidgetPlatformOverride::SafeArea{.topPx = 20, .leftPx = 10};
    auto* vc = makeWidget("construction", experience);
    EXPECT_TRUE(vc->widgetController()->isMounted());
    EXPECT_FALSE(vc->widgetController()->isOpen());
    EXPECT_EQ(vc->hostPresentation(), Presentation::modal);

    // The margins the design asks for show its surface, not the desktop's window colour.
    vc->resize(300, 400);
    const QImage picture = vc->grab().toImage();
    EXPECT_EQ(picture.pixelColor(4, 4), QColor(0x11, 0xaa, 0x33));
    EXPECT_EQ(picture.pixelColor(150, 8), QColor(0x11, 0xaa, 0x33));
    EXPECT_EQ(vc->widgetScreen().geometry().topLeft(), QPoint(10, 20));
}

/// One round of show, a refused second show, and close, for each way of showing.
TEST_F(HostingShowCloseTest, EachModeShowsOnceRefusesASecondShowAndClosesOnce) {
    struct Case {
        const char* name;
        Presentation mode;
        bool embedded;
    };
    const Case cases[] = {{"modal", Presentation::modal, false},
                          {"push", Presentation::push, false},
                          {"embedded", Presentation::modal, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto* vc = makeWidget(std::string("round-") + c.name);
        if (c.embedded)
            embed(vc);
        else
            vc->show(c.mode == Presentation::push ? static_cast<QWidget*>(home) : &window, c.mode,
                     false);
        testing::drainEvents();
        const auto& controller = *vc->widgetController();
        EXPECT_TRUE(controller.isOpen());
        EXPECT_TRUE(controller.isForeground());
        EXPECT_TRUE(vc->isVisible());
        EXPECT_EQ(vc->hostPresentation(), c.mode);
        if (c.mode == Presentation::modal && !c.embedded) {
            EXPECT_TRUE(vc->isWindow());
            EXPECT_EQ(vc->windowModality(), Qt::WindowModal);
            EXPECT_EQ(vc->parentWidget(), &window);
            EXPECT_EQ(vc->geometry(), window.geometry());
        }
        if (c.mode == Presentation::push)
            EXPECT_EQ(stack->pages(), (std::vector<QWidget*>{home, vc}));

        // A second show, in either mode, is refused and changes nothing.
        for (const auto mode : {Presentation::modal, Presentation::push}) {
            try {
                vc->show(home, mode, false);
                ADD_FAILURE() << "a second show was accepted";
            } catch (const VelmoraError& error) {
                EXPECT_EQ(error.code(), VelmoraErrorCode::requestInProgress);
                EXPECT_STREQ(error.what(), "Velmora widget is already shown.");
            }
            EXPECT_EQ(vc->hostPresentation(), c.mode);
            EXPECT_TRUE(controller.isOpen());
            EXPECT_TRUE(vc->isVisible());
            EXPECT_EQ(stack->count(), c.mode == Presentation::push ? 2 : 1);
        }
        EXPECT_EQ(dismissals[vc], 0);

        if (c.embedded) {
            // Hidden on purpose: closed, draft kept; shown again: open again.
            vc->widgetController()->updateDraft("half a thought");
            vc->setEmbeddedVisible(false);
            EXPECT_FALSE(vc->isVisible());
            EXPECT_FALSE(controller.isOpen());
            EXPECT_EQ(VelmoraWidgetDraftStore::shared()->state(*clients.back())->text,
                      "half a thought");
            vc->setEmbeddedVisible(true);
            EXPECT_TRUE(vc->isVisible());
            EXPECT_TRUE(controller.isOpen());
            EXPECT_EQ(controller.draft(), "half a thought");
            EXPECT_EQ(dismissals[vc], 0);
            // Removed by the host: that is leaving for good.
            const auto kept = vc->widgetController();
            auto* key = vc;
            destroyQtChild(vc);
            EXPECT_FALSE(kept->isOpen());
            EXPECT_EQ(dismissals[key], 1);
            continue;
        }

        vc->close(false);
        testing::drainEvents();
        EXPECT_FALSE(controller.isOpen());
        EXPECT_FALSE(vc->isVisible());
        EXPECT_EQ(dismissals[vc], 1);
        EXPECT_EQ(stack->pages(), std::vector<QWidget*>{home});
        EXPECT_TRUE(home->isVisible());
        // Closing again does nothing and reports nothing.
        vc->close(false);
        testing::drainEvents();
        EXPECT_EQ(dismissals[vc], 1);
        // Once closed, it may be shown again.
        vc->show(home, c.mode, false);
        testing::drainEvents();
        EXPECT_TRUE(controller.isOpen());
        vc->close(false);
        testing::drainEvents();
        EXPECT_EQ(dismissals[vc], 2);
    }
}

TEST_F(HostingShowCloseTest, EmbeddedChildRemovedByItsHostIsDismissedOnce) {
    auto* vc = makeWidget("embedded-removed");
    embed(vc);
    auto controller = vc->widgetController();
    ASSERT_TRUE(controller->isOpen());
    auto* key = vc;
    destroyQtChild(vc);
    EXPECT_FALSE(controller->isOpen());
    EXPECT_EQ(dismissals[key], 1);
}

TEST_F(HostingShowCloseTest, PushWithoutAStackIsUnsupportedAndShowsNothing) {
    auto* vc = makeWidget("no-stack");
    QWidget outside;
    try {
        vc->show(&outside, Presentation::push, true);
        ADD_FAILURE() << "push without a stack was accepted";
    } catch (const VelmoraError& error) {
        EXPECT_EQ(error.code(), VelmoraErrorCode::unsupported);
        EXPECT_STREQ(error.what(),
                     "Widget push presentation requires a navigation controller host.");
        EXPECT_FALSE(error.status());
    }
    EXPECT_EQ(vc->hostPresentation(), Presentation::push);
    EXPECT_FALSE(vc->widgetController()->isOpen());
    EXPECT_FALSE(vc->isVisible());
    // Closing it pops nothing of the host's.
    vc->close(false);
    EXPECT_EQ(stack->pages(), std::vector<QWidget*>{home});
    EXPECT_EQ(dismissals[vc], 0);
    // The same widget can still be pushed onto a real stack, from the stack itself.
    vc->show(stack, Presentation::push, false);
    EXPECT_EQ(stack->top(), vc);
}

TEST_F(HostingShowCloseTest, ClosingAWidgetThatIsNotOnTopRemovesExactlyIt) {
    auto* vc = makeWidget("covered-close");
    vc->show(home, Presentation::push, false);
    auto* other = makeQtChild<QWidget>();
    stack->push(other);
    testing::drainEvents();
    // Covered: in the background, neither dismissed nor taken off.
    EXPECT_FALSE(vc->isVisible());
    EXPECT_FALSE(vc->widgetController()->isForeground());
    EXPECT_EQ(dismissals[vc], 0);

    vc->close(false);
    testing::drainEvents();
    EXPECT_EQ(stack->pages(), (std::vector<QWidget*>{home, other}));
    EXPECT_EQ(stack->top(), other);
    EXPECT_TRUE(other->isVisible());
    EXPECT_FALSE(home->isVisible());
    EXPECT_FALSE(vc->widgetController()->isOpen());
    EXPECT_EQ(dismissals[vc], 1);
}

TEST_F(HostingShowCloseTest, CoveredThenUncoveredComesBackAndTheHostsPopDismissesOnce) {
    auto* vc = makeWidget("covered-back");
    vc->show(home, Presentation::push, false);
    testing::drainEvents();
    vc->widgetController()->updateDraft("kept while covered");
    auto* other = makeQtChild<QWidget>();
    stack->push(other);
    testing::drainEvents();
    EXPECT_EQ(dismissals[vc], 0);

    EXPECT_EQ(stack->pop(), other);
    testing::drainEvents();
    EXPECT_TRUE(vc->isVisible());
    EXPECT_TRUE(vc->widgetController()->isOpen());
    EXPECT_TRUE(vc->widgetController()->isForeground());
    EXPECT_EQ(vc->widgetController()->draft(), "kept while covered");
    EXPECT_EQ(dismissals[vc], 0);

    // The host's own back navigation ends the widget just as close does.
    EXPECT_EQ(stack->pop(), vc);
    testing::drainEvents();
    EXPECT_FALSE(vc->widgetController()->isOpen());
    EXPECT_EQ(dismissals[vc], 1);
    EXPECT_TRUE(home->isVisible());
}

TEST_F(HostingShowCloseTest, ModalClosedByTheUserIsDismissedOnceAndKeepsTheDraft) {
    auto* vc = makeWidget("modal-user-close");
    vc->show(&window, Presentation::modal, true);
    testing::drainEvents();
    vc->widgetController()->updateDraft("unsent");
    // The window's own close button.
    EXPECT_TRUE(vc->close());
    testing::drainEvents();
    EXPECT_FALSE(vc->isVisible());
    EXPECT_FALSE(vc->widgetController()->isOpen());
    EXPECT_EQ(dismissals[vc], 1);
    EXPECT_EQ(VelmoraWidgetDraftStore::shared()->state(*clients.back())->text, "unsent");
    vc->close(true);
    EXPECT_EQ(dismissals[vc], 1);
}

TEST_F(HostingShowCloseTest, MinimisingIsBackgroundAndLosingFocusIsNot) {
    struct Case {
        const char* name;
        bool modal;
    };
    for (const auto& c : {Case{"modal", true}, Case{"embedded", false}}) {
        SCOPED_TRACE(c.name);
        auto* vc = makeWidget(std::string("minimise-") + c.name);
        if (c.modal)
            vc->show(&window, Presentation::modal, false);
        else
            embed(vc);
        testing::drainEvents();
        QWidget* sceneWindow = vc->window();
        const auto& controller = *vc->widgetController();

        QEvent deactivate(QEvent::WindowDeactivate);
        QApplication::sendEvent(sceneWindow, &deactivate);
        QEvent focusOut(QEvent::FocusOut);
        QApplication::sendEvent(vc, &focusOut);
        EXPECT_TRUE(controller.isForeground());
        EXPECT_TRUE(controller.isOpen());

        // Another window of the application going down is not this widget's business.
        QWidget elsewhere;
        elsewhere.show();
        elsewhere.setWindowState(Qt::WindowMinimized);
        EXPECT_TRUE(controller.isForeground());

        sceneWindow->setWindowState(Qt::WindowMinimized);
        testing::drainEvents();
        EXPECT_FALSE(controller.isForeground());
        EXPECT_EQ(dismissals[vc], 0);
        sceneWindow->setWindowState(Qt::WindowNoState);
        testing::drainEvents();
        EXPECT_TRUE(controller.isForeground());
        EXPECT_EQ(dismissals[vc], 0);
        if (c.modal)
            vc->close(false);
        else
            vc->setEmbeddedVisible(false);
        testing::drainEvents();
    }
}

// ---- The launcher and the container ----

using ContainerTest = HostingFixture;

TEST_F(ContainerTest, HidingClosesAndKeepsTheDraftDestroyingEndsTheController) {
    // The host switches between two pages of its own; the container is on the first.
    auto* pages = makeQtChild<QStackedWidget>(&window);
    window.layout()->addWidget(pages);
    auto client = std::make_shared<testing::ScriptedWidgetClient>("container");
    client->onLoadWidgetContent = []() -> boost::asio::awaitable<VelmoraWidgetContentSnapshot> {
        co_return VelmoraWidgetContentSnapshot{};
    };
    auto store = std::make_shared<VelmoraWidgetDraftStore>();
    VelmoraWidgetNavigation navigation{true, true};
    auto controller = VelmoraWidgetController::create(
        qtContext.get_executor(), client, true, navigation,
        VelmoraWidgetPreparedState(navigation, std::nullopt, std::nullopt), {}, {}, store);
    auto experience = fixtures::experience("en", VelmoraWidgetColorMode::light);
    auto values = experience.copy.values();
    values["panel.title"] = "Support";
    experience.copy = VelmoraWidgetCopy(values);
    auto* container = makeQtChild<VelmoraWidgetContainer>(
        controller, experience, std::make_shared<VelmoraFixedPlatformSettings>());
    auto* elsewhere = makeQtChild<QWidget>();
    pages->addWidget(container);
    pages->addWidget(elsewhere);
    pages->setCurrentWidget(container);
    testing::drainEvents();
    EXPECT_TRUE(controller->isMounted());
    EXPECT_FALSE(controller->isOpen());

    auto* launcher = container->findChild<QAbstractButton*>("velmora.widget.launcher");
    ASSERT_TRUE(launcher);
    EXPECT_EQ(launcher->accessibleName(), "Support");
    EXPECT_TRUE(launcher->isVisible());
    EXPECT_FALSE(container->widgetScreen().isVisible());
    // Bottom trailing, 16 points in.
    EXPECT_EQ(launcher->geometry().right(), container->width() - 16 - 1);
    EXPECT_EQ(launcher->geometry().bottom(), container->height() - 16 - 1);

    launcher->click();
    ASSERT_TRUE(testing::processEventsUntil([&] { return container->widgetScreen().isVisible(); }));
    EXPECT_TRUE(controller->isOpen());
    EXPECT_FALSE(launcher->isVisible());
    controller->updateDraft("draft across tabs");

    // The host shows another page: the widget closes, the draft stays (in memory and stored).
    pages->setCurrentWidget(elsewhere);
    testing::drainEvents();
    EXPECT_FALSE(controller->isOpen());
    EXPECT_TRUE(controller->isMounted());
    EXPECT_EQ(store->state(*client)->text, "draft across tabs");

    // Back again: the launcher shows, and reopening finds the draft in the composer.
    pages->setCurrentWidget(container);
    testing::drainEvents();
    EXPECT_TRUE(launcher->isVisible());
    launcher->click();
    ASSERT_TRUE(testing::processEventsUntil([&] { return container->widgetScreen().isVisible(); }));
    EXPECT_EQ(controller->draft(), "draft across tabs");

    // The container's own end ends the widget for good.
    destroyQtChild(container);
    EXPECT_FALSE(controller->isMounted());
    EXPECT_FALSE(store->state(*client));
    controller->open();
    EXPECT_FALSE(controller->isOpen());
    const std::weak_ptr<VelmoraWidgetController> weak = controller;
    controller.reset();
    testing::processEventsUntil([&] { return weak.expired(); });
}

TEST_F(ContainerTest, AnOpenControllerShowsTheScreenAndNoLauncher) {
    auto client = std::make_shared<testing::ScriptedWidgetClient>("container-open");
    client->onLoadWidgetContent = []() -> boost::asio::awaitable<VelmoraWidgetContentSnapshot> {
        co_return VelmoraWidgetContentSnapshot{};
    };
    VelmoraWidgetNavigation navigation{true, true};
    auto controller = VelmoraWidgetController::create(
        qtContext.get_executor(), client, true, navigation,
        VelmoraWidgetPreparedState(navigation, std::nullopt, std::nullopt), {}, {},
        std::make_shared<VelmoraWidgetDraftStore>());
    controller->open();
    auto* container = makeQtChild<VelmoraWidgetContainer>(
        controller, fixtures::experience("en"), std::make_shared<VelmoraFixedPlatformSettings>(),
        &window);
    window.layout()->addWidget(container);
    container->show();
    testing::drainEvents();
    EXPECT_TRUE(container->widgetScreen().isVisible());
    EXPECT_FALSE(container->launcher().isVisible());
    destroyQtChild(container);
    const std::weak_ptr<VelmoraWidgetController> weak = controller;
    controller.reset();
    testing::processEventsUntil([&] { return weak.expired(); });
}

} // namespace
} // namespace velmora
