#include "views/commerce_result_model.hpp"

#include <cmath>

namespace velmora::detail {

namespace {

const JSONValue* member(const JSONValue::Object& object, const char* key) {
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &found->second;
}

const std::string* stringAt(const JSONValue::Object& object, const char* key) {
    const auto* value = member(object, key);
    return value ? value->ifString() : nullptr;
}

std::optional<std::string> optionalString(const JSONValue::Object& object, const char* key) {
    if (const auto* text = stringAt(object, key))
        return *text;
    return std::nullopt;
}

std::optional<std::string> sourceStoreName(const JSONValue::Object& object) {
    if (const auto* source = member(object, "source"))
        if (const auto* fields = source->ifObject())
            return optionalString(*fields, "storeDisplayName");
    return std::nullopt;
}

// A quantity: finite, whole, at least 1 and within the 64-bit range. The range is checked on
// the double before converting it: 2^63 itself does not fit.
std::optional<std::int64_t> positiveWholeNumber(const JSONValue* value) {
    const double* number = value ? value->ifNumber() : nullptr;
    if (!number || !std::isfinite(*number) || std::round(*number) != *number || *number < 1 ||
        *number >= 9223372036854775808.0)
        return std::nullopt;
    return static_cast<std::int64_t>(*number);
}

template <class T, class Parse>
std::vector<T> parsedElements(const JSONValue::Object& object, const char* key, Parse parse) {
    std::vector<T> result;
    if (const auto* value = member(object, key))
        if (const auto* array = value->ifArray())
            for (const auto& element : *array)
                if (auto parsed = parse(element))
                    result.push_back(std::move(*parsed));
    return result;
}

} // namespace

std::optional<VelmoraCommerceMoney> VelmoraCommerceMoney::fromJSON(const JSONValue* json) {
    const auto* object = json ? json->ifObject() : nullptr;
    if (!object)
        return std::nullopt;
    const auto* amount = stringAt(*object, "amount");
    const auto* currency = stringAt(*object, "currencyCode");
    if (!amount || !currency)
        return std::nullopt;
    return VelmoraCommerceMoney{*amount, *currency};
}

std::optional<VelmoraCommerceOrder> VelmoraCommerceOrder::fromJSON(const JSONValue& json) {
    const auto* object = json.ifObject();
    if (!object)
        return std::nullopt;
    const auto* reference = stringAt(*object, "reference");
    const auto* displayNumber = stringAt(*object, "displayNumber");
    const auto* createdAt = stringAt(*object, "createdAt");
    if (!reference || !displayNumber || !createdAt)
        return std::nullopt;
    VelmoraCommerceOrder order;
    order.reference = *reference;
    order.displayNumber = *displayNumber;
    order.createdAt = *createdAt;
    order.cancelledAt = optionalString(*object, "cancelledAt");
    order.total = VelmoraCommerceMoney::fromJSON(member(*object, "total"));
    order.financialStatus = optionalString(*object, "financialStatus").value_or("unknown");
    order.fulfillmentStatus = optionalString(*object, "fulfillmentStatus").value_or("unknown");
    return order;
}

std::optional<VelmoraCommerceLineItem> VelmoraCommerceLineItem::fromJSON(const JSONValue& json) {
    const auto* object = json.ifObject();
    if (!object)
        return std::nullopt;
    const auto* reference = stringAt(*object, "reference");
    const auto* title = stringAt(*object, "title");
    const auto quantity = positiveWholeNumber(member(*object, "quantity"));
    if (!reference || !title || !quantity)
        return std::nullopt;
    return VelmoraCommerceLineItem{*reference, *title, optionalString(*object, "variantTitle"),
                                   *quantity,
                                   VelmoraCommerceMoney::fromJSON(member(*object, "totalPrice"))};
}

std::string VelmoraCommerceTracking::id() const {
    return carrier.value_or("") + ":" + trackingNumber.value_or("");
}

VelmoraCommerceCollection VelmoraCommerceCollection::fromJSON(const JSONValue::Object& json) {
    return {sourceStoreName(json),
            parsedElements<VelmoraCommerceOrder>(json, "orders", VelmoraCommerceOrder::fromJSON)};
}

std::optional<VelmoraCommerceDetail>
VelmoraCommerceDetail::fromJSON(const JSONValue::Object& json) {
    const auto* orderJSON = member(json, "order");
    auto order = orderJSON ? VelmoraCommerceOrder::fromJSON(*orderJSON) : std::nullopt;
    if (!order)
        return std::nullopt;
    VelmoraCommerceDetail detail;
    detail.storeDisplayName = sourceStoreName(json);
    detail.order = std::move(*order);
    detail.lineItemsAvailability =
        optionalString(json, "lineItemsAvailability").value_or("unavailable");
    detail.lineItems = parsedElements<VelmoraCommerceLineItem>(json, "lineItems",
                                                               VelmoraCommerceLineItem::fromJSON);
    detail.trackingAvailability =
        optionalString(json, "trackingAvailability").value_or("unavailable");
    detail.tracking = parsedElements<VelmoraCommerceTracking>(
        json, "tracking", [](const JSONValue& element) -> std::optional<VelmoraCommerceTracking> {
            const auto* object = element.ifObject();
            if (!object)
                return std::nullopt;
            return VelmoraCommerceTracking{optionalString(*object, "carrier"),
                                           optionalString(*object, "trackingNumber")};
        });
    return detail;
}

std::optional<VelmoraCommerceResult> commerceResultFromJSON(const JSONValue& json) {
    const auto* object = json.ifObject();
    if (!object)
        return std::nullopt;
    const auto* kind = stringAt(*object, "kind");
    if (!kind)
        return std::nullopt;
    if (*kind == "order_store_selection") {
        const auto* stores = member(*object, "stores");
        if (!stores || !stores->ifArray())
            return std::nullopt;
        return VelmoraCommerceStores{parsedElements<VelmoraCommerceStore>(
            *object, "stores", [](const JSONValue& element) -> std::optional<VelmoraCommerceStore> {
                const auto* store = element.ifObject();
                const auto* reference = store ? stringAt(*store, "reference") : nullptr;
                if (!reference || reference->empty())
                    return std::nullopt;
                return VelmoraCommerceStore{*reference, optionalString(*store, "displayName")};
            })};
    }
    if (*kind == "order_collection") {
        const auto* collection = member(*object, "collection");
        if (!collection || !collection->ifObject())
            return std::nullopt;
        return VelmoraCommerceCollection::fromJSON(*collection->ifObject());
    }
    if (*kind == "order_detail") {
        const auto* detail = member(*object, "detail");
        if (!detail || !detail->ifObject())
            return std::nullopt;
        if (auto parsed = VelmoraCommerceDetail::fromJSON(*detail->ifObject()))
            return std::move(*parsed);
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace velmora::detail
