// The home and help screens' models: which rows the home card lists, what each card shows in
// each state, and the help search over texts in the four locales.
#include "views/help_content_model.hpp"

#include "fixtures.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using namespace detail;
using Kind = HelpAction::Kind;

VelmoraError error(VelmoraErrorCode code, std::string message = "failed") {
    return VelmoraError(code, std::nullopt, std::nullopt, std::move(message));
}

VelmoraWidgetContentFAQ faq(std::string id, std::string action,
                            std::optional<std::string> workflowId = std::nullopt,
                            std::optional<std::string> actionLabelKey = "label.default") {
    VelmoraWidgetContentFAQ entry;
    entry.id = id;
    entry.titleKey = "faq." + id + ".title";
    entry.bodyKey = "faq." + id + ".body";
    entry.action = std::move(action);
    entry.workflowId = std::move(workflowId);
    entry.actionLabelKey = std::move(actionLabelKey);
    return entry;
}

VelmoraWidgetContentWorkflowOption option(std::string id, std::string action,
                                          std::optional<std::string> hostActionId = std::nullopt) {
    VelmoraWidgetContentWorkflowOption o;
    o.id = id;
    o.labelKey = "option." + id;
    o.action = std::move(action);
    if (o.action == "host-action")
        o.hostActionId = std::move(hostActionId);
    else
        o.nextStepId = "answer";
    return o;
}

VelmoraWidgetContentWorkflow workflow(std::string id) {
    VelmoraWidgetContentWorkflow w;
    w.id = id;
    w.titleKey = "workflow." + id + ".title";
    w.descriptionKey = "workflow." + id + ".description";
    w.initialStepId = "start";
    VelmoraWidgetContentWorkflowStep start{"start", "question", "step.start", std::nullopt, {}, {}};
    start.options = {option("yes", "next-step"),
                     option("person", "handoff"),
                     option("refund", "host-action", "refund"),
                     option("refund-again", "host-action", "refund"),
                     option("label", "host-action", "print-label"),
                     option("unknown", "host-action", "not-configured")};
    VelmoraWidgetContentWorkflowStep answer{"answer",      "answer", "step.answer",
                                            "step.detail", {},       {}};
    VelmoraWidgetContentWorkflowStep handoff{
        "handoff", "handoff", "step.handoff", std::nullopt, {option("talk", "handoff")}, {}};
    w.steps = {start, answer, handoff};
    return w;
}

/// Content with `faqs` and `workflowCount` workflows; every key has a text of its own name,
/// except the ones a test removes.
VelmoraWidgetContentSnapshot content(std::vector<VelmoraWidgetContentFAQ> faqs,
                                     std::size_t workflowCount, bool showFaqFirst = false) {
    VelmoraWidgetContentSnapshot snapshot;
    snapshot.locale = "en";
    snapshot.behavior.enabled = true;
    snapshot.behavior.showFaqFirst = showFaqFirst;
    snapshot.behavior.operatorEscalationLabelKey = "escalate";
    snapshot.behavior.faq = std::move(faqs);
    for (std::size_t i = 0; i < workflowCount; ++i)
        snapshot.behavior.workflows.push_back(workflow("w" + std::to_string(i)));
    const auto keep = [&](const std::string& key) { snapshot.messages[key] = key; };
    for (const auto& entry : snapshot.behavior.faq) {
        keep(entry.titleKey);
        keep(entry.bodyKey);
        if (entry.actionLabelKey)
            keep(*entry.actionLabelKey);
    }
    for (const auto& w : snapshot.behavior.workflows) {
        keep(w.titleKey);
        keep(w.descriptionKey);
        for (const auto& step : w.steps) {
            keep(step.promptKey);
            for (const auto& o : step.options)
                keep(o.labelKey);
        }
    }
    keep("escalate");
    return snapshot;
}

std::vector<VelmoraWidgetContentFAQ> faqs(std::size_t count, const std::string& action = "none") {
    std::vector<VelmoraWidgetContentFAQ> entries;
    for (std::size_t i = 0; i < count; ++i)
        entries.push_back(faq("f" + std::to_string(i), action));
    return entries;
}

std::vector<std::string> titles(const HomeHelpCardModel& card) {
    std::vector<std::string> out;
    for (const auto& row : card.rows)
        out.push_back(row.title.text);
    return out;
}

