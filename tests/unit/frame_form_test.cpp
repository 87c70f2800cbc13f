#include "frame/frame_form.h"

#include <vector>

#include "frame_fixture.h"

using namespace zelvaro;
using namespace zelvaro::testing;

namespace {

// The 33 shades from the glow down to black.
std::vector<platform::Colour> fadeShades() {
    std::vector<platform::Colour> shades;
    for (int red = 128; red >= 0; red -= 4)
        shades.push_back(platform::rgb(red, 0, 0));
    return shades;
}

std::vector<platform::Colour> coloursFrom(const scripted::ScriptedRuntime& runtime,
                                          std::size_t first) {
    std::vector<platform::Colour> out;
    for (std::size_t i = first; i < runtime.colours.size(); ++i)
        out.push_back(runtime.colours[i].colour);
    return out;
}

} // namespace

using FrameStartup = FrameTest;

TEST_F(FrameStartup, ShowsCoversTheScreenAndGlows) {
    frames.Load();
    EXPECT_TRUE(runtime.shown);
    ASSERT_EQ(runtime.placements.size(), 1u);
    EXPECT_EQ(runtime.placements[0].width, 1024);
    EXPECT_EQ(runtime.placements[0].height, 768);
    EXPECT_EQ(form().MargeHorizontale(), 20);
    EXPECT_EQ(form().MargeVerticale(), 50);
    EXPECT_EQ(runtime.currentColour(), kGlow);
    EXPECT_TRUE(form().tmrMinuterie().enabled());
    EXPECT_EQ(leftBand(), 20);
    EXPECT_EQ(topBand(), 50);
}

TEST_F(FrameStartup, CoversTheWholeScreenAtOneHundredAndFiftyPercent) {
    runtime.setScreen(2880, 1620, 10);
    frames.Load();
    ASSERT_EQ(runtime.placements.size(), 1u);
    EXPECT_EQ(runtime.placements[0].width, 2880);
    EXPECT_EQ(runtime.placements[0].height, 1620);
}

TEST_F(FrameStartup, FadesToBlackIn33Shades25msApartAfter1500ms) {
    frames.Load();
    const std::size_t before = runtime.colours.size();
    runtime.runUntil(1499ms);
    EXPECT_EQ(runtime.colours.size(), before);
    runtime.runUntil(1500ms);
    EXPECT_EQ(coloursFrom(runtime, before), fadeShades());
    for (std::size_t i = 0; i < 33; ++i)
        EXPECT_EQ(runtime.colours[before + i].at, Millis(1500 + 25 * static_cast<int>(i)));
    EXPECT_EQ(runtime.now(), 1500ms + 33 * 25ms);
    // One shot: nothing more until something re-arms it.
    EXPECT_FALSE(form().tmrMinuterie().enabled());
    runtime.runFor(10s);
    EXPECT_EQ(runtime.colours.size(), before + 33);
}

using FrameKeys = FrameTest;

TEST_F(FrameKeys, ArrowsMoveTheBandsAndOtherKeysBeep) {
    frames.Load();
    for (int i = 0; i < 3; ++i)
        runtime.press(keys::Right, 10ms);
    runtime.press(keys::Down, 20ms);
    runtime.press(keys::Down, 20ms);
    runtime.press(keys::Left, 30ms);
    runtime.press(keys::Up, 30ms);
    runtime.press('A', 40ms);
    runtime.press(16 /* Shift */, 40ms);
    runtime.press(13 /* Enter */, 40ms);
    runtime.runUntil(100ms);
    EXPECT_EQ(form().MargeHorizontale(), 22);
    EXPECT_EQ(form().MargeVerticale(), 51);
    EXPECT_EQ(leftBand(), 22);
    EXPECT_EQ(topBand(), 51);
    EXPECT_EQ(runtime.beeps.size(), 3u);
}

TEST_F(FrameKeys, ArrowsAtTheirBoundsNeitherBeepNorReapply) {
    storeMargins(u"511", u"2");
    frames.Load();
    const std::size_t applied = runtime.regionsSet.size();
    runtime.press(keys::Right, 10ms);
    runtime.press(keys::Up, 10ms);
    runtime.runUntil(100ms);
    EXPECT_TRUE(runtime.beeps.empty());
    EXPECT_EQ(runtime.regionsSet.size(), applied);
}

