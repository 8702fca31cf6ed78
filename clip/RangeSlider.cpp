#include "clip/RangeSlider.h"

#include "platform/WindowMessage.h"
#include "platform/DialogManager.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFocusEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <algorithm>

const int RANGE_CHANGED =
    RegisterWindowMessage("RANGE_CHANGED{2E7439A4-12DB-42a2-BB95-3462B3EC39CE}CRangeSlider");

namespace {
// Dialog templates name the control by its window class; registering it here,
// during the library's static initialisation, means every dialog built later
// finds it.
[[maybe_unused]] const bool classRegistered = [] {
    RegisterControlClass(QString::fromLatin1(RANGE_SLIDER_CLASS),
                         [](QWidget* parent) { return new CRangeSlider(parent); });
    return true;
}();

// What a screen reader finds: a slider named by its label whose value is the
// selection; the current value is its start, the text names both ends.
class RangeSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit RangeSliderAccessible(CRangeSlider* slider)
        : QAccessibleWidget(slider, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? Slider()->ValueText() : QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return Slider()->Fields().selStart; }
    void setCurrentValue(const QVariant&) override {} // moved by its keys only
    QVariant maximumValue() const override { return Slider()->Fields().upperLimit; }
    QVariant minimumValue() const override { return Slider()->Fields().lowerLimit; }
    QVariant minimumStepSize() const override {
        const RangeSliderFields& f = Slider()->Fields();
        return f.trackWidth > 0 ? (f.upperLimit - f.lowerLimit) / f.trackWidth : 0.0;
    }

private:
    CRangeSlider* Slider() const { return static_cast<CRangeSlider*>(widget()); }
};

[[maybe_unused]] const bool accessibleInstalled = [] {
    QAccessible::installFactory([](const QString& key, QObject* object) -> QAccessibleInterface* {
        if (key == QLatin1String("CRangeSlider"))
            if (auto* slider = qobject_cast<CRangeSlider*>(object))
                return new RangeSliderAccessible(slider);
        return nullptr;
    });
    return true;
}();

// The stock gray brush of the track.
const QColor kTrackGray(128, 128, 128);

QRect ToQRect(const SliderRect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)).normalized();
}

// A rectangle as the platform's Rectangle call draws it: a one-pixel frame in
// the pen colour around a fill in the brush colour; without a pen only the
// fill, one pixel narrower and lower.
void DrawBox(QPainter& p, const SliderRect& box, const QColor* pen, const QColor& brush) {
    QRect r = ToQRect(box);
    if (!pen) {
        r.adjust(0, 0, -1, -1);
        if (r.isValid())
            p.fillRect(r, brush);
        return;
    }
    if (!r.isValid())
        return;
    p.fillRect(r, *pen);
    const QRect inner = r.adjusted(1, 1, -1, -1);
    if (inner.isValid())
        p.fillRect(inner, brush);
}

// An axis-parallel line from `from` towards `to`, the end point excluded.
void DrawLineTo(QPainter& p, QPoint from, QPoint to, const QColor& colour) {
    if (from == to)
        return;
    const QPoint step((to.x() > from.x()) - (to.x() < from.x()),
                      (to.y() > from.y()) - (to.y() < from.y()));
    const QPoint last = to - step;
    p.setPen(QPen(colour, 0));
    p.drawLine(from, last);
}

// The raised edge of a handle that is not being dragged: light at the left and
// top, dark at the right and bottom.
void DrawRaisedEdge(QPainter& p, const SliderRect& r, const QColor& light, const QColor& dark) {
    const QPoint leftBottom(r.left, r.bottom), leftTop(r.left, r.top);
    const QPoint rightTop(r.right, r.top), rightBottom(r.right, r.bottom);
    DrawLineTo(p, leftBottom, leftTop, light);
    DrawLineTo(p, leftTop, rightTop, light);
    DrawLineTo(p, rightTop, rightBottom, dark);
    DrawLineTo(p, rightBottom, leftBottom, dark);
}

void DrawTriangle(QPainter& p, QPoint a, QPoint b, QPoint c) {
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygon({a, b, c}));
    p.setBrush(Qt::NoBrush);
}

// A dotted frame that inverts every other pixel, so drawing it twice removes it.
void DrawFocusFrame(QImage& image, const QRect& r) {
    auto invert = [&](int x, int y) {
        if ((x + y) % 2 != 0 || !image.rect().contains(x, y))
            return;
        const QRgb c = image.pixel(x, y);
        image.setPixel(x, y, qRgb(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c)));
    };
    for (int x = r.left(); x <= r.right(); ++x) {
        invert(x, r.top());
        if (r.bottom() != r.top())
            invert(x, r.bottom());
    }
    for (int y = r.top() + 1; y < r.bottom(); ++y) {
        invert(r.left(), y);
        if (r.right() != r.left())
            invert(r.right(), y);
    }
}
} // namespace