struct Fixture {
    VelmoraWidgetExperience experience = fixtures::experience("en");
    std::optional<VelmoraError> noError;
    PanelContext context(bool dark = false) const { return PanelContext{experience, dark}; }
};

TEST(HomeHelpCardTest, ListsAtMostThreeRowsSharedByFAQsAndWorkflows) {
    struct Case {
        const char* name;
        bool showFaqFirst;
        std::vector<VelmoraWidgetContentFAQ> faqs;
        std::size_t workflows;
        bool messagesAvailable;
        std::vector<std::string> rows;
    };
    // clang-format off
    const Case cases[] = {
        {"FAQs first take every place", true, faqs(5), 4, true,
         {"faq.f0.title", "faq.f1.title", "faq.f2.title"}},
        {"one FAQ leaves two to workflows", true, faqs(1), 4, true,
         {"faq.f0.title", "workflow.w0.title", "workflow.w1.title"}},
        {"workflows first leave two to FAQs, drawn above", false, faqs(5), 1, true,
         {"faq.f0.title", "faq.f1.title", "workflow.w0.title"}},
        {"three workflows leave none", false, faqs(2), 3, true,
         {"workflow.w0.title", "workflow.w1.title", "workflow.w2.title"}},
        {"a hidden contact entry still holds its place",
         true,
         {faq("contact", "contact-support"), faq("plain", "none")},
         3,
         false,
         {"faq.plain.title", "workflow.w0.title"}},
        {"contact entries listed while messages are offered",
         true,
         {faq("contact", "contact-support"), faq("plain", "none")},
         3,
         true,
         {"faq.contact.title", "faq.plain.title", "workflow.w0.title"}},
        {"nothing to list", true, {}, 0, true, {}},
    };
    // clang-format on
    Fixture f;
    for (const auto& c : cases) {
        auto snapshot = content(c.faqs, c.workflows, c.showFaqFirst);
        const VelmoraWidgetContentState state(snapshot, false, std::nullopt);
        const auto model =
            homeScreenModel({state, c.messagesAvailable, true, f.noError}, f.context());
        ASSERT_TRUE(model.help) << c.name;
        EXPECT_EQ(titles(*model.help), c.rows) << c.name;
        EXPECT_EQ(model.help->headerAction.kind, Kind::showHelp);
    }
}

TEST(HomeHelpCardTest, EachRowActsOnTheControllerByItsEntry) {
    auto withPrefill = faq("contact", "contact-support");
    withPrefill.prefill = VelmoraWidgetContentPrefill{"subject", "message", "billing"};
    auto started = faq("start", "start-workflow", "w0");
    started.prefill = VelmoraWidgetContentPrefill{std::nullopt, "message", std::nullopt};
    auto snapshot = content({withPrefill, started, faq("orphan", "start-workflow")}, 1, true);
    const VelmoraWidgetContentState state(snapshot, false, std::nullopt);
    Fixture f;
    const auto model = homeScreenModel({state, true, true, f.noError}, f.context());
    ASSERT_TRUE(model.help);
    ASSERT_EQ(model.help->rows.size(), 3u);
    EXPECT_EQ(model.help->rows[0].action, (HelpAction{Kind::openContact, {}, withPrefill.prefill}));
    EXPECT_EQ(model.help->rows[1].action, (HelpAction{Kind::startWorkflow, "w0", started.prefill}));
    EXPECT_EQ(model.help->rows[2].action.kind, Kind::none); // no workflow to start

    snapshot = content({faq("plain", "none")}, 1, false);
    const VelmoraWidgetContentState plain(snapshot, false, std::nullopt);
    const auto rows = homeScreenModel({plain, true, true, f.noError}, f.context()).help->rows;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].action, (HelpAction{Kind::openFAQ, "plain"}));
    EXPECT_EQ(rows[1].action, (HelpAction{Kind::startWorkflow, "w0"}));
}

TEST(HomeHelpCardTest, RowTitlesAreDarkGreyInTheLightAndMutedInTheDark) {
    Fixture f;
    auto snapshot = content(faqs(1), 0);
    const VelmoraWidgetContentState state(snapshot, false, std::nullopt);
    for (const bool dark : {false, true}) {
        const auto card = *homeScreenModel({state, true, true, f.noError}, f.context(dark)).help;
        const auto muted = f.context(dark).color(&VelmoraWidgetPalette::mutedText);
        EXPECT_EQ(card.rows[0].title.color, dark ? muted : colorFromHex("475467"));
        EXPECT_EQ(card.rows[0].chevron, muted);
    }
}

