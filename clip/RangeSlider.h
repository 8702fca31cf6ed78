#pragma once
// A horizontal slider that selects a sub-interval [selStart, selEnd] of
// [lowerLimit, upperLimit]: two handles and the span between them are dragged
// with the left button, the arrow keys move the selection by one pixel step
// (with Shift only its end). Every change is reported at once to the parent
// with the RANGE_CHANGED message; wParam says which end moved (0 start, 1 end,
// 2 both). The arithmetic lives in RangeSliderMath.h.

#include "clip/RangeSliderMath.h"

#include <QList>
#include <QWidget>
#include <functional>

class QImage;

// The process-wide message type of the slider's notifications, registered
// during static initialisation.
extern const int RANGE_CHANGED;

// The window class name dialog templates use for this control.
inline constexpr const char* RANGE_SLIDER_CLASS = "MFCRangeSlider";

class CRangeSlider : public QWidget, protected RangeSliderFields {
    Q_OBJECT
public:
    explicit CRangeSlider(QWidget* parent = nullptr);
    ~CRangeSlider() override;

    // Takes the limits in either order, then pulls the selection inside them.
    void SetLimits(double a, double b);
    // Takes the selection as given (no reordering), then pulls it inside the limits.
    void SetSelection(double start, double end);
    void GetSelection(double& start, double& end) const;
    // Pulls the selection inside the limits, notifying each corrected end.
    void ClampSelection();

    // The fields as they stand (the layout ones as of the last paint).
    const RangeSliderFields& Fields() const { return *this; }

    // Values marked on the track (a file's chapter starts) with a short line
    // in the highlight colour; none unless set.
    void SetMarks(QList<double> values);

    // How a screen reader hears a value (a plain number unless set), and the
    // selection read that way: "start to end".
    void SetValueText(std::function<QString(double)> format);
    QString ValueText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Notify(int wParam);
    void Draw(QImage& image, const QRect& clip);
    void ReportValue();

    std::function<QString(double)> valueText;
    QList<double> marks;
};
