#pragma once

#include "velmora/models.hpp"
#include "views/widget_view_model.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace velmora::detail {

/// Send is offered when there is text (after trimming white space and newlines) or a pending
/// file, and neither a message nor a session start is being sent. The controller's own guards
/// decide the rest.
bool canSendMessage(std::string_view draft, bool hasPendingAttachments,
                    VelmoraLoadingState loadingState);

/// One pending file above the input.
struct AttachmentChipModel {
    std::string attachmentId;
    std::string fileName;
    std::string identifier;
    std::string removeLabel;
    friend bool operator==(const AttachmentChipModel&, const AttachmentChipModel&) = default;
};

struct ComposerInputs {
    std::string draft;
    std::vector<VelmoraAttachmentDraft> pendingAttachments;
    VelmoraLoadingState loadingState = VelmoraLoadingState::idle;
    bool editable = true;
};

struct ComposerModel {
    std::vector<AttachmentChipModel> chips;
    bool canSend = false;
    double sendOpacity = 1;
    bool editable = true;
    std::string placeholder;
    std::string attachLabel;
    std::string sendLabel;
    VelmoraFontSpec chipFont;
    VelmoraColor text;
    VelmoraColor mutedText;
    VelmoraColor accent;
    VelmoraColor onAccent;
    VelmoraColor background;
    VelmoraColor border;
    double hairlineHeight = 1;
    double controlRadius = 0;
    double touchTarget = 44;
    double horizontalPadding = 12;
    double verticalPadding = 8;
    double inputPadding = 6;
    double spacing = 4;
    friend bool operator==(const ComposerModel&, const ComposerModel&) = default;
};

ComposerModel composerModel(const ComposerInputs& inputs, const PanelContext& context);

} // namespace velmora::detail
