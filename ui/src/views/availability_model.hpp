#pragma once

#include "velmora/widget_configuration.hpp"
#include "views/widget_view_model.hpp"

#include <optional>
#include <string>

namespace velmora::detail {

/// The catalogue key of the duration phrase for an expected reply of `minutes`; nothing for no
/// value, 0 or less.
std::optional<std::string> availabilityDurationKey(std::optional<std::int64_t> minutes);

/// Who is answering now, in the locale's words (empty when the catalogue has no text).
std::string availabilityMessage(const VelmoraWidgetAvailability& availability,
                                const std::string& locale);
/// How soon a reply comes, in the locale's words, the duration phrase filled in.
std::string availabilityReply(const VelmoraWidgetAvailability& availability,
                              const std::string& locale);
/// The status dot's colour: green for the team, the accent for the assistant, orange when busy,
/// muted when offline.
VelmoraColor availabilityColor(VelmoraWidgetAvailabilityState state, const PanelContext& context);

struct AvailabilityCardModel {
    std::string identifier = "velmora.widget.home.availability";
    std::string status;
    std::string reply;
    std::string accessibleName;
    VelmoraColor dot;
    VelmoraFontSpec statusFont;
    VelmoraFontSpec replyFont;
    VelmoraColor statusColor;
    VelmoraColor replyColor;
    VelmoraColor background;
    VelmoraColor border;
    double spacing = 4;
    double dotSpacing = 8;
    friend bool operator==(const AvailabilityCardModel&, const AvailabilityCardModel&) = default;
};

/// The card, or nothing without availability or when the widget hides it.
std::optional<AvailabilityCardModel>
availabilityCardModel(const std::optional<VelmoraWidgetAvailability>& availability,
                      const PanelContext& context);

} // namespace velmora::detail
