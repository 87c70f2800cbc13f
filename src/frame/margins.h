// The two frame thicknesses, program-wide by design: the key handler and the menu's reset change
// them, the shape reads them, and the frame window loads and saves them.
#pragma once

#include <cstdint>
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

// Width of the left and right bands, and height of the top and bottom bands, in pixels.
extern std::int32_t MargeHorizontale;
extern std::int32_t MargeVerticale;

struct Limits {
    std::int32_t MaxHorizontale = 0;
    std::int32_t MaxVerticale = 0;
};

// Reads both margins; an absent key, or one whose text is not a 32-bit number, gives the default.
void load(platform::Runtime& runtime);
// Writes both margins as decimal text.
void save(platform::Runtime& runtime);
// The largest margins that still leave a hole of one to three pixels on this screen.
Limits computeLimits(const platform::ScreenMetrics& screen);

// Each step reports whether the margin changed; a step past its bound does nothing.
bool decreaseHorizontal();
bool decreaseVertical();
bool increaseHorizontal(const Limits& limits);
bool increaseVertical(const Limits& limits);

void reset();

} // namespace zelvaro::margins
