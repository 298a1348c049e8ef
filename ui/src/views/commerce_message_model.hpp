#pragma once

#include "platform/color.hpp"
#include "platform/font_spec.hpp"
#include "velmora/json_value.hpp"
#include "velmora/widget_copy.hpp"
#include "views/commerce_result_model.hpp"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::detail {

/// One text of the commerce view and how it is drawn.
struct CommerceText {
    std::string text;
    VelmoraFontSpec font;
    VelmoraColor color;
    bool monospacedDigits = false;
    /// 0 for no limit.
    int maxLines = 0;
    friend bool operator==(const CommerceText&, const CommerceText&) = default;
};

/// One line of the view: texts stacked (or side by side), an optional amount at the trailing
/// edge, an optional parcel icon at the leading one.
struct CommerceBlock {
    std::vector<CommerceText> texts;
    /// The texts sit side by side (the status line) rather than stacked.
    bool sideBySide = false;
    double textSpacing = 0;
    std::optional<CommerceText> trailing;
    bool parcelIcon = false;
    /// A separator line above the block (it opens a section).
    bool dividerAbove = false;
    /// Space above the block: the spacing to the previous block plus any section padding.
    double spacingBefore = 0;
    std::string accessibleName;
    friend bool operator==(const CommerceBlock&, const CommerceBlock&) = default;
};

/// What the commerce view draws: nothing at all when the result does not parse.
struct CommerceMessageModel {
    std::vector<CommerceBlock> blocks;
    friend bool operator==(const CommerceMessageModel&, const CommerceMessageModel&) = default;
};

/// Where the commerce texts come from and how they are drawn.
struct CommerceTextContext {
    std::string locale;
    VelmoraWidgetCopy copy;
    /// The text colour of the surroundings; secondary texts take it at reduced opacity.
    VelmoraColor primary;
    double textScale = 1;
    /// The zone dates are shown in; the device's when absent.
    std::optional<std::string> timeZoneId;
};

/// The text of "commerce.<key>": the procedure texts of the locale (placeholders filled), else
/// the copy table's text as written, else empty.
std::string commerceText(const CommerceTextContext& context, std::string_view key,
                         const std::map<std::string, std::string>& parameters = {});

/// "<amount> <currency code>" exactly as received, or the "unavailable" text when either is
/// missing or empty. Never localised.
std::string commerceMoneyText(const CommerceTextContext& context,
                              const std::optional<VelmoraCommerceMoney>& money);

/// An internet date-time without fractional seconds as the locale's medium date, or the
/// "unavailable" text.
std::string commerceDateText(const CommerceTextContext& context, std::string_view isoText);

/// The payment and delivery status texts ("unknown" for values outside their vocabularies).
std::string financialStatusText(const CommerceTextContext& context, const std::string& status);
std::string fulfillmentStatusText(const CommerceTextContext& context, const std::string& status);

/// "<carrier> · <number>", parts only when present and non-empty, else "trackingPending".
std::string shipmentText(const CommerceTextContext& context,
                         const VelmoraCommerceTracking& tracking);

CommerceMessageModel commerceMessageModel(const JSONValue& result,
                                          const CommerceTextContext& context);

} // namespace velmora::detail
