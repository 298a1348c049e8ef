#include "velmora/ui/widget_bridge_presenter.hpp"

#include "hosting/bridge_configuration.hpp"
#include "platform/qt_child.hpp"
#include "velmora/client.hpp"
#include "velmora/host_actions.hpp"
#include "velmora/ui/widget_font.hpp"
#include "velmora/ui/widget_locale_catalog.hpp"
#include "velmora/ui/widget_view.hpp"

#include <QLayout>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

namespace velmora {

using namespace detail;

namespace {

using Presenter = VelmoraWidgetBridgePresenter;

VelmoraError presenterError(VelmoraErrorCode code, const char* message) {
    return VelmoraError(code, std::nullopt, std::nullopt, message);
}

// The live presenters, so that one window holds one widget and an installed voice factory
// reaches every widget. GUI thread only.
std::vector<std::weak_ptr<Presenter>>& registry() {
    static std::vector<std::weak_ptr<Presenter>> presenters;
    return presenters;
}

std::vector<std::shared_ptr<Presenter>> livePresenters() {
    auto& presenters = registry();
    std::erase_if(presenters, [](const auto& weak) { return weak.expired(); });
    std::vector<std::shared_ptr<Presenter>> live;
    for (const auto& weak : presenters)
        if (auto presenter = weak.lock())
            live.push_back(std::move(presenter));
    return live;
}

VelmoraVoiceFactory& installedFactory() {
    static VelmoraVoiceFactory factory;
    return factory;
}

bool isInside(const QWidget* container, const QWidget* parent) {
    return container != nullptr && parent != nullptr &&
           (container == parent || parent->isAncestorOf(container));
}

bool inShownWindow(const QWidget* widget) {
    return widget != nullptr && widget->window()->isVisible();
}

// The host's own top-level window: a widget presented modally is a window of its own, owned by
// the window it covers, and belongs to that window's place on screen.
QWidget* hostWindowOf(QWidget* widget) {
    QWidget* window = widget->window();
    while (window->parentWidget() != nullptr)
        window = window->parentWidget()->window();
    return window;
}

} // namespace

namespace detail {

class BridgePresenterPrivate {
public:
    struct PreparedHost {
        VelmoraWidgetViewController* controller;
        VelmoraWidgetExperience experience;
    };

    BridgePresenterPrivate(Presenter& presenter, boost::asio::any_io_executor mainExecutor,
                           std::shared_ptr<VelmoraPlatformSettings> s)
        : q(presenter), executor(std::move(mainExecutor)),
          settings(s ? std::move(s) : std::make_shared<VelmoraDesktopPlatformSettings>()),
          voiceFactory(installedFactory()), draftStore(VelmoraWidgetDraftStore::shared()) {}

    static BridgePresenterPrivate& of(Presenter& presenter) { return *presenter.d_; }

    boost::asio::awaitable<PreparedHost> prepareHost(std::shared_ptr<VelmoraWidgetClient> client,
                                                     const VelmoraHostDictionary& options,
                                                     std::int64_t generation, bool hostOwnsClose,
                                                     QPointer<QWidget> owner);
    void checkGeneration(std::int64_t generation) const;
    void checkPreparedHost(const PreparedHost& prepared, std::int64_t generation);
    void reserveWindow(QWidget* window);
    /// Ends a prepared widget that will not be shown.
    void discard(VelmoraWidgetViewController* controller);
    void endPreparation(std::int64_t generation);
    VelmoraWidgetExperience resolveExperience(const Data& design, const std::string& locale) const;
    static VelmoraWidgetHostPresentation hostPresentation(const VelmoraWidgetExperience& experience,
                                                          QWidget* presenter);
    void hostDismissed(VelmoraWidgetViewController* controller);
    void passVoiceFactory(VelmoraWidgetController& controller) const;
    /// The store forgets the client's draft and the shown widget drops its own.
    template <class Client> std::optional<VelmoraError> clearDraft(const Client& client) {
        auto failure = draftStore->clear(client);
        if (presentedHost)
            presentedHost->widgetController()->discardDraftForSessionReset();
        return failure;
    }

