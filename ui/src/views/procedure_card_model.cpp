#include "views/procedure_card_model.hpp"

#include "velmora/procedure_locale_catalog.hpp"

#include <algorithm>

namespace velmora::detail {

namespace {

ProgressLabelModel busyLabel(std::string text, const PanelContext& context) {
    auto model = progressLabelModel(std::move(text), context.reduceMotion, context.textScale);
    model.objectName = "velmora.widget.loading";
    return model;
}

/// Procedure buttons always use the packaged family, whatever family the design names.
VelmoraFontSpec buttonFont(const PanelContext& context) {
    return {.bundledFamily = true,
            .pointSize = context.appearance().typography.fontSizePx * context.textScale,
            .weight = VelmoraFontWeight::medium};
}

double buttonBorderWidth(const PanelContext& context) {
    return std::max(1.0, context.appearance().borderWidthPx);
}

SecondaryButtonStyle secondaryStyle(const PanelContext& context) {
    return {.font = buttonFont(context),
            .foreground = context.color(&VelmoraWidgetPalette::text),
            .background = context.color(&VelmoraWidgetPalette::raisedSurface),
            .border = context.color(&VelmoraWidgetPalette::border).withOpacity(0.65),
            .radius = context.appearance().controlRadiusPx,
            .borderWidth = buttonBorderWidth(context)};
}

} // namespace

std::string procedureCardText(const VelmoraProcedureCard& card, const std::string& key) {
    return WidgetProcedureLocaleCatalog::message(card.locale.value_or("en"), key, {},
                                                 card.procedureRevision)
        .value_or("");
}

std::vector<ProcedureDetailModel>
procedureDetailsModel(const std::vector<VelmoraProcedureConfirmationDetail>& details) {
    std::vector<ProcedureDetailModel> out;
    for (const auto& detail : details) {
        if (!detail.localizedLabel || detail.localizedLabel->empty())
            continue;
        ProcedureDetailModel model;
        model.label = *detail.localizedLabel;
        if (detail.localizedValueLabel && !detail.localizedValueLabel->empty())
            model.valueLine = *detail.localizedValueLabel;
        else if (!detail.value.empty())
            model.valueLine = detail.value;
        if (detail.presentation) {
            for (const auto& record : detail.presentation->records) {
                ProcedureRecordModel shown{record.title, std::nullopt, {}};
                if (record.subtitle && !record.subtitle->empty())
                    shown.subtitle = record.subtitle;
                for (const auto& field : record.fields)
                    if (field.state == "available")
                        shown.lines.push_back(field.label + ": " + field.value);
                model.records.push_back(std::move(shown));
            }
        }
        out.push_back(std::move(model));
    }
    return out;
}

ProcedureCardModel procedureCardModel(const VelmoraProcedureCard& card, bool actionInFlight,
                                      const PanelContext& context) {
    const auto& appearance = context.appearance();
    const bool enabled = !actionInFlight;
    ProcedureCardModel model;
    model.title = card.title;
    model.prompt = card.prompt;
    model.titleFont =
        systemFontSpec(VelmoraTextStyle::headline, VelmoraFontWeight::semibold, context.textScale);
    model.promptFont =
        systemFontSpec(VelmoraTextStyle::subheadline, std::nullopt, context.textScale);
    model.bodyFont = systemFontSpec(VelmoraTextStyle::footnote, std::nullopt, context.textScale);
    model.captionFont =
        systemFontSpec(VelmoraTextStyle::caption1, VelmoraFontWeight::semibold, context.textScale);
    model.text = context.color(&VelmoraWidgetPalette::text);
    model.secondaryText = context.color(&VelmoraWidgetPalette::mutedText);
    model.background = context.color(&VelmoraWidgetPalette::raisedSurface);
    model.border = context.color(&VelmoraWidgetPalette::border).withOpacity(0.6);
    model.accent = context.color(&VelmoraWidgetPalette::accent);
    model.link = context.color(&VelmoraWidgetPalette::link);
    model.borderWidth = buttonBorderWidth(context);

    model.showsCalendar = card.calendarMode;
    if (!card.calendarMode) {
        const ChoiceButtonStyle choiceStyle{.font = buttonFont(context),
                                            .foreground = model.text,
                                            .accent = model.accent,
                                            .radius = appearance.controlRadiusPx,
                                            .borderWidth = buttonBorderWidth(context)};
        for (const auto& choice : card.choices)
            model.choices.push_back({choice.label,
                                     "velmora.widget.procedure.choice." + choice.value,
                                     {"select", choice.value},
                                     choiceStyle,
                                     enabled});
    }
    if (actionInFlight)
        model.busy = busyLabel(procedureCardText(card, "status.working"), context);
    model.details = procedureDetailsModel(card.confirmationDetails);

    const auto secondary = secondaryStyle(context);
    if (card.backStepId)
        model.back = ProcedureButtonModel{
            context.copy("action.back"), {}, {"back", *card.backStepId}, secondary, enabled};
    if (card.phase == "awaiting_confirmation" || card.phase == "awaiting_approval") {
        const PrimaryButtonStyle primary{.font = buttonFont(context),
                                         .foreground =
                                             context.color(&VelmoraWidgetPalette::onAccent),
                                         .background = model.accent,
                                         .radius = appearance.controlRadiusPx,
                                         .borderWidth = buttonBorderWidth(context)};
        model.confirm = ProcedureButtonModel{procedureCardText(card, "procedure.action.confirm"),
                                             "velmora.widget.procedure.confirm",
                                             {"confirm", card.proposalId.value_or("confirm")},
                                             primary,
                                             enabled};
        // The service names no title of its own for declining: it reads as going back.
        model.decline = ProcedureButtonModel{context.copy("action.back"),
                                             "velmora.widget.procedure.decline",
                                             {"decline", card.proposalId.value_or("decline")},
                                             secondary,
                                             enabled};
    }
    if (card.hostedCheckoutURL)
        model.checkout =
            ProcedureCardModel::Link{context.copy("receipt.tag"), *card.hostedCheckoutURL};
    if (card.phase == "expired")
        model.expiryNote = copyText(context.experience.copy, {"form.expired", "status.failed"});
    return model;
}

std::vector<VelmoraProcedureQuickAction> shownQuickActions(const std::vector<JSONValue>& payloads,
                                                           const std::string& locale) {
    std::vector<VelmoraProcedureQuickAction> out;
    for (const auto& payload : payloads)
        if (auto action = procedureQuickActionFromJSON(payload, locale);
            action && !action->title.empty())
            out.push_back(std::move(*action));
    return out;
}

ProcedureQuickActionsModel
procedureQuickActionsModel(std::vector<VelmoraProcedureQuickAction> actions, bool actionInFlight,
                           const PanelContext& context) {
    ProcedureQuickActionsModel model;
    for (auto& action : actions) {
        std::string identifier = "velmora.widget.procedure.quick-action." + action.procedureId;
        model.buttons.push_back({std::move(action), std::move(identifier)});
    }
    model.style = secondaryStyle(context);
    model.enabled = !actionInFlight;
    if (actionInFlight) {
        model.busy = busyLabel(WidgetProcedureLocaleCatalog::message(
                                   context.experience.locale, "status.working", {}, std::nullopt)
                                   .value_or(""),
                               context);
    }
    return model;
}

} // namespace velmora::detail
