// Storms of input on the scripted runtime: queued arrows, some during a fade and some while the
// About box holds the frame's input, and menu commands that arrive while another one is open.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "about/about_form.h"
#include "frame_fixture.h"
#include "menu/popup_form.h"
#include "platform/conversions.h"

using namespace zelvaro;
using namespace zelvaro::testing;

namespace {

constexpr platform::Colour kSecondShade = platform::rgb(124, 0, 0);
constexpr Millis kFadeLength = 33 * fade::kShadePause;

class InputStorm : public FrameTest {
  protected:
    // Glows set by the margins changing, as opposed to the first shade of a fade.
    std::vector<Millis> appliedAt(std::size_t first) const {
        std::vector<Millis> times;
        const auto& colours = runtime.colours;
        for (std::size_t i = first; i < colours.size(); ++i)
            if (colours[i].colour == kGlow &&
                (i + 1 == colours.size() || colours[i + 1].colour != kSecondShade))
                times.push_back(colours[i].at);
        return times;
    }

    // Every fade runs its 33 shades 25 ms apart with nothing painted in between.
    void expectFadesUninterrupted() const {
        const auto& colours = runtime.colours;
        for (std::size_t i = 0; i < colours.size(); ++i) {
            if (colours[i].colour != kSecondShade) continue;
            ASSERT_GE(i, 1u);
            ASSERT_LE(i + 32, colours.size());
            const Millis start = colours[i - 1].at;
            for (int k = 0; k < 33; ++k) {
                EXPECT_EQ(colours[i - 1 + k].colour, platform::rgb(128 - 4 * k, 0, 0));
                EXPECT_EQ(colours[i - 1 + k].at, start + k * fade::kShadePause);
            }
        }
    }
};

} // namespace

TEST_F(InputStorm, EveryArrowThatReachesTheFrameIsAppliedOnceInItsTurn) {
    // A screen wide enough that no margin meets a bound: each arrow that arrives changes one.
    runtime.setScreen(100000, 100000, 15);
    storeMargins(u"25000", u"25000");
    frames.Load();
    runtime.runUntil(3s);
    const std::size_t regionsBefore = runtime.regionsSet.size();
    const std::size_t coloursBefore = runtime.colours.size();

    std::mt19937 random(20240611);
    const std::int16_t arrows[] = {keys::Left, keys::Right, keys::Up, keys::Down};
    int queued = 0, cycles = 0;
    std::int32_t horizontal = 25000, vertical = 25000;
    std::vector<Millis> expected; // when each arrow that reaches the frame should be applied

    // Queues one arrow at a time; auto-repeats come without a release of their own.
    const auto arrow = [&](Millis at, std::optional<Millis> appliedAt, bool release) {
        const std::int16_t key = arrows[random() % 4];
        if (release || random() % 4 != 0)
            runtime.press(key, at);
        else
            runtime.keyDown(key, at);
        ++queued;
        if (!appliedAt) return;
        expected.push_back(*appliedAt);
        horizontal += key == keys::Right ? 1 : key == keys::Left ? -1 : 0;
        vertical += key == keys::Down ? 1 : key == keys::Up ? -1 : 0;
    };

    Millis t = runtime.now() + 100ms;
    while (queued < 10000) {
        ++cycles;
        // A burst, some arrows queued at the same instant: each is applied when it arrives.
        const int burst = 20 + static_cast<int>(random() % 80);
        Millis last = t;
        for (int i = 0; i < burst && queued < 10000; ++i) {
            last = t;
            arrow(t, t, i == burst - 1);
            t += Millis(random() % 3);
        }
        // The last release arms the fade; arrows that arrive while it runs wait for its end.
        const Millis fadeStart = last + fade::kDelay;
        const Millis fadeEnd = fadeStart + kFadeLength;
        const int duringFade = 1 + static_cast<int>(random() % 20);
        for (int i = 0; i < duringFade && queued < 10000; ++i)
            arrow(fadeStart + 1ms + Millis(random() % 824), fadeEnd, false);

        // Once any fade they started is over: About, with a second right click on its heels and
        // arrows while it is open, all of which the frame never sees.
        const Millis aboutAt = fadeEnd + fade::kDelay + kFadeLength + 200ms;
        choose(frmPopup::mnuPopupAProposDe, aboutAt);
        runtime.mouseDown(platform::buttons::Right, aboutAt);
        const int whileOpen = static_cast<int>(random() % 40);
        for (int i = 0; i < whileOpen && queued < 10000; ++i)
            arrow(aboutAt + 1ms + Millis(3 * i), std::nullopt, false);
        runtime.dialogClick(frmAPropos::btnOK, aboutAt + 200ms);
        t = aboutAt + 300ms;
        runtime.runUntil(t - 1ms);
    }
    runtime.runUntil(t + 10s);

    EXPECT_EQ(queued, 10000);
    EXPECT_EQ(form().MargeHorizontale(), horizontal);
    EXPECT_EQ(form().MargeVerticale(), vertical);
    EXPECT_EQ(runtime.regionsSet.size() - regionsBefore, expected.size());
    EXPECT_EQ(appliedAt(coloursBefore), expected);
    expectFadesUninterrupted();
    const auto fades = std::count_if(runtime.colours.begin(), runtime.colours.end(),
                                     [](const auto& c) { return c.colour == kSecondShade; });
    EXPECT_GE(fades, cycles);
    EXPECT_EQ(runtime.menus.size(), static_cast<std::size_t>(cycles));
    EXPECT_EQ(runtime.dialogsCreated, cycles);
    EXPECT_TRUE(runtime.menuAnswers.empty());
    EXPECT_LT(expected.size(), 9500u) << "some arrows should have come while About was open";

    runtime.press(keys::Escape, runtime.now());
    runtime.runFor(0ms);
    ASSERT_EQ(runtime.writes.size(), 2u);
    EXPECT_EQ(stored(u"Horizontale"), platform::decimalText(horizontal));
    EXPECT_EQ(stored(u"Verticale"), platform::decimalText(vertical));
}

