// The program's frames on the scripted runtime, as the program starts them, with helpers to read
// back what the user would see. On the runtime's one screen there is one frame.
#pragma once

#include <gtest/gtest.h>

#include "frame/frame_form.h"
#include "frame/margins.h"
#include "platform/scripted/scripted_runtime.h"
#include "screens/screen_frames.h"

namespace zelvaro::testing {

using namespace std::chrono_literals;
using scripted::Millis;
namespace keys = platform::keys;

// The frame's colour while it glows, before the fade.
constexpr platform::Colour kGlow = platform::rgb(128, 0, 0);

class FrameTest : public ::testing::Test {
  protected:
    std::u16string& stored(std::u16string_view key) {
        return runtime.store[scripted::ScriptedRuntime::storeKey(u"Zelvaro", u"Config", key)];
    }
    void storeMargins(std::u16string horizontal, std::u16string vertical) {
        stored(u"Horizontale") = horizontal;
        stored(u"Verticale") = vertical;
    }
    // The frame on the primary screen, once loaded.
    frmZelvaro& form() { return *frames.frames().front(); }
    // A right click on the frame that answers its menu with this item, or dismisses it.
    void choose(std::optional<platform::MenuChoice> item, Millis at) {
        runtime.menuAnswers.push_back(item);
        runtime.mouseDown(platform::buttons::Right, at);
    }

    // The band edges as the window region draws them, probed along the middle of each side.
    std::int32_t leftBand() const { return edge(true); }
    std::int32_t topBand() const { return edge(false); }

    scripted::ScriptedRuntime runtime;
    ScreenFrames frames{runtime};

  private:
    std::int32_t edge(bool horizontal) const {
        const auto& region = runtime.windowRegion();
        std::int32_t n = 0;
        while (horizontal ? scripted::contains(region, n, 384) : scripted::contains(region, 512, n))
            ++n;
        return n;
    }
};

} // namespace zelvaro::testing
