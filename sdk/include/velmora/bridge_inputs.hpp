#pragma once

#include "velmora/host_value.hpp"
#include "velmora/models.hpp"

namespace velmora {

/// Strict parsers of the dictionaries a host wrapper passes for starting a session and sending
/// a message. Only key sets and types are checked here; the client checks lengths and formats
/// when it uses the input, except nesting: metadata and prefill fields deeper than the client
/// accepts (500 containers, their own dictionary counting as one) are refused here, before
/// they are converted. Every failure is a `VelmoraError` (fieldInvalid) and ends the parse.
struct VelmoraBridgeInput {
    /// The dictionary without its "config" and "widget" entries.
    static VelmoraHostDictionary operationValues(const VelmoraHostDictionary& values);

    /// Reads "message" (required text), "idempotencyKey", "prefill", "metadata", "timeZone",
    /// "turnstileToken" and "startedAt". The envelope's keys ("config", "apiOrigin",
    /// "integrationId", "accountScope", "locale", "authorizationToken", "pollIntervalMs") are
    /// accepted beside them and ignored; any other key is refused.
    static VelmoraSessionStartInput sessionStart(const VelmoraHostDictionary& values);

    /// Reads "text" (required text), "idempotencyKey", "startedAt", "metadata", "timeZone" and
    /// "turnstileToken", with the envelope's keys accepted and ignored.
    static VelmoraMessageInput message(const VelmoraHostDictionary& values);
};

} // namespace velmora
