#include "screens/screen_frames.h"

#include <algorithm>

#include "frame/frame_form.h"

namespace zelvaro {

namespace {

bool isTokenUnit(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
           c == u'-' || c == u'.' || c == u'_';
}

// The tokens of a stored checked set; anything that no token can hold is a separator.
std::set<std::u16string> splitTokens(std::u16string_view text) {
    std::set<std::u16string> tokens;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size() && tokens.size() < ScreenFrames::kMaxCheckedKept;
         ++i) {
        if (i < text.size() && isTokenUnit(text[i])) continue;
        if (i > start && i - start <= ScreenFrames::kMaxTokenLength)
            tokens.emplace(text.substr(start, i - start));
        start = i + 1;
    }
    return tokens;
}

} // namespace

ScreenFrames::ScreenFrames(platform::Runtime& runtime) : runtime_(runtime) {}

ScreenFrames::~ScreenFrames() = default;

void ScreenFrames::Load() {
    if (loaded_) return;
    screens_ = runtime_.screens();
    const std::u16string stored = runtime_.getSetting(margins::kApplication, margins::kSection,
                                                      kCheckedKey, std::u16string_view{});
    checked_ = splitTokens(stored);
    checkedWasStored_ = !checked_.empty();
    reserving_ = runtime_.canReserveEdges() &&
                 runtime_.getSetting(margins::kApplication, margins::kSection, kReserveKey,
                                     std::u16string_view{}) == u"1";
    // At first start only the primary screen has a frame.
    if (checked_.empty())
        checked_.insert(margins::keyToken(platform::primaryOf(screens_).identity));
    follower_ = runtime_.createTimer(kFollowDelay, [this] { follow(); });
    loaded_ = true;
    follow();
    loaded_ = !frames_.empty();
}

void ScreenFrames::Unload() {
    if (!loaded_) return;
    save();
    loaded_ = false;
    follower_->setEnabled(false);
    closeGoing();
    for (const auto& frame : frames_)
        frame->closeWindow();
    runtime_.quit();
}

void ScreenFrames::save() {
    severalScreens_ = severalScreens_ || screens_.size() > 1;
    const std::u16string& primary = platform::primaryOf(screens_).identity;
    const auto saveOne = [&](const std::u16string& identity, const margins::Pair& pair) {
        if (identity == primary) margins::save(runtime_, margins::primaryKeys(), pair);
        // The primary's own keys too, so that its margins follow it if another becomes primary.
        if (identity != primary || severalScreens_)
            margins::save(runtime_, margins::screenKeys(margins::keyToken(identity)), pair);
    };
    for (const auto& frame : frames_)
        if (frame->loaded()) saveOne(frame->screen().identity, frame->pair());
    for (const auto& [identity, pair] : remembered_)
        saveOne(identity, pair);
    if (!severalScreens_ && !checkedWasStored_) return;
    std::u16string text;
    for (const std::u16string& token : checked_) {
        if (!text.empty()) text += kCheckedSeparator;
        text += token;
    }
    runtime_.saveSetting(margins::kApplication, margins::kSection, kCheckedKey, text);
}

void ScreenFrames::toggleReserving() {
    if (!runtime_.canReserveEdges()) return;
    reserving_ = !reserving_;
    runtime_.saveSetting(margins::kApplication, margins::kSection, kReserveKey,
                         reserving_ ? u"1" : u"0");
    for (const auto& frame : frames_)
        frame->reserveBands();
}

bool ScreenFrames::hasFrame(std::size_t screen) const {
    return screen < screens_.size() && frameOn(screens_[screen].identity);
}

frmZelvaro* ScreenFrames::frameOn(std::u16string_view identity) const {
    for (const auto& frame : frames_)
        if (frame->screen().identity == identity) return frame.get();
    return nullptr;
}

std::set<std::u16string> ScreenFrames::wanted() const {
    std::set<std::u16string> identities;
    for (const platform::Screen& screen : screens_)
        if (checked_.contains(margins::keyToken(screen.identity)))
            identities.insert(screen.identity);
    if (identities.empty()) identities.insert(platform::primaryOf(screens_).identity);
    return identities;
}

void ScreenFrames::toggle(std::size_t screen) {
    if (screen >= screens_.size()) return;
    std::set<std::u16string> wanted = this->wanted();
    const std::u16string& identity = screens_[screen].identity;
    if (wanted.contains(identity)) {
        if (wanted.size() == 1) return runtime_.beep();
        wanted.erase(identity);
    } else {
        wanted.insert(identity);
    }
    // Present screens are checked as shown now; absent ones stay as they were.
    for (const platform::Screen& present : screens_)
        checked_.erase(margins::keyToken(present.identity));
    for (const std::u16string& id : wanted)
        checked_.insert(margins::keyToken(id));
    follow();
    // Once the menu's handler is over, a frame closed here can go.
    follower_->setEnabled(true);
}

margins::Pair ScreenFrames::marginsFor(const platform::Screen& screen) {
    if (const auto found = remembered_.find(screen.identity); found != remembered_.end()) {
        const margins::Pair pair = found->second;
        remembered_.erase(found);
        return pair;
    }
    // The primary keys belong to the first frame on the primary screen: existing settings keep
    // working, and the frame on a screen that becomes primary later keeps its own margins.
    if (screen.primary && !primaryKeysTaken_) {
        primaryKeysTaken_ = true;
        return margins::load(runtime_, margins::primaryKeys());
    }
    return margins::load(runtime_, margins::screenKeys(margins::keyToken(screen.identity)));
}

