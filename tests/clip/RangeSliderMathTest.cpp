// The slider's arithmetic without a window: value model and clamping order,
// layout and pixel mapping, drags and arrow keys.

#include "clip/RangeSliderMath.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

struct Seen {
    int wParam;
    double start;
    double end;
};

// Records each notification with the selection as it stood at that moment.
struct Recorder {
    std::vector<Seen> seen;
    std::vector<int> codes() const {
        std::vector<int> c;
        for (const Seen& s : seen)
            c.push_back(s.wParam);
        return c;
    }
};

SliderNotifier RecordInto(Recorder& r, const RangeSliderFields& f) {
    return [&r, &f](int wParam) { r.seen.push_back({wParam, f.selStart, f.selEnd}); };
}

class RangeSliderValueTest : public ::testing::Test {
protected:
    RangeSliderFields f;
    Recorder rec;

    void Select(double a, double b) {
        f.selStart = a;
        f.selEnd = b;
        ClampSelection(f, RecordInto(rec, f));
    }
};

TEST_F(RangeSliderValueTest, NewFieldsSpanTheUnitInterval) {
    EXPECT_EQ(f.lowerLimit, 0.0);
    EXPECT_EQ(f.upperLimit, 1.0);
    EXPECT_EQ(f.selStart, 0.0);
    EXPECT_EQ(f.selEnd, 1.0);
    EXPECT_EQ(f.handleWidth, 10);
    EXPECT_EQ(f.dragging, 0);
}

TEST_F(RangeSliderValueTest, LimitsAreStoredInOrder) {
    SetLimitValues(f, 10, 0);
    EXPECT_EQ(f.lowerLimit, 0.0);
    EXPECT_EQ(f.upperLimit, 10.0);
    SetLimitValues(f, -3, 7);
    EXPECT_EQ(f.lowerLimit, -3.0);
    EXPECT_EQ(f.upperLimit, 7.0);
}

TEST_F(RangeSliderValueTest, CrossedSelectionInsideLimitsStaysSilently) {
    SetLimitValues(f, 0, 10);
    Select(5, 3);
    EXPECT_EQ(f.selStart, 5.0);
    EXPECT_EQ(f.selEnd, 3.0);
    EXPECT_TRUE(rec.seen.empty());
}

TEST_F(RangeSliderValueTest, StartBelowLowerLimitIsRaised) {
    SetLimitValues(f, 0, 10);
    Select(-2, 3);
    EXPECT_EQ(f.selStart, 0.0);
    EXPECT_EQ(f.selEnd, 3.0);
    EXPECT_EQ(rec.codes(), std::vector<int>({0}));
}

TEST_F(RangeSliderValueTest, SelectionBelowLimitsNotifiesStartThenEnd) {
    SetLimitValues(f, 0, 10);
    Select(-5, -2);
    EXPECT_EQ(f.selStart, 0.0);
    EXPECT_EQ(f.selEnd, 0.0);
    ASSERT_EQ(rec.codes(), std::vector<int>({0, 1}));
    // The first notification sees the raised start with the end still below it.
    EXPECT_EQ(rec.seen[0].start, 0.0);
    EXPECT_EQ(rec.seen[0].end, -2.0);
}

TEST_F(RangeSliderValueTest, SelectionAboveLimitsNotifiesEndThenStart) {
    SetLimitValues(f, 0, 10);
    Select(12, 15);
    EXPECT_EQ(f.selStart, 10.0);
    EXPECT_EQ(f.selEnd, 10.0);
    ASSERT_EQ(rec.codes(), std::vector<int>({1, 0}));
    EXPECT_EQ(rec.seen[0].start, 12.0);
    EXPECT_EQ(rec.seen[0].end, 10.0);
}

TEST_F(RangeSliderValueTest, NarrowerLimitsLowerTheEnd) {
    SetLimitValues(f, 0, 0.5);
    ClampSelection(f, RecordInto(rec, f));
    EXPECT_EQ(f.selStart, 0.0);
    EXPECT_EQ(f.selEnd, 0.5);
    EXPECT_EQ(rec.codes(), std::vector<int>({1}));
}

