// The range slider as a control: setters and their notifications to the
// parent, real mouse and key input on the offscreen platform, and what a paint
// puts on the screen.

#include "clip/RangeSlider.h"

#include "platform/WindowMessage.h"
#include "res/DialogTemplate.h"

#include <QDialog>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

namespace {

struct Seen {
    int wParam;
    double start;
    double end;
};

// A parent that records every RANGE_CHANGED with the selection read back at
// that moment, as a dialog's handler would.
class RecordingParent : public QWidget {
public:
    std::vector<Seen> seen;
    CRangeSlider* slider = nullptr;

    std::vector<int> codes() const {
        std::vector<int> c;
        for (const Seen& s : seen)
            c.push_back(s.wParam);
        return c;
    }

protected:
    bool event(QEvent* e) override {
        if (e->type() == RANGE_CHANGED) {
            auto* m = static_cast<CWindowMessage*>(e);
            EXPECT_EQ(m->lParam, 0);
            Seen s{static_cast<int>(m->wParam), 0, 0};
            if (slider)
                slider->GetSelection(s.start, s.end);
            seen.push_back(s);
            return true;
        }
        return QWidget::event(e);
    }
};

// A shown 200 × 20 slider: handles 15 pixels wide and a 170-pixel track, so
// with the limits [0, 170] one unit is one pixel.
class RangeSliderTest : public ::testing::Test {
protected:
    RecordingParent parent;
    CRangeSlider* slider = nullptr;
    QLineEdit* other = nullptr; // somewhere else for the focus to be

    void SetUp() override {
        parent.resize(240, 80);
        other = new QLineEdit(&parent);
        other->setGeometry(10, 40, 100, 20);
        slider = new CRangeSlider(&parent);
        slider->setGeometry(10, 10, 200, 20);
        parent.slider = slider;
        parent.show();
        parent.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&parent));
        other->setFocus();
    }

    void TearDown() override {
        // Leave no button marked as held for the next test.
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(190, 10));
    }

    // Sets the selection and repaints, so the hit rectangles match it.
    void Place(double start, double end) {
        slider->SetLimits(0, 170);
        slider->SetSelection(start, end);
        slider->repaint();
        parent.seen.clear();
    }

    void Drag(QPoint from, QPoint to) {
        QTest::mousePress(slider, Qt::LeftButton, {}, from);
        QTest::mouseMove(slider, to);
    }

    std::pair<double, double> Selection() const {
        double s = 0, e = 0;
        slider->GetSelection(s, e);
        return {s, e};
    }
};

using Sel = std::pair<double, double>;

TEST_F(RangeSliderTest, NewControlSpansTheUnitInterval) {
    CRangeSlider fresh;
    double s = -1, e = -1;
    fresh.GetSelection(s, e);
    EXPECT_EQ(s, 0.0);
    EXPECT_EQ(e, 1.0);
    EXPECT_EQ(fresh.Fields().lowerLimit, 0.0);
    EXPECT_EQ(fresh.Fields().upperLimit, 1.0);
}

TEST_F(RangeSliderTest, SwappedLimitsAreOrderedWithoutNotification) {
    slider->SetLimits(10, 0);
    EXPECT_EQ(slider->Fields().lowerLimit, 0.0);
    EXPECT_EQ(slider->Fields().upperLimit, 10.0);
    EXPECT_TRUE(parent.seen.empty());
}

TEST_F(RangeSliderTest, SetSelectionNotifiesEachCorrectionInOrder) {
    slider->SetLimits(0, 10);
    parent.seen.clear();

    slider->SetSelection(5, 3);
    EXPECT_EQ(Selection(), Sel(5, 3));
    EXPECT_TRUE(parent.seen.empty());

    slider->SetSelection(-2, 3);
    EXPECT_EQ(Selection(), Sel(0, 3));
    EXPECT_EQ(parent.codes(), std::vector<int>({0}));

    parent.seen.clear();
    slider->SetSelection(-5, -2);
    EXPECT_EQ(Selection(), Sel(0, 0));
    ASSERT_EQ(parent.codes(), std::vector<int>({0, 1}));
    EXPECT_EQ(parent.seen[0].end, -2.0); // the parent runs inside the setter

    parent.seen.clear();
    slider->SetSelection(12, 15);
    EXPECT_EQ(Selection(), Sel(10, 10));
    ASSERT_EQ(parent.codes(), std::vector<int>({1, 0}));
    EXPECT_EQ(parent.seen[0].start, 12.0);
}