TEST(HomeScreenTest, EachElementFollowsItsOwnCondition) {
    struct Case {
        const char* name;
        bool hasSnapshot;
        bool enabled;
        std::optional<bool> showHomeContact;
        bool loading;
        bool contentError;
        bool messages;
        bool help;
        std::optional<VelmoraErrorCode> helpError;
        bool showsLoading, showsContact, showsHelp, showsNote, showsError;
    };
    using Code = VelmoraErrorCode;
    // clang-format off
    const Case cases[] = {
        {"first load", false, true, {}, true, false, true, true, {}, true, false, false, false,
         false},
        {"reload keeps the cards", true, true, {}, true, false, true, true, {}, false, true, true,
         false, false},
        {"nothing yet", false, true, {}, false, false, true, true, {}, false, false, false, false,
         false},
        {"contact hidden explicitly", true, true, false, false, false, true, true, {}, false,
         false, true, false, false},
        {"contact shown when asked", true, true, true, false, false, true, true, {}, false, true,
         true, false, false},
        {"no messages, no contact", true, true, true, false, false, false, true, {}, false,
         false, true, false, false},
        {"disabled content keeps the help card", true, false, {}, false, false, true, true, {},
         false, false, true, false, false},
        {"help not offered", true, true, {}, false, false, true, false, {}, false, true, false,
         false, false},
        {"help refused", false, true, {}, false, false, true, false, Code::unsupported, false,
         false, false, true, false},
        {"other help errors give no note", false, true, {}, false, false, true, false,
         Code::network, false, false, false, false, false},
        {"loading and failed at once", false, true, {}, true, true, true, true, {}, true, false,
         false, false, true},
    };
    // clang-format on
    Fixture f;
    for (const auto& c : cases) {
        std::optional<VelmoraWidgetContentSnapshot> snapshot;
        if (c.hasSnapshot) {
            snapshot = content(faqs(1), 1);
            snapshot->behavior.enabled = c.enabled;
            snapshot->behavior.showHomeContact = c.showHomeContact;
        }
        const VelmoraWidgetContentState state(
            snapshot, c.loading,
            c.contentError ? std::optional(error(VelmoraErrorCode::network)) : std::nullopt);
        std::optional<VelmoraError> helpError;
        if (c.helpError)
            helpError = error(*c.helpError);
        const auto model = homeScreenModel({state, c.messages, c.help, helpError}, f.context());
        EXPECT_EQ(model.loading.has_value(), c.showsLoading) << c.name;
        EXPECT_EQ(model.contact.has_value(), c.showsContact) << c.name;
        EXPECT_EQ(model.help.has_value(), c.showsHelp) << c.name;
        EXPECT_EQ(model.helpUnavailable.has_value(), c.showsNote) << c.name;
        EXPECT_EQ(model.contentError.has_value(), c.showsError) << c.name;
    }
}

TEST(HomeScreenTest, SecondaryTextsNeverGoBelowTwelvePoints) {
    struct Case {
        double base, title, detail, note, row;
    };
    // clang-format off
    const Case cases[] = {{14, 13, 12, 12, 12}, {20, 19, 16, 17, 17}, {18, 17, 14, 15, 15}};
    for (const auto& c : cases) {
        Fixture f;
        f.experience.appearance.typography.fontSizePx = c.base;
        auto snapshot = content(faqs(1), 0);
        const VelmoraWidgetContentState state(snapshot, false, std::nullopt);
        const std::optional<VelmoraError> refused = error(VelmoraErrorCode::unsupported);
        const auto model = homeScreenModel({state, true, true, refused}, f.context());
        EXPECT_EQ(model.contact->title.font.pointSize, c.title) << c.base;
        EXPECT_EQ(model.contact->detail.font.pointSize, c.detail) << c.base;
        EXPECT_EQ(model.helpUnavailable->font.pointSize, c.note) << c.base;
        EXPECT_EQ(model.help->rows[0].title.font.pointSize, c.row) << c.base;
    }
}

