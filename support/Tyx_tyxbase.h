// Base support unit: the library's root exception, the small value and state types that the
// controls store and pass on, their event signatures, and the progress hooks of long numerical
// work. Qt-free; the frame styles come from the host types, included here so that users of this
// unit see them too.
#pragma once
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "host/tyx_object.h"
#include "host/tyx_types.h"

namespace tyx {

/// Root of the library's exceptions; the units derive their own classes from it.
class ETYXError : public std::runtime_error {
public:
    /// Takes the message as it is.
    explicit ETYXError(const std::string& Msg) : std::runtime_error(Msg) {}
};

/// Vertical alignment of a caption relative to its anchor.
enum TVerticalAlignment : uint8_t { vaTop, vaMiddle, vaBottom };

/// A rectangle in geographic (or any real) coordinates. The fields, in declared order, are the
/// west, north, east and south edge when it holds a lat/long box.
struct TRectDouble {
    double Left = 0;   ///< west edge (smallest longitude)
    double Top = 0;    ///< north edge (largest latitude)
    double Right = 0;  ///< east edge (largest longitude)
    double Bottom = 0; ///< south edge (smallest latitude)
    /// Member by member.
    friend bool operator==(const TRectDouble&, const TRectDouble&) = default;
};

/// Zoom-window interaction.
enum TZoomState : uint8_t {
    zsIdle,        ///< no zoom window
    zsZoomWindow   ///< a zoom window is being dragged
};

/// Interactive box selection (MouseBox).
enum TMouseBoxState : uint8_t {
    mbsIdle,     ///< not selecting
    mbsArmed,    ///< waiting for the button press
    mbsDragging, ///< the box is being dragged
    mbsFinished  ///< the box is complete
};

/// What a mouse drag does in a map control. Ordinals without a name behave like maNone.
enum TMouseActMode : uint8_t {
    maNone = 0,         ///< nothing
    maPan = 1,          ///< pan in both directions (the default)
    maPanHoriz = 2,     ///< pan horizontally only
    maPanVert = 3,      ///< pan vertically only
    maRubberBand = 5,   ///< XOR line from an anchor to the mouse, toggled by clicks
    maZoomWindow = 7,   ///< drag a rectangle; the view zooms to it on release
    maDragZoom = 9,     ///< dragging changes the magnification about the view's centre
    maSelectRect = 16   ///< drag a dotted rectangle; its corners are reported on release
};

/// Rubber-band events: the map-image pixel under the mouse.
using TOnRubberBandActionEvent = std::function<void(TObject* Sender, int X, int Y)>;
/// A selected rectangle. Mode 1: longitude and latitude of the first corner, then of the second;
/// mode 0: x and y of the corners in map-image pixels (when a corner could not be converted).
using TSelectRectEvent =
    std::function<void(TObject* Sender, int Mode, double X1, double Y1, double X2, double Y2)>;
/// The view was changed with the mouse.
using TZoomPanEvent = std::function<void(TObject* Sender)>;
/// Progress of a long operation; Percent is 0 to 100.
using TOnPercentDoneEvent = std::function<void(TObject* Sender, int Percent)>;

/// How DegreeToStr writes an angle.
enum TDegreeFormat : uint8_t {
    dfDeg,       ///< decimal degrees: 48.50°
    dfDegMin,    ///< degrees and decimal minutes: 48°30.0'
    dfDegMinSec  ///< degrees, minutes and decimal seconds: 48°30'00.0"
};

/// Language of month names read by ScanDateTime.
enum TLanguage : uint8_t { lanEnglish, lanGerman };

/// Progress counter of long numerical work; the solvers add 1.0 per outer step.
inline double ProcStat = 0.0;
/// Called with ProcStat after each step when assigned.
inline std::function<void(double)> MathFeedBackProc;
/// Set to make the running solver stop with failure at its next step.
inline bool AbortMathProc = false;

} // namespace tyx