TEST_F(RangeSliderValueTest, TruncationSaturatesInsteadOfOverflowing) {
    EXPECT_EQ(TruncToInt(2.9), 2);
    EXPECT_EQ(TruncToInt(-2.9), -2);
    EXPECT_GT(TruncToInt(1e300), 0);
    EXPECT_LT(TruncToInt(-1e300), 0);
}

// 200 × 20 pixels: handles 15 wide, a track of 170 pixels; with the limits
// [0, 170] one unit is one pixel.
class RangeSliderLayoutTest : public ::testing::Test {
protected:
    RangeSliderFields f;
    void SetUp() override {
        SetLimitValues(f, 0, 170);
        f.selStart = 20;
        f.selEnd = 100;
    }
};

TEST_F(RangeSliderLayoutTest, BoxesFollowTheSelection) {
    const SliderLayout l = ComputeLayout(f, 200, 20);
    EXPECT_EQ(l.handleWidth, 15);
    EXPECT_EQ(l.trackWidth, 170);
    EXPECT_EQ(l.xS, 20);
    EXPECT_EQ(l.xE, 100);
    EXPECT_EQ(l.startBox, (SliderRect{20, 0, 35, 20}));
    EXPECT_EQ(l.endBox, (SliderRect{115, 0, 130, 20}));
    EXPECT_EQ(l.spanBox, (SliderRect{36, 1, 115, 19}));
    EXPECT_EQ(l.startHit, (SliderRect{21, 1, 33, 18}));
    EXPECT_EQ(l.endHit, (SliderRect{116, 1, 128, 18}));
}

TEST_F(RangeSliderLayoutTest, StoringKeepsWidthsAndHitRectangles) {
    StoreLayout(f, ComputeLayout(f, 200, 20));
    EXPECT_EQ(f.handleWidth, 15);
    EXPECT_EQ(f.trackWidth, 170);
    EXPECT_EQ(f.startHandleRect, (SliderRect{21, 1, 33, 18}));
    EXPECT_EQ(f.endHandleRect, (SliderRect{116, 1, 128, 18}));
}

TEST_F(RangeSliderLayoutTest, PixelsRoundHalfUp) {
    SetLimitValues(f, 0, 16);
    f.trackWidth = 8;
    EXPECT_EQ(ValueToPixel(f, 5.0), 3); // 2.5
    EXPECT_EQ(ValueToPixel(f, 3.0), 2); // 1.5
    EXPECT_EQ(ValueToPixel(f, 2.5), 1); // 1.25
    EXPECT_EQ(ValueToPixel(f, 16.0), 8);
}

TEST_F(RangeSliderLayoutTest, EmptySelectionPutsHandlesSideBySide) {
    f.selStart = f.selEnd = 85;
    const SliderLayout l = ComputeLayout(f, 200, 20);
    EXPECT_EQ(l.startBox.right, l.endBox.left);
    EXPECT_LE(l.spanBox.right, l.spanBox.left);
}

TEST_F(RangeSliderLayoutTest, EqualLimitsDrawBothHandlesAtTheTrackStart) {
    SetLimitValues(f, 5, 5);
    f.selStart = f.selEnd = 5;
    const SliderLayout l = ComputeLayout(f, 200, 20);
    EXPECT_EQ(l.xS, 0);
    EXPECT_EQ(l.xE, 0);
    EXPECT_EQ(l.startBox, (SliderRect{0, 0, 15, 20}));
    EXPECT_EQ(l.endBox, (SliderRect{15, 0, 30, 20}));
}

class RangeSliderDragTest : public RangeSliderLayoutTest {
protected:
    void SetUp() override {
        RangeSliderLayoutTest::SetUp();
        StoreLayout(f, ComputeLayout(f, 200, 20));
    }
};

