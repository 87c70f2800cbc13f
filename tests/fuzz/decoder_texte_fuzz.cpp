// Feeds the About box's text decoder any text, and checks each result against the decoding worked
// out independently, pair by pair, plus the length limit.
#include <cstddef>
#include <cstdint>
#include <string>

#include "about/general.h"
#include "fuzz_input.h"
#include "windows_1252.h"

using zelvaro::fuzzing::require;
using zelvaro::modGénéral::DecoderTexte;
using zelvaro::modGénéral::kMaxHexLength;
using zelvaro::testing::windows1252;

namespace {

// The value of a pair: its leading hex digits, 0 when it starts with anything else.
unsigned pairValue(std::u16string_view pair) {
    unsigned value = 0;
    for (char16_t c : pair) {
        unsigned digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if ((c | 0x20) >= u'a' && (c | 0x20) <= u'f')
            digit = (c | 0x20) - u'a' + 10;
        else
            break;
        value = value * 16 + digit;
    }
    return value;
}

// The first key byte: 256 - n/2 for an even length n = 2m; for an odd length 2m + 1 the key counter
// starts at m - 0.5 rounded to even, so at m when m is even and at m - 1 when it is odd.
unsigned firstKeyByte(std::size_t n) {
    const std::size_t m = n / 2;
    const std::size_t start = n % 2 == 0 ? m - 1 : (m % 2 == 0 ? m : m - 1);
    return static_cast<unsigned>((255 - start) & 0xFF);
}

// Long texts are checked at both ends only: past 256 pairs the key bytes repeat. Coverage of this
// checking code would only slow the search down.
__attribute__((no_sanitize("coverage"))) void check(std::u16string_view hex,
                                                    std::size_t pairsAtEachEnd) {
    const auto decoded = DecoderTexte(hex);
    if (hex.size() > kMaxHexLength) {
        require(!decoded, "nothing is decoded from more than the longest text accepted");
        return;
    }
    require(decoded.has_value(), "every text up to the longest accepted is decoded");
    require(decoded->size() == (hex.size() + 1) / 2, "one character per pair, a lone digit too");
    if (hex.empty()) return;
    const unsigned first = firstKeyByte(hex.size());
    for (std::size_t j = 0; j < decoded->size(); ++j) {
        if (j == pairsAtEachEnd && decoded->size() > 2 * pairsAtEachEnd)
            j = decoded->size() - pairsAtEachEnd;
        const unsigned key = (first + j) & 0xFF;
        const unsigned x = key ^ pairValue(hex.substr(2 * j, 2));
        const unsigned code = (x & 0x0F) << 4 | x >> 4;
        require((*decoded)[j] == windows1252(code), "each pair decodes under its own key byte");
    }
}

// The pattern repeated to the given length.
__attribute__((no_sanitize("coverage"))) std::u16string repeated(const std::u16string& pattern,
                                                                 std::size_t length) {
    std::u16string text(length, u'\0');
    for (std::size_t i = 0; i < length; ++i)
        text[i] = pattern[i % pattern.size()];
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // "~" and a length byte stretch the rest to around the length limit, which mutations of short
    // inputs would never reach: the byte's low four bits, less 8, are the offset from the limit.
    if (size >= 2 && data[0] == '~') {
        const std::u16string pattern =
            size > 2 ? zelvaro::fuzzing::textFrom(data + 2, size - 2) : std::u16string(u"0");
        check(repeated(pattern, kMaxHexLength + (data[1] & 0x0F) - 8), 600);
        return 0;
    }
    const std::u16string hex = zelvaro::fuzzing::textFrom(data, size);
    check(hex, hex.size());
    return 0;
}
