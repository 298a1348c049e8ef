// The whole widget panel: empty, a conversation with each kind of row, the error row, each
// availability state, the dark palette and the four locales.
#include "gallery.hpp"
#include "panel_scene.hpp"

#include "fixtures.hpp"
#include "platform/qt_child.hpp"
#include "velmora/ui/qt_main_executor.hpp"
#include "velmora/ui/widget_client.hpp"
#include "velmora/ui/widget_view.hpp"
#include "views/availability_model.hpp"
#include "views/transcript.hpp"
#include "views/transcript_rows.hpp"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QVBoxLayout>

#include <map>
#include <memory>

namespace velmora::gallery {

namespace {

using fixtures::availability;

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

VelmoraSnapshot conversation(const std::string& locale) {
    VelmoraSnapshot snapshot;
    snapshot.sessionId = "s_1";
    snapshot.conversationId = "conv_1";
    const std::map<std::string, std::string> questions = {{"en", "Where is my order 1001?"},
                                                          {"uk", "Де моє замовлення 1001?"},
                                                          {"de", "Wo ist meine Bestellung 1001?"},
                                                          {"es", "¿Dónde está mi pedido 1001?"}};
    snapshot.messages.push_back(
        fixtures::message("m1", "outbound", "customer", questions.at(locale)));
    snapshot.messages.push_back(
        fixtures::message("m2", "inbound", "ai", fixtures::sampleText(locale)));
    auto files = fixtures::message("m3", "inbound", "teammate", "");
    files.attachments = std::vector<VelmoraAttachment>{
        {.id = "a1", .fileName = "invoice-1001.pdf", .downloadUrl = "https://x/a1"}};
    snapshot.messages.push_back(files);
    snapshot.support = VelmoraSupport{};
    snapshot.support->state = "teammate-joined";
    return snapshot;
}

/// A long conversation of alternating questions and answers in the four sample languages.
VelmoraSnapshot longConversation(std::size_t count) {
    VelmoraSnapshot snapshot;
    snapshot.sessionId = "s_1";
    snapshot.conversationId = "conv_1";
    for (std::size_t i = 0; i < count; ++i) {
        const bool customer = i % 2 == 0;
        auto message = fixtures::message(
            "m" + std::to_string(i), customer ? "outbound" : "inbound",
            customer ? "customer" : "ai",
            customer ? "Question " + std::to_string(i / 2 + 1) + ": where is my order?"
                     : fixtures::sampleText(fixtures::locales[(i / 2) % fixtures::locales.size()]));
        if (i % 50 == 7)
            message.attachments =
                std::vector<VelmoraAttachment>{{.id = "a" + std::to_string(i),
                                                .fileName = "invoice-" + std::to_string(i) + ".pdf",
                                                .downloadUrl = "https://x/a"}};
        snapshot.messages.push_back(std::move(message));
    }
    return snapshot;
}

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
    // A thousand messages, read from the middle.
    scenes.push_back({"panel-long-conversation-middle-light-en", 380, [=] {
                          auto scene = std::make_unique<PanelScene>(
                              panelExperience("en", light),
                              std::vector<VelmoraEvent>{event::snapshot{longConversation(1000)}},
                              team, Screen::messages, VelmoraColorScheme::light, 680);
                          scene->resize(380, 680);
                          QCoreApplication::processEvents();
                          if (auto* transcript = scene->findChild<detail::TranscriptView*>())
                              transcript->scrollToItem("m500");
                          QCoreApplication::processEvents();
                          return scene;
                      }});
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
