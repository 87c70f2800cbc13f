#include "frame/margins.h"

#include "platform/conversions.h"

namespace zelvaro::margins {

namespace {

std::int32_t loadOne(platform::Runtime& runtime, std::u16string_view key, std::int32_t fallback) {
    const std::u16string defaultText = platform::decimalText(fallback);
    const std::u16string text = runtime.getSetting(kApplication, kSection, key, defaultText);
    return platform::parseInt32(text).value_or(fallback);
}

std::int32_t limitFor(double twips, double twipsPerPixel) {
    const double pixels = twips / twipsPerPixel;
    return static_cast<std::int32_t>(platform::roundHalfEven((pixels - 2) / 2));
}

bool plainInKeys(char32_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
           c == u'-' || c == u'.';
}

void appendEscaped(std::u16string& out, unsigned byte) {
    constexpr char16_t kHex[] = u"0123456789ABCDEF";
    out += u'_';
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

} // namespace

std::u16string keyToken(std::u16string_view identity) {
    std::u16string token;
    for (std::size_t i = 0; i < identity.size(); ++i) {
        char32_t c = identity[i];
        // A surrogate pair is one character; a lone surrogate stands for U+FFFD.
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < identity.size() && identity[i + 1] >= 0xDC00 &&
            identity[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (identity[++i] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;
        if (plainInKeys(c)) {
            token += static_cast<char16_t>(c);
        } else if (c < 0x80) {
            appendEscaped(token, static_cast<unsigned>(c));
        } else if (c < 0x800) {
            appendEscaped(token, 0xC0 | c >> 6);
            appendEscaped(token, 0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            appendEscaped(token, 0xE0 | c >> 12);
            appendEscaped(token, 0x80 | (c >> 6 & 0x3F));
            appendEscaped(token, 0x80 | (c & 0x3F));
        } else {
            appendEscaped(token, 0xF0 | c >> 18);
            appendEscaped(token, 0x80 | (c >> 12 & 0x3F));
            appendEscaped(token, 0x80 | (c >> 6 & 0x3F));
            appendEscaped(token, 0x80 | (c & 0x3F));
        }
    }
    return token;
}

Keys primaryKeys() {
    return {std::u16string(kHorizontalKey), std::u16string(kVerticalKey)};
}

Keys screenKeys(std::u16string_view token) {
    Keys keys = primaryKeys();
    keys.horizontal.append(1, kScreenKeySeparator).append(token);
    keys.vertical.append(1, kScreenKeySeparator).append(token);
    return keys;
}

Pair load(platform::Runtime& runtime, const Keys& keys) {
    // One key after the other, horizontal first, as the store is read at start.
    const std::int32_t horizontal = loadOne(runtime, keys.horizontal, kDefaultHorizontal);
    return {horizontal, loadOne(runtime, keys.vertical, kDefaultVertical)};
}

void save(platform::Runtime& runtime, const Keys& keys, const Pair& pair) {
    runtime.saveSetting(kApplication, kSection, keys.horizontal,
                        platform::decimalText(pair.horizontal));
    runtime.saveSetting(kApplication, kSection, keys.vertical,
                        platform::decimalText(pair.vertical));
}

Limits computeLimits(const platform::ScreenMetrics& screen) {
    return {limitFor(screen.widthTwips, screen.twipsPerPixelX),
            limitFor(screen.heightTwips, screen.twipsPerPixelY)};
}

bool decrease(std::int32_t& margin) {
    if (margin <= kMinimum) return false;
    --margin;
    return true;
}

bool increase(std::int32_t& margin, std::int32_t limit) {
    if (margin >= limit) return false;
    ++margin;
    return true;
}

void reset(std::int32_t& horizontal, std::int32_t& vertical) {
    horizontal = kDefaultHorizontal;
    vertical = kDefaultVertical;
}

} // namespace zelvaro::margins
