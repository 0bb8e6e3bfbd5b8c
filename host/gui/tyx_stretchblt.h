// The scaled block copy of the graphics interface. The destination canvas carries the mode:
// HALFTONE smooths (area average when shrinking in both directions, bilinear otherwise);
// COLORONCOLOR (and the other modes) takes the nearest source pixel. Where the source rectangle
// reaches beyond the source picture, the matching part of the destination is not painted: it
// keeps what it held. The copy ignores the destination's pen mode and always replaces pixels.
#pragma once
#include "host/gui/tyx_bitmap.h"
#include "host/gui/tyx_canvas.h"

namespace tyx {

inline constexpr int BLACKONWHITE = 1;
inline constexpr int WHITEONBLACK = 2;
inline constexpr int COLORONCOLOR = 3;
inline constexpr int HALFTONE = 4;

/// Sets the stretch mode of the canvas; returns the previous one, or 0 for an unknown mode
/// (which is not taken).
int SetStretchBltMode(TCanvas& Canvas, int Mode);

/// Copies the source rectangle (SX, SY, SW, SH) onto the destination rectangle (DX, DY, DW, DH),
/// scaled; both are in their canvas's pixels (see TCanvas::Scale). Non-positive sizes copy
/// nothing and return false; otherwise returns true.
bool StretchBlt(TCanvas& Dest, int DX, int DY, int DW, int DH,
                const TBitmap& Src, int SX, int SY, int SW, int SH);
bool StretchBlt(TCanvas& Dest, int DX, int DY, int DW, int DH,
                const TCanvas& Src, int SX, int SY, int SW, int SH);
/// The same from a picture in any format Qt draws (an indexed one keeps its colour table).
bool StretchBlt(TCanvas& Dest, int DX, int DY, int DW, int DH,
                const QImage& Src, int SX, int SY, int SW, int SH);

} // namespace tyx
