// Internal to the map control: TIFF files through libtiff, for map images and for the GeoTIFF
// reader. libtiff reports through process-wide handlers; a TTiffQuiet in scope keeps its last
// error for our message and drops its warnings (unknown private tags, mostly).
#pragma once
#include <QImage>

#include <tiffio.h>

#include <memory>
#include <string>

namespace tyx {

class TTiffQuiet {
public:
    TTiffQuiet();
    ~TTiffQuiet();
    TTiffQuiet(const TTiffQuiet&) = delete;
    TTiffQuiet& operator=(const TTiffQuiet&) = delete;

private:
    TIFFErrorHandler FError, FWarning;
};

struct TTiffCloser {
    void operator()(TIFF* T) const;
};
using TTiffPtr = std::unique_ptr<TIFF, TTiffCloser>;

/// Opens a TIFF for reading (with the GeoTIFF tags known); ETYXGeoMapError when it cannot.
TTiffPtr OpenTiff(const std::string& Component, const std::string& FileName);
/// The first image of the TIFF, any compression, tiled or stripped: 32-bit up to 3000000 pixels,
/// above that in its compact format (RGB888, or Grayscale8 for grey), read band by band. The
/// pixel limit is checked before anything is decoded. ETYXGeoMapError when it cannot be read.
QImage DecodeTiff(const std::string& Component, TIFF* Tif, const std::string& FileName, long long Limit);

} // namespace tyx
