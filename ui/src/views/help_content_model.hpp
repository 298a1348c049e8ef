#pragma once

#include "velmora/host_actions.hpp"
#include "velmora/ui/widget_controller_types.hpp"
#include "velmora/widget_content.hpp"
#include "views/button_style_model.hpp"
#include "views/widget_view_model.hpp"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::detail {

/// What one tap on the home or help screen asks of the controller.
struct HelpAction {
    enum class Kind {
        none,          ///< the tap does nothing
        showHelp,      ///< setScreen(help)
        openFAQ,       ///< setScreen(help), then toggleFAQ(id)
        toggleFAQ,     ///< toggleFAQ(id)
        startWorkflow, ///< startWorkflow(id, prefill)
        openContact,   ///< openContact(prefill)
        selectOption,  ///< selectWorkflowOption(option)
        retryContent,  ///< retryContent()
    };
    HelpAction() = default;
    HelpAction(Kind kind, std::string id = {},
               std::optional<VelmoraWidgetContentPrefill> prefill = std::nullopt,
               std::optional<VelmoraWidgetContentWorkflowOption> option = std::nullopt)
        : kind(kind), id(std::move(id)), prefill(std::move(prefill)), option(std::move(option)) {}

    Kind kind = Kind::none;
    std::string id;
    std::optional<VelmoraWidgetContentPrefill> prefill;
    std::optional<VelmoraWidgetContentWorkflowOption> option;
    friend bool operator==(const HelpAction&, const HelpAction&) = default;
};

/// A text as drawn: its words, font and colour.
struct StyledText {
    std::string text;
    VelmoraFontSpec font;
    VelmoraColor color;
    friend bool operator==(const StyledText&, const StyledText&) = default;
};

/// Every action button of the help content looks alike; only its words, name and effect differ.
struct HelpButtonModel {
    std::string title;
    std::string identifier;
    HelpAction action;
    bool enabled = true;
    SecondaryButtonStyle style;
    friend bool operator==(const HelpButtonModel&, const HelpButtonModel&) = default;
};

SecondaryButtonStyle helpActionStyle(const PanelContext& context);
HelpButtonModel helpActionButton(std::string title, std::string identifier, HelpAction action,
                                 const PanelContext& context);

/// Help content that could not be loaded: the same warning whatever went wrong, and a retry.
struct ContentErrorModel {
    std::string identifier = "velmora.widget.content.error";
    StyledText warning;
    HelpButtonModel retry;
    double padding = 0;
    double spacing = 0;
    friend bool operator==(const ContentErrorModel&, const ContentErrorModel&) = default;
};

ContentErrorModel contentErrorModel(const PanelContext& context);

// ---- Home screen ----

struct ContactCardModel {
    std::string identifier = "velmora.widget.home.contact";
    StyledText title;
    StyledText detail;
    VelmoraColor accent;
    VelmoraColor background;
    VelmoraColor border;
    double spacing = 0;
    HelpAction action;
    friend bool operator==(const ContactCardModel&, const ContactCardModel&) = default;
};

/// One FAQ or workflow entry of the home help card.
struct HomeHelpRowModel {
    StyledText title;
    VelmoraColor chevron;
    VelmoraColor rule;
    HelpAction action;
    friend bool operator==(const HomeHelpRowModel&, const HomeHelpRowModel&) = default;
};

struct HomeHelpCardModel {
    std::string identifier = "velmora.widget.home.help-card";
    std::string headerIdentifier = "velmora.widget.home.help";
    StyledText header;
    VelmoraColor headerFill;
    HelpAction headerAction{HelpAction::Kind::showHelp};
    std::vector<HomeHelpRowModel> rows;
    VelmoraColor background;
    VelmoraColor border;
    double spacing = 0;
    double rowSpacing = 0;
    friend bool operator==(const HomeHelpCardModel&, const HomeHelpCardModel&) = default;
};

struct HomeScreenInputs {
    const VelmoraWidgetContentState& content;
    bool messagesAvailable = false;
    bool helpAvailable = false;
    const std::optional<VelmoraError>& helpError;
};

/// The home column, top to bottom; the availability card sits between the contact card and the
/// help card.
struct HomeScreenModel {
    /// The working text while the first load of the content runs.
    std::optional<StyledText> loading;
    std::optional<ContactCardModel> contact;
    std::optional<HomeHelpCardModel> help;
    std::optional<StyledText> helpUnavailable;
    std::optional<ContentErrorModel> contentError;
    double loadingPadding = 0;
    friend bool operator==(const HomeScreenModel&, const HomeScreenModel&) = default;
};

