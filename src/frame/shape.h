// Turns the margins into the frame window's shape: four bands around a hole through which the
// desktop shows and takes its own clicks.
#pragma once

#include <array>

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

// The edges of a screen in the order the desktops number them: left, top, right, bottom.
enum class Side { Left, Top, Right, Bottom };
struct Band {
    Side side;
    // In pixels of the virtual desktop; empty where nothing is reserved on that side.
    platform::PixelRect rect;
    std::int32_t thickness() const;
};
// The four bands of a screen reserved with these edges, as the desktop is told of them. Each band
// runs the whole length of its side.
std::array<Band, 4> reservedBands(const platform::PixelRect& screen, const platform::Edges& edges);

// Stops a pending fade, glows, and cuts the window to the frame's margins.
void AppliquerMarges(frmZelvaro& form);

} // namespace modRégions
} // namespace zelvaro
