// TCanvas: GDI-like drawing over a QPainter on a QImage. It keeps a current position, a pen, a
// brush and a font, and follows the host framework's pixel rules: a line from A to B paints A and
// not B; Rectangle, Ellipse and FillRect cover their box less the right and bottom edge; the XOR
// pen mode inverts what it crosses, so drawing a figure twice restores the picture.
// The painter is opened on the first drawing call and closed by EndPaint(); whoever resizes or
// replaces the image under a canvas must call EndPaint() first (TBitmap does so itself).
// A canvas with a Scale above 1 takes canvas pixels and paints the picture at that many image
// pixels per canvas pixel: the same drawing at a higher resolution, for high-density screens.
#pragma once
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <string>
#include <vector>

#include "host/tyx_object.h"
#include "host/tyx_types.h"

namespace tyx {

class TBitmap;

/// What Pixels() returns for a point outside the picture.
inline constexpr TColor CLR_INVALID = 0xFFFFFFFF;

/// The pen of a TCanvas: colour, width, style and mode of lines and outlines.
class TPen {
public:
    /// Line colour (default clBlack).
    TColor Color() const { return FColor; }
    /// Sets the line colour.
    void SetColor(TColor Value) { FColor = Value; ++FVersion; }
    /// Pixels; 1 (and 0) draw the exact one-pixel lines, wider pens have round ends.
    int Width() const { return FWidth; }
    /// Negative widths count as 0.
    void SetWidth(int Value) { FWidth = Value < 0 ? 0 : Value; ++FVersion; }
    /// Line style (default psSolid).
    TPenStyle Style() const { return FStyle; }
    /// psDot alternates single pixels; psDash is 6 on, 2 off; psClear draws no line.
    void SetStyle(TPenStyle Value) { FStyle = Value; ++FVersion; }
    /// How lines combine with the picture (default pmCopy).
    TPenMode Mode() const { return FMode; }
    /// pmXor and pmNotXor combine the pen colour with the picture bit by bit.
    void SetMode(TPenMode Value) { FMode = Value; ++FVersion; }
    /// Grows with every change: the canvas sets up its painter again when it differs.
    unsigned Version() const { return FVersion; }

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
    unsigned FVersion = 0;
};

/// The brush of a TCanvas: the fill of rectangles, ellipses and polygons.
class TBrush {
public:
    /// Fill colour (default clWhite).
    TColor Color() const { return FColor; }
    /// Setting a colour makes a clear brush solid again.
    void SetColor(TColor Value) { FColor = Value; FStyle = bsSolid; ++FVersion; }
    /// bsSolid fills, bsClear does not (default bsSolid).
    TBrushStyle Style() const { return FStyle; }
    /// Sets the fill style.
    void SetStyle(TBrushStyle Value) { FStyle = Value; ++FVersion; }
    /// Grows with every change, as TPen::Version.
    unsigned Version() const { return FVersion; }

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    unsigned FVersion = 0;
};

/// The font of a TCanvas: family, size, style, colour and rotation of text.
class TFont {
public:
    /// Family name; an unknown family falls back to the system's sans-serif face.
    const std::string& Name() const { return FName; }
    /// Sets the family name.
    void SetName(const std::string& Value) { FName = Value; ++FVersion; }
    /// Points (at 96 pixels per inch); default 8.
    int Size() const { return FSize; }
    /// Sizes below 1 count as 1.
    void SetSize(int Value) { FSize = Value < 1 ? 1 : Value; ++FVersion; }
    /// fsBold, fsItalic, fsUnderline, fsStrikeOut combined (default none).
    TFontStyles Style() const { return FStyle; }
    /// Sets the styles.
    void SetStyle(TFontStyles Value) { FStyle = Value; ++FVersion; }
    /// Text colour (default clBlack).
    TColor Color() const { return FColor; }
    /// Sets the text colour.
    void SetColor(TColor Value) { FColor = Value; ++FVersion; }
    /// Rotation of the text in tenths of a degree, counter-clockwise; 0 is horizontal.
    int Orientation() const { return FOrientation; }
    /// Sets the rotation, tenths of a degree.
    void SetOrientation(int Value) { FOrientation = Value; ++FVersion; }
    /// Copies every property of another font.
    void Assign(const TFont& Source);
    /// Grows with every change, as TPen::Version.
    unsigned Version() const { return FVersion; }

private:
    std::string FName = "Sans Serif";
    int FSize = 8;
    TFontStyles FStyle = 0;
    TColor FColor = clBlack;
    int FOrientation = 0;
    unsigned FVersion = 0;
};

/// Thin strokes recorded once against an anchor at (0, 0) and stamped many times: the symbols of a
/// crowded layer. Stamping paints exactly what the same pen colours, MoveTo and LineTo calls
/// would, and leaves the pen colour and position as they would.
class TStrokeStamp {
public:
    /// Colour of the strokes that follow (black until set).
    void SetColor(TColor Color);
    /// A stroke from From to To, To not painted.
    void Line(TPoint From, TPoint To);

private:
    friend class TCanvas;
    struct TLine {
        TPoint From, To;
        uint32_t Color;
    };
    struct TDot {
        int16_t X, Y;
        uint8_t Color;
    };
    /// The painted pixels with the colour each ends up with, in row order; built on first use.
    /// False for strokes too far out or too many to keep as pixels: those are drawn stroke by stroke.
    bool BuildDots() const;

