#include "views/commerce_message_model.hpp"
#include "views/commerce_result_model.hpp"

#include "fixtures.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using namespace detail;

JSONValue json(std::string_view text) {
    return decodeJSON<JSONValue>(text);
}

std::string detailWith(std::string_view lineItems) {
    return std::string(R"({"kind":"order_detail","detail":{"order":{"reference":"o1",
        "displayNumber":"#1001","createdAt":"2024-03-05T10:15:00Z"},"lineItems":[)") +
           std::string(lineItems) + "]}}";
}

TEST(CommerceResultTest, TheEnvelopeMustBeValid) {
    struct Case {
        const char* name;
        std::string json;
        bool parses;
    };
    const std::vector<Case> cases = {
        {"null", "null", false},
        {"array", "[]", false},
        {"string", R"("order_detail")", false},
        {"no kind", R"({"stores":[]})", false},
        {"kind a number", R"({"kind":1,"stores":[]})", false},
        {"kind in other case", R"({"kind":"Order_Detail","detail":{}})", false},
        {"unknown kind", R"({"kind":"order_refund","stores":[]})", false},
        {"stores empty", R"({"kind":"order_store_selection","stores":[]})", true},
        {"stores missing", R"({"kind":"order_store_selection"})", false},
        {"stores an object", R"({"kind":"order_store_selection","stores":{}})", false},
        {"collection empty", R"({"kind":"order_collection","collection":{}})", true},
        {"collection an array", R"({"kind":"order_collection","collection":[]})", false},
        {"detail without order", R"({"kind":"order_detail","detail":{}})", false},
        {"detail order lacks displayNumber", R"({"kind":"order_detail","detail":{"order":
            {"reference":"o","createdAt":"x"}}})",
         false},
        {"detail", detailWith(""), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(commerceResultFromJSON(json(c.json)).has_value(), c.parses) << c.name;
}

TEST(CommerceResultTest, StoresAndOrdersDropOnlyTheirInvalidElements) {
    const auto stores = commerceResultFromJSON(json(R"({"kind":"order_store_selection","stores":[
        {"reference":"a","displayName":"Alpha"},{"reference":""},{"reference":3},"b",
        {"reference":"c","displayName":7}]})"));
    ASSERT_TRUE(stores);
    EXPECT_EQ(std::get<VelmoraCommerceStores>(*stores).stores,
              (std::vector<VelmoraCommerceStore>{{"a", "Alpha"}, {"c", std::nullopt}}));

    const auto list = commerceResultFromJSON(json(R"({"kind":"order_collection","collection":{
        "source":{"storeDisplayName":"Demo"},"orders":[
        {"reference":"o1","displayNumber":"#1","createdAt":"2024-03-05T10:15:00Z",
         "cancelledAt":"2024-03-06T10:15:00Z","total":{"amount":"12.50","currencyCode":"EUR"},
         "financialStatus":3,"fulfillmentStatus":"SHIPPED"},
        {"reference":"o2","displayNumber":"#2"},
        {"reference":"o3","displayNumber":"#3","createdAt":"","total":{"amount":12.5,
         "currencyCode":"EUR"}}]}})"));
    ASSERT_TRUE(list);
    const auto& collection = std::get<VelmoraCommerceCollection>(*list);
    EXPECT_EQ(collection.storeDisplayName, "Demo");
    ASSERT_EQ(collection.orders.size(), 2u);
    const auto& first = collection.orders[0];
    EXPECT_EQ(first.cancelledAt, "2024-03-06T10:15:00Z");
    EXPECT_EQ(first.total, (VelmoraCommerceMoney{"12.50", "EUR"}));
    EXPECT_EQ(first.financialStatus, "unknown");
    EXPECT_EQ(first.fulfillmentStatus, "SHIPPED");
    EXPECT_EQ(collection.orders[1].reference, "o3");
    EXPECT_FALSE(collection.orders[1].total); // an amount must be text
    EXPECT_TRUE(std::get<VelmoraCommerceCollection>(
                    *commerceResultFromJSON(
                        json(R"({"kind":"order_collection","collection":{"orders":{}}})")))
                    .orders.empty());
}

