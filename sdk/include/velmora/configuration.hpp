#pragma once

#include <boost/asio/awaitable.hpp>

#include <functional>
#include <optional>
#include <string>

namespace velmora {

/// Produces the authorization token for one request. Called from the client's own task before
/// each request, so it must be safe to call from any thread; it may fail by throwing.
using VelmoraCredentialProvider = std::function<boost::asio::awaitable<std::string>()>;

/// What the host tells the client about the service and the user. Checked once when built and
/// never changed afterwards, so a client only ever talks to an HTTPS origin (or plain HTTP on
/// "localhost"), with real identifiers and a sane polling interval.
class VelmoraConfiguration {
public:
    /// Throws `VelmoraError` (`invalidConfig`) for the first check that fails, in this order:
    /// the origin's scheme and host; its other parts (credentials, path, query, fragment);
    /// `integrationId` and `accountScope` being blank; `pollInterval` outside 0.25...30 seconds.
    /// Every argument is kept exactly as given: the identifiers are tested trimmed but stored
    /// untrimmed, and `locale` and `turnstileToken` are not checked.
    VelmoraConfiguration(std::string apiOrigin, std::string integrationId, std::string accountScope,
                         std::string locale, std::optional<std::string> turnstileToken,
                         VelmoraCredentialProvider credentialProvider, double pollInterval);

    /// The service origin every widget request goes under, e.g. "https://support.example.com".
    const std::string& apiOrigin() const noexcept { return apiOrigin_; }
    /// The widget integration, sent as the "integration" query value.
    const std::string& integrationId() const noexcept { return integrationId_; }
    /// The key under which this user's durable state is kept in the stores.
    const std::string& accountScope() const noexcept { return accountScope_; }
    /// The user's language tag, sent with requests.
    const std::string& locale() const noexcept { return locale_; }
    /// The anti-bot token sent when an input carries none of its own.
    const std::optional<std::string>& turnstileToken() const noexcept { return turnstileToken_; }
    const VelmoraCredentialProvider& credentialProvider() const noexcept {
        return credentialProvider_;
    }
    /// Seconds between re-reads of the conversation while waiting for a reply.
    double pollInterval() const noexcept { return pollInterval_; }

private:
    std::string apiOrigin_;
    std::string integrationId_;
    std::string accountScope_;
    std::string locale_;
    std::optional<std::string> turnstileToken_;
    VelmoraCredentialProvider credentialProvider_;
    double pollInterval_;
};

} // namespace velmora
