// A frame per checked screen on the scripted runtime: the menu with one and with several screens,
// each frame's own margins, limits and keyboard, the store, and screens that come and go.
#include "frame_fixture.h"
#include "menu/popup_form.h"

using namespace zelvaro;
using namespace zelvaro::testing;
using platform::Screen;
namespace buttons = platform::buttons;

namespace {

constexpr platform::Colour kBlack = 0;

// A laptop's screen, primary, and a television to its right.
const Screen kLaptop{u"A", {0, 0, 1024, 768}, true};
const Screen kTelevision{u"TV \\\\.\\DISPLAY2#x", {1024, 0, 1824, 600}, false};
// The television's keys: its identity escaped to letters, digits, '-', '.' and '_XX'.
constexpr std::u16string_view kTelevisionToken = u"TV_20_5C_5C._5CDISPLAY2_23x";

std::u16string televisionKey(std::u16string_view primaryKey) {
    return std::u16string(primaryKey) + u"." + std::u16string(kTelevisionToken);
}

Screen primary(Screen screen, bool isPrimary) {
    screen.primary = isPrimary;
    return screen;
}

class Screens : public FrameTest {
  protected:
    void SetUp() override { runtime.setScreens({kLaptop, kTelevision}); }

    // Right click on the frame of a screen, answering the menu.
    void choose(std::u16string_view screen, std::optional<platform::MenuChoice> choice) {
        runtime.menuAnswers.push_back(choice);
        runtime.mouseDownOn(screen, buttons::Right, runtime.now());
        runtime.runFor(0ms);
    }
    // A frame that goes closes its window at the next follow, once the keyboard has moved.
    void toggle(std::u16string_view from, std::size_t screen) {
        choose(from, platform::MenuChoice(frmPopup::mnuPopupÉcrans, screen));
        runtime.runFor(ScreenFrames::kFollowDelay);
    }
    void press(std::int16_t key, int times = 1) {
        for (int i = 0; i < times; ++i)
            runtime.press(key, runtime.now());
        runtime.runFor(0ms);
    }
    // The band edges of the open frame on a screen, probed along the middle of its left and top.
    std::pair<std::int32_t, std::int32_t> bands(std::u16string_view screen) const {
        const scripted::WindowRecord* window = runtime.windowOn(screen);
        if (!window) return {-1, -1};
        const auto& region = window->regionsSet.back();
        const auto& p = window->placements.back();
        std::int32_t h = 0, v = 0;
        while (scripted::contains(region, h, p.height / 2))
            ++h;
        while (scripted::contains(region, p.width / 2, v))
            ++v;
        return {h, v};
    }
    platform::Colour colourOn(std::u16string_view screen) const {
        return runtime.windowOn(screen)->colour;
    }
};

} // namespace

TEST_F(Screens, FirstStartFramesOnlyThePrimaryAndItsMenuListsEveryScreen) {
    frames.Load();
    ASSERT_EQ(frames.frames().size(), 1u);
    EXPECT_TRUE(runtime.windowOn(u"A"));
    choose(u"A", std::nullopt);
    const auto& menu = runtime.menus.back();
    ASSERT_EQ(menu.items.size(), 9u);
    EXPECT_EQ(menu.items[4].caption, u"É&crans");
    EXPECT_TRUE(menu.items[5].separator);
    EXPECT_EQ(menu.items[6].caption, u"&Garder les fenêtres dans le cadre");
    EXPECT_EQ(menu.items[menu.defaultItem].caption, u"&Quitter");
    const auto& screens = menu.submenus.at(4);
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0].caption, u"&1 : 1024 × 768 (principal)");
    EXPECT_EQ(screens[1].caption, u"&2 : 800 × 600");
    EXPECT_TRUE(screens[0].checkable && screens[0].checked);
    EXPECT_TRUE(screens[1].checkable && !screens[1].checked);
}

TEST_F(Screens, EachFrameHasItsOwnMarginsLimitsAndKeyboard) {
    frames.Load();
    toggle(u"A", 1);
    ASSERT_TRUE(runtime.windowOn(kTelevision.identity));
    EXPECT_EQ(runtime.windowOn(kTelevision.identity)->placements.back().x, 1024);
    // Only the frame with the keyboard glows: the new one is black from the start.
    EXPECT_EQ(colourOn(kTelevision.identity), kBlack);
    EXPECT_EQ(colourOn(u"A"), kGlow);

    runtime.mouseDownOn(kTelevision.identity, buttons::Left, runtime.now());
    runtime.runFor(0ms);
    EXPECT_EQ(colourOn(u"A"), kBlack);
    EXPECT_EQ(colourOn(kTelevision.identity), kGlow);
    press(keys::Right, 500);
    press(keys::Down, 500);
    EXPECT_EQ(bands(kTelevision.identity), std::pair(399, 299)); // the 800 × 600 screen's limits
    EXPECT_EQ(bands(u"A"), std::pair(20, 50));
    runtime.runFor(3s);
    EXPECT_EQ(colourOn(kTelevision.identity), kBlack);

    // Reset acts on the frame whose menu it came from.
    runtime.mouseDownOn(u"A", buttons::Left, runtime.now());
    press(keys::Left, 5);
    choose(kTelevision.identity, frmPopup::mnuPopupRéinitialiser);
    EXPECT_EQ(bands(kTelevision.identity), std::pair(20, 50));
    EXPECT_EQ(bands(u"A"), std::pair(15, 50));
}

