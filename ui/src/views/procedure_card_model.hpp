#pragma once

#include "velmora/ui/procedure_card.hpp"
#include "views/button_style_model.hpp"
#include "views/progress_label_model.hpp"
#include "views/widget_view_model.hpp"

#include <optional>
#include <string>
#include <vector>

namespace velmora::detail {

/// One procedure action a button sends through the controller.
struct ProcedureActionCall {
    std::string action;
    std::string value;
    friend bool operator==(const ProcedureActionCall&, const ProcedureActionCall&) = default;
};

struct ProcedureButtonModel {
    std::string title;
    /// Empty when the button carries no identifier of its own.
    std::string identifier;
    ProcedureActionCall call;
    ButtonStyle style;
    bool enabled = true;
};

/// One record under a confirmation detail: its title, subtitle and "label: value" lines of the
/// available fields.
struct ProcedureRecordModel {
    std::string title;
    std::optional<std::string> subtitle;
    std::vector<std::string> lines;
    friend bool operator==(const ProcedureRecordModel&, const ProcedureRecordModel&) = default;
};

struct ProcedureDetailModel {
    std::string label;
    std::optional<std::string> valueLine;
    std::vector<ProcedureRecordModel> records;
    friend bool operator==(const ProcedureDetailModel&, const ProcedureDetailModel&) = default;
};

/// The details that are shown: those with a non-empty label, the value label in preference to
/// the value, and every record whatever its kind or completeness, without unavailable fields.
std::vector<ProcedureDetailModel>
procedureDetailsModel(const std::vector<VelmoraProcedureConfirmationDetail>& details);

/// Everything the procedure card draws, top to bottom.
struct ProcedureCardModel {
    std::string title;
    std::string prompt;
    /// The step asks for a date: the calendar replaces the choices.
    bool showsCalendar = false;
    std::vector<ProcedureButtonModel> choices;
    /// While an action runs.
    std::optional<ProgressLabelModel> busy;
    std::vector<ProcedureDetailModel> details;
    std::optional<ProcedureButtonModel> back;
    std::optional<ProcedureButtonModel> confirm;
    std::optional<ProcedureButtonModel> decline;
    struct Link {
        std::string title;
        std::string url;
    };
    std::optional<Link> checkout;
    std::optional<std::string> expiryNote;

    VelmoraFontSpec titleFont;
    VelmoraFontSpec promptFont;
    /// The card's own text size (the link, the note, the details' values).
    VelmoraFontSpec bodyFont;
    /// Labels of details and titles of records.
    VelmoraFontSpec captionFont;
    VelmoraColor text;
    VelmoraColor secondaryText;
    VelmoraColor background;
    VelmoraColor border;
    VelmoraColor accent;
    VelmoraColor link;
    double borderWidth = 1;
};

/// The catalogue text of `key` in the card's locale (or "en") with its revision, else empty.
std::string procedureCardText(const VelmoraProcedureCard& card, const std::string& key);

ProcedureCardModel procedureCardModel(const VelmoraProcedureCard& card, bool actionInFlight,
                                      const PanelContext& context);

/// The procedures offered below the transcript.
struct ProcedureQuickActionsModel {
    struct Button {
        VelmoraProcedureQuickAction action;
        std::string identifier;
    };
    std::vector<Button> buttons;
    SecondaryButtonStyle style;
    bool enabled = true;
    std::optional<ProgressLabelModel> busy;
};

/// The quick actions of a snapshot in `locale`: refused ones and those without a title left out.
std::vector<VelmoraProcedureQuickAction> shownQuickActions(const std::vector<JSONValue>& payloads,
                                                           const std::string& locale);

ProcedureQuickActionsModel procedureQuickActionsModel(std::vector<VelmoraProcedureQuickAction>,
                                                      bool actionInFlight,
                                                      const PanelContext& context);

} // namespace velmora::detail
