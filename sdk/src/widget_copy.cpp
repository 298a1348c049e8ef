#include "velmora/widget_copy.hpp"

#include "detail/json_codec.hpp"
#include "detail/text.hpp"
#include "detail/widget_codecs.hpp"
#include "velmora/error.hpp"

#include <algorithm>

namespace velmora {
namespace {

constexpr std::size_t kMaximumCharacters = 500;

bool isUsableText(const std::string& text) {
    return !text.empty() && detail::text::isValidUTF8(text) &&
           detail::text::graphemeCount(text) <= kMaximumCharacters;
}

} // namespace

VelmoraWidgetCopy::VelmoraWidgetCopy(std::map<std::string, std::string> values)
    : values_(std::move(values)) {
    const auto& required = requiredKeys();
    // Same size and only required keys means every required key is there.
    const bool exactKeys = values_.size() == required.size() &&
                           std::all_of(values_.begin(), values_.end(), [&](const auto& entry) {
                               return required.contains(entry.first);
                           });
    const bool usableTexts = std::all_of(values_.begin(), values_.end(), [](const auto& entry) {
        return isUsableText(entry.second);
    });
    if (!exactKeys || !usableTexts) {
        throw VelmoraError(VelmoraErrorCode::fieldInvalid, std::nullopt, std::nullopt,
                           "Widget locale copy is incomplete.");
    }
}

const std::set<std::string>& VelmoraWidgetCopy::requiredKeys() {
    static const std::set<std::string> keys = {
        "action.back",
        "action.close",
        "action.send",
        "action.retry",
        "action.sending",
        "attachment.add",
        "attachment.label",
        "attachment.onlyMessage",
        "attachment.remove",
        "attachment.invalid",
        "attachment.uploadFailed",
        "field.email",
        "field.message",
        "field.messageRequired",
        "field.name",
        "field.subject",
        "form.expired",
        "form.submitted",
        "form.submitFailed",
        "help.empty",
        "help.search",
        "home.greeting",
        "home.question",
        "home.sendMessage",
        "home.sendMessageDetail",
        "launcher.label",
        "launcher.loading",
        "messages.empty",
        "messages.emptyDetail",
        "nav.help",
        "nav.home",
        "nav.messages",
        "panel.subtitle",
        "panel.subtitleContactForm",
        "panel.title",
        "receipt.reference",
        "receipt.tag",
        "status.failed",
        "status.working",
        "status.replyWaiting",
        "status.replyTimeout",
        "status.operationTimeout",
        "status.operationFailed",
        "status.emailVerification",
        "status.handoff.request",
        "status.handoff.joined",
        "status.handoff.offline",
        "status.handoff.waiting",
        "status.verificationFailed",
        "status.typing",
        "status.sent",
        "status.sent.ai",
        "status.sent.away",
        "status.sent.offline",
        "status.sent.online",
        "status.chatOnly",
    };
    return keys;
}

namespace detail {

json::value Codec<VelmoraWidgetCopy>::encode(const VelmoraWidgetCopy& value) {
    return ObjectWriter().field("values", value.values()).take();
}

VelmoraWidgetCopy Codec<VelmoraWidgetCopy>::decode(const json::value& json,
                                                   const std::string& path) {
    const ObjectReader reader(json, path);
    return VelmoraWidgetCopy(VelmoraWidgetCopy::Unchecked{},
                             reader.required<std::map<std::string, std::string>>("values"));
}

} // namespace detail

VELMORA_DEFINE_JSON_CODING(VelmoraWidgetCopy)

} // namespace velmora
