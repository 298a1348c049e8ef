// Procedure steps in the panel's transcript: a card with choices, a date step on the calendar,
// confirmation details with records and a checkout link, an expired step, the quick actions,
// light and dark, the four locales and long right-to-left texts.
#include "gallery.hpp"
#include "panel_scene.hpp"

#include "fixtures.hpp"

#include <array>
#include <map>

namespace velmora::gallery {

namespace {

VelmoraWidgetExperience procedureExperience(const std::string& locale,
                                            VelmoraWidgetColorMode mode) {
    auto experience = fixtures::experience(locale, mode);
    auto values = experience.copy.values();
    static const std::map<std::string, std::array<const char*, 4>> texts = {
        {"en", {"Back", "Open the checkout", "This step has expired.", "Something went wrong."}},
        {"uk", {"Назад", "Відкрити оплату", "Цей крок більше не дійсний.", "Щось пішло не так."}},
        {"de",
         {"Zurück", "Zur Kasse", "Dieser Schritt ist abgelaufen.", "Etwas ist schiefgelaufen."}},
        {"es", {"Atrás", "Ir al pago", "Este paso ha caducado.", "Algo salió mal."}},
    };
    const auto& t = texts.at(locale);
    values["action.back"] = t[0];
    values["receipt.tag"] = t[1];
    values["form.expired"] = t[2];
    values["status.failed"] = t[3];
    // The panel around the card.
    static const std::map<std::string, std::array<const char*, 6>> chrome = {
        {"en",
         {"Support", "We usually reply in a few minutes", "Home", "Messages", "Help",
          "Write a message…"}},
        {"uk",
         {"Підтримка", "Зазвичай відповідаємо за кілька хвилин", "Головна", "Повідомлення",
          "Довідка", "Напишіть повідомлення…"}},
        {"de",
         {"Support", "Wir antworten meist innerhalb weniger Minuten", "Start", "Nachrichten",
          "Hilfe", "Nachricht schreiben …"}},
        {"es",
         {"Soporte", "Solemos responder en unos minutos", "Inicio", "Mensajes", "Ayuda",
          "Escribe un mensaje…"}},
    };
    const auto& c = chrome.at(locale);
    values["panel.title"] = c[0];
    values["panel.subtitle"] = c[1];
    values["nav.home"] = c[2];
    values["nav.messages"] = c[3];
    values["nav.help"] = c[4];
    values["field.message"] = c[5];
    experience.copy = VelmoraWidgetCopy(values);
    return experience;
}

VelmoraSnapshot snapshotWith(std::optional<std::string> procedureAction,
                             std::optional<std::string> quickActions, std::string question) {
    VelmoraSnapshot snapshot;
    snapshot.sessionId = "s_1";
    snapshot.conversationId = "conv_1";
    snapshot.messages.push_back(
        fixtures::message("m1", "outbound", "customer", std::move(question)));
    if (procedureAction)
        snapshot.procedureAction = decodeJSON<JSONValue>(*procedureAction);
    if (quickActions) {
        const auto actions = decodeJSON<JSONValue>(*quickActions);
        snapshot.procedureQuickActions = *actions.ifArray();
    }
    return snapshot;
}

struct StepTexts {
    const char *question, *title, *prompt, *first, *second, *when, *order, *notebook, *price,
        *status;
};

const std::map<std::string, StepTexts>& stepTexts() {
    static const std::map<std::string, StepTexts> texts = {
        {"en",
         {"I'd like to book a repair.", "Book a repair", "What needs fixing?", "Screen",
          "Battery and charging", "Date", "Order", "Notebook", "Price", "Status"}},
        {"uk",
         {"Хочу записатися на ремонт.", "Запис на ремонт", "Що потрібно полагодити?", "Екран",
          "Акумулятор і заряджання", "Дата", "Замовлення", "Блокнот", "Ціна", "Статус"}},
        {"de",
         {"Ich möchte eine Reparatur buchen.", "Reparatur buchen", "Was muss repariert werden?",
          "Bildschirm", "Akku und Ladevorgang", "Datum", "Bestellung", "Notizbuch", "Preis",
          "Status"}},
        {"es",
         {"Quiero reservar una reparación.", "Reservar una reparación", "¿Qué hay que reparar?",
          "Pantalla", "Batería y carga", "Fecha", "Pedido", "Cuaderno", "Precio", "Estado"}},
    };
    return texts;
}

std::string quoted(const std::string& text) {
    return encodeJSON(JSONValue(text));
}

std::string choiceStep(const StepTexts& t, const std::string& locale) {
    return R"({"procedureId":"book-repair","runId":"wr_1","locale":")" + locale +
           R"(","phase":"collecting","localizedTitle":)" + quoted(t.title) +
           R"(,"localizedPrompt":)" + quoted(t.prompt) +
           R"(,"choices":[{"value":"screen","label":)" + quoted(t.first) +
           R"(},{"value":"battery","label":)" + quoted(t.second) + "}]}";
}

