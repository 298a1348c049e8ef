#include "detail/json.hpp"
#include "detail/widget_defaults.hpp"
#include "velmora/widget_copy.hpp"

#include <cmath>
#include <map>
#include <set>
#include <string>

namespace velmora::detail::VelmoraWidgetDefaults {
namespace {

using Names = std::set<std::string, std::less<>>;

template <class... Allowed> bool isOneOf(const std::string& value, const Allowed&... allowed) {
    return ((value == allowed) || ...);
}

const std::map<std::string, Names, std::less<>>& allowedFields() {
    static const std::map<std::string, Names, std::less<>> table = [] {
        std::map<std::string, Names, std::less<>> t{
            {"experience",
             {"schemaVersion", "locale", "appearance", "platformOverrides", "presentation",
              "reducedMotion", "copy"}},
            {"appearance", {"mode", "lightSurfaceStyle", "tokens", "layout"}},
            {"tokens",
             {"light", "dark", "fontFamily", "fontSize", "lineHeight", "controlRadius",
              "borderWidth", "shadow"}},
            {"palette",
             {"surface", "raisedSurface", "text", "mutedText", "border", "accent", "onAccent",
              "link", "focus"}},
            {"layout", {"placement", "offsetInline", "offsetBlock", "panelWidth", "panelHeight"}},
            {"platformOverrides",
             {"web", "ios", "android", "flutter", "react-native", "nativescript", "capacitor"}},
            {"platform", {"appearance", "safeArea", "keyboard", "navigation"}},
            {"safeArea", {"topPx", "rightPx", "bottomPx", "leftPx"}},
            {"keyboard", {"resizeMode", "dismissOnSubmit"}},
            {"navigation", {"presentation", "closeBehavior"}},
            {"presentation", {"launcherVisible", "hideLauncherOnOpen", "panelPresentation"}},
        };
        const auto& copyKeys = VelmoraWidgetCopy::requiredKeys();
        t.emplace("copy", Names(copyKeys.begin(), copyKeys.end()));
        return t;
    }();
    return table;
}

// The context of a field's value, or nothing for a leaf that is not looked into.
std::optional<std::string_view> childContext(std::string_view context, std::string_view field) {
    if (context == "experience") {
        if (field == "appearance" || field == "platformOverrides" || field == "presentation" ||
            field == "copy") {
            return field;
        }
    } else if (context == "appearance") {
        if (field == "tokens" || field == "layout") {
            return field;
        }
    } else if (context == "tokens") {
        if (field == "light" || field == "dark") {
            return "palette";
        }
    } else if (context == "platformOverrides") {
        return "platform";
    } else if (context == "platform") {
        return field;
    }
    return std::nullopt;
}

} // namespace

void validate(const VelmoraWidgetPlatformOverride& platformOverride) {
    if (const auto& area = platformOverride.safeArea) {
        for (const auto& side : {area->topPx, area->rightPx, area->bottomPx, area->leftPx}) {
            if (side && !(std::isfinite(*side) && *side >= 0 && *side <= 100)) {
                throwFieldInvalid("Widget safeArea is out of bounds.");
            }
        }
    }
    if (const auto& keyboard = platformOverride.keyboard; keyboard && keyboard->resizeMode) {
        if (!isOneOf(*keyboard->resizeMode, "resize", "pan", "overlay")) {
            throwFieldInvalid("Widget keyboard resize mode is invalid.");
        }
    }
    if (const auto& navigation = platformOverride.navigation) {
        if (navigation->presentation &&
            !isOneOf(*navigation->presentation, "modal", "push", "embedded")) {
            throwFieldInvalid("Widget navigation presentation is invalid.");
        }
        if (navigation->closeBehavior &&
            !isOneOf(*navigation->closeBehavior, "dismiss", "pop", "hidden")) {
            throwFieldInvalid("Widget navigation close behavior is invalid.");
        }
    }
}

json::value validateWireProfile(const Data& profile) {
    const std::string_view text(reinterpret_cast<const char*>(profile.data()), profile.size());
    // A bare scalar at the top level is a parse failure; an array parses but is refused below.
    json::value document = parseJSON(text, ParseOptions{.allowFragments = false});
    if (!document.is_object()) {
        throwFieldInvalid("Widget design profile must be an object.");
    }
    validate(document, "experience", "experience");
    return document;
}

void validate(const json::value& value, std::string_view context, const std::string& path) {
    const json::object* object = value.if_object();
    if (object == nullptr) {
        return;
    }
    const auto& table = allowedFields();
    const auto allowed = table.find(context);
    if (allowed == table.end()) {
        return;
    }
    for (const auto& member : *object) {
        const std::string_view field = member.key();
        if (!allowed->second.contains(field)) {
            throwFieldInvalid("Unsupported widget design field at " + path + "." +
                              std::string(field) + ".");
        }
        if (const auto child = childContext(context, field)) {
            validate(member.value(), *child, path + "." + std::string(field));
        }
    }
}

} // namespace velmora::detail::VelmoraWidgetDefaults
