#include "views/help_content_model.hpp"

#include "detail/text.hpp"

#include <algorithm>

namespace velmora::detail {

namespace {

using Kind = HelpAction::Kind;

std::string contentText(const VelmoraWidgetContentSnapshot& snapshot, std::string_view key) {
    return snapshot.text(key).value_or(std::string());
}

double base(const PanelContext& context) {
    return context.appearance().typography.fontSizePx;
}

/// Secondary texts of the help content: never below 12 points.
VelmoraFontSpec footnoteFont(const PanelContext& context) {
    return context.font(std::max(base(context) - 3, 12.0), VelmoraTextStyle::footnote);
}

/// Row titles, placeholders, notes and answers: the palette's muted text in the dark, a darker
/// grey than the light palette's muted text in the light so they stay readable on white.
VelmoraColor quietText(const PanelContext& context) {
    return context.dark ? context.color(&VelmoraWidgetPalette::mutedText) : colorFromHex("475467");
}

VelmoraColor cardBorder(const PanelContext& context) {
    return context.color(&VelmoraWidgetPalette::border).withOpacity(0.35);
}

} // namespace

SecondaryButtonStyle helpActionStyle(const PanelContext& context) {
    const auto& appearance = context.appearance();
    return SecondaryButtonStyle{
        .font = context.font(base(context), VelmoraTextStyle::body, VelmoraFontWeight::medium),
        .foreground = context.color(&VelmoraWidgetPalette::text),
        .background = context.color(&VelmoraWidgetPalette::raisedSurface),
        .border = context.color(&VelmoraWidgetPalette::border).withOpacity(0.65),
        .radius = appearance.controlRadiusPx,
        .borderWidth = hairline(appearance)};
}

HelpButtonModel helpActionButton(std::string title, std::string identifier, HelpAction action,
                                 const PanelContext& context) {
    return HelpButtonModel{std::move(title), std::move(identifier), std::move(action), true,
                           helpActionStyle(context)};
}

ContentErrorModel contentErrorModel(const PanelContext& context) {
    ContentErrorModel model;
    model.warning =
        StyledText{context.copy("status.operationFailed"),
                   context.font(base(context), VelmoraTextStyle::body), systemRed(context.dark)};
    model.retry = helpActionButton(context.copy("action.retry"), "velmora.widget.content.retry",
                                   HelpAction{Kind::retryContent}, context);
    model.padding = context.appearance().spacing.mdPx;
    model.spacing = context.appearance().spacing.smPx;
    return model;
}

// ---- Home screen ----

std::vector<VelmoraWidgetContentFAQ> homeFAQs(const VelmoraWidgetContentSnapshot& snapshot,
                                              bool messagesAvailable) {
    const auto& behavior = snapshot.behavior;
    // The limit counts the other list as published, not as listed.
    const std::size_t limit =
        behavior.showFaqFirst ? 3 : 3 - std::min<std::size_t>(behavior.workflows.size(), 3);
    std::vector<VelmoraWidgetContentFAQ> listed;
    for (const auto& faq : behavior.faq) {
        if (listed.size() == limit)
            break;
        if (faq.action != "contact-support" || messagesAvailable)
            listed.push_back(faq);
    }
    return listed;
}

std::vector<VelmoraWidgetContentWorkflow>
homeWorkflows(const VelmoraWidgetContentSnapshot& snapshot) {
    const auto& behavior = snapshot.behavior;
    const std::size_t limit =
        behavior.showFaqFirst ? 3 - std::min<std::size_t>(behavior.faq.size(), 3) : 3;
    const auto count = std::min(limit, behavior.workflows.size());
    return {behavior.workflows.begin(),
            behavior.workflows.begin() + static_cast<std::ptrdiff_t>(count)};
}

namespace {

HelpAction homeFAQAction(const VelmoraWidgetContentFAQ& faq) {
    if (faq.action == "start-workflow")
        return faq.workflowId ? HelpAction{Kind::startWorkflow, *faq.workflowId, faq.prefill}
                              : HelpAction{Kind::none};
    if (faq.action == "contact-support")
        return HelpAction{Kind::openContact, {}, faq.prefill};
    return HelpAction{Kind::openFAQ, faq.id};
}

HomeHelpCardModel homeHelpCard(const VelmoraWidgetContentSnapshot& snapshot, bool messagesAvailable,
                               const PanelContext& context) {
    HomeHelpCardModel card;
    card.header =
        StyledText{context.copy("help.search"),
                   context.font(base(context), VelmoraTextStyle::body, VelmoraFontWeight::semibold),
                   context.color(&VelmoraWidgetPalette::text)};
    card.headerFill = context.color(&VelmoraWidgetPalette::text).withOpacity(0.05);
    card.background = context.color(&VelmoraWidgetPalette::raisedSurface);
    card.border = cardBorder(context);
    card.spacing = context.appearance().spacing.xsPx;
    card.rowSpacing = context.appearance().spacing.mdPx;
    const auto row = [&](const std::string& titleKey, HelpAction action) {
        return HomeHelpRowModel{
            StyledText{contentText(snapshot, titleKey),
                       context.font(std::max(base(context) - 3, 12.0), VelmoraTextStyle::body),
                       quietText(context)},
            context.color(&VelmoraWidgetPalette::mutedText),
            context.color(&VelmoraWidgetPalette::border).withOpacity(0.55), std::move(action)};
    };
    for (const auto& faq : homeFAQs(snapshot, messagesAvailable))
        card.rows.push_back(row(faq.titleKey, homeFAQAction(faq)));
    for (const auto& workflow : homeWorkflows(snapshot))
        card.rows.push_back(row(workflow.titleKey, HelpAction{Kind::startWorkflow, workflow.id}));
    return card;
}

} // namespace

HomeScreenModel homeScreenModel(const HomeScreenInputs& inputs, const PanelContext& context) {
    HomeScreenModel model;
    const auto& content = inputs.content;
    const auto& spacing = context.appearance().spacing;
    model.loadingPadding = spacing.lgPx;
    if (content.isLoading && !content.snapshot)
        model.loading = StyledText{context.copy("status.working"), footnoteFont(context),
                                   context.color(&VelmoraWidgetPalette::mutedText)};
    if (content.snapshot && content.snapshot->behavior.enabled &&
        content.snapshot->behavior.showHomeContact.value_or(true) && inputs.messagesAvailable) {
        ContactCardModel contact;
        contact.title = StyledText{
            context.copy("home.sendMessage"),
            context.font(base(context) - 1, VelmoraTextStyle::headline, VelmoraFontWeight::bold),
            context.color(&VelmoraWidgetPalette::text)};
        contact.detail =
            StyledText{context.copy("home.sendMessageDetail"),
                       context.font(std::max(base(context) - 4, 12.0), VelmoraTextStyle::caption1),
                       context.color(&VelmoraWidgetPalette::mutedText)};
        contact.accent = context.color(&VelmoraWidgetPalette::accent);
        contact.background = context.color(&VelmoraWidgetPalette::raisedSurface);
        contact.border = cardBorder(context);
        contact.spacing = spacing.mdPx;
        contact.action = HelpAction{Kind::openContact};
        model.contact = std::move(contact);
    }
    if (content.snapshot && inputs.helpAvailable)
        model.help = homeHelpCard(*content.snapshot, inputs.messagesAvailable, context);
    if (inputs.helpError && inputs.helpError->code() == VelmoraErrorCode::unsupported)
        model.helpUnavailable = StyledText{context.copy("status.chatOnly"), footnoteFont(context),
                                           context.color(&VelmoraWidgetPalette::mutedText)};
    if (content.error)
        model.contentError = contentErrorModel(context);
    return model;
}

// ---- Help screen ----

std::string helpSearchNeedle(std::string_view query) {
    return text::nfc(text::lowercased(text::trimmed(query)));
}

bool helpEntryMatches(std::string_view needle, const std::optional<std::string>& title,
                      const std::optional<std::string>& body) {
    if (needle.empty())
        return true;
    // Composed after lower-casing: lower-casing may decompose (İ gives i and a dot above).
    const auto folded = [](std::string_view s) { return text::nfc(text::lowercased(s)); };
    const std::string foldedTitle = folded(title.value_or(std::string()));
    const std::string foldedBody = folded(body.value_or(std::string()));
    // The title and the body are searched on their own as well as joined: a title ending in a
    // prepended concatenation mark (U+0600...U+0605, U+06DD) takes the joining space into its
    // last character, so the title would not be found whole in the joined text.
    return text::containsWholeGraphemes(foldedTitle, needle) ||
           text::containsWholeGraphemes(foldedBody, needle) ||
           text::containsWholeGraphemes(foldedTitle + " " + foldedBody, needle);
}

FAQCardModel faqCardModel(const VelmoraWidgetContentFAQ& faq,
                          const VelmoraWidgetContentSnapshot& snapshot, const HelpInputs& inputs,
                          const PanelContext& context) {
    const auto& spacing = context.appearance().spacing;
    FAQCardModel card;
    card.identifier = "velmora.widget.help.faq." + faq.id;
    card.open = inputs.activeFAQID == faq.id;
    card.question =
        StyledText{contentText(snapshot, faq.titleKey),
                   context.font(base(context), VelmoraTextStyle::body, VelmoraFontWeight::bold),
                   context.color(&VelmoraWidgetPalette::text)};
    card.chevron = context.color(&VelmoraWidgetPalette::mutedText);
    card.toggle = HelpAction{Kind::toggleFAQ, faq.id};
    card.background = context.color(&VelmoraWidgetPalette::raisedSurface);
    card.border = cardBorder(context);
    card.inset = spacing.mdPx;
    card.spacing = spacing.smPx;
    card.verticalPadding = spacing.xsPx;
    if (!card.open)
        return card;
    card.answer =
        StyledText{contentText(snapshot, faq.bodyKey), footnoteFont(context), quietText(context)};
    const bool offered = faq.actionLabelKey && faq.action != "none" &&
                         (faq.action != "contact-support" || inputs.messagesAvailable);
    if (!offered)
        return card;
    HelpAction action{Kind::none};
    if (faq.action == "start-workflow" && faq.workflowId)
        action = HelpAction{Kind::startWorkflow, *faq.workflowId, faq.prefill};
    else if (faq.action == "contact-support")
        action = HelpAction{Kind::openContact, {}, faq.prefill};
    card.action =
        helpActionButton(contentText(snapshot, *faq.actionLabelKey),
                         "velmora.widget.help.faq-action." + faq.id, std::move(action), context);
    return card;
}

namespace {

WorkflowStepModel workflowStep(const VelmoraWidgetContentWorkflow& workflow,
                               const VelmoraWidgetContentSnapshot& snapshot,
                               const HelpInputs& inputs, const PanelContext& context) {
    WorkflowStepModel model;
    const std::string& stepID = inputs.activeWorkflowStepID.value_or(workflow.initialStepId);
    const auto found = std::find_if(workflow.steps.begin(), workflow.steps.end(),
                                    [&](const auto& step) { return step.id == stepID; });
    const auto bodyFont = context.font(base(context), VelmoraTextStyle::body);
    if (found == workflow.steps.end()) {
        model.unknownStep =
            StyledText{context.copy("status.failed"), bodyFont, systemRed(context.dark)};
        return model;
    }
    const auto& step = *found;
    const bool enabled = !inputs.isActionInFlight;
    model.prompt =
        StyledText{contentText(snapshot, step.promptKey),
                   context.font(base(context), VelmoraTextStyle::body, VelmoraFontWeight::semibold),
                   context.color(&VelmoraWidgetPalette::text)};
    if (step.detailKey)
        model.detail = StyledText{contentText(snapshot, *step.detailKey), footnoteFont(context),
                                  context.color(&VelmoraWidgetPalette::mutedText)};
    if (step.type == "handoff" && inputs.messagesAvailable) {
        model.escalation =
            helpActionButton(contentText(snapshot, snapshot.behavior.operatorEscalationLabelKey),
                             "velmora.widget.help.workflow-handoff." + workflow.id,
                             HelpAction{Kind::openContact}, context);
        model.escalation->enabled = enabled;
    }
    if (inputs.hostActionPending)
        model.progress = context.copy("status.working");
    const bool lastRunFailed = inputs.hostActionResult &&
                               inputs.hostActionResult->status == VelmoraHostActionStatus::failed;
    for (const auto& option : step.options) {
        if (option.action == "host-action" &&
            !(inputs.hostActionAvailable && inputs.hostActionAvailable(option.hostActionId)))
            continue;
        if (option.action == "handoff" && !inputs.messagesAvailable)
            continue;
        WorkflowOptionRowModel row;
        row.button = helpActionButton(
            snapshot.text(option.labelKey, option.labelValues).value_or(std::string()),
            "velmora.widget.help.workflow-option." + option.id,
            HelpAction{Kind::selectOption, option.id, std::nullopt, option}, context);
        row.button.enabled = enabled;
        if (option.action == "host-action" && lastRunFailed &&
            inputs.hostActionResultActionID == option.hostActionId)
            row.failure = StyledText{
                context.copy("status.operationFailed"),
                context.font(std::max(base(context) - 3, 12.0), VelmoraTextStyle::footnote),
                systemRed(context.dark)};
        model.options.push_back(std::move(row));
    }
    return model;
}

} // namespace

WorkflowCardModel workflowCardModel(const VelmoraWidgetContentWorkflow& workflow,
                                    const VelmoraWidgetContentSnapshot& snapshot,
                                    const HelpInputs& inputs, const PanelContext& context) {
    const auto& spacing = context.appearance().spacing;
    WorkflowCardModel card;
    card.identifier = "velmora.widget.help.workflow." + workflow.id;
    card.title = StyledText{contentText(snapshot, workflow.titleKey),
                            context.font(std::max(base(context) - 1, 12.0), VelmoraTextStyle::body,
                                         VelmoraFontWeight::semibold),
                            context.color(&VelmoraWidgetPalette::text)};
    card.description =
        StyledText{contentText(snapshot, workflow.descriptionKey), footnoteFont(context),
                   context.color(&VelmoraWidgetPalette::mutedText)};
    card.expanded = inputs.activeWorkflowID == workflow.id;
    card.chevron = context.color(&VelmoraWidgetPalette::mutedText);
    // The header never collapses the card: it starts the workflow again from the top.
    card.start = HelpAction{Kind::startWorkflow, workflow.id};
    card.background = context.color(&VelmoraWidgetPalette::raisedSurface);
    card.border = cardBorder(context);
    card.inset = spacing.mdPx;
    card.spacing = spacing.smPx;
    card.verticalPadding = spacing.xsPx;
    if (card.expanded)
        card.step = workflowStep(workflow, snapshot, inputs, context);
    return card;
}

HelpScreenModel helpScreenModel(const HelpInputs& inputs, const PanelContext& context) {
    const auto& appearance = context.appearance();
    HelpScreenModel model;
    model.searchLabel = context.copy("help.search");
    model.fieldFont = context.font(base(context), VelmoraTextStyle::body);
    if (inputs.query.empty())
        model.placeholder = StyledText{model.searchLabel, model.fieldFont, quietText(context)};
    model.searchIcon = context.color(&VelmoraWidgetPalette::mutedText);
    model.searchBorder = context.color(&VelmoraWidgetPalette::border);
    model.searchBorderWidth = appearance.borderWidthPx;
    model.padding = appearance.spacing.lgPx;
    model.spacing = appearance.spacing.mdPx;
    model.smallSpacing = appearance.spacing.smPx;

    const auto& content = inputs.content;
    if (inputs.helpError) {
        model.state = HelpScreenModel::State::error;
        model.error = contentErrorModel(context);
    } else if (content.isLoading && !content.snapshot) {
        model.state = HelpScreenModel::State::loading;
        model.loading = StyledText{context.copy("status.working"), footnoteFont(context),
                                   context.color(&VelmoraWidgetPalette::mutedText)};
    } else if (content.snapshot && content.snapshot->behavior.enabled) {
        const auto& snapshot = *content.snapshot;
        const std::string needle = helpSearchNeedle(inputs.query);
        for (const auto& faq : snapshot.behavior.faq)
            if (helpEntryMatches(needle, snapshot.text(faq.titleKey), snapshot.text(faq.bodyKey)))
                model.faqs.push_back(faqCardModel(faq, snapshot, inputs, context));
        for (const auto& workflow : snapshot.behavior.workflows)
            if (helpEntryMatches(needle, snapshot.text(workflow.titleKey),
                                 snapshot.text(workflow.descriptionKey)))
                model.workflows.push_back(workflowCardModel(workflow, snapshot, inputs, context));
        if (model.faqs.empty() && model.workflows.empty()) {
            model.state = HelpScreenModel::State::empty;
            model.empty =
                StyledText{context.copy("help.empty"), footnoteFont(context), quietText(context)};
        } else {
            model.state = HelpScreenModel::State::results;
        }
    } else if (content.error) {
        model.state = HelpScreenModel::State::error;
        model.error = contentErrorModel(context);
    }
    return model;
}

} // namespace velmora::detail
