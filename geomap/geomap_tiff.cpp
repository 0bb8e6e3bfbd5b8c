// TIFF map images through libtiff's RGBA interface, which decodes every photometric and
// compression libtiff knows, tiled or stripped.
#include "geomap/geomap_tiff.h"
#include "geomap/core/Tyx_geomaptypes.h"
#include "geomap/geomap_limits.h"

#include <QImage>

#include <geotiff/xtiffio.h>

#include <cstdarg>
#include <cstdio>

namespace tyx {

namespace {

thread_local std::string TiffError;

void KeepTiffError(const char*, const char* Fmt, va_list Args)
{
    char Buf[512];
    std::vsnprintf(Buf, sizeof Buf, Fmt, Args);
    TiffError = Buf;
}

ETYXGeoMapError CannotRead(const std::string& Component, const std::string& FileName, const std::string& Why)
{
    const std::string Reason = Why.empty() ? TiffError : Why;
    return ETYXGeoMapError(Component,
                           "Cannot read TIFF \"" + FileName + "\"" + (Reason.empty() ? std::string() : " (" + Reason + ")"));
}

} // namespace

TTiffQuiet::TTiffQuiet() : FError(TIFFSetErrorHandler(KeepTiffError)), FWarning(TIFFSetWarningHandler(nullptr))
{
    TiffError.clear();
}

TTiffQuiet::~TTiffQuiet()
{
    TIFFSetErrorHandler(FError);
    TIFFSetWarningHandler(FWarning);
}

void TTiffCloser::operator()(TIFF* T) const { XTIFFClose(T); }

TTiffPtr OpenTiff(const std::string& Component, const std::string& FileName)
{
    TTiffPtr Tif(XTIFFOpen(FileName.c_str(), "r"));
    if (!Tif) throw CannotRead(Component, FileName, "");
    return Tif;
}

void DecodeTiff(const std::string& Component, TIFF* Tif, const std::string& FileName, TBitmap& Out)
{
    uint32_t W = 0, H = 0;
    TIFFGetField(Tif, TIFFTAG_IMAGEWIDTH, &W);
    TIFFGetField(Tif, TIFFTAG_IMAGELENGTH, &H);
    if (W == 0 || H == 0 || W > 0x7fffffffu || H > 0x7fffffffu) throw CannotRead(Component, FileName, "no image");
    CheckMapPixels(Component, W, H);
    char Why[1024] = "";
    if (!TIFFRGBAImageOK(Tif, Why)) throw CannotRead(Component, FileName, Why);
    // libtiff delivers red in the lowest byte, which is QImage's RGBA byte order on this platform.
    QImage Img(static_cast<int>(W), static_cast<int>(H), QImage::Format_RGBA8888);
    if (Img.isNull() ||
        !TIFFReadRGBAImageOriented(Tif, W, H, reinterpret_cast<uint32_t*>(Img.bits()), ORIENTATION_TOPLEFT, 0))
        throw CannotRead(Component, FileName, "");
    Out.AssignImage(Img.convertToFormat(QImage::Format_RGB32));
}

} // namespace tyx
