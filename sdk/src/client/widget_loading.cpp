#include "client/client_core.hpp"

#include "detail/url.hpp"
#include "detail/widget_configuration_response.hpp"
#include "velmora/widget_content_validation.hpp"

namespace velmora::detail {
namespace {

template <class Decode>
auto decodeOrShapeError(const VelmoraHTTPResponse& response, Decode decode) {
    try {
        return decode(std::string_view(reinterpret_cast<const char*>(response.body.data()),
                                       response.body.size()));
    } catch (const VelmoraDecodingError&) {
        throw VelmoraError(VelmoraErrorCode::http, response.statusCode, std::nullopt,
                           "Velmora returned an invalid response shape.");
    }
}

VelmoraError rejected(std::string_view what) {
    return VelmoraError(VelmoraErrorCode::http, std::nullopt, std::nullopt,
                        std::string(what) + " was rejected.");
}

} // namespace

ClientCore::Task<JSONValue::Object> ClientCore::loadWidgetAppearance() {
    PipelineRequest request;
    request.path = widgetPath("/api/widget/v1/config");
    auto raw = co_await requestRaw(std::move(request));
    auto response = decodeOrShapeError(
        raw, [](std::string_view body) { return decodeWidgetAppearanceResponse(body); });
    if (!response.ok)
        throw rejected("Widget configuration");
    auto& config = response.config;
    automaticAiAvailable_ = (config.aiMode == "automatic-allowed" || config.aiMode == "ai-only") &&
                            config.availability.snapshot.aiAvailable;
    widgetChannels_ = config.channels;
    widgetNavigation_ = config.navigation;
    widgetAvailability_ = config.availability;
    widgetVoiceSettings_ = config.voice;
    widgetWorkspacePublicName_ = config.workspacePublicName;
    auto appearance = config.appearance;
    appearance.insert_or_assign("mode", JSONValue(std::string(rawValue(config.theme.colorMode))));
    co_return appearance;
}

ClientCore::Task<VelmoraWidgetContentSnapshot> ClientCore::loadWidgetContent() {
    const std::int64_t recorded = contentGeneration_;
    PipelineRequest request;
    request.path = widgetPath("/api/widget/v1/content") +
                   "&locale=" + percentEncodeQueryValue(configuration_.locale());
    request.requestContentGeneration = recorded;
    auto raw = co_await requestRaw(std::move(request));
    if (recorded != contentGeneration_) {
        throw VelmoraError(VelmoraErrorCode::sessionExpired, std::nullopt, std::nullopt,
                           "Widget content changed while loading.");
    }
    auto response = decodeOrShapeError(
        raw, [](std::string_view body) { return decodeJSON<VelmoraWidgetContentResponse>(body); });
    if (!response.ok || response.locale != configuration_.locale()) {
        throw rejected("Widget content");
    }
    auto content = VelmoraWidgetContentValidation::validate(response, configuration_.locale());
    widgetContent_ = content;
    co_return content;
}

} // namespace velmora::detail