TEST(ContentErrorTest, EveryErrorDrawsTheSameBlockWithAHairlineOfAtLeastOnePoint) {
    Fixture f;
    const auto a = contentErrorModel(f.context());
    EXPECT_EQ(a.retry.identifier, "velmora.widget.content.retry");
    EXPECT_EQ(a.retry.action.kind, Kind::retryContent);
    EXPECT_EQ(a.warning.color, systemRed(false));
    // Two unlike errors on the home screen: identical blocks.
    const VelmoraWidgetContentState network(std::nullopt, false, error(VelmoraErrorCode::network));
    const VelmoraWidgetContentState denied(std::nullopt, false,
                                           error(VelmoraErrorCode::sessionExpired, "other"));
    EXPECT_EQ(homeScreenModel({network, true, true, f.noError}, f.context()).contentError,
              homeScreenModel({denied, true, true, f.noError}, f.context()).contentError);
    const std::pair<double, double> widths[] = {{0, 1}, {2, 2}, {0.5, 1}};
    for (const auto& [design, drawn] : widths) {
        f.experience.appearance.borderWidthPx = design;
        EXPECT_EQ(contentErrorModel(f.context()).retry.style.borderWidth, drawn) << design;
    }
}

/// The help state of a controller with `snapshot` loaded.
struct HelpState {
    VelmoraWidgetContentState content;
    HelpInputs inputs;
    explicit HelpState(std::optional<VelmoraWidgetContentSnapshot> snapshot, bool loading = false,
                       std::optional<VelmoraError> error = std::nullopt)
        : content(std::move(snapshot), loading, std::move(error)), inputs{.content = content} {
        inputs.messagesAvailable = true;
        inputs.hostActionAvailable = [](const std::optional<std::string>& id) {
            return id == "refund" || id == "print-label";
        };
        // clang-format on
    }
};

TEST(FAQCardTest, OpensFromTheSelectionAndOffersItsActionOnlyWhenItCanAct) {
    struct Case {
        const char* name;
        VelmoraWidgetContentFAQ entry;
        std::optional<std::string> active;
        bool messages;
        bool open;
        std::optional<HelpAction> button;
    };
    auto prefilled = faq("c", "contact-support", std::nullopt, "label.contact");
    prefilled.prefill = VelmoraWidgetContentPrefill{"s", "m", "p"};
    // clang-format off
    const Case cases[] = {
        {"closed", faq("a", "none"), std::nullopt, true, false, std::nullopt},
        {"another one open", faq("a", "none"), "b", true, false, std::nullopt},
        {"none: only the answer", faq("a", "none", std::nullopt, "label.a"), "a", true, true,
         std::nullopt},
        {"no label, no button", faq("a", "start-workflow", "w0", std::nullopt), "a", true, true,
         std::nullopt},
        {"starts its workflow", faq("a", "start-workflow", "w0", "label.a"), "a", true, true,
         HelpAction{Kind::startWorkflow, "w0"}},
        {"no workflow: a button that does nothing", faq("a", "start-workflow", {}, "label.a"),
         "a", true, true, HelpAction{Kind::none}},
        {"contact while messages are offered", prefilled, "c", true, true,
         HelpAction{Kind::openContact, {}, prefilled.prefill}},
        {"contact without messages", prefilled, "c", false, true, std::nullopt},
    };
    // clang-format on
    Fixture f;
    for (const auto& c : cases) {
        const auto snapshot = content({c.entry}, 1);
        HelpState state(snapshot);
        state.inputs.activeFAQID = c.active;
        state.inputs.messagesAvailable = c.messages;
        const auto card = faqCardModel(c.entry, snapshot, state.inputs, f.context());
        EXPECT_EQ(card.identifier, "velmora.widget.help.faq." + c.entry.id);
        EXPECT_EQ(card.toggle, (HelpAction{Kind::toggleFAQ, c.entry.id})) << c.name;
        EXPECT_EQ(card.open, c.open) << c.name;
        EXPECT_EQ(card.answer.has_value(), c.open) << c.name;
        ASSERT_EQ(card.action.has_value(), c.button.has_value()) << c.name;
        if (c.button) {
            EXPECT_EQ(card.action->action, *c.button) << c.name;
            EXPECT_EQ(card.action->identifier, "velmora.widget.help.faq-action." + c.entry.id);
            EXPECT_EQ(card.action->title, *c.entry.actionLabelKey);
        }
    }
}

std::vector<std::string> optionIDs(const WorkflowStepModel& step) {
    std::vector<std::string> ids;
    for (const auto& row : step.options)
        ids.push_back(row.button.identifier.substr(row.button.identifier.rfind('.') + 1));
    return ids;
}

