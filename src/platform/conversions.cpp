#include "platform/conversions.h"

#include <cmath>
#include <limits>

namespace zelvaro::platform {

std::int64_t roundHalfEven(double value) {
    constexpr double limit = 9.2233720368547748e18; // 2^63, the first double out of range
    if (std::isnan(value)) return 0;
    if (value >= limit) return std::numeric_limits<std::int64_t>::max();
    if (value < -limit) return std::numeric_limits<std::int64_t>::min();
    // nearbyint follows the current rounding mode, which is to-nearest-even unless someone changed
    // it; computing the tie explicitly does not depend on that.
    const double floor = std::floor(value);
    const double fraction = value - floor;
    auto result = static_cast<std::int64_t>(floor);
    if (fraction > 0.5 || (fraction == 0.5 && result % 2 != 0)) ++result;
    return result;
}

namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

} // namespace

std::optional<std::int32_t> parseInt32(std::u16string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);

    bool negative = false;
    if (!text.empty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text.remove_prefix(1);
    }

    // Magnitudes are gathered up to just past the 32-bit range; anything larger is rejected.
    constexpr std::int64_t ceiling = std::int64_t{1} << 32;
    std::int64_t magnitude = 0;
    std::size_t digits = 0;
    std::size_t i = 0;
    for (; i < text.size() && isDigit(text[i]); ++i, ++digits) {
        magnitude = magnitude * 10 + (text[i] - u'0');
        if (magnitude > ceiling) return std::nullopt;
    }

    if (i < text.size() && text[i] == u'.') {
        ++i;
        // Round on the exact decimal digits: above half, below half, or a tie that goes to even.
        int comparedToHalf = 0;
        bool first = true;
        for (; i < text.size() && isDigit(text[i]); ++i, ++digits) {
            const int d = text[i] - u'0';
            if (first) {
                comparedToHalf = d > 5 ? 1 : d < 5 ? -1 : 0;
                first = false;
            } else if (comparedToHalf == 0 && d != 0) {
                comparedToHalf = 1;
            }
        }
        if (comparedToHalf > 0 || (comparedToHalf == 0 && !first && magnitude % 2 != 0))
            ++magnitude;
    }

    if (digits == 0 || i != text.size()) return std::nullopt;

    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::u16string decimalText(std::int64_t value) {
    const std::string narrow = std::to_string(value);
    return {narrow.begin(), narrow.end()};
}

} // namespace zelvaro::platform
