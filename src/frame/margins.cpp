#include "frame/margins.h"

#include "platform/conversions.h"

namespace zelvaro::margins {

std::int32_t MargeHorizontale = kDefaultHorizontal;
std::int32_t MargeVerticale = kDefaultVertical;

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

} // namespace

void load(platform::Runtime& runtime) {
    MargeHorizontale = loadOne(runtime, kHorizontalKey, kDefaultHorizontal);
    MargeVerticale = loadOne(runtime, kVerticalKey, kDefaultVertical);
}

void save(platform::Runtime& runtime) {
    runtime.saveSetting(kApplication, kSection, kHorizontalKey,
                        platform::decimalText(MargeHorizontale));
    runtime.saveSetting(kApplication, kSection, kVerticalKey,
                        platform::decimalText(MargeVerticale));
}

Limits computeLimits(const platform::ScreenMetrics& screen) {
    return {limitFor(screen.widthTwips, screen.twipsPerPixelX),
            limitFor(screen.heightTwips, screen.twipsPerPixelY)};
}

bool decreaseHorizontal() {
    return decrease(MargeHorizontale);
}
bool decreaseVertical() {
    return decrease(MargeVerticale);
}
bool increaseHorizontal(const Limits& limits) {
    return increase(MargeHorizontale, limits.MaxHorizontale);
}
bool increaseVertical(const Limits& limits) {
    return increase(MargeVerticale, limits.MaxVerticale);
}

void reset() {
    MargeHorizontale = kDefaultHorizontal;
    MargeVerticale = kDefaultVertical;
}

} // namespace zelvaro::margins
