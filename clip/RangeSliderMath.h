#pragma once
// The range slider's value model and geometry as plain functions of its
// fields: limits and selection, the clamping with its notifications, the
// layout that maps values to pixels, and the arithmetic of drags and arrow
// keys. The control (RangeSlider.h) only feeds events in and paints, so all of
// this can be exercised without a window.

#include <functional>
#include <optional>

// A rectangle in client pixels; right and bottom are exclusive.
struct SliderRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool Contains(int x, int y) const { return left <= x && x < right && top <= y && y < bottom; }
    bool operator==(const SliderRect&) const = default;
};

struct SliderPoint {
    int x = 0;
    int y = 0;
};

// What a drag moves.
enum SliderPart { PART_START = 0, PART_END = 1, PART_SPAN = 2 };

// Notification codes (the message's wParam).
enum SliderNotify { NOTIFY_START = 0, NOTIFY_END = 1, NOTIFY_BOTH = 2 };

struct RangeSliderFields {
    double lowerLimit = 0.0;
    double upperLimit = 1.0;
    double selStart = 0.0;
    double selEnd = 1.0;
    int handleWidth = 10;
    int dragging = 0;
    int dragPart = PART_START;  // valid while dragging
    SliderRect startHandleRect; // hit rectangles stored by the last layout
    SliderRect endHandleRect;
    int trackWidth = 0;     // client width less both handles
    SliderPoint grabOffset; // press point less the centre of the grabbed part
};

// Receives each notification as it happens, so a receiver sees the selection
// as it stands at that moment.
using SliderNotifier = std::function<void(int wParam)>;

// Truncation toward zero to int, saturating instead of overflowing (NaN gives 0).
int TruncToInt(double value);

// Stores the limits in order; the selection is not touched.
void SetLimitValues(RangeSliderFields& f, double a, double b);

// Pulls the selection inside the limits: the start first (and the end up to
// it), then the end (and the start down to it). A selection inside the limits
// whose start lies above its end is left as it is.
void ClampSelection(RangeSliderFields& f, const SliderNotifier& notify);

// Pixel offset of a value on the track, rounded half up; 0 when the limits are equal.
int ValueToPixel(const RangeSliderFields& f, double value);

struct SliderLayout {
    int handleWidth = 0;
    int trackWidth = 0;
    int xS = 0; // pixel of the selection's start
    int xE = 0; // pixel of the selection's end
    SliderRect startBox;
    SliderRect endBox;
    SliderRect spanBox;
    SliderRect startHit; // a box shrunk by 1 at left and top, 2 at right and bottom
    SliderRect endHit;
};

// The geometry for a client area of width × height. The handle width it uses
// is (3 × height) / 4, so the fields' stored handle width does not matter.
SliderLayout ComputeLayout(const RangeSliderFields& f, int width, int height);

// Stores what a paint keeps: handle width, track width and both hit rectangles.
void StoreLayout(RangeSliderFields& f, const SliderLayout& layout);

// A press at (x, y): starts a drag when it hits a handle or the span (in that
// order) and returns true. Does nothing while a drag is in progress.
bool BeginDrag(RangeSliderFields& f, int x, int y, int clientHeight);

// A pointer move to x during a drag; returns the notification to send.
int DragTo(RangeSliderFields& f, int x);

// Ends a drag.
void EndDrag(RangeSliderFields& f);

enum class SliderKey { Left, Right, Other };

// An arrow key: moves the selection one pixel step (only the end with Shift)
// and returns the notification to send, also when the move was refused at a
// limit; from the whole track a plain arrow moves the one end that can move; nothing (and no
// notification) for other keys, with Ctrl, or when the limits are equal.
std::optional<int> MoveByKey(RangeSliderFields& f, SliderKey key, bool shift, bool ctrl);
