// Feeds the margins' stored text any content: the conversion must accept exactly the decimal text
// that a plain reading of the format accepts, give back what it was handed as decimal text, and the
// frame must start from such a store and write clean numbers back.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "clean_decimal.h"
#include "frame/frame_form.h"
#include "frame/margins.h"
#include "fuzz_input.h"
#include "platform/conversions.h"
#include "platform/scripted/scripted_runtime.h"
#include "screens/screen_frames.h"

using namespace zelvaro;
using fuzzing::require;
using platform::decimalText;
using platform::parseInt32;
using zelvaro::testing::isCleanDecimal;

namespace {

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

bool allDigits(const std::string& s) {
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// The format read another way: split on the point, check each side, round the exact decimal
// fraction half to even, then range-check.
std::optional<std::int32_t> reference(std::u16string_view text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    std::string s;
    for (std::size_t i = begin; i < end; ++i) {
        if (text[i] > 0x7F) return std::nullopt;
        s.push_back(static_cast<char>(text[i]));
    }
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.erase(0, 1);
    }
    const std::size_t point = s.find('.');
    std::string whole = s.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : s.substr(point + 1);
    if (whole.empty() && fraction.empty()) return std::nullopt;
    if (!allDigits(whole) || !allDigits(fraction)) return std::nullopt;

    whole.erase(0, whole.find_first_not_of('0'));
    if (whole.size() > 10) return std::nullopt;
    std::int64_t value = whole.empty() ? 0 : std::stoll(whole);
    if (!fraction.empty()) {
        const bool aboveHalf =
            fraction[0] > '5' ||
            (fraction[0] == '5' && fraction.find_first_not_of('0', 1) != std::string::npos);
        const bool tie = fraction[0] == '5' && !aboveHalf;
        if (aboveHalf || (tie && value % 2 == 1)) ++value;
    }
    if (negative) value = -value;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

void checkConversion(std::u16string_view text) {
    const auto parsed = parseInt32(text);
    require(parsed == reference(text), "accepts exactly the decimal text of the format");
    if (parsed) {
        const std::u16string written = decimalText(*parsed);
        require(isCleanDecimal(written), "numbers are written as clean decimal text");
        require(parseInt32(written) == parsed, "written text reads back as the same number");
    }
}

// The frame started from this store, nudged once each way, and closed with Escape.
void checkFrame(std::u16string_view horizontal, std::u16string_view vertical) {
    scripted::ScriptedRuntime runtime;
    runtime.store[scripted::ScriptedRuntime::storeKey(u"Zelvaro", u"Config", u"Horizontale")] =
        horizontal;
    runtime.store[scripted::ScriptedRuntime::storeKey(u"Zelvaro", u"Config", u"Verticale")] =
        vertical;
    ScreenFrames frames(runtime);
    frames.Load();
    frmZelvaro& frame = *frames.frames().front();
    require(frame.MargeHorizontale() ==
                parseInt32(horizontal).value_or(margins::kDefaultHorizontal),
            "the horizontal margin loads as the stored number or the default");
    require(frame.MargeVerticale() == parseInt32(vertical).value_or(margins::kDefaultVertical),
            "the vertical margin loads as the stored number or the default");

    for (std::int16_t key : {platform::keys::Right, platform::keys::Left, platform::keys::Down,
                             platform::keys::Up, platform::keys::Escape})
        runtime.press(key, scripted::Millis{10});
    runtime.runUntil(scripted::Millis{20});
    require(runtime.quitRequested, "Escape ends the program");
    require(runtime.badRegionCalls == 0 && runtime.liveRegions() == 0,
            "every region is destroyed once, except the window's");
    require(runtime.writes.size() == 2, "the unload writes both margins once");
    require(runtime.writes[0].value == decimalText(frame.MargeHorizontale()) &&
                runtime.writes[1].value == decimalText(frame.MargeVerticale()),
            "the unload writes the margins as they stand");
    for (const auto& write : runtime.writes)
        require(isCleanDecimal(write.value), "the unload writes clean decimal text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = fuzzing::textFrom(data, size);
    checkConversion(text);

    // Any four bytes as a number must survive the trip through text.
    if (size >= 4) {
        const auto n = static_cast<std::int32_t>(
            static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
            static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24);
        require(parseInt32(decimalText(n)) == n, "every 32-bit number reads back from its text");
    }

    // "|" splits the two stored values; without it both keys hold the same text.
    const std::size_t bar = text.find(u'|');
    if (bar == std::u16string::npos) {
        checkFrame(text, text);
    } else {
        const std::u16string_view view(text);
        checkConversion(view.substr(bar + 1));
        checkFrame(view.substr(0, bar), view.substr(bar + 1));
    }
    return 0;
}
