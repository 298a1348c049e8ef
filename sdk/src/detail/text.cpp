#include "detail/text.hpp"

#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

namespace velmora::detail::text {
namespace {

bool isASCII(std::string_view s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

icu::UnicodeString toUnicode(std::string_view s) {
    return icu::UnicodeString::fromUTF8(icu::StringPiece(s.data(), static_cast<int32_t>(s.size())));
}

std::string toUTF8(const icu::UnicodeString& u) {
    std::string out;
    u.toUTF8String(out);
    return out;
}

const icu::Normalizer2& nfcNormalizer() {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* normalizer = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status) || normalizer == nullptr) {
        throw std::runtime_error("ICU NFC normaliser is unavailable");
    }
    return *normalizer;
}

} // namespace

bool isValidUTF8(std::string_view s) {
    std::int32_t i = 0;
    const auto length = static_cast<std::int32_t>(s.size());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(s.data());
    while (i < length) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) {
            return false;
        }
    }
    return true;
}

std::size_t graphemeCount(std::string_view s) {
    if (s.empty()) {
        return 0;
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status)) {
        throw std::runtime_error("ICU character break iterator is unavailable");
    }
    icu::UnicodeString u = toUnicode(s);
    it->setText(u);
    std::size_t count = 0;
    it->first();
    while (it->next() != icu::BreakIterator::DONE) {
        ++count;
    }
    return count;
}

bool containsWholeGraphemes(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) {
        return true;
    }
    if (needle.size() > haystack.size()) {
        return false;
    }
    // Occurrences are found among the bytes, so that two different invalid sequences (both
    // U+FFFD once decoded) never match each other; ICU then judges the boundaries on the
    // decoded text. Each byte offset that starts a sequence maps to its UTF-16 offset there
    // (-1 inside a sequence); ICU decodes every invalid sequence to one U+FFFD, as U8_NEXT
    // delimits it.
    std::vector<std::int32_t> utf16At(haystack.size() + 1, -1);
    const auto length = static_cast<std::int32_t>(haystack.size());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(haystack.data());
    std::int32_t units = 0;
    for (std::int32_t i = 0; i < length;) {
        utf16At[static_cast<std::size_t>(i)] = units;
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        units += c < 0 ? 1 : U16_LENGTH(c);
    }
    utf16At[haystack.size()] = units;

    const icu::UnicodeString h = toUnicode(haystack);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status)) {
        throw std::runtime_error("ICU character break iterator is unavailable");
    }
    it->setText(h);
    for (auto at = haystack.find(needle); at != std::string_view::npos;
         at = haystack.find(needle, at + 1)) {
        const std::int32_t begin = utf16At[at];
        const std::int32_t end = utf16At[at + needle.size()];
        if (begin >= 0 && end >= 0 && it->isBoundary(begin) && it->isBoundary(end)) {
            return true;
        }
    }
    return false;
}

std::size_t utf16Length(std::string_view s) {
    std::size_t units = 0;
    for (char ch : s) {
        auto c = static_cast<unsigned char>(ch);
        if ((c & 0xC0) != 0x80) {
            units += (c >= 0xF0) ? 2 : 1; // a four-byte sequence is a surrogate pair
        }
    }
    return units;
}

bool isWhitespaceOrNewline(char32_t c) {
    if ((c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029) {
        return true;
    }
    return u_charType(static_cast<UChar32>(c)) == U_SPACE_SEPARATOR;
}

std::string trimmed(std::string_view s) {
    std::u32string cps = toUTF32(s);
    std::size_t begin = 0;
    std::size_t end = cps.size();
    while (begin < end && isWhitespaceOrNewline(cps[begin])) {
        ++begin;
    }
    while (end > begin && isWhitespaceOrNewline(cps[end - 1])) {
        --end;
    }
    return fromUTF32(std::u32string_view(cps).substr(begin, end - begin));
}

std::string lowercased(std::string_view s) {
    icu::UnicodeString u = toUnicode(s);
    u.toLower(icu::Locale::getRoot());
    return toUTF8(u);
}

std::string nfc(std::string_view s) {
    if (isASCII(s)) {
        return std::string(s);
    }
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString result = nfcNormalizer().normalize(toUnicode(s), status);
    if (U_FAILURE(status)) {
        return std::string(s);
    }
    return toUTF8(result);
}

bool canonicallyEqual(std::string_view a, std::string_view b) {
    if (a == b) {
        return true;
    }
    // Decoding would turn every invalid sequence into U+FFFD and make different bytes equal.
    if ((isASCII(a) && isASCII(b)) || !isValidUTF8(a) || !isValidUTF8(b)) {
        return false;
    }
    return nfc(a) == nfc(b);
}

std::u32string toUTF32(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    std::int32_t i = 0;
    const auto length = static_cast<std::int32_t>(s.size());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(s.data());
    while (i < length) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        out.push_back(c < 0 ? U'\uFFFD' : static_cast<char32_t>(c));
    }
    return out;
}

std::string fromUTF32(std::u32string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char32_t c : s) {
        std::uint8_t buffer[4];
        std::int32_t n = 0;
        UBool error = false;
        U8_APPEND(buffer, n, 4, static_cast<UChar32>(c), error);
        if (error) {
            out += "\xEF\xBF\xBD";
        } else {
            out.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
        }
    }
    return out;
}

} // namespace velmora::detail::text
