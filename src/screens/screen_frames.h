// One frame per checked screen, following the screens as they come and go: which screens are
// checked, each one's margins in the store, which frame takes the keyboard, and every way out.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "frame/margins.h"
#include "platform/runtime.h"

namespace zelvaro {

class frmZelvaro;

class ScreenFrames final {
  public:
    // The checked screens' key tokens, separated by spaces, under this key.
    static constexpr std::u16string_view kCheckedKey = u"Ecrans";
    static constexpr char16_t kCheckedSeparator = u' ';
    // Tokens of screens not plugged in are kept, up to this many, so that they come back.
    static constexpr std::size_t kMaxCheckedKept = 64;
    // Longer tokens name no screen: the longest identities known escape to a few hundred units.
    static constexpr std::size_t kMaxTokenLength = 1024;
    // "1" while every frame keeps other windows out of its bands; absent or anything else, off.
    static constexpr std::u16string_view kReserveKey = u"Reserver";
    // Screen changes come in bursts (a display added, then the desktop resized): one follow after.
    static constexpr std::chrono::milliseconds kFollowDelay{20};

    explicit ScreenFrames(platform::Runtime& runtime);
    ScreenFrames(const ScreenFrames&) = delete;
    ScreenFrames& operator=(const ScreenFrames&) = delete;
    ~ScreenFrames();

    // Reads the store and loads a frame on every checked screen; if none loads, it stays unloaded.
    void Load();
    // Saves every frame's margins, closes them all and ends the program.
    void Unload();
    bool loaded() const { return loaded_; }
    // Every frame's margins, margins of screens that went during the run, and the checked set.
    void save();

    // The screens as last followed, in the system's order.
    const std::vector<platform::Screen>& screens() const { return screens_; }
    bool hasFrame(std::size_t screen) const;
    // Checks or unchecks a screen; unchecking the last checked one only beeps.
    void toggle(std::size_t screen);
    const std::vector<std::unique_ptr<frmZelvaro>>& frames() const { return frames_; }
    frmZelvaro* frameOn(std::u16string_view identity) const;
    // A frame of a checked screen, not one whose screen has just gone.
    bool isLive(const frmZelvaro& frame) const;
    frmZelvaro* keyboardFrame() const { return keyboard_; }
    // Whether the frames keep other windows out of their bands; never on a desktop that cannot.
    bool reserving() const { return reserving_; }
    // Turns it on or off for every frame and stores the choice at once.
    void toggleReserving();

    // What the frames hand over.
    void clicked(frmZelvaro& frame);
    void keyDown(std::int16_t keyCode, std::int16_t shift);
    void keyUp(std::int16_t keyCode, std::int16_t shift);
    void mouseDown(frmZelvaro& frame, std::int16_t button, std::int16_t shift, double x, double y);
    void screensChanged();
    // Zelvaro was started again: the frame with the keyboard comes forward and glows.
    void secondStart();

  private:
    // While a frame's handler runs, no frame is destroyed: a closed one waits until it is over.
    class [[nodiscard]] Scope {
      public:
        explicit Scope(int& depth) : depth_(depth) { ++depth_; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        ~Scope() { --depth_; }

      private:
        int& depth_;
    };
    Scope busy() { return Scope(busy_); }
    // While the About box is open no frame takes a key, a release or a click, whichever frame
    // opened it: a system disables at most the box's own frame.
    bool modal() const { return aboutBoxFrame() != nullptr; }
    // The frame whose About box is open, while its window is: the box goes with it.
    frmZelvaro* aboutBoxFrame() const;
    void follow();
    void closeGoing();
    // The present screens that get a frame: the checked ones, or the primary if none is present.
    std::set<std::u16string> wanted() const;
    margins::Pair marginsFor(const platform::Screen& screen);

    platform::Runtime& runtime_;
    std::vector<platform::Screen> screens_;
    std::vector<std::unique_ptr<frmZelvaro>> frames_;
    // Frames whose screen went, their windows still open until the next follow.
    std::vector<std::unique_ptr<frmZelvaro>> going_;
    // Closed frames, destroyed once no handler of theirs can be running.
    std::vector<std::unique_ptr<frmZelvaro>> retired_;
    frmZelvaro* keyboard_ = nullptr;
    // Key tokens of the checked screens, plugged in or not.
    std::set<std::u16string> checked_;
    // Margins of screens whose frame went during this run, by identity.
    std::map<std::u16string, margins::Pair> remembered_;
    std::unique_ptr<platform::Timer> follower_;
    bool loaded_ = false;
    bool reserving_ = false;
    bool primaryKeysTaken_ = false;
    bool checkedWasStored_ = false;
    // Some time during this run there was more than one screen: the store then names them all.
    bool severalScreens_ = false;
    int busy_ = 0;
};

} // namespace zelvaro
