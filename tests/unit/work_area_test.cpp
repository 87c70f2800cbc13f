// Keeping other windows out of the bands: the menu's check item, its one stored value, and what
// each frame asks of the desktop, and when.
#include "frame_fixture.h"
#include "menu/popup_form.h"

using namespace zelvaro;
using namespace zelvaro::testing;
using platform::Edges;

namespace {

constexpr std::int16_t kHome = 36;

class WorkArea : public FrameTest {
  protected:
    void load(std::u16string stored = {}) {
        if (!stored.empty()) this->stored(u"Reserver") = stored;
        frames.Load();
        runtime.runUntil(3s);
    }
    void toggle() {
        choose(frmPopup::mnuPopupGarder, runtime.now());
        runtime.runFor(0ms);
    }
    const std::vector<Edges>& reservations() const { return runtime.windows[0]->reservations; }
    const platform::MenuItem& menuItem() {
        choose(std::nullopt, runtime.now());
        runtime.runFor(0ms);
        return runtime.menus.back().items[frmPopup::mnuPopupGarder];
    }
    bool wrote(std::u16string_view key) const {
        for (const auto& write : runtime.writes)
            if (write.key == key) return true;
        return false;
    }
};

} // namespace

TEST_F(WorkArea, AbsentItIsOffAsksNothingAndStaysAbsent) {
    load();
    EXPECT_FALSE(menuItem().checked);
    runtime.press(keys::Escape);
    runtime.runFor(0ms);
    EXPECT_TRUE(runtime.quitRequested);
    EXPECT_TRUE(reservations().empty());
    EXPECT_FALSE(wrote(u"Reserver"));
}

TEST_F(WorkArea, TheItemReservesTheBandsStoresTheChoiceAndGivesTheSpaceBack) {
    load();
    toggle();
    EXPECT_EQ(reservations(), (std::vector<Edges>{{20, 50, 20, 50}}));
    EXPECT_EQ(stored(u"Reserver"), u"1");
    EXPECT_TRUE(menuItem().checked);
    toggle();
    EXPECT_EQ(reservations().back(), Edges{});
    EXPECT_EQ(stored(u"Reserver"), u"0");
    EXPECT_FALSE(menuItem().checked);
}

TEST_F(WorkArea, FollowsOnceAnAdjustmentEndsNotAtEveryStep) {
    storeMargins(u"30", u"40");
    load(u"1");
    ASSERT_EQ(reservations(), (std::vector<Edges>{{30, 40, 30, 40}}));
    // Auto-repeat: three presses, one release.
    for (int i = 0; i < 3; ++i)
        runtime.keyDown(keys::Right, runtime.now());
    runtime.runFor(0ms);
    EXPECT_EQ(reservations().size(), 1u);
    runtime.keyUp(keys::Right, runtime.now());
    runtime.press(kHome); // a release that changes nothing asks nothing
    runtime.runFor(0ms);
    EXPECT_EQ(reservations(), (std::vector<Edges>{{30, 40, 30, 40}, {33, 40, 33, 40}}));
    choose(frmPopup::mnuPopupRéinitialiser, runtime.now());
    runtime.runFor(0ms);
    EXPECT_EQ(reservations().back(), (Edges{20, 50, 20, 50}));
    // Never past the middle of a screen too small for the margins.
    runtime.displayChange(640, 90, 15, runtime.now());
    runtime.runFor(1s);
    EXPECT_EQ(reservations().back(), (Edges{20, 45, 20, 45}));
    runtime.press(keys::Escape);
    runtime.runFor(0ms);
    EXPECT_EQ(reservations().back(), Edges{});
    EXPECT_TRUE(runtime.windows[0]->closed);
}

TEST_F(WorkArea, ADesktopThatCannotReserveShowsTheItemDisabledAndIgnoresTheStore) {
    runtime.reservable = false;
    load(u"1");
    const platform::MenuItem& item = menuItem();
    EXPECT_TRUE(item.disabled);
    EXPECT_FALSE(item.checked);
    frames.toggleReserving();
    EXPECT_TRUE(reservations().empty());
    EXPECT_EQ(stored(u"Reserver"), u"1");
}