    std::vector<TColor> FColors{clBlack};
    uint32_t FColor = 0;
    std::vector<TLine> FLines;
    int FReach = 0;   // the largest coordinate magnitude of any stroke end
    int FLongest = 0; // the longest stroke, in steps
    mutable std::vector<TDot> FDots;
    enum class TDots : uint8_t { Unbuilt, Built, Unusable };
    mutable TDots FDotsState = TDots::Unbuilt;
};

/// GDI-like drawing over QPainter on a QImage: a current position, pen, brush and font.
class TCanvas : public TObject {
public:
    /// Draws on Image, which must outlive the canvas (or be replaced with SetImage).
    explicit TCanvas(QImage* Image = nullptr);
    ~TCanvas() override;

    /// Ends painting and points the canvas at another image (nullptr: the canvas draws nowhere).
    void SetImage(QImage* Image);
    /// The image drawn on; nullptr for none.
    QImage* Image() const { return FImage; }
    /// Closes the painter so that the image may be resized, copied or read directly.
    void EndPaint() const;
    /// The painter underneath, opened and set to the canvas's pen, brush and font. State set on
    /// it directly may be replaced by the next canvas call. Throws std::logic_error without a
    /// picture (the drawing calls below then simply draw nothing).
    QPainter& Painter();

    /// The pen of lines and outlines.
    TPen& Pen() { return FPen; }
    /// The brush of fills.
    TBrush& Brush() { return FBrush; }
    /// The font of text.
    TFont& Font() { return FFont; }
    /// The pen, read only.
    const TPen& Pen() const { return FPen; }
    /// The brush, read only.
    const TBrush& Brush() const { return FBrush; }
    /// The font, read only.
    const TFont& Font() const { return FFont; }

    /// Image pixels per canvas pixel, 1 by default; values below 1/8 or above 8, or not finite,
    /// are not taken. Lines, outlines, text, fills and block copies are drawn at the image's
    /// resolution; a thin pen is one canvas pixel wide.
    double Scale() const { return FScale; }
    /// Sets Scale (see there).
    void SetScale(double Value);

    /// The picture's size in canvas pixels (whole image pixels per Scale, rounded down).
    int Width() const;
    /// See Width.
    int Height() const;

