// The widget's packaged texts per locale.
#include "hosting/locale_catalog_resources.hpp"
#include "sdk/field_invalid_support.hpp"
#include "velmora/json_value.hpp"
#include "velmora/ui/widget_locale_catalog.hpp"
#include "velmora/widget_copy.hpp"

#include <gtest/gtest.h>

#include <set>

namespace velmora {
namespace {

using testing::failureOf;
using Table = std::map<std::string, std::string>;

Table completeTable() {
    Table table;
    for (const auto& key : VelmoraWidgetCopy::requiredKeys()) {
        table.emplace(key, "Text of " + key);
    }
    return table;
}

std::string jsonOf(const Table& table) {
    JSONValue::Object object;
    for (const auto& [key, text] : table) {
        object.emplace(key, text);
    }
    return encodeJSON(JSONValue(object));
}

// One packaged file under the English name, and how often it was asked for.
struct FakeResources {
    std::optional<std::string> english;
    int lookups = 0;

    detail::LocaleResourceLookup lookup() {
        return [this](std::string_view name) -> std::optional<std::string_view> {
            ++lookups;
            if (english && name == "widget-experience-locale-en.json") {
                return std::string_view(*english);
            }
            return std::nullopt;
        };
    }
};

TEST(VelmoraWidgetLocaleCatalog, EveryPackagedLocaleHoldsExactlyTheWidgetsKeys) {
    for (const char* locale : {"en", "uk", "de", "es"}) {
        const Table table = VelmoraWidgetLocaleCatalog::copy(locale);
        std::set<std::string> keys;
        for (const auto& [key, text] : table) {
            keys.insert(key);
            // A text that repeats its key is a placeholder nobody translated.
            EXPECT_NE(text, key) << locale;
        }
        EXPECT_EQ(keys, VelmoraWidgetCopy::requiredKeys()) << locale;

        const Data bytes = VelmoraWidgetLocaleCatalog::data(locale);
        EXPECT_EQ(decodeJSON<JSONValue>(std::string(bytes.begin(), bytes.end())),
                  decodeJSON<JSONValue>(jsonOf(table)))
            << locale;
    }
    // Each locale has its own words, not a copy of another's.
    EXPECT_NE(VelmoraWidgetLocaleCatalog::copy("en").at("nav.messages"),
              VelmoraWidgetLocaleCatalog::copy("de").at("nav.messages"));
    EXPECT_NE(VelmoraWidgetLocaleCatalog::copy("uk").at("action.send"),
              VelmoraWidgetLocaleCatalog::copy("es").at("action.send"));
}

TEST(VelmoraWidgetLocaleCatalog, CompleteFileComesBackAsItIs) {
    FakeResources resources{jsonOf(completeTable())};
    EXPECT_EQ(detail::localeCopy("en", resources.lookup()), completeTable());
}

TEST(VelmoraWidgetLocaleCatalog, DataHandsOverAnyFileUnread) {
    FakeResources resources{"not json at all"};
    const Data bytes = detail::localeCopyData("en", resources.lookup());
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "not json at all");
}

TEST(VelmoraWidgetLocaleCatalog, ReportsItsThreeFailures) {
    Table missingKey = completeTable();
    missingKey.erase("panel.title");
    Table emptyText = completeTable();
    emptyText["nav.help"] = "";
    Table foreignKey = completeTable();
    foreignKey["panel.heading"] = "Heading";
    Table withoutLabel = completeTable();
    withoutLabel.erase("launcher.label");
    std::string numberValue = jsonOf(withoutLabel);
    numberValue.insert(1, R"("launcher.label":3,)");

    const std::string unavailable = "Widget locale copy is unavailable.";
    const std::string invalid = "Widget locale copy is invalid.";
    const std::string incomplete = "Widget locale copy is incomplete.";
    struct Case {
        const char* name;
        const char* locale;
        std::optional<std::string> file;
        std::string message;
        int lookups;
    } cases[] = {
        {"a locale outside the four", "fr", jsonOf(completeTable()), unavailable, 0},
        {"an upper-case locale", "EN", jsonOf(completeTable()), unavailable, 0},
        {"an empty locale", "", jsonOf(completeTable()), unavailable, 0},
        {"a missing file", "en", std::nullopt, unavailable, 1},
        {"a supported locale without its file", "de", jsonOf(completeTable()), unavailable, 1},
        {"not JSON", "en", "{\"nav.help\": ", invalid, 1},
        {"a JSON array", "en", "[\"Help\"]", invalid, 1},
        {"a text at the top", "en", "\"Help\"", invalid, 1},
        {"a number as a text", "en", numberValue, invalid, 1},
        {"a missing key", "en", jsonOf(missingKey), incomplete, 1},
        {"an empty text", "en", jsonOf(emptyText), incomplete, 1},
        {"a foreign key", "en", jsonOf(foreignKey), incomplete, 1},
    };
    for (const auto& c : cases) {
        FakeResources resources{c.file};
        EXPECT_EQ(failureOf([&] { detail::localeCopy(c.locale, resources.lookup()); }), c.message)
            << c.name;
        EXPECT_EQ(resources.lookups, c.lookups) << c.name;
    }
    // The public catalogue fails the same way for what it does not ship.
    EXPECT_EQ(failureOf([] { VelmoraWidgetLocaleCatalog::copy("fr"); }), unavailable);
    EXPECT_EQ(failureOf([] { VelmoraWidgetLocaleCatalog::data("Es"); }), unavailable);
}

} // namespace
} // namespace velmora
