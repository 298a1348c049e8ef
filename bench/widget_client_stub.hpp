#pragma once

// A widget client for benchmarks that exercise one path of the controller: the event stream
// comes from the function given (a finished stream without one); every other operation is out of
// the benchmark's path and throws.

#include "velmora/ui/widget_client.hpp"

#include <functional>
#include <stdexcept>
#include <string>

namespace velmora::bench {

#define VELMORA_UNUSED_OPERATION(Result, name, ...)                                                \
    boost::asio::awaitable<Result> name(__VA_ARGS__) override {                                    \
        throw std::logic_error("not used by the benchmark");                                       \
    }

class WidgetClientStub final : public VelmoraWidgetClient {
public:
    using EventSource = std::function<AsyncStream<VelmoraEvent>()>;

    explicit WidgetClientStub(EventSource events = {}, std::string identity = "bench")
        : events_(std::move(events)), identity_(std::move(identity)) {}

    std::string widgetDraftIdentity() const override { return identity_; }
    std::string attachmentOnlyMessageText() const override { return "Attached file"; }
    bool canDownloadAttachment(const VelmoraAttachment&) const override { return false; }
    void validateAttachments(const std::vector<VelmoraAttachmentDraft>&) const override {}
    boost::asio::awaitable<AsyncStream<VelmoraEvent>> events() override {
        co_return events_ ? events_() : AsyncStream<VelmoraEvent>();
    }
    VELMORA_UNUSED_OPERATION(std::optional<VelmoraSession>, currentSession)
    VELMORA_UNUSED_OPERATION(std::optional<std::string>, currentCustomerMessageId)
    VELMORA_UNUSED_OPERATION(std::optional<VelmoraSnapshot>, currentSnapshot)
    VELMORA_UNUSED_OPERATION(bool, shouldWaitForAssistant)
    VELMORA_UNUSED_OPERATION(std::optional<VelmoraWidgetNavigation>, currentWidgetNavigation)
    VELMORA_UNUSED_OPERATION(std::optional<VelmoraWidgetAvailability>, currentWidgetAvailability)
    VELMORA_UNUSED_OPERATION(std::optional<std::string>, currentWidgetWorkspacePublicName)
    VELMORA_UNUSED_OPERATION(std::optional<VelmoraWidgetVoiceSettings>, currentWidgetVoiceSettings)
    VELMORA_UNUSED_OPERATION(VelmoraSnapshot, refresh)
    VELMORA_UNUSED_OPERATION(VelmoraSnapshot, waitForAssistant, double, std::optional<std::int64_t>)
    VELMORA_UNUSED_OPERATION(JSONValue::Object, loadWidgetAppearance)
    VELMORA_UNUSED_OPERATION(VelmoraWidgetContentSnapshot, loadWidgetContent)
    VELMORA_UNUSED_OPERATION(std::optional<VelmoraSession>, resumeSession)
    VELMORA_UNUSED_OPERATION(std::vector<VelmoraAcceptedMessage>, flushOutbox)
    VELMORA_UNUSED_OPERATION(void, resetSession)
    VELMORA_UNUSED_OPERATION(VelmoraSession, startSession, VelmoraSessionStartInput,
                             std::vector<VelmoraAttachmentDraft>)
    VELMORA_UNUSED_OPERATION(VelmoraAcceptedMessage, sendMessage, VelmoraMessageInput,
                             std::vector<VelmoraAttachmentDraft>)
    VELMORA_UNUSED_OPERATION(void, uploadAttachments, std::vector<VelmoraAttachmentDraft>,
                             std::string)
    VELMORA_UNUSED_OPERATION(Data, downloadAttachment, VelmoraAttachment)
    VELMORA_UNUSED_OPERATION(VelmoraFormSubmission, submitConversationForm, std::string,
                             JSONValue::Object)
    VELMORA_UNUSED_OPERATION(VelmoraProcedureActionResult, performProcedureAction,
                             VelmoraProcedureActionInput)

private:
    EventSource events_;
    std::string identity_;
};

#undef VELMORA_UNUSED_OPERATION

} // namespace velmora::bench
