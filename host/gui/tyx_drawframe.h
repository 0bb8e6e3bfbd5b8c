// The frame drawn round a control. The frame lies inside the rectangle Left..Right, Top..Bottom,
// whose right and bottom values are included here (a control of W x H passes 0, 0, W-1, H-1).
// Each style is built of one-pixel rings from the outside in; in each ring the top row (without
// its last pixel) and the left column (without its last pixel) take the ring's top-left colour,
// the bottom row and the right column the bottom-right colour:
//   frsNone      nothing
//   frsSingle    1 ring:  ColBlackLine all round
//   frsRaised    2 rings: ColWhiteLine / ColBlackLine, then ColSilver / ColGrayLine
//   frsSunken    2 rings: ColGrayLine / ColWhiteLine, then ColBlackLine / ColSilver
//   frsEmbossed  2 rings: ColGrayLine / ColWhiteLine, then ColWhiteLine / ColGrayLine (etched)
//   frsDouble    3 rings: ColBlackLine, then ColSilver, then ColBlack, each all round
// Rings that do not fit in the rectangle are left out. The canvas's pen, brush and mode are
// neither used nor changed.
#pragma once
#include "host/gui/tyx_canvas.h"
#include "host/tyx_types.h"

namespace tyx {

void DrawFrame(TCanvas& Canvas, TFrameStyle FrameStyle, int Left, int Top, int Right, int Bottom,
               TColor ColWhiteLine, TColor ColSilver, TColor ColGrayLine, TColor ColBlackLine,
               TColor ColBlack);

} // namespace tyx
