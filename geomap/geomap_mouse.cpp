// The map control's mouse state machine (see geomap_mouse.h). Feedback figures are drawn as a
// white XOR pen with a clear brush draws them, straight onto the control's picture: drawing a
// figure a second time takes it off again, so dragging never re-renders the map. Each figure
// remembers whether it is on the picture, which keeps the pairs matched whatever order the events
// come in, and lets a repaint put the figures being dragged back.
#include "geomap/geomap_mouse.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>

#include <algorithm>
#include <cmath>
#include <utility>

#include "host/tyx_rounding.h"

namespace tyx {

namespace {

/// The history is saved once wheel or keys have paused this long (ms).
constexpr int SettleMs = 300;
/// The keys' zoom step: a power of two keeps + then - back on the same magnification.
constexpr double KeyZoomFactor = 2.0;

QRect BoundsOf(TPoint A, TPoint B)
{
    return QRect(QPoint(std::min(A.X, B.X), std::min(A.Y, B.Y)), QPoint(std::max(A.X, B.X), std::max(A.Y, B.Y)));
}

} // namespace

TGeoMapMouse::TGeoMapMouse(TGeoMap& Map) : FMap(Map)
{
    FSettle.setSingleShot(true);
    FSettle.setInterval(SettleMs);
    QObject::connect(&FSettle, &QTimer::timeout, &FMap, [this] { ZoomStateOnStack(); });
}

TGeoMapMouse::~TGeoMapMouse()
{
    if (FBoxLoop) FBoxLoop->quit();
}

void TGeoMapMouse::AssignState(const TGeoMapMouse& Source)
{
    // This control's own figures come off its picture; the source's were never on it.
    for (TFigure* F : {&FBandLine, &FZoomFrame, &FSelectFrame, &FBoxFrame}) Hide(*F);
    static_cast<TGeoMapMouseState&>(*this) = Source;
}

// ---- XOR feedback ----

namespace {

/// Inverts single pixels of a picture, as a white XOR pen does. Done by hand rather than with a
/// painter: a painter hands outlines of more than a few dozen rows to worker threads, and that
/// hand-over costs many times the inversion itself on every mouse move.
/// On a picture of more device pixels than control pixels (HighDpi), a control pixel's whole
/// block is inverted.
class TPixelInverter {
public:
    explicit TPixelInverter(QImage& Img)
        : FImg(Img), FBits(Img.bits()), FStride(Img.bytesPerLine()), FRatio(Img.devicePixelRatio())
    {
    }
    void operator()(int X, int Y) const
    {
        if (FRatio == 1) return Invert(X, Y);
        if (X < 0 || Y < 0) return;
        const int X0 = Round(X * FRatio), Y0 = Round(Y * FRatio);
        const int X1 = std::max(X0 + 1, Round((X + 1) * FRatio)), Y1 = std::max(Y0 + 1, Round((Y + 1) * FRatio));
        for (int y = Y0; y < Y1; ++y)
            for (int x = X0; x < X1; ++x) Invert(x, y);
    }

private:
    void Invert(int X, int Y) const
    {
        if (X < 0 || Y < 0 || X >= FImg.width() || Y >= FImg.height()) return;
        uchar* Row = FBits + static_cast<qsizetype>(Y) * FStride;
        switch (FImg.format()) {
        case QImage::Format_RGB555: reinterpret_cast<quint16*>(Row)[X] ^= 0x7FFF; break;
        case QImage::Format_RGB16: reinterpret_cast<quint16*>(Row)[X] ^= 0xFFFF; break;
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
        case QImage::Format_ARGB32_Premultiplied: reinterpret_cast<quint32*>(Row)[X] ^= 0x00FFFFFF; break;
        default: FImg.setPixel(X, Y, FImg.pixel(X, Y) ^ 0x00FFFFFF); break;
        }
    }

private:
    QImage& FImg;
    uchar* FBits;
    qsizetype FStride;
    double FRatio;
};

} // namespace

void TGeoMapMouse::Draw(QImage& Img, const TFigure& F) const
{
    const TPixelInverter Invert(Img);
    if (F.Kind == fkLine) {
        // From A to B with B left out, as canvas lines are drawn.
        const int DX = std::abs(F.B.X - F.A.X), DY = -std::abs(F.B.Y - F.A.Y);
        const int SX = F.A.X < F.B.X ? 1 : -1, SY = F.A.Y < F.B.Y ? 1 : -1;
        int Err = DX + DY, X = F.A.X, Y = F.A.Y;
        while (X != F.B.X || Y != F.B.Y) {
            Invert(X, Y);
            const int E2 = 2 * Err;
            if (E2 >= DY) { Err += DY; X += SX; }
            if (E2 <= DX) { Err += DX; Y += SY; }
        }
        return;
    }
    // The outline of the box [X1, X2) x [Y1, Y2), each pixel once, clockwise from the top-left
    // corner; the dotted frame takes every second pixel along that path.
    const int X1 = std::min(F.A.X, F.B.X), X2 = std::max(F.A.X, F.B.X) - 1;
    const int Y1 = std::min(F.A.Y, F.B.Y), Y2 = std::max(F.A.Y, F.B.Y) - 1;
    if (X2 < X1 || Y2 < Y1) return;
    int Step = 0;
    auto Put = [&](int X, int Y) {
        if (F.Kind != fkDottedRect || Step++ % 2 == 0) Invert(X, Y);
    };
    for (int X = X1; X <= X2; ++X) Put(X, Y1);
    for (int Y = Y1 + 1; Y <= Y2; ++Y) Put(X2, Y);
    if (Y2 > Y1)
        for (int X = X2 - 1; X >= X1; --X) Put(X, Y2);
    if (X2 > X1)
        for (int Y = Y2 - 1; Y > Y1; --Y) Put(X1, Y);
}

void TGeoMapMouse::Show(TFigure& F, TPoint A, TPoint B)
{
    // Before the first paint there is no picture to draw on, and so nothing to take off later.
    QImage& Img = FMap.FPicture;
    if (Img.isNull()) return;
    QRect Changed = BoundsOf(A, B);
    if (F.Shown) {
        Draw(Img, F);
        Changed |= BoundsOf(F.A, F.B);
    }
    F.A = A;
    F.B = B;
    Draw(Img, F);
    F.Shown = true;
    FMap.update(Changed);
}

void TGeoMapMouse::Hide(TFigure& F)
{
    if (!F.Shown) return;
    Draw(FMap.FPicture, F);
    F.Shown = false;
    FMap.update(BoundsOf(F.A, F.B));
}

void TGeoMapMouse::RedrawFeedback()
{
    for (const TFigure* F : {&FBandLine, &FZoomFrame, &FSelectFrame, &FBoxFrame})
        if (F->Shown) Draw(FMap.FPicture, *F);
}

// ---- Press, move, release ----

bool TGeoMapMouse::Inside(int X, int Y) const
{
    return X >= 0 && X <= FMap.width() && Y >= 0 && Y <= FMap.height();
}

void TGeoMapMouse::SetBoxState(TMouseBoxState Value)
{
    FMouseBoxState = Value;
    if (FBoxLoop && (Value == mbsIdle || Value == mbsFinished)) FBoxLoop->quit();
}

void TGeoMapMouse::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    FlushPendingSave();
    const TPoint Click = FMap.ControlToMapImage(TPoint{X, Y});
    FLastMClickPosX = Click.X;
    FLastMClickPosY = Click.Y;