TEST_F(Screens, EveryWayOutSavesEveryFrameUnderItsScreensKeys) {
    stored(u"Horizontale") = u"30";
    stored(televisionKey(u"Horizontale")) = u"33";
    stored(u"Ecrans") = std::u16string(kTelevisionToken) + u" A";
    frames.Load();
    EXPECT_EQ(bands(u"A"), std::pair(30, 50));
    EXPECT_EQ(bands(kTelevision.identity), std::pair(33, 50));
    choose(kTelevision.identity, frmPopup::mnuPopupQuitter + 2);
    EXPECT_TRUE(runtime.quitRequested);
    EXPECT_EQ(stored(u"Horizontale"), u"30");
    EXPECT_EQ(stored(televisionKey(u"Horizontale")), u"33");
    EXPECT_EQ(stored(televisionKey(u"Verticale")), u"50");
    // The primary's own keys too, so that its margins follow it if another becomes primary.
    EXPECT_EQ(stored(u"Horizontale.A"), u"30");
    EXPECT_EQ(stored(u"Ecrans"), std::u16string(u"A ") + std::u16string(kTelevisionToken));
}

TEST(ScreenKeys, TokensKeepOnlyWhatEveryStoreTakesAndStayDistinct) {
    EXPECT_EQ(margins::keyToken(u"DUMMY1"), u"DUMMY1");
    EXPECT_EQ(margins::keyToken(u"HDMI-1 LG 4K.x"), u"HDMI-1_20LG_204K.x");
    EXPECT_EQ(margins::keyToken(u"a/b=c;d_e"), u"a_2Fb_3Dc_3Bd_5Fe");
    EXPECT_EQ(margins::keyToken(u"Écran"), u"_C3_89cran");
    EXPECT_EQ(margins::keyToken(u"\U0001F4FA"), u"_F0_9F_93_BA");
    EXPECT_EQ(margins::keyToken(u"\xD800"), u"_EF_BF_BD"); // a lone surrogate
    EXPECT_NE(margins::keyToken(u"_"), margins::keyToken(u"_5F"));
    EXPECT_EQ(margins::screenKeys(u"DUMMY1").vertical, u"Verticale.DUMMY1");
}

TEST_F(Screens, UncheckingTheLastCheckedScreenOnlyBeeps) {
    frames.Load();
    toggle(u"A", 0);
    EXPECT_EQ(runtime.beeps.size(), 1u);
    EXPECT_TRUE(runtime.windowOn(u"A"));
    toggle(u"A", 1);
    toggle(u"A", 0); // two checked: the primary may go
    EXPECT_EQ(runtime.beeps.size(), 1u);
    EXPECT_FALSE(runtime.windowOn(u"A"));
    ASSERT_EQ(frames.frames().size(), 1u);
    toggle(kTelevision.identity, 1);
    EXPECT_EQ(runtime.beeps.size(), 2u);
    EXPECT_TRUE(runtime.windowOn(kTelevision.identity));
    // The keyboard went to the frame that is left.
    press(keys::Right);
    EXPECT_EQ(bands(kTelevision.identity), std::pair(21, 50));
}

TEST_F(Screens, AScreenUnpluggedAndPluggedBackGetsItsFrameAndMarginsBack) {
    frames.Load();
    toggle(u"A", 1);
    runtime.mouseDownOn(kTelevision.identity, buttons::Left, runtime.now());
    press(keys::Right, 7);
    const Millis unplugged = runtime.now() + 1s;
    runtime.changeScreens({kLaptop}, unplugged);
    runtime.runUntil(unplugged + 2 * ScreenFrames::kFollowDelay);
    EXPECT_FALSE(runtime.windowOn(kTelevision.identity));
    // The keyboard is back on the primary screen's frame, which glows to say so.
    EXPECT_EQ(colourOn(u"A"), kGlow);
    press(keys::Down);
    EXPECT_EQ(bands(u"A"), std::pair(20, 51));

    runtime.changeScreens({kLaptop, kTelevision}, unplugged + 2s);
    runtime.changeScreens({kLaptop}, unplugged + 3s);
    runtime.changeScreens({kTelevision, primary(kLaptop, true)}, unplugged + 4s); // reordered
    runtime.runUntil(unplugged + 5s);
    EXPECT_EQ(bands(kTelevision.identity), std::pair(27, 50));
    EXPECT_EQ(frames.frames().size(), 2u);
    EXPECT_EQ(runtime.liveRegions(), 0u);
    EXPECT_EQ(runtime.badRegionCalls, 0);

    // Unplugged at the end, its margins are saved all the same.
    runtime.changeScreens({kLaptop}, unplugged + 6s);
    runtime.press(keys::Escape, unplugged + 7s);
    runtime.runUntil(unplugged + 8s);
    EXPECT_EQ(stored(televisionKey(u"Horizontale")), u"27");
    EXPECT_EQ(stored(u"Verticale"), u"51");
}