TEST_F(RangeSliderDragTest, PressPicksThePartAndItsGrabOffset) {
    ASSERT_TRUE(BeginDrag(f, 29, 12, 20));
    EXPECT_EQ(f.dragging, 1);
    EXPECT_EQ(f.dragPart, PART_START);
    EXPECT_EQ(f.grabOffset.x, 2); // centre of (21..33) is 27
    EXPECT_EQ(f.grabOffset.y, 3); // centre of (1..18) is 9
    EndDrag(f);
    ASSERT_TRUE(BeginDrag(f, 116, 1, 20));
    EXPECT_EQ(f.dragPart, PART_END);
    EndDrag(f);
    ASSERT_TRUE(BeginDrag(f, 75, 0, 20));
    EXPECT_EQ(f.dragPart, PART_SPAN);
    EXPECT_EQ(f.grabOffset.x, 1); // span (34..115), centre 74
}

TEST_F(RangeSliderDragTest, PressOutsideThePartsStartsNothing) {
    EXPECT_FALSE(BeginDrag(f, 150, 10, 20)); // track after the end handle
    EXPECT_FALSE(BeginDrag(f, 10, 10, 20));  // track before the start handle
    EXPECT_FALSE(BeginDrag(f, 33, 10, 20));  // between the start's hit box and the span
    EXPECT_FALSE(BeginDrag(f, 25, 18, 20));  // the handle's shrunk-off bottom rows
    EXPECT_EQ(f.dragging, 0);
}

TEST_F(RangeSliderDragTest, PressDuringADragChangesNothing) {
    ASSERT_TRUE(BeginDrag(f, 27, 9, 20));
    EXPECT_FALSE(BeginDrag(f, 122, 9, 20));
    EXPECT_EQ(f.dragPart, PART_START);
}

TEST_F(RangeSliderDragTest, StartHandleFollowsThePointerAndStopsAtTheEnd) {
    ASSERT_TRUE(BeginDrag(f, 27, 9, 20));
    EXPECT_EQ(DragTo(f, 57), NOTIFY_START);
    EXPECT_DOUBLE_EQ(f.selStart, 50);
    EXPECT_EQ(DragTo(f, 190), NOTIFY_START);
    EXPECT_EQ(f.selStart, 100);
    EXPECT_EQ(DragTo(f, -40), NOTIFY_START);
    EXPECT_EQ(f.selStart, 0);
    EXPECT_EQ(f.selEnd, 100);
}

TEST_F(RangeSliderDragTest, EndHandleStopsAtTheStartAndReportsWhetherItMoved) {
    ASSERT_TRUE(BeginDrag(f, 122, 9, 20));
    EXPECT_EQ(DragTo(f, 122), NOTIFY_START); // at rest: unchanged
    EXPECT_EQ(f.selEnd, 100);
    EXPECT_EQ(DragTo(f, 5), NOTIFY_END);
    EXPECT_EQ(f.selEnd, 20);
    EXPECT_EQ(DragTo(f, 0), NOTIFY_START); // already at the start
    EXPECT_EQ(DragTo(f, 500), NOTIFY_END);
    EXPECT_EQ(f.selEnd, 170);
    EXPECT_EQ(f.selStart, 20);
}

TEST_F(RangeSliderDragTest, SpanKeepsItsLengthAgainstEitherLimit) {
    ASSERT_TRUE(BeginDrag(f, 75, 9, 20));
    EXPECT_EQ(DragTo(f, 96), NOTIFY_BOTH);
    EXPECT_DOUBLE_EQ(f.selStart, 40);
    EXPECT_DOUBLE_EQ(f.selEnd, 120);
    EXPECT_EQ(DragTo(f, -100), NOTIFY_BOTH);
    EXPECT_EQ(f.selStart, 0);
    EXPECT_EQ(f.selEnd, 80);
    EXPECT_EQ(DragTo(f, -50), NOTIFY_BOTH); // pinned: nothing changes, still reported
    EXPECT_EQ(f.selStart, 0);
    EXPECT_EQ(DragTo(f, 1000), NOTIFY_BOTH);
    EXPECT_EQ(f.selStart, 90);
    EXPECT_EQ(f.selEnd, 170);
}

TEST_F(RangeSliderDragTest, EqualLimitsPinEveryDragToTheLowerLimit) {
    SetLimitValues(f, 5, 5);
    f.selStart = f.selEnd = 5;
    StoreLayout(f, ComputeLayout(f, 200, 20));
    ASSERT_TRUE(BeginDrag(f, 7, 9, 20));
    DragTo(f, 150);
    EXPECT_EQ(f.selStart, 5);
    EndDrag(f);
    ASSERT_TRUE(BeginDrag(f, 22, 9, 20));
    DragTo(f, 150);
    EXPECT_EQ(f.selEnd, 5);
}

