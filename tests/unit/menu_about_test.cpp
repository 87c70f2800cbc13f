#include <gtest/gtest.h>

#include "about/about_form.h"
#include "about/enciphered.h"
#include "about/general.h"
#include "frame_fixture.h"
#include "menu/popup_form.h"

using namespace zelvaro;
using namespace zelvaro::testing;
using platform::Picture;

namespace {

constexpr platform::Colour kBlue = platform::rgb(0, 0, 255);
constexpr platform::Colour kRed = platform::rgb(255, 0, 0);

class MenuTest : public FrameTest {
  protected:
    void SetUp() override {
        frames.Load();
        runtime.runUntil(3s); // past the start-up fade
    }
    const scripted::DialogState& about() const { return runtime.dialog; }
};

} // namespace

TEST_F(MenuTest, RightClickShowsTheItemsWithQuitAsDefault) {
    choose(std::nullopt, 3100ms);
    runtime.runUntil(3200ms);
    ASSERT_EQ(runtime.menus.size(), 1u);
    const auto& menu = runtime.menus[0];
    ASSERT_EQ(menu.items.size(), 7u);
    EXPECT_EQ(menu.items[0].caption, u"A &propos de...");
    EXPECT_TRUE(menu.items[1].separator);
    EXPECT_EQ(menu.items[2].caption, u"&Réinitialiser marges");
    EXPECT_TRUE(menu.items[3].separator);
    EXPECT_EQ(menu.items[4].caption, u"&Garder les fenêtres dans le cadre");
    EXPECT_TRUE(menu.items[4].checkable && !menu.items[4].checked && !menu.items[4].disabled);
    EXPECT_TRUE(menu.items[5].separator);
    EXPECT_EQ(menu.items[6].caption, u"&Quitter");
    for (const auto& item : menu.items)
        EXPECT_TRUE(item.submenu.empty());
    EXPECT_EQ(menu.defaultItem, frmPopup::kDefaultItem);
    EXPECT_EQ(menu.items[menu.defaultItem].caption, u"&Quitter");
    EXPECT_FALSE(form().popup().loaded());
}

TEST_F(MenuTest, OtherButtonsAndADismissedMenuChangeNothing) {
    const std::size_t colours = runtime.colours.size();
    runtime.mouseDown(platform::buttons::Left, 3100ms);
    runtime.mouseDown(platform::buttons::Middle, 3100ms);
    choose(std::nullopt, 3200ms);
    runtime.runUntil(10s);
    EXPECT_EQ(runtime.menus.size(), 1u);
    EXPECT_EQ(runtime.colours.size(), colours);
    EXPECT_EQ(form().MargeHorizontale(), 20);
    EXPECT_TRUE(runtime.writes.empty());
    EXPECT_FALSE(runtime.quitRequested);
}

TEST_F(MenuTest, ResetRestoresTheDefaultsAndGlowsThenFadesEvenWhenAlreadyThere) {
    for (const int presses : {5, 0}) {
        for (int i = 0; i < presses; ++i)
            runtime.press(keys::Left, runtime.now());
        runtime.runFor(3s);
        choose(frmPopup::mnuPopupRéinitialiser, runtime.now());
        runtime.runFor(0ms);
        EXPECT_EQ(form().MargeHorizontale(), 20);
        EXPECT_EQ(form().MargeVerticale(), 50);
        EXPECT_EQ(runtime.currentColour(), kGlow);
        EXPECT_EQ(leftBand(), 20);
        runtime.runFor(1500ms);
        EXPECT_EQ(runtime.currentColour(), 0u) << presses;
    }
}

TEST_F(MenuTest, QuitSavesAndEndsLikeEscapeAndUnloadingTwiceIsHarmless) {
    runtime.press(keys::Right, 3100ms);
    choose(frmPopup::mnuPopupQuitter, 3200ms);
    runtime.runUntil(4s);
    EXPECT_TRUE(runtime.quitRequested);
    EXPECT_FALSE(form().loaded());
    EXPECT_FALSE(form().popup().loaded());
    ASSERT_EQ(runtime.writes.size(), 2u);
    EXPECT_EQ(stored(u"Horizontale"), u"21");
    EXPECT_EQ(stored(u"Verticale"), u"50");
}