void ScreenFrames::follow() {
    if (!loaded_) return;
    follower_->setEnabled(false);
    if (busy_ == 0) retired_.clear();
    closeGoing();
    std::vector<platform::Screen> now = runtime_.screens();
    if (now.empty()) return; // nothing to lay frames on; the next change brings screens back
    screens_ = std::move(now);
    severalScreens_ = severalScreens_ || screens_.size() > 1;
    const std::set<std::u16string> wanted = this->wanted();
    const auto present = [this](const std::u16string& identity) -> const platform::Screen* {
        for (const platform::Screen& screen : screens_)
            if (screen.identity == identity) return &screen;
        return nullptr;
    };

    // Frames that go keep their windows until the next follow, so that the keyboard moves from
    // window to window (a window system may hand the keyboard over only from its event loop);
    // their margins are remembered now.
    for (auto frame = frames_.begin(); frame != frames_.end();) {
        const std::u16string& identity = (*frame)->screen().identity;
        if (present(identity) && wanted.contains(identity)) {
            ++frame;
            continue;
        }
        remembered_[identity] = (*frame)->pair();
        if (keyboard_ == frame->get()) keyboard_ = nullptr;
        going_.push_back(std::move(*frame));
        frame = frames_.erase(frame);
    }
    for (const auto& frame : frames_)
        frame->setScreen(*present(frame->screen().identity));

    std::vector<frmZelvaro*> added;
    for (const platform::Screen& screen : screens_) {
        if (!wanted.contains(screen.identity) || frameOn(screen.identity)) continue;
        frames_.push_back(
            std::make_unique<frmZelvaro>(runtime_, *this, screen, marginsFor(screen)));
        added.push_back(frames_.back().get());
    }
    // Frames in the screens' order.
    const auto order = [this](const std::unique_ptr<frmZelvaro>& frame) {
        for (std::size_t i = 0; i < screens_.size(); ++i)
            if (screens_[i].identity == frame->screen().identity) return i;
        return screens_.size();
    };
    std::stable_sort(frames_.begin(), frames_.end(),
                     [&](const auto& a, const auto& b) { return order(a) < order(b); });

    // The keyboard stays where it is; if its frame went, it goes to the primary screen's.
    const bool keyboardLost = keyboard_ == nullptr;
    if (keyboardLost) {
        keyboard_ = frameOn(platform::primaryOf(screens_).identity);
        if (!keyboard_ && !frames_.empty()) keyboard_ = frames_.front().get();
    }
    for (frmZelvaro* frame : added) {
        frame->Load();
        if (frame->loaded()) continue;
        // The runtime told the user why; the screen stays checked for the next change.
        const auto failed = std::find_if(frames_.begin(), frames_.end(),
                                         [&](const auto& f) { return f.get() == frame; });
        if (keyboard_ == frame) keyboard_ = nullptr;
        retired_.push_back(std::move(*failed));
        frames_.erase(failed);
    }
    const bool loadedWithKeyboard =
        keyboard_ && std::find(added.begin(), added.end(), keyboard_) != added.end();
    if (!keyboard_ && !frames_.empty()) keyboard_ = frames_.front().get();
    // The window that had the system's keyboard focus may be going: this one takes it.
    if (keyboardLost && keyboard_ && !loadedWithKeyboard) {
        keyboard_->window().show();
        keyboard_->keyboardMoved(true);
    }

    if (!going_.empty()) follower_->setEnabled(true);
}

void ScreenFrames::closeGoing() {
    for (auto& frame : going_) {
        frame->closeWindow();
        retired_.push_back(std::move(frame));
    }
    going_.clear();
}

bool ScreenFrames::isLive(const frmZelvaro& frame) const {
    return std::any_of(frames_.begin(), frames_.end(),
                       [&](const auto& f) { return f.get() == &frame; });
}

// The click itself gave the window system's focus to one of the frames' windows, whichever
// the system chose: keys reach the owner from any of them.
void ScreenFrames::clicked(frmZelvaro& frame) {
    if (keyboard_ == &frame || !isLive(frame)) return;
    frmZelvaro* previous = std::exchange(keyboard_, &frame);
    if (previous) previous->keyboardMoved(false);
    frame.keyboardMoved(true);
}

frmZelvaro* ScreenFrames::aboutBoxFrame() const {
    for (const auto* frames : {&frames_, &going_})
        for (const auto& frame : *frames)
            if (frame->loaded() && frame->aboutBoxOpen()) return frame.get();
    return nullptr;
}

void ScreenFrames::keyDown(std::int16_t keyCode, std::int16_t shift) {
    if (modal() || !keyboard_ || !keyboard_->loaded()) return;
    const Scope scope = busy();
    keyboard_->Form_KeyDown(keyCode, shift);
}

void ScreenFrames::keyUp(std::int16_t keyCode, std::int16_t shift) {
    if (modal() || !keyboard_) return;
    const Scope scope = busy();
    keyboard_->Form_KeyUp(keyCode, shift);
}

void ScreenFrames::mouseDown(frmZelvaro& frame, std::int16_t button, std::int16_t shift, double x,
                             double y) {
    if (modal() || !frame.loaded() || !isLive(frame)) return;
    const Scope scope = busy();
    frame.Form_MouseDown(button, shift, x, y);
}

void ScreenFrames::screensChanged() {
    if (loaded_) follower_->setEnabled(true);
}

void ScreenFrames::secondStart() {
    if (!loaded_ || !keyboard_) return;
    const Scope scope = busy();
    // The open About box comes forward, whichever frame opened it.
    if (frmZelvaro* frame = aboutBoxFrame()) return frame->secondStart();
    keyboard_->secondStart();
}

} // namespace zelvaro