TEST(WorkflowCardTest, ShowsTheCurrentStepWithTheOptionsTheControllerCanCarryOut) {
    struct Case {
        const char* name;
        std::optional<std::string> activeWorkflow;
        std::optional<std::string> step;
        bool messages;
        bool expanded;
        std::string prompt;
        bool detail;
        bool escalation;
        std::vector<std::string> options;
        bool unknown;
    };
    const std::vector<std::string> allStart = {"yes", "person", "refund", "refund-again", "label"};
    // clang-format off
    const Case cases[] = {
        {"collapsed", std::nullopt, std::nullopt, true, false, "", false, false, {}, false},
        {"another workflow", "w1", std::nullopt, true, false, "", false, false, {}, false},
        {"initial step when none is named", "w0", std::nullopt, true, true, "step.start", false,
         false, allStart, false},
        {"no handoff without messages", "w0", "start", false, true, "step.start", false, false,
         {"yes", "refund", "refund-again", "label"}, false},
        {"an answer with its detail", "w0", "answer", true, true, "step.answer", true, false, {},
         false},
        {"a handoff step escalates", "w0", "handoff", true, true, "step.handoff", false, true,
         {"talk"}, false},
        {"a handoff step without messages", "w0", "handoff", false, true, "step.handoff", false,
         false, {}, false},
        {"a step the content lost", "w0", "gone", true, true, "", false, false, {}, true},
    };
    // clang-format on
    Fixture f;
    const auto snapshot = content({}, 2);
    const auto& w = snapshot.behavior.workflows[0];
    for (const auto& c : cases) {
        HelpState state(snapshot);
        state.inputs.activeWorkflowID = c.activeWorkflow;
        state.inputs.activeWorkflowStepID = c.step;
        state.inputs.messagesAvailable = c.messages;
        const auto card = workflowCardModel(w, snapshot, state.inputs, f.context());
        EXPECT_EQ(card.identifier, "velmora.widget.help.workflow.w0");
        EXPECT_EQ(card.start, (HelpAction{Kind::startWorkflow, "w0"})) << c.name;
        EXPECT_EQ(card.expanded, c.expanded) << c.name;
        ASSERT_EQ(card.step.has_value(), c.expanded) << c.name;
        if (!card.step)
            continue;
        EXPECT_EQ(card.step->unknownStep.has_value(), c.unknown) << c.name;
        EXPECT_EQ(card.step->prompt.text, c.prompt) << c.name;
        EXPECT_EQ(card.step->detail.has_value(), c.detail) << c.name;
        ASSERT_EQ(card.step->escalation.has_value(), c.escalation) << c.name;
        if (c.escalation) {
            EXPECT_EQ(card.step->escalation->identifier, "velmora.widget.help.workflow-handoff.w0");
            EXPECT_EQ(card.step->escalation->title, "escalate");
            EXPECT_EQ(card.step->escalation->action, (HelpAction{Kind::openContact}));
        }
        EXPECT_EQ(optionIDs(*card.step), c.options) << c.name;
    }
}

TEST(WorkflowCardTest, HostActionsShowProgressDisableTheStepAndMarkTheirFailures) {
    struct Case {
        const char* name;
        bool pending;
        bool inFlight;
        std::optional<VelmoraHostActionStatus> result;
        std::optional<std::string> resultAction;
        std::vector<std::string> failed;
    };
    using Status = VelmoraHostActionStatus;
    // clang-format off
    const Case cases[] = {
        {"idle", false, false, std::nullopt, std::nullopt, {}},
        {"running", true, true, std::nullopt, std::nullopt, {}},
        {"failed: both options naming it", false, false, Status::failed, "refund",
         {"refund", "refund-again"}},
        {"failed elsewhere", false, false, Status::failed, "print-label", {"label"}},
        {"completed", false, false, Status::completed, "refund", {}},
        {"acknowledged", false, false, Status::acknowledged, "refund", {}},
    };
    // clang-format on
    Fixture f;
    const auto snapshot = content({}, 1);
    for (const auto& c : cases) {
        HelpState state(snapshot);
        state.inputs.activeWorkflowID = "w0";
        state.inputs.hostActionPending = c.pending;
        state.inputs.isActionInFlight = c.inFlight;
        if (c.result) {
            state.inputs.hostActionResult = VelmoraHostActionResult{};
            state.inputs.hostActionResult->status = *c.result;
            state.inputs.hostActionResult->ok = *c.result != Status::failed;
        }
        state.inputs.hostActionResultActionID = c.resultAction;
        const auto card =
            workflowCardModel(snapshot.behavior.workflows[0], snapshot, state.inputs, f.context());
        const auto& step = *card.step;
        EXPECT_EQ(step.progress.has_value(), c.pending) << c.name;
        std::vector<std::string> failed;
        for (const auto& row : step.options) {
            EXPECT_EQ(row.button.enabled, !c.inFlight) << c.name;
            EXPECT_EQ(row.button.action.kind, Kind::selectOption);
            if (row.failure)
                failed.push_back(
                    row.button.identifier.substr(row.button.identifier.rfind('.') + 1));
        }
        EXPECT_EQ(failed, c.failed) << c.name;
    }
}

