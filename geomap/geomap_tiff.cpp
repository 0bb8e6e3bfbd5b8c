// TIFF map images through libtiff's RGBA interface, which decodes every photometric and
// compression libtiff knows, tiled or stripped.
#include "geomap/geomap_tiff.h"
#include "geomap/core/Tyx_geomaptypes.h"
#include "geomap/geomap_limits.h"

#include <QImage>

#include <geotiff/xtiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

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

namespace {

/// An image above the default limit, read a band of rows at a time into its compact format, so
/// that the whole picture is never held at 32 bits.
QImage DecodeLargeTiff(const std::string& Component, TIFF* Tif, const std::string& FileName, uint32_t W, uint32_t H)
{
    uint16_t Photometric = 0, Samples = 1;
    TIFFGetField(Tif, TIFFTAG_PHOTOMETRIC, &Photometric);
    TIFFGetFieldDefaulted(Tif, TIFFTAG_SAMPLESPERPIXEL, &Samples);
    const bool Grey = Samples == 1 && (Photometric == PHOTOMETRIC_MINISBLACK || Photometric == PHOTOMETRIC_MINISWHITE);
    QImage Img(static_cast<int>(W), static_cast<int>(H), Grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    if (Img.isNull()) throw std::bad_alloc();

    char Why[1024] = "";
    TIFFRGBAImage Rgba;
    if (!TIFFRGBAImageBegin(&Rgba, Tif, 0, Why)) throw CannotRead(Component, FileName, Why);
    const std::unique_ptr<TIFFRGBAImage, void (*)(TIFFRGBAImage*)> End(&Rgba, TIFFRGBAImageEnd);
    Rgba.req_orientation = ORIENTATION_TOPLEFT;
    // Whole tiles or strips per band, so that none is decoded twice.
    uint32_t Unit = 0;
    if (!TIFFGetField(Tif, TIFFTAG_TILELENGTH, &Unit)) TIFFGetFieldDefaulted(Tif, TIFFTAG_ROWSPERSTRIP, &Unit);
    Unit = std::clamp<uint32_t>(Unit, 1, H);
    const uint32_t Band = std::max<uint32_t>(1, (4u << 20) / W / Unit) * Unit;
    std::vector<uint32_t> Raster(static_cast<std::size_t>(W) * std::min(Band, H));
    for (uint32_t Row = 0; Row < H; Row += Band) {
        const uint32_t N = std::min(Band, H - Row);
        Rgba.row_offset = static_cast<int>(Row);
        Rgba.col_offset = 0;
        if (!TIFFRGBAImageGet(&Rgba, Raster.data(), W, N)) throw CannotRead(Component, FileName, "");
        for (uint32_t y = 0; y < N; ++y) {
            const uint32_t* In = Raster.data() + static_cast<std::size_t>(y) * W;
            uchar* Out = Img.scanLine(static_cast<int>(Row + y));
            for (uint32_t x = 0; x < W; ++x) {
                if (Grey) {
                    Out[x] = static_cast<uchar>(TIFFGetR(In[x]));
                } else {
                    Out[3 * x] = static_cast<uchar>(TIFFGetR(In[x]));
                    Out[3 * x + 1] = static_cast<uchar>(TIFFGetG(In[x]));
                    Out[3 * x + 2] = static_cast<uchar>(TIFFGetB(In[x]));
                }
            }
        }
    }
    return Img;
}

} // namespace

QImage DecodeTiff(const std::string& Component, TIFF* Tif, const std::string& FileName, long long Limit)
{
    uint32_t W = 0, H = 0;
    TIFFGetField(Tif, TIFFTAG_IMAGEWIDTH, &W);
    TIFFGetField(Tif, TIFFTAG_IMAGELENGTH, &H);
    if (W == 0 || H == 0 || W > 0x7fffffffu || H > 0x7fffffffu) throw CannotRead(Component, FileName, "no image");
    CheckMapPixels(Component, W, H, Limit);
    char Why[1024] = "";
    if (!TIFFRGBAImageOK(Tif, Why)) throw CannotRead(Component, FileName, Why);
    if (static_cast<long long>(W) * H > DefaultMaxMapPixels) return DecodeLargeTiff(Component, Tif, FileName, W, H);
    // libtiff delivers red in the lowest byte, which is QImage's RGBA byte order on this platform.
    QImage Img(static_cast<int>(W), static_cast<int>(H), QImage::Format_RGBA8888);
    if (Img.isNull() ||
        !TIFFReadRGBAImageOriented(Tif, W, H, reinterpret_cast<uint32_t*>(Img.bits()), ORIENTATION_TOPLEFT, 0))
        throw CannotRead(Component, FileName, "");
    return Img.convertToFormat(QImage::Format_RGB32);
}

} // namespace tyx
