#include "velmora/configuration.hpp"

#include "detail/text.hpp"
#include "velmora/error.hpp"

#include <boost/url/parse.hpp>

#include <cmath>
#include <utility>

namespace velmora {
namespace {

[[noreturn]] void refuse(const char* message) {
    throw VelmoraError(VelmoraErrorCode::invalidConfig, std::nullopt, std::nullopt, message);
}

bool isBlank(const std::string& text) {
    return detail::text::trimmed(text).empty();
}

void checkOrigin(const std::string& apiOrigin) {
    // A fragment is not part of an absolute URI, so parse the general form: a fragment must
    // reach the second check rather than be mistaken for an unreadable origin.
    const auto parsed = boost::urls::parse_uri(apiOrigin);
    if (!parsed || !parsed->has_authority() || parsed->encoded_host().empty()) {
        refuse("apiOrigin must use HTTPS.");
    }
    const auto& url = *parsed;
    const bool https = url.scheme() == "https";
    const bool localHTTP = url.scheme() == "http" && url.encoded_host() == "localhost";
    if (!https && !localHTTP) {
        refuse("apiOrigin must use HTTPS.");
    }
    // Any userinfo is refused, a password alone or a bare "@" included: credentials in the
    // origin would ride along on every request.
    const auto path = url.encoded_path();
    if (url.has_userinfo() || url.has_query() || url.has_fragment() ||
        !(path.empty() || path == "/")) {
        refuse("apiOrigin must be an origin without credentials, path, query or fragment.");
    }
}

void checkIdentifiers(const std::string& integrationId, const std::string& accountScope) {
    // The account scope keys durable files and both travel to the service: text that is not
    // UTF-8 would make those files unreadable later, so it counts as missing.
    for (const std::string* identifier : {&integrationId, &accountScope}) {
        if (!detail::text::isValidUTF8(*identifier) || isBlank(*identifier)) {
            refuse("integrationId and accountScope are required.");
        }
    }
}

void checkPollInterval(double pollInterval) {
    if (!std::isfinite(pollInterval) || pollInterval < 0.25 || pollInterval > 30) {
        refuse("pollInterval must be between 0.25 and 30 seconds.");
    }
}

} // namespace

VelmoraConfiguration::VelmoraConfiguration(std::string apiOrigin, std::string integrationId,
                                           std::string accountScope, std::string locale,
                                           std::optional<std::string> turnstileToken,
                                           VelmoraCredentialProvider credentialProvider,
                                           double pollInterval)
    : apiOrigin_(std::move(apiOrigin)), integrationId_(std::move(integrationId)),
      accountScope_(std::move(accountScope)), locale_(std::move(locale)),
      turnstileToken_(std::move(turnstileToken)),
      credentialProvider_(std::move(credentialProvider)), pollInterval_(pollInterval) {
    checkOrigin(apiOrigin_);
    checkIdentifiers(integrationId_, accountScope_);
    checkPollInterval(pollInterval_);
}

} // namespace velmora
