#include <utility>

#include "frame/shape.h"

#include <algorithm>

#include "frame/frame_form.h"
#include "platform/conversions.h"

namespace zelvaro::modRégions {

namespace {

std::int32_t clampToRegion(std::int64_t coordinate) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        coordinate, -platform::kRegionCoordinateLimit, platform::kRegionCoordinateLimit));
}

std::int32_t toPixels(double twips, double twipsPerPixel) {
    return clampToRegion(platform::roundHalfEven(twips / twipsPerPixel));
}

} // namespace

platform::PixelRect innerRectangle(std::int32_t width, std::int32_t height, std::int32_t horizontal,
                                   std::int32_t vertical) {
    return {clampToRegion(horizontal), clampToRegion(vertical),
            clampToRegion(std::int64_t{width} - horizontal),
            clampToRegion(std::int64_t{height} - vertical)};
}

std::int32_t Band::thickness() const {
    return side == Side::Left || side == Side::Right ? rect.right - rect.left
                                                     : rect.bottom - rect.top;
}

std::array<Band, 4> reservedBands(const platform::PixelRect& s, const platform::Edges& e) {
    return {{{Side::Left, {s.left, s.top, s.left + e.left, s.bottom}},
             {Side::Top, {s.left, s.top, s.right, s.top + e.top}},
             {Side::Right, {s.right - e.right, s.top, s.right, s.bottom}},
             {Side::Bottom, {s.left, s.bottom - e.bottom, s.right, s.bottom}}}};
}

void AppliquerMarges(frmZelvaro& form) {
    form.tmrMinuterie().setEnabled(false);
    platform::FrameWindow& window = form.window();
    // Of several frames only the one that takes the keyboard glows; the others stay black.
    window.setBackColour(form.hasKeyboard() ? kGlowColour : kBlack);

    const platform::ScreenMetrics screen = form.metrics();
    const platform::TwipsRect size = window.geometry();
    const std::int32_t w = toPixels(size.width, screen.twipsPerPixelX);
    const std::int32_t h = toPixels(size.height, screen.twipsPerPixelY);

    platform::Regions& regions = form.runtime().regions();
    platform::OwnedRegion frame(regions, {0, 0, w, h});
    {
        const platform::OwnedRegion whole(regions, {0, 0, w, h});
        const platform::OwnedRegion hole(
            regions, innerRectangle(w, h, form.MargeHorizontale(), form.MargeVerticale()));
        regions.combineDifference(frame.get(), whole.get(), hole.get());
    }
    window.setRegion(std::move(frame));
}

} // namespace zelvaro::modRégions
