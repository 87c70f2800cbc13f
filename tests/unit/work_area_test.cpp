// Windows kept out of the bands: the menu item, its stored value, what each frame asks and when.
#include "frame_fixture.h"
#include "menu/popup_form.h"

using namespace zelvaro;
using namespace zelvaro::testing;
using platform::Edges;

namespace {

class WorkArea : public FrameTest {
  protected:
    void load(std::u16string stored = {}) {
        if (!stored.empty()) this->stored(u"Reserver") = stored;
        frames.Load();
        runtime.runUntil(3s);
    }
    void run(std::optional<platform::MenuChoice> item = std::nullopt, std::int16_t key = 0) {
        if (key)
            runtime.press(key);
        else
            choose(item, runtime.now());
        runtime.runFor(0ms);
    }
    const std::vector<Edges>& reservations() const { return runtime.windows[0]->reservations; }
    const platform::MenuItem& menuItem() {
        run();
        return runtime.menus.back().items[frmPopup::mnuPopupGarder];
    }
};

} // namespace

TEST_F(WorkArea, TheItemReservesTheBandsStoresTheChoiceAndGivesTheSpaceBack) {
    load();
    EXPECT_FALSE(menuItem().checked);
    run(frmPopup::mnuPopupGarder);
    EXPECT_EQ(reservations(), (std::vector<Edges>{{20, 50, 20, 50}}));
    EXPECT_EQ(stored(u"Reserver"), u"1");
    EXPECT_TRUE(menuItem().checked);
    run(frmPopup::mnuPopupGarder);
    EXPECT_EQ(reservations().back(), Edges{});
    EXPECT_EQ(stored(u"Reserver"), u"0");
}

TEST_F(WorkArea, FollowsOnceAnAdjustmentEndsNotAtEveryStep) {
    storeMargins(u"30", u"40");
    load(u"1");
    ASSERT_EQ(reservations(), (std::vector<Edges>{{30, 40, 30, 40}}));
    for (int i = 0; i < 3; ++i) // auto-repeat: three presses, one release
        runtime.keyDown(keys::Right, runtime.now());
    runtime.runFor(0ms);
    EXPECT_EQ(reservations().size(), 1u);
    runtime.keyUp(keys::Right, runtime.now());
    run(std::nullopt, 36); // a release that changes nothing asks nothing
    EXPECT_EQ(reservations(), (std::vector<Edges>{{30, 40, 30, 40}, {33, 40, 33, 40}}));
    run(frmPopup::mnuPopupRéinitialiser);
    EXPECT_EQ(reservations().back(), (Edges{20, 50, 20, 50}));
    runtime.displayChange(640, 90, 15, runtime.now());
    runtime.runFor(1s);
    EXPECT_EQ(reservations().back(), (Edges{20, 45, 20, 45}));
    run(std::nullopt, keys::Escape);
    EXPECT_EQ(reservations().back(), Edges{});
}

TEST_F(WorkArea, ADesktopThatCannotReserveShowsTheItemDisabledAndKeepsTheStore) {
    runtime.reservable = false;
    load(u"1");
    EXPECT_TRUE(menuItem().disabled);
    EXPECT_FALSE(menuItem().checked);
    frames.toggleReserving();
    EXPECT_TRUE(reservations().empty());
    EXPECT_EQ(stored(u"Reserver"), u"1");
}
