// Whatever happens in the About box, the shell is handed only the three addresses this build was
// configured with: the web address, the e-mail address behind "mailto:", and the donation link.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "about/about_form.h"
#include "enciphered_samples.h"
#include "frame_fixture.h"
#include "menu/popup_form.h"

using namespace zelvaro;
using namespace zelvaro::testing;

namespace {

class ShellHandOff : public FrameTest {
  protected:
    void SetUp() override {
        frames.Load();
        runtime.runUntil(3s);
    }
    void openAbout(Millis at) { choose(frmPopup::mnuPopupAProposDe, at); }

    // Every control, the dialog itself, and ids that name no control.
    static std::vector<int> targets() {
        std::vector<int> all = {platform::kDialogItself, -7, frmAPropos::kControlCount, 1000};
        for (int id = 0; id < frmAPropos::kControlCount; ++id)
            all.push_back(id);
        return all;
    }

    const std::set<std::u16string> configured{
        std::u16string(samples::k_web_address_setting),
        u"mailto:" + std::u16string(samples::k_email_address_setting),
        std::u16string(samples::k_donation_address_setting),
    };

    void expectOnlyConfiguredAddresses() const {
        for (const std::u16string& address : runtime.shellOpened)
            EXPECT_TRUE(configured.contains(address))
                << std::string(address.begin(), address.end());
    }
};

} // namespace

TEST_F(ShellHandOff, EveryEventOnEveryTargetHandsOnOnlyTheConfiguredAddresses) {
    openAbout(3100ms);
    Millis at = 3200ms;
    for (int target : targets()) {
        runtime.dialogMouseMove(target, at += 1ms);
        runtime.dialogMouseDown(target, at += 1ms);
        runtime.dialogMouseUp(target, at += 1ms);
        if (target != frmAPropos::btnOK) runtime.dialogClick(target, at += 1ms);
    }
    runtime.dialogClick(frmAPropos::btnOK, at += 1ms);
    runtime.runUntil(at);
    EXPECT_FALSE(runtime.dialog.open);
    expectOnlyConfiguredAddresses();
    EXPECT_EQ(std::set<std::u16string>(runtime.shellOpened.begin(), runtime.shellOpened.end()),
              configured);
    EXPECT_EQ(runtime.shellOpened.size(), 3u);
}

TEST_F(ShellHandOff, RandomSequencesHandOnOnlyTheConfiguredAddresses) {
    const std::vector<int> all = targets();
    std::mt19937 random(1789);
    Millis at = 3100ms;
    for (int i = 0; i < 20000; ++i) {
        const int target = all[random() % all.size()];
        switch (random() % 8) {
        case 0:
            runtime.dialogClick(target, at);
            break;
        case 1:
            runtime.dialogMouseDown(target, at);
            break;
        case 2:
            runtime.dialogMouseUp(target, at);
            break;
        case 3:
            runtime.dialogMouseMove(target, at);
            break;
        case 4:
            if (random() % 8 == 0) runtime.dialogCloseRequest(at);
            break;
        case 5:
            openAbout(at); // goes nowhere while the box is open
            break;
        case 6:
            runtime.press(static_cast<std::int16_t>(platform::keys::Left + random() % 4), at);
            break;
        default:
            at += Millis(random() % 4000); // picture and fade timers tick meanwhile
            break;
        }
        at += Millis(random() % 20);
        if (i % 100 == 99) runtime.runUntil(at);
    }
    runtime.runUntil(at);
    ASSERT_FALSE(runtime.quitRequested);
    expectOnlyConfiguredAddresses();
    EXPECT_EQ(std::set<std::u16string>(runtime.shellOpened.begin(), runtime.shellOpened.end()),
              configured);
    EXPECT_GT(runtime.dialogsCreated, 10);
}
