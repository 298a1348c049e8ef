#pragma once

#include "platform/color.hpp"
#include "platform/font_spec.hpp"
#include "velmora/models.hpp"
#include "velmora/ui/platform_settings.hpp"
#include "velmora/widget_appearance.hpp"
#include "velmora/widget_copy.hpp"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora::detail {

/// A text of the row: what it says and how it is drawn.
struct RowText {
    std::string text;
    VelmoraFontSpec font;
    VelmoraColor color;
    /// Space between two lines, in points.
    double lineSpacing = 0;
    /// Object name (accessibility identifier); empty for none.
    std::string identifier;
    friend bool operator==(const RowText&, const RowText&) = default;
};

enum class AttachmentContent {
    /// A button labelled with the display name and a download icon.
    downloadButton,
    /// The button while its download runs: a small spinner.
    downloadProgress,
    /// The button while its download runs, under reduced motion: the working text.
    downloadWorkingText,
    /// Not downloadable: a paperclip and a text.
    label,
};

struct AttachmentModel {
    VelmoraAttachment attachment;
    AttachmentContent content = AttachmentContent::label;
    std::string displayName;
    /// What the control shows (the display name, the invalid text or the working text).
    std::string title;
    bool enabled = false;
    std::string identifier;
    std::string accessibleName;
    VelmoraColor color;
    VelmoraFontSpec font;
    double minimumHeight = 44;
    /// The default name offered when the downloaded file is exported.
    std::string exportFileName;
    friend bool operator==(const AttachmentModel&, const AttachmentModel&) = default;
};

/// Everything a message row draws, decided from the message, the design and the platform.
struct MessageRowModel {
    bool own = false;
    bool dark = false;
    /// The bubble sits at the trailing edge (the visitor's own messages) or the leading one.
    bool trailing = false;
    std::string bubbleIdentifier;
    VelmoraColor bubbleBackground;
    /// Laid over the background (a faint tint); clear for none.
    VelmoraColor bubbleOverlay = VelmoraColor::clear();
    VelmoraColor bubbleBorder = VelmoraColor::clear();
    double bubbleBorderWidth = 1;
    double cornerRadius = 0;
    double horizontalPadding = 0;
    double verticalPadding = 10;
    double spacing = 7;
    std::optional<RowText> authorTag;
    std::optional<RowText> body;
    std::vector<AttachmentModel> attachments;
    friend bool operator==(const MessageRowModel&, const MessageRowModel&) = default;
};

/// What the row is drawn from besides the message and the design.
struct MessageRowContext {
    std::string locale;
    bool reduceMotion = false;
    VelmoraPlatformSettingsValues platform;
    /// Whether the row has a controller (without one it is read-only).
    bool hasController = false;
    /// Whether the client accepts an attachment's address; asked only with a controller.
    std::function<bool(const VelmoraAttachment&)> canDownload;
    /// The attachment whose download runs in this row.
    std::optional<std::string> downloadingAttachmentId;
    /// The line height of a font, in points (font metrics are the platform's).
    std::function<double(const VelmoraFontSpec&)> fontLineHeight;
};

/// Whether the visitor sent the message (drawn at the trailing edge).
bool isOwnMessage(const VelmoraMessage& message) noexcept;

MessageRowModel messageRowModel(const VelmoraMessage& message,
                                const VelmoraWidgetAppearance& appearance,
                                const VelmoraWidgetCopy& copy, const MessageRowContext& context);

/// The author tag of a message in a locale: "ai" and "teammate" (exactly) have one when the
/// procedure texts hold it.
std::optional<std::string> messageAuthorTag(const VelmoraMessage& message, std::string_view locale);

/// The default file name for exporting an attachment: the last path component of its name
/// (or "attachment"), slashes and backslashes made underscores, control characters and
/// direction overrides removed, "." and ".." (and nothing) made "attachment", at most 180
/// characters. It never names a path outside the folder the user picks.
std::string attachmentExportFileName(const VelmoraAttachment& attachment);

} // namespace velmora::detail
