#pragma once

#include "detail/record_codec.hpp"

#include <boost/describe/class.hpp>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::detail {

/// The decoded catalogue resource.
struct ProcedureCatalogue {
    std::vector<std::string> revisionedProcedureIds;
    std::map<std::string, std::map<std::string, std::string>> locales;
};

// The resource's JSON is the catalogue's fields.
BOOST_DESCRIBE_STRUCT(ProcedureCatalogue, (), (revisionedProcedureIds, locales))

/// Nothing when the text is not a valid catalogue (both keys are required).
std::optional<ProcedureCatalogue> decodeProcedureCatalogue(std::string_view json) noexcept;

/// The key actually looked up for `key` under `procedureRevision`.
std::string revisionedKey(const ProcedureCatalogue& catalogue, std::string_view key,
                          std::optional<std::int64_t> procedureRevision);

/// Replaces each "{name}" (name of a-z and "_") found in `text` by its parameter or by nothing.
/// Replacements are never searched again.
std::string fillCataloguePlaceholders(std::string_view text,
                                      const std::map<std::string, std::string>& parameters);

std::optional<std::string> catalogueMessage(const ProcedureCatalogue& catalogue,
                                            std::string_view locale, std::string_view key,
                                            const std::map<std::string, std::string>& parameters,
                                            std::optional<std::int64_t> procedureRevision);

} // namespace velmora::detail
