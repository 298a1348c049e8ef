#include "views/composer_model.hpp"

#include "detail/text.hpp"

#include <algorithm>

namespace velmora::detail {

bool canSendMessage(std::string_view draft, bool hasPendingAttachments,
                    VelmoraLoadingState loadingState) {
    if (text::trimmed(draft).empty() && !hasPendingAttachments)
        return false;
    return loadingState != VelmoraLoadingState::sendingMessage &&
           loadingState != VelmoraLoadingState::startingSession;
}

ComposerModel composerModel(const ComposerInputs& inputs, const PanelContext& context) {
    const auto& appearance = context.appearance();
    ComposerModel model;
    const std::string removeCopy = context.copy("attachment.remove");
    for (const auto& attachment : inputs.pendingAttachments) {
        model.chips.push_back(
            AttachmentChipModel{attachment.id, attachment.fileName,
                                "velmora.widget.pending-attachment." + attachment.fileName,
                                removeCopy.empty() ? attachment.fileName : removeCopy});
    }
    model.canSend =
        canSendMessage(inputs.draft, !inputs.pendingAttachments.empty(), inputs.loadingState);
    model.sendOpacity = model.canSend ? 1.0 : 0.62;
    model.editable = inputs.editable;
    model.placeholder = context.copy("field.message");
    model.attachLabel = context.copy("attachment.add");
    if (model.attachLabel.empty())
        model.attachLabel = model.placeholder;
    model.sendLabel = context.copy("action.send");
    model.chipFont = context.font(std::max(appearance.typography.fontSizePx - 4, 11.0),
                                  VelmoraTextStyle::caption1);
    model.text = context.color(&VelmoraWidgetPalette::text);
    model.mutedText = context.color(&VelmoraWidgetPalette::mutedText);
    model.accent = context.color(&VelmoraWidgetPalette::accent);
    model.onAccent = context.color(&VelmoraWidgetPalette::onAccent);
    model.background = context.color(&VelmoraWidgetPalette::raisedSurface);
    model.border = context.color(&VelmoraWidgetPalette::border);
    model.hairlineHeight = hairline(appearance);
    model.controlRadius = appearance.controlRadiusPx;
    model.touchTarget =
        appearance.metrics.touchTargetPx > 0 ? appearance.metrics.touchTargetPx : 44;
    model.horizontalPadding = appearance.spacing.mdPx;
    model.verticalPadding = appearance.spacing.smPx;
    model.inputPadding = appearance.spacing.xsPx + 2;
    model.spacing = appearance.spacing.xsPx;
    return model;
}

} // namespace velmora::detail
