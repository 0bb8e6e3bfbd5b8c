// TGeoMap: where the map image comes from and where it goes. Images are read by extension (JPEG,
// BMP, PNG, TIFF), decoded into a bitmap of their own first and only then taken, so that a file that
// cannot be used leaves the control as it was. The two generators draw an empty equirectangular
// map of a lat/long box with a labelled graticule and calibrate it with nine points.
#include "geomap/Tyx_geomap.h"
#include "geomap/geomap_limits.h"
#include "geomap/geomap_pyramid.h"

#include <QImageReader>

#include <cstdlib>

#include <cmath>
#include <filesystem>
#include <system_error>

#include "geomap/geomap_restore.h"
#include "geomap/geomap_tiff.h"
#include "geomap/core/tyx_geomap_xml.h"
#include "host/gui/tyx_jpeg.h"
#include "host/tyx_errors.h"
#include "host/tyx_rounding.h"
#include "support/Tyx_filesys.h"
#include "support/Tyx_math1.h"
#include "support/Tyx_stringl.h"

namespace tyx {

namespace {

constexpr int GridMargin = 30;
constexpr const char* GeneratedDataID = "TYX_geomap_caldata";
/// More lines of one family than this cannot be told apart on any map the control can hold; the
/// overlays draw none beyond it either.
constexpr double MaxGridLines = 10000;

std::string LowerExtension(const std::string& FileName)
{
    const std::string Name = StripPath(FileName);
    std::string Ext = Name.substr(StripExtension(Name).size());
    for (char& c : Ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return Ext;
}

struct TMapBox {
    double LatLow, LongLow, LatHigh, LongHigh, dLat, dLong;
    int Wid, Hgt;
};

TMapBox NormaliseBox(const std::string& Component, long long Limit, double LatLow, double LongLow, double LatHigh, double LongHigh,
                     double dLat, double dLong, int Wid, int Hgt)
{
    for (double v : {LatLow, LongLow, LatHigh, LongHigh, dLat, dLong})
        if (!std::isfinite(v)) throw ETYXGeoMapError(Component, "empty map: the box and the steps must be finite numbers");
    // Beyond these a step can stop changing the value it is added to, and the box is no place.
    for (double v : {LatLow, LatHigh})
        if (v < -90 || v > 90) throw ETYXGeoMapError(Component, "empty map: latitudes lie within -90..90");
    for (double v : {LongLow, LongHigh})
        if (v < -360 || v > 360) throw ETYXGeoMapError(Component, "empty map: longitudes lie within -360..360");
    TMapBox B{LatLow, LongLow, LatHigh, LongHigh, dLat, dLong, Wid, Hgt};
    if (B.LatHigh < B.LatLow) std::swap(B.LatHigh, B.LatLow);
    if (B.LongHigh < B.LongLow) std::swap(B.LongHigh, B.LongLow);
    if (B.dLat <= 0) B.dLat = 1.0;
    if (B.dLong <= 0) B.dLong = 1.0;
    if (B.Wid < 100) B.Wid = 100;
    if (B.Hgt < 100) B.Hgt = 100;
    // A box without extent cannot be calibrated, and a step that gives more lines than any map
    // has pixels would only keep the generator busy.
    if (B.LatHigh == B.LatLow || B.LongHigh == B.LongLow)
        throw ETYXGeoMapError(Component, "empty map: the box has no extent");
    if ((B.LatHigh - B.LatLow) / B.dLat > MaxGridLines || (B.LongHigh - B.LongLow) / B.dLong > MaxGridLines)
        throw ETYXGeoMapError(Component, "empty map: grid step too small for the box");
    // The grid's first line may lie a step beyond the box; from there on every step must move.
    if (!StepResolves(std::trunc(B.LatLow / B.dLat) * B.dLat, B.LatHigh, B.dLat) ||
        !StepResolves(std::trunc(B.LongLow / B.dLong) * B.dLong, B.LongHigh, B.dLong))
        throw ETYXGeoMapError(Component, "empty map: grid step finer than the box's degrees can be told apart");
    // Checked before anything is allocated or written.
    CheckMapPixels(Component, B.Wid, B.Hgt, Limit);
    return B;
}

TDegreeFormat LabelFormat(double Step)
{
    if (Step <= 0.06) return dfDegMinSec;
    return Step == std::trunc(Step) ? dfDeg : dfDegMin;
}

std::string GridLabel(double Value, double Step, const char* Positive, const char* Negative)
{
    std::string Label = " ";
    Label += DegreeToStr(std::fabs(Value), LabelFormat(Step), 0);
    Label += Value >= 0 ? Positive : Negative;
    return Label;
}

/// The two frames, the dashed silver graticule and its labels of a generated map.
void DrawGrid(TCanvas& C, const TMapBox& B)
{
    const int W = B.Wid, H = B.Hgt, M = GridMargin;
    auto Outline = [&C](int Inset, int Right, int Bottom) {
        C.MoveTo(Inset, Inset);
        C.LineTo(Right, Inset);
        C.LineTo(Right, Bottom);
        C.LineTo(Inset, Bottom);
        C.LineTo(Inset, Inset);
    };
    Outline(M, W - M, H - M);
    C.Pen().SetStyle(psDot);
    Outline(26, W - 26, H - 26);
    C.Pen().SetStyle(psDash);
    C.Pen().SetColor(clSilver);

    for (double m = std::trunc(B.LatLow / B.dLat) * B.dLat; m < B.LatHigh; m += B.dLat) {
        const int y = (H - M) - Round((m - B.LatLow) / (B.LatHigh - B.LatLow) * (H - 2 * M));
        if (y <= M || y >= H - M) continue;
        C.MoveTo(M, y);
        C.LineTo(W - M, y);
        const std::string L = GridLabel(m, B.dLat, " N ", " S ");
        const int th = C.TextHeight(L), tw = C.TextWidth(L);
        C.TextOut(36, y - th / 2, L);
        C.TextOut(W - 36 - tw, y - th / 2, L);
    }
    for (double w = std::trunc(B.LongLow / B.dLong) * B.dLong; w < B.LongHigh; w += B.dLong) {
        const int x = Round((w - B.LongLow) / (B.LongHigh - B.LongLow) * (W - 2 * M)) + M;
        if (x <= M || x >= W - M) continue;
        C.MoveTo(x, M);
        C.LineTo(x, H - M);
        const std::string L = GridLabel(w, B.dLong, " E ", " W ");
        const int th = C.TextHeight(L), tw = C.TextWidth(L);
        C.TextOut(x - tw / 2, 24 - th, L);
        C.TextOut(x - tw / 2, H - 24, L);
    }
}

/// The record of a generated map: its corners and nine points on a 3 x 3 grid over the map
/// area (inset by the margin when Margin is non-zero).
TCalibData GeneratedCalibration(const TMapBox& B, const std::string& MapFName, int Margin)
{
    TCalibData D;
    D.MapFName = MapFName;
    D.Caption = "Map generated by TGeoMap";
    D.Corners[gcoTopLeft] = {B.LatHigh, B.LongLow};
    D.Corners[gcoBottomLeft] = {B.LatLow, B.LongLow};
    D.Corners[gcoBottomRight] = {B.LatLow, B.LongHigh};
    D.Corners[gcoTopRight] = {B.LatHigh, B.LongHigh};
    D.Resolution = 0;
    D.NumCalLines = 0;
    for (int i = 0; i <= 2; ++i)
        for (int j = 0; j <= 2; ++j) {
            TCalQuad& Q = D.CalQuads[3 * i + j + 1];
            Q.Latitude = B.LatLow + (B.LatHigh - B.LatLow) * i / 2;
            Q.Longitude = B.LongLow + (B.LongHigh - B.LongLow) * j / 2;
            Q.MapX = Round(j * (B.Wid - 2.0 * Margin) / 2 + Margin);
            Q.MapY = Round(B.Hgt - Margin - i * (B.Hgt - 2.0 * Margin) / 2);
        }
    D.NumCalQuads = 9;
    D.UTMZone = 0;
    D.UTMSouth = false;
    D.Ellipsoid = static_cast<TGeoEllipsoid>(0);
    return D;
}

/// Qt's readers refuse pictures above a fixed number of megabytes; the map's own limit is the
/// one that counts, so the readers' is lifted for the length of a read.
class TNoAllocationLimit {
public:
    TNoAllocationLimit() : FOld(QImageReader::allocationLimit()) { QImageReader::setAllocationLimit(0); }
    ~TNoAllocationLimit() { QImageReader::setAllocationLimit(FOld); }
    TNoAllocationLimit(const TNoAllocationLimit&) = delete;
    TNoAllocationLimit& operator=(const TNoAllocationLimit&) = delete;

private:
    int FOld;
};

/// A JPEG, PNG or BMP file above the default limit, in its compact format (converted in place,
/// so that the decoder's 32-bit picture is the only other copy, and only for the conversion).
QImage ReadLargePicture(const std::string& FileName, const char* Format)
{
    const TNoAllocationLimit Unlimited;
    QImageReader Reader(QString::fromStdString(FileName), Format);
    QImage Img;
    if (!Reader.read(&Img)) throw EInOutError(FileName, Reader.errorString().toStdString());
    return CompactImage(std::move(Img));
}

} // namespace

void TGeoMap::SetMapImgName(const std::string& Value)
{
    const std::string Requested = Value;
    std::string FileName = Value;
    if (OnMapImageRequest) OnMapImageRequest(this, FileName);
    FCacheMag = 0;
    // A calibration file names its image relative to itself, wherever the program runs from.
    if (!FCalibDir.empty() && !FileExists(FileName) && !std::filesystem::u8path(FileName).is_absolute()) {
        const std::string Beside = FindFileIgnoringCase(FCalibDir + FileName);
        if (FileExists(Beside)) FileName = Beside;
    }

    if (!FileExists(FileName)) {
        FMapImgName.clear();
        SetMapImageSize(0, 0);
        Paint();
        return;
    }

    const std::string Ext = LowerExtension(FileName);
    const bool IsJpeg = Ext == ".jpg" || Ext == ".jpeg";
    const bool IsTiff = Ext == ".tif" || Ext == ".tiff";
    if (!IsJpeg && !IsTiff && Ext != ".bmp" && Ext != ".png")
        throw ETYXGeoMapError(Name(), "Cannot use map image \"" + FileName +
                                          "\": accepted types are .jpg, .jpeg, .bmp, .png, .tif and .tiff");

    // The header tells the size before anything is decoded, so that an oversized scan is refused
    // without allocating it (the TIFF decoder checks its own header).
    QSize ProbedSize(1, 1);
    if (!IsTiff) {
        const QImageReader Probe(QString::fromStdString(FileName));
        // A top-down BMP reports its height negative; its pixels count all the same. An unknown
        // size is (-1, -1), one pixel here, and decoding finds what it is.
        const QSize S = Probe.size();
        CheckMapPixels(Name(), std::abs(S.width()), std::abs(S.height()), FMaxMapPixels);
        ProbedSize = QSize(std::abs(S.width()), std::abs(S.height()));
    }
    const bool Large = static_cast<long long>(ProbedSize.width()) * ProbedSize.height() > DefaultMaxMapPixels;

    const TProgressEvent Progress = LoadingProgress();
    TBitmap Loaded;
    QImage Big;
    try {
        if (Large) {
            if (Progress) Progress(this, 0);
            Big = ReadLargePicture(FileName, IsJpeg ? "jpeg" : Ext == ".bmp" ? "bmp" : "png");
            if (Progress) Progress(this, 100);
        } else if (IsJpeg) {
            TJPEGImage Jpeg;
            Jpeg.OnProgress = Progress;
            Jpeg.LoadFromFile(FileName);
            Jpeg.AssignTo(Loaded);
        } else if (Ext == ".bmp") {
            Loaded.OnProgress = Progress;
            Loaded.LoadFromFile(FileName);
        } else if (IsTiff) {
            if (Progress) Progress(this, 0);
            const TTiffQuiet Quiet;
            QImage Img = DecodeTiff(Name(), OpenTiff(Name(), FileName).get(), FileName, FMaxMapPixels);
            if (static_cast<long long>(Img.width()) * Img.height() > DefaultMaxMapPixels)
                Big = std::move(Img);
            else
                Loaded.AssignImage(Img);
            if (Progress) Progress(this, 100);
        } else {
            if (Progress) Progress(this, 0);
            QImageReader Reader(QString::fromStdString(FileName), "png");
            const QImage Img = Reader.read();
            if (Img.isNull()) throw EInOutError(FileName, Reader.errorString().toStdString());
            Loaded.AssignImage(Img);
            if (Progress) Progress(this, 100);
        }
    } catch (const EInOutError& E) {
        throw ETYXGeoMapError(Name(), "Cannot read map image \"" + FileName + "\" (" + E.what() + ")");
    }

    {
        // SetMapBitMap applies the pixel limit and takes size, cache and view; one repaint follows
        // once the name is right.
        const TRestore<bool> Quiet(FSuppressPaint, true);
        if (!Big.isNull())
            TakeLargeImage(std::move(Big));
        else
            SetMapBitMap(Loaded);
    }
    FMapImgName = Requested;
    Paint();
}

void TGeoMap::SaveMap(const std::string& FileName, const std::string& DataID)
{
    if (GrafBmp.Empty() && !FLarge) throw ETYXGeoMapError(Name(), "SaveMap: no map image to save");
    const std::string Bare = StripPath(FileName);
    const std::string Dir = FileName.substr(0, FileName.size() - Bare.size());
    const std::string ImgName = StripExtension(Bare) + ".jpg";

    // The image is written first: should that fail, the name and the calibration file still
    // describe the image as it was.
    TJPEGImage Jpeg;
    Jpeg.OnProgress = LoadingProgress();
    if (FLarge) {
        TBitmap Whole;
        Whole.AssignImage(MapImage());
        Jpeg.Assign(Whole);
    } else {
        Jpeg.Assign(GrafBmp);
    }
    Jpeg.SaveToFile(Dir + ImgName);

    FMapImgName = ImgName;
    SaveCalDataAsXML(StripExtension(FileName) + ".xml", DataID);
}

bool TGeoMap::RenameMapImg(const std::string& Name)
{
    const std::string NewBase = StripExtension(StripPath(ReduceStringToFN83CompliantChars(Name)));
    const std::string OldBare = StripPath(FMapImgName);
    const std::string Dir = FMapImgName.substr(0, FMapImgName.size() - OldBare.size());
    const std::string NewName = Dir + NewBase + OldBare.substr(StripExtension(OldBare).size());
    if (FMapImgName.empty() || NewBase.empty() || !FileExists(FMapImgName)) return false;
    if (NewName == FMapImgName) return true;

    namespace fs = std::filesystem;
    std::error_code Ec;
    // A rename onto an existing file would silently destroy that file.
    const fs::path Target = fs::u8path(NewName);
    if (fs::exists(Target, Ec) && !fs::equivalent(fs::u8path(FMapImgName), Target, Ec)) return false;
    fs::rename(fs::u8path(FMapImgName), Target, Ec);
    if (Ec) return false;
    FMapImgName = NewName;
    return true;
}

void TGeoMap::CreateAndLoadEmptyMap(const std::string& FName, double LatLow, double LongLow, double LatHigh,
                                    double LongHigh, double dLat, double dLong, int Wid, int Hgt,
                                    const TOnDrawMapDataEvent& OnDrawMapData)
{
    const TMapBox B = NormaliseBox(Name(), FMaxMapPixels, LatLow, LongLow, LatHigh, LongHigh, dLat, dLong, Wid, Hgt);
    const std::string CalName = StripExtension(FName) + ".xml";
    const std::string ImgName = StripExtension(FName) + ".bmp";

    {
        TBitmap Bmp(B.Wid, B.Hgt, pf4bit);
        DrawGrid(Bmp.Canvas(), B);
        if (OnDrawMapData) OnDrawMapData(this, Bmp.Canvas(), B.LatLow, B.LongLow, B.LatHigh, B.LongHigh, B.Wid, B.Hgt);
        Bmp.OnProgress = LoadingProgress();
        Bmp.SaveToFile(ImgName);
    }

    {
        const TRestore<bool> Quiet(FSuppressPaint, true);
        ClearCalibData();
    }
    {
        TTextFile F;
        F.Rewrite(CalName);
        WriteRawCalDataToOpenXMLFile(F, true, GeneratedDataID, GeneratedCalibration(B, ImgName, GridMargin),
                                     cmBiquadraticPn);
        F.Close();
    }
    if (!LoadCalDataFromXML(CalName, GeneratedDataID))
        throw ETYXGeoMapError(Name(), "CreateAndLoadEmptyMap: cannot read back \"" + CalName + "\"");
    Paint();
}

void TGeoMap::CreateEmptyMapInMemory(double LatLow, double LongLow, double LatHigh, double LongHigh, double dLat,
                                     double dLong, int Wid, int Hgt, bool ShowGrid,
                                     const TOnDrawMapDataEvent& OnDrawMapData)
{
    const TMapBox B = NormaliseBox(Name(), FMaxMapPixels, LatLow, LongLow, LatHigh, LongHigh, dLat, dLong, Wid, Hgt);
    {
        const TRestore<bool> Quiet(FSuppressPaint, true);
        {
            TBitmap Bmp(B.Wid, B.Hgt, pf24bit);
            if (ShowGrid) DrawGrid(Bmp.Canvas(), B);
            if (OnDrawMapData)
                OnDrawMapData(this, Bmp.Canvas(), B.LatLow, B.LongLow, B.LatHigh, B.LongHigh, B.Wid, B.Hgt);
            SetMapBitMap(Bmp);
        }
        ClearCalibData();
        FCalib.StoreCalibModel(cmEquiRect);
        FCalib.SetCalibData(GeneratedCalibration(B, UnknownImageName, ShowGrid ? GridMargin : 0));
        RecalcCalibration();
    }
    Paint();
}

} // namespace tyx