TEST_F(Screens, WhenTheOnlyCheckedScreenIsUnpluggedThePrimaryStandsInUntilItIsBack) {
    frames.Load();
    toggle(u"A", 1);
    toggle(u"A", 0);
    runtime.changeScreens({kLaptop}, runtime.now() + 1s);
    runtime.runFor(2s);
    ASSERT_TRUE(runtime.windowOn(u"A"));
    EXPECT_EQ(colourOn(u"A"), kGlow);
    runtime.changeScreens({kLaptop, kTelevision}, runtime.now() + 1s);
    runtime.runFor(2s);
    EXPECT_FALSE(runtime.windowOn(u"A"));
    EXPECT_TRUE(runtime.windowOn(kTelevision.identity));
    press(keys::Left);
    EXPECT_EQ(bands(kTelevision.identity), std::pair(19, 50));
}

TEST_F(Screens, ThePrimaryMovingToAnotherScreenTakesTheProgramWideKeysWithItsMargins) {
    stored(u"Horizontale") = u"30";
    frames.Load();
    toggle(u"A", 1);
    runtime.mouseDownOn(kTelevision.identity, buttons::Left, runtime.now());
    press(keys::Right, 4);
    // The television becomes primary, to the left of the laptop.
    const Screen tv{kTelevision.identity, {0, 0, 800, 600}, true};
    const Screen laptop{u"A", {800, 0, 1824, 768}, false};
    runtime.changeScreens({laptop, tv}, runtime.now() + 1s);
    runtime.runFor(2s);
    EXPECT_EQ(runtime.windowOn(u"A")->placements.back().x, 800);
    EXPECT_EQ(bands(u"A"), std::pair(30, 50));
    EXPECT_EQ(bands(kTelevision.identity), std::pair(24, 50));
    press(keys::Escape);
    EXPECT_EQ(stored(u"Horizontale"), u"24");
    EXPECT_EQ(stored(u"Horizontale.A"), u"30");
}

TEST_F(Screens, ASizeChangeOnOneScreenRefitsOnlyItsFrame) {
    frames.Load();
    toggle(u"A", 1);
    const std::size_t laptopPlacements = runtime.windowOn(u"A")->placements.size();
    const Screen smaller{kTelevision.identity, {1024, 0, 1664, 480}, false, 10, 10};
    runtime.changeScreens({kLaptop, smaller}, runtime.now() + 1s);
    runtime.runFor(2s);
    EXPECT_EQ(runtime.windowOn(u"A")->placements.size(), laptopPlacements);
    const auto& placed = runtime.windowOn(kTelevision.identity)->placements.back();
    EXPECT_EQ(placed.width, 640);
    EXPECT_EQ(placed.height, 480);
    runtime.mouseDownOn(kTelevision.identity, buttons::Left, runtime.now());
    press(keys::Down, 300);
    EXPECT_EQ(bands(kTelevision.identity), std::pair(20, 239));
}

TEST_F(Screens, AnAboutBoxHoldsEveryFramesInputAndASecondStartBringsItForward) {
    frames.Load();
    toggle(u"A", 1);
    runtime.mouseDownOn(kTelevision.identity, buttons::Left, runtime.now());
    runtime.runFor(3s);
    choose(kTelevision.identity, frmPopup::mnuPopupAProposDe);
    ASSERT_TRUE(runtime.dialog.open);
    const std::size_t colours = runtime.colours.size();
    runtime.shown = false;
    // Neither the other frame's click nor the keys reach a frame.
    runtime.mouseDownOn(u"A", buttons::Left, runtime.now());
    press(keys::Right);
    runtime.secondStart(runtime.now());
    runtime.runFor(3s);
    EXPECT_EQ(runtime.dialogBroughtForward, 1);
    EXPECT_FALSE(runtime.shown);
    EXPECT_EQ(runtime.colours.size(), colours);
}

TEST_F(Screens, ASecondStartLightsTheFrameWithTheKeyboardOnly) {
    frames.Load();
    toggle(u"A", 1);
    runtime.mouseDownOn(kTelevision.identity, buttons::Left, runtime.now());
    runtime.runFor(3s);
    ASSERT_EQ(colourOn(kTelevision.identity), kBlack);
    runtime.secondStart(runtime.now());
    runtime.runFor(0ms);
    EXPECT_EQ(colourOn(kTelevision.identity), kGlow);
    EXPECT_EQ(colourOn(u"A"), kBlack);
    EXPECT_EQ(frames.keyboardFrame(), frames.frameOn(kTelevision.identity));
    runtime.runFor(3s);
    EXPECT_EQ(colourOn(kTelevision.identity), kBlack);
}
