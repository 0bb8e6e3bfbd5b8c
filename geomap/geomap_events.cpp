// TGeoMap: Qt's input events in the framework's terms (button, shift state, control pixel) and
// the framework events they raise.
#include "geomap/Tyx_geomap.h"

#include <QMouseEvent>
#include <QResizeEvent>
#include <QWheelEvent>

#include <cmath>

namespace tyx {

namespace {

TShiftState ShiftOf(Qt::KeyboardModifiers Mods, Qt::MouseButtons Buttons)
{
    TShiftState S = 0;
    if (Mods & Qt::ShiftModifier) S |= ssShift;
    if (Mods & Qt::AltModifier) S |= ssAlt;
    if (Mods & Qt::ControlModifier) S |= ssCtrl;
    if (Buttons & Qt::LeftButton) S |= ssLeft;
    if (Buttons & Qt::RightButton) S |= ssRight;
    if (Buttons & Qt::MiddleButton) S |= ssMiddle;
    return S;
}

/// False for buttons the framework does not know (they raise nothing).
bool ButtonOf(Qt::MouseButton B, TMouseButton& Button)
{
    switch (B) {
    case Qt::LeftButton: Button = mbLeft; return true;
    case Qt::RightButton: Button = mbRight; return true;
    case Qt::MiddleButton: Button = mbMiddle; return true;
    default: return false;
    }
}

TPoint PosOf(const QPointF& P)
{
    return TPoint{static_cast<int>(std::floor(P.x())), static_cast<int>(std::floor(P.y()))};
}

} // namespace

void TGeoMap::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    const TPoint P = ControlToMapImage(TPoint{X, Y});
    FLastMClickPosX = P.X;
    FLastMClickPosY = P.Y;
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TGeoMap::MouseMove(TShiftState Shift, int X, int Y)
{
    const TPoint P = ControlToMapImage(TPoint{X, Y});
    FLastMMousePosX = P.X;
    FLastMMousePosY = P.Y;
    if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TGeoMap::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TGeoMap::mousePressEvent(QMouseEvent* Event)
{
    TMouseButton Button;
    if (!ButtonOf(Event->button(), Button)) return QWidget::mousePressEvent(Event);
    const TPoint P = PosOf(Event->position());
    if (Button == mbLeft) FPressedInside = true;
    MouseDown(Button, ShiftOf(Event->modifiers(), Event->buttons()), P.X, P.Y);
}

void TGeoMap::mouseMoveEvent(QMouseEvent* Event)
{
    const TPoint P = PosOf(Event->position());
    MouseMove(ShiftOf(Event->modifiers(), Event->buttons()), P.X, P.Y);
}

void TGeoMap::mouseReleaseEvent(QMouseEvent* Event)
{
    TMouseButton Button;
    if (!ButtonOf(Event->button(), Button)) return QWidget::mouseReleaseEvent(Event);
    const TPoint P = PosOf(Event->position());
    MouseUp(Button, ShiftOf(Event->modifiers(), Event->buttons()), P.X, P.Y);
    // A click is a left press and release on the control.
    if (Button == mbLeft) {
        const bool Click = FPressedInside && rect().contains(P.X, P.Y);
        FPressedInside = false;
        if (Click && OnClick) OnClick(this);
    }
}

void TGeoMap::mouseDoubleClickEvent(QMouseEvent* Event)
{
    TMouseButton Button;
    if (!ButtonOf(Event->button(), Button)) return QWidget::mouseDoubleClickEvent(Event);
    const TPoint P = PosOf(Event->position());
    // The second press of a double click is a press too, marked ssDouble.
    if (Button == mbLeft) FPressedInside = true;
    MouseDown(Button, ShiftOf(Event->modifiers(), Event->buttons()) | ssDouble, P.X, P.Y);
    if (Button == mbLeft && OnDblClick) OnDblClick(this);
}

void TGeoMap::wheelEvent(QWheelEvent* Event)
{
    const TShiftState Shift = ShiftOf(Event->modifiers(), Event->buttons());
    const int Delta = Event->angleDelta().y();
    const TPoint Pos = PosOf(Event->position());
    bool Handled = false;
    if (OnMouseWheel) OnMouseWheel(this, Shift, Delta, Pos, Handled);
    if (!Handled && Delta != 0) {
        const auto& UpDown = Delta > 0 ? OnMouseWheelUp : OnMouseWheelDown;
        if (UpDown) UpDown(this, Shift, Pos, Handled);
    }
    Event->setAccepted(Handled);
}

void TGeoMap::resizeEvent(QResizeEvent* Event)
{
    QWidget::resizeEvent(Event);
    Paint();
    if (OnResize) OnResize(this);
}

} // namespace tyx
