#include "views/transcript_model.hpp"

namespace velmora::detail {

PanelContent panelContent(bool isInitialNavigationResolved, VelmoraWidgetViewMode screen) noexcept {
    if (!isInitialNavigationResolved)
        return PanelContent::navigationLoading;
    switch (screen) {
    case VelmoraWidgetViewMode::home:
        return PanelContent::home;
    case VelmoraWidgetViewMode::messages:
        return PanelContent::messages;
    case VelmoraWidgetViewMode::help:
        return PanelContent::help;
    }
    return PanelContent::home;
}

const char* supportLabelKey(const std::string& state) noexcept {
    if (state == "waiting-for-teammate" || state == "teammate-joined")
        return "status.replyWaiting";
    return "status.chatOnly";
}

const char* loadingLabelKey(VelmoraLoadingState state) noexcept {
    switch (state) {
    case VelmoraLoadingState::sendingMessage:
        return "action.sending";
    case VelmoraLoadingState::waitingForAssistant:
        return "status.replyWaiting";
    default:
        return "status.working";
    }
}

TranscriptModel transcriptModel(const TranscriptInputs& inputs, const PanelContext& context) {
    using Kind = TranscriptItemKind;
    TranscriptModel model;
    // The messages and at most six framing elements: one allocation, none per message.
    model.items.reserve(inputs.messages.size() + 6);
    const bool empty = inputs.messages.empty();
    const bool idle = inputs.loadingState == VelmoraLoadingState::idle;
    if (empty && inputs.availability && inputs.availability->showAgentAvailability)
        model.items.push_back({Kind::availabilityCard, "availability"});
    if (empty && (inputs.isLoadingConfiguration || !idle))
        model.items.push_back({Kind::workingIndicator, "working"});
    for (const auto& message : inputs.messages)
        model.items.push_back({Kind::message, message.id});
    if (inputs.snapshot &&
        (inputs.snapshot->procedureAction || inputs.snapshot->procedureQuickActions))
        model.items.push_back({Kind::procedure, "procedure"});
    if (inputs.snapshot && inputs.snapshot->support &&
        inputs.snapshot->support->state != "ai-active") {
        model.items.push_back({Kind::supportBanner, "support"});
        model.supportText = context.copy(supportLabelKey(inputs.snapshot->support->state));
    }
    if (!idle && !empty)
        model.items.push_back({Kind::loadingRow, "loading"});
    if (inputs.hasError)
        model.items.push_back({Kind::errorRow, "error"});
    model.workingText = context.copy("status.working");
    model.loadingText = context.copy(loadingLabelKey(inputs.loadingState));
    return model;
}

std::optional<std::string> transcriptScrollTarget(const std::vector<VelmoraMessage>& messages) {
    if (messages.empty())
        return std::nullopt;
    return messages.back().id;
}

} // namespace velmora::detail