    if (FMouseBoxState == mbsArmed) {
        if (Button == mbRight) {
            SetBoxState(mbsIdle);
        } else {
            FMouseBoxX1 = X;
            FMouseBoxY1 = Y;
            FWindOldCornerX = X;
            FWindOldCornerY = Y;
            SetBoxState(mbsDragging);
        }
    }
    if (Button != mbLeft) return;

    switch (FMap.FMouseAction) {
    case maZoomWindow:
        if (FZoomState == zsIdle && Inside(X, Y)) {
            FZoomState = zsZoomWindow;
            FWindAnchorX = FWindOldCornerX = X;
            FWindAnchorY = FWindOldCornerY = Y;
        }
        break;
    case maSelectRect:
        // A frame whose release never arrived comes off before the new one starts.
        Hide(FSelectFrame);
        FWindAnchorX = FWindOldCornerX = X;
        FWindAnchorY = FWindOldCornerY = Y;
        FSelectRectOn = true;
        if (FMap.OnBeginRubberBand) FMap.OnBeginRubberBand(&FMap, Click.X, Click.Y);
        break;
    case maRubberBand:
        if ((Shift & ssCtrl) && FRubberBandOn) {
            if (FMap.OnContinueRubberBand) FMap.OnContinueRubberBand(&FMap, Click.X, Click.Y);
            // The line so far stays on the picture; the band goes on from the click.
            FBandLine.Shown = false;
            FRubberBAnchorX = FRubberBandOldX = X;
            FRubberBAnchorY = FRubberBandOldY = Y;
        } else {
            FRubberBandOn = !FRubberBandOn;
            if (FRubberBandOn) {
                if (FMap.OnBeginRubberBand) FMap.OnBeginRubberBand(&FMap, Click.X, Click.Y);
                FRubberBAnchorX = FRubberBandOldX = X;
                FRubberBAnchorY = FRubberBandOldY = Y;
            } else {
                Hide(FBandLine);
                if (FMap.OnEndRubberBand) FMap.OnEndRubberBand(&FMap, Click.X, Click.Y);
            }
        }
        break;
    default: break;
    }
}

