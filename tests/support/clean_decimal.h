// What the program writes for a margin: "0", or an optional minus and digits without a leading
// zero. Written apart from the code that formats it, as the tests' own yardstick.
#pragma once

#include <string_view>

namespace zelvaro::testing {

inline bool isCleanDecimal(std::u16string_view text) {
    if (text == u"0") return true;
    if (!text.empty() && text.front() == u'-') text.remove_prefix(1);
    if (text.empty() || text.front() < u'1' || text.front() > u'9') return false;
    for (char16_t c : text)
        if (c < u'0' || c > u'9') return false;
    return true;
}

} // namespace zelvaro::testing
