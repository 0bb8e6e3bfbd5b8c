// TGeoMap: Qt's input events in the framework's terms (button, shift state, control pixel), the
// framework events they raise, and the hand-over to the mouse state machine (geomap_mouse.cpp).
#include "geomap/Tyx_geomap.h"
#include "geomap/geomap_mouse.h"

#include <QKeyEvent>
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
    FMouse->MouseDown(Button, Shift, X, Y);
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TGeoMap::MouseMove(TShiftState Shift, int X, int Y)
{
    FMouse->MouseMove(Shift, X, Y);
    if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
    emit mouseMoved(X, Y);
}

void TGeoMap::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
    FMouse->MouseUp(Button, Shift, X, Y);
}

int TGeoMap::LastClickPosX() const { return FMouse->LastClickPos().X; }
int TGeoMap::LastClickPosY() const { return FMouse->LastClickPos().Y; }
int TGeoMap::LastMousePosX() const { return FMouse->LastMousePos().X; }
int TGeoMap::LastMousePosY() const { return FMouse->LastMousePos().Y; }
TZoomState TGeoMap::ZoomState() const { return FMouse->ZoomState(); }

bool TGeoMap::MouseBox(int& xLo, int& yLo, int& xHi, int& yHi) { return FMouse->MouseBox(xLo, yLo, xHi, yHi); }
void TGeoMap::MouseBoxAbort() { FMouse->MouseBoxAbort(); }

void TGeoMap::ZoomStateOnStack() { FMouse->ZoomStateOnStack(); }
void TGeoMap::ZoomHistory(int Index) { FMouse->ZoomHistory(Index); }
void TGeoMap::ClearZoomHistory() { FMouse->ClearZoomHistory(); }
TgmZoomStackEntry TGeoMap::GetZoomStackEntry(int StackIx) const { return FMouse->GetZoomStackEntry(StackIx); }

void TGeoMap::SetWheelZoom(double Value)
{
    FWheelZoom = Value > 1 && std::isfinite(Value) ? Value : 0;
}

void TGeoMap::SetKeyboardNavigation(bool Value)
{
    FKeyboardNav = Value;
    // Keys reach a widget only when it can take the focus; a policy the host chose stays.
    if (Value && focusPolicy() == Qt::NoFocus) setFocusPolicy(Qt::StrongFocus);
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
        if (Click) {
            if (OnClick) OnClick(this);
            emit clicked();
        }
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
    if (Button == mbLeft) {
        if (OnDblClick) OnDblClick(this);
        emit doubleClicked();
    }
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
    if (!Handled) Handled = FMouse->Wheel(Delta, Pos.X, Pos.Y);
    Event->setAccepted(Handled);
}

void TGeoMap::keyPressEvent(QKeyEvent* Event)
{
    if (!FMouse->Key(Event->key())) QWidget::keyPressEvent(Event);
}

void TGeoMap::resizeEvent(QResizeEvent* Event)
{
    QWidget::resizeEvent(Event);
    KeepCentreOnResize(Event->oldSize());
    Paint();
    if (OnResize) OnResize(this);
}

} // namespace tyx
