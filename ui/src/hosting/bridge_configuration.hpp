#pragma once

#include "velmora/host_value.hpp"
#include "velmora/json_value.hpp"
#include "velmora/types.hpp"
#include "velmora/ui/widget_controller_types.hpp"

#include <cstddef>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora {

/// The checked options of a host that drives the widget through the bridge.
struct VelmoraNativeWidgetOptionValues {
    std::optional<std::string> locale;
    std::optional<std::string> title;
    std::optional<std::string> subtitle;
    std::optional<JSONValue::Object> appearance;
    std::optional<JSONValue::Object> platform;
    std::optional<bool> reduceMotion;
    /// Help when only an article was asked for.
    std::optional<VelmoraWidgetViewMode> view;
    std::optional<std::string> articleId;
    std::vector<std::string> hostActionIds;
    JSONValue::Object context;

    friend bool operator==(const VelmoraNativeWidgetOptionValues&,
                           const VelmoraNativeWidgetOptionValues&) = default;
};

/// The design document built from the service's appearance and a bridged host's options.
struct VelmoraWidgetExperienceDocument {
    /// The document as JSON text.
    Data data;
    std::string locale;
};

/// Reads a bridged host's option dictionary and builds the design document from it. Everything
/// is checked against fixed key sets; the first failing check throws `VelmoraError`
/// (fieldInvalid, no status) with a fixed English message that names nested values by their
/// dotted path. Pure: nothing is kept between calls.
struct VelmoraWidgetBridgeConfiguration {
    using KeySet = std::set<std::string, std::less<>>;
    /// A host dictionary's entries in the host's order, keys checked to be text. Borrows from
    /// the dictionary it was read from.
    using HostEntries = std::vector<std::pair<std::string_view, const VelmoraHostValue*>>;

    /// How many containers deep an "appearance", "platform" or "context" option may nest, the
    /// option's own dictionary being the first. Real designs need four; the bound keeps a
    /// hostile host from exhausting the stack of every recursive walk that follows.
    static constexpr std::size_t maxOptionDepth = 32;
    /// The same bound over the whole design document, which holds a platform option two
    /// levels down.
    static constexpr std::size_t maxDocumentDepth = maxOptionDepth + 2;

    static const KeySet& nativeOptionKeys();
    static const KeySet& experienceKeys();
    static const KeySet& appearanceKeys();
    static const KeySet& tokenKeys();
    static const KeySet& paletteKeys();
    static const KeySet& layoutKeys();
    static const KeySet& platformOverrideKeys();
    static const KeySet& presentationKeys();
    static const KeySet& platformNames();
    static const KeySet& supportedLocales();

    // Options.

    /// The entry point: the wrapped ({"widget": {...}}) or flat option dictionary.
    static VelmoraNativeWidgetOptionValues
    decodeNativeOptions(const VelmoraHostDictionary& options);
    static HostEntries foundationDictionary(const VelmoraHostDictionary& dictionary);
    static void rejectUnknown(const HostEntries& dictionary, const KeySet& allowed,
                              std::string_view path);
    static void rejectUnknown(const JSONValue::Object& dictionary, const KeySet& allowed,
                              std::string_view path);
    static std::optional<std::string> optionalString(const VelmoraHostValue* value,
                                                     std::string_view path, std::size_t maxLength);
    static std::optional<std::string> optionalCopyString(const VelmoraHostValue* value,
                                                         std::string_view path);
    static std::optional<JSONValue::Object> optionalJSONDictionary(const VelmoraHostValue* value,
                                                                   std::string_view path);
    /// `depth` counts the containers above `value`; a container at `maxOptionDepth` or deeper
    /// below the option is refused with "<option> is nested too deeply.".
    static JSONValue foundationJSONValue(const VelmoraHostValue& value, const std::string& path,
                                         std::size_t depth = 0);
    static std::vector<std::string> optionalHostActionIds(const VelmoraHostValue* value);

    // Design document.

    static VelmoraWidgetExperienceDocument
    experienceData(const JSONValue::Object& backend,
                   const VelmoraNativeWidgetOptionValues& options);
    /// The override wins at every leaf; objects merge key by key, anything else replaces.
    static JSONValue merge(const JSONValue* base, const JSONValue& override);
    static std::optional<JSONValue::Object> object(const JSONValue* value, std::string_view path);
    static void validateExperience(const JSONValue::Object& document);
    static void validateAppearance(const JSONValue& value, const std::string& path);
    static void validateTokens(const JSONValue& value, const std::string& path);
    static void validatePlatformOverride(const JSONValue& value, const std::string& path);
    static void validateObject(const JSONValue& value, const KeySet& allowed,
                               const std::string& path);
};

} // namespace velmora