TEST(CommerceResultTest, QuantitiesMustBeWholePositiveAndFitSixtyFourBits) {
    struct Case {
        const char* quantity;
        std::optional<std::int64_t> parsed;
    };
    const std::vector<Case> cases = {
        {"2", 2},
        {"2.0", 2},
        {"1", 1},
        {"9007199254740992", 9007199254740992},
        {"9223372036854774784", 9223372036854774784}, // the largest double below 2^63
        {"9223372036854775808", std::nullopt},        // 2^63: whole and finite, but too large
        {"1e300", std::nullopt},
        {"2.5", std::nullopt},
        {"0", std::nullopt},
        {"-1", std::nullopt},
        {"-0.0", std::nullopt},
        {"0.5", std::nullopt},
        {R"("2")", std::nullopt},
        {"true", std::nullopt},
        {"null", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto result = commerceResultFromJSON(json(detailWith(
            std::string(R"({"reference":"l","title":"Mug","quantity":)") + c.quantity + "}")));
        ASSERT_TRUE(result) << c.quantity;
        const auto& items = std::get<VelmoraCommerceDetail>(*result).lineItems;
        if (c.parsed) {
            ASSERT_EQ(items.size(), 1u) << c.quantity;
            EXPECT_EQ(items[0].quantity, *c.parsed) << c.quantity;
        } else {
            EXPECT_TRUE(items.empty()) << c.quantity;
        }
    }
}

TEST(CommerceResultTest, DetailDefaultsAndTracking) {
    const auto result = commerceResultFromJSON(json(R"({"kind":"order_detail","detail":{
        "order":{"reference":"o","displayNumber":"#9","createdAt":"x"},
        "lineItemsAvailability":5,"tracking":[{},"DHL",{"carrier":"DHL","trackingNumber":"JD1"},
        {"trackingNumber":"Z9","carrier":null}],"lineItems":[{"reference":"l","title":"Mug",
        "quantity":1,"variantTitle":"Blue","totalPrice":{"amount":"3","currencyCode":""}}]}})"));
    ASSERT_TRUE(result);
    const auto& detail = std::get<VelmoraCommerceDetail>(*result);
    EXPECT_EQ(detail.lineItemsAvailability, "unavailable");
    EXPECT_EQ(detail.trackingAvailability, "unavailable");
    ASSERT_EQ(detail.tracking.size(), 3u);
    EXPECT_EQ(detail.tracking[0].id(), ":");
    EXPECT_EQ(detail.tracking[1].id(), "DHL:JD1");
    EXPECT_EQ(detail.tracking[2].id(), ":Z9");
    ASSERT_EQ(detail.lineItems.size(), 1u);
    EXPECT_EQ(detail.lineItems[0].variantTitle, "Blue");
    EXPECT_EQ(detail.lineItems[0].totalPrice, (VelmoraCommerceMoney{"3", ""}));
}

CommerceTextContext context(std::string locale = "en") {
    return {.locale = locale,
            .copy = fixtures::experience(locale).copy,
            .primary = {0, 0, 0, 255},
            .textScale = 1,
            .timeZoneId = "UTC"};
}

TEST(CommerceMessageModelTest, MoneyDatesStatusesAndShipments) {
    const auto c = context("de");
    const std::string unavailable = commerceText(c, "unavailable");
    ASSERT_FALSE(unavailable.empty());
    struct MoneyCase {
        std::optional<VelmoraCommerceMoney> money;
        std::string text;
    };
    for (const auto& m :
         std::vector<MoneyCase>{{VelmoraCommerceMoney{"12.50", "EUR"}, "12.50 EUR"},
                                {VelmoraCommerceMoney{"1,234.5", "UAH"}, "1,234.5 UAH"},
                                {VelmoraCommerceMoney{"12.50", ""}, unavailable},
                                {VelmoraCommerceMoney{"", "EUR"}, unavailable},
                                {std::nullopt, unavailable}})
        EXPECT_EQ(commerceMoneyText(c, m.money), m.text);

    struct DateCase {
        const char* text;
        std::string shown;
    };
    for (const auto& d : std::vector<DateCase>{{"2024-03-05T10:15:00Z", "05.03.2024"},
                                               {"2024-03-05T23:15:00-05:00", "06.03.2024"},
                                               {"2024-03-05T10:15:00.250Z", unavailable},
                                               {"2024-03-05", unavailable},
                                               {"2024-02-30T10:15:00Z", unavailable},
                                               {"9999-99-99T99:99:99Z", unavailable},
                                               {"", unavailable}})
        EXPECT_EQ(commerceDateText(c, d.text), d.shown) << d.text;

    EXPECT_EQ(financialStatusText(c, "PAID"), commerceText(c, "financial.unknown"));
    EXPECT_EQ(financialStatusText(c, "partially_refunded"),
              commerceText(c, "financial.partially_refunded"));
    EXPECT_NE(commerceText(c, "financial.partially_refunded"),
              commerceText(c, "financial.unknown"));
    EXPECT_EQ(fulfillmentStatusText(c, "shipped"), commerceText(c, "fulfillment.unknown"));

    EXPECT_EQ(shipmentText(c, {"DHL", "JD1"}), "DHL \u00B7 JD1");
    EXPECT_EQ(shipmentText(c, {std::nullopt, "JD1"}), "JD1");
    EXPECT_EQ(shipmentText(c, {"", ""}), commerceText(c, "trackingPending"));
}

