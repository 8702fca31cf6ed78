// The range slider: setters and notifications, real mouse and key input, paint.

#include "clip/RangeSlider.h"

#include "platform/WindowMessage.h"

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

// Records every RANGE_CHANGED with the selection read back then, as a dialog would.
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

// A shown 200 × 20 slider: handles 15 wide, a 170-pixel track; in [0, 170] a unit is a pixel.
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

    std::pair<double, double> Selection() const {
        double s = 0, e = 0;
        slider->GetSelection(s, e);
        return {s, e};
    }
};

using Sel = std::pair<double, double>;
using Result = std::pair<Sel, std::vector<int>>; // selection and notifications

TEST_F(RangeSliderTest, SetLimitsAndSetSelectionNotifyEachCorrectionInOrder) {
    // Swapped limits narrower than the new control's [0, 1]: the end is lowered.
    slider->SetLimits(0.5, 0);
    EXPECT_EQ(slider->Fields().upperLimit, 0.5);
    EXPECT_EQ(Result(Selection(), parent.codes()), Result({0, 0.5}, {1}));
    slider->SetLimits(0, 10);
    const auto set = [&](double start, double end) {
        parent.seen.clear();
        slider->SetSelection(start, end);
        return Result(Selection(), parent.codes());
    };
    EXPECT_EQ(set(5, 3), Result({5, 3}, {}));
    EXPECT_EQ(set(-2, 3), Result({0, 3}, {0}));
    EXPECT_EQ(set(-5, -2), Result({0, 0}, {0, 1}));
    EXPECT_EQ(parent.seen[0].end, -2.0); // the parent runs inside the setter
    EXPECT_EQ(set(12, 15), Result({10, 10}, {1, 0}));
    EXPECT_EQ(parent.seen[0].start, 12.0);
}

// Drags stop at the other end or a limit, the span keeping its length; every move notifies.
TEST_F(RangeSliderTest, DragsStopAtTheOtherEndOrALimit) {
    struct Case {
        int press;
        std::vector<int> moves;
        Sel selection;
        std::vector<int> codes;
    };
    const Case cases[] = {
        {27, {57, 190}, {100, 100}, {0, 0}},     // start handle up to the end
        {122, {122, 5, 2}, {20, 20}, {0, 1, 0}}, // end handle down to the start
        {75, {-100, -50}, {0, 80}, {2, 2}},      // span against the lower limit
        {75, {1000}, {90, 170}, {2}},            // span against the upper limit
    };
    for (const Case& c : cases) {
        Place(20, 100);
        QTest::mousePress(slider, Qt::LeftButton, {}, {c.press, 10});
        for (const int x : c.moves)
            QTest::mouseMove(slider, {x, 10});
        QTest::mouseRelease(slider, Qt::LeftButton, {}, {c.moves.back(), 10});
        EXPECT_EQ(slider->Fields().dragging, 0); // the release ends the drag
        EXPECT_EQ(Selection(), c.selection) << c.press;
        EXPECT_EQ(parent.codes(), c.codes) << c.press;
        // Each notification finds the selection already changed.
        EXPECT_EQ(parent.seen.back().start, c.selection.first);
    }
}

TEST_F(RangeSliderTest, PressOnTheTrackOrDoubleClickStartsNoDrag) {
    Place(20, 100);
    QTest::mouseDClick(slider, Qt::LeftButton, {}, {27, 10});
    EXPECT_FALSE(slider->hasFocus());
    QTest::mouseMove(slider, {90, 10});
    QTest::mousePress(slider, Qt::LeftButton, {}, {150, 10});
    QTest::mouseMove(slider, {60, 10});
    EXPECT_TRUE(slider->hasFocus()); // the press still takes the focus
    EXPECT_EQ(slider->Fields().dragging, 0);
    EXPECT_EQ(Selection(), Sel(20, 100));
    EXPECT_TRUE(parent.seen.empty());
}

TEST_F(RangeSliderTest, ArrowKeys) {
    const auto keys = [&](double start, double end, std::initializer_list<QKeyCombination> list) {
        Place(start, end);
        for (const QKeyCombination key : list)
            QTest::keyClick(slider, key.key(), key.keyboardModifiers());
        return Result(Selection(), parent.codes());
    };
    // At the limits nothing moves, but the move is still reported.
    EXPECT_EQ(keys(0, 50, {Qt::Key_Left, Qt::Key_Right}), Result({1, 51}, {2, 2}));
    EXPECT_EQ(keys(100, 170, {Qt::Key_Right}), Result({100, 170}, {2}));
    // Shift moves only the end, past the start.
    const QKeyCombination shiftLeft = Qt::ShiftModifier | Qt::Key_Left;
    EXPECT_EQ(keys(50, 50, {shiftLeft, shiftLeft}), Result({50, 48}, {0, 0}));
    EXPECT_EQ(keys(20, 100, {Qt::ControlModifier | Qt::Key_Left, Qt::Key_Up}),
              Result({20, 100}, {}));
}

// Track, span, frames, handles; chapter marks in the lower half in the palette's highlight
// (the skin's or the platform's), hidden under a handle.
TEST_F(RangeSliderTest, PaintsTheMiddleSelectionAndTheMarks) {
    // Start box 40..54, end box 115..129, white span 56..113 (rows 1..17).
    Place(40, 100);
    QImage img(slider->size(), QImage::Format_RGB32);
    img.fill(Qt::red);
    slider->render(&img);
    const auto expectAt = [&](const QColor& colour, std::initializer_list<int> points) {
        for (auto p = points.begin(); p + 1 < points.end(); p += 2)
            EXPECT_EQ(img.pixelColor(p[0], p[1]), colour) << p[0] << "," << p[1];
    };
    expectAt(QColor(128, 128, 128), {20, 10, 150, 10, 85, 18}); // no frame below the span
    expectAt(Qt::white, {85, 10, 56, 1, 113, 17});
    expectAt(Qt::black, {0, 10, 199, 10, 150, 0, 40, 10, 54, 10, 115, 10, 47, 10, 123, 10});

    slider->SetMarks({20, 80, 100});
    for (const QColor mark : {slider->palette().color(QPalette::Highlight), QColor(10, 200, 30)}) {
        QPalette palette = slider->palette();
        palette.setColor(QPalette::Highlight, mark);
        slider->setPalette(palette);
        slider->render(&img);
        expectAt(mark, {35, 10, 35, 18, 95, 10});
        expectAt(QColor(128, 128, 128), {35, 9});
        expectAt(Qt::white, {95, 9});
        expectAt(Qt::black, {115, 15});
    }
}

} // namespace
