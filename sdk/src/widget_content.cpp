#include "velmora/widget_content.hpp"

#include "detail/number_description.hpp"
#include "detail/text.hpp"
#include "detail/widget_content_codec.hpp"

namespace velmora {

namespace detail {

VelmoraWidgetContentWorkflowOption
Codec<VelmoraWidgetContentWorkflowOption>::decode(const json::value& v, const std::string& path) {
    ObjectReader r(v, path);
    return {
        r.required<std::string>("id"),
        r.required<std::string>("labelKey"),
        r.optional<std::map<std::string, JSONValue>>("labelValues")
            .value_or(std::map<std::string, JSONValue>{}),
        r.required<std::string>("action"),
        r.optional<std::string>("nextStepId"),
        r.optional<std::string>("hostActionId"),
        r.optional<VelmoraWidgetContentPrefill>("prefill"),
    };
}

VelmoraWidgetContentWorkflowStep
Codec<VelmoraWidgetContentWorkflowStep>::decode(const json::value& v, const std::string& path) {
    ObjectReader r(v, path);
    return {
        r.required<std::string>("id"),
        r.required<std::string>("type"),
        r.required<std::string>("promptKey"),
        r.optional<std::string>("detailKey"),
        r.optional<std::vector<VelmoraWidgetContentWorkflowOption>>("options").value_or(
            std::vector<VelmoraWidgetContentWorkflowOption>{}),
        r.optional<std::string>("handoffReasonKey"),
    };
}

} // namespace detail

template <>
VelmoraWidgetContentResponse decodeJSON<VelmoraWidgetContentResponse>(std::string_view json) {
    return detail::decodeRecord<VelmoraWidgetContentResponse>(json);
}

namespace {

std::string valueText(const JSONValue& value) {
    if (const auto* text = value.ifString()) {
        return *text;
    }
    if (const auto* number = value.ifNumber()) {
        return detail::describeNumber(*number);
    }
    if (const auto* flag = value.ifBool()) {
        return *flag ? "true" : "false";
    }
    return {};
}

} // namespace

std::optional<std::string> VelmoraWidgetContentSnapshot::text(std::string_view key) const {
    if (const auto found = messages.find(std::string(key)); found != messages.end()) {
        return found->second;
    }
    // Keys are texts: one written in another normalisation form still names the same message.
    const std::string wanted = detail::text::nfc(key);
    for (const auto& [candidate, text] : messages) {
        if (detail::text::nfc(candidate) == wanted) {
            return text;
        }
    }
    return std::nullopt;
}

std::optional<std::string>
VelmoraWidgetContentSnapshot::text(std::string_view key,
                                   const std::map<std::string, JSONValue>& values) const {
    auto stored = text(key);
    if (!stored || values.empty()) {
        return stored;
    }
    // One pass over the stored text: the result does not depend on the order of `values`, and a
    // value that itself reads like a token stays as written. Where two names match at the same
    // place ("{a}" and "{a}b}"), the longer token wins.
    std::map<std::string, std::string> replacements;
    for (const auto& [name, value] : values) {
        replacements.emplace("{" + name + "}", valueText(value));
    }
    const std::string& source = *stored;
    std::string out;
    out.reserve(source.size());
    std::size_t i = 0;
    while (i < source.size()) {
        const std::string* longest = nullptr;
        const std::string* replacement = nullptr;
        if (source[i] == '{') {
            for (const auto& [token, text] : replacements) {
                if (source.compare(i, token.size(), token) == 0 &&
                    (longest == nullptr || token.size() > longest->size())) {
                    longest = &token;
                    replacement = &text;
                }
            }
        }
        if (longest != nullptr) {
            out += *replacement;
            i += longest->size();
        } else {
            out += source[i];
            ++i;
        }
    }
    return out;
}

} // namespace velmora
