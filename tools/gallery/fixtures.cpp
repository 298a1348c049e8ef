#include "fixtures.hpp"

#include <array>
#include <map>

namespace velmora::fixtures {

namespace {

std::map<std::string, std::string> copyFor(const std::string& locale) {
    std::map<std::string, std::string> values;
    for (const auto& key : VelmoraWidgetCopy::requiredKeys())
        values.emplace(key, key);
    struct Texts {
        const char* invalid;
        const char* working;
        const char* chatOnly;
        const char* label;
    };
    static const std::map<std::string, Texts> texts = {
        {"en",
         {"This file can't be downloaded", "Working…", "Available in the chat", "Attachment"}},
        {"uk", {"Цей файл не можна завантажити", "Виконується…", "Доступно в чаті", "Вкладення"}},
        {"de",
         {"Diese Datei kann nicht geladen werden", "Wird bearbeitet…", "Im Chat verfügbar",
          "Anhang"}},
        {"es",
         {"No se puede descargar este archivo", "Procesando…", "Disponible en el chat",
          "Archivo adjunto"}},
    };
    const auto found = texts.find(locale);
    const Texts& t = found != texts.end() ? found->second : texts.at("en");
    values["attachment.invalid"] = t.invalid;
    values["status.working"] = t.working;
    values["status.chatOnly"] = t.chatOnly;
    values["attachment.label"] = t.label;
    // Conversation forms: submitted, expired and refused.
    static const std::map<std::string, std::array<const char*, 3>> formTexts = {
        {"en",
         {"Thanks, your answers were sent.", "This form is no longer available.",
          "Please check your answers."}},
        {"uk",
         {"Дякуємо, відповіді надіслано.", "Ця форма більше недоступна.",
          "Перевірте, будь ласка, відповіді."}},
        {"de",
         {"Danke, Ihre Angaben wurden gesendet.", "Dieses Formular ist nicht mehr verfügbar.",
          "Bitte prüfen Sie Ihre Angaben."}},
        {"es",
         {"Gracias, tus respuestas se enviaron.", "Este formulario ya no está disponible.",
          "Revisa tus respuestas."}},
    };
    const auto& forms = formTexts.contains(locale) ? formTexts.at(locale) : formTexts.at("en");
    values["form.submitted"] = forms[0];
    values["form.expired"] = forms[1];
    values["form.submitFailed"] = forms[2];
    return values;
}

} // namespace

VelmoraWidgetExperience experience(const std::string& locale, VelmoraWidgetColorMode mode,
                                   std::string fontFamily) {
    VelmoraWidgetExperienceInput input;
    input.schemaVersion = 2;
    input.locale = locale;
    auto experience =
        VelmoraWidgetExperience::resolve(input, VelmoraWidgetPlatform::ios, false, copyFor(locale));
    experience.appearance.mode = mode;
    experience.appearance.typography.fontFamily = std::move(fontFamily);
    return experience;
}

VelmoraWidgetAvailability availability(VelmoraWidgetAvailabilityState state,
                                       std::optional<std::int64_t> expectedReplyMinutes,
                                       VelmoraWidgetReplyExpectationSource source) {
    VelmoraWidgetAvailability a;
    a.showAgentAvailability = true;
    a.snapshot.state = state;
    a.snapshot.expectedReplyMinutes = expectedReplyMinutes;
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

VelmoraMessage message(std::string id, std::string direction, std::optional<std::string> author,
                       std::string text) {
    VelmoraMessage m;
    m.id = std::move(id);
    m.conversationId = "conv_1";
    m.direction = std::move(direction);
    m.authorKind = std::move(author);
    m.bodyText = std::move(text);
    m.sentAt = "2024-05-01T10:00:00Z";
    m.deliveryStatus = "sent";
    return m;
}

std::string sampleText(const std::string& locale) {
    if (locale == "uk")
        return "Ваше замовлення 1001 вже в дорозі. Очікувана доставка — п’ятниця.";
    if (locale == "de")
        return "Ihre Bestellung 1001 ist unterwegs. Voraussichtliche Zustellung: Freitag.";
    if (locale == "es")
        return "Su pedido 1001 está en camino. Entrega prevista: el viernes.";
    return "Your order 1001 is on its way. Expected delivery: Friday.";
}

std::string longRightToLeftText() {
    return "שלום! ההזמנה שלך מספר 1001 נשלחה היום ותגיע תוך שלושה ימי עסקים. "
           "مرحبًا، طلبك رقم ١٠٠١ في الطريق وسيصل خلال ثلاثة أيام عمل. "
           "אם יש לך שאלות נוספות, אנחנו כאן כדי לעזור 🙂";
}

std::string mixedText(std::size_t length) {
    static const std::string pieces[] = {"Hello world ",   "שלום עולם ",
                                         "مرحبا بالعالم ", "👩‍👩‍👧‍👦 ",
                                         "🇺🇦🇩🇪 ",          "e\u0301te\u0301 ",
                                         "👍🏽 ",      "Supercalifragilisticexpialidocious",
                                         "١٢٣٤٥ ",         "\n"};
    std::string text;
    std::size_t i = 0;
    while (text.size() < length)
        text += pieces[i++ % std::size(pieces)];
    return text;
}

} // namespace velmora::fixtures
