// The two frame thicknesses. Each frame keeps its own pair: the key handler and the menu's reset
// change it, the shape reads it, and the frames' owner loads and saves it. The program-wide keys
// are the primary screen's; a frame on any other screen is stored under keys named after its
// screen.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/runtime.h"

namespace zelvaro::margins {

inline constexpr std::int32_t kDefaultHorizontal = 20;
inline constexpr std::int32_t kDefaultVertical = 50;
// Keys bring a margin down to this and no lower.
inline constexpr std::int32_t kMinimum = 2;

inline constexpr std::u16string_view kApplication = u"Zelvaro";
inline constexpr std::u16string_view kSection = u"Config";
inline constexpr std::u16string_view kHorizontalKey = u"Horizontale";
inline constexpr std::u16string_view kVerticalKey = u"Verticale";
// Other screens' keys: the primary's key, this separator, the screen's key token.
inline constexpr char16_t kScreenKeySeparator = u'.';

struct Pair {
    std::int32_t horizontal = kDefaultHorizontal;
    std::int32_t vertical = kDefaultVertical;
    friend bool operator==(const Pair&, const Pair&) = default;
};

struct Keys {
    std::u16string horizontal, vertical;
};

struct Limits {
    std::int32_t MaxHorizontale = 0;
    std::int32_t MaxVerticale = 0;
};

// A screen identity as a fragment of a settings key, valid in the registry and in an INI file:
// ASCII letters, digits, '-' and '.' stand as they are; every other UTF-8 byte, '_' included,
// becomes '_' and two upper-case hex digits. Distinct identities give distinct tokens.
std::u16string keyToken(std::u16string_view identity);
// "Horizontale" and "Verticale": the primary screen's.
Keys primaryKeys();
// "Horizontale.<token>" and "Verticale.<token>".
Keys screenKeys(std::u16string_view token);

// Reads a pair; an absent key, or one whose text is not a 32-bit number, gives the default.
Pair load(platform::Runtime& runtime, const Keys& keys);
// Writes a pair as decimal text.
void save(platform::Runtime& runtime, const Keys& keys, const Pair& pair);
// The largest margins that still leave a hole of one to three pixels on this screen.
Limits computeLimits(const platform::ScreenMetrics& screen);

// Each step reports whether the margin changed; a step past its bound does nothing.
bool decrease(std::int32_t& margin);
bool increase(std::int32_t& margin, std::int32_t limit);

void reset(std::int32_t& horizontal, std::int32_t& vertical);

} // namespace zelvaro::margins
