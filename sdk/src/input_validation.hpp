#pragma once

#include "detail/json.hpp"
#include "velmora/models.hpp"
#include "velmora/procedure_models.hpp"

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora::detail {

/// The rules every value from the host, the widget or a stored record passes before the client
/// stores or sends it. A rule returns normally or throws `VelmoraError` (code `fieldInvalid`,
/// no status, no retry delay); none changes what it checks. Patterns match the whole value, so
/// a trailing line break never passes.
struct VelmoraInputValidation {
    /// How many containers deep the host's own JSON (metadata, prefill fields) may nest, its map
    /// counting as one. The stores keep it a few levels inside their own records, and every
    /// stored file must stay within what the JSON reader accepts, or it could never be read
    /// again.
    static constexpr std::size_t maxHostJSONDepth = 500;
    static_assert(maxHostJSONDepth + 8 <= kMaxJSONDepth);

    /// Whether `value` nests containers more than `limit` deep (a scalar is 0 deep). Looks no
    /// deeper than `limit` + 1 levels.
    static bool nestsDeeperThan(const JSONValue& value, std::size_t limit);
    static bool nestsDeeperThan(const JSONValue::Object& object, std::size_t limit);

    /// Not empty, at most `maximum` user-perceived characters (extended grapheme clusters), and
    /// no scalar below U+0020.
    static bool isText(std::string_view value, std::size_t maximum);

    /// 16 to 128 ASCII letters, digits, "_" or "-". Throws "Idempotency key is invalid.".
    static void requireIdempotencyKey(std::string_view key);

    /// An identifier the service issued: 1 to 128 ASCII letters, digits, "_" or "-". Throws a
    /// `fieldInvalid` error carrying `message`.
    static void requireReference(std::string_view value, const std::string& message);

    /// The session's id, then its token, then its conversation id when present.
    static void requireSession(const VelmoraSession& session);

    /// Throws "Procedure action input is invalid." for any failing check.
    static void requireProcedureAction(const VelmoraProcedureActionInput& input);

    static void requireCommerceProposal(const VelmoraCommerceProposalInput& input);

    /// What the client checks of a message before storing it: metadata within
    /// `maxHostJSONDepth` ("Metadata is nested too deeply.").
    static void requireMessageInput(const VelmoraMessageInput& input);

    /// What the client checks of a session start before storing it: metadata as for a message,
    /// then prefill fields within `maxHostJSONDepth` ("Prefill fields are nested too deeply.").
    static void requireSessionStartInput(const VelmoraSessionStartInput& input);
};

} // namespace velmora::detail
