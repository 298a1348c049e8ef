// The help screen's search: a query against an entry's title and body (input: query, NUL,
// title, NUL, body). An entry is always found by its own trimmed title or body, and the text
// helpers under it compare code points exactly, never two different invalid sequences as one.
#include "detail/text.hpp"
#include "fuzz_support.hpp"
#include "views/help_content_model.hpp"

#include <optional>
#include <string>

using namespace velmora;
namespace text = velmora::detail::text;

namespace {

bool findsItself(std::string_view entry, const std::optional<std::string>& title,
                 const std::optional<std::string>& body) {
    const std::string needle = detail::helpSearchNeedle(entry);
    return needle.empty() || detail::helpEntryMatches(needle, title, body);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = fuzz::parts(fuzz::asText(data, size), 3);
    const std::string query(input[0]);
    const std::optional<std::string> title{std::string(input[1])};
    const std::optional<std::string> body{std::string(input[2])};

    (void)detail::helpEntryMatches(detail::helpSearchNeedle(query), title, body);
    (void)detail::helpEntryMatches(detail::helpSearchNeedle(query), std::nullopt, body);

    for (const auto& entry : {*title, *body}) {
        if (text::isValidUTF8(entry) && text::trimmed(entry) == entry) {
            fuzz::check(findsItself(entry, title, body),
                        "an entry is found by its own title or body");
        }
    }
    for (const auto& [haystack, needle] :
         {std::pair{*title, query}, std::pair{*body, std::string(*title)}}) {
        if (text::containsWholeGraphemes(haystack, needle)) {
            fuzz::check(haystack.find(needle) != std::string::npos,
                        "whole graphemes found only where the same code points are");
        }
    }
    return 0;
}
