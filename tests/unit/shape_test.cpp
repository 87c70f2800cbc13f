#include "frame/shape.h"

#include <limits>

#include "frame_fixture.h"

using namespace zelvaro;
using namespace zelvaro::testing;
using platform::PixelRect;
using scripted::contains;

namespace {

constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
constexpr auto kLimit = platform::kRegionCoordinateLimit;

} // namespace

using FrameShape = FrameTest;

TEST_F(FrameShape, DefaultMarginsCutTheHoleFrom20_50To1004_718) {
    frames.Load();
    // Whole window twice, then the hole, in that order.
    ASSERT_EQ(runtime.rectanglesCreated.size(), 3u);
    EXPECT_EQ(runtime.rectanglesCreated[0], (PixelRect{0, 0, 1024, 768}));
    EXPECT_EQ(runtime.rectanglesCreated[1], (PixelRect{0, 0, 1024, 768}));
    EXPECT_EQ(runtime.rectanglesCreated[2], (PixelRect{20, 50, 1004, 718}));

    const auto& frame = runtime.windowRegion();
    for (auto [x, y, inside] : {std::tuple{19, 300, true},
                                {20, 300, false},
                                {1003, 300, false},
                                {1004, 300, true},
                                {500, 49, true},
                                {500, 50, false},
                                {500, 717, false},
                                {500, 718, true},
                                {0, 0, true},
                                {1023, 767, true},
                                {1024, 300, false}})
        EXPECT_EQ(contains(frame, x, y), inside) << x << "," << y;
}

TEST_F(FrameShape, MarginsAtTheLimitsLeaveATwoByTwoHole) {
    storeMargins(u"511", u"383");
    frames.Load();
    EXPECT_EQ(runtime.rectanglesCreated.back(), (PixelRect{511, 383, 513, 385}));
    const auto& frame = runtime.windowRegion();
    int holes = 0;
    for (int x = 505; x < 520; ++x)
        for (int y = 378; y < 390; ++y)
            holes += !contains(frame, x, y);
    EXPECT_EQ(holes, 4);
}

TEST_F(FrameShape, InvertedHoleIsPassedOnUnchanged) {
    storeMargins(u"5000", u"50");
    frames.Load();
    EXPECT_EQ(runtime.rectanglesCreated.back(), (PixelRect{5000, 50, 1024 - 5000, 718}));
    EXPECT_EQ(form().MargeHorizontale(), 5000);
}

TEST(FrameShapeInnerRectangle, NearThe32BitLimitsIsComputedWithoutOverflowAndClamped) {
    using modRégions::innerRectangle;
    EXPECT_EQ(innerRectangle(1024, 768, kMax, kMax), (PixelRect{kLimit, kLimit, -kLimit, -kLimit}));
    EXPECT_EQ(innerRectangle(1024, 768, kMin, kMin), (PixelRect{-kLimit, -kLimit, kLimit, kLimit}));
    EXPECT_EQ(innerRectangle(1024, 768, -7, 50), (PixelRect{-7, 50, 1031, 718}));
}

TEST(FrameShapeReservedBands, RunAlongTheirScreenInVirtualDesktopPixelsAndVanishAtZero) {
    const PixelRect screen{-1280, -200, 0, 824}; // left of and above the primary screen
    const auto bands = modRégions::reservedBands(screen, {20, 50, 30, 40});
    EXPECT_EQ(bands[0].rect, (PixelRect{-1280, -200, -1260, 824}));
    EXPECT_EQ(bands[1].rect, (PixelRect{-1280, -200, 0, -150}));
    EXPECT_EQ(bands[2].rect, (PixelRect{-30, -200, 0, 824}));
    EXPECT_EQ(bands[3].rect, (PixelRect{-1280, 784, 0, 824}));
    EXPECT_EQ(bands[2].thickness(), 30);
    for (const modRégions::Band& band : modRégions::reservedBands(screen, {}))
        EXPECT_EQ(band.thickness(), 0);
}

TEST_F(FrameShape, ExtremeStoredMarginsStartWithoutCrashing) {
    storeMargins(u"2147483647", u"-2147483648");
    frames.Load();
    EXPECT_EQ(form().MargeHorizontale(), kMax);
    EXPECT_EQ(form().MargeVerticale(), kMin);
    EXPECT_EQ(runtime.badRegionCalls, 0);
    runtime.press(platform::keys::Left);
    runtime.press(platform::keys::Down);
    runtime.runFor(3s);
    EXPECT_EQ(form().MargeHorizontale(), kMax - 1);
    EXPECT_EQ(form().MargeVerticale(), kMin + 1);
}

TEST_F(FrameShape, EveryApplyGlowsStopsTheFadeAndLeavesOnlyTheWindowsRegion) {
    frames.Load();
    for (int i = 0; i < 10000; ++i) {
        form().tmrMinuterie().setEnabled(true);
        form().window().setBackColour(0);
        modRégions::AppliquerMarges(form());
        ASSERT_FALSE(form().tmrMinuterie().enabled());
        ASSERT_EQ(runtime.currentColour(), kGlow);
    }
    EXPECT_EQ(runtime.liveRegions(), 0u);
    EXPECT_EQ(runtime.badRegionCalls, 0);
    EXPECT_EQ(runtime.regionsSet.size(), 10001u);
}

TEST_F(FrameShape, FollowsTheWindowsOwnSizeAtAnyScaling) {
    runtime.setScreen(1920, 1080, 10); // 144 DPI
    frames.Load();
    EXPECT_EQ(runtime.rectanglesCreated[0], (PixelRect{0, 0, 1920, 1080}));
    EXPECT_EQ(runtime.rectanglesCreated[2], (PixelRect{20, 50, 1900, 1030}));
    EXPECT_EQ(form().limits().MaxHorizontale, 959);
}