CRangeSlider::CRangeSlider(QWidget* parent) : QWidget(parent) {
    // A tab stop. A click takes the focus through the press handler alone
    // (also on the bare track), so the second press of a double click, which
    // the control ignores, takes none.
    setFocusPolicy(Qt::TabFocus);
    // Moves reach the control also without a button held, so a drag whose
    // release was lost goes on until a release arrives.
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CRangeSlider::~CRangeSlider() = default;

void CRangeSlider::SetLimits(double a, double b) {
    SetLimitValues(*this, a, b);
    ClampSelection();
    ReportValue();
    update();
}

void CRangeSlider::SetSelection(double start, double end) {
    selStart = start;
    selEnd = end;
    ClampSelection();
    ReportValue();
    update();
}

void CRangeSlider::SetValueText(std::function<QString(double)> format) {
    valueText = std::move(format);
}

QString CRangeSlider::ValueText() const {
    const auto text = [this](double v) { return valueText ? valueText(v) : QString::number(v); };
    return text(selStart) + QStringLiteral(" to ") + text(selEnd);
}

void CRangeSlider::ReportValue() {
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, selStart);
        QAccessible::updateAccessibility(&event);
    }
}

void CRangeSlider::GetSelection(double& start, double& end) const {
    start = selStart;
    end = selEnd;
}

void CRangeSlider::ClampSelection() {
    ::ClampSelection(*this, [this](int wParam) { Notify(wParam); });
}

void CRangeSlider::SetMarks(QList<double> values) {
    marks = std::move(values);
    update();
}

void CRangeSlider::Notify(int wParam) {
    SendMessage(parentWidget(), RANGE_CHANGED, static_cast<WPARAM>(wParam), 0);
    ReportValue();
}

void CRangeSlider::paintEvent(QPaintEvent* event) {
    // Drawn off-screen and copied in one go, so the repaint after every change
    // does not flicker.
    if (width() <= 0 || height() <= 0)
        return;
    QImage image(size(), QImage::Format_RGB32);
    image.fill(palette().color(QPalette::Window));
    Draw(image, rect());
    QPainter window(this);
    const QRect clip = event->rect();
    window.drawImage(clip.topLeft(), image, clip);
}

void CRangeSlider::Draw(QImage& image, const QRect& client) {
    const int H = client.height();
    const SliderLayout l = ComputeLayout(*this, client.width(), H);
    StoreLayout(*this, l);
    const int hw = l.handleWidth;
    const QColor black(Qt::black);
    const QColor face = palette().color(QPalette::Button);
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);

    DrawBox(p, {client.left(), client.top(), client.right() + 1, client.bottom() + 1}, &black,
            kTrackGray);

    DrawBox(p, l.startBox, &black, face);
    if (!(dragging && dragPart == PART_START))
        DrawRaisedEdge(p, startHandleRect, light, dark);
    DrawTriangle(p, QPoint(l.xS + hw / 3, H / 3), QPoint(l.xS + hw / 3, 2 * H / 3),
                 QPoint(l.xS + 2 * hw / 3, H / 2));

    DrawBox(p, l.endBox, &black, face);
    if (!(dragging && dragPart == PART_END))
        DrawRaisedEdge(p, endHandleRect, light, dark);
    DrawTriangle(p, QPoint(l.xE + hw + 2 * hw / 3, H / 3),
                 QPoint(l.xE + hw + 2 * hw / 3, 2 * H / 3), QPoint(l.xE + hw + hw / 3, H / 2));

    DrawBox(p, l.spanBox, nullptr, Qt::white);
    // Over the track and the span, under neither handle; they follow the
    // skin, whose palette gives the highlight.
    const QColor markColour = palette().color(QPalette::Highlight);
    for (const double value : marks) {
        const int x = hw + ValueToPixel(*this, value);
        const bool underHandle = (x >= l.startBox.left && x < l.startBox.right) ||
                                 (x >= l.endBox.left && x < l.endBox.right);
        if (!underHandle && x > client.left() && x < client.right())
            p.fillRect(QRect(x, H / 2, 1, H / 2 - 1), markColour);
    }
    p.end();

    if (hasFocus()) {
        const SliderRect s = l.spanBox;
        const QRect focus(QPoint(s.left + 3, s.top + 3), QPoint(s.right - 4, s.bottom - 4));
        // An empty or crossed selection leaves no room for the frame.
        if (focus.isValid())
            DrawFocusFrame(image, focus);
    }
}

void CRangeSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    update();
    const QPoint pos = event->position().toPoint();
    // While the button is held, Qt sends every move and the release here, as a
    // captured mouse would.
    BeginDrag(*this, pos.x(), pos.y(), height());
    event->accept();
}

void CRangeSlider::mouseMoveEvent(QMouseEvent* event) {
    if (dragging) {
        Notify(DragTo(*this, event->position().toPoint().x()));
        update();
    }
    event->accept();
}

void CRangeSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && dragging) {
        EndDrag(*this);
        update();
    }
    event->accept();
}

void CRangeSlider::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is not a press here: no focus, no drag.
    event->accept();
}

void CRangeSlider::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key != Qt::Key_Left && key != Qt::Key_Right && key != Qt::Key_Up && key != Qt::Key_Down) {
        // Enter, Escape and the rest keep their meaning in the dialog.
        QWidget::keyPressEvent(event);
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers();
    const SliderKey k = key == Qt::Key_Left    ? SliderKey::Left
                        : key == Qt::Key_Right ? SliderKey::Right
                                               : SliderKey::Other;
    if (const auto wParam = MoveByKey(*this, k, mods.testFlag(Qt::ShiftModifier),
                                      mods.testFlag(Qt::ControlModifier))) {
        Notify(*wParam);
        update();
    }
    event->accept();
}

void CRangeSlider::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void CRangeSlider::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}
