#include "controller/widget_controller_core.hpp"

#include "detail/pattern.hpp"
#include "velmora/client.hpp"

namespace velmora {
namespace {

VelmoraError invalidConfig(std::string message) {
    return VelmoraError(VelmoraErrorCode::invalidConfig, std::nullopt, std::nullopt,
                        std::move(message));
}

// Everything a host passes in is checked before anything is built, so a refused construction
// leaves nothing behind.
void checkHostActions(const std::vector<std::string>& hostActionIds,
                      const JSONValue::Object& hostActionContext) {
    if (hostActionIds.size() > VelmoraHostActionCodec::maxHostActions) {
        throw invalidConfig("Widget host action ids must be at most 32.");
    }
    static const detail::Pattern pattern(R"(^[a-z0-9][a-z0-9:_-]{0,63}$)");
    for (std::size_t i = 0; i < hostActionIds.size(); ++i) {
        if (!pattern.matches(hostActionIds[i])) {
            throw invalidConfig("Widget host action id at index " + std::to_string(i) +
                                " is invalid: use 1 to 64 of a-z, 0-9, \":\", \"_\" and \"-\", "
                                "starting with a letter or digit.");
        }
    }
    try {
        VelmoraHostActionCodec::validateContext(hostActionContext);
    } catch (const VelmoraError& e) {
        throw invalidConfig("Widget host action context is invalid: " + e.message());
    }
}

} // namespace

std::shared_ptr<VelmoraWidgetController> VelmoraWidgetController::create(
    boost::asio::any_io_executor mainExecutor, std::shared_ptr<VelmoraWidgetClient> client,
    bool configurationLoaded, std::optional<VelmoraWidgetNavigation> navigation,
    std::optional<VelmoraWidgetPreparedState> preparedState, std::vector<std::string> hostActionIds,
    JSONValue::Object hostActionContext, std::shared_ptr<VelmoraWidgetDraftStore> draftStore,
    std::shared_ptr<VelmoraWidgetClock> clock) {
    if (!mainExecutor) {
        throw invalidConfig("The widget controller needs a main executor.");
    }
    if (!client) {
        throw invalidConfig("The widget controller needs a client.");
    }
    if (!draftStore) {
        throw invalidConfig("The widget controller needs a draft store.");
    }
    checkHostActions(hostActionIds, hostActionContext);
    if (!clock) {
        clock = std::make_shared<VelmoraSystemWidgetClock>();
    }
    auto controller = std::make_shared<VelmoraWidgetController>(
        std::make_shared<detail::WidgetControllerCore>(detail::WidgetControllerArguments{
            std::move(mainExecutor), std::move(client), configurationLoaded, std::move(navigation),
            std::move(preparedState), std::move(hostActionIds), std::move(hostActionContext),
            std::move(draftStore), std::move(clock)}));
    controller->core_->adopt(controller);
    return controller;
}

std::shared_ptr<VelmoraWidgetController> VelmoraWidgetController::create(
    boost::asio::any_io_executor mainExecutor, std::shared_ptr<VelmoraClient> client,
    bool configurationLoaded, std::optional<VelmoraWidgetNavigation> navigation,
    std::optional<VelmoraWidgetPreparedState> preparedState, std::vector<std::string> hostActionIds,
    JSONValue::Object hostActionContext, std::shared_ptr<VelmoraWidgetDraftStore> draftStore,
    std::shared_ptr<VelmoraWidgetClock> clock) {
    if (!client) {
        throw invalidConfig("The widget controller needs a client.");
    }
    return create(std::move(mainExecutor),
                  std::make_shared<VelmoraClientWidgetAdapter>(std::move(client)),
                  configurationLoaded, std::move(navigation), std::move(preparedState),
                  std::move(hostActionIds), std::move(hostActionContext), std::move(draftStore),
                  std::move(clock));
}

detail::WidgetControllerCore::WidgetControllerCore(WidgetControllerArguments arguments)
    : executor_(std::move(arguments.executor)), client_(std::move(arguments.client)),
      clock_(std::move(arguments.clock)), draftStore_(std::move(arguments.draftStore)),
      hostActionIds_(arguments.hostActionIds.begin(), arguments.hostActionIds.end()),
      configuredHostActionContext_(std::move(arguments.hostActionContext)) {
    // Nobody observes yet: the seeded values are stored without notifications.
    configurationLoaded_ = arguments.configurationLoaded || arguments.preparedState.has_value();
    isInitialNavigationResolved_ =
        arguments.preparedState.has_value() || arguments.navigation.has_value();

    std::optional<VelmoraWidgetNavigation> navigation =
        arguments.preparedState ? std::optional(arguments.preparedState->navigation)
                                : arguments.navigation;
    if (navigation) {
        configuredNavigation_ = navigation;
        messagesAvailable_ = navigation->messages;
        helpAvailable_ = navigation->help;
        navigationReady_ = true;
        publishedStateLoaded_ = true;
    }
    if (arguments.preparedState) {
        availability_ = arguments.preparedState->availability;
        workspacePublicName_ = arguments.preparedState->workspacePublicName;
    }

    // The draft an earlier widget left for the same conversation identity comes back.
    if (auto stored = draftStore_->state(*client_)) {
        draft_ = stored->text;
        pendingAttachments_ = stored->attachments;
        if (stored->idempotencyKey) {
            pendingFirstDraft_ = std::move(*stored);
        }
    }
    if (const auto& failure = draftStore_->persistenceError()) {
        error_ = *failure;
    }
}

detail::WidgetControllerCore::~WidgetControllerCore() {
    for (auto* task : {&eventTask_, &operationTask_, &actionTask_, &voiceTask_,
                       &voiceObservationTask_, &voiceFactoryTask_, &configurationTask_,
                       &publishedStateTask_, &contentTask_, &reconciliationTask_}) {
        if (*task) {
            (*task)->cancel();
        }
    }
}

VelmoraObservation
detail::WidgetControllerCore::observe(std::function<void(VelmoraWidgetProperty)> callback) {
    return observers_.observe(std::nullopt, std::move(callback));
}

VelmoraObservation
detail::WidgetControllerCore::observe(VelmoraWidgetProperty property,
                                      std::function<void(VelmoraWidgetProperty)> callback) {
    return observers_.observe(property, std::move(callback));
}

const std::vector<VelmoraMessage>& detail::WidgetControllerCore::noMessages() {
    static const std::vector<VelmoraMessage> none;
    return none;
}

const std::optional<VelmoraSnapshot>& detail::WidgetControllerCore::noSnapshot() {
    static const std::optional<VelmoraSnapshot> none;
    return none;
}

void detail::WidgetControllerCore::setDraft(std::string text) {
    publish(VelmoraWidgetProperty::draft, draft_, std::move(text));
}

std::optional<std::string> detail::WidgetControllerCore::pendingFirstDraftText() const {
    if (!pendingFirstDraft_) {
        return std::nullopt;
    }
    return pendingFirstDraft_->text;
}

bool detail::WidgetControllerCore::voiceAvailable() const {
    return voiceEnabledByServer_ && voiceCapability_ != nullptr;
}

void detail::WidgetControllerCore::clearErrorUnlessPreserved() {
    if (!preservesMutationError_) {
        setError(std::nullopt);
    }
}

VelmoraMainTask
detail::WidgetControllerCore::startTask(std::function<boost::asio::awaitable<void>()> body) {
    return VelmoraMainTask::start(executor_, std::move(body));
}

} // namespace velmora
