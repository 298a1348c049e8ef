#include "velmora/procedure_locale_catalog.hpp"

#include "detail/embedded_resources.hpp"
#include "detail/json.hpp"
#include "detail/procedure_catalogue.hpp"

#include <gtest/gtest.h>

#include <set>

namespace velmora {
namespace {

using detail::catalogueMessage;
using Parameters = std::map<std::string, std::string>;

detail::ProcedureCatalogue revisionCatalogue(bool listed) {
    const std::string ids = listed ? R"("shop.cancel")" : "";
    auto catalogue = detail::decodeProcedureCatalogue(R"json({"revisionedProcedureIds": [)json" +
                                                      ids + R"json(], "locales": {"en": {
        "procedure.shop.cancel": "short key",
        "procedure.shop.cancel.title": "Cancel order",
        "procedure.shop.cancel.revision.2.title": "Cancel your order (v2)",
        "procedure.shop.cancel.revision.2.step.one": "Step one (v2)",
        "procedure.shop.cancel.step.one": "Step one",
        "greeting": "Hi {first_name}, order {order} is {Name} {name1} {} {first_name"
    }}})json");
    EXPECT_TRUE(catalogue.has_value());
    return *catalogue;
}

TEST(ProcedureCatalogueTest, RevisionKeysAreUsedOnlyForListedProcedures) {
    struct Case {
        bool listed;
        std::string key;
        std::optional<std::int64_t> revision;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {true, "procedure.shop.cancel.title", 2, "Cancel your order (v2)"},
        {true, "procedure.shop.cancel.step.one", 2, "Step one (v2)"},
        {true, "procedure.shop.cancel.title", std::nullopt, "Cancel order"},
        {true, "procedure.shop.cancel.title", 3, std::nullopt}, // no fallback to the plain key
        {false, "procedure.shop.cancel.title", 2, "Cancel order"},
        {false, "procedure.shop.cancel.title", 3, "Cancel order"},
        {true, "procedure.shop.cancel", 2, "short key"},                               // 3 segments
        {true, "procedure.shop.cancel.revision.2.title", 5, "Cancel your order (v2)"}, // no repeat
        {true, "Procedure.shop.cancel.title", 2, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(catalogueMessage(revisionCatalogue(c.listed), "en", c.key, {}, c.revision),
                  c.expected)
            << c.key << " listed=" << c.listed;
    }
    EXPECT_EQ(detail::revisionedKey(revisionCatalogue(true), "procedure.shop.cancel..x", -1),
              "procedure.shop.cancel.revision.-1..x");
}

TEST(ProcedureCatalogueTest, PlaceholdersAreFilledOnceFromTheParameters) {
    const auto catalogue = revisionCatalogue(false);
    EXPECT_EQ(catalogueMessage(catalogue, "en", "greeting", {{"first_name", "Ana"}}, std::nullopt),
              "Hi Ana, order  is {Name} {name1} {} {first_name");
    EXPECT_EQ(catalogueMessage(catalogue, "en", "greeting",
                               {{"first_name", "{order}"}, {"order", "7"}}, std::nullopt),
              "Hi {order}, order 7 is {Name} {name1} {} {first_name");
    EXPECT_EQ(detail::fillCataloguePlaceholders("{a}{b}{{c}}x{_}", {{"c", "C"}, {"_", "u"}}),
              "{C}xu");
}

TEST(ProcedureCatalogueTest, LocalesMatchExactly) {
    const auto catalogue = revisionCatalogue(false);
    for (const char* locale : {"en-GB", "EN", "e", ""}) {
        EXPECT_EQ(
            catalogueMessage(catalogue, locale, "procedure.shop.cancel.title", {}, std::nullopt),
            std::nullopt)
            << locale;
    }
}

TEST(ProcedureCatalogueTest, AResourceMissingARequiredKeyIsAbsent) {
    for (const char* text : {
             R"({"locales": {"en": {"a": "b"}}})",
             R"({"revisionedProcedureIds": []})",
             R"({"revisionedProcedureIds": [1], "locales": {}})",
             R"({"revisionedProcedureIds": [], "locales": {"en": {"a": 1}}})",
             R"({"revisionedProcedureIds": null, "locales": {}})",
             "[]",
             "",
         }) {
        EXPECT_EQ(detail::decodeProcedureCatalogue(text), std::nullopt) << text;
    }
    EXPECT_TRUE(detail::decodeProcedureCatalogue(
                    R"({"revisionedProcedureIds": [], "locales": {}, "extra": true})")
                    .has_value());
}

// Every key that the widget looks up in the shipped catalogue, with the placeholders its callers
// fill. The service's availability keys are the ones the widget service sends.
const std::map<std::string, std::set<std::string>>& shippedKeys() {
    static const std::map<std::string, std::set<std::string>> keys = [] {
        std::map<std::string, std::set<std::string>> k;
        for (const char* key : {
                 "behavior.agentTag",
                 "behavior.teammateTag",
                 "attachment.label",
                 "help.search",
                 "status.working",
                 "procedure.action.confirm",
                 "procedure.action.records.previous",
                 "procedure.action.records.next",
                 "procedure.action.loading_availability",
                 "procedure.action.date_picker_unavailable",
                 "procedure.action.status.action_month_no_availability",
                 "procedure.action.status.action_no_availability",
                 "voice.connecting",
                 "voice.connected",
                 "voice.error",
                 "voice.mute",
                 "voice.unmute",
                 "voice.start",
                 "voice.end",
                 "availability.status.teamOnline",
                 "availability.status.aiOnline",
                 "availability.status.busy",
                 "availability.status.offline",
                 "availability.reply.unknown",
                 "availability.duration.fewMinutes",
                 "availability.duration.15Minutes",
                 "availability.duration.30Minutes",
                 "availability.duration.oneHour",
                 "availability.duration.fewHours",
                 "availability.duration.oneBusinessDay",
                 "availability.duration.severalBusinessDays",
                 "commerce.chooseStore",
                 "commerce.storeUnknown",
                 "commerce.orders",
                 "commerce.noOrders",
                 "commerce.unavailable",
                 "commerce.paymentStatus",
                 "commerce.deliveryStatus",
                 "commerce.orderedOn",
                 "commerce.cancelledOn",
                 "commerce.items",
                 "commerce.noItems",
                 "commerce.itemsUnavailable",
                 "commerce.tracking",
                 "commerce.trackingPending",
                 "commerce.trackingUnavailable",
             }) {
            k[key] = {};
        }
        for (const char* status : {"pending", "authorized", "paid", "partially_paid",
                                   "partially_refunded", "refunded", "voided", "unknown"}) {
            k[std::string("commerce.financial.") + status] = {};
        }
        for (const char* status :
             {"unfulfilled", "partial", "fulfilled", "in_progress", "unknown"}) {
            k[std::string("commerce.fulfillment.") + status] = {};
        }
        for (const char* reply :
             {"team", "ai", "busy", "offline", "teamSla", "aiSla", "busySla", "offlineSla"}) {
            k[std::string("availability.reply.") + reply] = {"time"};
        }
        k["commerce.quantity"] = {"count"};
        return k;
    }();
    return keys;
}

std::set<std::string> placeholdersIn(const std::string& text) {
    std::set<std::string> names;
    const auto marked = detail::fillCataloguePlaceholders(text, {});
    if (marked == text) {
        return names;
    }
    for (std::size_t open = text.find('{'); open != std::string::npos;
         open = text.find('{', open + 1)) {
        const auto close = text.find('}', open);
        if (close != std::string::npos) {
            names.insert(text.substr(open + 1, close - open - 1));
        }
    }
    return names;
}

TEST(ShippedProcedureCatalogueTest, EveryLocaleHoldsExactlyTheKeysTheWidgetUses) {
    const auto catalogue = detail::decodeProcedureCatalogue(detail::procedureCopyResource());
    ASSERT_TRUE(catalogue.has_value());
    EXPECT_TRUE(catalogue->revisionedProcedureIds.empty());
    std::set<std::string> locales;
    for (const auto& [locale, table] : catalogue->locales) {
        locales.insert(locale);
        std::set<std::string> present;
        for (const auto& [key, text] : table) {
            present.insert(key);
        }
        std::set<std::string> expected;
        for (const auto& [key, names] : shippedKeys()) {
            expected.insert(key);
        }
        EXPECT_EQ(present, expected) << locale;
    }
    EXPECT_EQ(locales, (std::set<std::string>{"en", "uk", "de", "es"}));

    for (const char* locale : {"en", "uk", "de", "es"}) {
        for (const auto& [key, names] : shippedKeys()) {
            const auto raw = WidgetProcedureLocaleCatalog::message(locale, key, {}, std::nullopt);
            ASSERT_TRUE(raw.has_value()) << locale << " " << key;
            EXPECT_FALSE(raw->empty()) << locale << " " << key;
            const auto& stored = catalogue->locales.at(locale).at(key);
            EXPECT_EQ(placeholdersIn(stored), names) << locale << " " << key;
            Parameters parameters;
            for (const auto& name : names) {
                parameters[name] = "<" + name + ">";
            }
            const auto filled = WidgetProcedureLocaleCatalog::message(locale, key, parameters, 4);
            for (const auto& name : names) {
                EXPECT_NE(filled->find("<" + name + ">"), std::string::npos) << locale << key;
            }
        }
    }
    EXPECT_EQ(WidgetProcedureLocaleCatalog::message("en", "commerce.quantity", {{"count", "3"}},
                                                    std::nullopt),
              "Quantity: 3");
    EXPECT_EQ(WidgetProcedureLocaleCatalog::message("en-GB", "commerce.quantity", {}, std::nullopt),
              std::nullopt);
    EXPECT_EQ(WidgetProcedureLocaleCatalog::message("en", "commerce.nothing", {}, std::nullopt),
              std::nullopt);
}

} // namespace
} // namespace velmora
