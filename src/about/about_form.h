// The About box: title and version, the program's icon, the author line, the web and e-mail links,
// the donation button whose picture alternates every three seconds, a description and OK.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/runtime.h"

namespace zelvaro {

class frmAPropos final : private platform::DialogEvents {
  public:
    // The controls, by layout id.
    enum Control : int {
        btnOK,
        picIcône,
        txtDescription,
        imgDonnerFR,
        lblSite,
        lblEmail,
        lblAuteur,
        lbl0,
        lbl1,
        imgDonnerEN,
        imgDonner,
        kControlCount
    };

    static constexpr platform::Colour kLinkColour = platform::rgb(0, 0, 255);
    static constexpr platform::Colour kLinkHoverColour = platform::rgb(255, 0, 0);
    // One pixel at 96 DPI: how far the donation button sinks while pressed.
    static constexpr double kPressOffsetTwips = 15;
    static constexpr std::chrono::milliseconds kPictureInterval{3000};
    static constexpr std::u16string_view kCaptionPrefix = u"A propos de ";
    static constexpr std::u16string_view kMailtoPrefix = u"mailto:";
    static constexpr std::u16string_view kDescription =
        u"Ce petit logiciel permet de créer un Zelvaro autour de l'écran afin de \r\n"
        u"masquer les éventuels résidus de diverses applications.\r\n"
        u"\r\n"
        u"Le paramétrage des marges verticale et horizontale s'effectue au moyen \r\n"
        u"des touches flêchées...\r\n";
    static const platform::DialogLayout kLayout;

    // The first About command creates the object; it lives to the end of the run.
    frmAPropos(platform::Runtime& runtime, platform::FrameWindow& owner);
    frmAPropos(const frmAPropos&) = delete;
    frmAPropos& operator=(const frmAPropos&) = delete;
    ~frmAPropos();

    // Loads the box if needed and shows it modally.
    void Show();
    void Load();
    void Unload();
    bool loaded() const { return loaded_; }
    // While open: above the other windows and active again.
    void bringForward();

    void Form_Initialize();
    void Form_Load();
    void btnOK_Click();
    void timDonner_Timer();
    void imgDonner_MouseDown();
    void imgDonner_MouseUp();
    void imgDonner_Click();
    void lblSite_Click();
    void lblEmail_Click();
    void lblSite_MouseMove();
    void lblEmail_MouseMove();
    void Form_MouseMove();

    // What the box shows now.
    const std::u16string& caption() const { return caption_; }
    const std::u16string& text(Control control) const { return texts_[control]; }
    platform::Colour foreColour(Control control) const { return colours_[control]; }
    platform::Picture donationPicture() const { return picture_; }
    platform::TwipsRect donationBounds() const { return donation_; }

  private:
    void onClick(int control) override;
    void onMouseDown(int control, std::int16_t button) override;
    void onMouseUp(int control, std::int16_t button) override;
    void onMouseMove(int control) override;
    void onCloseRequest() override;

    void setText(Control control, std::u16string text);
    void setLinkColours(platform::Colour site, platform::Colour email);
    void openWithShell(const std::u16string& address);

    platform::Runtime& runtime_;
    platform::FrameWindow& owner_;
    std::unique_ptr<platform::DialogWindow> window_;
    std::unique_ptr<platform::Timer> timDonner_;
    bool loaded_ = false;
    // Which donation picture shows; survives from one opening to the next.
    bool bascule_ = false;

    std::u16string caption_;
    std::array<std::u16string, kControlCount> texts_;
    std::array<platform::Colour, kControlCount> colours_{};
    platform::Picture picture_ = platform::Picture::None;
    platform::TwipsRect donation_;
};

} // namespace zelvaro