void TGeoMapMouse::MouseMove(TShiftState Shift, int& X, int& Y)
{
    const TPoint At = FMap.ControlToMapImage(TPoint{X, Y});
    FLastMMousePosX = At.X;
    FLastMMousePosY = At.Y;

    if (FMouseBoxState == mbsDragging) {
        X = std::clamp(X, 1, std::max(1, FMap.width()));
        Y = std::clamp(Y, 1, std::max(1, FMap.height()));
        Show(FBoxFrame, TPoint{FMouseBoxX1, FMouseBoxY1}, TPoint{X, Y});
        FWindOldCornerX = X;
        FWindOldCornerY = Y;
    }

    const bool LeftDown = (Shift & ssLeft) != 0;
    const TMouseActMode Mode = FMap.FMouseAction;
    switch (Mode) {
    case maPan:
    case maPanHoriz:
    case maPanVert:
    case maDragZoom:
        if (!LeftDown) {
            FLButtonWasDown = false;
            break;
        }
        if (!FLButtonWasDown) {
            // The first move of a drag only takes the anchors.
            MouseAnchorX = X;
            MouseAnchorY = Y;
            FTopLeftXAnchor = FMap.FTopLeft.X;
            FTopLeftYAnchor = FMap.FTopLeft.Y;
        } else if (Inside(X, Y)) {
            if (Mode == maDragZoom) DragZoomStep(X, Y);
            else PanStep(Mode, X, Y);
        }
        FLButtonWasDown = true;
        break;
    case maZoomWindow:
        if (FZoomState == zsZoomWindow) DragFrame(FZoomFrame, X, Y);
        break;
    case maSelectRect:
        if (FSelectRectOn && LeftDown) DragFrame(FSelectFrame, X, Y);
        break;
    case maRubberBand:
        if (FRubberBandOn) {
            Show(FBandLine, TPoint{FRubberBAnchorX, FRubberBAnchorY}, TPoint{X, Y});
            FRubberBandOldX = X;
            FRubberBandOldY = Y;
        }
        break;
    default: break;
    }
}

