#pragma once

#include "platform/font_spec.hpp"

#include <string>

namespace velmora::detail {

/// The busy indicator: a spinner, or the busy text itself under reduced motion. Either way
/// assistive technology reads the text, as a value that updates often.
struct ProgressLabelModel {
    bool showsText = false;
    bool showsSpinner = true;
    std::string text;
    std::string accessibleName;
    std::string objectName = "velmora.widget.loading";
    VelmoraFontSpec font;
    friend bool operator==(const ProgressLabelModel&, const ProgressLabelModel&) = default;
};

inline ProgressLabelModel progressLabelModel(std::string text, bool reduceMotion,
                                             double textScale) {
    ProgressLabelModel model;
    model.showsText = reduceMotion;
    model.showsSpinner = !reduceMotion;
    model.accessibleName = text;
    model.text = std::move(text);
    model.font = systemFontSpec(VelmoraTextStyle::footnote, std::nullopt, textScale);
    return model;
}

} // namespace velmora::detail
