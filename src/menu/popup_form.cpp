#include "menu/popup_form.h"

#include "about/about_form.h"
#include "frame/frame_form.h"
#include "frame/margins.h"
#include "frame/shape.h"
#include "platform/conversions.h"
#include "screens/screen_frames.h"

namespace zelvaro {

std::u16string frmPopup::screenCaption(std::size_t number, const platform::Screen& screen) {
    // Appended piece by piece: GCC 12 at -O3 takes "literal + temporary" for an overlapping copy.
    std::u16string caption = u"&";
    caption += platform::decimalText(static_cast<std::int64_t>(number));
    caption += u" : ";
    caption += platform::decimalText(screen.bounds.right - screen.bounds.left);
    caption += u" × ";
    caption += platform::decimalText(screen.bounds.bottom - screen.bounds.top);
    if (screen.primary) caption += u" (principal)";
    return caption;
}

void frmPopup::Load() {
    loaded_ = true;
    items_.assign(kItems.begin(), kItems.end());
    const ScreenFrames& owner = frame_.owner();
    items_[mnuPopupGarder].checked = owner.reserving();
    items_[mnuPopupGarder].disabled = !frame_.runtime().canReserveEdges();
    const auto& screens = owner.screens();
    if (screens.size() < 2) return;
    captions_.clear();
    screenItems_.clear();
    // Captions first: the items point into them.
    for (std::size_t i = 0; i < screens.size(); ++i)
        captions_.push_back(screenCaption(i + 1, screens[i]));
    for (std::size_t i = 0; i < screens.size(); ++i)
        screenItems_.push_back({captions_[i], false, true, owner.hasFrame(i)});
    platform::MenuItem submenu = kScreensItem;
    submenu.submenu = screenItems_;
    items_.insert(items_.begin() + mnuPopupÉcrans, {submenu, kItems[mnuPopupSep2]});
}

void frmPopup::click(const platform::MenuChoice& choice) {
    std::size_t item = choice.item;
    if (items_.size() > kItems.size()) {
        if (item == mnuPopupÉcrans && choice.subItem) mnuPopupÉcran_Click(*choice.subItem);
        if (item == mnuPopupÉcrans || item == mnuPopupSep3) return;
        if (item > mnuPopupSep3) item -= 2;
    }
    switch (item) {
    case mnuPopupAProposDe:
        mnuPopupAProposDe_Click();
        break;
    case mnuPopupRéinitialiser:
        mnuPopupRéinitialiser_Click();
        break;
    case mnuPopupGarder:
        mnuPopupGarder_Click();
        break;
    case mnuPopupQuitter:
        mnuPopupQuitter_Click();
        break;
    default:
        break;
    }
}

void frmPopup::mnuPopupAProposDe_Click() {
    frame_.aPropos().Show();
}

void frmPopup::mnuPopupRéinitialiser_Click() {
    margins::reset(frame_.MargeHorizontale(), frame_.MargeVerticale());
    modRégions::AppliquerMarges(frame_);
    frame_.reserveBands();
    frame_.tmrMinuterie().setEnabled(true);
}

void frmPopup::mnuPopupGarder_Click() {
    frame_.owner().toggleReserving();
}

void frmPopup::mnuPopupQuitter_Click() {
    Unload();
    frame_.Unload();
}

void frmPopup::mnuPopupÉcran_Click(std::size_t screen) {
    frame_.owner().toggle(screen);
}

} // namespace zelvaro