void TGeoMapMouse::DragFrame(TFigure& F, int& X, int& Y)
{
    X = std::clamp(X, 0, FMap.width());
    Y = std::clamp(Y, 0, FMap.height());
    Show(F, TPoint{FWindAnchorX, FWindAnchorY}, TPoint{X, Y});
    FWindOldCornerX = X;
    FWindOldCornerY = Y;
}

void TGeoMapMouse::MouseUp(TMouseButton Button, TShiftState, int X, int Y)
{
    // A release ends the drag: the next drag takes fresh anchors, even when no move without the
    // button came in between.
    if (Button == mbLeft) FLButtonWasDown = false;
    if (FMouseBoxState == mbsDragging) {
        Hide(FBoxFrame);
        if (Button == mbRight) {
            SetBoxState(mbsIdle);
        } else {
            FMouseBoxX2 = X;
            FMouseBoxY2 = Y;
            SetBoxState(mbsFinished);
        }
    }

    switch (FMap.FMouseAction) {
    case maSelectRect:
        if (Button == mbLeft && FSelectRectOn) SelectRectRelease(X, Y);
        break;
    case maZoomWindow:
        if (FZoomState != zsZoomWindow || Button == mbMiddle) break;
        Hide(FZoomFrame);
        if (Button == mbLeft) ZoomWindowRelease(X, Y);
        FZoomState = zsIdle;
        break;
    case maPan:
    case maPanHoriz:
    case maPanVert:
    case maDragZoom:
        // Every release saves, whether or not the view changed.
        ZoomStateOnStack();
        break;
    default: break;
    }
}

// ---- Pan and zoom steps ----

void TGeoMapMouse::PanStep(TMouseActMode Mode, int X, int Y)
{
    const double Mag = FMap.FMagnify;
    if (Mode != maPanVert) FMap.FTopLeft.X = FTopLeftXAnchor + Round((MouseAnchorX - X) / Mag);
    if (Mode != maPanHoriz) FMap.FTopLeft.Y = FTopLeftYAnchor + Round((MouseAnchorY - Y) / Mag);
    if (FMap.FConfinePan) FMap.PanMapToFillWindow();
    FMap.Paint();
    FMap.DoZoomPanEvent();
}

void TGeoMapMouse::DragZoomStep(int X, int Y)
{
    const int W = FMap.width(), H = FMap.height();
    if (W <= 0 || H <= 0) return;
    const double Mag = FMap.FMagnify;
    const TPoint TL = FMap.FTopLeft;
    const int CX = TL.X + Round(W / Mag / 2);
    const int CY = TL.Y + Round(H / Mag / 2);
    // Vertical distance from the anchor counts fully, horizontal with a weight of 0.05. A drag
    // far below the anchor would make the factor 0 or negative; the bounds catch that.
    const double Factor = 1 - 0.05 * (MouseAnchorX - X) / W + static_cast<double>(MouseAnchorY - Y) / H;
    const double NewMag = FMap.ClampMagnification(Mag * Factor, true);
    FMap.FMagnify = NewMag;
    FMap.FTopLeft = TPoint{CX - Round(W / NewMag / 2), CY - Round(H / NewMag / 2)};
    FMap.Paint();
    FMap.DoZoomPanEvent();
}

