#pragma once

// The widget content answer's codecs: most records are their fields, read by the
// described-record codec.

#include "detail/record_codec.hpp"
#include "velmora/widget_content.hpp"

#include <boost/describe/class.hpp>

namespace velmora {

BOOST_DESCRIBE_STRUCT(VelmoraWidgetContentPrefill, (), (subjectKey, messageKey, productArea))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetContentFAQ, (),
                      (id, titleKey, bodyKey, action, actionLabelKey, workflowId, prefill))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetContentWorkflow, (),
                      (id, titleKey, descriptionKey, initialStepId, steps))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetContentBehavior, (),
                      (enabled, mode, showHomeContact, showFaqFirst, faqSectionTitleKey,
                       workflowSectionTitleKey, contactFallbackLabelKey, operatorEscalationLabelKey,
                       faq, workflows))
BOOST_DESCRIBE_STRUCT(VelmoraWidgetContentResponse, (), (ok, locale, behavior, messages))

} // namespace velmora

namespace velmora::detail {

// An option's "labelValues" may be left out and then reads as empty.
template <> struct Codec<VelmoraWidgetContentWorkflowOption> {
    static VelmoraWidgetContentWorkflowOption decode(const json::value& v, const std::string& path);
};
// A step's "options" may be left out and then reads as empty.
template <> struct Codec<VelmoraWidgetContentWorkflowStep> {
    static VelmoraWidgetContentWorkflowStep decode(const json::value& v, const std::string& path);
};

} // namespace velmora::detail
