// TBitmap: a picture in memory with a pixel format, a canvas to draw on, and BMP files.
// 15/16-, 24- and 32-bit bitmaps hold their pixels in that depth (RGB555, RGB888, RGB32). 1-, 4-
// and 8-bit bitmaps have a palette (4-bit: the 16 standard colours unless a file brought its
// own); they are drawn on a 32-bit picture and mapped to the nearest palette colour when saved or
// read back pixel by pixel. BMP files are read in any depth Qt reads, and written in the
// bitmap's own depth (uncompressed, bottom-up, rows padded to 4 bytes).
// New bitmaps and the area gained by enlarging one are white.
#pragma once
#include <QImage>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/gui/tyx_canvas.h"
#include "host/tyx_object.h"
#include "host/tyx_streams.h"
#include "host/tyx_types.h"

namespace tyx {

class TJPEGImage;

enum TPixelFormat : uint8_t { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };

/// Progress of a load or save: Percent runs from 0 (start) to 100 (end).
using TProgressEvent = std::function<void(TObject* Sender, int Percent)>;

/// A picture in memory with a pixel format and palette, drawn through its TCanvas, read and written as BMP.
class TBitmap : public TObject {
public:
    /// An empty (0 x 0) bitmap of the screen's format (32 bits).
    TBitmap();
    /// Throws std::invalid_argument for negative sizes.
    TBitmap(int Width, int Height, TPixelFormat PixelFormat = pfDevice);
    ~TBitmap() override;

    /// Width in pixels.
    int Width() const { return FWidth; }
    /// Height in pixels.
    int Height() const { return FHeight; }
    /// Resizing keeps the pixels that stay inside; new ones are white. Negative sizes count as 0.
    /// A bitmap may be 0 pixels in one direction and keep its size in the other.
    void SetWidth(int Value);
    /// Sets the height, as SetWidth.
    void SetHeight(int Value);
    /// Sets both, as SetWidth.
    void SetSize(int NewWidth, int NewHeight);
    /// True when either size is 0.
    bool Empty() const { return FWidth == 0 || FHeight == 0; }

    /// The pixel format.
    TPixelFormat PixelFormat() const { return FPixelFormat; }
    /// Converts the pixels; to a palette format they are mapped to the palette.
    void SetPixelFormat(TPixelFormat Value);
    /// Bits per pixel as stored in a BMP file: 1, 4, 8, 16, 24 or 32.
    int BitsPerPixel() const;

    /// The colour table of a 1-, 4- or 8-bit bitmap (2, 16 or 256 entries); empty otherwise.
    const std::vector<TColor>& Palette() const { return FPalette; }
    /// Replaces the colour table (cut or padded with black to the format's size) and maps the
    /// pixels to it. Ignored for formats without a palette.
    void SetPalette(const std::vector<TColor>& Colors);
    /// The colour a pixel drawn in C reads back as: the nearest palette colour for 1, 4 and 8
    /// bits, C with 5 bits per channel for 15/16 bits (0x80 reads 0x84, 0xFF stays 0xFF), C
    /// itself for 24 and 32 bits.
    TColor MapToPalette(TColor C) const;

    /// The canvas that draws on the bitmap.
    TCanvas& Canvas() { return FCanvas; }
    /// The canvas, read only.
    const TCanvas& Canvas() const { return FCanvas; }

    /// The picture as drawn on (32-bit for palette formats); painting is closed first.
    const QImage& Image() const;
    /// The picture, writable (painting is closed first).
    QImage& Image();
    /// The picture in the bitmap's own format: indexed with the palette for 1, 4 and 8 bits.
    QImage ToQImage() const;
    /// Takes a copy of Image; its format decides the pixel format (indexed: 8 bits, or 4/1 bits
    /// when the colour table is that small).
    void AssignImage(const QImage& Image);

    /// Copies size, pixel format, palette and pixels.
    void Assign(const TBitmap& Source);
    /// Takes the pixels of a JPEG image as 24 bits per pixel.
    void Assign(const TJPEGImage& Source);

    /// Reads a BMP file; throws EInOutError when it cannot be read or is not a bitmap. The
    /// bitmap is unchanged on failure.
    void LoadFromFile(const std::string& FileName);
    /// The same from a stream's current position.
    void LoadFromStream(TStream& Stream);
    /// Writes a BMP file in the bitmap's own bit depth; throws EInOutError.
    void SaveToFile(const std::string& FileName) const;
    /// The same to a stream.
    void SaveToStream(TStream& Stream) const;

    /// Called with 0 before and 100 after each load and save.
    TProgressEvent OnProgress;

private:
    void ResetPalette();
    void QuantizeToPalette();
    void LoadFromBytes(const std::vector<uint8_t>& Bytes, const std::string& Where);
    std::vector<uint8_t> EncodeBmp() const;

    void TakeImage(QImage&& Image);

    QImage FImage; // null while either size is 0
    int FWidth = 0, FHeight = 0;
    TPixelFormat FPixelFormat = pfDevice;
    std::vector<TColor> FPalette;
    TCanvas FCanvas;
};

/// QImage format a pixel format paints on.
QImage::Format PaintFormat(TPixelFormat PixelFormat);

} // namespace tyx
