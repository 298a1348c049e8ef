#include "views/message_row_model.hpp"

#include "velmora/procedure_locale_catalog.hpp"
#include "velmora/ui/widget_font.hpp"
#include "views/widget_view_model.hpp"

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <cmath>
#include <memory>

namespace velmora::detail {

namespace {

// The font the line spacing is measured on: the packaged family, or the system font, at the
// given size (not the style's), scaled by the user's text size.
VelmoraFontSpec spacingFont(const VelmoraWidgetAppearance& appearance, double size,
                            VelmoraFontWeight weight, double textScale) {
    return {.bundledFamily = VelmoraWidgetFont::usesBundledFamily(appearance.typography.fontFamily),
            .pointSize = size * (std::isfinite(textScale) && textScale > 0 ? textScale : 1),
            .weight = weight};
}

std::string cutToGraphemes(const std::string& text, std::size_t limit) {
    const icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(text);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status))
        return text;
    it->setText(unicode);
    std::size_t count = 0;
    std::int32_t end = it->first();
    for (std::int32_t next = it->next(); next != icu::BreakIterator::DONE; next = it->next()) {
        if (++count > limit)
            break;
        end = next;
    }
    std::string out;
    unicode.tempSubString(0, end).toUTF8String(out);
    return out;
}

// Control characters and the invisible direction overrides that can disguise an extension.
bool isRemovedFromFileNames(UChar32 c) {
    return u_charType(c) == U_CONTROL_CHAR || (c >= 0x202a && c <= 0x202e) ||
           (c >= 0x2066 && c <= 0x2069) || c == 0x200e || c == 0x200f;
}

} // namespace

std::optional<std::string> messageAuthorTag(const VelmoraMessage& message,
                                            std::string_view locale) {
    if (!message.authorKind)
        return std::nullopt;
    const char* key = *message.authorKind == "ai"         ? "behavior.agentTag"
                      : *message.authorKind == "teammate" ? "behavior.teammateTag"
                                                          : nullptr;
    if (!key)
        return std::nullopt;
    return WidgetProcedureLocaleCatalog::message(locale, key, {}, std::nullopt);
}

std::string attachmentExportFileName(const VelmoraAttachment& attachment) {
    std::string name = "attachment";
    if (attachment.fileName) {
        std::string_view full = *attachment.fileName;
        while (full.size() > 1 && full.back() == '/')
            full.remove_suffix(1);
        const auto slash = full.rfind('/');
        name = std::string(
            slash == std::string_view::npos || full.size() == 1 ? full : full.substr(slash + 1));
    }
    for (char& c : name)
        if (c == '/' || c == '\\')
            c = '_';
    // Drop what a file name must not carry, code point by code point.
    icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(name);
    icu::UnicodeString kept;
    for (std::int32_t i = 0; i < unicode.length();) {
        const UChar32 c = unicode.char32At(i);
        if (!isRemovedFromFileNames(c))
            kept.append(c);
        i += U16_LENGTH(c);
    }
    name.clear();
    kept.toUTF8String(name);
    if (name.empty() || name == "." || name == "..")
        return "attachment";
    return cutToGraphemes(name, 180);
}

bool isOwnMessage(const VelmoraMessage& message) noexcept {
    // The service says "outbound" for what the visitor sent; the client counts a message as the
    // customer's the same way, so the row and the client never disagree about whose it is.
    return message.direction == "outbound" || message.authorKind == "customer";
}

