// TGeoMap: georeferenced images of other GIS tools. A world file (six numbers: the affine map from
// pixel centres to easting/longitude and northing/latitude) with the .aux.xml or .prj beside it,
// or the tags of a GeoTIFF, become a calibration of three points on the image's corners,
// cmEquiRect in degrees or cmUTM in metres; SaveWorldFile writes the same for a map whose model is
// affine. Map-image coordinates count from the image's outer corner, so the world file's pixel
// centres lie half a pixel inside: (0.5, 0.5) is the centre of the first pixel.
#include "geomap/Tyx_geomap.h"

#include <QImage>
#include <QImageReader>
#include <QStringList>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

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
#include <sstream>
#include <vector>

#include "geomap/geomap_crs.h"
#include "geomap/geomap_limits.h"
#include "geomap/geomap_restore.h"
#include "geomap/geomap_tiff.h"
#include "support/Tyx_filesys.h"

namespace tyx {

namespace {

/// Six numbers A, D, B, E, C, F in world-file order: X = A x + B y + C (easting or longitude),
/// Y = D x + E y + F (northing or latitude), for map-image coordinates (x, y) unless said otherwise.
using TAffine = TGeoMap::TWorldFile;
double AffX(const TAffine& T, double x, double y) { return T[0] * x + T[2] * y + T[4]; }
double AffY(const TAffine& T, double x, double y) { return T[1] * x + T[3] * y + T[5]; }
bool Degenerate(const TAffine& T)
{
    const double Det = T[0] * T[3] - T[2] * T[1];
    return !std::isfinite(Det) || Det == 0;
}

/// The same transform with its origin moved by (dx, dy) pixels: Shifted(T, d)(x) = T(x + d).
TAffine Shifted(TAffine T, double dx, double dy)
{
    T[4] = AffX(T, dx, dy);
    T[5] = AffY(T, dx, dy);
    return T;
}

struct TGeoRef {
    TAffine Affine{};
    TMapCrs Crs;
};

/// The three calibration points on the image's outer corners (0, 0), (W, 0) and (0, H).
std::array<TPoint, 3> CornerPixels(int Width, int Height)
{
    const int W = std::max(Width, 1), H = std::max(Height, 1);
    return {TPoint{0, 0}, TPoint{W, 0}, TPoint{0, H}};
}

/// Refuses what cannot become a calibration before any image is taken.
void CheckGeoRef(const std::string& Component, const std::string& Source, const TGeoRef& Ref, int Width, int Height)
{
    if (Degenerate(Ref.Affine))
        throw ETYXGeoMapError(Component, "\"" + Source + "\": unsupported georeferencing (the pixel axes are degenerate)");
    if (Ref.Crs.Model == cmEquiRect)
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

ETYXGeoMapError UnsupportedCrs(const std::string& Component, const std::string& Source, const std::string& Name)
{
    return ETYXGeoMapError(Component, "\"" + Source + "\": unsupported coordinate reference system \"" + Name +
                                          "\" (read are WGS 84 and ETRS89, geographic or UTM)");
}

/// The WKT of a GDAL .aux.xml (its SRS element), or empty when it has none.
std::string AuxXmlSrs(const std::string& Text, TAffine* GeoTransform, bool& HasTransform)
{
    QXmlStreamReader X(QByteArray::fromStdString(Text));
    std::string Srs;
    HasTransform = false;
    while (!X.atEnd()) {
        if (X.readNext() != QXmlStreamReader::StartElement) continue;
        if (X.name() == u"SRS") {
            Srs = X.readElementText().trimmed().toStdString();
        } else if (X.name() == u"GeoTransform" && GeoTransform) {
            const QStringList V = X.readElementText().split(u',');
            bool Ok = V.size() == 6;
            // GDAL's order: origin X, dX/dx, dX/dy, origin Y, dY/dx, dY/dy, from the image's corner.
            std::array<double, 6> G{};
            for (int k = 0; Ok && k < 6; ++k) G[k] = V[k].trimmed().toDouble(&Ok);
            if (Ok) {
                *GeoTransform = {G[1], G[4], G[2], G[5], G[0], G[3]};
                HasTransform = true;
            }
        }
    }
    return Srs;
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

struct TGtifFreer {
    void operator()(GTIF* G) const { GTIFFree(G); }
};
using TGtifPtr = std::unique_ptr<GTIF, TGtifFreer>;

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
    // The CRS named by its citation where the file has one, else by its EPSG code.
    const auto CrsName = [&](geokey_t CitationKey, int Code) {
        char Citation[256] = "";
        if (GTIFKeyGet(G.get(), CitationKey, Citation, 0, sizeof Citation - 1) > 0 && Citation[0]) return std::string(Citation);
        if (GTIFKeyGet(G.get(), GTCitationGeoKey, Citation, 0, sizeof Citation - 1) > 0 && Citation[0]) return std::string(Citation);
        return Code == KvUserDefined ? std::string("user-defined") : "EPSG:" + std::to_string(Code);
    };
    TGeoRef Ref;
    const int ModelType = GeoKey(G.get(), GTModelTypeGeoKey);
    if (ModelType == ModelTypeGeographic) {
        const int Gcs = GeoKey(G.get(), GeographicTypeGeoKey);
        const int Datum = GeoKey(G.get(), GeogGeodeticDatumGeoKey);
        const int Units = GeoKey(G.get(), GeogAngularUnitsGeoKey);
        const bool Known = CrsFromEpsg(Gcs, Ref.Crs) ||
                           (Gcs == KvUserDefined && (Datum == Datum_WGS84 || Datum == Datum_European_Reference_System_1989));
        if (!Known || Ref.Crs.Model != cmEquiRect) throw UnsupportedCrs(Component, FileName, CrsName(GeogCitationGeoKey, Gcs));
        Ref.Crs = {cmEquiRect, 0, false};
        if (Units != -1 && Units != Angular_Degree) throw Unsupported("angles not in degrees");
    } else if (ModelType == ModelTypeProjected) {
        const int Pcs = GeoKey(G.get(), ProjectedCSTypeGeoKey);
        if (!CrsFromEpsg(Pcs, Ref.Crs) || Ref.Crs.Model != cmUTM)
            throw UnsupportedCrs(Component, FileName, CrsName(PCSCitationGeoKey, Pcs));
    } else {
        throw Unsupported("neither geographic nor projected");
    }

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
    // Raster space counts from the image's corner, as map-image coordinates do, unless the file
    // says its values are points: then raster (0, 0) is the centre of the first pixel.
    if (GeoKey(G.get(), GTRasterTypeGeoKey) == RasterPixelIsPoint) T = Shifted(T, -0.5, -0.5);
    return Ref;
}

/// A rotation term that moves no position across the whole image by as much as a millionth of
/// a pixel is the fit's rounding noise: zero, so that other tools see an upright raster.
double Upright(double Term, double Extent, double PixelSize)
{
    return std::fabs(Term) * Extent < 1e-6 * std::fabs(PixelSize) ? 0.0 : Term;
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

void TGeoMap::TakeMapImage(QImage Image, const std::string& FileName)
{
    {
        const TRestore<bool> Quiet(FSuppressPaint, true);
        if (static_cast<long long>(Image.width()) * Image.height() > DefaultMaxMapPixels) {
            TakeLargeImage(std::move(Image));
        } else {
            TBitmap Small;
            Small.AssignImage(Image);
            SetMapBitMap(Small);
        }
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
    TAffine T{P(2, 2), P(1, 2), P(2, 3), P(1, 3), P(2, 1), P(1, 1)};
    if (Degenerate(T))
        throw ETYXGeoMapError(Name(), "SaveWorldFile: the calibration is not fitted");
    const double W = std::max(FMapImgWidth, 1), H = std::max(FMapImgHeight, 1);
    T[2] = Upright(T[2], H, T[0]);
    T[1] = Upright(T[1], W, T[3]);
    // The world file gives the centre of the first pixel.
    T = Shifted(T, 0.5, 0.5);

    std::string Text;
    for (double V : T) Text += Shortest(V) + "\r\n";
    const TMapCrs Crs{Model, GetUTMZone(), GetUTMHemisphere() == hemiSouth};
    QString Aux;
    {
        QXmlStreamWriter X(&Aux);
        X.setAutoFormatting(true);
        X.writeStartElement("PAMDataset");
        X.writeStartElement("SRS");
        X.writeAttribute("dataAxisToSRSAxisMapping", Model == cmUTM ? "1,2" : "2,1");
        X.writeCharacters(QString::fromStdString(CrsOgcWkt(Crs)));
        X.writeEndElement();
        X.writeEndElement();
        X.writeEndDocument();
    }
    const auto Write = [this](const std::string& Name, const std::string& Content) {
        std::ofstream Out(Name, std::ios::binary | std::ios::trunc);
        Out << Content;
        Out.close();
        if (!Out) throw ETYXGeoMapError(this->Name(), "SaveWorldFile: cannot write \"" + Name + "\"");
    };
    const std::vector<std::string> Names = WorldFileNames(FileName);
    Write(Names[0], Text);
    Write(Names[1], CrsEsriWkt(Crs));
    Write(Names[2], Aux.trimmed().toStdString() + "\n");
}

std::vector<std::string> TGeoMap::WorldFileNames(const std::string& FileName) const
{
    std::string ImageExt = Extension(FMapImgName);
    if (ImageExt.empty() || FMapImgName == UnknownImageName) ImageExt = Extension(FileName);
    const std::string Base = StripExtension(FileName);
    return {Base + WorldExtension(ImageExt), Base + ".prj", Base + ImageExt + ".aux.xml"};
}

/// WorldFileSources ends with the files that may name the CRS, in these many spellings.
constexpr std::ptrdiff_t CrsSpellings = 4;

std::vector<std::string> TGeoMap::WorldFileSources(const std::string& ImageFile)
{
    const std::string Base = StripExtension(ImageFile);
    const std::string Ext = Extension(ImageFile);
    std::vector<std::string> Names;
    // Tools disagree on BMP: .bpw by the first-and-last-letter rule, .bgw by some.
    for (const std::string& Candidate : {WorldExtension(Ext), Ext + "w", std::string(".wld"), std::string(".bgw")})
        for (const std::string& Name : {Base + Candidate, Base + Upper(Candidate)}) Names.push_back(Name);
    // GDAL's own file first, then the ESRI one.
    for (const std::string& Name : {ImageFile + ".aux.xml", Base + ".aux.xml", Base + ".prj", Base + ".PRJ"})
        Names.push_back(Name);
    return Names;
}

void TGeoMap::LoadWorldFile(const std::string& ImageFile)
{
    const std::vector<std::string> Sources = WorldFileSources(ImageFile);
    const auto CrsFiles = Sources.end() - CrsSpellings;
    const auto IsFile = [](const std::string& Name) { return FileExists(Name); };
    const auto CrsFile = std::find_if(CrsFiles, Sources.end(), IsFile);
    const bool IsAux = CrsFile != Sources.end() && Lower(*CrsFile).ends_with(".aux.xml");
    const std::string CrsText = CrsFile == Sources.end() ? std::string() : ReadText(*CrsFile);

    TGeoRef Ref;
    std::string Source;
    std::string Wkt = CrsText;
    const auto World = std::find_if(Sources.begin(), CrsFiles, IsFile);
    bool AuxTransform = false;
    if (IsAux) Wkt = AuxXmlSrs(CrsText, &Ref.Affine, AuxTransform);
    if (World != CrsFiles) {
        Source = *World;
        if (!ParseWorldFile(ReadText(Source), Ref.Affine))
            throw ETYXGeoMapError(Name(), "LoadWorldFile: \"" + Source + "\" does not hold six numbers");
        Ref.Affine = Shifted(Ref.Affine, -0.5, -0.5);
    } else if (AuxTransform) {
        Source = *CrsFile;
    } else {
        throw ETYXGeoMapError(Name(), "LoadWorldFile: no world file beside \"" + ImageFile + "\"");
    }
    std::string CrsName;
    if (!Wkt.empty() && !CrsFromWkt(Wkt, Ref.Crs, CrsName)) throw UnsupportedCrs(Name(), *CrsFile, CrsName);
    if (IsTiff(ImageFile)) {
        const TTiffQuiet Quiet;
        const TTiffPtr Tif = OpenTiff(Name(), ImageFile);
        QImage Image = DecodeTiff(Name(), Tif.get(), ImageFile, FMaxMapPixels);
        CheckGeoRef(Name(), Source, Ref, Image.width(), Image.height());
        TakeMapImage(std::move(Image), ImageFile);
    } else {
        const QSize Size = QImageReader(QString::fromStdString(ImageFile)).size();
        if (!Size.isValid()) throw ETYXGeoMapError(Name(), "LoadWorldFile: cannot read the image \"" + ImageFile + "\"");
        CheckGeoRef(Name(), Source, Ref, Size.width(), Size.height());
        SetMapImgName(ImageFile);
    }
    ApplyGeoReference(Ref.Crs.Model, Ref.Affine, Ref.Crs.Zone, Ref.Crs.South);
    Paint();
}

void TGeoMap::LoadGeoTIFF(const std::string& FileName)
{
    const TTiffQuiet Quiet;
    const TTiffPtr Tif = OpenTiff(Name(), FileName);
    const TGeoRef Ref = ReadGeoTiffRef(Name(), Tif.get(), FileName);
    QImage Image = DecodeTiff(Name(), Tif.get(), FileName, FMaxMapPixels);
    CheckGeoRef(Name(), FileName, Ref, Image.width(), Image.height());
    TakeMapImage(std::move(Image), FileName);
    ApplyGeoReference(Ref.Crs.Model, Ref.Affine, Ref.Crs.Zone, Ref.Crs.South);
    Paint();
}

} // namespace tyx
