#include "menu/popup_form.h"

#include "about/about_form.h"
#include "frame/frame_form.h"
#include "frame/margins.h"
#include "frame/shape.h"

namespace zelvaro {

void frmPopup::click(std::size_t item) {
    switch (item) {
    case mnuPopupAProposDe:
        mnuPopupAProposDe_Click();
        break;
    case mnuPopupRéinitialiser:
        mnuPopupRéinitialiser_Click();
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
    margins::reset();
    modRégions::AppliquerMarges(frame_);
    frame_.tmrMinuterie().setEnabled(true);
}

void frmPopup::mnuPopupQuitter_Click() {
    Unload();
    frame_.Unload();
}

} // namespace zelvaro
