#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// The fixed texts of procedure cards, the procedure calendar, commerce results, voice and
/// availability, shipped inside the library for the locales "en", "uk", "de" and "es".
struct WidgetProcedureLocaleCatalog {
    /// The text of `key` in `locale` (exact match, no fallback to another locale), with every
    /// placeholder (lower-case letters and "_" in braces) replaced by the parameter of that name
    /// or by nothing. With a revision, a procedure key ("procedure.<a>.<b>.<text...>") of a
    /// procedure that has per-revision texts is read as "procedure.<a>.<b>.revision.<n>.<text>"
    /// instead. Nothing when the locale or key is missing. Never throws; safe on any thread.
    static std::optional<std::string> message(std::string_view locale, std::string_view key,
                                              const std::map<std::string, std::string>& parameters,
                                              std::optional<std::int64_t> procedureRevision);
};

} // namespace velmora
