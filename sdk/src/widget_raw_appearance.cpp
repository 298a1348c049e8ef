#include "velmora/widget_raw_appearance.hpp"

#include "detail/widget_codecs.hpp"

namespace velmora {

VELMORA_DEFINE_JSON_CODING(VelmoraWidgetRawPalette)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetRawAppearanceV2::Tokens)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetRawAppearanceV2::Layout)
VELMORA_DEFINE_JSON_CODING(VelmoraWidgetRawAppearanceV2)

} // namespace velmora
