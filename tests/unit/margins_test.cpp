#include <gtest/gtest.h>

#include "frame/margins.h"
#include "platform/scripted/scripted_runtime.h"

using namespace zelvaro;

namespace {

// The thicknesses a frame keeps, as free variables.
std::int32_t MargeHorizontale = margins::kDefaultHorizontal;
std::int32_t MargeVerticale = margins::kDefaultVertical;

margins::Limits limitsFor(std::int32_t width, std::int32_t height, double twipsPerPixel = 15) {
    scripted::ScriptedRuntime runtime(width, height, twipsPerPixel);
    return margins::computeLimits(runtime.screen());
}

void store(scripted::ScriptedRuntime& runtime, std::u16string_view key, std::u16string value) {
    runtime.store[scripted::ScriptedRuntime::storeKey(u"Zelvaro", u"Config", key)] = value;
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

TEST(MarginSteps, StopAtTwoAndAtTheLimit) {
    const margins::Limits limits{511, 383};
    MargeHorizontale = 3;
    EXPECT_TRUE(margins::decrease(MargeHorizontale));
    EXPECT_EQ(MargeHorizontale, 2);
    EXPECT_FALSE(margins::decrease(MargeHorizontale));
    EXPECT_EQ(MargeHorizontale, 2);

    MargeVerticale = 382;
    EXPECT_TRUE(margins::increase(MargeVerticale, limits.MaxVerticale));
    EXPECT_EQ(MargeVerticale, 383);
    EXPECT_FALSE(margins::increase(MargeVerticale, limits.MaxVerticale));
    EXPECT_EQ(MargeVerticale, 383);

    MargeHorizontale = 510;
    EXPECT_TRUE(margins::increase(MargeHorizontale, limits.MaxHorizontale));
    EXPECT_FALSE(margins::increase(MargeHorizontale, limits.MaxHorizontale));
    MargeVerticale = 3;
    EXPECT_TRUE(margins::decrease(MargeVerticale));
    EXPECT_FALSE(margins::decrease(MargeVerticale));
}

TEST(MarginSteps, LoadedValuesBeyondTheBoundsAreKeptButOnlyStepBackTowardsThem) {
    const margins::Limits limits{511, 383};
    MargeHorizontale = 5000;
    EXPECT_FALSE(margins::increase(MargeHorizontale, limits.MaxHorizontale));
    EXPECT_TRUE(margins::decrease(MargeHorizontale));
    EXPECT_EQ(MargeHorizontale, 4999);

    MargeVerticale = -7;
    EXPECT_FALSE(margins::decrease(MargeVerticale));
    EXPECT_TRUE(margins::increase(MargeVerticale, limits.MaxVerticale));
    EXPECT_EQ(MargeVerticale, -6);

    MargeHorizontale = std::numeric_limits<std::int32_t>::max();
    EXPECT_FALSE(margins::increase(MargeHorizontale, std::numeric_limits<std::int32_t>::max()));
}

TEST(MarginReset, GivesTheDefaultsEvenAboveTheLimits) {
    MargeHorizontale = 3;
    MargeVerticale = 44;
    margins::reset(MargeHorizontale, MargeVerticale);
    EXPECT_EQ(MargeHorizontale, 20);
    EXPECT_EQ(MargeVerticale, 50);
}

TEST(MarginStore, FirstRunGivesTheDefaultsAndWritesNothing) {
    scripted::ScriptedRuntime runtime;
    EXPECT_EQ(margins::load(runtime, margins::primaryKeys()), (margins::Pair{20, 50}));
    EXPECT_TRUE(runtime.writes.empty());
}

TEST(MarginStore, StoredValuesLoadAsTheyAre) {
    scripted::ScriptedRuntime runtime;
    store(runtime, u"Horizontale", u"5000");
    store(runtime, u"Verticale", u"-7");
    EXPECT_EQ(margins::load(runtime, margins::primaryKeys()), (margins::Pair{5000, -7}));
}

TEST(MarginStore, TextThatIsNotANumberGivesTheDefault) {
    for (const std::u16string bad : {u"abc", u"", u"12abc", u"99999999999", u"-2147483649"}) {
        scripted::ScriptedRuntime runtime;
        store(runtime, u"Horizontale", bad);
        store(runtime, u"Verticale", bad);
        EXPECT_EQ(margins::load(runtime, margins::primaryKeys()), (margins::Pair{20, 50}));
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
