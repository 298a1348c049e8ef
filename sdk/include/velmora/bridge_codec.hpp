#pragma once

#include "velmora/events.hpp"
#include "velmora/host_value.hpp"
#include "velmora/models.hpp"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// Plain dictionaries for host wrappers of cross-platform frameworks: records and events out,
/// the host's envelope and settings in. Every reader is lenient and never fails.
struct VelmoraBridgeCodec {
    /// "sessionId", "sessionToken", and "conversationId" when present.
    static VelmoraHostDictionary session(const VelmoraSession& session);
    /// "sessionId", "status", and "messageId", "conversationId" when present.
    static VelmoraHostDictionary acceptedMessage(const VelmoraAcceptedMessage& message);
    /// The conversation with its messages (an empty array when there are none); JSON values
    /// become host values, JSON null the host's null.
    static VelmoraHostDictionary snapshot(const VelmoraSnapshot& snapshot);
    /// {"type": ...} plus the event's one payload key.
    static VelmoraHostDictionary event(const VelmoraEvent& event);

    /// The host's configuration: the dictionary under "config" when there is one, else the whole
    /// envelope. Entries whose key is not text are dropped.
    static VelmoraHostDictionary configValues(const VelmoraHostDictionary& envelope);
    /// The whole envelope, without entries whose key is not text.
    static VelmoraHostDictionary operationValues(const VelmoraHostDictionary& envelope);

    /// A whole number from 0 to 2^63 - 1 under `key`; nothing when the key is missing, -1 when
    /// the value is anything else (a boolean, a fraction, a negative number, a text...).
    static std::optional<std::int64_t> integer(const VelmoraHostDictionary& values,
                                               std::string_view key);
    /// Milliseconds under `key` as seconds; nothing when the key is missing, NaN when the value
    /// is not a number (booleans included).
    static std::optional<double> duration(const VelmoraHostDictionary& values,
                                          std::string_view key);

    /// The account scope's own outbox file, "Velmora/outbox-<scope>.json" in the per-user data
    /// directory, where <scope> is the scope's Base64 text with "/" as "_" and "+" as "-". A
    /// scope too long for a file name is named by "sha256-" and its digest instead. The
    /// directory is not created. Throws `VelmoraError` (invalidConfig) when there is no data
    /// directory (neither $XDG_DATA_HOME nor $HOME is an absolute path).
    static std::filesystem::path outboxURL(std::string_view accountScope);
};

} // namespace velmora