std::string calendarStep(const StepTexts& t, const std::string& locale, const char* statusCode) {
    return R"({"procedureId":"book-repair","runId":"wr_1","locale":")" + locale +
           R"(","phase":"collecting","localizedTitle":)" + quoted(t.title) +
           R"(,)"
           R"("calendarMode":true,"calendarAvailabilityLoaded":true,"backStepId":"kind",)"
           R"("statusCode":")" +
           statusCode +
           R"(","dateAvailability":{"month":"2026-03","startDate":"2026-03-01",)"
           R"("endDate":"2026-03-31","earliestDate":"2026-03-02","timeZone":"Europe/Kyiv",)"
           R"("availableDates":["2026-03-03","2026-03-04","2026-03-10","2026-03-17","2026-03-31",)"
           R"("2026-04-01"],"procedureRevision":1,"bindingSetRevision":1}})";
}

std::string confirmationStep(const StepTexts& t, const std::string& locale) {
    return R"({"procedureId":"book-repair","runId":"wr_1","locale":")" + locale +
           R"(","phase":"awaiting_confirmation","proposalId":"pp_1","backStepId":"when",)"
           R"("localizedTitle":)" +
           quoted(t.title) +
           R"(,"hostedCheckoutUrl":"https://pay.example.com/c/1","confirmationDetails":[)"
           R"({"labelKey":"when","localizedLabel":)" +
           quoted(t.when) + R"(,"value":"2026-03-17"},{"labelKey":"order","localizedLabel":)" +
           quoted(t.order) +
           R"(,"value":"#1001","presentation":{"kind":"record_detail","completeness":"complete",)"
           R"("records":[{"id":"r1","title":)" +
           quoted(t.notebook) + R"(,"subtitle":"A5, dotted","fields":[{"id":"p","label":)" +
           quoted(t.price) +
           R"(,"value":"€12.00","state":"available","format":"money"},{"id":"s","label":)" +
           quoted(t.status) +
           R"(,"value":"paid","state":"available","format":"status"},)"
           R"({"id":"q","label":"Qty","value":"2","state":"unavailable","format":"number"}]}]}}]})";
}

const char* kQuickActions =
    R"([{"procedureId":"book-repair","titleKey":"x","localizedTitle":"Book a repair"},)"
    R"({"procedureId":"return-order","localizedTitle":"Return an order"},)"
    R"({"procedureId":"change-address","localizedTitle":"Change the delivery address of an order )"
    R"(that has not shipped yet"},{"procedureId":"hidden"}])";

} // namespace

void addProcedureScenes(std::vector<Scene>& scenes) {
    const auto add = [&](std::string name, std::string locale, bool dark,
                         std::optional<std::string> step, std::optional<std::string> quick,
                         std::string question, int height) {
        scenes.push_back({std::move(name), 380, [=] {
                              const auto mode = dark ? VelmoraWidgetColorMode::dark
                                                     : VelmoraWidgetColorMode::light;
                              return std::make_unique<PanelScene>(
                                  procedureExperience(locale, mode),
                                  std::vector<VelmoraEvent>{
                                      event::snapshot{snapshotWith(step, quick, question)}},
                                  std::nullopt, VelmoraWidgetViewMode::messages,
                                  VelmoraColorScheme::light, height);
                          }});
    };
    for (const auto& locale : fixtures::locales) {
        const auto& t = stepTexts().at(locale);
        for (const bool dark : {false, true}) {
            const std::string suffix = std::string(dark ? "dark-" : "light-") + locale;
            add("procedure-choices-" + suffix, locale, dark, choiceStep(t, locale), std::nullopt,
                t.question, 560);
            add("procedure-calendar-" + suffix, locale, dark,
                calendarStep(t, locale, dark ? "action_month_no_availability" : ""), std::nullopt,
                t.question, 900);
            add("procedure-confirmation-" + suffix, locale, dark, confirmationStep(t, locale),
                std::nullopt, t.question, 760);
        }
    }
    for (const bool dark : {false, true}) {
        add(std::string("procedure-quick-actions-") + (dark ? "dark" : "light") + "-en", "en", dark,
            std::nullopt, kQuickActions, "Hello!", 560);
    }
    const std::string rtl = fixtures::longRightToLeftText();
    add("procedure-long-rtl-light-en", "en", false,
        R"({"procedureId":"p","runId":"r","phase":"expired","localizedTitle":)" + quoted(rtl) +
            R"(,"localizedPrompt":)" + quoted(rtl) + R"(,"choices":[{"value":"a","label":)" +
            quoted(rtl) +
            R"(}],"backStepId":"","hostedCheckoutUrl":"https://pay.example.com/c/2"})",
        std::nullopt, "שלום", 900);
}

} // namespace velmora::gallery