TEST_F(InputStorm, QuitChosenWhileAboutOpensWaitsAndThenSavesOnce) {
    frames.Load();
    runtime.runUntil(3s);
    // About and then Quit, chosen from two menus of the same instant: the second right click
    // comes while the box is open, like Escape, and goes nowhere.
    runtime.menuAnswers = {frmPopup::mnuPopupAProposDe, frmPopup::mnuPopupQuitter};
    runtime.mouseDown(platform::buttons::Right, 3100ms);
    runtime.mouseDown(platform::buttons::Right, 3100ms);
    runtime.press(keys::Escape, 3100ms);
    runtime.runUntil(3150ms);
    EXPECT_TRUE(runtime.dialog.open);
    EXPECT_EQ(runtime.menus.size(), 1u);
    EXPECT_FALSE(runtime.quitRequested);
    EXPECT_TRUE(runtime.writes.empty());

    runtime.dialogClick(frmAPropos::btnOK, 3200ms);
    runtime.press(keys::Right, 3300ms);
    runtime.mouseDown(platform::buttons::Right, 3400ms); // the next menu: Quit
    runtime.press(keys::Escape, 3400ms);
    runtime.closeRequest(3400ms);
    runtime.runUntil(4s);
    form().Unload();
    EXPECT_TRUE(runtime.quitRequested);
    ASSERT_EQ(runtime.writes.size(), 2u);
    EXPECT_EQ(stored(u"Horizontale"), u"21");
    EXPECT_EQ(stored(u"Verticale"), u"50");
}

TEST_F(InputStorm, FrameClosedUnderAnOpenAboutSavesOnceAndBothGoCleanly) {
    frames.Load();
    choose(frmPopup::mnuPopupAProposDe, 100ms);
    runtime.runUntil(200ms);
    ASSERT_TRUE(form().aPropos().loaded());
    // The end of the session is no input: it reaches the frame while About is open.
    runtime.closeRequest(300ms);
    runtime.runUntil(400ms);
    form().Unload();
    form().Unload();
    EXPECT_TRUE(runtime.quitRequested);
    EXPECT_EQ(runtime.writes.size(), 2u);
    // The box still answers until it goes with the frame at the end of the test.
    form().aPropos().timDonner_Timer();
    form().aPropos().btnOK_Click();
    EXPECT_FALSE(runtime.dialog.open);
}
