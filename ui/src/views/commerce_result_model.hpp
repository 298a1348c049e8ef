#pragma once

#include "velmora/json_value.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// The commerce result a message may carry (its orders, a store choice or one order in detail),
// parsed for the commerce view. Strict about the envelope and identifying fields, lenient about
// the rest: an invalid element of a list is dropped, an optional field of the wrong kind is
// absent. Texts (amounts, dates, statuses) stay as the service wrote them.
namespace velmora::detail {

struct VelmoraCommerceMoney {
    /// Exactly as written; never read as a number.
    std::string amount;
    std::string currencyCode;
    /// Both texts must be strings; nothing otherwise (also for a missing value).
    static std::optional<VelmoraCommerceMoney> fromJSON(const JSONValue* json);
    friend bool operator==(const VelmoraCommerceMoney&, const VelmoraCommerceMoney&) = default;
};

struct VelmoraCommerceStore {
    /// Never empty.
    std::string reference;
    std::optional<std::string> displayName;
    friend bool operator==(const VelmoraCommerceStore&, const VelmoraCommerceStore&) = default;
};

struct VelmoraCommerceOrder {
    std::string reference;
    std::string displayNumber;
    std::string createdAt;
    std::optional<std::string> cancelledAt;
    std::optional<VelmoraCommerceMoney> total;
    std::string financialStatus = "unknown";
    std::string fulfillmentStatus = "unknown";
    static std::optional<VelmoraCommerceOrder> fromJSON(const JSONValue& json);
    friend bool operator==(const VelmoraCommerceOrder&, const VelmoraCommerceOrder&) = default;
};

struct VelmoraCommerceLineItem {
    std::string reference;
    std::string title;
    std::optional<std::string> variantTitle;
    /// At least 1.
    std::int64_t quantity = 1;
    std::optional<VelmoraCommerceMoney> totalPrice;
    /// Nothing unless the quantity is a whole number from 1 to 2^63 - 1.
    static std::optional<VelmoraCommerceLineItem> fromJSON(const JSONValue& json);
    friend bool operator==(const VelmoraCommerceLineItem&,
                           const VelmoraCommerceLineItem&) = default;
};

struct VelmoraCommerceTracking {
    std::optional<std::string> carrier;
    std::optional<std::string> trackingNumber;
    /// "<carrier>:<tracking number>", absent parts empty.
    std::string id() const;
    friend bool operator==(const VelmoraCommerceTracking&,
                           const VelmoraCommerceTracking&) = default;
};

struct VelmoraCommerceCollection {
    std::optional<std::string> storeDisplayName;
    std::vector<VelmoraCommerceOrder> orders;
    static VelmoraCommerceCollection fromJSON(const JSONValue::Object& json);
    friend bool operator==(const VelmoraCommerceCollection&,
                           const VelmoraCommerceCollection&) = default;
};

struct VelmoraCommerceDetail {
    std::optional<std::string> storeDisplayName;
    VelmoraCommerceOrder order;
    std::string lineItemsAvailability = "unavailable";
    std::vector<VelmoraCommerceLineItem> lineItems;
    std::string trackingAvailability = "unavailable";
    std::vector<VelmoraCommerceTracking> tracking;
    /// Nothing when the order is missing or invalid.
    static std::optional<VelmoraCommerceDetail> fromJSON(const JSONValue::Object& json);
    friend bool operator==(const VelmoraCommerceDetail&, const VelmoraCommerceDetail&) = default;
};

struct VelmoraCommerceStores {
    std::vector<VelmoraCommerceStore> stores;
    friend bool operator==(const VelmoraCommerceStores&, const VelmoraCommerceStores&) = default;
};

/// A store choice, an order list or one order in detail.
using VelmoraCommerceResult =
    std::variant<VelmoraCommerceStores, VelmoraCommerceCollection, VelmoraCommerceDetail>;

/// The result of kind "order_store_selection", "order_collection" or "order_detail" (exactly),
/// or nothing when the envelope or its payload is invalid.
std::optional<VelmoraCommerceResult> commerceResultFromJSON(const JSONValue& json);

} // namespace velmora::detail
