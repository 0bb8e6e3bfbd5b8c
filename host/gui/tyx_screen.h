// The screen's cursor table: cursor numbers to cursors. The standard cursors have the host
// framework's numbers (crDefault 0 and negative values); numbers from 1 upwards are free for an
// application's own cursors, typically loaded from Qt resources with LoadCursorResource.
#pragma once
#include <QCursor>
#include <map>
#include <string>

namespace tyx {

using TCursor = int;

inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNoDrop = -13;
inline constexpr TCursor crHSplit = -14;
inline constexpr TCursor crVSplit = -15;
inline constexpr TCursor crMultiDrag = -16;
inline constexpr TCursor crSQLWait = -17;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;
inline constexpr TCursor crSize = crSizeAll;

/// The application's table of numbered cursors and its global cursor (see tyx::Screen).
class TScreen {
public:
    TScreen();
    /// The cursor registered under Index; an unknown number gives the default arrow.
    QCursor Cursors(TCursor Index) const;
    /// Registers (or replaces) a cursor; crDefault cannot be replaced.
    void SetCursors(TCursor Index, const QCursor& Cursor);
    /// Whether a cursor is registered under Index.
    bool HasCursor(TCursor Index) const { return FCursors.count(Index) != 0; }
    /// The application-wide cursor; crDefault lets every widget show its own.
    TCursor Cursor() const { return FCursor; }
    /// Sets the application-wide cursor.
    void SetCursor(TCursor Value);

private:
    std::map<TCursor, QCursor> FCursors;
    TCursor FCursor = crDefault;
};

/// The one screen of the application.
TScreen& Screen();

/// Registers the image at ResourcePath (e.g. ":/geoatlas/zoom.png") as cursor Index with the
/// hot spot (HotX, HotY). When the screen's device pixel ratio is above 1 and ResourcePath + "@2x"
/// reads, that image (twice the pixels each way) is taken instead, the hot spot unchanged.
/// Returns false, registering nothing, when the image cannot be read.
bool LoadCursorResource(TCursor Index, const std::string& ResourcePath, int HotX, int HotY);

} // namespace tyx