TEST_F(FrameKeys, HoldingRightStopsAt511AndDownAt383) {
    frames.Load();
    for (int i = 0; i < 600; ++i) {
        runtime.keyDown(keys::Right, Millis(i));
        runtime.keyDown(keys::Down, Millis(i));
    }
    runtime.runUntil(1000ms);
    EXPECT_EQ(form().MargeHorizontale(), 511);
    EXPECT_EQ(form().MargeVerticale(), 383);
    // Held keys keep the glow: no release, no fade.
    EXPECT_EQ(runtime.currentColour(), kGlow);
    runtime.runFor(10s);
    EXPECT_EQ(runtime.currentColour(), kGlow);
}

TEST_F(FrameKeys, EveryReleaseRearmsTheFadeEvenWhenNothingChanged) {
    frames.Load();
    runtime.runUntil(3s);
    ASSERT_EQ(runtime.currentColour(), 0u);
    const std::size_t before = runtime.colours.size();
    runtime.press(16 /* Shift */, 4s);
    runtime.runUntil(5499ms);
    EXPECT_EQ(runtime.colours.size(), before);
    runtime.runUntil(5500ms);
    // A fade from black still starts with the jump to the glow.
    EXPECT_EQ(coloursFrom(runtime, before), fadeShades());
}

TEST_F(FrameKeys, ArrowDuringTheCountdownRestartsIt) {
    frames.Load();
    runtime.press(keys::Right, 1000ms); // before the start-up fade
    runtime.runUntil(2499ms);
    EXPECT_EQ(runtime.currentColour(), kGlow);
    const std::size_t before = runtime.colours.size();
    runtime.runUntil(2500ms);
    EXPECT_EQ(coloursFrom(runtime, before), fadeShades());
}

TEST_F(FrameKeys, ReenablingAnArmedFadeDoesNotPostponeIt) {
    frames.Load();
    runtime.keyUp('A', 1000ms); // release of a key pressed before start
    runtime.runUntil(1500ms);
    EXPECT_EQ(runtime.currentColour(), 0u);
}

TEST_F(FrameKeys, AKeyDuringAFadeIsAppliedAfterIt) {
    frames.Load();
    runtime.press(keys::Right, 1600ms); // the fade runs from 1500 to 2325 ms
    runtime.runUntil(1500ms);
    EXPECT_EQ(runtime.now(), 2325ms);
    EXPECT_EQ(form().MargeHorizontale(), 20);
    EXPECT_EQ(runtime.currentColour(), 0u);
    runtime.runUntil(2400ms);
    EXPECT_EQ(form().MargeHorizontale(), 21);
    EXPECT_EQ(runtime.colours.back().colour, kGlow);
    EXPECT_EQ(runtime.colours.back().at, 2325ms);
}

using FrameEnd = FrameTest;

TEST_F(FrameEnd, EscapeSavesTheMarginsAndEndsTheProgram) {
    frames.Load();
    runtime.press(keys::Right, 10ms);
    runtime.press(keys::Up, 10ms);
    runtime.press(keys::Escape, 20ms);
    runtime.press(keys::Right, 30ms);
    runtime.runUntil(100ms);
    EXPECT_TRUE(runtime.quitRequested);
    EXPECT_TRUE(runtime.closed);
    EXPECT_FALSE(form().loaded());
    ASSERT_EQ(runtime.writes.size(), 2u);
    EXPECT_EQ(runtime.writes[0].key, u"Horizontale");
    EXPECT_EQ(runtime.writes[1].key, u"Verticale");
    EXPECT_EQ(stored(u"Horizontale"), u"21");
    EXPECT_EQ(stored(u"Verticale"), u"49");
    EXPECT_EQ(form().MargeHorizontale(), 21);
}

TEST_F(FrameEnd, UnloadWritesBothKeysEvenWhenNothingChangedAndOnlyOnce) {
    storeMargins(u"23", u"52");
    frames.Load();
    EXPECT_TRUE(runtime.writes.empty());
    runtime.closeRequest(5s);
    runtime.runUntil(6s);
    form().Unload();
    ASSERT_EQ(runtime.writes.size(), 2u);
    EXPECT_EQ(stored(u"Horizontale"), u"23");
    EXPECT_EQ(stored(u"Verticale"), u"52");
}

TEST_F(FrameEnd, BadStoredTextStartsWithTheDefaultsAndIsRewrittenClean) {
    storeMargins(u"abc", u"12abc");
    frames.Load();
    runtime.press(keys::Escape, 10ms);
    runtime.runUntil(20ms);
    EXPECT_EQ(stored(u"Horizontale"), u"20");
    EXPECT_EQ(stored(u"Verticale"), u"50");
}