TEST(WorkflowCardTest, OptionLabelsFillTheirPlaceholders) {
    Fixture f;
    auto snapshot = content({}, 1);
    auto& start = snapshot.behavior.workflows[0].steps[0];
    start.options = {option("count", "next-step")};
    start.options[0].labelValues = {{"n", JSONValue(2.0)}, {"who", JSONValue("Ana")}};
    snapshot.messages["option.count"] = "{who}: {n} parcels, {missing}";
    HelpState state(snapshot);
    state.inputs.activeWorkflowID = "w0";
    const auto card =
        workflowCardModel(snapshot.behavior.workflows[0], snapshot, state.inputs, f.context());
    EXPECT_EQ(card.step->options[0].button.title, "Ana: 2.0 parcels, {missing}");
}

/// Help content in one locale: two FAQs and a workflow whose texts are given.
VelmoraWidgetContentSnapshot localeContent(const std::string& locale,
                                           std::vector<std::pair<std::string, std::string>> texts,
                                           std::pair<std::string, std::string> workflowTexts) {
    std::vector<VelmoraWidgetContentFAQ> entries;
    for (std::size_t i = 0; i < texts.size(); ++i)
        entries.push_back(faq("f" + std::to_string(i), "none"));
    auto snapshot = content(entries, 1);
    snapshot.locale = locale;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        snapshot.messages[entries[i].titleKey] = texts[i].first;
        snapshot.messages[entries[i].bodyKey] = texts[i].second;
    }
    snapshot.messages["workflow.w0.title"] = workflowTexts.first;
    snapshot.messages["workflow.w0.description"] = workflowTexts.second;
    return snapshot;
}

std::vector<std::string> found(const HelpScreenModel& model) {
    std::vector<std::string> ids;
    for (const auto& card : model.faqs)
        ids.push_back(card.identifier.substr(card.identifier.rfind('.') + 1));
    for (const auto& card : model.workflows)
        ids.push_back(card.identifier.substr(card.identifier.rfind('.') + 1));
    return ids;
}

