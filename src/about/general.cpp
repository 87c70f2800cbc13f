#include "about/general.h"

#include <array>

#include "about/build_info.h"
#include "platform/conversions.h"

namespace zelvaro::modGénéral {

namespace {

// Codes 128 to 159; the five that Windows-1252 leaves undefined become the C1 controls of the same
// value, as Windows converts them.
constexpr std::array<char16_t, 32> kWindows1252From128 = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',
};

char16_t windows1252ToUtf16(std::uint8_t code) {
    if (code >= 0x80 && code < 0xA0) return kWindows1252From128[code - 0x80];
    return code;
}

int hexDigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

// Reads digits as the runtime reads "&h" text: up to the first character that is not a hex digit,
// 0 when there is none.
std::uint8_t hexValue(std::u16string_view digits) {
    unsigned value = 0;
    for (const char16_t c : digits) {
        const int digit = hexDigitValue(c);
        if (digit < 0) break;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<std::uint8_t>(value);
}

std::uint8_t exchangeHalves(std::uint8_t x) {
    return static_cast<std::uint8_t>((x & 0x0F) << 4 | x >> 4);
}

} // namespace

std::optional<std::u16string> DecoderTexte(std::u16string_view hex) {
    if (hex.size() > kMaxHexLength) return std::nullopt;

    // n / 2 - 1 with halves rounded to even, so an odd length starts the key at an even number.
    auto key = platform::roundHalfEven(static_cast<double>(hex.size()) / 2 - 1);
    std::u16string text;
    text.reserve((hex.size() + 1) / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2, --key) {
        // Only the low byte counts: the lone last digit of some odd lengths gets 256, so 0.
        const auto keyByte = static_cast<std::uint8_t>(255 - key);
        const auto x = static_cast<std::uint8_t>(keyByte ^ hexValue(hex.substr(i, 2)));
        text.push_back(windows1252ToUtf16(exchangeHalves(x)));
    }
    return text;
}

ApplicationInfo applicationInfo() {
    return {std::u16string(build::kTitle), build::kMajor, build::kMinor, build::kRevision};
}

std::u16string VersionLogiciel(const ApplicationInfo& info) {
    using platform::decimalText;
    const unsigned revision = info.revision;
    // Built by appending: GCC 12 mistakes prefixing a literal for an overlapping copy at -O3.
    std::u16string text = u"v";
    if (revision <= 99) {
        text.append(decimalText(info.major)).append(u".").append(decimalText(info.minor));
        if (revision > 0) text.append(u".").append(decimalText(revision));
        return text;
    }
    // A beta: the revision as four digits d1 d2 d3 d4 is the whole version; a five-digit revision
    // leaves its last two digits to the beta number.
    const unsigned betaDivisor = revision >= 10000 ? 100 : 10;
    const unsigned beta = revision % betaDivisor;
    const unsigned head = revision / betaDivisor;
    text.append(decimalText(head / 100)).append(u".").append(decimalText(head / 10 % 10));
    if (head % 10 != 0) text.append(u".").append(decimalText(head % 10));
    return text.append(u" beta ").append(decimalText(beta));
}

std::u16string VersionLogiciel() {
    return VersionLogiciel(applicationInfo());
}

std::u16string TitreLogiciel(const ApplicationInfo& info) {
    return info.title + u" " + VersionLogiciel(info);
}

std::u16string TitreLogiciel() {
    return TitreLogiciel(applicationInfo());
}

} // namespace zelvaro::modGénéral
