#pragma once

#include "detail/json_codec.hpp"
#include "velmora/widget_content.hpp"

namespace velmora::detail {

template <> struct Codec<VelmoraWidgetContentPrefill> {
    static VelmoraWidgetContentPrefill decode(const json::value& v, const std::string& path);
};
template <> struct Codec<VelmoraWidgetContentFAQ> {
    static VelmoraWidgetContentFAQ decode(const json::value& v, const std::string& path);
};
template <> struct Codec<VelmoraWidgetContentWorkflowOption> {
    static VelmoraWidgetContentWorkflowOption decode(const json::value& v, const std::string& path);
};
template <> struct Codec<VelmoraWidgetContentWorkflowStep> {
    static VelmoraWidgetContentWorkflowStep decode(const json::value& v, const std::string& path);
};
template <> struct Codec<VelmoraWidgetContentWorkflow> {
    static VelmoraWidgetContentWorkflow decode(const json::value& v, const std::string& path);
};
template <> struct Codec<VelmoraWidgetContentBehavior> {
    static VelmoraWidgetContentBehavior decode(const json::value& v, const std::string& path);
};
template <> struct Codec<VelmoraWidgetContentResponse> {
    static VelmoraWidgetContentResponse decode(const json::value& v, const std::string& path);
};

} // namespace velmora::detail