TEST(HelpSearchTest, FindsWholeCharactersWhateverTheirCaseOrCanonicalSpelling) {
    struct Case {
        const char* name;
        std::string locale;
        std::string query;
        std::vector<std::string> found;
    };
    // clang-format off
    const std::map<std::string, VelmoraWidgetContentSnapshot> byLocale = {
        {"en", localeContent("en", {{"Billing help", "How to pay"}, {"Café hours", "Open"}},
                             {"Track an order \U0001F1FA\U0001F1E6",
                              "Parcel \U0001F44D\U0001F3FD"})},
        {"de", localeContent("de", {{"Straße ändern", "Adresse"}, {"Rücksendung", ""}},
                             {"Bestellung verfolgen", "Wo ist mein Paket?"})},
        {"es",
         localeContent("es", {{"\u00bfCu\u00e1ndo abren?", "Todos los d\u00edas"},
                              {"Env\u00edo", "Pedido"}},
                       // The description is spelled decomposed, as some editors send it.
                       {"Seguir un pedido", "Averigua do\u0301nde esta\u0301 tu paquete."})},
        {"uk", localeContent("uk", {{"Коли ви працюєте?", "Щодня"}, {"Їжа", "й"}},
                             {"Відстежити", "Посилка"})},
        // Titles ending in a prepended concatenation mark, which joins the next character.
        {"marks", localeContent("en", {{"Number \u0600", "Details"}, {"Sura \u06DD", ""}},
                                {"Year \u0605", "When"})},
    };
    // clang-format on
    // clang-format off
    const Case cases[] = {
        {"empty query lists all, FAQs first", "en", "", {"f0", "f1", "w0"}},
        {"only spaces filter like empty", "en", "   ", {"f0", "f1", "w0"}},
        {"trimmed and lower-cased", "en", "  BILLING ", {"f0"}},
        {"across title and body", "en", "help how", {"f0"}},
        {"no match", "en", "refund", {}},
        {"an accent counts", "en", "cafe", {}},
        {"a decomposed query finds the composed text", "en", "cafe\u0301", {"f1"}},
        {"a whole flag", "en", "\U0001F1FA\U0001F1E6", {"w0"}},
        {"half a flag is not a flag", "en", "\U0001F1FA", {}},
        {"an emoji without its skin tone is not that emoji", "en", "\U0001F44D", {}},
        {"the emoji with its skin tone", "en", "\U0001F44D\U0001F3FD", {"w0"}},
        {"sharp s stays itself", "de", "STRA\u00dfE", {"f0"}},
        {"umlaut in upper case", "de", "\u00c4NDERN", {"f0"}},
        {"umlaut decomposed", "de", "ru\u0308ck", {"f1"}},
        {"a vowel is not its accented self", "de", "ruck", {}},
        {"composed query, decomposed text", "es", "d\u00f3nde est\u00e1", {"w0"}},
        {"inverted question mark and case", "es", "\u00bfCU\u00c1NDO", {"f0"}},
        {"a base letter inside an accented one", "es", "donde", {}},
        {"Cyrillic upper case", "uk", "КОЛИ", {"f0"}},
        {"yi composed and decomposed", "uk", "\u0456\u0308\u0436\u0430", {"f1"}},
        {"i is not the start of yi", "uk", "\u0456\u0436", {}},
        {"short i is one character", "uk", "\u0438\u0306", {"f1"}},
        {"a whole title ending in a number sign", "marks", "number \u0600", {"f0"}},
        {"a whole title before an empty body", "marks", "SURA \u06DD", {"f1"}},
        {"a whole workflow title", "marks", "year \u0605", {"w0"}},
        {"the mark is the start of its cluster", "marks", "\u0600", {"f0"}},
    };
    // clang-format on
    Fixture f;
    for (const auto& c : cases) {
        HelpState state(byLocale.at(c.locale));
        state.inputs.query = c.query;
        const auto model = helpScreenModel(state.inputs, f.context());
        EXPECT_EQ(found(model), c.found) << c.name;
        EXPECT_EQ(model.state,
                  c.found.empty() ? HelpScreenModel::State::empty : HelpScreenModel::State::results)
            << c.name;
        EXPECT_EQ(model.placeholder.has_value(), c.query.empty()) << c.name;
    }
}

TEST(HelpScreenTest, ShowsOneStateUnderTheSearchField) {
    using State = HelpScreenModel::State;
    struct Case {
        const char* name;
        bool snapshot;
        bool enabled;
        bool loading;
        bool contentError;
        bool helpError;
        State state;
    };
    // clang-format off
    const Case cases[] = {
        {"results", true, true, false, false, false, State::results},
        {"a help error wins over results", true, true, false, false, true, State::error},
        {"first load", false, true, true, false, false, State::loading},
        {"a reload keeps the results", true, true, true, false, false, State::results},
        {"a failed reload keeps the results", true, true, false, true, false, State::results},
        {"failed without content", false, true, false, true, false, State::error},
        {"disabled content, no error", true, false, false, false, false, State::nothing},
        {"disabled content and an error", true, false, false, true, false, State::error},
        {"nothing at all", false, true, false, false, false, State::nothing},
    };
    // clang-format on
    Fixture f;
    for (const auto& c : cases) {
        std::optional<VelmoraWidgetContentSnapshot> snapshot;
        if (c.snapshot) {
            snapshot = content(faqs(1), 1);
            snapshot->behavior.enabled = c.enabled;
        }
        HelpState state(snapshot, c.loading,
                        c.contentError ? std::optional(error(VelmoraErrorCode::network))
                                       : std::nullopt);
        if (c.helpError)
            state.inputs.helpError = error(VelmoraErrorCode::unsupported);
        const auto model = helpScreenModel(state.inputs, f.context());
        EXPECT_EQ(model.state, c.state) << c.name;
        EXPECT_EQ(model.error.has_value(), c.state == State::error) << c.name;
    }
    // Content without entries is empty even for an empty query.
    HelpState none(content({}, 0));
    EXPECT_EQ(helpScreenModel(none.inputs, f.context()).state, State::empty);
}

} // namespace
} // namespace velmora
