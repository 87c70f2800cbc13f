// The frame's context menu: About, reset the margins, quit.
#pragma once

#include <array>
#include <cstddef>

#include "platform/runtime.h"

namespace zelvaro {

class frmZelvaro;

class frmPopup final {
  public:
    // The items of mnuPopup, in order; the quit command is the default (bold) item.
    enum Item : std::size_t {
        mnuPopupAProposDe,
        mnuPopupSep1,
        mnuPopupRéinitialiser,
        mnuPopupSep2,
        mnuPopupQuitter
    };
    static constexpr std::array<platform::MenuItem, 5> kItems{{
        {u"A &propos de..."},
        {u"-", true},
        {u"&Réinitialiser marges"},
        {u"-", true},
        {u"&Quitter"},
    }};
    static constexpr std::size_t kDefaultItem = mnuPopupQuitter;

    explicit frmPopup(frmZelvaro& frame) : frame_(frame) {}

    // The form is never shown: loading it only makes its menu available for one right click.
    void Load() { loaded_ = true; }
    void Unload() { loaded_ = false; }
    bool loaded() const { return loaded_; }

    // Runs the command of a chosen item; separators do nothing.
    void click(std::size_t item);

    void mnuPopupAProposDe_Click();
    void mnuPopupRéinitialiser_Click();
    void mnuPopupQuitter_Click();

  private:
    frmZelvaro& frame_;
    bool loaded_ = false;
};

} // namespace zelvaro
