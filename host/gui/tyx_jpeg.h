// TJPEGImage: a JPEG picture read and written through Qt's image plugin, exchanged with TBitmap.
#pragma once
#include <QImage>
#include <string>

#include "host/gui/tyx_bitmap.h"
#include "host/tyx_object.h"
#include "host/tyx_streams.h"

namespace tyx {

/// A JPEG picture: decoded pixels, read and written through Qt's image plugins.
class TJPEGImage : public TObject {
public:
    TJPEGImage() = default;

    /// Width in pixels.
    int Width() const { return FImage.width(); }
    /// Height in pixels.
    int Height() const { return FImage.height(); }
    /// True before anything is loaded or assigned.
    bool Empty() const { return FImage.isNull(); }
    /// 1 (smallest file) to 100 (best picture); default 90. Values outside are clamped.
    int CompressionQuality() const { return FQuality; }
    /// Sets the quality, clamped to 1..100.
    void SetCompressionQuality(int Value);

    /// Reads a JPEG file; throws EInOutError when it cannot be read or decoded. Unchanged on failure.
    void LoadFromFile(const std::string& FileName);
    /// The same from a stream's current position.
    void LoadFromStream(TStream& Stream);
    /// Writes a JPEG file with CompressionQuality; throws EInOutError (also for an empty image).
    void SaveToFile(const std::string& FileName) const;
    /// The same to a stream.
    void SaveToStream(TStream& Stream) const;

    /// Takes the pixels of a bitmap (its palette applied).
    void Assign(const TBitmap& Source);
    /// Copies the picture and the quality.
    void Assign(const TJPEGImage& Source);
    /// Gives the picture to a bitmap as 24 bits per pixel.
    void AssignTo(TBitmap& Dest) const;

    /// The decoded picture (RGB32).
    const QImage& Image() const { return FImage; }

    /// Called with 0 before and 100 after each load and save.
    TProgressEvent OnProgress;

private:
    void Progress(int Percent) const;
    QImage FImage;
    int FQuality = 90;
};

} // namespace tyx
