// TGeoMap: georeferenced images of other GIS tools. A world file (six numbers: the affine map from
// pixel centres to easting/longitude and northing/latitude) with the .prj beside it, or the tags of
// a GeoTIFF, become a calibration of three points on the image's corners, cmEquiRect in degrees or
// cmUTM in metres; SaveWorldFile writes the same for a map whose model is affine.
#include "geomap/Tyx_geomap.h"

#include <QImage>
#include <QImageReader>

#include <geotiff/geotiff.h>
#include <geotiff/geovalues.h>
#include <geotiff/xtiffio.h>
#include <tiffio.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <vector>

#include "geomap/geomap_limits.h"
#include "geomap/geomap_restore.h"
#include "support/Tyx_filesys.h"

namespace tyx {

namespace {

/// A world file's six numbers A, D, B, E, C, F: the position of the pixel centre (x, y) is
/// X = A x + B y + C (easting or longitude), Y = D x + E y + F (northing or latitude).
using TAffine = TGeoMap::TWorldFile;
double AffX(const TAffine& T, double x, double y) { return T[0] * x + T[2] * y + T[4]; }
double AffY(const TAffine& T, double x, double y) { return T[1] * x + T[3] * y + T[5]; }
bool Degenerate(const TAffine& T)
{
    const double Det = T[0] * T[3] - T[2] * T[1];
    return !std::isfinite(Det) || Det == 0;
}

struct TGeoRef {
    TAffine Affine{};
    TCalibModel Model = cmEquiRect;
    int Zone = 0;
    bool South = false;
};

/// The three calibration pixels on the image's corners.
std::array<TPoint, 3> CornerPixels(int Width, int Height)
{
    const int W = std::max(Width - 1, 1), H = std::max(Height - 1, 1);
    return {TPoint{0, 0}, TPoint{W, 0}, TPoint{0, H}};
}

/// Refuses what cannot become a calibration before any image is taken.
void CheckGeoRef(const std::string& Component, const std::string& Source, const TGeoRef& Ref, int Width, int Height)
{
    if (Degenerate(Ref.Affine))
        throw ETYXGeoMapError(Component, "\"" + Source + "\": unsupported georeferencing (the pixel axes are degenerate)");
    if (Ref.Model == cmEquiRect)
        for (const TPoint& P : CornerPixels(Width, Height))
            if (std::fabs(AffY(Ref.Affine, P.X, P.Y)) > 90 || std::fabs(AffX(Ref.Affine, P.X, P.Y)) > 360)
                throw ETYXGeoMapError(Component, "\"" + Source +
                                                     "\": unsupported georeferencing (the image's corners are not in degrees)");
}

std::string Lower(std::string S)
{
    for (char& c : S) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return S;
}

std::string Upper(std::string S)
{
    for (char& c : S) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return S;
}

std::string Extension(const std::string& FileName)
{
    const std::string Name = StripPath(FileName);
    return Lower(Name.substr(StripExtension(Name).size()));
}

bool IsTiff(const std::string& FileName)
{
    const std::string Ext = Extension(FileName);
    return Ext == ".tif" || Ext == ".tiff";
}

/// .jpg -> .jgw, .png -> .pgw, .bmp -> .bpw, .tiff -> .tfw: the first and last letter of the
/// image's extension and a w.
std::string WorldExtension(const std::string& ImageExt)
{
    if (ImageExt.size() < 3) return ".wld";
    return std::string(".") + ImageExt[1] + ImageExt.back() + 'w';
}

std::string ReadText(const std::string& FileName)
{
    std::ifstream In(FileName, std::ios::binary);
    std::ostringstream S;
    S << In.rdbuf();
    return S.str();
}

const char* const Wgs84Geogcs =
    "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137.0,298.257223563]],"
    "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";

std::string PrjText(TCalibModel Model, int Zone, bool South)
{
    if (Model == cmEquiRect) return Wgs84Geogcs;
    const std::string Name = "WGS_1984_UTM_Zone_" + std::to_string(Zone) + (South ? "S" : "N");
    return "PROJCS[\"" + Name + "\"," + Wgs84Geogcs +
           ",PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\",500000.0],"
           "PARAMETER[\"False_Northing\"," + (South ? "10000000.0" : "0.0") +
           "],PARAMETER[\"Central_Meridian\"," + std::to_string(6 * Zone - 183) +
           ".0],PARAMETER[\"Scale_Factor\",0.9996],PARAMETER[\"Latitude_Of_Origin\",0.0],UNIT[\"Meter\",1.0]]";
}

/// Reads the .prj text: geographic WGS 84 or a UTM zone on WGS 84; false for anything else.
bool ParsePrj(const std::string& Text, TGeoRef& Ref)
{
    const std::string T = Lower(Text);
    const bool Wgs84 = std::regex_search(T, std::regex("wgs[ _]?(19)?84"));
    if (!Wgs84) return false;
    if (T.find("projcs") == std::string::npos) {
        Ref.Model = cmEquiRect;
        return T.find("geogcs") != std::string::npos;
    }
    std::smatch M;
    if (!std::regex_search(T, M, std::regex("utm[ _]zone[ _]([0-9]{1,2}) ?([ns])"))) return false;
    Ref.Model = cmUTM;
    Ref.Zone = std::stoi(M[1].str());
    Ref.South = M[2].str() == "s";
    return Ref.Zone >= 1 && Ref.Zone <= 60;
}

/// Parses the six numbers of a world file; false when they are not six finite numbers.
bool ParseWorldFile(const std::string& Text, TAffine& Affine)
{
    std::istringstream In(Text);
    In.imbue(std::locale::classic());
    std::array<double, 6> V{};
    std::string Field;
    std::size_t N = 0;
    while (In >> Field) {
        if (N == V.size()) return false;
        const char* B = Field.data();
        const auto [P, Ec] = std::from_chars(B, B + Field.size(), V[N]);
        if (Ec != std::errc() || P != B + Field.size() || !std::isfinite(V[N])) return false;
        ++N;
    }
    if (N != V.size()) return false;
    Affine = V;
    return true;
}

std::string Shortest(double V)
{
    char Buf[32];
    const auto R = std::to_chars(Buf, Buf + sizeof Buf, V);
    return std::string(Buf, R.ptr);
}

// libtiff reports through process-wide handlers; while one of our reads runs, errors are kept for
// the exception's message and warnings (unknown private tags, mostly) are dropped.
thread_local std::string TiffError;

void KeepTiffError(const char*, const char* Fmt, va_list Args)
{
    char Buf[512];
    std::vsnprintf(Buf, sizeof Buf, Fmt, Args);
    TiffError = Buf;
}

class TTiffQuiet {
public:
    TTiffQuiet() : FError(TIFFSetErrorHandler(KeepTiffError)), FWarning(TIFFSetWarningHandler(nullptr))
    {
        TiffError.clear();
    }
    ~TTiffQuiet()
    {
        TIFFSetErrorHandler(FError);
        TIFFSetWarningHandler(FWarning);
    }
    TTiffQuiet(const TTiffQuiet&) = delete;
    TTiffQuiet& operator=(const TTiffQuiet&) = delete;

private:
    TIFFErrorHandler FError, FWarning;
};

struct TTiffCloser {
    void operator()(TIFF* T) const { XTIFFClose(T); }
};
struct TGtifFreer {
    void operator()(GTIF* G) const { GTIFFree(G); }
};
using TTiffPtr = std::unique_ptr<TIFF, TTiffCloser>;
using TGtifPtr = std::unique_ptr<GTIF, TGtifFreer>;

TTiffPtr OpenTiff(const std::string& Component, const std::string& FileName)
{
    TTiffPtr Tif(XTIFFOpen(FileName.c_str(), "r"));
    if (!Tif)
        throw ETYXGeoMapError(Component, "Cannot read TIFF \"" + FileName + "\"" +
                                             (TiffError.empty() ? std::string() : " (" + TiffError + ")"));
    return Tif;
}

/// The first image of the TIFF as a 32-bit bitmap; the pixel limit is checked before decoding.
void DecodeTiff(const std::string& Component, TIFF* Tif, const std::string& FileName, TBitmap& Out)
{
    uint32_t W = 0, H = 0;
    TIFFGetField(Tif, TIFFTAG_IMAGEWIDTH, &W);
    TIFFGetField(Tif, TIFFTAG_IMAGELENGTH, &H);
    if (W == 0 || H == 0 || W > 0x7fffffffu || H > 0x7fffffffu)
        throw ETYXGeoMapError(Component, "Cannot read TIFF \"" + FileName + "\" (no image)");
    CheckMapPixels(Component, static_cast<int>(W), static_cast<int>(H));
    // libtiff delivers red in the lowest byte, which is QImage's RGBA byte order on this platform.
    QImage Img(static_cast<int>(W), static_cast<int>(H), QImage::Format_RGBA8888);
    if (Img.isNull() || !TIFFReadRGBAImageOriented(Tif, W, H, reinterpret_cast<uint32_t*>(Img.bits()),
                                                   ORIENTATION_TOPLEFT, 0))
        throw ETYXGeoMapError(Component, "Cannot read TIFF \"" + FileName + "\"" +
                                             (TiffError.empty() ? std::string() : " (" + TiffError + ")"));
    Out.AssignImage(Img.convertToFormat(QImage::Format_RGB32));
}

int GeoKey(GTIF* G, geokey_t Key)
{
    unsigned short V = 0;
    return GTIFKeyGet(G, Key, &V, 0, 1) == 1 ? V : -1;
}

/// The georeferencing of a GeoTIFF: geographic WGS 84 or UTM on WGS 84, from tie point and pixel
/// scale or from the transformation matrix.
TGeoRef ReadGeoTiffRef(const std::string& Component, TIFF* Tif, const std::string& FileName)
{
    const auto Unsupported = [&](const std::string& Why) {
        return ETYXGeoMapError(Component, "\"" + FileName + "\": unsupported georeferencing (" + Why + ")");
    };
    TGtifPtr G(GTIFNew(Tif));
    if (!G) throw Unsupported("no GeoTIFF keys");
    TGeoRef Ref;
    const int ModelType = GeoKey(G.get(), GTModelTypeGeoKey);
    if (ModelType == ModelTypeGeographic) {
        const int Gcs = GeoKey(G.get(), GeographicTypeGeoKey);
        const int Datum = GeoKey(G.get(), GeogGeodeticDatumGeoKey);
        const int Units = GeoKey(G.get(), GeogAngularUnitsGeoKey);
        if (!(Gcs == GCS_WGS_84 || (Gcs == KvUserDefined && Datum == Datum_WGS84)))
            throw Unsupported("geographic, but not WGS 84");
        if (Units != -1 && Units != Angular_Degree) throw Unsupported("angles not in degrees");
        Ref.Model = cmEquiRect;
    } else if (ModelType == ModelTypeProjected) {
        const int Pcs = GeoKey(G.get(), ProjectedCSTypeGeoKey);
        if (Pcs >= PCS_WGS84_UTM_zone_1N && Pcs <= PCS_WGS84_UTM_zone_60N) {
            Ref.Zone = Pcs - PCS_WGS84_UTM_zone_1N + 1;
        } else if (Pcs >= PCS_WGS84_UTM_zone_1S && Pcs <= PCS_WGS84_UTM_zone_60S) {
            Ref.Zone = Pcs - PCS_WGS84_UTM_zone_1S + 1;
            Ref.South = true;
        } else {
            throw Unsupported("projected, but not UTM on WGS 84");
        }
        Ref.Model = cmUTM;
    } else {
        throw Unsupported("neither geographic nor projected");
    }

    // Raster space counts from a pixel's corner unless the file says its values are points; a
    // pixel of the map is its centre.
    const double Shift = GeoKey(G.get(), GTRasterTypeGeoKey) == RasterPixelIsPoint ? 0.0 : 0.5;
    uint16_t Count = 0;
    double* Values = nullptr;
    TAffine& T = Ref.Affine;
    if (TIFFGetField(Tif, TIFFTAG_GEOTRANSMATRIX, &Count, &Values) && Count >= 16) {
        T = {Values[0], Values[4], Values[1], Values[5], Values[3], Values[7]};
    } else {
        double* Tie = nullptr;
        uint16_t TieCount = 0;
        if (!TIFFGetField(Tif, TIFFTAG_GEOTIEPOINTS, &TieCount, &Tie) || TieCount < 6 ||
            !TIFFGetField(Tif, TIFFTAG_GEOPIXELSCALE, &Count, &Values) || Count < 2)
            throw Unsupported("neither tie point with pixel scale nor transformation matrix");
        T = {Values[0], 0, 0, -Values[1], Tie[3] - Tie[0] * Values[0], Tie[4] + Tie[1] * Values[1]};
    }
    T[4] += Shift * (T[0] + T[2]);
    T[5] += Shift * (T[1] + T[3]);
    return Ref;
}

} // namespace

void TGeoMap::ApplyGeoReference(TCalibModel Model, const TWorldFile& Affine, int Zone, bool South)
{
    const TRestore<bool> Quiet(FSuppressPaint, true);
    const THemisphere Hemisphere = South ? hemiSouth : hemiNorth;
    FCalib.StoreCalibModel(Model);
    FCalib.ClearCalibData();
    if (Model == cmUTM) {
        FCalib.SetUTMZone(Zone);
        FCalib.SetUTMHemisphere(Hemisphere);
    }
    for (const TPoint& P : CornerPixels(FMapImgWidth, FMapImgHeight)) {
        const double X = AffX(Affine, P.X, P.Y), Y = AffY(Affine, P.X, P.Y);
        if (Model == cmUTM)
            FCalib.AddCalibPoint(Y, X, Zone, Hemisphere, P.X, P.Y);
        else
            FCalib.AddCalibPoint(Y, X, P.X, P.Y);
    }
    FCalib.CalibData().MapFName = FMapImgName;
    FCalib.RecalcCalibration();
}

void TGeoMap::TakeMapImage(const TBitmap& Image, const std::string& FileName)
{
    {
        const TRestore<bool> Quiet(FSuppressPaint, true);
        SetMapBitMap(Image);
    }
    FMapImgName = FileName;
}

void TGeoMap::SaveWorldFile(const std::string& FileName)
{
    const TCalibModel Model = CalibModel();
    if (Model != cmEquiRect && Model != cmUTM)
        throw ETYXGeoMapError(Name(), "SaveWorldFile: a world file needs the model equirect or utm, not " +
                                          std::string(CalibModelName(Model)));
    if (CalibData().Ellipsoid != gelWGS84)
        throw ETYXGeoMapError(Name(), "SaveWorldFile: world files are written for WGS 84 only");
    const auto& P = FCalib.EquRectPLSP();
    // Row 1 of the fit gives latitude (northing), row 2 longitude (easting); columns: constant, x, y.
    const TAffine T{P(2, 2), P(1, 2), P(2, 3), P(1, 3), P(2, 1), P(1, 1)};
    if (Degenerate(T))
        throw ETYXGeoMapError(Name(), "SaveWorldFile: the calibration is not fitted");

    std::string Text;
    for (double V : T) Text += Shortest(V) + "\r\n";
    const auto Write = [this](const std::string& Name, const std::string& Content) {
        std::ofstream Out(Name, std::ios::binary | std::ios::trunc);
        Out << Content;
        Out.close();
        if (!Out) throw ETYXGeoMapError(this->Name(), "SaveWorldFile: cannot write \"" + Name + "\"");
    };
    const std::vector<std::string> Names = WorldFileNames(FileName);
    Write(Names[0], Text);
    Write(Names[1], PrjText(Model, GetUTMZone(), GetUTMHemisphere() == hemiSouth));
}

std::vector<std::string> TGeoMap::WorldFileNames(const std::string& FileName) const
{
    std::string ImageExt = Extension(FMapImgName);
    if (ImageExt.empty() || FMapImgName == "$unknown$") ImageExt = Extension(FileName);
    const std::string Base = StripExtension(FileName);
    return {Base + WorldExtension(ImageExt), Base + ".prj"};
}

/// WorldFileSources ends with the .prj in these many spellings.
constexpr std::ptrdiff_t PrjSpellings = 2;

std::vector<std::string> TGeoMap::WorldFileSources(const std::string& ImageFile)
{
    const std::string Base = StripExtension(ImageFile);
    const std::string Ext = Extension(ImageFile);
    std::vector<std::string> Names;
    // Tools disagree on BMP: .bpw by the first-and-last-letter rule, .bgw by some.
    for (const std::string& Candidate :
         {WorldExtension(Ext), Ext + "w", std::string(".wld"), std::string(".bgw"), std::string(".prj")})
        for (const std::string& Name : {Base + Candidate, Base + Upper(Candidate)}) Names.push_back(Name);
    return Names;
}

void TGeoMap::LoadWorldFile(const std::string& ImageFile)
{
    const std::vector<std::string> Sources = WorldFileSources(ImageFile);
    const auto Prjs = Sources.end() - PrjSpellings;
    const auto IsFile = [](const std::string& Name) { return FileExists(Name); };
    const auto Found = std::find_if(Sources.begin(), Prjs, IsFile);
    if (Found == Prjs) throw ETYXGeoMapError(Name(), "LoadWorldFile: no world file beside \"" + ImageFile + "\"");
    const std::string World = *Found;

    TGeoRef Ref;
    if (!ParseWorldFile(ReadText(World), Ref.Affine))
        throw ETYXGeoMapError(Name(), "LoadWorldFile: \"" + World + "\" does not hold six numbers");
    const auto Prj = std::find_if(Prjs, Sources.end(), IsFile);
    if (Prj != Sources.end() && !ParsePrj(ReadText(*Prj), Ref))
        throw ETYXGeoMapError(Name(), "\"" + *Prj +
                                          "\": unsupported georeferencing (only geographic WGS 84 and "
                                          "UTM on WGS 84 are read)");
    if (IsTiff(ImageFile)) {
        const TTiffQuiet Quiet;
        const TTiffPtr Tif = OpenTiff(Name(), ImageFile);
        TBitmap Image;
        DecodeTiff(Name(), Tif.get(), ImageFile, Image);
        CheckGeoRef(Name(), World, Ref, Image.Width(), Image.Height());
        TakeMapImage(Image, ImageFile);
    } else {
        const QSize Size = QImageReader(QString::fromStdString(ImageFile)).size();
        if (!Size.isValid()) throw ETYXGeoMapError(Name(), "LoadWorldFile: cannot read the image \"" + ImageFile + "\"");
        CheckGeoRef(Name(), World, Ref, Size.width(), Size.height());
        SetMapImgName(ImageFile);
    }
    ApplyGeoReference(Ref.Model, Ref.Affine, Ref.Zone, Ref.South);
    Paint();
}

void TGeoMap::LoadGeoTIFF(const std::string& FileName)
{
    const TTiffQuiet Quiet;
    const TTiffPtr Tif = OpenTiff(Name(), FileName);
    const TGeoRef Ref = ReadGeoTiffRef(Name(), Tif.get(), FileName);
    TBitmap Image;
    DecodeTiff(Name(), Tif.get(), FileName, Image);
    CheckGeoRef(Name(), FileName, Ref, Image.Width(), Image.Height());
    TakeMapImage(Image, FileName);
    ApplyGeoReference(Ref.Model, Ref.Affine, Ref.Zone, Ref.South);
    Paint();
}

} // namespace tyx
