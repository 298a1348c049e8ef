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

Presenter::VelmoraWidgetBridgePresenter(boost::asio::any_io_executor mainExecutor,
                                        std::shared_ptr<VelmoraPlatformSettings> settings)
    : executor_(std::move(mainExecutor)),
      settings_(settings ? std::move(settings)
                         : std::make_shared<VelmoraDesktopPlatformSettings>()),
      voiceFactory_(installedFactory()), draftStore_(VelmoraWidgetDraftStore::shared()) {}

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
    if (presentedHost_)
        presentedHost_->setOnHostDismissed([raw = presentedHost_.data()] { raw->deleteLater(); });
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

void Presenter::passVoiceFactory(VelmoraWidgetController& controller) const {
    // The controller drops the capability it has and builds one from the new factory.
    controller.setVoiceFactory(voiceFactory_);
}

void Presenter::setVoiceFactory(VelmoraVoiceFactory factory) {
    voiceFactory_ = std::move(factory);
    if (presentedHost_)
        passVoiceFactory(*presentedHost_->widgetController());
}

void Presenter::setHostActionEventHandler(HostActionEventCallback handler) {
    hostActionEventHandler_ = std::move(handler);
    if (presentedHost_)
        presentedHost_->widgetController()->setOnHostActionEvent(hostActionEventHandler_);
}

void Presenter::setHostActionHandler(VelmoraHostActionHandler handler,
                                     const std::string& actionId) {
    if (handler)
        hostActionHandlers_.insert_or_assign(actionId, handler);
    else
        hostActionHandlers_.erase(actionId);
    // The controller keeps handlers only for the actions it was configured with.
    if (presentedHost_)
        presentedHost_->widgetController()->setHostActionHandler(std::move(handler), actionId);
}

void Presenter::cancelHostActionsForIdentityChange() {
    if (presentedHost_)
        presentedHost_->widgetController()->cancelHostActionsForIdentityChange();
}

std::optional<VelmoraError> Presenter::clearDraft(const VelmoraWidgetClient& client) {
    auto failure = draftStore_->clear(client);
    if (presentedHost_)
        presentedHost_->widgetController()->discardDraftForSessionReset();
    return failure;
}

std::optional<VelmoraError> Presenter::clearDraft(const VelmoraClient& client) {
    auto failure = draftStore_->clear(client);
    if (presentedHost_)
        presentedHost_->widgetController()->discardDraftForSessionReset();
    return failure;
}

