#include "velmora/procedure_locale_catalog.hpp"

#include "detail/embedded_resources.hpp"
#include "detail/language_tag.hpp"
#include "detail/procedure_catalogue.hpp"
#include "detail/record_codec.hpp"
#include "detail/text.hpp"

#include <algorithm>

namespace velmora {

namespace detail {

std::optional<ProcedureCatalogue> decodeProcedureCatalogue(std::string_view json) noexcept {
    try {
        return decodeRecord<ProcedureCatalogue>(json);
    } catch (...) {
        return std::nullopt;
    }
}

namespace {

std::vector<std::string_view> splitKeepingEmpty(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (true) {
        const auto end = text.find(separator, start);
        if (end == std::string_view::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

bool isPlaceholderCharacter(char c) {
    return (c >= 'a' && c <= 'z') || c == '_';
}

} // namespace

std::string revisionedKey(const ProcedureCatalogue& catalogue, std::string_view key,
                          std::optional<std::int64_t> procedureRevision) {
    const auto segments = splitKeepingEmpty(key, '.');
    if (!procedureRevision || segments.size() <= 3 || segments[0] != "procedure") {
        return std::string(key);
    }
    std::string identifier = std::string(segments[1]) + "." + std::string(segments[2]);
    const bool revisioned = std::any_of(
        catalogue.revisionedProcedureIds.begin(), catalogue.revisionedProcedureIds.end(),
        [&](const std::string& id) { return text::canonicallyEqual(id, identifier); });
    if (!revisioned || segments[3] == "revision") {
        return std::string(key);
    }
    std::string rewritten =
        "procedure." + identifier + ".revision." + std::to_string(*procedureRevision);
    for (std::size_t i = 3; i < segments.size(); ++i) {
        rewritten += '.';
        rewritten += segments[i];
    }
    return rewritten;
}

std::string fillCataloguePlaceholders(std::string_view text,
                                      const std::map<std::string, std::string>& parameters) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '{') {
            std::size_t end = i + 1;
            while (end < text.size() && isPlaceholderCharacter(text[end])) {
                ++end;
            }
            if (end > i + 1 && end < text.size() && text[end] == '}') {
                const auto found = parameters.find(std::string(text.substr(i + 1, end - i - 1)));
                if (found != parameters.end()) {
                    out += found->second;
                }
                i = end + 1;
                continue;
            }
        }
        out += text[i];
        ++i;
    }
    return out;
}

std::optional<std::string> catalogueMessage(const ProcedureCatalogue& catalogue,
                                            std::string_view locale, std::string_view key,
                                            const std::map<std::string, std::string>& parameters,
                                            std::optional<std::int64_t> procedureRevision) {
    // A locale text arrives from the service or the host as sent: one that is no language tag
    // names no table, whatever the resource holds, and costs no copy however long it is.
    if (!language_tag::isWellFormed(locale)) {
        return std::nullopt;
    }
    const auto table = catalogue.locales.find(std::string(locale));
    if (table == catalogue.locales.end()) {
        return std::nullopt;
    }
    const auto entry = table->second.find(revisionedKey(catalogue, key, procedureRevision));
    if (entry == table->second.end()) {
        return std::nullopt;
    }
    return fillCataloguePlaceholders(entry->second, parameters);
}

} // namespace detail

std::optional<std::string>
WidgetProcedureLocaleCatalog::message(std::string_view locale, std::string_view key,
                                      const std::map<std::string, std::string>& parameters,
                                      std::optional<std::int64_t> procedureRevision) {
    // Decoded once on first use and read-only afterwards; a resource that does not decode
    // leaves the catalogue empty for the life of the process.
    static const std::optional<detail::ProcedureCatalogue> catalogue =
        detail::decodeProcedureCatalogue(detail::procedureCopyResource());
    if (!catalogue) {
        return std::nullopt;
    }
    try {
        return detail::catalogueMessage(*catalogue, locale, key, parameters, procedureRevision);
    } catch (...) {
        // Only allocation can fail here; the lookup promises never to throw.
        return std::nullopt;
    }
}

} // namespace velmora