TEST_F(MenuTest, AboutIsModalAndTheFrameKeepsItsMarginsThroughIt) {
    choose(frmPopup::mnuPopupAProposDe, 3100ms);
    runtime.runUntil(3100ms);
    EXPECT_EQ(runtime.modalShows, 1);
    EXPECT_TRUE(about().open);
    const std::size_t colours = runtime.colours.size();
    runtime.press(keys::Right, 3200ms);
    runtime.press(keys::Escape, 3200ms);
    runtime.runUntil(5s);
    EXPECT_EQ(runtime.colours.size(), colours) << "no release rearms the fade";
    runtime.dialogClick(frmAPropos::btnOK, 5s);
    runtime.press(keys::Down, 5100ms);
    runtime.runUntil(5200ms);
    EXPECT_FALSE(about().open);
    EXPECT_FALSE(runtime.quitRequested);
    EXPECT_EQ(form().MargeHorizontale(), 20);
    EXPECT_EQ(form().MargeVerticale(), 51);
}

using AboutTest = MenuTest;

TEST_F(AboutTest, ShowsTheTitleTheTrimmedDescriptionAndTheDecipheredTexts) {
    choose(frmPopup::mnuPopupAProposDe, 3100ms);
    runtime.runUntil(3100ms);
    EXPECT_EQ(about().caption, u"A propos de Zelvaro v1.2.2");
    const std::u16string& description = about().texts.at(frmAPropos::txtDescription);
    EXPECT_TRUE(description.ends_with(u"des touches flêchées...")) << "one CR LF removed";
    EXPECT_EQ(description.size(), frmAPropos::kDescription.size() - 2);
    EXPECT_EQ(about().texts.at(frmAPropos::lblAuteur),
              modGénéral::DecoderTexte(enciphered::kAuteur));
    EXPECT_EQ(about().texts.at(frmAPropos::lblSite), modGénéral::DecoderTexte(enciphered::kSite));
    EXPECT_EQ(about().texts.at(frmAPropos::lblEmail), modGénéral::DecoderTexte(enciphered::kEmail));
    EXPECT_FALSE(about().texts.at(frmAPropos::lblSite).empty());
    EXPECT_EQ(about().foreColours.at(frmAPropos::lblSite), kBlue);
}

TEST(AboutDescription, OnlyOneTrailingLineEndIsRemoved) {
    EXPECT_TRUE(frmAPropos::kDescription.ends_with(u"...\r\n"));
    EXPECT_FALSE(frmAPropos::kDescription.ends_with(u"\r\n\r\n"));
}

TEST_F(AboutTest, DonationPictureAlternatesEvery3sAndTheToggleSurvivesClosing) {
    choose(frmPopup::mnuPopupAProposDe, 3100ms);
    runtime.runUntil(3100ms);
    EXPECT_EQ(about().pictures.at(frmAPropos::imgDonner), Picture::DonationFrench);
    runtime.runUntil(6100ms);
    EXPECT_EQ(about().pictures.at(frmAPropos::imgDonner), Picture::DonationEnglish);
    runtime.runUntil(9100ms);
    EXPECT_EQ(about().pictures.at(frmAPropos::imgDonner), Picture::DonationFrench);
    runtime.dialogCloseRequest(9200ms); // closed while French shows

    choose(frmPopup::mnuPopupAProposDe, 9300ms);
    runtime.runUntil(9300ms);
    EXPECT_EQ(about().pictures.at(frmAPropos::imgDonner), Picture::DonationEnglish);
    runtime.dialogClick(frmAPropos::btnOK, 9400ms); // closed while English shows

    choose(frmPopup::mnuPopupAProposDe, 20s);
    runtime.runUntil(20s);
    EXPECT_EQ(about().pictures.at(frmAPropos::imgDonner), Picture::DonationFrench);
    EXPECT_EQ(runtime.dialogsCreated, 3);
    EXPECT_EQ(runtime.commonControlsInitialised, 1);
    // A closed box's timer no longer ticks.
    runtime.dialogClick(frmAPropos::btnOK, 21s);
    runtime.runUntil(40s);
    EXPECT_EQ(about().pictures.at(frmAPropos::imgDonner), Picture::DonationFrench);
}

