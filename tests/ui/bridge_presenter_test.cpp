// The presenter that cross-platform hosts drive with an option dictionary: presenting,
// embedding and closing, one widget per window, and stale preparations that must not attach.
#include "platform/qt_child.hpp"
#include "service_client_fixture.hpp"
#include "views/message_text_view.hpp"

#include "ui/controller_test_support.hpp"
#include "ui/ui_test_support.hpp"
#include "velmora/stores.hpp"
#include "velmora/transport.hpp"
#include "velmora/ui/qt_main_executor.hpp"
#include "velmora/ui/widget_bridge_presenter.hpp"
#include "velmora/ui/widget_hosting.hpp"
#include "velmora/ui/widget_locale_catalog.hpp"
#include "widget_service.hpp"

#include <QAbstractButton>
#include <QTest>
#include <QVBoxLayout>
#include <boost/asio/as_tuple.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/json.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace velmora {
namespace {

using namespace detail;
using Dictionary = VelmoraHostDictionary;
using Presenter = VelmoraWidgetBridgePresenter;

/// How one present or embed ended.
struct Outcome {
    bool done = false;
    std::exception_ptr failure;

    /// The `VelmoraError` it failed with, as "code: message"; "ok" when it succeeded.
    std::string text() const {
        if (!failure)
            return "ok";
        try {
            std::rethrow_exception(failure);
        } catch (const VelmoraError& e) {
            EXPECT_FALSE(e.status());
            return std::string(rawValue(e.code())) + ": " + e.message();
        } catch (const std::exception& e) {
            return std::string("other: ") + e.what();
        }
    }
};

/// A host window with a navigation stack holding one page of its own, a second window, and
/// presenters over scripted clients. The service's appearance can be held back by a gate.
class PresenterFixture : public ::testing::Test {
protected:
    PresenterFixture() {
        auto* layout = makeQtChild<QVBoxLayout>(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        stack = makeQtChild<VelmoraWidgetNavigationStack>(&window);
        layout->addWidget(stack);
        home = makeQtChild<QWidget>();
        stack->push(home);
        window.resize(420, 720);
        window.show();
        otherWindow.resize(420, 720);
        otherWindow.show();
        drain();
    }
    ~PresenterFixture() override {
        // Installed factories are process-wide; none may outlive a test.
        Presenter::uninstallVoiceFactory();
        std::vector<std::weak_ptr<VelmoraWidgetController>> controllers;
        for (const auto& presenter : presenters)
            if (auto* vc = presenter->presentedHost())
                controllers.push_back(vc->widgetController());
        for (const auto& presenter : presenters)
            presenter->close(false);
        presenters.clear();
        gate.cancel();
        // Deletions and cancelled work complete on later turns; the executor must outlive them.
        testing::processEventsUntil([&] {
            for (const auto& weak : controllers)
                if (!weak.expired())
                    return false;
            return true;
        });
        drain();
    }

    std::shared_ptr<Presenter> makePresenter() {
        auto presenter = Presenter::create(qtContext.get_executor(),
                                           std::make_shared<VelmoraFixedPlatformSettings>());
        presenter->setOnModalClosed([this] { ++modalClosed; });
        presenter->setOnEmbeddedClosed([this] { ++embeddedClosed; });
        presenters.push_back(presenter);
        return presenter;
    }

    std::shared_ptr<testing::ScriptedWidgetClient> makeClient(const std::string& identity) {
        auto client = std::make_shared<testing::ScriptedWidgetClient>(identity);
        client->navigation = VelmoraWidgetNavigation{true, true};
        client->workspaceName = "Acme";
        client->onLoadWidgetContent = []() -> boost::asio::awaitable<VelmoraWidgetContentSnapshot> {
            co_return VelmoraWidgetContentSnapshot{};
        };
        client->onLoadWidgetAppearance = [this]() -> boost::asio::awaitable<JSONValue::Object> {
            if (holdAppearance)
                co_await gate.async_wait(boost::asio::as_tuple(boost::asio::use_awaitable));
            co_return appearance;
        };
        return client;
    }

    std::shared_ptr<Outcome> present(Presenter& presenter, Dictionary options, QWidget* from,
                                     const std::string& identity = "presenter") {
        auto outcome = std::make_shared<Outcome>();
        presenter.present(makeClient(identity), std::move(options), from,
                          [outcome](std::exception_ptr failure) {
                              outcome->done = true;
                              outcome->failure = failure;
                          });
        return outcome;
    }
    std::shared_ptr<Outcome> embed(Presenter& presenter, Dictionary options, QWidget* container,
                                   QWidget* parent, const std::string& identity = "embedded") {
        auto outcome = std::make_shared<Outcome>();
        presenter.embed(makeClient(identity), std::move(options), container, parent,
                        [outcome](std::exception_ptr failure) {
                            outcome->done = true;
                            outcome->failure = failure;
                        });
        return outcome;
    }
    std::string finish(const std::shared_ptr<Outcome>& outcome) {
        EXPECT_TRUE(testing::processEventsUntil([&] { return outcome->done; }));
        drain();
        return outcome->text();
    }
    /// One turn, and the deletions the widgets asked for (which the event loop of a running
    /// application performs as it returns, and `processEvents` does not).
    static void drain() {
        testing::drainEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void release() {
        holdAppearance = false;
        gate.cancel();
    }

    VelmoraQtExecutionContext qtContext;
    QWidget window;
    QWidget otherWindow;
    VelmoraWidgetNavigationStack* stack = nullptr;
    QWidget* home = nullptr;
    boost::asio::steady_timer gate{qtContext.get_executor(), std::chrono::hours(1)};
    bool holdAppearance = false;
    JSONValue::Object appearance = {{"mode", "light"}};
    std::vector<std::shared_ptr<Presenter>> presenters;
    int modalClosed = 0;
    int embeddedClosed = 0;
};

using BridgePresenterTest = PresenterFixture;

TEST_F(BridgePresenterTest, PresentsWhatTheOptionsAskAndClosesOnce) {
    auto presenter = makePresenter();
    const Dictionary options{
        {"widget", Dictionary{{"locale", "de"}, {"view", "messages"}, {"title", "Hilfe-Team"}}}};
    EXPECT_EQ(finish(present(*presenter, options, &window)), "ok");

    QPointer<VelmoraWidgetViewController> vc = presenter->presentedHost();
    ASSERT_TRUE(vc);
    EXPECT_TRUE(vc->isVisible());
    EXPECT_TRUE(vc->isWindow());
    EXPECT_EQ(vc->hostPresentation(), VelmoraWidgetHostPresentation::modal);
    EXPECT_FALSE(presenter->isPresentationInFlight());
    const auto& controller = *vc->widgetController();
    EXPECT_TRUE(controller.isOpen());
    EXPECT_EQ(controller.screen(), VelmoraWidgetViewMode::messages);
    // The design was resolved in the options' locale, with the host's title over it.
    EXPECT_EQ(vc->experience().locale, "de");
    EXPECT_EQ(vc->experience().copy.values().at("panel.title"), "Hilfe-Team");
    EXPECT_EQ(vc->experience().copy.values().at("nav.help"), "Hilfe");

    presenter->close(false);
    drain();
    EXPECT_EQ(modalClosed, 1);
    EXPECT_FALSE(presenter->presentedHost());
    // A widget that left the screen is deleted.
    EXPECT_FALSE(vc);
}

TEST_F(BridgePresenterTest, HostSideDismissalReportsOnceAndFreesThePresenter) {
    auto presenter = makePresenter();
    ASSERT_EQ(finish(present(*presenter, {}, &window)), "ok");
    QPointer<VelmoraWidgetViewController> vc = presenter->presentedHost();
    ASSERT_TRUE(vc);
    vc->QWidget::close(); // the user closes the widget's window
    drain();
    EXPECT_EQ(modalClosed, 1);
    EXPECT_FALSE(vc);
    // Closing afterwards reports nothing more; a new presentation is possible.
    presenter->close(false);
    EXPECT_EQ(modalClosed, 1);
    EXPECT_EQ(finish(present(*presenter, {}, &window)), "ok");
}

// Where the design sends the widget, from a page inside the host's navigation stack or from a
// window without one.
TEST_F(BridgePresenterTest, DesignNavigationChoosesHowToPresent) {
    QWidget plainWindow;
    plainWindow.resize(300, 300);
    plainWindow.show();
    drain();
    const std::string push = "unsupported: Widget push presentation requires a navigation "
                             "controller host.";
    struct Case {
        const char* name;
        Dictionary navigation;
        bool fromStack;
        std::string outcome;
        std::optional<VelmoraWidgetHostPresentation> mode;
    } cases[] = {
        {"no navigation", {}, true, "ok", VelmoraWidgetHostPresentation::modal},
        {"modal and dismiss",
         {{"presentation", "modal"}, {"closeBehavior", "dismiss"}},
         true,
         "ok",
         VelmoraWidgetHostPresentation::modal},
        {"push alone means push and pop",
         {{"presentation", "push"}},
         true,
         "ok",
         VelmoraWidgetHostPresentation::push},
        {"push without a stack",
         {{"presentation", "push"}, {"closeBehavior", "pop"}},
         false,
         push,
         std::nullopt},
        {"modal with pop",
         {{"presentation", "modal"}, {"closeBehavior", "pop"}},
         true,
         "unsupported: Widget navigation presentation and close behavior are incompatible.",
         std::nullopt},
        {"hidden close",
         {{"presentation", "modal"}, {"closeBehavior", "hidden"}},
         true,
         "unsupported: Widget hidden close behavior is unsupported by the native host.",
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto presenter = makePresenter();
        Dictionary options;
        if (!c.navigation.empty())
            options.set("platform", Dictionary{{"navigation", c.navigation}});
        EXPECT_EQ(finish(present(*presenter, options, c.fromStack ? home : &plainWindow)),
                  c.outcome);
        if (c.mode) {
            ASSERT_TRUE(presenter->presentedHost());
            EXPECT_EQ(presenter->presentedHost()->hostPresentation(), *c.mode);
            if (*c.mode == VelmoraWidgetHostPresentation::push)
                EXPECT_EQ(stack->top(), presenter->presentedHost());
        } else {
            // Nothing attached, nothing left in flight.
            EXPECT_FALSE(presenter->presentedHost());
            EXPECT_FALSE(presenter->isPresentationInFlight());
            EXPECT_EQ(stack->count(), 1);
        }
        presenter->close(false);
        drain();
        EXPECT_EQ(stack->pages(), std::vector<QWidget*>{home});
    }
}

TEST_F(BridgePresenterTest, FailuresLeaveNothingBehind) {
    QWidget hidden;
    struct Case {
        const char* name;
        Dictionary options;
        QWidget* from;
        std::function<void(testing::ScriptedWidgetClient&)> script;
        std::string outcome;
    } cases[] = {
        {"options",
         {{"locale", "fr"}},
         &window,
         nullptr,
         "field-invalid: Unsupported widget locale."},
        {"host not in a shown window",
         {},
         &hidden,
         nullptr,
         "invalid-config: Velmora widget presenter is not attached to a window."},
        {"no host at all",
         {},
         nullptr,
         nullptr,
         "invalid-config: Velmora widget presenter is not attached to a window."},
        {"no widget navigation",
         {},
         &window,
         [](auto& client) { client.navigation = std::nullopt; },
         "invalid-config: Widget navigation configuration is missing."},
        {"the service's appearance fails",
         {},
         &window,
         [](auto& client) {
             client.onLoadWidgetAppearance = []() -> boost::asio::awaitable<JSONValue::Object> {
                 throw testing::velmoraError(VelmoraErrorCode::network, "offline");
                 co_return JSONValue::Object{};
             };
         },
         "network: offline"},
        {"something other than a VelmoraError",
         {},
         &window,
         [](auto& client) {
             client.onLoadWidgetAppearance = []() -> boost::asio::awaitable<JSONValue::Object> {
                 throw std::runtime_error("boom");
                 co_return JSONValue::Object{};
             };
         },
         "invalid-config: Widget appearance or presentation options are invalid."},
        {"the service's design has a stray key",
         {},
         &window,
         [](auto& client) {
             client.onLoadWidgetAppearance = []() -> boost::asio::awaitable<JSONValue::Object> {
                 co_return JSONValue::Object{{"light", JSONValue::Object{}}};
             };
         },
         "field-invalid: Unknown widget option: appearance.light"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto presenter = makePresenter();
        auto client = makeClient(c.name);
        if (c.script)
            c.script(*client);
        auto outcome = std::make_shared<Outcome>();
        presenter->present(client, c.options, c.from, [outcome](std::exception_ptr failure) {
            outcome->done = true;
            outcome->failure = failure;
        });
        EXPECT_EQ(finish(outcome), c.outcome);
        EXPECT_FALSE(presenter->presentedHost());
        EXPECT_FALSE(presenter->isPresentationInFlight());
        EXPECT_TRUE(window.findChildren<VelmoraWidgetViewController*>().empty());
        // The presenter is free again.
        EXPECT_EQ(finish(present(*presenter, {}, &window)), "ok");
        presenter->close(false);
        drain();
    }
}

TEST_F(BridgePresenterTest, StalePreparationsNeverAttach) {
    auto presenter = makePresenter();
    holdAppearance = true;

    // A second present while the first loads is refused at once.
    auto first = present(*presenter, {}, &window);
    drain();
    EXPECT_TRUE(presenter->isPresentationInFlight());
    EXPECT_EQ(finish(present(*presenter, {}, &window)),
              "request-in-progress: Velmora widget is already presented.");

    // Closing while it loads cancels it: nothing appears, nothing is reported.
    presenter->close(false);
    release();
    EXPECT_EQ(finish(first), "session-expired: Velmora widget presentation was cancelled.");
    EXPECT_FALSE(presenter->presentedHost());
    EXPECT_TRUE(window.findChildren<VelmoraWidgetViewController*>().empty());
    EXPECT_EQ(modalClosed, 0);

    // A later presentation is not disturbed by the one that was cancelled.
    EXPECT_EQ(finish(present(*presenter, {}, &window)), "ok");
    EXPECT_TRUE(presenter->presentedHost());
}

TEST_F(BridgePresenterTest, OneWidgetPerWindow) {
    auto first = makePresenter();
    auto second = makePresenter();
    holdAppearance = true;
    auto loading = present(*first, {}, &window);
    drain();
    EXPECT_EQ(finish(present(*second, {}, home)),
              "request-in-progress: A Velmora widget already owns this scene.");
    // Another window is free.
    auto elsewhere = present(*second, {}, &otherWindow);
    release();
    EXPECT_EQ(finish(loading), "ok");
    EXPECT_EQ(finish(elsewhere), "ok");
    EXPECT_EQ(first->presentedHost()->parentWidget(), &window);
    EXPECT_EQ(second->presentedHost()->parentWidget(), &otherWindow);

    // Once the first closes, its window takes a widget of another presenter.
    auto third = makePresenter();
    EXPECT_EQ(finish(present(*third, {}, &window)),
              "request-in-progress: A Velmora widget already owns this scene.");
    first->close(false);
    EXPECT_EQ(finish(present(*third, {}, &window)), "ok");
}

TEST_F(BridgePresenterTest, EmbedsFillingTheContainerAndReportsEachClosingOnce) {
    auto* container = makeQtChild<QWidget>(&window);
    window.layout()->addWidget(container);
    container->show();
    drain();

    auto presenter = makePresenter();
    ASSERT_EQ(finish(embed(*presenter, {{"view", "messages"}}, container, &window)), "ok");
    QPointer<VelmoraWidgetViewController> vc = presenter->presentedHost();
    ASSERT_TRUE(vc);
    EXPECT_EQ(vc->parentWidget(), container);
    EXPECT_TRUE(vc->isVisible());
    EXPECT_EQ(vc->geometry(), container->rect());
    const auto controller = vc->widgetController();
    EXPECT_TRUE(controller->isOpen());

    // Hidden and shown again: closed (draft kept), then open again.
    controller->updateDraft("half-written");
    presenter->setEmbeddedVisible(false);
    EXPECT_FALSE(vc->isVisible());
    EXPECT_FALSE(controller->isOpen());
    presenter->setEmbeddedVisible(true);
    EXPECT_TRUE(vc->isVisible());
    EXPECT_TRUE(controller->isOpen());
    EXPECT_EQ(controller->draft(), "half-written");

    // The presenter's close reports once; the widget goes.
    presenter->close(false);
    drain();
    EXPECT_EQ(embeddedClosed, 1);
    EXPECT_FALSE(vc);
    EXPECT_EQ(modalClosed, 0);

    // A host that deletes the embedded widget itself is reported once too.
    ASSERT_EQ(finish(embed(*presenter, {}, container, &window)), "ok");
    VelmoraWidgetViewController* child = presenter->presentedHost();
    destroyQtChild(child);
    drain();
    EXPECT_EQ(embeddedClosed, 2);
    EXPECT_FALSE(presenter->presentedHost());
    presenter->close(false);
    EXPECT_EQ(embeddedClosed, 2);
}

TEST_F(BridgePresenterTest, EmbedNeedsAContainerAttachedToItsParent) {
    auto* container = makeQtChild<QWidget>(&window);
    window.layout()->addWidget(container);
    container->show();
    QWidget stranger;
    QWidget hiddenWindow;
    auto* hiddenContainer = makeQtChild<QWidget>(&hiddenWindow);
    drain();

    const std::string detached =
        "invalid-config: Embedded widget container must be attached to its parent controller.";
    struct Case {
        const char* name;
        QWidget* container;
        QWidget* parent;
        std::string outcome;
    } cases[] = {
        {"container outside the parent", container, &stranger, detached},
        {"no container", nullptr, &window, detached},
        {"window not shown", hiddenContainer, &hiddenWindow,
         "invalid-config: Embedded widget requires an active host scene."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto presenter = makePresenter();
        EXPECT_EQ(finish(embed(*presenter, {}, c.container, c.parent)), c.outcome);
        EXPECT_FALSE(presenter->presentedHost());
    }

    // A container taken out of its parent while the widget is prepared gets no widget.
    auto presenter = makePresenter();
    holdAppearance = true;
    auto loading = embed(*presenter, {}, container, &window);
    drain();
    container->setParent(&stranger);
    release();
    EXPECT_EQ(finish(loading), "invalid-config: Embedded widget host detached before mounting.");
    EXPECT_FALSE(presenter->presentedHost());
    EXPECT_FALSE(presenter->isPresentationInFlight());
    drain();
    EXPECT_TRUE(container->findChildren<VelmoraWidgetViewController*>().empty());
}

TEST_F(BridgePresenterTest, HostActionsReachOnlyTheActionsTheWidgetWasGiven) {
    auto presenter = makePresenter();
    const auto handler =
        [](VelmoraHostActionRequest) -> boost::asio::awaitable<VelmoraHostActionResult> {
        co_return VelmoraHostActionResult{};
    };
    presenter->setHostActionHandler(handler, "open-cart");
    ASSERT_EQ(finish(present(*presenter,
                             {{"hostActionIds", VelmoraHostValue::Array{"open-cart", "track"}}},
                             &window)),
              "ok");
    const auto& controller = *presenter->presentedHost()->widgetController();
    // Installed before the widget existed, and passed on to it.
    EXPECT_TRUE(controller.isHostActionAvailable("open-cart"));
    EXPECT_FALSE(controller.isHostActionAvailable("track"));
    presenter->setHostActionHandler(handler, "track");
    EXPECT_TRUE(controller.isHostActionAvailable("track"));
    // An action the widget was not configured with stays the presenter's own.
    presenter->setHostActionHandler(handler, "refund");
    EXPECT_FALSE(controller.isHostActionAvailable("refund"));
    presenter->setHostActionHandler(nullptr, "open-cart");
    EXPECT_FALSE(controller.isHostActionAvailable("open-cart"));
}

TEST_F(BridgePresenterTest, AnswersHostActionCompletionsAsText) {
    auto presenter = makePresenter();
    const std::string completion =
        R"({"operation":"complete-host-action","requestId":"har_0123456789abcdef0123456789abcdef",)"
        R"("actionId":"open-cart","result":{"ok":true,"status":"completed"}})";
    EXPECT_EQ(presenter->performLocalOperation(R"({"operation":"other"})"), std::nullopt);
    EXPECT_EQ(presenter->performLocalOperation("not json"), std::nullopt);
    EXPECT_EQ(presenter->performLocalOperation(completion), R"({"completed":false})");
    ASSERT_EQ(finish(present(*presenter, {{"hostActionIds", VelmoraHostValue::Array{"open-cart"}}},
                             &window)),
              "ok");
    // Nothing is pending under that request.
    EXPECT_EQ(presenter->performLocalOperation(completion), R"({"completed":false})");
    EXPECT_THROW(
        presenter->performLocalOperation(R"({"operation":"complete-host-action","requestId":"x"})"),
        VelmoraError);
}

TEST_F(BridgePresenterTest, CompletesThePendingHostActionItsHostAnswers) {
    auto presenter = makePresenter();
    std::vector<VelmoraEvent> events;
    ASSERT_EQ(finish(present(*presenter, {{"hostActionIds", VelmoraHostValue::Array{"open-cart"}}},
                             &window)),
              "ok");
    // Set after the widget exists: the live widget takes it.
    presenter->setHostActionEventHandler(
        [&](const VelmoraEvent& event) { events.push_back(event); });
    const auto controller = presenter->presentedHost()->widgetController();
    controller->selectWorkflowOption(
        {.id = "buy", .labelKey = "k", .action = "host-action", .hostActionId = "open-cart"});
    drain();
    ASSERT_EQ(events.size(), 1u);
    const auto* requested = std::get_if<event::hostActionRequested>(&events.front());
    ASSERT_TRUE(requested);
    const std::string requestId = requested->value.requestId();

    const auto completion = [&](const std::string& id, const std::string& action) {
        return R"({"operation":"complete-host-action","requestId":")" + id + R"(","actionId":")" +
               action + R"(","result":{"ok":true,"status":"completed"}})";
    };
    // Another action's answer under the same request completes nothing.
    EXPECT_EQ(presenter->performLocalOperation(completion(requestId, "track")),
              R"({"completed":false})");
    EXPECT_TRUE(controller->isActionInFlight());
    EXPECT_EQ(presenter->performLocalOperation(completion(requestId, "open-cart")),
              R"({"completed":true})");
    EXPECT_FALSE(controller->isActionInFlight());
    ASSERT_TRUE(controller->hostActionResult());
    EXPECT_EQ(controller->hostActionResult()->status, VelmoraHostActionStatus::completed);
    // Answered once: a second answer finds nothing pending.
    EXPECT_EQ(presenter->performLocalOperation(completion(requestId, "open-cart")),
              R"({"completed":false})");
}

TEST_F(BridgePresenterTest, AnInstalledVoiceFactoryReachesEveryShownWidget) {
    std::vector<std::string> asked;
    const VelmoraVoiceFactory factory = [&asked](std::shared_ptr<VelmoraWidgetClient> client,
                                                 VelmoraWidgetVoiceSettings)
        -> boost::asio::awaitable<std::shared_ptr<VelmoraVoiceCapability>> {
        asked.push_back(client->widgetDraftIdentity());
        co_return nullptr;
    };
    // Widgets in a conversation whose service offers voice ask the factory once they show.
    const auto presentInSession = [&](Presenter& presenter, QWidget* from,
                                      const std::string& identity) {
        auto client = makeClient(identity);
        client->session = VelmoraSession{"s-" + identity, std::nullopt, "token"};
        client->voiceSettings = VelmoraWidgetVoiceSettings{true, "en", {"en"}};
        client->onRefresh = []() -> boost::asio::awaitable<VelmoraSnapshot> {
            co_return VelmoraSnapshot{};
        };
        client->onResumeSession = [session = *client->session]()
            -> boost::asio::awaitable<std::optional<VelmoraSession>> { co_return session; };
        auto outcome = std::make_shared<Outcome>();
        presenter.present(client, {}, from, [outcome](std::exception_ptr failure) {
            outcome->done = true;
            outcome->failure = failure;
        });
        return finish(outcome);
    };
    auto first = makePresenter();
    auto second = makePresenter();
    ASSERT_EQ(presentInSession(*first, &window, "voice-a"), "ok");
    ASSERT_EQ(presentInSession(*second, &otherWindow, "voice-b"), "ok");
    EXPECT_TRUE(asked.empty());

    Presenter::installVoiceFactory(factory);
    drain();
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, (std::vector<std::string>{"voice-a", "voice-b"}));
    EXPECT_TRUE(first->voiceFactory());
    // A presenter made later starts with it; uninstalling takes it from every presenter.
    EXPECT_TRUE(makePresenter()->voiceFactory());
    Presenter::uninstallVoiceFactory();
    EXPECT_FALSE(first->voiceFactory());
    EXPECT_FALSE(second->voiceFactory());
}

// ---- Against the local widget service ----

/// The service's configuration with a design of its own: an accent colour the host keeps.
std::string configurationWithDesign() {
    auto body = boost::json::parse(tools::WidgetService::defaultConfigurationBody()).as_object();
    body["config"].as_object()["appearance"] =
        boost::json::parse(R"({"tokens":{"light":{"accent":"#0a7d55"}}})");
    return boost::json::serialize(body);
}

class BridgePresenterServiceTest : public PresenterFixture,
                                   protected testing::ServiceClientFixture {
protected:
    explicit BridgePresenterServiceTest(tools::WidgetService::Options options = serviceOptions())
        : ServiceClientFixture(std::move(options), "account-bridge") {}
    ~BridgePresenterServiceTest() override {
        for (const auto& presenter : presenters)
            presenter->close(false);
        drain();
        VelmoraWidgetDraftStore::shared()->clear(*client);
    }
    static tools::WidgetService::Options serviceOptions() {
        tools::WidgetService::Options options;
        options.configurationBody = configurationWithDesign();
        return options;
    }

    std::string presentOverService(Presenter& presenter, Dictionary options) {
        auto outcome = std::make_shared<Outcome>();
        presenter.present(client, std::move(options), &window,
                          [outcome](std::exception_ptr failure) {
                              outcome->done = true;
                              outcome->failure = failure;
                          });
        return finish(outcome);
    }
    template <class T = QWidget> T* find(Presenter& presenter, const std::string& name) {
        auto* vc = presenter.presentedHost();
        return vc ? vc->findChild<T*>(QString::fromStdString(name)) : nullptr;
    }
};

TEST_F(BridgePresenterServiceTest, HostSendsAMessageThroughThePresentedWidgetAndKeepsItsDraft) {
    auto presenter = makePresenter();
    ASSERT_EQ(presentOverService(*presenter, {{"widget", Dictionary{{"view", "messages"}}}}), "ok");
    auto* vc = presenter->presentedHost();
    ASSERT_TRUE(vc);
    // The service's design, resolved for the native widget.
    EXPECT_EQ(vc->experience().appearance.light.accent, "#0a7d55");
    EXPECT_EQ(vc->experience().platform, VelmoraWidgetPlatform::ios);
    const auto controller = vc->widgetController();

    auto* input = find<VelmoraMessageTextView>(*presenter, "velmora.widget.message");
    ASSERT_TRUE(testing::processEventsUntil([&] {
        input = find<VelmoraMessageTextView>(*presenter, "velmora.widget.message");
        return input && input->isVisible() && !input->isReadOnly();
    }));
    input->setFocus();
    QTest::keyClicks(input, "Hello through the bridge");
    auto* send = find<QAbstractButton>(*presenter, "velmora.widget.send");
    ASSERT_TRUE(send);
    ASSERT_TRUE(testing::processEventsUntil([&] { return send->isEnabled(); }));
    send->click();
    const auto authored = [&](const std::string& author) {
        for (const auto& m : controller->messages())
            if (m.authorKind == author)
                return true;
        return false;
    };
    ASSERT_TRUE(testing::processEventsUntil([&] {
        // The send has finished its own work too: it tidies the stored draft as it ends.
        return authored("customer") && authored("ai") && !controller->mutationInFlight();
    }));

    // A draft left behind survives the host's close, and the next presentation shows it.
    controller->updateDraft("Still typing");
    presenter->close(false);
    drain();
    EXPECT_EQ(modalClosed, 1);
    EXPECT_EQ(VelmoraWidgetDraftStore::shared()->state(*client)->text, "Still typing");
    ASSERT_EQ(presentOverService(*presenter, {{"view", "messages"}}), "ok");
    const auto reopened = presenter->presentedHost()->widgetController();
    EXPECT_EQ(reopened->draft(), "Still typing");
    // Settled before the widget goes: its loads are done.
    ASSERT_TRUE(testing::processEventsUntil([&] {
        return !reopened->isLoadingConfiguration() && !reopened->content().isLoading &&
               !reopened->messages().empty();
    }));
}

/// The local service exactly as the project ships it.
class BridgePresenterDefaultServiceTest : public BridgePresenterServiceTest {
protected:
    BridgePresenterDefaultServiceTest()
        : BridgePresenterServiceTest(tools::WidgetService::Options{}) {}
};

TEST_F(BridgePresenterDefaultServiceTest, PresentsTheServicesDesignInTheLocaleAsked) {
    auto presenter = makePresenter();
    ASSERT_EQ(presentOverService(*presenter,
                                 {{"widget", Dictionary{{"locale", "de"}, {"view", "help"}}}}),
              "ok");
    auto* vc = presenter->presentedHost();
    ASSERT_TRUE(vc);
    const auto& experience = vc->experience();
    EXPECT_EQ(experience.locale, "de");
    EXPECT_EQ(experience.copy.values(), VelmoraWidgetLocaleCatalog::copy("de"));
    // The service's own design, not the defaults.
    EXPECT_EQ(experience.appearance.light.accent, "#2453d6");
    EXPECT_DOUBLE_EQ(experience.appearance.controlRadiusPx, 12);
    EXPECT_DOUBLE_EQ(experience.appearance.borderWidthPx, 1);

    const auto controller = vc->widgetController();
    ASSERT_TRUE(testing::processEventsUntil([&] {
        return controller->screen() == VelmoraWidgetViewMode::help &&
               !controller->isLoadingConfiguration() && !controller->content().isLoading &&
               controller->content().snapshot;
    }));
    // The help screen with the catalogue's German texts.
    ASSERT_TRUE(testing::processEventsUntil([&] {
        auto* title = find(*presenter, "velmora.widget.header.title");
        return title && title->accessibleName() ==
                            QString::fromStdString(experience.copy.values().at("nav.help"));
    }));
    EXPECT_EQ(experience.copy.values().at("nav.help"), "Hilfe");
    EXPECT_TRUE(testing::processEventsUntil(
        [&] { return find(*presenter, "velmora.widget.help.faq.opening-hours"); }));
}

} // namespace
} // namespace velmora