TEST_F(RangeSliderTest, NarrowerLimitsLowerTheEnd) {
    slider->SetLimits(0, 0.5);
    EXPECT_EQ(Selection(), Sel(0, 0.5));
    EXPECT_EQ(parent.codes(), std::vector<int>({1}));
}

TEST_F(RangeSliderTest, WithoutAParentNotificationsAreLost) {
    CRangeSlider orphan;
    orphan.SetLimits(0, 10);
    orphan.SetSelection(-1, 20);
    double s = -1, e = -1;
    orphan.GetSelection(s, e);
    EXPECT_EQ(s, 0.0);
    EXPECT_EQ(e, 10.0);
}

TEST_F(RangeSliderTest, StartHandleDragStopsAtTheEnd) {
    Place(20, 100);
    Drag({27, 10}, {57, 10});
    EXPECT_DOUBLE_EQ(Selection().first, 50);
    EXPECT_TRUE(slider->hasFocus());
    QTest::mouseMove(slider, {190, 10});
    EXPECT_EQ(Selection(), Sel(100, 100));
    EXPECT_EQ(parent.codes(), std::vector<int>({0, 0}));
    EXPECT_EQ(parent.seen[1].start, 100.0); // changed before the notification
}

TEST_F(RangeSliderTest, EndHandleDragStopsAtTheStart) {
    Place(20, 100);
    Drag({122, 10}, {122, 10});
    EXPECT_EQ(Selection(), Sel(20, 100));
    QTest::mouseMove(slider, {5, 10});
    EXPECT_EQ(Selection(), Sel(20, 20));
    QTest::mouseMove(slider, {2, 10});
    // Unchanged, unchanged-moved, unchanged again.
    EXPECT_EQ(parent.codes(), std::vector<int>({0, 1, 0}));
}

TEST_F(RangeSliderTest, SpanDragKeepsItsLengthAtEitherLimit) {
    Place(20, 100);
    Drag({75, 10}, {-100, 10});
    EXPECT_EQ(Selection(), Sel(0, 80));
    QTest::mouseMove(slider, {-50, 10}); // pinned: still reported
    QTest::mouseMove(slider, {1000, 10});
    EXPECT_EQ(Selection(), Sel(90, 170));
    EXPECT_EQ(parent.codes(), std::vector<int>({2, 2, 2}));
}

TEST_F(RangeSliderTest, ReleaseEndsTheDrag) {
    Place(20, 100);
    Drag({27, 10}, {47, 10});
    QTest::mouseRelease(slider, Qt::LeftButton, {}, {47, 10});
    EXPECT_EQ(slider->Fields().dragging, 0);
    const Sel after = Selection();
    parent.seen.clear();
    // A move with no button held, through the window as the platform sends it.
    QTest::mouseMove(parent.windowHandle(), slider->mapTo(&parent, QPoint(120, 10)));
    EXPECT_EQ(Selection(), after);
    EXPECT_TRUE(parent.seen.empty());
}

TEST_F(RangeSliderTest, PressOnTheTrackTakesFocusButStartsNoDrag) {
    Place(20, 100);
    ASSERT_FALSE(slider->hasFocus());
    Drag({150, 10}, {60, 10});
    EXPECT_TRUE(slider->hasFocus());
    EXPECT_EQ(slider->Fields().dragging, 0);
    EXPECT_EQ(Selection(), Sel(20, 100));
    EXPECT_TRUE(parent.seen.empty());
}

