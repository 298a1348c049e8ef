// A bridged host's option dictionary (as JSON), read and checked the way the bridge presenter
// does before it asks the service for anything, then merged over an empty service design and
// resolved with the locale's copy, as presenting would. Refusals are `VelmoraError`s, or a
// decoding error from the design decoder (the presenter reports that as invalid options);
// anything else escaping is a fault.
#include "fuzz_support.hpp"
#include "host_values.hpp"
#include "hosting/bridge_configuration.hpp"
#include "velmora/decoding_error.hpp"
#include "velmora/error.hpp"
#include "velmora/ui/widget_locale_catalog.hpp"
#include "velmora/widget_experience.hpp"

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto dictionary = fuzz::hostDictionary(fuzz::asText(data, size));
    if (!dictionary) {
        return 0;
    }
    try {
        const auto options = VelmoraWidgetBridgeConfiguration::decodeNativeOptions(*dictionary);
        const auto document = VelmoraWidgetBridgeConfiguration::experienceData({}, options);
        (void)VelmoraWidgetExperience::decodeAndResolve(
            document.data, VelmoraWidgetPlatform::ios, options.reduceMotion.value_or(false),
            VelmoraWidgetLocaleCatalog::copy(document.locale));
    } catch (const VelmoraError&) {
    } catch (const VelmoraDecodingError&) {
    }
    return 0;
}
