// What the fuzz targets share: turning input bytes into UTF-16 text, and failing loudly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace zelvaro::fuzzing {

// One unit per byte, so that plain-text seeds read as what they test; 0xFF takes the next two
// bytes as one unit, low byte first, to reach every other unit (non-ASCII digits, surrogates).
inline std::u16string textFrom(const std::uint8_t* data, std::size_t size) {
    std::u16string text;
    text.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFF && i + 2 < size) {
            text.push_back(static_cast<char16_t>(data[i + 1] | data[i + 2] << 8));
            i += 2;
        } else {
            text.push_back(data[i]);
        }
    }
    return text;
}

// A broken property is a finding: abort, so that libFuzzer keeps the input that broke it.
inline void require(bool holds, const char* property) {
    if (holds) return;
    std::fprintf(stderr, "property broken: %s\n", property);
    std::abort();
}

} // namespace zelvaro::fuzzing
