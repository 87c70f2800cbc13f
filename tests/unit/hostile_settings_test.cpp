// Whatever the settings store holds, the frame starts with a defined margin (the stored number or
// the default) and its next unload writes clean decimal text.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "clean_decimal.h"
#include "frame/frame_form.h"
#include "frame/margins.h"
#include "platform/conversions.h"
#include "platform/scripted/scripted_runtime.h"
#include "screens/screen_frames.h"

using namespace zelvaro;
using zelvaro::testing::isCleanDecimal;
using namespace std::chrono_literals;
using namespace std::string_literals;
namespace keys = platform::keys;

namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

struct Hostile {
    const char* what;
    std::u16string text;
    std::optional<std::int32_t> value; // nothing: the default
};

std::vector<Hostile> hostileTexts() {
    return {
        {"empty", u"", {}},
        {"blanks only", u" \t  ", {}},
        {"blanks around", u" \t 7 \t", 7},
        {"no-break space", u"\u00A07", {}},
        {"line breaks", u"\r\n7\r\n", {}},
        {"plus", u"+5", 5},
        {"minus", u"-7", -7},
        {"minus zero", u"-0", 0},
        {"sign alone", u"-", {}},
        {"two signs", u"+-1", {}},
        {"blank after the sign", u"- 5", {}},
        {"minus sign character", u"\u22125", {}},
        {"tie down to even", u"20.5", 20},
        {"tie up to even", u"21.5", 22},
        {"negative tie", u"-21.5", -22},
        {"tie at zero", u"0.5", 0},
        {"half without a whole part", u".5", 0},
        {"just above half", u"20.500000000000000000000001", 21},
        {"tie below the largest", u"2147483646.5", 2147483646},
        {"tie past the largest", u"2147483647.5", {}},
        {"tie at the smallest", u"-2147483648.5", kMin},
        {"tie onto the smallest", u"-2147483647.5", kMin},
        {"point alone", u".", {}},
        {"two points", u"1.2.3", {}},
        {"comma", u"1,5", {}},
        {"exponent", u"1e3", {}},
        {"hex prefix", u"&H10", {}},
        {"largest", u"2147483647", kMax},
        {"smallest", u"-2147483648", kMin},
        {"one past the largest", u"2147483648", {}},
        {"one past the smallest", u"-2147483649", {}},
        {"wraps to 1 in 32 bits", u"4294967297", {}},
        {"wraps to 1 in 64 bits", u"18446744073709551617", {}},
        {"a thousand nines", std::u16string(1000, u'9'), {}},
        {"a one and 400 zeros", u"1" + std::u16string(400, u'0'), {}},
        {"ten thousand leading zeros", std::u16string(10000, u'0') + u"7", 7},
        {"NUL alone", u"\0"s, {}},
        {"NUL after the number", u"20\0"s, {}},
        {"NUL before the number",
         u"\0"s
         u"20",
         {}},
        {"Arabic-Indic digits", u"\u0662\u0660", {}},
        {"full-width digits", u"\uFF12\uFF10", {}},
        {"Devanagari digit", u"\u0967", {}},
        {"superscript two", u"\u00B2", {}},
        {"low byte of a digit", u"\u0132\u3130", {}}, // units whose low bytes read "20"
        {"lone surrogate", u"2\xD800", {}},
        {"units", u"20px", {}},
    };
}

std::string printable(std::u16string_view text) {
    std::string out;
    for (char16_t c : text.substr(0, 40)) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
            out += escaped;
        }
    }
    return text.size() > 40 ? out + "..." : out;
}

// Starts the frame on this store, presses the given keys, closes it with Escape, and checks the
// margins it started with and that it wrote them, as they then stood, as clean decimal text.
std::vector<scripted::SettingWrite>
startAndClose(std::u16string_view horizontal, std::u16string_view vertical,
              std::optional<std::int32_t> expectHorizontal,
              std::optional<std::int32_t> expectVertical,
              std::initializer_list<std::int16_t> presses = {}) {
    scripted::ScriptedRuntime runtime;
    runtime.store[runtime.storeKey(u"Zelvaro", u"Config", u"Horizontale")] = horizontal;
    runtime.store[runtime.storeKey(u"Zelvaro", u"Config", u"Verticale")] = vertical;
    ScreenFrames frames(runtime);
    frames.Load();
    frmZelvaro& frame = *frames.frames().front();
    EXPECT_EQ(frame.MargeHorizontale(), expectHorizontal.value_or(margins::kDefaultHorizontal));
    EXPECT_EQ(frame.MargeVerticale(), expectVertical.value_or(margins::kDefaultVertical));
    EXPECT_EQ(runtime.regionsSet.size(), 1u);

    for (std::int16_t key : presses)
        runtime.press(key, 10ms);
    runtime.press(keys::Escape, 20ms);
    runtime.runUntil(30ms);
    EXPECT_TRUE(runtime.quitRequested);
    EXPECT_EQ(runtime.writes.size(), 2u);
    if (runtime.writes.size() != 2) return runtime.writes;
    EXPECT_EQ(runtime.writes[0].value, platform::decimalText(frame.MargeHorizontale()));
    EXPECT_EQ(runtime.writes[1].value, platform::decimalText(frame.MargeVerticale()));
    for (const auto& write : runtime.writes)
        EXPECT_TRUE(isCleanDecimal(write.value)) << printable(write.value);
    EXPECT_EQ(runtime.badRegionCalls, 0);
    EXPECT_EQ(runtime.liveRegions(), 0u);
    return runtime.writes;
}

} // namespace

