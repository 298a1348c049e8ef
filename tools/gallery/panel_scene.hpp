#pragma once

// A whole widget panel on a controller whose client only tells the scene's state, for pictures
// of the panel and of what its transcript shows.
#include "platform/qt_child.hpp"
#include "velmora/ui/qt_main_executor.hpp"
#include "velmora/ui/widget_client.hpp"
#include "velmora/ui/widget_view.hpp"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QVBoxLayout>

#include <memory>
#include <vector>

namespace velmora::gallery {

/// A client that only tells: its event stream carries the scene's state; every operation fails.
class SceneClient final : public VelmoraWidgetClient {
public:
    std::vector<VelmoraEvent> script;

    std::string widgetDraftIdentity() const override { return "gallery"; }
    std::string attachmentOnlyMessageText() const override { return "Attached file"; }
    bool canDownloadAttachment(const VelmoraAttachment& a) const override {
        return a.downloadUrl.has_value();
    }
    void validateAttachments(const std::vector<VelmoraAttachmentDraft>&) const override {}
    boost::asio::awaitable<AsyncStream<VelmoraEvent>> events() override {
        auto [stream, continuation] = makeAsyncStream<VelmoraEvent>();
        for (const auto& event : script)
            continuation.yield(event);
        continuations_.push_back(continuation);
        co_return std::move(stream);
    }
    template <class T> static boost::asio::awaitable<T> nothing() { co_return T{}; }
    boost::asio::awaitable<std::optional<VelmoraSession>> currentSession() override {
        co_return std::nullopt;
    }
    boost::asio::awaitable<std::optional<std::string>> currentCustomerMessageId() override {
        co_return std::nullopt;
    }
    boost::asio::awaitable<std::optional<VelmoraSnapshot>> currentSnapshot() override {
        co_return std::nullopt;
    }
    boost::asio::awaitable<bool> shouldWaitForAssistant() override { co_return false; }
    boost::asio::awaitable<std::optional<VelmoraWidgetNavigation>>
    currentWidgetNavigation() override {
        co_return std::nullopt;
    }
    boost::asio::awaitable<std::optional<VelmoraWidgetAvailability>>
    currentWidgetAvailability() override {
        co_return std::nullopt;
    }
    boost::asio::awaitable<std::optional<std::string>> currentWidgetWorkspacePublicName() override {
        co_return std::nullopt;
    }
    boost::asio::awaitable<std::optional<VelmoraWidgetVoiceSettings>>
    currentWidgetVoiceSettings() override {
        co_return std::nullopt;
    }
    [[noreturn]] static void fail() {
        throw VelmoraError(VelmoraErrorCode::network, std::nullopt, std::nullopt,
                           "The gallery has no service.");
    }
    boost::asio::awaitable<VelmoraSnapshot> refresh() override { fail(); }
    boost::asio::awaitable<VelmoraSnapshot> waitForAssistant(double,
                                                             std::optional<std::int64_t>) override {
        fail();
    }
    boost::asio::awaitable<JSONValue::Object> loadWidgetAppearance() override { fail(); }
    boost::asio::awaitable<VelmoraWidgetContentSnapshot> loadWidgetContent() override { fail(); }
    boost::asio::awaitable<std::optional<VelmoraSession>> resumeSession() override { fail(); }
    boost::asio::awaitable<std::vector<VelmoraAcceptedMessage>> flushOutbox() override { fail(); }
    boost::asio::awaitable<void> resetSession() override { fail(); }
    boost::asio::awaitable<VelmoraSession>
    startSession(VelmoraSessionStartInput, std::vector<VelmoraAttachmentDraft>) override {
        fail();
    }
    boost::asio::awaitable<VelmoraAcceptedMessage>
    sendMessage(VelmoraMessageInput, std::vector<VelmoraAttachmentDraft>) override {
        fail();
    }
    boost::asio::awaitable<void> uploadAttachments(std::vector<VelmoraAttachmentDraft>,
                                                   std::string) override {
        fail();
    }
    boost::asio::awaitable<Data> downloadAttachment(VelmoraAttachment) override { fail(); }
    boost::asio::awaitable<VelmoraFormSubmission>
    submitConversationForm(std::string, JSONValue::Object) override {
        fail();
    }
    boost::asio::awaitable<VelmoraProcedureActionResult>
    performProcedureAction(VelmoraProcedureActionInput) override {
        fail();
    }

private:
    std::vector<AsyncStreamContinuation<VelmoraEvent>> continuations_;
};

/// Holds the executor, the controller and the panel for as long as the picture lives.
class PanelScene final : public QWidget {
public:
    PanelScene(VelmoraWidgetExperience experience, std::vector<VelmoraEvent> script,
               std::optional<VelmoraWidgetAvailability> available, VelmoraWidgetViewMode screen,
               VelmoraColorScheme scheme, int height)
        : height_(height) {
        auto client = std::make_shared<SceneClient>();
        client->script = std::move(script);
        VelmoraWidgetNavigation navigation{true, true};
        controller_ = VelmoraWidgetController::create(
            context_.get_executor(), client, true, navigation,
            VelmoraWidgetPreparedState(navigation, std::move(available), "Acme"), {}, {},
            std::make_shared<VelmoraWidgetDraftStore>());
        controller_->prepareNavigation(navigation);
        controller_->setScreen(screen);
        VelmoraPlatformSettingsValues values;
        values.colorScheme = scheme;
        values.reduceMotion = true;
        auto* layout = detail::makeQtChild<QVBoxLayout>(this);
        layout->setContentsMargins(0, 0, 0, 0);
        view_ = detail::makeQtChild<VelmoraWidgetView>(
            controller_, std::move(experience),
            std::make_shared<VelmoraFixedPlatformSettings>(values), this);
        layout->addWidget(view_);
        controller_->mount();
        // Lets the controller take in the scripted events and the panel redraw.
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 200)
            QCoreApplication::processEvents();
    }
    ~PanelScene() override {
        // The panel goes first, so nothing observes the controller while it winds down.
        detail::destroyQtChild(view_);
        const std::weak_ptr<VelmoraWidgetController> weak = controller_;
        controller_->destroy();
        controller_.reset();
        // Cancelled work completes on later turns of the event loop, each turn posting the next;
        // the scene's executor must not go before the work that still holds the controller.
        for (int turn = 0; turn < 1000 && !weak.expired(); ++turn)
            QCoreApplication::processEvents();
    }
    QSize sizeHint() const override { return {380, height_}; }
    bool hasHeightForWidth() const override { return false; }
    VelmoraWidgetController& controller() { return *controller_; }

private:
    int height_;
    VelmoraQtExecutionContext context_;
    std::shared_ptr<VelmoraWidgetController> controller_;
    VelmoraWidgetView* view_ = nullptr;
};

} // namespace velmora::gallery