std::optional<std::string> Presenter::performLocalOperation(std::string_view requestJson) {
    if (!VelmoraHostActionCodec::isCompletionOperation(requestJson))
        return std::nullopt;
    const auto completion = VelmoraHostActionCodec::decodeCompletion(requestJson);
    const bool completed =
        presentedHost_ &&
        presentedHost_->widgetController()->completeHostActionIfPending(completion);
    return VelmoraHostActionCodec::completionJSON(completed);
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

void Presenter::reserveWindow(QWidget* window) {
    for (const auto& other : livePresenters()) {
        if (other.get() != this && other->reservedWindow_ == window &&
            (other->presentationInFlight_ || other->presentedHost_))
            throw presenterError(VelmoraErrorCode::requestInProgress,
                                 "A Velmora widget already owns this scene.");
    }
    reservedWindow_ = window;
}

VelmoraWidgetHostPresentation Presenter::hostPresentation(const VelmoraWidgetExperience& experience,
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

void Presenter::checkGeneration(std::int64_t generation) const {
    if (presentationGeneration_ != generation)
        throw presenterError(VelmoraErrorCode::sessionExpired,
                             "Velmora widget presentation was cancelled.");
}

VelmoraWidgetExperience Presenter::resolveExperience(const Data& design,
                                                     const std::string& locale) const {
    // The catalogue reads and checks the locale's packaged copy.
    const auto copy = VelmoraWidgetLocaleCatalog::copy(locale);
    auto experience = VelmoraWidgetExperience::decodeAndResolve(
        design, VelmoraWidgetPlatform::ios, settings_->values().reduceMotion, copy);
    VelmoraWidgetFont::registerFonts();
    return experience;
}

boost::asio::awaitable<Presenter::PreparedHost>
Presenter::prepareHost(std::shared_ptr<VelmoraWidgetClient> client,
                       const VelmoraHostDictionary& dictionary, std::int64_t generation,
                       bool hostOwnsClose, QPointer<QWidget> owner) {
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
    if (presentedHost_)
        throw presenterError(VelmoraErrorCode::requestInProgress,
                             "Velmora widget is already presented.");
    if (!owner)
        throw presenterError(VelmoraErrorCode::invalidConfig,
                             "Velmora widget presenter is not attached to a window.");

    // Owned by the host's widget until it is shown; a child that is never shown stays hidden.
    auto* vc = makeQtChild<VelmoraWidgetViewController>(
        executor_, client, experience, true, std::nullopt, std::move(preparedState),
        options.hostActionIds, options.context, settings_, owner.data());
    auto& controller = *vc->widgetController();
    controller.applyInitialNavigation(options.view, options.articleId);
    if (voiceFactory_)
        passVoiceFactory(controller);
    controller.setOnHostActionEvent(hostActionEventHandler_);
    for (const auto& [actionId, handler] : hostActionHandlers_)
        controller.setHostActionHandler(handler, actionId);
    presentedHost_ = vc;
    std::weak_ptr<Presenter> weak = weak_from_this();
    vc->setOnHostDismissed([weak, vc] {
        // A widget that left the screen is done with, whoever removed it.
        vc->deleteLater();
        if (auto self = weak.lock())
            self->hostDismissed(vc);
    });
    if (hostOwnsClose) {
        controller.setOnHostClose([weak] {
            if (auto self = weak.lock())
                self->close(true);
        });
    }
    co_return PreparedHost{vc, std::move(experience)};
}

void Presenter::discard(VelmoraWidgetViewController* vc) {
    if (presentedHost_ == vc)
        presentedHost_ = nullptr;
    vc->setOnHostDismissed(nullptr);
    vc->widgetController()->close();
    vc->deleteLater();
}

void Presenter::checkPreparedHost(const PreparedHost& prepared, std::int64_t generation) {
    if (presentationGeneration_ == generation && presentedHost_ == prepared.controller)
        return;
    discard(prepared.controller);
    throw presenterError(VelmoraErrorCode::sessionExpired,
                         "Velmora widget presentation was cancelled before attachment.");
}

void Presenter::endPreparation(std::int64_t generation) {
    if (presentationGeneration_ == generation)
        presentationInFlight_ = false;
}

boost::asio::awaitable<void> Presenter::runPresent(std::shared_ptr<Presenter> self,
                                                   std::shared_ptr<VelmoraWidgetClient> client,
                                                   VelmoraHostDictionary options,
                                                   QPointer<QWidget> from) {
    if (self->presentedHost_ || self->presentationInFlight_)
        throw presenterError(VelmoraErrorCode::requestInProgress,
                             "Velmora widget is already presented.");
    QPointer<QWidget> top = topViewController(from.data());
    if (!inShownWindow(top))
        throw presenterError(VelmoraErrorCode::invalidConfig,
                             "Velmora widget presenter is not attached to a window.");
    self->reserveWindow(hostWindowOf(top));
    self->presentationInFlight_ = true;
    const std::int64_t generation = ++self->presentationGeneration_;

    std::exception_ptr failure;
    try {
        const PreparedHost prepared =
            co_await self->prepareHost(client, options, generation, true, top->window());
        self->checkPreparedHost(prepared, generation);
        try {
            if (!inShownWindow(top))
                throw presenterError(VelmoraErrorCode::invalidConfig,
                                     "Velmora widget presenter is not attached to a window.");
            const auto mode = hostPresentation(prepared.experience, top);
            prepared.controller->show(top, mode, true);
        } catch (...) {
            self->discard(prepared.controller);
            throw;
        }
    } catch (...) {
        failure = std::current_exception();
    }
    self->endPreparation(generation);
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
    if (self->presentedHost_ || self->presentationInFlight_)
        throw presenterError(VelmoraErrorCode::requestInProgress,
                             "Velmora widget is already presented.");
    if (!isInside(container, parent))
        throw presenterError(
            VelmoraErrorCode::invalidConfig,
            "Embedded widget container must be attached to its parent controller.");
    if (!inShownWindow(container))
        throw presenterError(VelmoraErrorCode::invalidConfig,
                             "Embedded widget requires an active host scene.");
    self->reserveWindow(hostWindowOf(container));
    self->presentationInFlight_ = true;
    const std::int64_t generation = ++self->presentationGeneration_;

    std::exception_ptr failure;
    try {
        const PreparedHost prepared =
            co_await self->prepareHost(client, options, generation, false, container.data());
        self->checkPreparedHost(prepared, generation);
        if (!isInside(container, parent) || !inShownWindow(container)) {
            self->discard(prepared.controller);
            throw presenterError(VelmoraErrorCode::invalidConfig,
                                 "Embedded widget host detached before mounting.");
        }
        self->embeddedContainer_ = container;
        self->embeddedPresentation_ = true;
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
    self->endPreparation(generation);
    if (failure)
        std::rethrow_exception(failure);
}

// ---- Closing ----

void Presenter::hostDismissed(VelmoraWidgetViewController* vc) {
    // After `close` the widget is no longer ours and its leaving was reported already.
    if (presentedHost_.data() != vc)
        return;
    presentedHost_ = nullptr;
    if (embeddedPresentation_) {
        embeddedPresentation_ = false;
        embeddedContainer_ = nullptr;
        if (const auto callback = onEmbeddedClosed_)
            callback();
    } else if (const auto callback = onModalClosed_) {
        callback();
    }
}

void Presenter::close(bool animated) {
    ++presentationGeneration_;
    presentationInFlight_ = false;
    VelmoraWidgetViewController* vc = presentedHost_.data();
    presentedHost_ = nullptr;
    if (vc == nullptr) {
        embeddedPresentation_ = false;
        embeddedContainer_ = nullptr;
        return;
    }
    vc->widgetScreen().view().dismissKeyboard();
    vc->widgetController()->close();
    if (!embeddedPresentation_) {
        // Leaving the screen deletes it (at once, or after its fade).
        vc->close(animated);
        if (const auto callback = onModalClosed_)
            callback();
        return;
    }
    embeddedPresentation_ = false;
    embeddedContainer_ = nullptr;
    vc->hide();
    vc->deleteLater();
    if (const auto callback = onEmbeddedClosed_)
        callback();
}

void Presenter::setEmbeddedVisible(bool visible) {
    if (embeddedPresentation_ && presentedHost_)
        presentedHost_->setEmbeddedVisible(visible);
}

} // namespace velmora
