// The map control's mouse state machine, kept apart from the widget: what a press, a move and a
// release do under each MouseAction (pan, rubber band, zoom window, drag zoom, selection
// rectangle), the modal MouseBox, the XOR feedback drawn straight onto the control's picture, the
// zoom history, and the optional wheel zoom and keyboard navigation. TGeoMap owns one and
// forwards its input to it; the view itself (TopLeft, Magnification) stays the widget's, and
// every view change goes through the widget's Paint and OnZoomPan.
// All positions here are control pixels unless a name says map-image pixel.
#pragma once
#include <QTimer>

#include <array>

#include "geomap/Tyx_geomap.h"

class QEventLoop;

namespace tyx {

/// The state Assign copies from one control to another.
struct TGeoMapMouseState {
    // Drag anchors: the mouse and TopLeft where a pan or drag zoom started.
    int MouseAnchorX = 0, MouseAnchorY = 0;
    int FTopLeftXAnchor = 0, FTopLeftYAnchor = 0;
    // Zoom history: a ring of 16 saved views; slot FZStackPoi (1 to 16) is written next.
    std::array<TgmZoomStackEntry, 16> FZoomStack{};
    int FZStackPoi = 1;

    bool FLButtonWasDown = false; ///< the previous move already saw the left button down
    TZoomState FZoomState = zsIdle;
    TMouseBoxState FMouseBoxState = mbsIdle;
    int FMouseBoxX1 = 0, FMouseBoxX2 = 0, FMouseBoxY1 = 0, FMouseBoxY2 = 0;
    int FWindOldCornerX = 0, FWindOldCornerY = 0, FWindAnchorX = 0, FWindAnchorY = 0;
    bool FRubberBandOn = false;
    bool FSelectRectOn = false;
    int FRubberBAnchorX = 0, FRubberBAnchorY = 0, FRubberBandOldX = 0, FRubberBandOldY = 0;
    // Map-image pixels of the last press and the last move.
    int FLastMClickPosX = 0, FLastMClickPosY = 0;
    int FLastMMousePosX = 0, FLastMMousePosY = 0;
};

class TGeoMapMouse : private TGeoMapMouseState {
public:
    explicit TGeoMapMouse(TGeoMap& Map);
    /// Ends a MouseBox still waiting (it returns false).
    ~TGeoMapMouse();
    TGeoMapMouse(const TGeoMapMouse&) = delete;
    TGeoMapMouse& operator=(const TGeoMapMouse&) = delete;

    /// Takes another control's interaction state and zoom history. Its figures are not on this
    /// control's picture, so none counts as shown here.
    void AssignState(const TGeoMapMouse& Source);

    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    /// X and Y come back clamped where a box or frame being dragged clamps them.
    void MouseMove(TShiftState Shift, int& X, int& Y);
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);

    bool MouseBox(int& xLo, int& yLo, int& xHi, int& yHi);
    void MouseBoxAbort();

    /// Wheel zoom when the control's WheelZoom is on; Delta in eighths of a degree. False when
    /// the wheel was not used.
    bool Wheel(int Delta, int X, int Y);
    /// Keyboard navigation when it is on; Key is a Qt::Key. False when the key was not used.
    bool Key(int Key);

    void ZoomStateOnStack();
    void ClearZoomHistory();
    void ZoomHistory(int Index);
    TgmZoomStackEntry GetZoomStackEntry(int StackIx) const;

    /// Draws the figures being dragged again after the picture was composed anew.
    void RedrawFeedback();

    TZoomState ZoomState() const { return FZoomState; }
    TPoint LastClickPos() const { return TPoint{FLastMClickPosX, FLastMClickPosY}; }
    TPoint LastMousePos() const { return TPoint{FLastMMousePosX, FLastMMousePosY}; }

private:
    enum TFigureKind : uint8_t { fkLine, fkRect, fkDottedRect };
    /// An XOR figure and whether it is on the picture now; drawing it again takes it off.
    struct TFigure {
        TFigureKind Kind;
        TPoint A, B;
        bool Shown = false;
    };

    void Show(TFigure& F, TPoint A, TPoint B);
    void Hide(TFigure& F);
    void Draw(TCanvas& C, const TFigure& F) const;

    bool Inside(int X, int Y) const;
    void SetBoxState(TMouseBoxState Value);
    /// The zoom window or selection frame follows the mouse, kept within the control.
    void DragFrame(TFigure& F, int& X, int& Y);
    void PanStep(TMouseActMode Mode, int X, int Y);
    void DragZoomStep(int X, int Y);
    void ZoomWindowRelease(int X, int Y);
    void SelectRectRelease(int X, int Y);
    /// A new view from the wheel or the keys: confined if asked, shown, reported, and saved in
    /// the history once the input has settled.
    void SetViewFromInput(double Mag, double CentreX, double CentreY, double AtX, double AtY);
    void SaveWhenSettled();
    void FlushPendingSave();

    TGeoMap& FMap;
    TFigure FBandLine{fkLine, {}, {}};
    TFigure FZoomFrame{fkRect, {}, {}};
    TFigure FSelectFrame{fkDottedRect, {}, {}};
    TFigure FBoxFrame{fkRect, {}, {}};
    QEventLoop* FBoxLoop = nullptr; ///< the wait of a running MouseBox
    QTimer FSettle;                 ///< saves the view once wheel or keys have paused
};

} // namespace tyx
