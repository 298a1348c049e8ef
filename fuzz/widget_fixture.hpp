#pragma once

// The default design resolved for "en", built once: what the view models read their fonts,
// colours and copy from.

#include "velmora/ui/widget_locale_catalog.hpp"
#include "velmora/widget_experience.hpp"
#include "views/widget_view_model.hpp"

namespace velmora::fuzz {

inline const VelmoraWidgetExperience& defaultExperience() {
    static const VelmoraWidgetExperience experience = [] {
        VelmoraWidgetExperienceInput input;
        input.schemaVersion = 2;
        input.locale = "en";
        return VelmoraWidgetExperience::resolve(input, VelmoraWidgetPlatform::ios, false,
                                                VelmoraWidgetLocaleCatalog::copy("en"));
    }();
    return experience;
}

inline detail::PanelContext panelContext() {
    return detail::PanelContext{defaultExperience()};
}

} // namespace velmora::fuzz
