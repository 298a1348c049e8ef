#pragma once

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
};

} // namespace velmora::detail