void TGeoMapMouse::ZoomWindowRelease(int X, int Y)
{
    if (FWindAnchorX == FWindOldCornerX || FWindAnchorY == FWindOldCornerY) return;
    if (FWindAnchorX > X) std::swap(FWindAnchorX, X);
    if (FWindAnchorY > Y) std::swap(FWindAnchorY, Y);
    const TPoint P1 = FMap.ControlToMapImage(TPoint{FWindAnchorX, FWindAnchorY});
    const TPoint P2 = FMap.ControlToMapImage(TPoint{X, Y});
    if (P1.X == P2.X || P1.Y == P2.Y) return;
    const int W = FMap.width(), H = FMap.height();
    const int DX = std::abs(P2.X - P1.X), DY = std::abs(P2.Y - P1.Y);
    const double ToWindow = DY < DX ? static_cast<double>(W) / DX : static_cast<double>(H) / DY;
    const double Mag = FMap.ClampMagnification(ToWindow, true);
    FMap.FMagnify = Mag;
    // Centres the chosen rectangle, also when the bounds kept the zoom from fitting it.
    FMap.FTopLeft = TPoint{P1.X + Round(((P2.X - P1.X) - W / Mag) / 2), P1.Y + Round(((P2.Y - P1.Y) - H / Mag) / 2)};
    FMap.Paint();
    FMap.DoZoomPanEvent();
}

void TGeoMapMouse::SelectRectRelease(int X, int Y)
{
    FSelectRectOn = false;
    Hide(FSelectFrame);
    const TPoint P1 = FMap.ControlToMapImage(TPoint{FWindAnchorX, FWindAnchorY});
    const TPoint P2 = FMap.ControlToMapImage(TPoint{X, Y});
    bool Valid = false;
    double Long1 = FMap.CalcLongitude(P1, Valid), Lat1 = 0, Long2 = 0, Lat2 = 0;
    if (Valid) Lat1 = FMap.CalcLatitude(P1, Valid);
    if (Valid) Long2 = FMap.CalcLongitude(P2, Valid);
    if (Valid) Lat2 = FMap.CalcLatitude(P2, Valid);
    if (Valid) FMap.DoSelectRectEvent(1, Long1, Lat1, Long2, Lat2);
    else FMap.DoSelectRectEvent(0, P1.X, P1.Y, P2.X, P2.Y);
}

// ---- Mouse box ----

bool TGeoMapMouse::MouseBox(int& xLo, int& yLo, int& xHi, int& yHi)
{
    // One box at a time, and only where an event loop can bring the user's input.
    if (FBoxLoop || !QCoreApplication::instance()) return false;
    const TMouseActMode SavedAction = FMap.FMouseAction;
    FMap.FMouseAction = maNone;
    FMouseBoxState = mbsArmed;

    // A nested event loop, as modal dialogs use: input and timers keep flowing, the wait itself
    // sleeps until something happens, and the loop also ends when the application quits.
    const QPointer<TGeoMap> Alive(&FMap);
    QEventLoop Loop;
    FBoxLoop = &Loop;
    Loop.exec();
    // The control may have been destroyed by a handler inside the wait.
    if (!Alive) return false;
    FBoxLoop = nullptr;

    const bool Done = FMouseBoxState == mbsFinished;
    if (Done) {
        xLo = std::min(FMouseBoxX1, FMouseBoxX2);
        xHi = std::max(FMouseBoxX1, FMouseBoxX2);
        yLo = std::min(FMouseBoxY1, FMouseBoxY2);
        yHi = std::max(FMouseBoxY1, FMouseBoxY2);
    }
    Hide(FBoxFrame);
    FMouseBoxState = mbsIdle;
    FMap.FMouseAction = SavedAction;
    return Done;
}

void TGeoMapMouse::MouseBoxAbort()
{
    SetBoxState(mbsIdle);
}

// ---- Zoom history ----

void TGeoMapMouse::ZoomStateOnStack()
{
    FSettle.stop();
    FZoomStack[static_cast<std::size_t>(FZStackPoi - 1)] =
        TgmZoomStackEntry{FMap.FTopLeft.X, FMap.FTopLeft.Y, FMap.FMagnify};
    FZStackPoi = FZStackPoi >= 16 ? 1 : FZStackPoi + 1;
}

void TGeoMapMouse::ClearZoomHistory()
{
    FZoomStack.fill(TgmZoomStackEntry{});
    FZStackPoi = 1;
    ZoomStateOnStack();
}

