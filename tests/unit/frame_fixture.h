// A frame form on the scripted runtime, with helpers to read back what the user would see.
#pragma once

#include <gtest/gtest.h>

#include "frame/frame_form.h"
#include "frame/margins.h"
#include "platform/scripted/scripted_runtime.h"

namespace zelvaro::testing {

using namespace std::chrono_literals;
using scripted::Millis;

class FrameTest : public ::testing::Test {
  protected:
    void storeMargins(std::u16string horizontal, std::u16string vertical) {
        runtime.store[scripted::ScriptedRuntime::storeKey(u"Zelvaro", u"Config", u"Horizontale")] =
            horizontal;
        runtime.store[scripted::ScriptedRuntime::storeKey(u"Zelvaro", u"Config", u"Verticale")] =
            vertical;
    }
    std::u16string stored(std::u16string_view key) {
        return runtime.store.at(scripted::ScriptedRuntime::storeKey(u"Zelvaro", u"Config", key));
    }

    // The band edges as the window region draws them, probed along the middle of each side.
    std::int32_t leftBand() const { return edge(true); }
    std::int32_t topBand() const { return edge(false); }

    scripted::ScriptedRuntime runtime;
    frmZelvaro form{runtime};

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
