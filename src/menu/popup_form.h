// The frame's context menu: About, reset the margins, keep windows inside the frame, quit; with
// several screens, a submenu that checks the screens that have a frame.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "platform/runtime.h"

namespace zelvaro {

class frmZelvaro;

class frmPopup final {
  public:
    // The items of mnuPopup, in order; the quit command is the default (bold) item. With several
    // screens, mnuPopupÉcrans and its separator stand before mnuPopupGarder, and the items from
    // there on come two places later.
    enum Item : std::size_t {
        mnuPopupAProposDe,
        mnuPopupSep1,
        mnuPopupRéinitialiser,
        mnuPopupSep2,
        mnuPopupGarder,
        mnuPopupSep4,
        mnuPopupQuitter
    };
    static constexpr std::array<platform::MenuItem, 7> kItems{{
        {u"A &propos de..."},
        {u"-", true},
        {u"&Réinitialiser marges"},
        {u"-", true},
        {u"&Garder les fenêtres dans le cadre", false, true},
        {u"-", true},
        {u"&Quitter"},
    }};
    static constexpr std::size_t kDefaultItem = mnuPopupQuitter;
    // The screens' submenu and its separator, at the place of mnuPopupGarder.
    static constexpr std::size_t mnuPopupÉcrans = mnuPopupGarder;
    static constexpr std::size_t mnuPopupSep3 = mnuPopupGarder + 1;
    static constexpr platform::MenuItem kScreensItem{u"É&crans"};
    // "&1 : 1024 × 768 (principal)": the screen's number, its size in pixels, and whether it is
    // the primary one.
    static std::u16string screenCaption(std::size_t number, const platform::Screen& screen);

    explicit frmPopup(frmZelvaro& frame) : frame_(frame) {}

    // The form is never shown: loading it only makes its menu available for one right click,
    // built for the screens there are at that moment.
    void Load();
    void Unload() { loaded_ = false; }
    bool loaded() const { return loaded_; }
    std::span<const platform::MenuItem> items() const { return items_; }
    std::size_t defaultItem() const { return items_.size() - 1; }

    // Runs the command of a chosen item; separators do nothing.
    void click(const platform::MenuChoice& choice);

    void mnuPopupAProposDe_Click();
    void mnuPopupRéinitialiser_Click();
    // Windows kept out of the bands of every frame, or let back in.
    void mnuPopupGarder_Click();
    void mnuPopupQuitter_Click();
    // Checks or unchecks the screen of this index in the submenu.
    void mnuPopupÉcran_Click(std::size_t screen);

  private:
    frmZelvaro& frame_;
    bool loaded_ = false;
    std::vector<std::u16string> captions_;
    std::vector<platform::MenuItem> screenItems_;
    std::vector<platform::MenuItem> items_;
};

} // namespace zelvaro
