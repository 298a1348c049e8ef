#include "hosting/bridge_configuration.hpp"

#include "velmora/decoding_error.hpp"
#include "velmora/error.hpp"
#include "velmora/widget_copy.hpp"

#include <algorithm>

namespace velmora {
namespace {

using Configuration = VelmoraWidgetBridgeConfiguration;

[[noreturn]] void fail(std::string message) {
    throw VelmoraError(VelmoraErrorCode::fieldInvalid, std::nullopt, std::nullopt,
                       std::move(message));
}

const JSONValue* member(const JSONValue::Object& object, const std::string& key) {
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &found->second;
}

// Whether `value` nests no container deeper than `limit`, `depth` being the containers that
// hold it. Stops at the limit, so the walk's own recursion is bounded too.
bool withinDepth(const JSONValue& value, std::size_t depth, std::size_t limit) {
    if (value.ifObject() == nullptr && value.ifArray() == nullptr) {
        return true;
    }
    if (depth + 1 > limit) {
        return false;
    }
    if (const auto* object = value.ifObject()) {
        return std::all_of(object->begin(), object->end(), [&](const auto& entry) {
            return withinDepth(entry.second, depth + 1, limit);
        });
    }
    const auto& array = *value.ifArray();
    return std::all_of(array.begin(), array.end(), [&](const JSONValue& element) {
        return withinDepth(element, depth + 1, limit);
    });
}

// Options may be built by hand as well as decoded, so the bound decoding enforces is checked
// again before anything recurses over them.
void requireOptionDepth(const std::optional<JSONValue::Object>& option, const char* name) {
    if (option && !withinDepth(JSONValue(*option), 0, Configuration::maxOptionDepth)) {
        fail(std::string(name) + " is nested too deeply.");
    }
}

const Configuration::KeySet& safeAreaKeys() {
    static const Configuration::KeySet keys = {"topPx", "rightPx", "bottomPx", "leftPx"};
    return keys;
}

const Configuration::KeySet& keyboardKeys() {
    static const Configuration::KeySet keys = {"resizeMode", "dismissOnSubmit"};
    return keys;
}

const Configuration::KeySet& navigationKeys() {
    static const Configuration::KeySet keys = {"presentation", "closeBehavior"};
    return keys;
}

const Configuration::KeySet& copyKeys() {
    static const Configuration::KeySet keys(VelmoraWidgetCopy::requiredKeys().begin(),
                                            VelmoraWidgetCopy::requiredKeys().end());
    return keys;
}

} // namespace

const Configuration::KeySet& Configuration::experienceKeys() {
    static const KeySet keys = {"schemaVersion", "locale",        "appearance", "platformOverrides",
                                "presentation",  "reducedMotion", "copy"};
    return keys;
}

const Configuration::KeySet& Configuration::appearanceKeys() {
    static const KeySet keys = {"mode", "lightSurfaceStyle", "tokens", "layout"};
    return keys;
}

const Configuration::KeySet& Configuration::tokenKeys() {
    static const KeySet keys = {"light",      "dark",          "fontFamily",  "fontSize",
                                "lineHeight", "controlRadius", "borderWidth", "shadow"};
    return keys;
}

const Configuration::KeySet& Configuration::paletteKeys() {
    static const KeySet keys = {"surface", "raisedSurface", "text", "mutedText", "border",
                                "accent",  "onAccent",      "link", "focus"};
    return keys;
}

const Configuration::KeySet& Configuration::layoutKeys() {
    static const KeySet keys = {"placement", "offsetInline", "offsetBlock", "panelWidth",
                                "panelHeight"};
    return keys;
}

const Configuration::KeySet& Configuration::platformOverrideKeys() {
    static const KeySet keys = {"appearance", "safeArea", "keyboard", "navigation"};
    return keys;
}

const Configuration::KeySet& Configuration::presentationKeys() {
    static const KeySet keys = {"launcherVisible", "hideLauncherOnOpen", "panelPresentation"};
    return keys;
}

const Configuration::KeySet& Configuration::platformNames() {
    static const KeySet names = {"web",          "ios",          "android",  "flutter",
                                 "react-native", "nativescript", "capacitor"};
    return names;
}

JSONValue Configuration::merge(const JSONValue* base, const JSONValue& override) {
    const auto* overrideObject = override.ifObject();
    const auto* baseObject = base != nullptr ? base->ifObject() : nullptr;
    if (overrideObject == nullptr || baseObject == nullptr) {
        // Arrays and scalars replace whole; an object replaces whatever is not an object.
        return override;
    }
    JSONValue::Object out = *baseObject;
    for (const auto& [key, value] : *overrideObject) {
        out.insert_or_assign(key, merge(member(*baseObject, key), value));
    }
    return out;
}

std::optional<JSONValue::Object> Configuration::object(const JSONValue* value,
                                                       std::string_view path) {
    if (value == nullptr) {
        return std::nullopt;
    }
    if (const auto* object = value->ifObject()) {
        return *object;
    }
    fail(std::string(path) + " must be an object.");
}

void Configuration::validateObject(const JSONValue& value, const KeySet& allowed,
                                   const std::string& path) {
    const auto* object = value.ifObject();
    if (object == nullptr) {
        fail(path + " must be an object.");
    }
    rejectUnknown(*object, allowed, path);
}

void Configuration::validateTokens(const JSONValue& value, const std::string& path) {
    validateObject(value, tokenKeys(), path);
    const auto& tokens = *value.ifObject();
    for (const char* palette : {"light", "dark"}) {
        if (const auto* entry = member(tokens, palette)) {
            validateObject(*entry, paletteKeys(), path + "." + palette);
        }
    }
}

void Configuration::validateAppearance(const JSONValue& value, const std::string& path) {
    validateObject(value, appearanceKeys(), path);
    const auto& appearance = *value.ifObject();
    if (const auto* tokens = member(appearance, "tokens")) {
        validateTokens(*tokens, path + ".tokens");
    }
    if (const auto* layout = member(appearance, "layout")) {
        if (layout->ifObject() == nullptr) {
            fail(path + ".layout must be an object.");
        }
        rejectUnknown(*layout->ifObject(), layoutKeys(), path + ".layout");
    }
}

void Configuration::validatePlatformOverride(const JSONValue& value, const std::string& path) {
    validateObject(value, platformOverrideKeys(), path);
    const auto& override = *value.ifObject();
    if (const auto* appearance = member(override, "appearance")) {
        validateAppearance(*appearance, path + ".appearance");
    }
    const std::pair<const char*, const KeySet*> parts[] = {
        {"safeArea", &safeAreaKeys()},
        {"keyboard", &keyboardKeys()},
        {"navigation", &navigationKeys()},
    };
    for (const auto& [key, allowed] : parts) {
        if (const auto* part = member(override, key)) {
            validateObject(*part, *allowed, path + "." + key);
        }
    }
}

void Configuration::validateExperience(const JSONValue::Object& document) {
    rejectUnknown(document, experienceKeys(), "experience");

    const auto* version = member(document, "schemaVersion");
    const auto* number = version != nullptr ? version->ifNumber() : nullptr;
    if (number == nullptr || *number != 2.0) {
        fail("Unsupported widget design schema.");
    }
    const auto* locale = member(document, "locale");
    if (locale == nullptr || locale->ifString() == nullptr ||
        !supportedLocales().contains(*locale->ifString())) {
        fail("Unsupported widget locale.");
    }
    // The service's part of the document is as unbounded as the host's: bound it before the
    // resolver walks it.
    if (!withinDepth(JSONValue(document), 0, maxDocumentDepth)) {
        fail("The widget design configuration is nested too deeply.");
    }
    if (const auto* appearance = member(document, "appearance")) {
        validateAppearance(*appearance, "appearance");
    }
    if (const auto* overrides = member(document, "platformOverrides")) {
        if (overrides->ifObject() == nullptr) {
            fail("Platform overrides must be an object.");
        }
        for (const auto& [name, override] : *overrides->ifObject()) {
            if (!platformNames().contains(name)) {
                fail("Unsupported widget platform override.");
            }
            validatePlatformOverride(override, "platformOverrides." + name);
        }
    }
    if (const auto* presentation = member(document, "presentation")) {
        if (presentation->ifObject() == nullptr) {
            fail("Presentation must be an object.");
        }
        rejectUnknown(*presentation->ifObject(), presentationKeys(), "presentation");
    }
    if (const auto* reducedMotion = member(document, "reducedMotion")) {
        if (const auto* mode = reducedMotion->ifString();
            mode != nullptr && *mode != "system" && *mode != "always") {
            fail("Reduced motion must be system or always.");
        }
    }
    if (const auto* copy = member(document, "copy")) {
        if (copy->ifObject() == nullptr) {
            fail("Widget copy must be an object.");
        }
        rejectUnknown(*copy->ifObject(), copyKeys(), "copy");
        for (const auto& [key, text] : *copy->ifObject()) {
            if (text.ifString() == nullptr || text.ifString()->empty()) {
                fail("Widget copy contains an empty value.");
            }
        }
    }
}

VelmoraWidgetExperienceDocument
Configuration::experienceData(const JSONValue::Object& backend,
                              const VelmoraNativeWidgetOptionValues& options) {
    requireOptionDepth(options.appearance, "appearance");
    requireOptionDepth(options.platform, "platform");

    JSONValue::Object document = {
        {"schemaVersion", 2},
        {"locale", options.locale.value_or("en")},
        {"appearance", backend},
    };
    if (options.appearance) {
        document.insert_or_assign(
            "appearance", merge(member(document, "appearance"), JSONValue(*options.appearance)));
    }
    if (options.platform) {
        JSONValue::Object overrides =
            object(member(document, "platformOverrides"), "platformOverrides")
                .value_or(JSONValue::Object{});
        overrides.insert_or_assign("ios",
                                   merge(member(overrides, "ios"), JSONValue(*options.platform)));
        document.insert_or_assign("platformOverrides", std::move(overrides));
    }
    if (options.title || options.subtitle) {
        JSONValue::Object copy =
            object(member(document, "copy"), "copy").value_or(JSONValue::Object{});
        if (options.title) {
            copy.insert_or_assign("panel.title", *options.title);
        }
        if (options.subtitle) {
            copy.insert_or_assign("panel.subtitle", *options.subtitle);
        }
        document.insert_or_assign("copy", std::move(copy));
    }
    if (options.reduceMotion) {
        document.insert_or_assign("reducedMotion", *options.reduceMotion ? "always" : "system");
    }

    validateExperience(document);

    const auto* locale = member(document, "locale");
    if (locale == nullptr || locale->ifString() == nullptr) {
        fail("Widget locale is invalid.");
    }
    std::string text;
    try {
        text = encodeJSON(JSONValue(document));
    } catch (const VelmoraEncodingError&) {
        fail("The widget design configuration is not serializable.");
    }
    return {Data(text.begin(), text.end()), *locale->ifString()};
}

} // namespace velmora