/// The FAQ entries the home card lists: three places shared with the workflows, the list named
/// first by `showFaqFirst` claiming them first; contact entries only while messages are offered.
std::vector<VelmoraWidgetContentFAQ> homeFAQs(const VelmoraWidgetContentSnapshot& snapshot,
                                              bool messagesAvailable);
std::vector<VelmoraWidgetContentWorkflow>
homeWorkflows(const VelmoraWidgetContentSnapshot& snapshot);

HomeScreenModel homeScreenModel(const HomeScreenInputs& inputs, const PanelContext& context);

// ---- Help screen ----

/// The search text as compared: trimmed, lower-cased and canonically composed.
std::string helpSearchNeedle(std::string_view query);
/// Whether the entry's title, its body, or the title, one space and the body contain `needle`
/// (from `helpSearchNeedle`) as whole characters, case and canonical spelling aside. A missing
/// text counts as empty.
bool helpEntryMatches(std::string_view needle, const std::optional<std::string>& title,
                      const std::optional<std::string>& body);

struct FAQCardModel {
    std::string identifier;
    StyledText question;
    bool open = false;
    VelmoraColor chevron;
    HelpAction toggle;
    std::optional<StyledText> answer;
    std::optional<HelpButtonModel> action;
    VelmoraColor background;
    VelmoraColor border;
    double inset = 0;
    double spacing = 0;
    double verticalPadding = 0;
    friend bool operator==(const FAQCardModel&, const FAQCardModel&) = default;
};

struct WorkflowOptionRowModel {
    HelpButtonModel button;
    /// Shown while the last run of the option's host action failed.
    std::optional<StyledText> failure;
    friend bool operator==(const WorkflowOptionRowModel&, const WorkflowOptionRowModel&) = default;
};

struct WorkflowStepModel {
    /// The step the controller points at is not in the workflow: only this text is shown.
    std::optional<StyledText> unknownStep;
    StyledText prompt;
    std::optional<StyledText> detail;
    std::optional<HelpButtonModel> escalation;
    /// A host action is running: an indeterminate indicator with this accessible label.
    std::optional<std::string> progress;
    std::vector<WorkflowOptionRowModel> options;
    friend bool operator==(const WorkflowStepModel&, const WorkflowStepModel&) = default;
};

struct WorkflowCardModel {
    std::string identifier;
    StyledText title;
    StyledText description;
    bool expanded = false;
    VelmoraColor chevron;
    HelpAction start;
    std::optional<WorkflowStepModel> step;
    VelmoraColor background;
    VelmoraColor border;
    double inset = 0;
    double spacing = 0;
    double verticalPadding = 0;
    friend bool operator==(const WorkflowCardModel&, const WorkflowCardModel&) = default;
};

/// The controller's help state the help screen and its cards are drawn from.
struct HelpInputs {
    std::string query;
    std::optional<VelmoraError> helpError;
    const VelmoraWidgetContentState& content;
    std::optional<std::string> activeFAQID;
    std::optional<std::string> activeWorkflowID;
    std::optional<std::string> activeWorkflowStepID;
    bool messagesAvailable = false;
    bool isActionInFlight = false;
    bool hostActionPending = false;
    std::optional<VelmoraHostActionResult> hostActionResult;
    std::optional<std::string> hostActionResultActionID;
    /// The controller's gate: whether a host-action option may be offered.
    std::function<bool(const std::optional<std::string>&)> hostActionAvailable;
};

FAQCardModel faqCardModel(const VelmoraWidgetContentFAQ& faq,
                          const VelmoraWidgetContentSnapshot& snapshot, const HelpInputs& inputs,
                          const PanelContext& context);
WorkflowCardModel workflowCardModel(const VelmoraWidgetContentWorkflow& workflow,
                                    const VelmoraWidgetContentSnapshot& snapshot,
                                    const HelpInputs& inputs, const PanelContext& context);

struct HelpScreenModel {
    enum class State { nothing, error, loading, results, empty };
    std::string searchIdentifier = "velmora.widget.help.search";
    std::string searchLabel;
    /// Shown over the field while the query is exactly empty.
    std::optional<StyledText> placeholder;
    VelmoraFontSpec fieldFont;
    VelmoraColor searchIcon;
    VelmoraColor searchBorder;
    double searchBorderWidth = 0;
    State state = State::nothing;
    std::optional<ContentErrorModel> error;
    std::optional<StyledText> loading;
    std::vector<FAQCardModel> faqs;
    std::vector<WorkflowCardModel> workflows;
    std::optional<StyledText> empty;
    double padding = 0;
    double spacing = 0;
    double smallSpacing = 0;
    friend bool operator==(const HelpScreenModel&, const HelpScreenModel&) = default;
};

HelpScreenModel helpScreenModel(const HelpInputs& inputs, const PanelContext& context);

} // namespace velmora::detail