TEST_F(FrameEnd, RestartRestoresTheMargins) {
    frames.Load();
    for (int i = 0; i < 3; ++i)
        runtime.press(keys::Right, 10ms);
    for (int i = 0; i < 2; ++i)
        runtime.press(keys::Down, 10ms);
    runtime.press(keys::Escape, 20ms);
    runtime.runUntil(30ms);

    scripted::ScriptedRuntime next;
    next.store = runtime.store;
    ScreenFrames again(next);
    again.Load();
    EXPECT_EQ(form().MargeHorizontale(), 23);
    EXPECT_EQ(form().MargeVerticale(), 52);
    EXPECT_EQ(next.rectanglesCreated.back(), (platform::PixelRect{23, 52, 1001, 716}));
}

using FrameDisplayChange = FrameTest;

TEST_F(FrameDisplayChange, RefitsTheFrameAndItsLimitsToTheNewScreen) {
    frames.Load();
    runtime.displayChange(1280, 1024, 15, 3s);
    runtime.runUntil(3s + ScreenFrames::kFollowDelay);
    ASSERT_EQ(runtime.placements.size(), 2u);
    EXPECT_EQ(runtime.placements.back().width, 1280);
    EXPECT_EQ(runtime.placements.back().height, 1024);
    EXPECT_EQ(form().limits().MaxHorizontale, 639);
    EXPECT_EQ(form().limits().MaxVerticale, 511);
    EXPECT_EQ(runtime.rectanglesCreated.back(), (platform::PixelRect{20, 50, 1260, 974}));
    // It glows, then fades, as at start-up.
    EXPECT_EQ(runtime.currentColour(), kGlow);
    runtime.runFor(fade::kDelay);
    EXPECT_EQ(runtime.currentColour(), 0u);
}

TEST_F(FrameDisplayChange, ASmallerScreenLowersTheLimitsTheKeysStopAt) {
    storeMargins(u"500", u"380");
    frames.Load();
    runtime.displayChange(800, 600, 10, 1s); // 144 DPI as well
    runtime.press(keys::Right, 2s);
    runtime.press(keys::Down, 2s);
    runtime.runUntil(2s);
    EXPECT_EQ(form().MargeHorizontale(), 500);
    EXPECT_EQ(form().MargeVerticale(), 380);
    runtime.press(keys::Left, 3s);
    runtime.runUntil(3s);
    EXPECT_EQ(form().MargeHorizontale(), 499);
    EXPECT_EQ(runtime.placements.back().width, 800);
}

TEST_F(FrameDisplayChange, IsIgnoredOnceTheFrameHasClosed) {
    frames.Load();
    runtime.press(keys::Escape, 1s);
    runtime.displayChange(640, 480, 15, 1s);
    runtime.runUntil(2s);
    EXPECT_EQ(runtime.placements.size(), 1u);
}

using FrameSecondStart = FrameTest;

TEST_F(FrameSecondStart, TheRunningFrameComesForwardGlowsAndFadesWithItsMarginsUnchanged) {
    storeMargins(u"23", u"52");
    frames.Load();
    runtime.press(keys::Right, 1s);
    runtime.runUntil(5s);
    ASSERT_EQ(runtime.currentColour(), 0u);
    runtime.shown = false;
    const std::size_t before = runtime.colours.size();
    runtime.secondStart(6s);
    runtime.runUntil(6s);
    EXPECT_TRUE(runtime.shown);
    EXPECT_EQ(runtime.currentColour(), kGlow);
    EXPECT_EQ(leftBand(), 24);
    EXPECT_EQ(topBand(), 52);
    EXPECT_EQ(form().MargeHorizontale(), 24);
    EXPECT_TRUE(runtime.writes.empty());
    runtime.runUntil(7499ms);
    EXPECT_EQ(runtime.currentColour(), kGlow);
    runtime.runUntil(7500ms);
    std::vector<platform::Colour> expected{kGlow};
    for (platform::Colour shade : fadeShades())
        expected.push_back(shade);
    EXPECT_EQ(coloursFrom(runtime, before), expected);
}

TEST_F(FrameSecondStart, IsIgnoredOnceTheFrameHasClosed) {
    frames.Load();
    runtime.press(keys::Escape, 1s);
    runtime.runUntil(1s);
    runtime.shown = false;
    const std::size_t colours = runtime.colours.size();
    form().secondStart();
    EXPECT_FALSE(runtime.shown);
    EXPECT_EQ(runtime.colours.size(), colours);
}
