// Turns the margins into the frame window's shape: four bands around a hole through which the
// desktop shows and takes its own clicks.
#pragma once

#include "platform/runtime.h"

namespace zelvaro {

class frmZelvaro;

namespace modRégions {

// Red 128: the frame glows while the user adjusts it.
inline constexpr int kGlowRed = 128;
inline constexpr platform::Colour kGlowColour = platform::rgb(kGlowRed, 0, 0);
// The resting colour, and that of every frame but the one that takes the keyboard.
inline constexpr platform::Colour kBlack = platform::rgb(0, 0, 0);

// The hole for margins h and v in a window of W × H pixels: (h, v) to (W − h, H − v), computed
// without overflow and clamped to the region coordinates the platforms accept. An inverted
// rectangle (margins over half the window) is passed on as it is.
platform::PixelRect innerRectangle(std::int32_t width, std::int32_t height, std::int32_t horizontal,
                                   std::int32_t vertical);

// Stops a pending fade, glows, and cuts the window to the frame's margins.
void AppliquerMarges(frmZelvaro& form);

} // namespace modRégions
} // namespace zelvaro
