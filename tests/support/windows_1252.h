// The character Windows gives each code of its code page 1252, written apart from the decoder as
// the tests' own yardstick.
#pragma once

#include <array>

namespace zelvaro::testing {

// Codes 128 to 159 as Windows converts them, the five undefined ones kept as C1 controls.
constexpr std::array<char16_t, 32> kCodes128To159 = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',
};

inline char16_t windows1252(unsigned code) {
    return code >= 0x80 && code < 0xA0 ? kCodes128To159[code - 0x80] : static_cast<char16_t>(code);
}

} // namespace zelvaro::testing
