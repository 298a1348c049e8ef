#include "velmora/ui/widget_locale_catalog.hpp"

#include "detail/json.hpp"
#include "hosting/locale_catalog_resources.hpp"
#include "velmora/decoding_error.hpp"
#include "velmora/error.hpp"
#include "velmora/widget_copy.hpp"

#include <array>
#include <utility>

namespace velmora {
namespace detail {
namespace {

[[noreturn]] void fail(const char* message) {
    throw VelmoraError(VelmoraErrorCode::fieldInvalid, std::nullopt, std::nullopt, message);
}

bool isSupportedLocale(std::string_view locale) {
    return locale == "en" || locale == "uk" || locale == "de" || locale == "es";
}

// Anything that is not a JSON object of texts; parse failures included.
std::optional<std::map<std::string, std::string>> textTable(std::string_view bytes) {
    try {
        const json::value document = parseJSON(bytes, {.allowFragments = false});
        const auto* object = document.if_object();
        if (object == nullptr) {
            return std::nullopt;
        }
        std::map<std::string, std::string> table;
        for (const auto& entry : *object) {
            const auto* text = entry.value().if_string();
            if (text == nullptr) {
                return std::nullopt;
            }
            table.insert_or_assign(std::string(entry.key()), std::string(*text));
        }
        return table;
    } catch (const VelmoraDecodingError&) {
        return std::nullopt;
    }
}

} // namespace

std::optional<std::string_view> packagedLocaleResource(std::string_view name) {
    using Resource = std::string_view (*)() noexcept;
    static constexpr std::array<std::pair<std::string_view, Resource>, 4> files = {{
        {"widget-experience-locale-en.json", &widgetLocaleEnResource},
        {"widget-experience-locale-uk.json", &widgetLocaleUkResource},
        {"widget-experience-locale-de.json", &widgetLocaleDeResource},
        {"widget-experience-locale-es.json", &widgetLocaleEsResource},
    }};
    for (const auto& [fileName, resource] : files) {
        if (fileName == name) {
            return resource();
        }
    }
    return std::nullopt;
}

Data localeCopyData(std::string_view locale, const LocaleResourceLookup& resources) {
    // An unknown locale never reaches the lookup: its name could not name a packaged file.
    if (!isSupportedLocale(locale)) {
        fail("Widget locale copy is unavailable.");
    }
    const auto bytes = resources("widget-experience-locale-" + std::string(locale) + ".json");
    if (!bytes) {
        fail("Widget locale copy is unavailable.");
    }
    return Data(bytes->begin(), bytes->end());
}

std::map<std::string, std::string> localeCopy(std::string_view locale,
                                              const LocaleResourceLookup& resources) {
    const Data bytes = localeCopyData(locale, resources);
    auto table =
        textTable(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!table) {
        fail("Widget locale copy is invalid.");
    }
    // Checked only: the table goes back exactly as the file holds it.
    (void)VelmoraWidgetCopy(*table);
    return std::move(*table);
}

} // namespace detail

Data VelmoraWidgetLocaleCatalog::data(std::string_view locale) {
    return detail::localeCopyData(locale, detail::packagedLocaleResource);
}

std::map<std::string, std::string> VelmoraWidgetLocaleCatalog::copy(std::string_view locale) {
    return detail::localeCopy(locale, detail::packagedLocaleResource);
}

} // namespace velmora
