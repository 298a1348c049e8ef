#include "views/commerce_message_model.hpp"

#include "detail/date_time.hpp"
#include "velmora/procedure_locale_catalog.hpp"
#include "views/calendar_text.hpp"
#include "views/widget_view_model.hpp"

#include <algorithm>
#include <array>

namespace velmora::detail {

namespace {

constexpr std::array<std::string_view, 8> financialStatuses = {
    "pending",  "authorized", "paid",   "partially_paid", "partially_refunded",
    "refunded", "voided",     "unknown"};
constexpr std::array<std::string_view, 5> fulfillmentStatuses = {
    "unfulfilled", "partial", "fulfilled", "in_progress", "unknown"};

template <std::size_t N>
std::string statusText(const CommerceTextContext& context, const char* kind,
                       const std::array<std::string_view, N>& vocabulary,
                       const std::string& status) {
    const bool known = std::find(vocabulary.begin(), vocabulary.end(), status) != vocabulary.end();
    return commerceText(context, std::string(kind) + "." + (known ? status : "unknown"));
}

// Builds the texts of one view with the context's fonts and colours.
class Builder {
public:
    explicit Builder(const CommerceTextContext& context) : c(context) {}

    CommerceText caption(std::string text, bool secondary = false,
                         std::optional<VelmoraFontWeight> weight = std::nullopt) const {
        return make(std::move(text), VelmoraTextStyle::caption1, weight, secondary);
    }
    CommerceText footnote(std::string text, bool secondary = false,
                          std::optional<VelmoraFontWeight> weight = std::nullopt,
                          int maxLines = 0) const {
        auto t = make(std::move(text), VelmoraTextStyle::footnote, weight, secondary);
        t.maxLines = maxLines;
        return t;
    }
    CommerceText money(const std::optional<VelmoraCommerceMoney>& value) const {
        auto t = caption(commerceMoneyText(c, value));
        t.monospacedDigits = true;
        return t;
    }

    CommerceBlock block(std::vector<CommerceText> texts, double spacingBefore) {
        CommerceBlock b;
        b.texts = std::move(texts);
        b.spacingBefore = first_ ? 0 : spacingBefore;
        first_ = false;
        return b;
    }

    CommerceBlock statusLine(const VelmoraCommerceOrder& order, double spacingBefore) {
        auto b = block({caption(commerceText(c, "paymentStatus") + ": " +
                                    financialStatusText(c, order.financialStatus),
                                true),
                        caption(commerceText(c, "deliveryStatus") + ": " +
                                    fulfillmentStatusText(c, order.fulfillmentStatus),
                                true)},
                       spacingBefore);
        b.sideBySide = true;
        b.textSpacing = 8;
        return b;
    }

    const CommerceTextContext& c;

private:
    CommerceText make(std::string text, VelmoraTextStyle style,
                      std::optional<VelmoraFontWeight> weight, bool secondary) const {
        return {.text = std::move(text),
                .font = systemFontSpec(style, weight, c.textScale),
                .color = secondary ? c.primary.withOpacity(0.6) : c.primary};
    }

