#pragma once

#include "velmora/error.hpp"
#include "velmora/events.hpp"
#include "velmora/host_actions.hpp"
#include "velmora/json_value.hpp"
#include "velmora/models.hpp"
#include "velmora/procedure_models.hpp"
#include "velmora/voice.hpp"
#include "velmora/widget_configuration.hpp"
#include "velmora/widget_content.hpp"

#include "velmora/ui/observation.hpp"
#include "velmora/ui/procedure_card.hpp"
#include "velmora/ui/widget_client.hpp"
#include "velmora/ui/widget_clock.hpp"
#include "velmora/ui/widget_controller_types.hpp"
#include "velmora/ui/widget_draft_store.hpp"

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/awaitable.hpp>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora {
namespace detail {
class WidgetControllerCore;
struct WidgetControllerAccess;
} // namespace detail

/// The widget's one view model. It mirrors the client's conversation into published state,
/// decides which screen shows and runs every user intent as asynchronous client work.
///
/// Threading: every member runs on the main executor given to `create` (in the Qt application
/// the GUI thread's event loop, in tests an `io_context` the test drives). Work is posted there
/// as `VelmoraMainTask`s that hold the controller weakly; generation counters decide whether a
/// result that arrives late may still be published.
///
/// Observation: `observe` tells an observer before every assignment to a published property
/// (in assignment order, even when the value does not change), while the old value is still
/// readable. Observers and the host callbacks may call back into the controller.
///
/// Intents never throw (apart from `downloadAttachment` and `completeHostAction`); their
/// failures are published, mostly as `error`.
class VelmoraWidgetController : public std::enable_shared_from_this<VelmoraWidgetController> {
public:
    using HostCloseCallback = std::function<void()>;
    using HostActionEventCallback = std::function<void(const VelmoraEvent&)>;

    /// Builds a controller over `client`. Sends no request and starts no work: that begins
    /// with `mount()` or `open()`. The draft stored for the client's identity comes back into
    /// the composer. Throws `VelmoraError` (invalidConfig) when `hostActionIds` holds more
    /// than 32 entries or one that does not match "^[a-z0-9][a-z0-9:_-]{0,63}$", or when
    /// `hostActionContext` is not a bounded host-action context. `clock` defaults to the
    /// system clock.
    static std::shared_ptr<VelmoraWidgetController>
    create(boost::asio::any_io_executor mainExecutor, std::shared_ptr<VelmoraWidgetClient> client,
           bool configurationLoaded, std::optional<VelmoraWidgetNavigation> navigation,
           std::optional<VelmoraWidgetPreparedState> preparedState,
           std::vector<std::string> hostActionIds, JSONValue::Object hostActionContext,
           std::shared_ptr<VelmoraWidgetDraftStore> draftStore,
           std::shared_ptr<VelmoraWidgetClock> clock = nullptr);

    /// The same over the SDK's client (adapted with `VelmoraClientWidgetAdapter`).
    static std::shared_ptr<VelmoraWidgetController>
    create(boost::asio::any_io_executor mainExecutor, std::shared_ptr<VelmoraClient> client,
           bool configurationLoaded, std::optional<VelmoraWidgetNavigation> navigation,
           std::optional<VelmoraWidgetPreparedState> preparedState,
           std::vector<std::string> hostActionIds, JSONValue::Object hostActionContext,
           std::shared_ptr<VelmoraWidgetDraftStore> draftStore,
           std::shared_ptr<VelmoraWidgetClock> clock = nullptr);

    /// Use `create`: the core is the controller's own.
    explicit VelmoraWidgetController(std::shared_ptr<detail::WidgetControllerCore> core);

    /// Cancels every running task; neither saves nor removes the draft.
    ~VelmoraWidgetController();
    VelmoraWidgetController(const VelmoraWidgetController&) = delete;
    VelmoraWidgetController& operator=(const VelmoraWidgetController&) = delete;

    // Observation.

    /// Follows every published property.
    [[nodiscard]] VelmoraObservation observe(std::function<void(VelmoraWidgetProperty)> callback);
    /// Follows one published property.
    [[nodiscard]] VelmoraObservation observe(VelmoraWidgetProperty property,
                                             std::function<void(VelmoraWidgetProperty)> callback);

    // Published state.

    /// The client's snapshot, shared with it and never copied: both stay valid until the next
    /// change of the property.
    const std::vector<VelmoraMessage>& messages() const;
    const std::optional<VelmoraSnapshot>& snapshot() const;
    VelmoraLoadingState loadingState() const;
    bool isLoadingConfiguration() const;
    const std::optional<VelmoraError>& error() const;
    const std::string& draft() const;
    /// Stores the composer text (and tells observers); saving it is `updateDraft`.
    void setDraft(std::string text);
    const std::vector<VelmoraAttachmentDraft>& pendingAttachments() const;
    bool isMounted() const;
    bool isOpen() const;
    bool isForeground() const;
    bool isActionInFlight() const;
    const std::optional<VelmoraHostActionResult>& hostActionResult() const;
    const std::optional<std::string>& hostActionResultActionID() const;
    std::optional<VelmoraVoiceCapabilityState> voiceState() const;
    bool voiceEnabledByServer() const;
    const VelmoraWidgetContentState& content() const;
    VelmoraWidgetViewMode screen() const;
    bool messagesAvailable() const;
    bool helpAvailable() const;
    bool navigationReady() const;
    const std::optional<VelmoraWidgetAvailability>& availability() const;
    const std::optional<std::string>& workspacePublicName() const;
    const std::string& helpQuery() const;
    const std::optional<std::string>& activeFAQID() const;
    const std::optional<std::string>& activeWorkflowID() const;
    const std::optional<std::string>& activeWorkflowStepID() const;
    bool isInitialNavigationResolved() const;
    const std::optional<VelmoraError>& helpError() const;
    /// A send or a retry is running.
    bool mutationInFlight() const;
    const std::optional<std::string>& activeHostActionRequestId() const;

    /// The text of the message of a started send, or nothing.
    std::optional<std::string> pendingFirstDraftText() const;
    /// The service allows voice and a capability is attached.
    bool voiceAvailable() const;

    // Host callbacks (called on the main executor; they may call back into the controller).

    const HostCloseCallback& onHostClose() const;
    void setOnHostClose(HostCloseCallback callback);
    const HostActionEventCallback& onHostActionEvent() const;
    void setOnHostActionEvent(HostActionEventCallback callback);

    // Lifecycle.

    /// The views are in place: follows the client's events.
    void mount();
    /// The widget opens: follows the events and starts the loads.
    void open();
    /// The widget closes: saves the draft and stops all work.
    void close();
    /// The user asked to close: `close()`, then `onHostClose` (also after `destroy()`).
    void requestHostClose();
    /// The application went to the background: stops all work.
    void background();
    /// The application came back: restarts the work of an open widget.
    void foreground();
    /// Final teardown: stops all work, removes the saved draft and empties the composer. Every
    /// later operation does nothing.
    void destroy();

    // Drafts.

    /// Sets the composer text and saves the draft.
    void updateDraft(std::string text);
    /// Empties the composer and removes the saved draft, unless a send runs or a started
    /// message is pending.
    void clearDraft();
    /// Drops the pending started message and its files; the composer text stays.
    void cancelPendingDraft();
    /// Stops the running send, reconciliation and action work and discards every draft.
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
    /// Delivers the answer to the pending request; throws `VelmoraError` (fieldInvalid).
    VelmoraHostActionResult completeHostAction(const VelmoraHostActionCompletion& completion);
    bool completeHostActionIfPending(const VelmoraHostActionCompletion& completion);
    void cancelHostActionsForIdentityChange();

    // Attachments and forms.

    void addAttachment(const std::filesystem::path& file);
    void removeAttachment(const VelmoraAttachmentDraft& attachment);
    /// The bytes of a received attachment; throws what the client throws.
    boost::asio::awaitable<Data> downloadAttachment(VelmoraAttachment attachment);
    bool canDownloadAttachment(const VelmoraAttachment& attachment) const;
    /// Submits a conversation form's values, then re-reads the conversation.
    void submitForm(const VelmoraConversationForm& form, JSONValue::Object values);

    // Procedures. Each action runs alone: while one runs (or a host action is pending),
    // `isActionInFlight` is true and further actions do nothing. Their outcome arrives as the
    // next conversation snapshot; a failure is published as `error`.

    /// Sends one action of a procedure step ("select", "back", "confirm", ...).
    void performProcedureAction(const VelmoraProcedureCard& card, std::string action,
                                std::string value);
    /// Asks for the available dates of `month` ("yyyy-MM") of a calendar step.
    void requestProcedureAvailability(const VelmoraProcedureCard& card, const std::string& month);
    /// Starts the procedure of a quick action.
    void performProcedureQuickAction(const VelmoraProcedureQuickAction& quickAction);

    // Voice.

    void setVoiceFactory(VelmoraVoiceFactory factory);
    void attachVoiceCapability(std::shared_ptr<VelmoraVoiceCapability> capability,
                               bool serverEnabled);
    void toggleVoice();
    void setVoiceMuted(bool muted);

    /// The main executor every member runs on.
    const boost::asio::any_io_executor& mainExecutor() const;

private:
    friend struct detail::WidgetControllerAccess;
    std::shared_ptr<detail::WidgetControllerCore> core_;
};

} // namespace velmora
