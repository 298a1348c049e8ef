#pragma once

#include <memory>
#include <string_view>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class RegexPattern;
U_NAMESPACE_END

namespace velmora::detail {

/// A regular expression compiled once (ICU syntax, no case folding) that must match the whole
/// input: a trailing newline never slips through. Matching is time-limited, and a match that
/// runs out of time counts as no match. Thread-safe: each call uses its own matcher.
class Pattern {
public:
    /// Throws std::logic_error when the pattern does not compile (a programming error).
    explicit Pattern(std::string_view pattern);
    ~Pattern();
    Pattern(const Pattern&) = delete;
    Pattern& operator=(const Pattern&) = delete;

    bool matches(std::string_view text) const;

private:
    std::unique_ptr<icu::RegexPattern> pattern_;
};

} // namespace velmora::detail
