// The slider's arithmetic, where events cannot reach it exactly.

#include "clip/RangeSliderMath.h"

#include <gtest/gtest.h>

namespace {

// 200 × 20 pixels: handles 15 wide, a 170-pixel track; in [0, 170] a unit is a pixel.
class RangeSliderMathTest : public ::testing::Test {
protected:
    void SetUp() override { Place(0, 170, 20, 100); }

    void Place(double lower, double upper, double start, double end) {
        SetLimitValues(f, lower, upper);
        f.selStart = start;
        f.selEnd = end;
        StoreLayout(f, ComputeLayout(f, 200, 20));
    }

    RangeSliderFields f;
};

TEST_F(RangeSliderMathTest, PressOutsideTheHitRectanglesStartsNothingADragKeepsTheGrabOffset) {
    for (const int x : {10, 33, 150})
        EXPECT_FALSE(BeginDrag(f, x, 10, 20)) << x;
    EXPECT_FALSE(BeginDrag(f, 25, 18, 20)); // the handle's shrunk-off bottom rows
    EXPECT_EQ(f.dragging, 0);

    ASSERT_TRUE(BeginDrag(f, 29, 12, 20)); // 2 right of the start handle's centre
    DragTo(f, 59);
    EXPECT_DOUBLE_EQ(f.selStart, 50);
    EndDrag(f);
    Place(0, 170, 20, 100);
    ASSERT_TRUE(BeginDrag(f, 75, 9, 20)); // 1 right of the span's centre
    DragTo(f, 96);
    EXPECT_DOUBLE_EQ(f.selStart, 40);
    EXPECT_DOUBLE_EQ(f.selEnd, 120);
}

TEST_F(RangeSliderMathTest, KeyMovesSnapToPixelStepsAndNeverLeaveTheTrack) {
    Place(0, 17, 1.04, 5.06); // a step of 0.1
    MoveByKey(f, SliderKey::Right, false, false);
    EXPECT_NEAR(f.selStart, 1.1, 1e-9);
    EXPECT_NEAR(f.selEnd, 5.2, 1e-9);
    MoveByKey(f, SliderKey::Left, true, false);
    EXPECT_NEAR(f.selEnd, 5.1, 1e-9);

    // Either end may reach the track's very ends.
    Place(0, 170, 1, 169);
    MoveByKey(f, SliderKey::Right, false, false);
    EXPECT_EQ(f.selEnd, 170);
    MoveByKey(f, SliderKey::Left, false, false);
    MoveByKey(f, SliderKey::Left, false, false);
    EXPECT_EQ(f.selStart, 0);
    Place(0, 170, 20, 169);
    MoveByKey(f, SliderKey::Right, true, false);
    EXPECT_EQ(f.selEnd, 170);

    // From the whole track a plain arrow moves the end that can move.
    Place(0, 170, 0, 170);
    EXPECT_EQ(MoveByKey(f, SliderKey::Left, false, false), NOTIFY_BOTH);
    EXPECT_EQ(f.selStart, 0);
    EXPECT_EQ(f.selEnd, 169);
    Place(0, 170, 0, 170);
    MoveByKey(f, SliderKey::Right, false, false);
    EXPECT_EQ(f.selStart, 1);
    EXPECT_EQ(f.selEnd, 170);

    Place(0, 170, 0, 0);
    EXPECT_EQ(MoveByKey(f, SliderKey::Left, true, false), NOTIFY_START);
    EXPECT_EQ(f.selEnd, 0);
    Place(0, 170, 170, 169); // crossed ends at the upper limit
    EXPECT_EQ(MoveByKey(f, SliderKey::Right, false, false), NOTIFY_BOTH);
    EXPECT_EQ(f.selStart, 170);
    EXPECT_EQ(f.selEnd, 169);
}

TEST_F(RangeSliderMathTest, EqualLimitsPutBothHandlesAtTheTrackStartAndPinEverything) {
    Place(5, 5, 5, 5);
    const SliderLayout l = ComputeLayout(f, 200, 20);
    EXPECT_EQ(l.startBox, (SliderRect{0, 0, 15, 20}));
    EXPECT_EQ(l.endBox, (SliderRect{15, 0, 30, 20}));
    ASSERT_TRUE(BeginDrag(f, 22, 9, 20));
    DragTo(f, 150);
    EXPECT_EQ(f.selEnd, 5);
    EXPECT_FALSE(MoveByKey(f, SliderKey::Right, false, false).has_value());
}

TEST_F(RangeSliderMathTest, TruncationSaturatesInsteadOfOverflowing) {
    EXPECT_EQ(TruncToInt(-2.9), -2);
    EXPECT_GT(TruncToInt(1e300), 0);
    EXPECT_LT(TruncToInt(-1e300), 0);
}

} // namespace