    Presenter& q;
    boost::asio::any_io_executor executor;
    std::shared_ptr<VelmoraPlatformSettings> settings;
    VelmoraVoiceFactory voiceFactory;
    Presenter::HostActionEventCallback hostActionEventHandler;
    std::map<std::string, VelmoraHostActionHandler> hostActionHandlers;
    QPointer<VelmoraWidgetViewController> presentedHost;
    QPointer<QWidget> embeddedContainer;
    bool embeddedPresentation = false;
    QPointer<QWidget> reservedWindow;
    Presenter::ClosedCallback onEmbeddedClosed;
    Presenter::ClosedCallback onModalClosed;
    std::shared_ptr<VelmoraWidgetDraftStore> draftStore;
    bool presentationInFlight = false;
    std::int64_t presentationGeneration = 0;
};

} // namespace detail

using PresenterPrivate = detail::BridgePresenterPrivate;
using PreparedHost = PresenterPrivate::PreparedHost;

Presenter::VelmoraWidgetBridgePresenter(boost::asio::any_io_executor mainExecutor,
                                        std::shared_ptr<VelmoraPlatformSettings> settings)
    : d_(std::make_unique<PresenterPrivate>(*this, std::move(mainExecutor), std::move(settings))) {}

std::shared_ptr<Presenter> Presenter::create(boost::asio::any_io_executor mainExecutor,
                                             std::shared_ptr<VelmoraPlatformSettings> settings) {
    std::shared_ptr<Presenter> presenter(
        new Presenter(std::move(mainExecutor), std::move(settings)));
    livePresenters();
    registry().push_back(presenter);
    return presenter;
}

Presenter::~VelmoraWidgetBridgePresenter() {
    // A widget still on screen stays the host's to close; it no longer reports to anyone.
    if (const auto& host = d_->presentedHost)
        host->setOnHostDismissed([raw = host.data()] { raw->deleteLater(); });
}

const boost::asio::any_io_executor& Presenter::executor() const noexcept {
    return d_->executor;
}

std::shared_ptr<VelmoraWidgetClient> Presenter::adapted(std::shared_ptr<VelmoraClient> client) {
    return std::make_shared<VelmoraClientWidgetAdapter>(std::move(client));
}

// ---- Voice factory and host-action callbacks ----

const VelmoraVoiceFactory& Presenter::installedVoiceFactory() {
    return installedFactory();
}

void Presenter::installVoiceFactory(VelmoraVoiceFactory factory) {
    installedFactory() = std::move(factory);
    for (const auto& presenter : livePresenters())
        presenter->setVoiceFactory(installedFactory());
}

void Presenter::uninstallVoiceFactory() {
    installVoiceFactory(nullptr);
}

void detail::BridgePresenterPrivate::passVoiceFactory(VelmoraWidgetController& controller) const {
    // The controller drops the capability it has and builds one from the new factory.
    controller.setVoiceFactory(voiceFactory);
}

const VelmoraVoiceFactory& Presenter::voiceFactory() const noexcept {
    return d_->voiceFactory;
}

void Presenter::setVoiceFactory(VelmoraVoiceFactory factory) {
    d_->voiceFactory = std::move(factory);
    if (d_->presentedHost)
        d_->passVoiceFactory(*d_->presentedHost->widgetController());
}

const Presenter::HostActionEventCallback& Presenter::hostActionEventHandler() const noexcept {
    return d_->hostActionEventHandler;
}

void Presenter::setHostActionEventHandler(HostActionEventCallback handler) {
    d_->hostActionEventHandler = std::move(handler);
    if (d_->presentedHost)
        d_->presentedHost->widgetController()->setOnHostActionEvent(d_->hostActionEventHandler);
}

void Presenter::setOnModalClosed(ClosedCallback callback) {
    d_->onModalClosed = std::move(callback);
}

void Presenter::setOnEmbeddedClosed(ClosedCallback callback) {
    d_->onEmbeddedClosed = std::move(callback);
}

void Presenter::setHostActionHandler(VelmoraHostActionHandler handler,
                                     const std::string& actionId) {
    if (handler)
        d_->hostActionHandlers.insert_or_assign(actionId, handler);
    else
        d_->hostActionHandlers.erase(actionId);
    // The controller keeps handlers only for the actions it was configured with.
    if (d_->presentedHost)
        d_->presentedHost->widgetController()->setHostActionHandler(std::move(handler), actionId);
}

void Presenter::cancelHostActionsForIdentityChange() {
    if (d_->presentedHost)
        d_->presentedHost->widgetController()->cancelHostActionsForIdentityChange();
}

std::optional<VelmoraError> Presenter::clearDraft(const VelmoraWidgetClient& client) {
    return d_->clearDraft(client);
}

std::optional<VelmoraError> Presenter::clearDraft(const VelmoraClient& client) {
    return d_->clearDraft(client);
}

std::optional<std::string> Presenter::performLocalOperation(std::string_view requestJson) {
    if (!VelmoraHostActionCodec::isCompletionOperation(requestJson))
        return std::nullopt;
    const auto completion = VelmoraHostActionCodec::decodeCompletion(requestJson);
    const bool completed =
        d_->presentedHost &&
        d_->presentedHost->widgetController()->completeHostActionIfPending(completion);
    return VelmoraHostActionCodec::completionJSON(completed);
}

VelmoraWidgetViewController* Presenter::presentedHost() const noexcept {
    return d_->presentedHost.data();
}

bool Presenter::isPresentationInFlight() const noexcept {
    return d_->presentationInFlight;
}

// ---- Where the widget goes ----

QWidget* Presenter::topViewController(QWidget* from) {
    if (from == nullptr)
        return nullptr;
    // A window shown modally over this one (a dialog, another widget) is on top of it.
    for (QObject* child : from->window()->children()) {
        auto* over = qobject_cast<QWidget*>(child);
        if (over != nullptr && over != from && over->isWindow() && over->isVisible() &&
            over->windowModality() != Qt::NonModal)
            return topViewController(over);
    }
    if (auto* stack = qobject_cast<VelmoraWidgetNavigationStack*>(from); stack && stack->top())
        return topViewController(stack->top());
    if (auto* tabs = qobject_cast<QTabWidget*>(from); tabs && tabs->currentWidget())
        return topViewController(tabs->currentWidget());
    return from;
}

void detail::BridgePresenterPrivate::reserveWindow(QWidget* window) {
    for (const auto& other : livePresenters()) {
        const auto& theirs = of(*other);
        if (&theirs != this && theirs.reservedWindow == window &&
            (theirs.presentationInFlight || theirs.presentedHost))
            throw presenterError(VelmoraErrorCode::requestInProgress,
                                 "A Velmora widget already owns this scene.");
    }
    reservedWindow = window;
}

VelmoraWidgetHostPresentation
detail::BridgePresenterPrivate::hostPresentation(const VelmoraWidgetExperience& experience,
                                                 QWidget* presenter) {
    if (experience.presentation.panelPresentation == "embedded")
        throw presenterError(
            VelmoraErrorCode::unsupported,
            "Embedded widget presentation requires VelmoraWidgetViewController embedding.");
    if (!experience.platformOverride || !experience.platformOverride->navigation)
        return VelmoraWidgetHostPresentation::modal;
    const auto& navigation = *experience.platformOverride->navigation;
    const std::string presentation = navigation.presentation.value_or("modal");
    const std::string closeBehavior =
        navigation.closeBehavior.value_or(presentation == "push" ? "pop" : "dismiss");
    if (presentation == "modal" && closeBehavior == "dismiss")
        return VelmoraWidgetHostPresentation::modal;
    if (presentation == "push" && closeBehavior == "pop") {
        if (VelmoraWidgetNavigationStack::of(presenter) != nullptr)
            return VelmoraWidgetHostPresentation::push;
        throw presenterError(VelmoraErrorCode::unsupported,
                             "Widget push presentation requires a navigation controller host.");
    }
    if (closeBehavior == "hidden")
        throw presenterError(VelmoraErrorCode::unsupported,
                             "Widget hidden close behavior is unsupported by the native host.");
    throw presenterError(VelmoraErrorCode::unsupported,
                         "Widget navigation presentation and close behavior are incompatible.");
}

// ---- Preparing a widget ----

void detail::BridgePresenterPrivate::checkGeneration(std::int64_t generation) const {
    if (presentationGeneration != generation)
        throw presenterError(VelmoraErrorCode::sessionExpired,
                             "Velmora widget presentation was cancelled.");
}

VelmoraWidgetExperience
detail::BridgePresenterPrivate::resolveExperience(const Data& design,
                                                  const std::string& locale) const {
    // The catalogue reads and checks the locale's packaged copy.
    const auto copy = VelmoraWidgetLocaleCatalog::copy(locale);
    auto experience = VelmoraWidgetExperience::decodeAndResolve(
        design, VelmoraWidgetPlatform::ios, settings->values().reduceMotion, copy);
    VelmoraWidgetFont::registerFonts();
    return experience;
}

boost::asio::awaitable<PreparedHost> detail::BridgePresenterPrivate::prepareHost(
    std::shared_ptr<VelmoraWidgetClient> client, const VelmoraHostDictionary& dictionary,
    std::int64_t generation, bool hostOwnsClose, QPointer<QWidget> owner) {
    const auto options = VelmoraWidgetBridgeConfiguration::decodeNativeOptions(dictionary);
    const JSONValue::Object backend = co_await client->loadWidgetAppearance();
    checkGeneration(generation);

    const auto navigation = co_await client->currentWidgetNavigation();
    if (!navigation)
        throw presenterError(VelmoraErrorCode::invalidConfig,
                             "Widget navigation configuration is missing.");
    auto availability = co_await client->currentWidgetAvailability();
    auto workspaceName = co_await client->currentWidgetWorkspacePublicName();
    VelmoraWidgetPreparedState preparedState(*navigation, std::move(availability),
                                             std::move(workspaceName));
    checkGeneration(generation);

    const auto document = VelmoraWidgetBridgeConfiguration::experienceData(backend, options);
    auto experience = resolveExperience(document.data, document.locale);
    checkGeneration(generation);
    if (presentedHost)
        throw presenterError(VelmoraErrorCode::requestInProgress,
                             "Velmora widget is already presented.");
    if (!owner)
        throw presenterError(VelmoraErrorCode::invalidConfig,
                             "Velmora widget presenter is not attached to a window.");

    // Owned by the host's widget until it is shown; a child that is never shown stays hidden.
    auto* vc = makeQtChild<VelmoraWidgetViewController>(
        executor, client, experience, true, std::nullopt, std::move(preparedState),
        options.hostActionIds, options.context, settings, owner.data());
    auto& controller = *vc->widgetController();
    controller.applyInitialNavigation(options.view, options.articleId);
    if (voiceFactory)
        passVoiceFactory(controller);
    controller.setOnHostActionEvent(hostActionEventHandler);
    for (const auto& [actionId, handler] : hostActionHandlers)
        controller.setHostActionHandler(handler, actionId);
    presentedHost = vc;
    std::weak_ptr<Presenter> weak = q.weak_from_this();
    vc->setOnHostDismissed([weak, vc] {
        // A widget that left the screen is done with, whoever removed it.
        vc->deleteLater();
        if (auto self = weak.lock())
            of(*self).hostDismissed(vc);
    });
    if (hostOwnsClose) {
        controller.setOnHostClose([weak] {
            if (auto self = weak.lock())
                self->close(true);
        });
    }
    co_return PreparedHost{vc, std::move(experience)};
}

void detail::BridgePresenterPrivate::discard(VelmoraWidgetViewController* vc) {
    if (presentedHost == vc)
        presentedHost = nullptr;
    vc->setOnHostDismissed(nullptr);
    vc->widgetController()->close();
    vc->deleteLater();
}

void detail::BridgePresenterPrivate::checkPreparedHost(const PreparedHost& prepared,
                                                       std::int64_t generation) {
    if (presentationGeneration == generation && presentedHost == prepared.controller)
        return;
    discard(prepared.controller);
    throw presenterError(VelmoraErrorCode::sessionExpired,
                         "Velmora widget presentation was cancelled before attachment.");
}

void detail::BridgePresenterPrivate::endPreparation(std::int64_t generation) {
    if (presentationGeneration == generation)
        presentationInFlight = false;
}

boost::asio::awaitable<void> Presenter::runPresent(std::shared_ptr<Presenter> self,
                                                   std::shared_ptr<VelmoraWidgetClient> client,
                                                   VelmoraHostDictionary options,
                                                   QPointer<QWidget> from) {
    auto& d = *self->d_;
    if (d.presentedHost || d.presentationInFlight)
        throw presenterError(VelmoraErrorCode::requestInProgress,
                             "Velmora widget is already presented.");
    QPointer<QWidget> top = topViewController(from.data());
    if (!inShownWindow(top))
        throw presenterError(VelmoraErrorCode::invalidConfig,
                             "Velmora widget presenter is not attached to a window.");
    d.reserveWindow(hostWindowOf(top));
    d.presentationInFlight = true;
    const std::int64_t generation = ++d.presentationGeneration;

    std::exception_ptr failure;
    try {
        const PreparedHost prepared =
            co_await d.prepareHost(client, options, generation, true, top->window());
        d.checkPreparedHost(prepared, generation);
        try {
            if (!inShownWindow(top))
                throw presenterError(VelmoraErrorCode::invalidConfig,
                                     "Velmora widget presenter is not attached to a window.");
            const auto mode = PresenterPrivate::hostPresentation(prepared.experience, top);
            prepared.controller->show(top, mode, true);
        } catch (...) {
            d.discard(prepared.controller);
            throw;
        }
    } catch (...) {
        failure = std::current_exception();
    }
    d.endPreparation(generation);
    if (!failure)
        co_return;
    try {
        std::rethrow_exception(failure);
    } catch (const VelmoraError&) {
        throw;
    } catch (...) {
        if (isCancellation(failure))
            throw;
        throw presenterError(VelmoraErrorCode::invalidConfig,
                             "Widget appearance or presentation options are invalid.");
    }
}

boost::asio::awaitable<void> Presenter::runEmbed(std::shared_ptr<Presenter> self,
                                                 std::shared_ptr<VelmoraWidgetClient> client,
                                                 VelmoraHostDictionary options,
                                                 QPointer<QWidget> container,
                                                 QPointer<QWidget> parent) {
    auto& d = *self->d_;
    if (d.presentedHost || d.presentationInFlight)
        throw presenterError(VelmoraErrorCode::requestInProgress,
                             "Velmora widget is already presented.");
    if (!isInside(container, parent))
        throw presenterError(
            VelmoraErrorCode::invalidConfig,
            "Embedded widget container must be attached to its parent controller.");
    if (!inShownWindow(container))
        throw presenterError(VelmoraErrorCode::invalidConfig,
                             "Embedded widget requires an active host scene.");
    d.reserveWindow(hostWindowOf(container));
    d.presentationInFlight = true;
    const std::int64_t generation = ++d.presentationGeneration;

    std::exception_ptr failure;
    try {
        const PreparedHost prepared =
            co_await d.prepareHost(client, options, generation, false, container.data());
        d.checkPreparedHost(prepared, generation);
        if (!isInside(container, parent) || !inShownWindow(container)) {
            d.discard(prepared.controller);
            throw presenterError(VelmoraErrorCode::invalidConfig,
                                 "Embedded widget host detached before mounting.");
        }
        d.embeddedContainer = container;
        d.embeddedPresentation = true;
        // The widget fills the container, following its size.
        QLayout* layout = container->layout();
        if (layout == nullptr) {
            layout = makeQtChild<QVBoxLayout>(container.data());
            layout->setContentsMargins(0, 0, 0, 0);
        }
        layout->addWidget(prepared.controller);
        prepared.controller->show();
        prepared.controller->activateEmbeddedHost();
    } catch (...) {
        failure = std::current_exception();
    }
    d.endPreparation(generation);
    if (failure)
        std::rethrow_exception(failure);
}

// ---- Closing ----

void detail::BridgePresenterPrivate::hostDismissed(VelmoraWidgetViewController* vc) {
    // After `close` the widget is no longer ours and its leaving was reported already.
    if (presentedHost.data() != vc)
        return;
    presentedHost = nullptr;
    if (embeddedPresentation) {
        embeddedPresentation = false;
        embeddedContainer = nullptr;
        if (const auto callback = onEmbeddedClosed)
            callback();
    } else if (const auto callback = onModalClosed) {
        callback();
    }
}

void Presenter::close(bool animated) {
    ++d_->presentationGeneration;
    d_->presentationInFlight = false;
    VelmoraWidgetViewController* vc = d_->presentedHost.data();
    d_->presentedHost = nullptr;
    if (vc == nullptr) {
        d_->embeddedPresentation = false;
        d_->embeddedContainer = nullptr;
        return;
    }
    vc->widgetScreen().view().dismissKeyboard();
    vc->widgetController()->close();
    if (!d_->embeddedPresentation) {
        // Leaving the screen deletes it (at once, or after its fade).
        vc->close(animated);
        if (const auto callback = d_->onModalClosed)
            callback();
        return;
    }
    d_->embeddedPresentation = false;
    d_->embeddedContainer = nullptr;
    vc->hide();
    vc->deleteLater();
    if (const auto callback = d_->onEmbeddedClosed)
        callback();
}

void Presenter::setEmbeddedVisible(bool visible) {
    if (d_->embeddedPresentation && d_->presentedHost)
        d_->presentedHost->setEmbeddedVisible(visible);
}

} // namespace velmora
