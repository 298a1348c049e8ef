// The design document: the service's appearance (input up to the first NUL) merged with a
// bridged host's options (the rest, as JSON), checked, written, then decoded and resolved with
// the locale's copy, as presenting through the bridge does. The service's appearance is also
// read on its own as a whole design profile. Refusals are `VelmoraError`s or decoding errors.
#include "detail/json.hpp"
#include "fuzz_support.hpp"
#include "host_values.hpp"
#include "hosting/bridge_configuration.hpp"
#include "velmora/decoding_error.hpp"
#include "velmora/error.hpp"
#include "velmora/ui/widget_locale_catalog.hpp"
#include "velmora/widget_experience.hpp"

using namespace velmora;

namespace {

void resolve(const Data& design, const std::string& locale, bool reduceMotion) {
    try {
        (void)VelmoraWidgetExperience::decodeAndResolve(design, VelmoraWidgetPlatform::ios,
                                                        reduceMotion,
                                                        VelmoraWidgetLocaleCatalog::copy(locale));
    } catch (const VelmoraError&) {
    } catch (const VelmoraDecodingError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = fuzz::parts(fuzz::asText(data, size), 2);
    resolve(Data(input[0].begin(), input[0].end()), "en", false);

    JSONValue backend;
    try {
        backend = decodeJSON<JSONValue>(input[0]);
    } catch (const VelmoraDecodingError&) {
        return 0;
    }
    if (!backend.ifObject()) {
        return 0;
    }
    const auto dictionary = fuzz::hostDictionary(input[1].empty() ? "{}" : input[1]);
    if (!dictionary) {
        return 0;
    }
    try {
        const auto options = VelmoraWidgetBridgeConfiguration::decodeNativeOptions(*dictionary);
        const auto document =
            VelmoraWidgetBridgeConfiguration::experienceData(*backend.ifObject(), options);
        resolve(document.data, document.locale, options.reduceMotion.value_or(false));
    } catch (const VelmoraError&) {
    }
    return 0;
}
