#include "about/about_form.h"

#include "about/enciphered.h"
#include "about/general.h"

namespace zelvaro {

using platform::ControlKind;
using platform::ControlLayout;
using platform::Picture;

namespace {

constexpr ControlLayout link(int id, platform::TwipsRect bounds, int tabIndex) {
    ControlLayout c{.id = id, .kind = ControlKind::Label, .bounds = bounds, .tabIndex = tabIndex};
    c.link = true;
    c.handCursor = true;
    c.foreColour = frmAPropos::kLinkColour;
    return c;
}

// In the order the controls are created; the captions of the author line and of both links are
// deciphered at load.
constexpr std::array<ControlLayout, frmAPropos::kControlCount> kControls{{
    {.id = frmAPropos::btnOK,
     .kind = ControlKind::CommandButton,
     .bounds = {4440, 120, 1335, 495},
     .text = u"&OK",
     .tabIndex = 6,
     .defaultButton = true,
     .cancelButton = true},
    {.id = frmAPropos::picIcône,
     .kind = ControlKind::PictureBox,
     .bounds = {120, 180, 720, 720},
     .tabIndex = 0,
     .picture = Picture::Icon},
    {.id = frmAPropos::txtDescription,
     .kind = ControlKind::TextBox,
     .bounds = {120, 1080, 5655, 2055},
     .text = frmAPropos::kDescription,
     .tabIndex = 7,
     .multiLineReadOnly = true,
     .backColour = platform::kSystemTooltipBackground},
    {.id = frmAPropos::imgDonnerFR,
     .kind = ControlKind::Image,
     .bounds = {4440, 720, 1335, 315},
     .visible = false,
     .picture = Picture::DonationFrench},
    link(frmAPropos::lblSite, {1605, 420, 1770, 195}, 3),
    link(frmAPropos::lblEmail, {1605, 660, 1530, 195}, 5),
    {.id = frmAPropos::lblAuteur,
     .kind = ControlKind::Label,
     .bounds = {1005, 180, 3135, 255},
     .tabIndex = 1},
    {.id = frmAPropos::lbl0,
     .kind = ControlKind::Label,
     .bounds = {1035, 420, 615, 255},
     .text = u"Www :",
     .tabIndex = 2},
    {.id = frmAPropos::lbl1,
     .kind = ControlKind::Label,
     .bounds = {1035, 660, 615, 255},
     .text = u"eMail :",
     .tabIndex = 4},
    {.id = frmAPropos::imgDonnerEN,
     .kind = ControlKind::Image,
     .bounds = {3360, 720, 1335, 315},
     .visible = false,
     .picture = Picture::DonationEnglish},
    {.id = frmAPropos::imgDonner,
     .kind = ControlKind::Image,
     .bounds = {4440, 660, 1335, 315},
     .handCursor = true},
}};

std::u16string decoded(std::u16string_view enciphered) {
    return modGénéral::DecoderTexte(enciphered).value_or(std::u16string());
}

} // namespace

const platform::DialogLayout frmAPropos::kLayout{u"A propos de Zelvaro", 5895, 3255, kControls};

frmAPropos::frmAPropos(platform::Runtime& runtime, platform::FrameWindow& owner)
    : runtime_(runtime), owner_(owner) {
    Form_Initialize();
}

frmAPropos::~frmAPropos() = default;

void frmAPropos::Form_Initialize() {
    runtime_.initCommonControls();
}

void frmAPropos::Show() {
    Load();
    if (loaded_) window_->showModal();
}

void frmAPropos::bringForward() {
    if (loaded_) window_->bringForward();
}

void frmAPropos::Load() {
    if (loaded_) return;
    window_ = runtime_.createDialog(kLayout, *this, owner_);
    if (!window_) return; // the runtime has told the user why
    for (const ControlLayout& control : kControls) {
        texts_[control.id] = control.text;
        colours_[control.id] = control.foreColour.value_or(0);
    }
    caption_ = kLayout.caption;
    donation_ = kControls[imgDonner].bounds;
    picture_ = Picture::None;
    timDonner_ = runtime_.createTimer(kPictureInterval, [this] { timDonner_Timer(); });
    timDonner_->setEnabled(true);
    loaded_ = true;
    Form_Load();
}

void frmAPropos::Unload() {
    if (!loaded_) return;
    loaded_ = false;
    timDonner_.reset();
    // The window object stays until the next load: this may run inside one of its handlers.
    window_->close();
}

void frmAPropos::Form_Load() {
    caption_ = std::u16string(kCaptionPrefix) + modGénéral::TitreLogiciel();
    window_->setCaption(caption_);

    std::u16string_view description = texts_[txtDescription];
    if (description.ends_with(u"\r\n")) description.remove_suffix(2);
    setText(txtDescription, std::u16string(description));

    setText(lblAuteur, decoded(enciphered::kAuteur));
    setText(lblSite, decoded(enciphered::kSite));
    setText(lblEmail, decoded(enciphered::kEmail));
    timDonner_Timer();
}

void frmAPropos::btnOK_Click() {
    Unload();
}

void frmAPropos::timDonner_Timer() {
    bascule_ = !bascule_;
    picture_ = bascule_ ? Picture::DonationFrench : Picture::DonationEnglish;
    window_->setPicture(imgDonner, picture_);
}

void frmAPropos::imgDonner_MouseDown() {
    donation_.left += kPressOffsetTwips;
    donation_.top += kPressOffsetTwips;
    window_->moveTo(imgDonner, donation_.left, donation_.top);
}

void frmAPropos::imgDonner_MouseUp() {
    donation_.left -= kPressOffsetTwips;
    donation_.top -= kPressOffsetTwips;
    window_->moveTo(imgDonner, donation_.left, donation_.top);
}

void frmAPropos::imgDonner_Click() {
    openWithShell(decoded(enciphered::kDonner));
}

void frmAPropos::lblSite_Click() {
    openWithShell(texts_[lblSite]);
    Form_MouseMove();
}

void frmAPropos::lblEmail_Click() {
    openWithShell(std::u16string(kMailtoPrefix) + texts_[lblEmail]);
    Form_MouseMove();
}

void frmAPropos::lblSite_MouseMove() {
    setLinkColours(kLinkHoverColour, kLinkColour);
}
void frmAPropos::lblEmail_MouseMove() {
    setLinkColours(kLinkColour, kLinkHoverColour);
}
void frmAPropos::Form_MouseMove() {
    setLinkColours(kLinkColour, kLinkColour);
}

void frmAPropos::setText(Control control, std::u16string text) {
    texts_[control] = std::move(text);
    window_->setText(control, texts_[control]);
}

void frmAPropos::setLinkColours(platform::Colour site, platform::Colour email) {
    // Only repaint what changes: mouse moves arrive many times a second.
    if (colours_[lblSite] != site) window_->setForeColour(lblSite, colours_[lblSite] = site);
    if (colours_[lblEmail] != email) window_->setForeColour(lblEmail, colours_[lblEmail] = email);
}

void frmAPropos::openWithShell(const std::u16string& address) {
    if (!address.empty()) window_->openWithShell(address);
}

void frmAPropos::onClick(int control) {
    if (!loaded_) return;
    switch (control) {
    case btnOK:
        btnOK_Click();
        break;
    case imgDonner:
        imgDonner_Click();
        break;
    case lblSite:
        lblSite_Click();
        break;
    case lblEmail:
        lblEmail_Click();
        break;
    default:
        break;
    }
}

void frmAPropos::onMouseDown(int control, std::int16_t /*button*/) {
    if (loaded_ && control == imgDonner) imgDonner_MouseDown();
}

void frmAPropos::onMouseUp(int control, std::int16_t /*button*/) {
    if (loaded_ && control == imgDonner) imgDonner_MouseUp();
}

void frmAPropos::onMouseMove(int control) {
    if (!loaded_) return;
    switch (control) {
    case lblSite:
        lblSite_MouseMove();
        break;
    case lblEmail:
        lblEmail_MouseMove();
        break;
    case imgDonner:
        break; // the links keep their colours
    default:
        Form_MouseMove(); // the background and every other control
        break;
    }
}

void frmAPropos::onCloseRequest() {
    Unload();
}

} // namespace zelvaro
