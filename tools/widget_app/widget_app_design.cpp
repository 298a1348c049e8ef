#include "widget_app_design.hpp"

#include "hosting/bridge_configuration.hpp"
#include "velmora/client.hpp"
#include "velmora/ui/widget_locale_catalog.hpp"

#include <boost/asio/use_future.hpp>

namespace velmora::widget_app {

namespace {

VelmoraWidgetExperience resolve(const JSONValue::Object& appearance, const std::string& locale) {
    VelmoraNativeWidgetOptionValues options;
    options.locale = locale;
    const auto document = VelmoraWidgetBridgeConfiguration::experienceData(appearance, options);
    return VelmoraWidgetExperience::decodeAndResolve(
        document.data, VelmoraWidgetPlatform::ios, false,
        VelmoraWidgetLocaleCatalog::copy(document.locale));
}

} // namespace

VelmoraWidgetExperience loadWidgetAppExperience(VelmoraClient& client, const std::string& locale,
                                                std::ostream& err) {
    // Checked first: a locale without texts is the user's mistake, not the service's.
    VelmoraWidgetLocaleCatalog::copy(locale);
    try {
        const JSONValue::Object appearance =
            client.loadWidgetAppearance(boost::asio::use_future).get();
        return resolve(appearance, locale);
    } catch (const VelmoraError& error) {
        err << "warning: the service's design is not used (" << rawValue(error.code()) << ": "
            << error.what() << "); showing the default design" << std::endl;
    } catch (const std::exception& error) {
        // A design whose values do not decode (a number where a length belongs).
        err << "warning: the service's design is not used (" << error.what()
            << "); showing the default design" << std::endl;
    }
    return resolve({}, locale);
}

} // namespace velmora::widget_app
