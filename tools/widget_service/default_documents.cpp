#include "widget_service.hpp"

#include "detail/json.hpp"

#include <boost/json.hpp>

namespace velmora::tools {

namespace json = boost::json;

namespace {

json::object availabilityMessageKeys() {
    return {{"teamOnline", "availability.status.teamOnline"},
            {"aiOnline", "availability.status.aiOnline"},
            {"busy", "availability.status.busy"},
            {"offline", "availability.status.offline"},
            {"replyTeam", "availability.reply.team"},
            {"replyAi", "availability.reply.ai"},
            {"replyBusy", "availability.reply.busy"},
            {"replyOffline", "availability.reply.offline"},
            {"replyTeamSla", "availability.reply.teamSla"},
            {"replyAiSla", "availability.reply.aiSla"},
            {"replyBusySla", "availability.reply.busySla"},
            {"replyOfflineSla", "availability.reply.offlineSla"},
            {"replyUnknown", "availability.reply.unknown"}};
}

/// The texts of the help content in one locale, in the order the keys are listed below.
struct ContentTexts {
    const char* locale;
    const char* faqTitle;
    const char* workflowTitle;
    const char* contact;
    const char* escalate;
    const char* hoursQuestion;
    const char* hoursAnswer;
    const char* orderQuestion;
    const char* orderAnswer;
    const char* orderAction;
    const char* trackTitle;
    const char* trackDescription;
    const char* trackPrompt;
    const char* trackShipped;
    const char* trackMissing;
    const char* trackShippedAnswer;
    const char* trackHandoff;
    const char* trackHandoffReason;
};

constexpr ContentTexts kTexts[] = {
    {"en", "Frequently asked questions", "Guided help", "Contact support", "Talk to a person",
     "When are you open?", "Our team answers every day from 9:00 to 17:00.", "Where is my order?",
     "Most orders arrive within five working days.", "Track an order", "Track an order",
     "Find out where your parcel is.", "Has your order shipped?", "Yes, it shipped",
     "No, nothing yet", "Use the tracking link in your shipping e-mail.",
     "We will pass you to our team.", "Order not shipped"},
    {"de", "Häufige Fragen", "Geführte Hilfe", "Support kontaktieren", "Mit einer Person sprechen",
     "Wann sind Sie erreichbar?", "Unser Team antwortet täglich von 9:00 bis 17:00 Uhr.",
     "Wo ist meine Bestellung?", "Die meisten Bestellungen kommen innerhalb von fünf Werktagen an.",
     "Bestellung verfolgen", "Bestellung verfolgen", "Finden Sie heraus, wo Ihr Paket ist.",
     "Wurde Ihre Bestellung versandt?", "Ja, versandt", "Nein, noch nicht",
     "Nutzen Sie den Link in Ihrer Versandbestätigung.", "Wir verbinden Sie mit unserem Team.",
     "Bestellung nicht versandt"},
    {"es", "Preguntas frecuentes", "Ayuda guiada", "Contactar con soporte",
     "Hablar con una persona", "¿Cuándo abren?",
     "Nuestro equipo responde todos los días de 9:00 a 17:00.", "¿Dónde está mi pedido?",
     "La mayoría de los pedidos llegan en cinco días laborables.", "Seguir un pedido",
     "Seguir un pedido", "Averigua dónde está tu paquete.", "¿Se ha enviado tu pedido?",
     "Sí, se ha enviado", "No, todavía no", "Usa el enlace de seguimiento del correo de envío.",
     "Te pasamos con nuestro equipo.", "Pedido no enviado"},
    {"uk", "Поширені запитання", "Покрокова допомога", "Звернутися до підтримки",
     "Поговорити з людиною", "Коли ви працюєте?", "Наша команда відповідає щодня з 9:00 до 17:00.",
     "Де моє замовлення?", "Більшість замовлень надходить протягом п'яти робочих днів.",
     "Відстежити замовлення", "Відстежити замовлення", "Дізнайтеся, де ваша посилка.",
     "Ваше замовлення відправлено?", "Так, відправлено", "Ні, ще ні",
     "Скористайтеся посиланням у листі про відправлення.", "Ми передамо вас нашій команді.",
     "Замовлення не відправлено"},
};

std::string contentBody(const ContentTexts& t) {
    json::object messages{{"help.faq.title", t.faqTitle},
                          {"help.workflows.title", t.workflowTitle},
                          {"help.contact", t.contact},
                          {"help.escalate", t.escalate},
                          {"faq.hours.title", t.hoursQuestion},
                          {"faq.hours.body", t.hoursAnswer},
                          {"faq.order.title", t.orderQuestion},
                          {"faq.order.body", t.orderAnswer},
                          {"faq.order.action", t.orderAction},
                          {"workflow.track.title", t.trackTitle},
                          {"workflow.track.description", t.trackDescription},
                          {"workflow.track.prompt", t.trackPrompt},
                          {"workflow.track.shipped", t.trackShipped},
                          {"workflow.track.missing", t.trackMissing},
                          {"workflow.track.shippedAnswer", t.trackShippedAnswer},
                          {"workflow.track.handoff", t.trackHandoff},
                          {"workflow.track.handoffReason", t.trackHandoffReason}};
    json::array faq{
        json::object{{"id", "opening-hours"},
                     {"titleKey", "faq.hours.title"},
                     {"bodyKey", "faq.hours.body"},
                     {"action", "contact-support"},
                     {"actionLabelKey", "help.contact"}},
        json::object{{"id", "order-status"},
                     {"titleKey", "faq.order.title"},
                     {"bodyKey", "faq.order.body"},
                     {"action", "start-workflow"},
                     {"actionLabelKey", "faq.order.action"},
                     {"workflowId", "track-order"}},
    };
    json::array steps{
        json::object{{"id", "start"},
                     {"type", "question"},
                     {"promptKey", "workflow.track.prompt"},
                     {"options", json::array{json::object{{"id", "shipped"},
                                                          {"labelKey", "workflow.track.shipped"},
                                                          {"action", "show-answer"},
                                                          {"nextStepId", "shipped-answer"}},
                                             json::object{{"id", "missing"},
                                                          {"labelKey", "workflow.track.missing"},
                                                          {"action", "handoff"},
                                                          {"nextStepId", "handoff"}}}}},
        json::object{{"id", "shipped-answer"},
                     {"type", "answer"},
                     {"promptKey", "workflow.track.shippedAnswer"}},
        json::object{{"id", "handoff"},
                     {"type", "handoff"},
                     {"promptKey", "workflow.track.handoff"},
                     {"handoffReasonKey", "workflow.track.handoffReason"}},
    };
    json::array workflows{json::object{{"id", "track-order"},
                                       {"titleKey", "workflow.track.title"},
                                       {"descriptionKey", "workflow.track.description"},
                                       {"initialStepId", "start"},
                                       {"steps", std::move(steps)}}};
    json::object behavior{{"enabled", true},
                          {"mode", "guided"},
                          {"showHomeContact", true},
                          {"showFaqFirst", true},
                          {"faqSectionTitleKey", "help.faq.title"},
                          {"workflowSectionTitleKey", "help.workflows.title"},
                          {"contactFallbackLabelKey", "help.contact"},
                          {"operatorEscalationLabelKey", "help.escalate"},
                          {"faq", std::move(faq)},
                          {"workflows", std::move(workflows)}};
    return velmora::detail::writeJSON(json::object{{"ok", true},
                                                   {"locale", t.locale},
                                                   {"behavior", std::move(behavior)},
                                                   {"messages", std::move(messages)}});
}

/// The integration's design as a host's presenter lays its own options over it: an appearance
/// (colour mode, tokens, layout), never a whole design document.
json::object defaultAppearance() {
    json::object light{{"accent", "#2453d6"}, {"link", "#2453d6"}, {"focus", "#2453d6"}};
    json::object dark{{"accent", "#8aa6ff"}, {"link", "#b5c7ff"}, {"focus", "#8aa6ff"}};
    json::object tokens{{"light", std::move(light)},
                        {"dark", std::move(dark)},
                        {"fontFamily", "Velmora Noto Sans, sans-serif"},
                        {"fontSize", "16px"},
                        {"lineHeight", 1.5},
                        {"controlRadius", "12px"},
                        {"borderWidth", "1px"},
                        {"shadow", "soft"}};
    json::object layout{{"placement", "bottom-right"}, {"panelWidth", 400}, {"panelHeight", 640}};
    return {{"mode", "system"},
            {"lightSurfaceStyle", "white"},
            {"tokens", std::move(tokens)},
            {"layout", std::move(layout)}};
}

} // namespace

std::string WidgetService::defaultConfigurationBody() {
    json::object snapshot{{"state", "ai-online"},
                          {"withinBusinessHours", true},
                          {"humanAvailable", false},
                          {"aiAvailable", true},
                          {"expectedReplyMinutes", 5},
                          {"expectedReplySource", "recent-performance"},
                          {"calculatedAt", "2026-01-01T09:00:00Z"}};
    json::array businessHours;
    for (int weekday = 1; weekday <= 5; ++weekday) {
        businessHours.push_back(
            json::object{{"weekday", weekday}, {"startMinute", 540}, {"endMinute", 1020}});
    }
    json::object availability{{"mode", "business-hours"},
                              {"timezone", "UTC"},
                              {"businessHours", std::move(businessHours)},
                              {"holidays", json::array{}},
                              {"showAgentAvailability", true},
                              {"snapshot", std::move(snapshot)},
                              {"messageKeys", availabilityMessageKeys()}};
    json::object config{{"appearance", defaultAppearance()},
                        {"workspacePublicName", "Velmora Local"},
                        {"theme", json::object{{"colorMode", "system"}}},
                        {"aiMode", "automatic-allowed"},
                        {"channels", json::array{"website-widget", "live-chat"}},
                        {"navigation", json::object{{"messages", true}, {"help", true}}},
                        {"availability", std::move(availability)},
                        {"voice", json::object{{"enabled", false},
                                               {"defaultSpeechLanguage", "en-US"},
                                               {"allowedSpeechLanguages", json::array{"en-US"}}}}};
    return velmora::detail::writeJSON(json::object{{"ok", true}, {"config", std::move(config)}});
}

std::map<std::string, std::string> WidgetService::defaultContentBodies() {
    std::map<std::string, std::string> bodies;
    for (const auto& texts : kTexts) {
        bodies.emplace(texts.locale, contentBody(texts));
    }
    return bodies;
}

std::string WidgetService::defaultAssistantReply(std::string_view visitorText) {
    return "Thanks for your message. You wrote: \"" + std::string(visitorText) + "\"";
}

} // namespace velmora::tools
