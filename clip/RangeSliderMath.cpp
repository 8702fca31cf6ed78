#include "clip/RangeSliderMath.h"

#include <climits>
#include <cmath>

int TruncToInt(double value) {
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(value);
}

void SetLimitValues(RangeSliderFields& f, double a, double b) {
    if (b >= a) {
        f.lowerLimit = a;
        f.upperLimit = b;
    } else {
        f.lowerLimit = b;
        f.upperLimit = a;
    }
}

void ClampSelection(RangeSliderFields& f, const SliderNotifier& notify) {
    auto send = [&](int wParam) {
        if (notify)
            notify(wParam);
    };
    if (f.selStart < f.lowerLimit) {
        f.selStart = f.lowerLimit;
        send(NOTIFY_START);
        if (f.selEnd < f.selStart) {
            f.selEnd = f.selStart;
            send(NOTIFY_END);
        }
    }
    if (f.selEnd > f.upperLimit) {
        f.selEnd = f.upperLimit;
        send(NOTIFY_END);
        if (f.selStart > f.selEnd) {
            f.selStart = f.selEnd;
            send(NOTIFY_START);
        }
    }
}

namespace {
int PixelOf(const RangeSliderFields& f, int trackWidth, double value) {
    const double range = f.upperLimit - f.lowerLimit;
    // Equal limits: everything sits at the track start.
    if (range == 0)
        return 0;
    return TruncToInt((value - f.lowerLimit) * (1 / range) * trackWidth + 0.5);
}

SliderRect HitRect(const SliderRect& box) {
    return {box.left + 1, box.top + 1, box.right - 2, box.bottom - 2};
}

// Pixel distance over the track as a fraction; a track without width maps
// everything to its start rather than dividing by zero.
double TrackFraction(int pixels, int trackWidth) {
    return trackWidth > 0 ? static_cast<double>(pixels) / trackWidth : 0.0;
}
} // namespace

int ValueToPixel(const RangeSliderFields& f, double value) {
    return PixelOf(f, f.trackWidth, value);
}

SliderLayout ComputeLayout(const RangeSliderFields& f, int width, int height) {
    SliderLayout l;
    l.handleWidth = (3 * height) / 4;
    l.trackWidth = width - 2 * l.handleWidth;
    l.xS = PixelOf(f, l.trackWidth, f.selStart);
    l.xE = PixelOf(f, l.trackWidth, f.selEnd);
    const int hw = l.handleWidth;
    l.startBox = {l.xS, 0, l.xS + hw, height};
    l.endBox = {l.xE + hw, 0, l.xE + 2 * hw, height};
    l.spanBox = {l.xS + hw + 1, 1, l.xE + hw, height - 1};
    l.startHit = HitRect(l.startBox);
    l.endHit = HitRect(l.endBox);
    return l;
}

void StoreLayout(RangeSliderFields& f, const SliderLayout& layout) {
    f.handleWidth = layout.handleWidth;
    f.trackWidth = layout.trackWidth;
    f.startHandleRect = layout.startHit;
    f.endHandleRect = layout.endHit;
}

bool BeginDrag(RangeSliderFields& f, int x, int y, int clientHeight) {
    if (f.dragging)
        return false;
    const SliderRect span{f.startHandleRect.right + 1, 0, f.endHandleRect.left - 1, clientHeight};
    const struct {
        const SliderRect& rect;
        int part;
    } parts[] = {{f.startHandleRect, PART_START}, {f.endHandleRect, PART_END}, {span, PART_SPAN}};
    for (const auto& p : parts) {
        if (p.rect.Contains(x, y)) {
            f.dragging = 1;
            f.dragPart = p.part;
            f.grabOffset = {x - (p.rect.left + p.rect.right) / 2,
                            y - (p.rect.top + p.rect.bottom) / 2};
            return true;
        }
    }
    return false;
}

int DragTo(RangeSliderFields& f, int x) {
    const int p = x - f.grabOffset.x;
    const int hw = f.handleWidth;
    const double range = f.upperLimit - f.lowerLimit;
    switch (f.dragPart) {
    case PART_START: {
        const double v = f.lowerLimit + range * TrackFraction(p - hw / 2, f.trackWidth);
        const double w = f.selEnd > v ? v : f.selEnd;
        f.selStart = w > f.lowerLimit ? w : f.lowerLimit;
        return NOTIFY_START;
    }
    case PART_END: {
        const double before = f.selEnd;
        const double v = f.lowerLimit + range * TrackFraction(p - (3 * hw) / 2, f.trackWidth);
        const double w = f.selStart < v ? v : f.selStart;
        f.selEnd = w < f.upperLimit ? w : f.upperLimit;
        return f.selEnd != before ? NOTIFY_END : NOTIFY_START;
    }
    default: {
        const double len = f.selEnd - f.selStart;
        const double c = range * TrackFraction(p - hw, f.trackWidth);
        double s = (c - 0.5 * len) + f.lowerLimit;
        double e = (c + 0.5 * len) + f.lowerLimit;
        if (!(s > f.lowerLimit)) {
            s = f.lowerLimit;
            e = f.lowerLimit + len;
        }
        if (!(e < f.upperLimit)) {
            e = f.upperLimit;
            s = f.upperLimit - len;
        }
        f.selEnd = e;
        f.selStart = s;
        return NOTIFY_BOTH;
    }
    }
}

void EndDrag(RangeSliderFields& f) {
    f.dragging = 0;
}

std::optional<int> MoveByKey(RangeSliderFields& f, SliderKey key, bool shift, bool ctrl) {
    if (ctrl || key == SliderKey::Other)
        return std::nullopt;
    if (f.trackWidth <= 0)
        return std::nullopt;
    const double step = (f.upperLimit - f.lowerLimit) / f.trackWidth;
    if (step == 0)
        return std::nullopt;
    long long iS = TruncToInt((f.selStart - f.lowerLimit) * (1 / step) + 0.5);
    long long iE = TruncToInt((f.selEnd - f.lowerLimit) * (1 / step) + 0.5);
    const int delta = key == SliderKey::Left ? -1 : 1;
    // With the whole track selected the pair cannot move as one, so a plain
    // arrow moves the end that can: Left the end, Right the start.
    const bool whole = iS == 0 && iE == f.trackWidth;
    if (!shift && whole)
        (delta < 0 ? iE : iS) += delta;
    else {
        if (!shift)
            iS += delta;
        iE += delta;
    }
    // Both ends stay on the track: with the ends crossed by Shift, a check of
    // the start's lower and the end's upper bound alone would let the other
    // bound slip past a limit.
    if (0 <= iS && iS <= f.trackWidth && 0 <= iE && iE <= f.trackWidth) {
        f.selStart = f.lowerLimit + iS * step;
        f.selEnd = f.lowerLimit + iE * step;
    }
    return shift ? NOTIFY_START : NOTIFY_BOTH;
}
