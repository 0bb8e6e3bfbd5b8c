// Plain value types of the host layer: points, rectangles, colours, mouse and keyboard state,
// alignment and font styles. No Qt here, so the Qt-free units can use them.
#pragma once
#include <cstdint>

namespace tyx {

/// Integer point, pixels.
struct TPoint {
    int X = 0; ///< column
    int Y = 0; ///< row
    /// Member by member.
    friend bool operator==(const TPoint&, const TPoint&) = default;
};
inline TPoint Point(int X, int Y) { return TPoint{X, Y}; }

/// Integer rectangle; Right and Bottom are exclusive, as everywhere in the host layer.
struct TRect {
    int Left = 0; ///< first column inside
    int Top = 0; ///< first row inside
    int Right = 0; ///< first column beyond
    int Bottom = 0; ///< first row beyond
    /// Right - Left.
    int Width() const { return Right - Left; }
    /// Bottom - Top.
    int Height() const { return Bottom - Top; }
    /// Member by member.
    friend bool operator==(const TRect&, const TRect&) = default;
};
inline TRect Rect(int Left, int Top, int Right, int Bottom) { return TRect{Left, Top, Right, Bottom}; }
/// The smallest rectangle holding A and B; an empty one (no width or no height) takes no part.
inline TRect UnionRect(const TRect& A, const TRect& B)
{
    if (A.Right <= A.Left || A.Bottom <= A.Top) return B;
    if (B.Right <= B.Left || B.Bottom <= B.Top) return A;
    return {A.Left < B.Left ? A.Left : B.Left, A.Top < B.Top ? A.Top : B.Top, A.Right > B.Right ? A.Right : B.Right,
            A.Bottom > B.Bottom ? A.Bottom : B.Bottom};
}

/// 32-bit colour, red in the low byte: 0x00BBGGRR.
using TColor = uint32_t;
inline constexpr TColor RGB(uint8_t R, uint8_t G, uint8_t B) { return TColor(R) | (TColor(G) << 8) | (TColor(B) << 16); }
inline constexpr uint8_t GetRValue(TColor C) { return uint8_t(C & 0xFF); }
inline constexpr uint8_t GetGValue(TColor C) { return uint8_t((C >> 8) & 0xFF); }
inline constexpr uint8_t GetBValue(TColor C) { return uint8_t((C >> 16) & 0xFF); }

inline constexpr TColor clBlack   = 0x000000;
inline constexpr TColor clMaroon  = 0x000080;
inline constexpr TColor clGreen   = 0x008000;
inline constexpr TColor clOlive   = 0x008080;
inline constexpr TColor clNavy    = 0x800000;
inline constexpr TColor clPurple  = 0x800080;
inline constexpr TColor clTeal    = 0x808000;
inline constexpr TColor clGray    = 0x808080;
inline constexpr TColor clSilver  = 0xC0C0C0;
inline constexpr TColor clRed     = 0x0000FF;
inline constexpr TColor clLime    = 0x00FF00;
inline constexpr TColor clYellow  = 0x00FFFF;
inline constexpr TColor clBlue    = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua    = 0xFFFF00;
inline constexpr TColor clWhite   = 0xFFFFFF;
inline constexpr TColor clLtGray  = clSilver;
inline constexpr TColor clDkGray  = clGray;
inline constexpr TColor clCream   = 0xF0FBFF;
inline constexpr TColor clMoneyGreen = 0xC0DCC0;
inline constexpr TColor clSkyBlue = 0xF0CAA6;
// System colours resolve to fixed values: there is no system palette behind the host layer.
inline constexpr TColor clBtnFace   = 0xF0F0F0;
inline constexpr TColor clBtnShadow = 0xA0A0A0;
inline constexpr TColor clBtnHighlight = 0xFFFFFF;
inline constexpr TColor clWindow    = 0xFFFFFF;
inline constexpr TColor clWindowText = 0x000000;

/// The 16 standard colours, in the order of a 4-bit palette.
inline constexpr TColor StandardColors16[16] = {
    clBlack, clMaroon, clGreen, clOlive, clNavy, clPurple, clTeal, clGray,
    clSilver, clRed, clLime, clYellow, clBlue, clFuchsia, clAqua, clWhite};

/// Keyboard and mouse state of a mouse event; a set of flags.
enum TShiftStateFlag : uint16_t {
    ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64
};
using TShiftState = uint16_t;

enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
/// A set of TFontStyle flags.
using TFontStyles = uint8_t;

enum TPenStyle : uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };
enum TPenMode : uint8_t { pmCopy, pmXor, pmNotXor };
enum TBrushStyle : uint8_t { bsSolid, bsClear };

/// Look of the frame that DrawFrame (host/gui) draws round a control. Lives here, not with the
/// other base types, so that the drawing layer and the Qt-free units share it.
enum TFrameStyle : uint8_t {
    frsNone,     ///< no frame
    frsSingle,   ///< one line in the dark colour
    frsRaised,   ///< light top/left, dark bottom/right: the control stands out
    frsSunken,   ///< dark top/left, light bottom/right: the control lies in
    frsEmbossed, ///< a sunken line inside a raised one (etched look)
    frsDouble    ///< two dark lines with a light one between
};

} // namespace tyx