TEST(CommerceMessageModelTest, TextsComeFromTheCatalogueThenTheCopyTable) {
    auto c = context("en");
    const auto quantity = commerceText(c, "quantity", {{"count", "3"}});
    EXPECT_NE(quantity.find('3'), std::string::npos);
    EXPECT_EQ(quantity.find("{count}"), std::string::npos);
    // A locale without catalogue texts falls back to the copy table, placeholders as written.
    c.locale = "xx";
    c.copy = decodeJSON<VelmoraWidgetCopy>(
        R"({"values":{"commerce.quantity":"Qty {count}","commerce.orders":"Orders"}})");
    EXPECT_EQ(commerceText(c, "quantity", {{"count", "3"}}), "Qty {count}");
    EXPECT_EQ(commerceText(c, "orders"), "Orders");
    EXPECT_EQ(commerceText(c, "noOrders"), "");
}

std::vector<std::string> texts(const CommerceMessageModel& model) {
    std::vector<std::string> out;
    for (const auto& block : model.blocks) {
        for (const auto& text : block.texts)
            out.push_back(text.text);
        if (block.trailing)
            out.push_back(block.trailing->text);
    }
    return out;
}

TEST(CommerceMessageModelTest, EachKindDrawsItsSections) {
    const auto c = context("en");
    const auto t = [&](const char* key) { return commerceText(c, key); };
    EXPECT_TRUE(commerceMessageModel(json("[]"), c).blocks.empty());
    EXPECT_EQ(texts(commerceMessageModel(json(R"({"kind":"order_store_selection","stores":[
                  {"reference":"a","displayName":"Alpha"},{"reference":"b"}]})"),
                                         c)),
              (std::vector<std::string>{t("chooseStore"), "Alpha", t("storeUnknown")}));
    EXPECT_EQ(texts(commerceMessageModel(
                  json(R"({"kind":"order_collection","collection":{"source":{"storeDisplayName":
                      "Demo"}}})"),
                  c)),
              (std::vector<std::string>{t("orders"), "Demo", t("noOrders")}));

    const auto detail = commerceMessageModel(json(R"({"kind":"order_detail","detail":{
        "order":{"reference":"o","displayNumber":"#9","createdAt":"2024-03-05T10:15:00Z",
        "cancelledAt":"2024-03-06T10:15:00Z","total":{"amount":"12.50","currencyCode":"EUR"},
        "financialStatus":"paid","fulfillmentStatus":"fulfilled"},
        "lineItemsAvailability":"available","trackingAvailability":"available"}})"),
                                             c);
    const auto shown = texts(detail);
    const std::vector<std::string> expected = {
        "#9",
        t("orderedOn") + " Mar 5, 2024",
        "12.50 EUR",
        t("paymentStatus") + ": " + t("financial.paid"),
        t("deliveryStatus") + ": " + t("fulfillment.fulfilled"),
        t("cancelledOn") + " Mar 6, 2024",
        t("noItems"),
    };
    EXPECT_EQ(shown, expected); // no tracking section when tracking was available
    EXPECT_EQ(std::find(shown.begin(), shown.end(), "o"), shown.end()); // references never show

    const auto unavailable = texts(commerceMessageModel(
        json(detailWith(
            R"({"reference":"l","title":"Mug","quantity":3}],"lineItemsAvailability":"no","x":[)")),
        c));
    EXPECT_EQ(unavailable.back(), t("trackingUnavailable"));
    EXPECT_NE(std::find(unavailable.begin(), unavailable.end(), "Mug"), unavailable.end());
}

} // namespace
} // namespace velmora
