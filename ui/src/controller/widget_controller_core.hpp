#pragma once

#include "velmora/ui/main_task.hpp"
#include "velmora/ui/widget_controller.hpp"

#include "controller/observer_list.hpp"

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/awaitable.hpp>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace velmora {

namespace detail {

/// What `VelmoraWidgetController::create` hands to the controller it builds.
struct WidgetControllerArguments {
    boost::asio::any_io_executor executor;
    std::shared_ptr<VelmoraWidgetClient> client;
    bool configurationLoaded;
    std::optional<VelmoraWidgetNavigation> navigation;
    std::optional<VelmoraWidgetPreparedState> preparedState;
    std::vector<std::string> hostActionIds;
    JSONValue::Object hostActionContext;
    std::shared_ptr<VelmoraWidgetDraftStore> draftStore;
    std::shared_ptr<VelmoraWidgetClock> clock;
};

/// The state and the steps of `VelmoraWidgetController`, which forwards every member to it.
/// Its operations are those of the controller, documented there. The controller owns the core;
/// tasks and the client's callbacks hold it weakly, and each public operation keeps it alive
/// while it runs.
class WidgetControllerCore {
public:
    using HostCloseCallback = VelmoraWidgetController::HostCloseCallback;
    using HostActionEventCallback = VelmoraWidgetController::HostActionEventCallback;

    explicit WidgetControllerCore(WidgetControllerArguments arguments);

    /// Ties the core's own references to the controller that owns it: whatever holds the core
    /// (a running task, an operation) holds that controller, so the controller lives, as a host
    /// sees it, until its work has wound down, and its end is still what cancels that work.
    void adopt(const std::shared_ptr<VelmoraWidgetController>& owner) {
        self_ = std::shared_ptr<WidgetControllerCore>(owner, this);
    }
    /// Throws `std::bad_weak_ptr` once the owning controller is gone.
    std::shared_ptr<WidgetControllerCore> shared_from_this() const {
        return std::shared_ptr<WidgetControllerCore>(self_);
    }
    std::weak_ptr<WidgetControllerCore> weak_from_this() const noexcept { return self_; }
    /// Cancels every running task; neither saves nor removes the draft.
    ~WidgetControllerCore();
    WidgetControllerCore(const WidgetControllerCore&) = delete;
    WidgetControllerCore& operator=(const WidgetControllerCore&) = delete;

    // Observation.

    [[nodiscard]] VelmoraObservation observe(std::function<void(VelmoraWidgetProperty)> callback);
    [[nodiscard]] VelmoraObservation observe(VelmoraWidgetProperty property,
                                             std::function<void(VelmoraWidgetProperty)> callback);

    // Published state.

    const std::vector<VelmoraMessage>& messages() const {
        return messages_ ? messages_->value().messages : noMessages();
    }
    const std::optional<VelmoraSnapshot>& snapshot() const {
        return snapshot_ ? snapshot_->asOptional() : noSnapshot();
    }
    VelmoraLoadingState loadingState() const { return loadingState_; }
    bool isLoadingConfiguration() const { return isLoadingConfiguration_; }
    const std::optional<VelmoraError>& error() const { return error_; }
    const std::string& draft() const { return draft_; }
    void setDraft(std::string text);
    const std::vector<VelmoraAttachmentDraft>& pendingAttachments() const {
        return pendingAttachments_;
    }
    bool isMounted() const { return isMounted_; }
    bool isOpen() const { return isOpen_; }
    bool isForeground() const { return isForeground_; }
    bool isActionInFlight() const { return isActionInFlight_; }
    const std::optional<VelmoraHostActionResult>& hostActionResult() const {
        return hostActionResult_;
    }
    const std::optional<std::string>& hostActionResultActionID() const {
        return hostActionResultActionID_;
    }
    std::optional<VelmoraVoiceCapabilityState> voiceState() const { return voiceState_; }
    bool voiceEnabledByServer() const { return voiceEnabledByServer_; }
    const VelmoraWidgetContentState& content() const { return content_; }
    VelmoraWidgetViewMode screen() const { return screen_; }
    bool messagesAvailable() const { return messagesAvailable_; }
    bool helpAvailable() const { return helpAvailable_; }
    bool navigationReady() const { return navigationReady_; }
    const std::optional<VelmoraWidgetAvailability>& availability() const { return availability_; }
    const std::optional<std::string>& workspacePublicName() const { return workspacePublicName_; }
    const std::string& helpQuery() const { return helpQuery_; }
    const std::optional<std::string>& activeFAQID() const { return activeFAQID_; }
    const std::optional<std::string>& activeWorkflowID() const { return activeWorkflowID_; }
    const std::optional<std::string>& activeWorkflowStepID() const { return activeWorkflowStepID_; }
    bool isInitialNavigationResolved() const { return isInitialNavigationResolved_; }
    const std::optional<VelmoraError>& helpError() const { return helpError_; }
    bool mutationInFlight() const { return mutationInFlight_; }
    const std::optional<std::string>& activeHostActionRequestId() const {
        return activeHostActionRequestId_;
    }

    std::optional<std::string> pendingFirstDraftText() const;
    bool voiceAvailable() const;

    // Host callbacks.

    const HostCloseCallback& onHostClose() const { return onHostClose_; }
    void setOnHostClose(HostCloseCallback callback) { onHostClose_ = std::move(callback); }
    const HostActionEventCallback& onHostActionEvent() const { return onHostActionEvent_; }
    void setOnHostActionEvent(HostActionEventCallback callback) {
        onHostActionEvent_ = std::move(callback);
    }

    // Lifecycle.

    void mount();
    void open();
    void close();
    void requestHostClose();
    void background();
    void foreground();
    void destroy();

    // Drafts.

    void updateDraft(std::string text);
    void clearDraft();
    void cancelPendingDraft();
    void discardDraftForSessionReset();

    // Conversation.

    void send();
    void retry();
    void resetSession();

    // Screens and help.

    void applyInitialNavigation(std::optional<VelmoraWidgetViewMode> view,
                                std::optional<std::string> articleID);
    void prepareNavigation(const VelmoraWidgetNavigation& navigation);
    void setScreen(VelmoraWidgetViewMode screen);
    void clearHelpSelection();
    void retryContent();
    void openArticle(const std::string& articleID);
    void toggleFAQ(const std::string& articleID);
    void updateHelpQuery(std::string query);
    void openContact(std::optional<VelmoraWidgetContentPrefill> prefill);
    void startWorkflow(const std::string& workflowID,
                       std::optional<VelmoraWidgetContentPrefill> prefill);
    void selectWorkflowOption(const VelmoraWidgetContentWorkflowOption& option);

    // Host actions.

    void setHostActionHandler(VelmoraHostActionHandler handler, const std::string& actionId);
    bool isHostActionAvailable(const std::optional<std::string>& actionId) const;
    VelmoraHostActionResult completeHostAction(const VelmoraHostActionCompletion& completion);
    bool completeHostActionIfPending(const VelmoraHostActionCompletion& completion);
    void cancelHostActionsForIdentityChange();

    // Attachments and forms.

    void addAttachment(const std::filesystem::path& file);
    void removeAttachment(const VelmoraAttachmentDraft& attachment);
    boost::asio::awaitable<Data> downloadAttachment(VelmoraAttachment attachment);
    bool canDownloadAttachment(const VelmoraAttachment& attachment) const;
    void submitForm(const VelmoraConversationForm& form, JSONValue::Object values);

    // Procedures.

    void performProcedureAction(const VelmoraProcedureCard& card, std::string action,
                                std::string value);
    void requestProcedureAvailability(const VelmoraProcedureCard& card, const std::string& month);
    void performProcedureQuickAction(const VelmoraProcedureQuickAction& quickAction);

    // Voice.

    void setVoiceFactory(VelmoraVoiceFactory factory);
    void attachVoiceCapability(std::shared_ptr<VelmoraVoiceCapability> capability,
                               bool serverEnabled);
    void toggleVoice();
    void setVoiceMuted(bool muted);

    // Diagnostics: the main executor and whether the event subscription exists.
    const boost::asio::any_io_executor& mainExecutor() const { return executor_; }
    bool hasEventSubscription() const { return eventTask_.has_value(); }

private:
    std::weak_ptr<WidgetControllerCore> self_;
    struct PendingHostAction {
        std::string actionID;
        std::optional<VelmoraMainTask> timeoutTask;
        std::optional<VelmoraMainTask> handlerTask;
    };

    // Publishing: observers hear of the change before the value is stored.
    template <class T, class U> void publish(VelmoraWidgetProperty property, T& field, U&& value) {
        T next(std::forward<U>(value));
        observers_.notify(property);
        field = std::move(next);
    }
    void setError(std::optional<VelmoraError> error) {
        publish(VelmoraWidgetProperty::error, error_, std::move(error));
    }
    /// Clears `error` unless a failed send's error must stay visible.
    void clearErrorUnlessPreserved();
    VelmoraMainTask startTask(std::function<boost::asio::awaitable<void>()> body);

    // Lifecycle.
    void stopActiveWork();
    void finishMutation(std::int64_t recordedMutationGeneration);

    // Events.
    void startEventSubscription();
    static boost::asio::awaitable<void>
    runEventSubscription(std::weak_ptr<WidgetControllerCore> weak, std::int64_t generation);
    void apply(VelmoraEvent event);

    // Drafts.
    /// Saves the current draft (or removes it when empty) and publishes a failure of this
    /// write. Answers whether the draft reached the store.
    bool persistDraft();
    /// The same for a keystroke, without waiting for the disk: a failure of that write is
    /// published when it has ended (unless a later write has ended since).
    void persistDraftInBackground();
    VelmoraWidgetDraftState draftStateToStore() const;
    /// Makes `pending` the started message, empties the composer and saves. When the save
    /// fails the composer and the pending message go back to what they were, the failure is
    /// published, and the answer is false: the send must not start.
    bool storePendingFirstDraftForSend(VelmoraWidgetDraftState pending);

    // Work that other parts of the controller fill in.
    void loadPublishedConfigurationState();
    void loadConfigurationIfNeeded();
    void loadWidgetContentIfNeeded(bool force);
    void reconcileIfNeeded();
    void startVoiceObservation();
    void prepareVoiceCapabilityIfNeeded();
    void cancelHostActions();
    void updateHostActionLoadingState();

    // Sending, configuration, screens, reconciliation, retry and reset.

    /// Starts a task that is handed its own handle, so that it can tell whether the field that
    /// owns it still holds it (a stale task must not clear its successor's field).
    VelmoraMainTask
    startOwnedTask(std::function<boost::asio::awaitable<void>(VelmoraMainTask)> body);
    /// Starts a send or retry task whose finishing step runs whatever happens to it, even when
    /// it is cancelled before it ever ran.
    VelmoraMainTask startMutationTask(std::int64_t mutation,
                                      std::function<boost::asio::awaitable<void>()> body);
    struct MutationTicket;

    /// Configuration: `lifecycle` is the generation the load captured.
    bool configurationLoadIsCurrent(std::int64_t lifecycle) const;
    boost::asio::awaitable<void> runConfigurationLoad(std::int64_t lifecycle, VelmoraMainTask task);
    void releaseConfigurationLoad(const VelmoraMainTask& task);
    /// A load that other work made stale while the widget stayed open asks again: at once, or
    /// when the running send or retry ends.
    void loadStaleConfigurationAgain(std::int64_t lifecycle);
    boost::asio::awaitable<void> runPublishedStateLoad(std::int64_t published);

    /// Settles a pending initial screen once the facts it waits for are known.
    void reconcileInitialScreen();
    /// Refuses help when the navigation does not offer it: error, home screen, request settled.
    void rejectUnavailableHelpNavigation();

    boost::asio::awaitable<void> runReconciliation(std::int64_t lifecycle, VelmoraMainTask task);

    /// The values a send fixes when it starts.
    struct SendPlan;
    enum class SendRoute { recovery, start, message };
    boost::asio::awaitable<void> runSend(SendPlan plan);
    /// The route taken, or nothing when the send ended on the way (drafts discarded, or a
    /// failure after delivery already handled).
    boost::asio::awaitable<std::optional<SendRoute>> deliver(SendPlan& plan);
    boost::asio::awaitable<void> sendIntoSession(const SendPlan& plan,
                                                 const VelmoraSession& session);
    /// The message is with the service: nothing of it stays pending, open widget or not.
    void settleDelivery(const SendPlan& plan, SendRoute route);
    /// Waits for the assistant's reply while the widget is still open and in the foreground.
    boost::asio::awaitable<void> awaitReply(const SendPlan& plan);
    /// A send cut short by a close, a move to the background or a discarded draft.
    boost::asio::awaitable<void> settleCancelledSend(const SendPlan& plan);
    boost::asio::awaitable<void> failDelivery(const SendPlan& plan, std::exception_ptr failure);
    void failAfterDelivery(const SendPlan& plan, std::exception_ptr failure);
    void tidyAfterDelivery(const SendPlan& plan);
    /// The conversation the client holds already answers the visitor's last message.
    boost::asio::awaitable<bool> replyIsAlreadyThere();
    /// Neither closed, backgrounded, reset nor destroyed since the send started.
    bool sendMayPublish(const SendPlan& plan) const;

    boost::asio::awaitable<void> runRetry(std::int64_t mutation, std::int64_t lifecycle);

    // Help content, help navigation, workflows, host actions, attachments, forms, procedures
    // and voice.

    boost::asio::awaitable<void> runContentLoad(std::int64_t generation);
    /// Turns help content's prefill into the visitor details of the next session start (and
    /// the composer text when it carries a message).
    void applyContentPrefill(const std::optional<VelmoraWidgetContentPrefill>& prefill);
    /// Hands a workflow option's host action to the host; an option that cannot be carried out
    /// is ignored.
    void requestHostAction(const VelmoraWidgetContentWorkflowOption& option);
    JSONValue::Object hostActionInput(const std::string& optionID) const;
    static boost::asio::awaitable<void>
    runHostActionHandler(std::weak_ptr<WidgetControllerCore> weak, VelmoraHostActionHandler handler,
                         VelmoraHostActionRequest request);
    static boost::asio::awaitable<void>
    runHostActionTimeout(std::weak_ptr<WidgetControllerCore> weak,
                         std::shared_ptr<VelmoraWidgetClock> clock, std::string requestId);
    /// Publishes `isActionInFlight`: a form or procedure action runs, or a host action is
    /// pending. Each kind of action gives up only its own part of the flag.
    void publishActionInFlight();
    /// The guard of every form and procedure action.
    bool mayStartAction() const;
    /// The client work of one action, given the lifecycle generation it started in.
    using ActionCall =
        std::function<boost::asio::awaitable<void>(WidgetControllerCore&, std::int64_t)>;
    /// Runs `call` as the one action task; `fallbackMessage` names a failure that is not a
    /// `VelmoraError`.
    void startAction(std::string fallbackMessage, ActionCall call);
    boost::asio::awaitable<void> runAction(std::int64_t lifecycle, VelmoraMainTask task,
                                           std::string fallbackMessage, ActionCall call);
    void performProcedureInput(VelmoraProcedureActionInput input);
    static boost::asio::awaitable<void> runVoiceFactory(std::weak_ptr<WidgetControllerCore> weak,
                                                        VelmoraVoiceFactory factory,
                                                        std::shared_ptr<VelmoraWidgetClient> client,
                                                        std::int64_t generation);
    static boost::asio::awaitable<void>
    runVoiceObservation(std::weak_ptr<WidgetControllerCore> weak,
                        std::shared_ptr<VelmoraVoiceCapability> capability);
    static boost::asio::awaitable<void>
    runVoiceStart(std::weak_ptr<WidgetControllerCore> weak,
                  std::shared_ptr<VelmoraVoiceCapability> capability, std::int64_t generation);

    /// Counts `resetSession()` calls, so a failed client reset can tell whether it is the last.
    std::int64_t sessionResetGeneration_ = 0;
    /// A configuration load gave up to a send or retry; its finishing step asks again.
    bool configurationLoadWanted_ = false;

    VelmoraObserverList<VelmoraWidgetProperty> observers_;

    static const std::vector<VelmoraMessage>& noMessages();
    static const std::optional<VelmoraSnapshot>& noSnapshot();

    // Published state, in declaration order. `messages` and `snapshot` each hold the client's
    // shared snapshot (absent: none), so that publishing one never copies the conversation and
    // each property still changes at its own assignment.
    std::optional<event::snapshot> messages_;
    std::optional<event::snapshot> snapshot_;
    VelmoraLoadingState loadingState_ = VelmoraLoadingState::idle;
    bool isLoadingConfiguration_ = false;
    std::optional<VelmoraError> error_;
    std::string draft_;
    std::vector<VelmoraAttachmentDraft> pendingAttachments_;
    bool isMounted_ = false;
    bool isOpen_ = false;
    bool isForeground_ = true;
    bool isActionInFlight_ = false;
    std::optional<VelmoraHostActionResult> hostActionResult_;
    std::optional<std::string> hostActionResultActionID_;
    std::optional<VelmoraVoiceCapabilityState> voiceState_;
    bool voiceEnabledByServer_ = false;
    VelmoraWidgetContentState content_{std::nullopt, false, std::nullopt};
    VelmoraWidgetViewMode screen_ = VelmoraWidgetViewMode::home;
    bool messagesAvailable_ = false;
    bool helpAvailable_ = false;
    bool navigationReady_ = false;
    std::optional<VelmoraWidgetAvailability> availability_;
    std::optional<std::string> workspacePublicName_;
    std::string helpQuery_;
    std::optional<std::string> activeFAQID_;
    std::optional<std::string> activeWorkflowID_;
    std::optional<std::string> activeWorkflowStepID_;
    bool isInitialNavigationResolved_ = true;
    std::optional<VelmoraError> helpError_;

    HostCloseCallback onHostClose_;
    HostActionEventCallback onHostActionEvent_;

    // Private state.
    boost::asio::any_io_executor executor_;
    std::shared_ptr<VelmoraWidgetClient> client_;
    std::shared_ptr<VelmoraWidgetClock> clock_;
    std::shared_ptr<VelmoraVoiceCapability> voiceCapability_;
    std::optional<VelmoraMainTask> eventTask_;
    std::int64_t eventSubscriptionGeneration_ = 0;
    std::optional<VelmoraMainTask> operationTask_;
    std::optional<VelmoraMainTask> actionTask_;
    std::optional<VelmoraMainTask> voiceTask_;
    std::optional<VelmoraMainTask> voiceObservationTask_;
    std::optional<VelmoraMainTask> voiceFactoryTask_;
    VelmoraVoiceFactory voiceFactory_;
    std::int64_t voiceOperationGeneration_ = 0;
    std::optional<VelmoraMainTask> configurationTask_;
    std::optional<VelmoraMainTask> publishedStateTask_;
    std::optional<VelmoraMainTask> contentTask_;
    std::optional<VelmoraMainTask> reconciliationTask_;
    std::int64_t contentOperationGeneration_ = 0;
    std::optional<VelmoraWidgetViewMode> pendingScreen_;
    bool sessionResetting_ = false;
    std::optional<std::string> pendingArticleID_;
    bool initialScreenResolved_ = false;
    bool publishedStateLoaded_ = false;
    std::int64_t lifecycleGeneration_ = 0;
    std::int64_t publishedStateGeneration_ = 0;
    bool needsReconcile_ = true;
    bool destroyed_ = false;
    bool mutationInFlight_ = false;
    std::int64_t mutationGeneration_ = 0;
    std::int64_t draftGeneration_ = 0;
    bool preservesMutationError_ = false;
    std::optional<VelmoraWidgetDraftState> pendingFirstDraft_;
    std::optional<VelmoraPrefill> activePrefill_;
    std::optional<VelmoraWidgetNavigation> configuredNavigation_;
    std::shared_ptr<VelmoraWidgetDraftStore> draftStore_;
    bool configurationLoaded_ = false;
    std::set<std::string> hostActionIds_;
    JSONValue::Object configuredHostActionContext_;
    std::map<std::string, VelmoraHostActionHandler> hostActionHandlers_;
    std::map<std::string, PendingHostAction> pendingHostActions_;
    std::optional<std::string> activeHostActionRequestId_;
};

/// Reaches the core of a controller, for the library's own code and its tests.
struct WidgetControllerAccess {
    static WidgetControllerCore& core(const VelmoraWidgetController& controller) {
        return *controller.core_;
    }
};

} // namespace detail
} // namespace velmora
