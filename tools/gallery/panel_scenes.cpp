// The whole widget panel: empty, a conversation with each kind of row, the error row, each
// availability state, the dark palette and the four locales.
#include "gallery.hpp"

#include "fixtures.hpp"
#include "platform/qt_child.hpp"
#include "velmora/ui/qt_main_executor.hpp"
#include "velmora/ui/widget_client.hpp"
#include "velmora/ui/widget_view.hpp"
#include "views/availability_model.hpp"
#include "views/transcript_rows.hpp"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QVBoxLayout>

#include <map>
#include <memory>

namespace velmora::gallery {

namespace {

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

struct PanelTexts {
    const char *home, *messages, *help, *greeting, *question, *title, *subtitle, *message, *send,
        *retry, *sending, *failed, *waiting, *add, *remove, *close;
};

const std::map<std::string, PanelTexts>& panelTexts() {
    static const std::map<std::string, PanelTexts> texts = {
        {"en",
         {"Home", "Messages", "Help", "Hi there 👋", "How can we help?", "Support",
          "We usually reply in a few minutes", "Write a message…", "Send", "Try again", "Sending…",
          "Something went wrong. Your message is kept.", "Waiting for a reply…", "Attach a file",
          "Remove file", "Close"}},
        {"uk",
         {"Головна", "Повідомлення", "Довідка", "Вітаємо 👋", "Чим ми можемо допомогти?",
          "Підтримка", "Зазвичай відповідаємо за кілька хвилин", "Напишіть повідомлення…",
          "Надіслати", "Спробувати ще раз", "Надсилаємо…",
          "Щось пішло не так. Ваше повідомлення збережено.", "Чекаємо на відповідь…", "Додати файл",
          "Вилучити файл", "Закрити"}},
        {"de",
         {"Start", "Nachrichten", "Hilfe", "Hallo 👋", "Wie können wir helfen?", "Support",
          "Wir antworten meist innerhalb weniger Minuten", "Nachricht schreiben …", "Senden",
          "Erneut versuchen", "Wird gesendet …",
          "Etwas ist schiefgelaufen. Ihre Nachricht bleibt erhalten.", "Warten auf Antwort …",
          "Datei anhängen", "Datei entfernen", "Schließen"}},
        {"es",
         {"Inicio", "Mensajes", "Ayuda", "Hola 👋", "¿Cómo podemos ayudarte?", "Soporte",
          "Solemos responder en unos minutos", "Escribe un mensaje…", "Enviar", "Reintentar",
          "Enviando…", "Algo salió mal. Tu mensaje se conserva.", "Esperando respuesta…",
          "Adjuntar archivo", "Quitar archivo", "Cerrar"}},
    };
    return texts;
}

VelmoraWidgetExperience
panelExperience(const std::string& locale,
                VelmoraWidgetColorMode mode = VelmoraWidgetColorMode::light) {
    auto experience = fixtures::experience(locale, mode);
    auto values = experience.copy.values();
    const auto& t = panelTexts().at(locale);
    values["nav.home"] = t.home;
    values["nav.messages"] = t.messages;
    values["nav.help"] = t.help;
    values["home.greeting"] = t.greeting;
    values["home.question"] = t.question;
    values["panel.title"] = t.title;
    values["panel.subtitle"] = t.subtitle;
    values["field.message"] = t.message;
    values["action.send"] = t.send;
    values["action.retry"] = t.retry;
    values["action.sending"] = t.sending;
    values["status.failed"] = t.failed;
    values["status.replyWaiting"] = t.waiting;
    values["attachment.add"] = t.add;
    values["attachment.remove"] = t.remove;
    values["action.close"] = t.close;
    experience.copy = VelmoraWidgetCopy(values);
    return experience;
}

VelmoraWidgetAvailability availability(VelmoraWidgetAvailabilityState state,
                                       std::optional<std::int64_t> minutes,
                                       VelmoraWidgetReplyExpectationSource source) {
    VelmoraWidgetAvailability a;
    a.showAgentAvailability = true;
    a.snapshot.state = state;
    a.snapshot.expectedReplyMinutes = minutes;
    a.snapshot.expectedReplySource = source;
    a.messageKeys = {"availability.status.teamOnline", "availability.status.aiOnline",
                     "availability.status.busy",       "availability.status.offline",
                     "availability.reply.team",        "availability.reply.ai",
                     "availability.reply.busy",        "availability.reply.offline",
                     "availability.reply.teamSla",     "availability.reply.aiSla",
                     "availability.reply.busySla",     "availability.reply.offlineSla",
                     "availability.reply.unknown"};
    return a;
}

VelmoraSnapshot conversation(const std::string& locale) {
    VelmoraSnapshot snapshot;
    snapshot.sessionId = "s_1";
    snapshot.conversationId = "conv_1";
    const std::map<std::string, std::string> questions = {{"en", "Where is my order 1001?"},
                                                          {"uk", "Де моє замовлення 1001?"},
                                                          {"de", "Wo ist meine Bestellung 1001?"},
                                                          {"es", "¿Dónde está mi pedido 1001?"}};
    snapshot.messages.push_back(
        fixtures::message("m1", "inbound", "customer", questions.at(locale)));
    snapshot.messages.push_back(
        fixtures::message("m2", "outbound", "ai", fixtures::sampleText(locale)));
    auto files = fixtures::message("m3", "outbound", "teammate", "");
    files.attachments = std::vector<VelmoraAttachment>{
        {.id = "a1", .fileName = "invoice-1001.pdf", .downloadUrl = "https://x/a1"}};
    snapshot.messages.push_back(files);
    snapshot.support = VelmoraSupport{};
    snapshot.support->state = "teammate-joined";
    return snapshot;
}

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

} // namespace

void addPanelScenes(std::vector<Scene>& scenes) {
    using Screen = VelmoraWidgetViewMode;
    using St = VelmoraWidgetAvailabilityState;
    using Src = VelmoraWidgetReplyExpectationSource;
    const auto team = availability(St::teamOnline, 4, Src::teamConfigured);
    const auto add = [&](std::string name, std::string locale, VelmoraWidgetColorMode mode,
                         std::vector<VelmoraEvent> script,
                         std::optional<VelmoraWidgetAvailability> available, Screen screen,
                         int height = 680) {
        scenes.push_back({std::move(name), 380, [=] {
                              return std::make_unique<PanelScene>(
                                  panelExperience(locale, mode), script, available, screen,
                                  VelmoraColorScheme::light, height);
                          }});
    };
    const auto light = VelmoraWidgetColorMode::light;
    add("panel-empty-light-en", "en", light, {event::loading{VelmoraLoadingState::idle}}, team,
        Screen::messages);
    add("panel-home-light-en", "en", light, {}, team, Screen::home);
    for (const auto& locale : fixtures::locales) {
        add("panel-conversation-light-" + locale, locale, light,
            {event::snapshot{conversation(locale)},
             event::loading{VelmoraLoadingState::waitingForAssistant}},
            team, Screen::messages);
    }
    add("panel-conversation-dark-en", "en", VelmoraWidgetColorMode::dark,
        {event::snapshot{conversation("en")},
         event::loading{VelmoraLoadingState::waitingForAssistant}},
        team, Screen::messages);
    add("panel-error-retry-light-en", "en", light,
        {event::snapshot{conversation("en")},
         event::error{VelmoraError(VelmoraErrorCode::http, 503, std::nullopt, "Unavailable")}},
        team, Screen::messages);
    add("panel-error-final-dark-de", "de", VelmoraWidgetColorMode::dark,
        {event::snapshot{conversation("de")},
         event::error{VelmoraError(VelmoraErrorCode::http, 501, std::nullopt, "No")}},
        team, Screen::messages);

    // Each availability state (and the unknown reply time) in each locale, light and dark.
    const std::vector<std::pair<std::string, VelmoraWidgetAvailability>> states = {
        {"teamOnline", availability(St::teamOnline, 4, Src::teamConfigured)},
        {"aiOnline", availability(St::aiOnline, 45, Src::recentPerformance)},
        {"busy", availability(St::busy, 300, Src::sla)},
        {"offline", availability(St::offline, std::nullopt, Src::unavailable)},
    };
    for (const auto& locale : fixtures::locales) {
        for (const bool dark : {false, true}) {
            scenes.push_back(
                {"availability-states-" + std::string(dark ? "dark-" : "light-") + locale, 380,
                 [=] {
                     const auto experience = panelExperience(locale);
                     const detail::PanelContext context{experience, dark};
                     std::vector<QWidget*> cards;
                     for (const auto& [name, a] : states)
                         cards.push_back(detail::makeQtChild<detail::AvailabilityCardView>(
                             *detail::availabilityCardModel(a, context)));
                     const auto& palette =
                         dark ? experience.appearance.dark : experience.appearance.light;
                     return stack(cards, QColor(QString::fromStdString(palette.surface)));
                 }});
        }
    }
}

} // namespace velmora::gallery
