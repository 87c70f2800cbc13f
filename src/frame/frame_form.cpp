#include "frame/frame_form.h"

#include "about/about_form.h"
#include "frame/shape.h"
#include "menu/popup_form.h"
#include "platform/conversions.h"

namespace zelvaro {

using platform::roundHalfEven;

namespace {

std::int32_t pixels(double twips, double twipsPerPixel) {
    return static_cast<std::int32_t>(roundHalfEven(twips / twipsPerPixel));
}

} // namespace

frmZelvaro::frmZelvaro(platform::Runtime& runtime) : runtime_(runtime) {}

frmZelvaro::~frmZelvaro() = default;

void frmZelvaro::Load() {
    if (loaded()) return;
    tmrMinuterie_ = runtime_.createTimer(fade::kDelay, [this] { tmrMinuterie_Timer(); });
    window_ = runtime_.createFrameWindow(*this);
    if (!window_) return; // the runtime has told the user why
    loaded_ = true;
    Form_Load();
}

void frmZelvaro::Unload() {
    if (!loaded()) return;
    bool cancel = false;
    Form_Unload(cancel);
    if (cancel) return;
    loaded_ = false;
    tmrMinuterie_->setEnabled(false);
    window_->close();
    runtime_.quit();
}

void frmZelvaro::Form_Load() {
    window_->show();

    // Placed with the screen's own factor, so the window covers the screen at any scaling.
    const platform::ScreenMetrics screen = runtime_.screen();
    const platform::TwipsRect bounds = window_->geometry();
    window_->placeTopmost(
        pixels(bounds.left, screen.twipsPerPixelX), pixels(bounds.top, screen.twipsPerPixelY),
        pixels(bounds.width, screen.twipsPerPixelX), pixels(bounds.height, screen.twipsPerPixelY));

    margins::load(runtime_);
    limits_ = margins::computeLimits(screen);
    modRégions::AppliquerMarges(*this);
    tmrMinuterie_->setEnabled(true);
}

void frmZelvaro::Form_KeyDown(std::int16_t KeyCode, std::int16_t /*Shift*/) {
    bool changed = false;
    switch (KeyCode) {
    case platform::keys::Escape:
        Unload();
        return;
    case platform::keys::Left:
        changed = margins::decreaseHorizontal();
        break;
    case platform::keys::Up:
        changed = margins::decreaseVertical();
        break;
    case platform::keys::Right:
        changed = margins::increaseHorizontal(limits_);
        break;
    case platform::keys::Down:
        changed = margins::increaseVertical(limits_);
        break;
    default:
        runtime_.beep();
        return;
    }
    if (changed) modRégions::AppliquerMarges(*this);
}

void frmZelvaro::Form_KeyUp(std::int16_t /*KeyCode*/, std::int16_t /*Shift*/) {
    // Keys may still arrive between Escape's unload and the window going away.
    if (loaded()) tmrMinuterie_->setEnabled(true);
}

void frmZelvaro::Form_MouseDown(std::int16_t Button, std::int16_t /*Shift*/, double /*X*/,
                                double /*Y*/) {
    if (Button != platform::buttons::Right) return;
    frmPopup& menu = popup();
    menu.Load();
    // The chosen command runs before the menu's form goes; quitting may unload it first.
    if (const auto chosen = window_->popupMenu(frmPopup::kItems, frmPopup::kDefaultItem))
        menu.click(*chosen);
    menu.Unload();
}

frmPopup& frmZelvaro::popup() {
    if (!popup_) popup_ = std::make_unique<frmPopup>(*this);
    return *popup_;
}

frmAPropos& frmZelvaro::aPropos() {
    if (!aPropos_) aPropos_ = std::make_unique<frmAPropos>(runtime_, *window_);
    return *aPropos_;
}

void frmZelvaro::Form_Unload(bool& /*Cancel*/) {
    margins::save(runtime_);
}

void frmZelvaro::tmrMinuterie_Timer() {
    tmrMinuterie_->setEnabled(false);
    for (std::int16_t red = modRégions::kGlowRed; red >= 0; red -= fade::kRedStep) {
        window_->setBackColour(platform::rgb(red, 0, 0));
        runtime_.sleep(fade::kShadePause);
    }
}

void frmZelvaro::onKeyDown(std::int16_t keyCode, std::int16_t shift) {
    if (loaded()) Form_KeyDown(keyCode, shift);
}
void frmZelvaro::onKeyUp(std::int16_t keyCode, std::int16_t shift) {
    Form_KeyUp(keyCode, shift);
}
void frmZelvaro::onMouseDown(std::int16_t button, std::int16_t shift, double x, double y) {
    if (loaded()) Form_MouseDown(button, shift, x, y);
}
void frmZelvaro::onCloseRequest() {
    Unload();
}

void frmZelvaro::onDisplayChange() {
    if (loaded()) refitToScreen();
}

void frmZelvaro::refitToScreen() {
    const platform::ScreenMetrics screen = runtime_.screen();
    window_->placeTopmost(0, 0, pixels(screen.widthTwips, screen.twipsPerPixelX),
                          pixels(screen.heightTwips, screen.twipsPerPixelY));
    limits_ = margins::computeLimits(screen);
    // As at start-up: the new frame glows, then fades.
    modRégions::AppliquerMarges(*this);
    tmrMinuterie_->setEnabled(true);
}

} // namespace zelvaro