MessageRowModel messageRowModel(const VelmoraMessage& message,
                                const VelmoraWidgetAppearance& appearance,
                                const VelmoraWidgetCopy& copy, const MessageRowContext& context) {
    MessageRowModel model;
    model.own = isOwnMessage(message);
    model.trailing = model.own;
    model.dark = usesDarkPalette(appearance.mode, context.platform.colorScheme);
    const VelmoraWidgetPalette& palette = model.dark ? appearance.dark : appearance.light;
    const auto color = [](const std::string& hex) { return colorFromHex(hex); };
    const double scale = context.platform.textScale;
    const double base = appearance.typography.fontSizePx;
    const bool reduceMotion = context.reduceMotion || context.platform.reduceMotion;

    model.bubbleIdentifier = "velmora.widget.message-bubble." + message.id;
    model.cornerRadius = appearance.controlRadiusPx;
    model.horizontalPadding = appearance.spacing.mdPx;
    if (model.own) {
        model.bubbleBackground = color(palette.accent);
    } else if (model.dark) {
        model.bubbleBackground = color(palette.raisedSurface);
        model.bubbleBorder = color(palette.border);
    } else {
        model.bubbleBackground = color(palette.surface);
        model.bubbleOverlay = color(palette.mutedText).withOpacity(0.06);
    }

    const auto lineHeight = [&](const VelmoraFontSpec& spec) {
        return context.fontLineHeight ? context.fontLineHeight(spec) : spec.pointSize * 1.2;
    };

    if (auto tag = messageAuthorTag(message, context.locale)) {
        const double size = base * 0.75;
        const double measured =
            lineHeight(spacingFont(appearance, size, VelmoraFontWeight::medium, scale));
        double spacing = size * 1.2 - measured;
        if (!std::isfinite(spacing) || spacing < 0)
            spacing = 0;
        model.authorTag = RowText{.text = std::move(*tag),
                                  .font = widgetFontSpec(appearance.typography.fontFamily, size,
                                                         VelmoraTextStyle::caption1,
                                                         VelmoraFontWeight::medium, scale),
                                  .color = model.own ? color(palette.onAccent).withOpacity(0.78)
                                                     : color(palette.mutedText),
                                  .lineSpacing = spacing,
                                  .identifier = "velmora.widget.message-author-tag." + message.id};
    }

    if (!message.bodyText.empty()) {
        const double size = base * 0.875;
        const VelmoraFontSpec measuredFont =
            spacingFont(appearance, size, VelmoraFontWeight::regular, scale);
        model.body = RowText{.text = message.bodyText,
                             .font = widgetFontSpec(appearance.typography.fontFamily, size,
                                                    VelmoraTextStyle::body, std::nullopt, scale),
                             .color = model.own ? color(palette.onAccent) : color(palette.text),
                             .lineSpacing = measuredFont.pointSize * 1.5 - lineHeight(measuredFont),
                             .identifier = {}};
    }

    const std::string invalidText = copyText(copy, {"attachment.invalid", "status.chatOnly"});
    for (const auto& attachment : message.attachments.value_or(std::vector<VelmoraAttachment>{})) {
        AttachmentModel item;
        item.attachment = attachment;
        if (attachment.fileName) {
            item.displayName = *attachment.fileName;
        } else if (auto label = WidgetProcedureLocaleCatalog::message(
                       context.locale, "attachment.label", {}, std::nullopt)) {
            item.displayName = std::move(*label);
        } else {
            item.displayName = copyText(copy, {"attachment.label", "status.chatOnly"});
        }
        const bool downloadable =
            context.hasController && context.canDownload && context.canDownload(attachment);
        if (downloadable) {
            const bool downloading = context.downloadingAttachmentId && attachment.id &&
                                     *context.downloadingAttachmentId == *attachment.id;
            item.content = !downloading   ? AttachmentContent::downloadButton
                           : reduceMotion ? AttachmentContent::downloadWorkingText
                                          : AttachmentContent::downloadProgress;
            item.title = item.content == AttachmentContent::downloadWorkingText
                             ? copyText(copy, {"status.working", "status.chatOnly"})
                             : item.displayName;
            item.enabled = !context.downloadingAttachmentId.has_value();
            item.accessibleName = item.displayName;
        } else {
            item.content = AttachmentContent::label;
            item.title = attachment.downloadUrl ? invalidText : item.displayName;
            item.accessibleName = item.title;
        }
        item.identifier = "velmora.widget.message-attachment." + item.displayName;
        item.color = color(palette.mutedText);
        item.font = systemFontSpec(VelmoraTextStyle::footnote, std::nullopt, scale);
        item.exportFileName = attachmentExportFileName(attachment);
        model.attachments.push_back(std::move(item));
    }
    return model;
}

} // namespace velmora::detail
