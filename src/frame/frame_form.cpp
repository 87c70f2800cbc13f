#include "frame/frame_form.h"

#include <algorithm>

#include "about/about_form.h"
#include "frame/shape.h"
#include "menu/popup_form.h"
#include "platform/conversions.h"
#include "screens/screen_frames.h"

namespace zelvaro {

using platform::roundHalfEven;

namespace {

std::int32_t pixels(double twips, double twipsPerPixel) {
    return static_cast<std::int32_t>(roundHalfEven(twips / twipsPerPixel));
}

} // namespace

frmZelvaro::frmZelvaro(platform::Runtime& runtime, ScreenFrames& owner, platform::Screen screen,
                       margins::Pair margins)
    : runtime_(runtime), owner_(owner), screen_(std::move(screen)), margins_(margins) {}

frmZelvaro::~frmZelvaro() = default;

void frmZelvaro::Load() {
    if (loaded()) return;
    tmrMinuterie_ = runtime_.createTimer(fade::kDelay, [this] { tmrMinuterie_Timer(); });
    window_ = runtime_.createFrameWindow(*this, screen_);
    if (!window_) return; // the runtime has told the user why
    loaded_ = true;
    Form_Load();
}

void frmZelvaro::Unload() {
    if (loaded()) owner_.Unload();
}

void frmZelvaro::closeWindow() {
    if (!loaded()) return;
    loaded_ = false;
    tmrMinuterie_->setEnabled(false);
    reserveBands();
    window_->close();
}

void frmZelvaro::Form_Load() {
    // Only the frame that takes the keyboard is activated; the others are shown by the placement.
    if (hasKeyboard()) window_->show();

    // Placed with the screen's own factor, so the window covers the screen at any scaling.
    const platform::ScreenMetrics screen = metrics();
    const platform::TwipsRect bounds = window_->geometry();
    window_->placeTopmost(
        pixels(bounds.left, screen.twipsPerPixelX), pixels(bounds.top, screen.twipsPerPixelY),
        pixels(bounds.width, screen.twipsPerPixelX), pixels(bounds.height, screen.twipsPerPixelY));

    limits_ = margins::computeLimits(screen);
    modRégions::AppliquerMarges(*this);
    reserveBands();
    if (hasKeyboard()) tmrMinuterie_->setEnabled(true);
}

void frmZelvaro::Form_KeyDown(std::int16_t KeyCode, std::int16_t /*Shift*/) {
    bool changed = false;
    switch (KeyCode) {
    case platform::keys::Escape:
        Unload();
        return;
    case platform::keys::Left:
        changed = margins::decrease(MargeHorizontale());
        break;
    case platform::keys::Up:
        changed = margins::decrease(MargeVerticale());
        break;
    case platform::keys::Right:
        changed = margins::increase(MargeHorizontale(), limits_.MaxHorizontale);
        break;
    case platform::keys::Down:
        changed = margins::increase(MargeVerticale(), limits_.MaxVerticale);
        break;
    default:
        runtime_.beep();
        return;
    }
    if (changed) modRégions::AppliquerMarges(*this);
}

void frmZelvaro::Form_KeyUp(std::int16_t /*KeyCode*/, std::int16_t /*Shift*/) {
    // Keys may still arrive between Escape's unload and the window going away.
    if (!loaded()) return;
    tmrMinuterie_->setEnabled(true);
    // Once the adjustment ends, not at every step: windows are laid out again once.
    reserveBands();
}

void frmZelvaro::Form_MouseDown(std::int16_t Button, std::int16_t /*Shift*/, double /*X*/,
                                double /*Y*/) {
    // Any click on a band gives this frame the keyboard, whichever window had it.
    window_->takeKeyboard();
    owner_.clicked(*this);
    if (Button != platform::buttons::Right) return;
    frmPopup& menu = popup();
    menu.Load();
    // The chosen command runs before the menu's form goes; quitting may unload it first. A frame
    // whose screen went while its menu was open runs nothing.
    if (const auto chosen = window_->popupMenu(menu.items(), menu.defaultItem()))
        if (loaded()) menu.click(*chosen);
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

void frmZelvaro::tmrMinuterie_Timer() {
    tmrMinuterie_->setEnabled(false);
    for (std::int16_t red = modRégions::kGlowRed; red >= 0; red -= fade::kRedStep) {
        window_->setBackColour(platform::rgb(red, 0, 0));
        runtime_.sleep(fade::kShadePause);
    }
}

bool frmZelvaro::hasKeyboard() const {
    return owner_.keyboardFrame() == this;
}

void frmZelvaro::keyboardMoved(bool here) {
    if (!loaded()) return;
    if (here) {
        window_->setBackColour(modRégions::kGlowColour);
        tmrMinuterie_->setEnabled(true);
    } else {
        tmrMinuterie_->setEnabled(false);
        window_->setBackColour(modRégions::kBlack);
    }
}

// The owner decides where input goes: keys to the frame that has the keyboard, whichever window
// the system gave them to, and nowhere while the About box is open.
void frmZelvaro::onKeyDown(std::int16_t keyCode, std::int16_t shift) {
    owner_.keyDown(keyCode, shift);
}
void frmZelvaro::onKeyUp(std::int16_t keyCode, std::int16_t shift) {
    owner_.keyUp(keyCode, shift);
}
void frmZelvaro::onMouseDown(std::int16_t button, std::int16_t shift, double x, double y) {
    owner_.mouseDown(*this, button, shift, x, y);
}
void frmZelvaro::onCloseRequest() {
    Unload();
}

void frmZelvaro::onDisplayChange() {
    owner_.screensChanged();
}

void frmZelvaro::setScreen(const platform::Screen& screen) {
    if (screen == screen_) return;
    screen_ = screen;
    if (loaded()) refitToScreen();
}

void frmZelvaro::refitToScreen() {
    window_->setScreen(screen_);
    const platform::ScreenMetrics screen = metrics();
    window_->placeTopmost(screen_.bounds.left, screen_.bounds.top,
                          pixels(screen.widthTwips, screen.twipsPerPixelX),
                          pixels(screen.heightTwips, screen.twipsPerPixelY));
    limits_ = margins::computeLimits(screen);
    glowThenFade();
    reserveBands();
}

void frmZelvaro::reserveBands() {
    platform::Edges edges{};
    if (loaded() && owner_.reserving()) {
        // Never past the middle, so that the space left to windows is never inverted.
        const std::int32_t width = screen_.bounds.right - screen_.bounds.left;
        const std::int32_t height = screen_.bounds.bottom - screen_.bounds.top;
        const std::int32_t h = std::clamp(MargeHorizontale(), 0, width / 2);
        const std::int32_t v = std::clamp(MargeVerticale(), 0, height / 2);
        edges = {h, v, h, v};
    }
    if (edges == reserved_) return;
    reserved_ = edges;
    window_->reserveEdges(edges);
}

void frmZelvaro::onSecondStart() {
    owner_.secondStart();
}

bool frmZelvaro::aboutBoxOpen() const {
    return aPropos_ && aPropos_->loaded();
}

void frmZelvaro::secondStart() {
    if (!loaded()) return;
    if (aboutBoxOpen()) return aPropos_->bringForward();
    window_->show();
    glowThenFade();
}

void frmZelvaro::glowThenFade() {
    modRégions::AppliquerMarges(*this);
    if (hasKeyboard()) tmrMinuterie_->setEnabled(true);
}

} // namespace zelvaro