class RangeSliderKeyTest : public RangeSliderDragTest {};

TEST_F(RangeSliderKeyTest, ArrowsMoveBothEndsOnePixelStep) {
    EXPECT_EQ(MoveByKey(f, SliderKey::Right, false, false), NOTIFY_BOTH);
    EXPECT_EQ(f.selStart, 21);
    EXPECT_EQ(f.selEnd, 101);
    EXPECT_EQ(MoveByKey(f, SliderKey::Left, false, false), NOTIFY_BOTH);
    EXPECT_EQ(f.selStart, 20);
    EXPECT_EQ(f.selEnd, 100);
}

TEST_F(RangeSliderKeyTest, MovesSnapBothEndsToPixelSteps) {
    SetLimitValues(f, 0, 17); // a step of 0.1
    f.selStart = 1.04;
    f.selEnd = 5.06;
    MoveByKey(f, SliderKey::Right, false, false);
    EXPECT_NEAR(f.selStart, 1.1, 1e-9);
    EXPECT_NEAR(f.selEnd, 5.2, 1e-9);
    MoveByKey(f, SliderKey::Left, true, false);
    EXPECT_NEAR(f.selStart, 1.1, 1e-9);
    EXPECT_NEAR(f.selEnd, 5.1, 1e-9);
}

TEST_F(RangeSliderKeyTest, RefusedMovesAtTheLimitsStillNotify) {
    f.selStart = 0;
    f.selEnd = 50;
    EXPECT_EQ(MoveByKey(f, SliderKey::Left, false, false), NOTIFY_BOTH);
    EXPECT_EQ(f.selStart, 0);
    EXPECT_EQ(f.selEnd, 50);
    f.selStart = 100;
    f.selEnd = 170;
    EXPECT_EQ(MoveByKey(f, SliderKey::Right, false, false), NOTIFY_BOTH);
    EXPECT_EQ(f.selStart, 100);
    EXPECT_EQ(f.selEnd, 170);
    EXPECT_EQ(MoveByKey(f, SliderKey::Right, true, false), NOTIFY_START);
    EXPECT_EQ(f.selEnd, 170);
}

TEST_F(RangeSliderKeyTest, ShiftMovesOnlyTheEndAndLetsItPassTheStart) {
    f.selStart = f.selEnd = 50;
    EXPECT_EQ(MoveByKey(f, SliderKey::Left, true, false), NOTIFY_START);
    EXPECT_EQ(f.selStart, 50);
    EXPECT_EQ(f.selEnd, 49);
}

TEST_F(RangeSliderKeyTest, CrossedEndsNeverLeaveTheTrack) {
    f.selStart = f.selEnd = 0;
    EXPECT_EQ(MoveByKey(f, SliderKey::Left, true, false), NOTIFY_START);
    EXPECT_EQ(f.selEnd, 0);
    f.selStart = 170;
    f.selEnd = 169;
    EXPECT_EQ(MoveByKey(f, SliderKey::Right, false, false), NOTIFY_BOTH);
    EXPECT_EQ(f.selStart, 170);
    EXPECT_EQ(f.selEnd, 169);
}

TEST_F(RangeSliderKeyTest, CtrlOtherKeysAndEqualLimitsDoNothing) {
    EXPECT_FALSE(MoveByKey(f, SliderKey::Left, false, true).has_value());
    EXPECT_FALSE(MoveByKey(f, SliderKey::Right, true, true).has_value());
    EXPECT_FALSE(MoveByKey(f, SliderKey::Other, false, false).has_value());
    EXPECT_EQ(f.selStart, 20);
    EXPECT_EQ(f.selEnd, 100);
    SetLimitValues(f, 3, 3);
    f.selStart = f.selEnd = 3;
    EXPECT_FALSE(MoveByKey(f, SliderKey::Right, false, false).has_value());
}

} // namespace