TEST(HostileSettings, StartWithTheStoredNumberOrTheDefaultAndAreRewrittenClean) {
    for (const Hostile& h : hostileTexts()) {
        SCOPED_TRACE(h.what);
        startAndClose(h.text, h.text, h.value, h.value);
    }
}

TEST(HostileSettings, OneBadKeyLeavesTheOtherAsStored) {
    startAndClose(u"1e3", u"77", std::nullopt, 77);
    startAndClose(u"77", u"\0"s, 77, std::nullopt);
}

TEST(HostileSettings, RandomUnitsStartDefinedAndAreRewrittenClean) {
    // Mostly the characters of numbers, so that some random texts are numbers too.
    const std::u16string alphabet = u"0123456789+-. \t";
    std::mt19937 random(20240611);
    int numbers = 0;
    for (int i = 0; i < 500; ++i) {
        std::u16string text(random() % 24, u'\0');
        for (char16_t& c : text)
            c = random() % 4 != 0 ? alphabet[random() % alphabet.size()]
                                  : static_cast<char16_t>(random());
        const auto parsed = platform::parseInt32(text);
        numbers += parsed.has_value();
        SCOPED_TRACE(printable(text));
        startAndClose(text, text, parsed, parsed);
    }
    EXPECT_GT(numbers, 25) << "the alphabet should make some texts numbers";
}

TEST(HostileSettings, MarginsAtTheEndsOfTheRangeStepWithoutWrapping) {
    // Right at the largest value and Left at the smallest are past their bounds: nothing changes.
    auto writes = startAndClose(u"2147483647", u"-2147483648", kMax, kMin,
                                {keys::Right, keys::Left, keys::Up, keys::Down});
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].value, u"2147483646");
    EXPECT_EQ(writes[1].value, u"-2147483647");
    writes = startAndClose(u"-2147483648", u"2147483647", kMin, kMax,
                           {keys::Left, keys::Right, keys::Down, keys::Up});
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].value, u"-2147483647");
    EXPECT_EQ(writes[1].value, u"2147483646");
}

TEST(HostileSettings, AnyCheckedSetAndScreenMarginsStartFramesAndAreRewrittenClean) {
    std::vector<Hostile> texts = hostileTexts();
    texts.push_back({"both screens", u"A B", {}});
    texts.push_back({"separators of every kind", u";B,,A\t\r\n=B/", {}});
    std::u16string many;
    for (int i = 0; i < 1000; ++i)
        many.append(u"t").append(platform::decimalText(i)).append(u" ");
    texts.push_back({"a thousand tokens", many, {}});
    for (const Hostile& h : texts) {
        SCOPED_TRACE(h.what);
        scripted::ScriptedRuntime runtime;
        runtime.setScreens({{u"A", {0, 0, 1024, 768}, true}, {u"B", {1024, 0, 1824, 600}}});
        runtime.store[runtime.storeKey(u"Zelvaro", u"Config", u"Ecrans")] = h.text;
        runtime.store[runtime.storeKey(u"Zelvaro", u"Config", u"Horizontale.B")] = h.text;
        runtime.store[runtime.storeKey(u"Zelvaro", u"Config", u"Verticale.B")] = h.text;
        ScreenFrames frames(runtime);
        frames.Load();
        ASSERT_FALSE(frames.frames().empty());
        runtime.mouseDownOn(frames.frames().back()->screen().identity, platform::buttons::Left,
                            5ms);
        runtime.press(keys::Right, 10ms);
        runtime.press(keys::Escape, 20ms);
        runtime.runUntil(30ms);
        EXPECT_TRUE(runtime.quitRequested);
        EXPECT_EQ(runtime.badRegionCalls, 0);
        for (const auto& write : runtime.writes) {
            if (write.key == ScreenFrames::kCheckedKey) {
                // Tokens kept for screens not plugged in, in a bounded number.
                EXPECT_LE(write.value.size(),
                          ScreenFrames::kMaxCheckedKept * (ScreenFrames::kMaxTokenLength + 1));
                for (char16_t c : write.value)
                    EXPECT_TRUE(c < 0x80 && (std::isalnum(c) || std::strchr(" -._", c)))
                        << printable(write.value);
            } else {
                EXPECT_TRUE(isCleanDecimal(write.value)) << printable(write.value);
            }
        }
    }
}