    bool first_ = true;
};

constexpr double bodySpacing = 8;

void addStores(Builder& b, const VelmoraCommerceStores& stores, std::vector<CommerceBlock>& out) {
    out.push_back(
        b.block({b.caption(commerceText(b.c, "chooseStore"), false, VelmoraFontWeight::semibold)},
                bodySpacing));
    for (const auto& store : stores.stores) {
        const std::string name =
            store.displayName ? *store.displayName : commerceText(b.c, "storeUnknown");
        auto row = b.block({b.footnote(name)}, bodySpacing);
        row.accessibleName = name;
        out.push_back(std::move(row));
    }
}

void addOrderRow(Builder& b, const VelmoraCommerceOrder& order, std::vector<CommerceBlock>& out) {
    auto header = b.block({b.footnote(order.displayNumber, false, VelmoraFontWeight::semibold, 2)},
                          bodySpacing);
    header.trailing = b.money(order.total);
    out.push_back(std::move(header));
    out.push_back(b.block({b.caption(commerceDateText(b.c, order.createdAt), true)}, 4));
    out.push_back(b.statusLine(order, 4));
}

void addCollection(Builder& b, const VelmoraCommerceCollection& collection,
                   std::vector<CommerceBlock>& out) {
    out.push_back(b.block(
        {b.caption(commerceText(b.c, "orders"), false, VelmoraFontWeight::semibold)}, bodySpacing));
    if (collection.storeDisplayName)
        out.push_back(b.block({b.caption(*collection.storeDisplayName, true)}, bodySpacing));
    if (collection.orders.empty()) {
        out.push_back(b.block({b.footnote(commerceText(b.c, "noOrders"), true)}, bodySpacing));
        return;
    }
    for (const auto& order : collection.orders)
        addOrderRow(b, order, out);
}

void addDetail(Builder& b, const VelmoraCommerceDetail& detail, std::vector<CommerceBlock>& out) {
    const auto& order = detail.order;
    if (detail.storeDisplayName)
        out.push_back(b.block({b.caption(*detail.storeDisplayName, true)}, bodySpacing));
    auto header = b.block(
        {b.footnote(order.displayNumber, false, VelmoraFontWeight::semibold),
         b.caption(commerceText(b.c, "orderedOn") + " " + commerceDateText(b.c, order.createdAt),
                   true)},
        bodySpacing);
    header.textSpacing = 3;
    header.trailing = b.money(order.total);
    out.push_back(std::move(header));
    out.push_back(b.statusLine(order, bodySpacing));
    if (order.cancelledAt)
        out.push_back(b.block({b.caption(commerceText(b.c, "cancelledOn") + " " +
                                             commerceDateText(b.c, *order.cancelledAt),
                                         true)},
                              bodySpacing));

    if (!detail.lineItems.empty()) {
        auto heading =
            b.block({b.caption(commerceText(b.c, "items"), false, VelmoraFontWeight::semibold)},
                    bodySpacing + 6);
        heading.dividerAbove = true;
        out.push_back(std::move(heading));
        for (const auto& item : detail.lineItems) {
            std::vector<CommerceText> texts{
                b.footnote(item.title, false, VelmoraFontWeight::medium, 2)};
            if (item.variantTitle && !item.variantTitle->empty())
                texts.push_back(b.caption(*item.variantTitle, true));
            texts.push_back(b.caption(
                commerceText(b.c, "quantity", {{"count", std::to_string(item.quantity)}}), true));
            auto row = b.block(std::move(texts), 6);
            row.textSpacing = 2;
            row.parcelIcon = true;
            if (item.totalPrice)
                row.trailing = b.money(item.totalPrice);
            out.push_back(std::move(row));
        }
    } else {
        out.push_back(
            b.block({b.caption(commerceText(b.c, detail.lineItemsAvailability == "available"
                                                     ? "noItems"
                                                     : "itemsUnavailable"),
                               true)},
                    bodySpacing + 6));
    }

    if (!detail.tracking.empty()) {
        auto heading =
            b.block({b.caption(commerceText(b.c, "tracking"), false, VelmoraFontWeight::semibold)},
                    bodySpacing + 6);
        heading.dividerAbove = true;
        out.push_back(std::move(heading));
        for (const auto& shipment : detail.tracking)
            out.push_back(b.block({b.caption(shipmentText(b.c, shipment))}, 4));
    } else if (detail.trackingAvailability != "available") {
        out.push_back(
            b.block({b.caption(commerceText(b.c, "trackingUnavailable"), true)}, bodySpacing + 6));
    }
}

} // namespace

std::string commerceText(const CommerceTextContext& context, std::string_view key,
                         const std::map<std::string, std::string>& parameters) {
    const std::string fullKey = "commerce." + std::string(key);
    if (auto text = WidgetProcedureLocaleCatalog::message(context.locale, fullKey, parameters,
                                                          std::nullopt))
        return std::move(*text);
    return copyText(context.copy, {fullKey});
}

std::string commerceMoneyText(const CommerceTextContext& context,
                              const std::optional<VelmoraCommerceMoney>& money) {
    if (!money || money->amount.empty() || money->currencyCode.empty())
        return commerceText(context, "unavailable");
    return money->amount + " " + money->currencyCode;
}

std::string commerceDateText(const CommerceTextContext& context, std::string_view isoText) {
    if (const auto instant = parseInternetDateTime(isoText, false))
        if (auto text = mediumDate(context.locale, *instant, context.timeZoneId))
            return std::move(*text);
    return commerceText(context, "unavailable");
}

std::string financialStatusText(const CommerceTextContext& context, const std::string& status) {
    return statusText(context, "financial", financialStatuses, status);
}

std::string fulfillmentStatusText(const CommerceTextContext& context, const std::string& status) {
    return statusText(context, "fulfillment", fulfillmentStatuses, status);
}

std::string shipmentText(const CommerceTextContext& context,
                         const VelmoraCommerceTracking& tracking) {
    std::string text;
    for (const auto& part : {tracking.carrier, tracking.trackingNumber}) {
        if (!part || part->empty())
            continue;
        if (!text.empty())
            text += " \u00B7 ";
        text += *part;
    }
    return text.empty() ? commerceText(context, "trackingPending") : text;
}

CommerceMessageModel commerceMessageModel(const JSONValue& result,
                                          const CommerceTextContext& context) {
    CommerceMessageModel model;
    const auto parsed = commerceResultFromJSON(result);
    if (!parsed)
        return model;
    Builder builder(context);
    std::visit(
        [&](const auto& value) {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, VelmoraCommerceStores>)
                addStores(builder, value, model.blocks);
            else if constexpr (std::is_same_v<T, VelmoraCommerceCollection>)
                addCollection(builder, value, model.blocks);
            else
                addDetail(builder, value, model.blocks);
        },
        *parsed);
    return model;
}

} // namespace velmora::detail