    /// Moves the current position without drawing.
    void MoveTo(int X, int Y) { FPenPos = Point(X, Y); }
    /// Draws from the current position to (X, Y), which is not painted, and moves there.
    void LineTo(int X, int Y);
    /// The current position.
    TPoint PenPos() const { return FPenPos; }
    /// Sets the current position.
    void SetPenPos(const TPoint& Value) { FPenPos = Value; }
    /// Outlines with the pen and fills with the brush the box [X1, X2) x [Y1, Y2).
    void Rectangle(int X1, int Y1, int X2, int Y2);
    /// The same for a rectangle.
    void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
    /// The ellipse inscribed in the box [X1, X2) x [Y1, Y2), outlined and filled.
    void Ellipse(int X1, int Y1, int X2, int Y2);
    /// The same for a rectangle.
    void Ellipse(const TRect& R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
    /// Fills R with the brush, without outline; a clear brush fills nothing.
    void FillRect(const TRect& R);
    /// A closed polygon, outlined with the pen and filled with the brush.
    void Polygon(const std::vector<TPoint>& Points);
    /// Connected lines: a move to the first point and a line to each next one (last one unpainted).
    void Polyline(const std::vector<TPoint>& Points);
    /// Draws Stamp's strokes with its anchor at (X, Y), as if each were drawn with LineTo.
    void Stamp(const TStrokeStamp& Stamp, int X, int Y);
    /// Blends Color onto the picture through a coverage mask (W x H bytes, row by row, 255 = all
    /// Color) with its top-left at image pixel (X, Y) (on a scaled canvas, canvas pixels times
    /// Scale): antialiased text drawn once and then reused. Draws nothing and returns false where
    /// the painter must do the drawing (a clip, a transform, a pen mode other than copy, a picture
    /// format other than 15 or 32 bits).
    bool BlendMask(int X, int Y, int W, int H, const uint8_t* Mask, TColor Color);

    /// The colour at (X, Y) (with a Scale, the top-left image pixel of that canvas pixel), mapped
    /// to the palette of a 1-, 4- or 8-bit bitmap; CLR_INVALID outside.
    TColor Pixels(int X, int Y) const;
    /// Sets every image pixel of canvas pixel (X, Y); points outside the picture are ignored.
    void SetPixels(int X, int Y, TColor Color);

    /// Writes Text (UTF-8) with the top-left corner of its box at (X, Y), rotated about that point
    /// by Font().Orientation(). A solid brush paints the box behind the text; a clear brush leaves
    /// it. The pen position moves to the end of the text.
    void TextOut(int X, int Y, const std::string& Text);
    /// Pixels along the text direction, with the current font.
    int TextWidth(const std::string& Text) const;
    /// Height of a line of text in pixels, with the current font.
    int TextHeight(const std::string& Text) const;

    /// Copies Source's rectangle SourceRect onto Dest of this canvas, scaled when the sizes differ
    /// (as StretchBlt with this canvas's stretch mode). Source may be this canvas.
    void CopyRect(const TRect& Dest, const TCanvas& Source, const TRect& SourceRect);
    /// Copies the whole bitmap 1:1 with its top-left corner at (X, Y).
    void Draw(int X, int Y, const TBitmap& Graphic);
    /// Copies the whole bitmap scaled onto Dest.
    void StretchDraw(const TRect& Dest, const TBitmap& Graphic);

    /// The mode StretchBlt uses when this canvas is the destination (see tyx_stretchblt.h).
    int StretchBltMode() const { return FStretchMode; }

private:
    friend class TBitmap;
    friend int SetStretchBltMode(TCanvas& Canvas, int Mode);
    /// The painter, begun on the picture, without the canvas's pen, brush and font applied.
    QPainter& OpenPainter();
    void ApplyPen();
    void ApplyBrush();
    void ApplyFont();
    QFont MakeQFont() const;
    void StrokeLine(int X1, int Y1, int X2, int Y2);
    /// StrokeLine on a scaled canvas: stepped between the ends' image pixels, each step as thick
    /// as a canvas pixel across the line; Phase canvas pixels of the dash pattern are passed.
    void StrokeScaledLine(int X1, int Y1, int X2, int Y2, const std::vector<int>& Pattern, int64_t Phase);
    /// True when writing pixels directly gives what the painter would: copy pen, no clip,
    /// transform (but the canvas's Scale) or opacity, a picture not shared.
    bool PlainPainter(const QPainter& P) const;
    /// 16 or 32 when a thin line may be written straight into the picture's pixels, else 0.
    int DirectDepth(const QPainter& P) const;
    /// The picture's bits for Color in Format.
    static uint32_t RawPixel(QImage::Format Format, TColor Color);
    bool PenDraws() const { return FPen.Style() != psClear; }
    bool CanDraw() const { return FImage && !FImage->isNull(); }

    QImage* FImage = nullptr;
    const TBitmap* FBitmap = nullptr; // palette for Pixels() when the canvas belongs to a bitmap
    mutable QPainter FPainter;
    TPen FPen;
    TBrush FBrush;
    TFont FFont;
    TPoint FPenPos;
    int FStretchMode = 1;
    double FScale = 1;
    unsigned FAppliedPen = ~0u, FAppliedBrush = ~0u, FAppliedFont = ~0u;
};

} // namespace tyx