TEST_F(RangeSliderTest, DoubleClickStartsNoDragAndTakesNoFocus) {
    Place(20, 100);
    QTest::mouseDClick(slider, Qt::LeftButton, {}, {27, 10});
    EXPECT_FALSE(slider->hasFocus());
    EXPECT_EQ(slider->Fields().dragging, 0);
    QTest::mouseMove(slider, {90, 10});
    EXPECT_EQ(Selection(), Sel(20, 100));
    EXPECT_TRUE(parent.seen.empty());
}

TEST_F(RangeSliderTest, ArrowsAtTheLimitsChangeNothingButNotify) {
    Place(0, 50);
    QTest::keyClick(slider, Qt::Key_Left);
    EXPECT_EQ(Selection(), Sel(0, 50));
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(Selection(), Sel(1, 51));
    Place(100, 170);
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(Selection(), Sel(100, 170));
    EXPECT_EQ(parent.codes(), std::vector<int>({2}));
}

TEST_F(RangeSliderTest, ShiftLeftMovesTheEndBelowTheStart) {
    Place(50, 50);
    QTest::keyClick(slider, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(Selection(), Sel(50, 49));
    QTest::keyClick(slider, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(Selection(), Sel(50, 48));
    EXPECT_EQ(parent.codes(), std::vector<int>({0, 0}));
}

TEST_F(RangeSliderTest, CtrlArrowsAndUpDownAreIgnored) {
    Place(20, 100);
    QTest::keyClick(slider, Qt::Key_Left, Qt::ControlModifier);
    QTest::keyClick(slider, Qt::Key_Right, Qt::ControlModifier);
    QTest::keyClick(slider, Qt::Key_Up);
    QTest::keyClick(slider, Qt::Key_Down);
    EXPECT_EQ(Selection(), Sel(20, 100));
    EXPECT_TRUE(parent.seen.empty());
}

TEST_F(RangeSliderTest, TabLeavesTheControl) {
    slider->setFocus();
    ASSERT_TRUE(slider->hasFocus());
    QTest::keyClick(slider, Qt::Key_Tab);
    EXPECT_FALSE(slider->hasFocus());
}

TEST_F(RangeSliderTest, DialogTemplatesNameTheSliderByItsClass) {
    const DialogTemplate tmpl{
        500,
        "t",
        "Verdana",
        8,
        100,
        40,
        {{1013, ControlKind::Custom, "", 5, 5, 90, 12, true, "MFCRangeSlider"}}};
    QDialog dialog;
    BuildDialog(&dialog, tmpl);
    EXPECT_NE(GetDlgItemAs<CRangeSlider>(&dialog, 1013), nullptr);
}

// Colours of a painted control, with a palette whose roles all differ.
class RangeSliderPaintTest : public RangeSliderTest {
protected:
    const QColor face{200, 180, 160};
    const QColor light{250, 250, 240};
    const QColor dark{60, 70, 80};
    const QColor gray{128, 128, 128};

    void SetUp() override {
        RangeSliderTest::SetUp();
        QPalette pal = slider->palette();
        pal.setColor(QPalette::Button, face);
        pal.setColor(QPalette::Light, light);
        pal.setColor(QPalette::Dark, dark);
        slider->setPalette(pal);
    }

    QColor At(const QImage& image, int x, int y) const { return image.pixelColor(x, y); }

    QImage Render() {
        QImage image(slider->size(), QImage::Format_RGB32);
        image.fill(Qt::red);
        slider->render(&image);
        return image;
    }
};

TEST_F(RangeSliderPaintTest, MiddleSelection) {
    // Start box 40..54, end box 115..129, white span 56..113 (rows 1..17).
    Place(40, 100);
    const QImage img = Render();
    EXPECT_EQ(At(img, 20, 10), gray);
    EXPECT_EQ(At(img, 150, 10), gray);
    EXPECT_EQ(At(img, 0, 10), QColor(Qt::black));
    EXPECT_EQ(At(img, 199, 10), QColor(Qt::black));
    EXPECT_EQ(At(img, 150, 0), QColor(Qt::black));
    EXPECT_EQ(At(img, 150, 19), QColor(Qt::black));

    EXPECT_EQ(At(img, 85, 10), QColor(Qt::white));
    EXPECT_EQ(At(img, 56, 1), QColor(Qt::white));
    EXPECT_EQ(At(img, 113, 17), QColor(Qt::white));
    EXPECT_EQ(At(img, 85, 18), gray); // no frame below the span

    // Start handle: frame, raised edge on its shrunk box, face, triangle.
    EXPECT_EQ(At(img, 40, 10), QColor(Qt::black));
    EXPECT_EQ(At(img, 54, 10), QColor(Qt::black));
    EXPECT_EQ(At(img, 41, 10), light);
    EXPECT_EQ(At(img, 47, 1), light);
    EXPECT_EQ(At(img, 53, 10), dark);
    EXPECT_EQ(At(img, 47, 18), dark);
    EXPECT_EQ(At(img, 43, 15), face);
    EXPECT_EQ(At(img, 47, 10), QColor(Qt::black));
    EXPECT_EQ(At(img, 52, 10), face); // right of the triangle's tip

    // End handle: the triangle points left.
    EXPECT_EQ(At(img, 115, 10), QColor(Qt::black));
    EXPECT_EQ(At(img, 116, 10), light);
    EXPECT_EQ(At(img, 128, 10), dark);
    EXPECT_EQ(At(img, 118, 3), face);
    EXPECT_EQ(At(img, 123, 10), QColor(Qt::black));
    EXPECT_EQ(At(img, 118, 10), face); // left of the triangle's tip
}

TEST_F(RangeSliderPaintTest, EmptySelectionShowsTheHandlesSideBySide) {
    // Start box 85..99, end box 100..114, no span.
    Place(85, 85);
    const QImage img = Render();
    for (int x = 0; x < img.width(); ++x)
        ASSERT_NE(At(img, x, 10), QColor(Qt::white)) << "x=" << x;
    EXPECT_EQ(At(img, 50, 10), gray);
    EXPECT_EQ(At(img, 150, 10), gray);
    EXPECT_EQ(At(img, 99, 10), QColor(Qt::black));
    EXPECT_EQ(At(img, 100, 10), QColor(Qt::black));
    EXPECT_EQ(At(img, 88, 15), face);
    EXPECT_EQ(At(img, 103, 15), face);
    EXPECT_EQ(At(img, 92, 10), QColor(Qt::black));
    EXPECT_EQ(At(img, 108, 10), QColor(Qt::black));
}

TEST_F(RangeSliderPaintTest, DraggedHandleIsDrawnFlat) {
    Place(40, 100);
    QTest::mousePress(slider, Qt::LeftButton, {}, {47, 10});
    const QImage img = Render();
    EXPECT_EQ(At(img, 41, 10), face);
    EXPECT_EQ(At(img, 53, 10), face);
    EXPECT_EQ(At(img, 116, 10), light); // the other handle keeps its edge
}

TEST_F(RangeSliderPaintTest, FocusFrameInsideTheSpan) {
    Place(40, 100);
    const QImage before = Render();
    slider->setFocus();
    ASSERT_TRUE(slider->hasFocus());
    const QImage focused = Render();
    // The frame runs 3 pixels inside the span (59..111 × 4..15), every other pixel.
    int inverted = 0;
    for (int x = 59; x <= 111; ++x)
        inverted += At(focused, x, 4) == QColor(Qt::black);
    EXPECT_EQ(inverted, 26);
    EXPECT_EQ(At(focused, 60, 10), QColor(Qt::white)); // inside the frame
    EXPECT_EQ(At(before, 60, 4), QColor(Qt::white));
    other->setFocus();
    EXPECT_EQ(Render(), before);
}

} // namespace