TEST_F(AboutTest, PressingTheDonationButtonSinksItOnePixelAndReleasingRestoresIt) {
    choose(frmPopup::mnuPopupAProposDe, 3100ms);
    runtime.runUntil(3100ms);
    const auto start = about().positions.at(frmAPropos::imgDonner);
    EXPECT_EQ(start, std::make_pair(4440.0, 660.0));
    runtime.dialogMouseDown(frmAPropos::imgDonner, 3200ms);
    runtime.runUntil(3200ms);
    EXPECT_EQ(about().positions.at(frmAPropos::imgDonner), std::make_pair(4455.0, 675.0));
    runtime.dialogMouseUp(frmAPropos::imgDonner, 3300ms);
    runtime.runUntil(3300ms);
    EXPECT_EQ(about().positions.at(frmAPropos::imgDonner), start);
}

TEST_F(AboutTest, LinksTurnRedOnlyUnderThePointer) {
    choose(frmPopup::mnuPopupAProposDe, 3100ms);
    runtime.runUntil(3100ms);
    struct Row {
        int over;
        platform::Colour site, email;
    };
    const Row table[] = {
        {frmAPropos::lblSite, kRed, kBlue},      {frmAPropos::lblEmail, kBlue, kRed},
        {frmAPropos::imgDonner, kBlue, kRed}, // unchanged
        {platform::kDialogItself, kBlue, kBlue}, {frmAPropos::lblSite, kRed, kBlue},
        {frmAPropos::picIcône, kBlue, kBlue},
    };
    Millis at = 3200ms;
    for (const Row& row : table) {
        runtime.dialogMouseMove(row.over, at);
        runtime.runUntil(at);
        EXPECT_EQ(about().foreColours.at(frmAPropos::lblSite), row.site) << row.over;
        EXPECT_EQ(about().foreColours.at(frmAPropos::lblEmail), row.email) << row.over;
        at += 10ms;
    }
    for (int control : {frmAPropos::lblAuteur, frmAPropos::lbl0, frmAPropos::lbl1,
                        frmAPropos::btnOK, frmAPropos::txtDescription}) {
        runtime.dialogMouseMove(frmAPropos::lblEmail, at);
        runtime.dialogMouseMove(control, at);
        runtime.runUntil(at);
        EXPECT_EQ(about().foreColours.at(frmAPropos::lblEmail), kBlue) << control;
        at += 10ms;
    }
}

TEST_F(AboutTest, HandsTheShellTheShownAddressesAndTheDecipheredDonationLink) {
    choose(frmPopup::mnuPopupAProposDe, 3100ms);
    runtime.dialogMouseMove(frmAPropos::lblSite, 3200ms);
    runtime.dialogClick(frmAPropos::lblSite, 3200ms);
    runtime.dialogClick(frmAPropos::lblEmail, 3300ms);
    runtime.dialogClick(frmAPropos::imgDonner, 3400ms);
    runtime.runUntil(3500ms);
    ASSERT_EQ(runtime.shellOpened.size(), 3u);
    EXPECT_EQ(runtime.shellOpened[0], about().texts.at(frmAPropos::lblSite));
    EXPECT_EQ(runtime.shellOpened[1], u"mailto:" + about().texts.at(frmAPropos::lblEmail));
    EXPECT_EQ(runtime.shellOpened[2], modGénéral::DecoderTexte(enciphered::kDonner));
    // A link click leaves both links blue.
    EXPECT_EQ(about().foreColours.at(frmAPropos::lblSite), kBlue);
    EXPECT_TRUE(about().open);
}
