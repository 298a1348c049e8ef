#pragma once

#include "velmora/models.hpp"
#include "velmora/ui/widget_controller_types.hpp"
#include "velmora/widget_configuration.hpp"
#include "views/widget_view_model.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::detail {

/// What the middle of the panel shows.
enum class PanelContent { navigationLoading, home, messages, help };

/// The placeholder until the initial screen is decided, then the controller's screen.
PanelContent panelContent(bool isInitialNavigationResolved, VelmoraWidgetViewMode screen) noexcept;

/// The transcript's elements, top to bottom.
enum class TranscriptItemKind {
    availabilityCard,
    workingIndicator,
    message,
    /// The running procedure's card or its quick actions (drawn by the procedure views).
    procedure,
    supportBanner,
    loadingRow,
    errorRow,
};

struct TranscriptItem {
    TranscriptItemKind kind;
    /// A message's id, else the element's own name (a literal). A message's key views its id,
    /// so the model is used while the messages it was made from are (one redraw); whoever
    /// keeps a key longer copies it.
    std::string_view key;
    friend bool operator==(const TranscriptItem&, const TranscriptItem&) = default;
};

struct TranscriptInputs {
    const std::vector<VelmoraMessage>& messages;
    const std::optional<VelmoraWidgetAvailability>& availability;
    bool isLoadingConfiguration = false;
    VelmoraLoadingState loadingState = VelmoraLoadingState::idle;
    const std::optional<VelmoraSnapshot>& snapshot;
    bool hasError = false;
};

struct TranscriptModel {
    std::vector<TranscriptItem> items;
    std::string workingText;
    std::string loadingText;
    std::string supportText;
};

/// The copy key of the support banner for a support state.
const char* supportLabelKey(const std::string& state) noexcept;
/// The copy key of the loading row for a loading state.
const char* loadingLabelKey(VelmoraLoadingState state) noexcept;

TranscriptModel transcriptModel(const TranscriptInputs& inputs, const PanelContext& context);

/// The element the transcript keeps in view: the newest message. With no message there is
/// none: the working indicator stands alone at the top and nothing needs to move.
std::optional<std::string> transcriptScrollTarget(const std::vector<VelmoraMessage>& messages);

} // namespace velmora::detail