TgmZoomStackEntry TGeoMapMouse::GetZoomStackEntry(int StackIx) const
{
    if (StackIx < -15 || StackIx > 0) return TgmZoomStackEntry{};
    int e = FZStackPoi + StackIx - 1;
    if (e < 1) e += 16;
    return FZoomStack[static_cast<std::size_t>(e - 1)];
}

void TGeoMapMouse::ZoomHistory(int Index)
{
    const TgmZoomStackEntry E = GetZoomStackEntry(Index);
    if (E == TgmZoomStackEntry{}) return;
    FMap.FTopLeft = TPoint{E.Left, E.Top};
    FMap.FMagnify = FMap.ClampMagnification(E.MagF, true);
    FMap.Paint();
}

void TGeoMapMouse::SaveWhenSettled()
{
    FSettle.start();
}

void TGeoMapMouse::FlushPendingSave()
{
    if (FSettle.isActive()) ZoomStateOnStack();
}

// ---- Wheel and keys ----

void TGeoMapMouse::SetViewFromInput(double Mag, double CentreX, double CentreY, double AtX, double AtY)
{
    // Map-image point (CentreX, CentreY) lands on control point (AtX, AtY).
    FMap.FMagnify = FMap.ClampMagnification(Mag, true);
    FMap.FTopLeft = TPoint{Round(CentreX - AtX / FMap.FMagnify), Round(CentreY - AtY / FMap.FMagnify)};
    if (FMap.FConfinePan) FMap.PanMapToFillWindow();
    FMap.Paint();
    FMap.DoZoomPanEvent();
    SaveWhenSettled();
}

bool TGeoMapMouse::Wheel(int Delta, int X, int Y)
{
    if (!(FMap.FWheelZoom > 1) || Delta == 0) return false;
    const double Mag = FMap.FMagnify;
    const TPoint TL = FMap.FTopLeft;
    // 120 is one notch; finer wheels send fractions of it.
    const double NewMag = Mag * std::pow(FMap.FWheelZoom, Delta / 120.0);
    SetViewFromInput(NewMag, TL.X + X / Mag, TL.Y + Y / Mag, X, Y);
    return true;
}

bool TGeoMapMouse::Key(int Key)
{
    if (!FMap.FKeyboardNav) return false;
    const double Mag = FMap.FMagnify;
    const double HalfW = FMap.width() / 2.0, HalfH = FMap.height() / 2.0;
    const double CX = FMap.FTopLeft.X + HalfW / Mag, CY = FMap.FTopLeft.Y + HalfH / Mag;
    // A tenth of the view, at least one map-image pixel.
    const int StepX = std::max(1, Round(FMap.width() / Mag / 10));
    const int StepY = std::max(1, Round(FMap.height() / Mag / 10));
    switch (Key) {
    case Qt::Key_Left: SetViewFromInput(Mag, CX - StepX, CY, HalfW, HalfH); return true;
    case Qt::Key_Right: SetViewFromInput(Mag, CX + StepX, CY, HalfW, HalfH); return true;
    case Qt::Key_Up: SetViewFromInput(Mag, CX, CY - StepY, HalfW, HalfH); return true;
    case Qt::Key_Down: SetViewFromInput(Mag, CX, CY + StepY, HalfW, HalfH); return true;
    case Qt::Key_Plus:
    case Qt::Key_Equal: SetViewFromInput(Mag * KeyZoomFactor, CX, CY, HalfW, HalfH); return true;
    case Qt::Key_Minus: SetViewFromInput(Mag / KeyZoomFactor, CX, CY, HalfW, HalfH); return true;
    case Qt::Key_Home:
        if (FMap.FMapImgWidth <= 0 || FMap.FMapImgHeight <= 0) return true;
        FMap.ZoomFitPage();
        FMap.DoZoomPanEvent();
        SaveWhenSettled();
        return true;
    default: return false;
    }
}

} // namespace tyx
