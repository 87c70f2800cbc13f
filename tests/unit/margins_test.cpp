#include <gtest/gtest.h>

#include "frame/margins.h"
#include "platform/scripted/scripted_runtime.h"

using namespace zelvaro;

namespace {

margins::Limits limitsFor(std::int32_t width, std::int32_t height, double twipsPerPixel = 15) {
    scripted::ScriptedRuntime runtime(width, height, twipsPerPixel);
    return margins::computeLimits(runtime.screen());
}

} // namespace

TEST(MarginLimits, LeaveAHoleOfOneToThreePixels) {
    EXPECT_EQ(limitsFor(1024, 768).MaxHorizontale, 511);
    EXPECT_EQ(limitsFor(1024, 768).MaxVerticale, 383);
    EXPECT_EQ(limitsFor(1365, 90).MaxHorizontale, 682); // 681.5, tie to even
    EXPECT_EQ(limitsFor(1366, 90).MaxHorizontale, 682);
    EXPECT_EQ(limitsFor(1367, 90).MaxHorizontale, 682); // 682.5, tie to even
    EXPECT_EQ(limitsFor(1365, 90).MaxVerticale, 44);
}

TEST(MarginLimits, DoNotDependOnTheScreenScaling) {
    for (double twipsPerPixel : {15.0, 12.0, 10.0, 1440.0 / 168}) {
        const auto limits = limitsFor(1920, 1080, twipsPerPixel);
        EXPECT_EQ(limits.MaxHorizontale, 959) << twipsPerPixel;
        EXPECT_EQ(limits.MaxVerticale, 539) << twipsPerPixel;
    }
}

TEST(MarginStore, SaveWritesBothKeysAsDecimalTextInOrder) {
    scripted::ScriptedRuntime runtime;
    margins::save(runtime, margins::primaryKeys(), {23, -2147483647 - 1});
    ASSERT_EQ(runtime.writes.size(), 2u);
    EXPECT_EQ(runtime.writes[0].key, u"Horizontale");
    EXPECT_EQ(runtime.writes[0].value, u"23");
    EXPECT_EQ(runtime.writes[1].key, u"Verticale");
    EXPECT_EQ(runtime.writes[1].value, u"-2147483648");
    EXPECT_EQ(runtime.store.at(u"Zelvaro\\Config\\Horizontale"), u"23");
}
