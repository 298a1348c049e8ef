#include "hosting/bridge_configuration.hpp"

#include "detail/pattern.hpp"
#include "detail/text.hpp"
#include "velmora/error.hpp"
#include "velmora/host_actions.hpp"

#include <algorithm>
#include <cmath>

namespace velmora {
namespace {

using Configuration = VelmoraWidgetBridgeConfiguration;

[[noreturn]] void fail(std::string message) {
    throw VelmoraError(VelmoraErrorCode::fieldInvalid, std::nullopt, std::nullopt,
                       std::move(message));
}

std::string joined(std::string_view path, std::string_view tail) {
    std::string out(path);
    out += tail;
    return out;
}

// Text that is not UTF-8 is not text, whatever the wrapper called it.
const std::string* textOf(const VelmoraHostValue& value) {
    const auto* text = value.ifString();
    return text != nullptr && detail::text::isValidUTF8(*text) ? text : nullptr;
}

bool isBlank(std::string_view text) {
    return detail::text::trimmed(text).empty();
}

// The option a dotted path starts from names the value in a nesting failure.
std::string_view optionOf(std::string_view path) {
    return path.substr(0, path.find('.'));
}

JSONValue finite(double value, const std::string& path) {
    if (!std::isfinite(value)) {
        fail(path + " must be finite.");
    }
    return value;
}

} // namespace

const Configuration::KeySet& Configuration::nativeOptionKeys() {
    static const KeySet keys = {"locale",       "title", "subtitle",  "appearance",    "platform",
                                "reduceMotion", "view",  "articleId", "hostActionIds", "context"};
    return keys;
}

const Configuration::KeySet& Configuration::supportedLocales() {
    static const KeySet locales = {"en", "uk", "de", "es"};
    return locales;
}

Configuration::HostEntries
Configuration::foundationDictionary(const VelmoraHostDictionary& dictionary) {
    HostEntries entries;
    entries.reserve(dictionary.size());
    for (const auto& [key, value] : dictionary.entries()) {
        const auto* text = textOf(key);
        if (text == nullptr) {
            fail("Widget option keys must be strings.");
        }
        entries.emplace_back(*text, &value);
    }
    return entries;
}

namespace {

template <class Keys>
void rejectFirstUnknown(const Keys& keys, const Configuration::KeySet& allowed,
                        std::string_view path) {
    for (const auto& key : keys) {
        if (!allowed.contains(key)) {
            fail("Unknown widget option: " + std::string(path) + "." + std::string(key));
        }
    }
}

} // namespace

void Configuration::rejectUnknown(const HostEntries& dictionary, const KeySet& allowed,
                                  std::string_view path) {
    std::vector<std::string_view> keys;
    for (const auto& entry : dictionary) {
        keys.push_back(entry.first);
    }
    rejectFirstUnknown(keys, allowed, path);
}

void Configuration::rejectUnknown(const JSONValue::Object& dictionary, const KeySet& allowed,
                                  std::string_view path) {
    std::vector<std::string_view> keys;
    for (const auto& entry : dictionary) {
        keys.push_back(entry.first);
    }
    rejectFirstUnknown(keys, allowed, path);
}

std::optional<std::string> Configuration::optionalString(const VelmoraHostValue* value,
                                                         std::string_view path,
                                                         std::size_t maxLength) {
    if (value == nullptr) {
        return std::nullopt;
    }
    const auto* text = textOf(*value);
    if (text == nullptr || isBlank(*text) || detail::text::graphemeCount(*text) > maxLength) {
        fail(joined(path, " is invalid."));
    }
    return *text;
}

std::optional<std::string> Configuration::optionalCopyString(const VelmoraHostValue* value,
                                                             std::string_view path) {
    constexpr std::size_t maximumCharacters = 500;
    if (value == nullptr) {
        return std::nullopt;
    }
    const auto* text = textOf(*value);
    if (text == nullptr || text->empty() ||
        detail::text::graphemeCount(*text) > maximumCharacters) {
        fail(joined(path, " is invalid."));
    }
    return *text;
}

std::optional<JSONValue::Object>
Configuration::optionalJSONDictionary(const VelmoraHostValue* value, std::string_view path) {
    if (value == nullptr) {
        return std::nullopt;
    }
    const auto* dictionary = value->ifDictionary();
    if (dictionary == nullptr) {
        fail(joined(path, " must be an object."));
    }
    // The option's own dictionary is the first level; its entries sit one level down.
    JSONValue::Object out;
    for (const auto& [key, member] : foundationDictionary(*dictionary)) {
        out.insert_or_assign(std::string(key),
                             foundationJSONValue(*member, joined(path, ".") + std::string(key), 1));
    }
    return out;
}

JSONValue Configuration::foundationJSONValue(const VelmoraHostValue& value, const std::string& path,
                                             std::size_t depth) {
    // Booleans and numbers are different kinds of host value: 0 and 1 stay numbers and true
    // stays a boolean, whichever order the kinds are asked in.
    const bool isContainer = value.ifDictionary() != nullptr || value.ifArray() != nullptr;
    if (isContainer && depth + 1 > maxOptionDepth) {
        fail(std::string(optionOf(path)) + " is nested too deeply.");
    }
    switch (value.kind()) {
    case VelmoraHostValue::Kind::string:
        if (const auto* text = textOf(value)) {
            return *text;
        }
        break;
    case VelmoraHostValue::Kind::boolean:
        return *value.ifBool();
    case VelmoraHostValue::Kind::signedInteger:
        return finite(static_cast<double>(*value.ifSigned()), path);
    case VelmoraHostValue::Kind::unsignedInteger:
        return finite(static_cast<double>(*value.ifUnsigned()), path);
    case VelmoraHostValue::Kind::floating:
        return finite(*value.ifDouble(), path);
    case VelmoraHostValue::Kind::dictionary: {
        JSONValue::Object out;
        for (const auto& [key, member] : foundationDictionary(*value.ifDictionary())) {
            out.insert_or_assign(
                std::string(key),
                foundationJSONValue(*member, path + "." + std::string(key), depth + 1));
        }
        return out;
    }
    case VelmoraHostValue::Kind::array: {
        JSONValue::Array out;
        for (const auto& element : *value.ifArray()) {
            // Elements keep the array's own path: no index is added.
            out.push_back(foundationJSONValue(element, path, depth + 1));
        }
        return out;
    }
    case VelmoraHostValue::Kind::null:
        break;
    }
    fail(path + " contains an unsupported value.");
}

std::vector<std::string> Configuration::optionalHostActionIds(const VelmoraHostValue* value) {
    if (value == nullptr) {
        return {};
    }
    const auto* array = value->ifArray();
    const bool allText =
        array != nullptr && std::all_of(array->begin(), array->end(), [](const auto& element) {
            return textOf(element) != nullptr;
        });
    if (!allText || array->size() > VelmoraHostActionCodec::maxHostActions) {
        fail("hostActionIds must contain at most " +
             std::to_string(VelmoraHostActionCodec::maxHostActions) + " strings.");
    }
    static const detail::Pattern pattern(R"(^[a-z0-9][a-z0-9:_-]{0,63}$)");
    std::vector<std::string> ids;
    for (const auto& element : *array) {
        const std::string& id = *element.ifString();
        if (!pattern.matches(id) || std::find(ids.begin(), ids.end(), id) != ids.end()) {
            fail("hostActionIds contains an invalid or duplicate ID.");
        }
        ids.push_back(id);
    }
    return ids;
}

VelmoraNativeWidgetOptionValues
Configuration::decodeNativeOptions(const VelmoraHostDictionary& dictionary) {
    const HostEntries outer = foundationDictionary(dictionary);
    HostEntries options = outer;
    if (const auto* widget = dictionary.find("widget")) {
        if (outer.size() != 1 || widget->ifDictionary() == nullptr) {
            fail("Widget options must contain only a widget presentation object.");
        }
        options = foundationDictionary(*widget->ifDictionary());
    }
    rejectUnknown(options, nativeOptionKeys(), "widget");

    const auto find = [&](std::string_view key) -> const VelmoraHostValue* {
        for (const auto& [name, value] : options) {
            if (name == key) {
                return value;
            }
        }
        return nullptr;
    };

    VelmoraNativeWidgetOptionValues values;
    values.locale = optionalString(find("locale"), "locale", 10);
    // Compared as given: " en" and "EN" are not locales the widget ships.
    if (values.locale && !supportedLocales().contains(*values.locale)) {
        fail("Unsupported widget locale.");
    }
    values.title = optionalCopyString(find("title"), "title");
    values.subtitle = optionalCopyString(find("subtitle"), "subtitle");
    values.appearance = optionalJSONDictionary(find("appearance"), "appearance");
    values.platform = optionalJSONDictionary(find("platform"), "platform");
    if (const auto* reduceMotion = find("reduceMotion")) {
        if (reduceMotion->ifBool() == nullptr) {
            fail("reduceMotion must be a boolean.");
        }
        values.reduceMotion = *reduceMotion->ifBool();
    }
    if (const auto view = optionalString(find("view"), "view", 10)) {
        values.view = velmoraWidgetViewModeFromRawValue(*view);
        if (!values.view) {
            fail("view is invalid.");
        }
    }
    values.articleId = optionalString(find("articleId"), "articleId", 128);
    if (values.articleId) {
        static const detail::Pattern pattern(R"(^[A-Za-z0-9][A-Za-z0-9:_-]{0,127}$)");
        if (!pattern.matches(*values.articleId)) {
            fail("articleId is invalid.");
        }
        if (values.view && *values.view != VelmoraWidgetViewMode::help) {
            fail("articleId requires the help view.");
        }
        values.view = VelmoraWidgetViewMode::help;
    }
    values.hostActionIds = optionalHostActionIds(find("hostActionIds"));
    values.context =
        optionalJSONDictionary(find("context"), "context").value_or(JSONValue::Object{});
    VelmoraHostActionCodec::validateContext(values.context);
    return values;
}

} // namespace velmora
