// The home and help screens: home with and without help, the help results, an empty search,
// the loading and error states, a question opened, each kind of workflow step and a failed
// host action, in light and dark and in a locale with long texts.
#include "gallery.hpp"

#include "fixtures.hpp"
#include "platform/qt_child.hpp"
#include "views/availability_model.hpp"
#include "views/help_content_model.hpp"
#include "views/help_views.hpp"

#include <map>

namespace velmora::gallery {

namespace {

struct HelpTexts {
    const char *sendMessage, *sendDetail, *search, *empty, *failed, *retry, *stepFailed, *escalate,
        *hoursQ, *hoursA, *orderQ, *orderA, *orderAction, *trackTitle, *trackDesc, *prompt,
        *shipped, *missing, *answer, *handoff, *refund;
};

const std::map<std::string, HelpTexts>& helpTexts() {
    static const std::map<std::string, HelpTexts> texts = {
        {"en",
         {"Send us a message",
          "We usually reply in a few minutes",
          "Search for help",
          "No results. Try other words.",
          "Something went wrong.",
          "Try again",
          "This step is no longer available.",
          "Talk to a person",
          "When are you open?",
          "Our team answers every day from 9:00 to 17:00.",
          "Where is my order?",
          "Most orders arrive within five working days.",
          "Track an order",
          "Track an order",
          "Find out where your parcel is.",
          "Has your order shipped?",
          "Yes, it shipped",
          "No, nothing yet",
          "Use the tracking link in your shipping e-mail.",
          "We will pass you to our team.",
          "Refund order {order}"}},
        {"de",
         {"Schreiben Sie uns eine Nachricht",
          "Wir antworten normalerweise innerhalb weniger Minuten, auch an Wochenenden",
          "Hilfe durchsuchen",
          "Keine Ergebnisse. Versuchen Sie es mit anderen Wörtern.",
          "Etwas ist schiefgelaufen.",
          "Erneut versuchen",
          "Dieser Schritt ist nicht mehr verfügbar.",
          "Mit einer Person sprechen",
          "Wann ist Ihr Kundendienst telefonisch und per Nachricht erreichbar?",
          "Unser Team antwortet täglich von 9:00 bis 17:00 Uhr, an Feiertagen eingeschränkt.",
          "Wo ist meine Bestellung?",
          "Die meisten Bestellungen kommen innerhalb von fünf Werktagen an.",
          "Sendungsverfolgung starten",
          "Bestellung verfolgen",
          "Finden Sie heraus, wo sich Ihr Paket gerade befindet.",
          "Wurde Ihre Bestellung bereits versandt?",
          "Ja, die Bestellung wurde versandt",
          "Nein, noch nichts angekommen",
          "Nutzen Sie den Link zur Sendungsverfolgung in Ihrer Versandbestätigung.",
          "Wir verbinden Sie mit unserem Team.",
          "Bestellung {order} erstatten"}},
    };
    return texts;
}

VelmoraWidgetExperience helpExperience(const std::string& locale, bool dark) {
    auto experience = fixtures::experience(locale, dark ? VelmoraWidgetColorMode::dark
                                                        : VelmoraWidgetColorMode::light);
    auto values = experience.copy.values();
    const auto& t = helpTexts().at(locale);
    values["home.sendMessage"] = t.sendMessage;
    values["home.sendMessageDetail"] = t.sendDetail;
    values["help.search"] = t.search;
    values["help.empty"] = t.empty;
    values["status.operationFailed"] = t.failed;
    values["action.retry"] = t.retry;
    values["status.failed"] = t.stepFailed;
    experience.copy = VelmoraWidgetCopy(values);
    return experience;
}

VelmoraWidgetContentSnapshot helpContent(const std::string& locale) {
    const auto& t = helpTexts().at(locale);
    VelmoraWidgetContentSnapshot s;
    s.locale = locale;
    s.behavior.enabled = true;
    s.behavior.showFaqFirst = true;
    s.behavior.operatorEscalationLabelKey = "escalate";
    s.messages = {
        {"escalate", t.escalate},      {"hours.q", t.hoursQ},       {"hours.a", t.hoursA},
        {"order.q", t.orderQ},         {"order.a", t.orderA},       {"order.action", t.orderAction},
        {"track.title", t.trackTitle}, {"track.desc", t.trackDesc}, {"prompt", t.prompt},
        {"shipped", t.shipped},        {"missing", t.missing},      {"answer", t.answer},
        {"handoff", t.handoff},        {"refund", t.refund}};
    s.behavior.faq = {{"opening-hours", "hours.q", "hours.a", "contact-support", std::nullopt,
                       std::nullopt, std::nullopt},
                      {"order-status", "order.q", "order.a", "start-workflow", "order.action",
                       "track-order", std::nullopt}};
    VelmoraWidgetContentWorkflow w;
    w.id = "track-order";
    w.titleKey = "track.title";
    w.descriptionKey = "track.desc";
    w.initialStepId = "start";
    VelmoraWidgetContentWorkflowOption yes{"shipped", "shipped", {}, "show-answer",
                                           "answer",  {},        {}};
    VelmoraWidgetContentWorkflowOption no{"missing", "missing", {}, "handoff", "handoff", {}, {}};
    VelmoraWidgetContentWorkflowOption refund{
        "refund", "refund", {{"order", JSONValue("1001")}}, "host-action", {}, "refund", {}};
    w.steps = {{"start", "question", "prompt", std::nullopt, {yes, no, refund}, {}},
               {"answer", "answer", "answer", "hours.a", {}, {}},
               {"handoff", "handoff", "handoff", std::nullopt, {}, {}}};
    s.behavior.workflows = {w};
    return s;
}

std::optional<VelmoraWidgetAvailability> teamOnline() {
    return fixtures::availability(VelmoraWidgetAvailabilityState::teamOnline, 4,
                                  VelmoraWidgetReplyExpectationSource::teamConfigured);
}

QColor surface(const VelmoraWidgetExperience& e, bool dark) {
    return QColor(
        QString::fromStdString(dark ? e.appearance.dark.surface : e.appearance.light.surface));
}

QColor textColor(const VelmoraWidgetExperience& e, bool dark) {
    return QColor(QString::fromStdString(dark ? e.appearance.dark.text : e.appearance.light.text));
}

/// The help state a scene shows, over the locale's content.
struct HelpSceneState {
    bool loaded = true;
    bool loading = false;
    bool contentError = false;
    bool helpError = false;
    std::string query;
    std::optional<std::string> faq;
    std::optional<std::string> workflow;
    std::optional<std::string> step;
    bool hostActionPending = false;
    bool hostActionFailed = false;
};

std::unique_ptr<QWidget> helpScene(const std::string& locale, bool dark, const HelpSceneState& st) {
    const auto experience = helpExperience(locale, dark);
    const detail::PanelContext context{experience, dark, true};
    const VelmoraWidgetContentState content(
        st.loaded ? std::optional(helpContent(locale)) : std::nullopt, st.loading,
        st.contentError ? std::optional(VelmoraError(VelmoraErrorCode::network, std::nullopt,
                                                     std::nullopt, "offline"))
                        : std::nullopt);
    detail::HelpInputs inputs{.content = content};
    inputs.query = st.query;
    if (st.helpError)
        inputs.helpError = VelmoraError(VelmoraErrorCode::network, std::nullopt, std::nullopt, "x");
    inputs.activeFAQID = st.faq;
    inputs.activeWorkflowID = st.workflow;
    inputs.activeWorkflowStepID = st.step;
    inputs.messagesAvailable = true;
    inputs.hostActionPending = st.hostActionPending;
    inputs.isActionInFlight = st.hostActionPending;
    if (st.hostActionFailed) {
        inputs.hostActionResult = VelmoraHostActionResult{};
        inputs.hostActionResultActionID = "refund";
    }
    inputs.hostActionAvailable = [](const std::optional<std::string>& id) {
        return id == "refund";
    };
    auto* view = detail::makeQtChild<detail::HelpScreenView>();
    QPalette palette = view->palette();
    palette.setColor(QPalette::Text, textColor(experience, dark));
    palette.setColor(QPalette::WindowText, textColor(experience, dark));
    view->setPalette(palette);
    view->apply(detail::helpScreenModel(inputs, context), st.query, true, 1);
    return stack({view}, surface(experience, dark), 0, 0);
}

std::unique_ptr<QWidget> homeScene(const std::string& locale, bool dark, bool withHelp,
                                   bool loading, bool failed) {
    const auto experience = helpExperience(locale, dark);
    const detail::PanelContext context{experience, dark, true};
    const VelmoraWidgetContentState content(
        loading ? std::nullopt : std::optional(helpContent(locale)), loading,
        failed ? std::optional(
                     VelmoraError(VelmoraErrorCode::network, std::nullopt, std::nullopt, "offline"))
               : std::nullopt);
    const std::optional<VelmoraError> refused =
        withHelp ? std::nullopt
                 : std::optional(VelmoraError(VelmoraErrorCode::unsupported, std::nullopt,
                                              std::nullopt, "Help is not enabled."));
    auto* view = detail::makeQtChild<detail::HomeScreenView>();
    view->apply(detail::homeScreenModel({content, true, withHelp, refused}, context),
                detail::availabilityCardModel(teamOnline(), context), true, 1);
    return stack({view}, surface(experience, dark), 0, 0);
}

} // namespace

void addHelpScenes(std::vector<Scene>& scenes) {
    const auto add = [&](std::string name, std::function<std::unique_ptr<QWidget>()> build) {
        scenes.push_back({std::move(name), 380, std::move(build)});
    };
    for (const bool dark : {false, true}) {
        const std::string palette = dark ? "dark" : "light";
        for (const std::string locale : {"en", "de"}) {
            add("home-help-" + palette + "-" + locale,
                [=] { return homeScene(locale, dark, true, false, false); });
            add("help-results-" + palette + "-" + locale,
                [=] { return helpScene(locale, dark, {}); });
        }
        add("help-faq-open-" + palette + "-de",
            [=] { return helpScene("de", dark, {.faq = "order-status"}); });
        add("help-workflow-question-" + palette + "-en",
            [=] { return helpScene("en", dark, {.workflow = "track-order"}); });
        add("help-host-action-failed-" + palette + "-en", [=] {
            return helpScene("en", dark, {.workflow = "track-order", .hostActionFailed = true});
        });
    }
    add("home-no-help-light-en", [] { return homeScene("en", false, false, false, false); });
    add("home-loading-light-en", [] { return homeScene("en", false, true, true, false); });
    add("home-content-error-light-en", [] { return homeScene("en", false, true, true, true); });
    add("help-empty-light-en", [] { return helpScene("en", false, {.query = "refund"}); });
    add("help-loading-light-en",
        [] { return helpScene("en", false, {.loaded = false, .loading = true}); });
    add("help-content-error-dark-en",
        [] { return helpScene("en", true, {.loaded = false, .contentError = true}); });
    add("help-workflow-answer-light-de",
        [] { return helpScene("de", false, {.workflow = "track-order", .step = "answer"}); });
    add("help-workflow-handoff-light-en",
        [] { return helpScene("en", false, {.workflow = "track-order", .step = "handoff"}); });
    add("help-workflow-running-light-en", [] {
        return helpScene("en", false, {.workflow = "track-order", .hostActionPending = true});
    });
    add("help-workflow-unknown-step-light-en",
        [] { return helpScene("en", false, {.workflow = "track-order", .step = "gone"}); });
}

} // namespace velmora::gallery
