// TJPEGImage: a JPEG picture read and written through Qt's image plugin, exchanged with TBitmap.
#pragma once
#include <QImage>
#include <string>

#include "host/gui/tyx_bitmap.h"
#include "host/tyx_object.h"
#include "host/tyx_streams.h"

namespace tyx {

class TJPEGImage : public TObject {
public:
    TJPEGImage() = default;

    int Width() const { return FImage.width(); }
    int Height() const { return FImage.height(); }
    bool Empty() const { return FImage.isNull(); }
    /// 1 (smallest file) to 100 (best picture); default 90. Values outside are clamped.
    int CompressionQuality() const { return FQuality; }
    void SetCompressionQuality(int Value);

    /// Reads a JPEG file; throws EInOutError when it cannot be read or decoded. Unchanged on failure.
    void LoadFromFile(const std::string& FileName);
    void LoadFromStream(TStream& Stream);
    /// Writes a JPEG file with CompressionQuality; throws EInOutError (also for an empty image).
    void SaveToFile(const std::string& FileName) const;
    void SaveToStream(TStream& Stream) const;

    /// Takes the pixels of a bitmap (its palette applied).
    void Assign(const TBitmap& Source);
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
