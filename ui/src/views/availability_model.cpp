#include "views/availability_model.hpp"

#include "velmora/procedure_locale_catalog.hpp"

#include <algorithm>

namespace velmora::detail {

namespace {

std::string catalogueText(const std::string& locale, const std::string& key,
                          const std::map<std::string, std::string>& parameters = {}) {
    return WidgetProcedureLocaleCatalog::message(locale, key, parameters, std::nullopt)
        .value_or(std::string());
}

} // namespace

std::optional<std::string> availabilityDurationKey(std::optional<std::int64_t> minutes) {
    if (!minutes || *minutes < 1)
        return std::nullopt;
    const std::int64_t m = *minutes;
    if (m <= 5)
        return "availability.duration.fewMinutes";
    if (m <= 15)
        return "availability.duration.15Minutes";
    if (m <= 30)
        return "availability.duration.30Minutes";
    if (m <= 60)
        return "availability.duration.oneHour";
    if (m <= 240)
        return "availability.duration.fewHours";
    if (m <= 1440)
        return "availability.duration.oneBusinessDay";
    return "availability.duration.severalBusinessDays";
}

std::string availabilityMessage(const VelmoraWidgetAvailability& availability,
                                const std::string& locale) {
    const auto& keys = availability.messageKeys;
    switch (availability.snapshot.state) {
    case VelmoraWidgetAvailabilityState::teamOnline:
        return catalogueText(locale, keys.teamOnline);
    case VelmoraWidgetAvailabilityState::aiOnline:
        return catalogueText(locale, keys.aiOnline);
    case VelmoraWidgetAvailabilityState::busy:
        return catalogueText(locale, keys.busy);
    case VelmoraWidgetAvailabilityState::offline:
        break;
    }
    return catalogueText(locale, keys.offline);
}

std::string availabilityReply(const VelmoraWidgetAvailability& availability,
                              const std::string& locale) {
    const auto& keys = availability.messageKeys;
    const auto durationKey = availabilityDurationKey(availability.snapshot.expectedReplyMinutes);
    if (!durationKey)
        return catalogueText(locale, keys.replyUnknown);
    const std::string duration = catalogueText(locale, *durationKey);
    const bool sla =
        availability.snapshot.expectedReplySource == VelmoraWidgetReplyExpectationSource::sla;
    const std::string* key = nullptr;
    switch (availability.snapshot.state) {
    case VelmoraWidgetAvailabilityState::teamOnline:
        key = sla ? &keys.replyTeamSla : &keys.replyTeam;
        break;
    case VelmoraWidgetAvailabilityState::aiOnline:
        key = sla ? &keys.replyAiSla : &keys.replyAi;
        break;
    case VelmoraWidgetAvailabilityState::busy:
        key = sla ? &keys.replyBusySla : &keys.replyBusy;
        break;
    case VelmoraWidgetAvailabilityState::offline:
        key = sla ? &keys.replyOfflineSla : &keys.replyOffline;
        break;
    }
    return catalogueText(locale, *key, {{"time", duration}});
}

VelmoraColor availabilityColor(VelmoraWidgetAvailabilityState state, const PanelContext& context) {
    switch (state) {
    case VelmoraWidgetAvailabilityState::teamOnline:
        return systemGreen(context.dark);
    case VelmoraWidgetAvailabilityState::aiOnline:
        return context.color(&VelmoraWidgetPalette::accent);
    case VelmoraWidgetAvailabilityState::busy:
        return systemOrange(context.dark);
    case VelmoraWidgetAvailabilityState::offline:
        break;
    }
    return context.color(&VelmoraWidgetPalette::mutedText);
}

std::optional<AvailabilityCardModel>
availabilityCardModel(const std::optional<VelmoraWidgetAvailability>& availability,
                      const PanelContext& context) {
    if (!availability || !availability->showAgentAvailability)
        return std::nullopt;
    const auto& appearance = context.appearance();
    const double base = appearance.typography.fontSizePx;
    const std::string& locale = context.experience.locale;
    AvailabilityCardModel model;
    model.status = availabilityMessage(*availability, locale);
    model.reply = availabilityReply(*availability, locale);
    model.accessibleName = model.status + " " + model.reply;
    model.dot = availabilityColor(availability->snapshot.state, context);
    model.statusFont =
        context.font(std::max(base - 2, 12.0), VelmoraTextStyle::body, VelmoraFontWeight::semibold);
    model.replyFont = context.font(std::max(base - 4, 11.0), VelmoraTextStyle::footnote);
    model.statusColor = context.color(&VelmoraWidgetPalette::text);
    model.replyColor = context.color(&VelmoraWidgetPalette::mutedText);
    model.background = context.color(&VelmoraWidgetPalette::raisedSurface);
    model.border = context.color(&VelmoraWidgetPalette::border).withOpacity(0.35);
    model.spacing = appearance.spacing.xsPx;
    model.dotSpacing = appearance.spacing.smPx;
    return model;
}

} // namespace velmora::detail
