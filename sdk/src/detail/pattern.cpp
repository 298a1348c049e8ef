#include "detail/pattern.hpp"

#include <unicode/regex.h>

#include <stdexcept>
#include <string>

namespace velmora::detail {
namespace {
// Match steps allowed before giving up (ICU's unit is roughly a millisecond of work); the
// values the system checks are short, so only a pathological input reaches it.
constexpr int32_t kTimeLimit = 500;
} // namespace

Pattern::Pattern(std::string_view pattern) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError;
    pattern_.reset(
        icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(icu::StringPiece(
                                       pattern.data(), static_cast<int32_t>(pattern.size()))),
                                   0, parseError, status));
    if (U_FAILURE(status) || !pattern_) {
        throw std::logic_error("invalid pattern: " + std::string(pattern));
    }
}

Pattern::~Pattern() = default;

bool Pattern::matches(std::string_view text) const {
    icu::UnicodeString input = icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern_->matcher(input, status));
    if (U_FAILURE(status) || !matcher) {
        return false;
    }
    matcher->setTimeLimit(kTimeLimit, status);
    bool result = matcher->matches(status);
    return U_SUCCESS(status) && result;
}

} // namespace velmora::detail
