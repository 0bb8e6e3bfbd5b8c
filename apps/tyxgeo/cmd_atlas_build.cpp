// tyxgeo atlas build: draws a small atlas from a geographic database. Four generated maps, from the
// whole world down to a UTM sheet, each filled with the database's borders (land filled, borders
// outlined, antialiased) and saved as JPEG and calibration; the towns become a landmark file whose
// classes follow population. The viewer and the demo read what this writes.
#include "cli_common.h"

#include "geobasics/Tyx_geobasics.h"
#include "geodb/Tyx_GeoDB.h"
#include "geomap/Tyx_geomap.h"
#include "geomap/core/Tyx_landmarks.h"
#include "host/gui/tyx_qtcolor.h"
#include "host/tyx_text.h"
#include "support/Tyx_filesys.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace tyx::cli {

namespace {

constexpr TColor SeaColor = 0xF0DCB4;    // light blue (red in the low byte)
constexpr TColor LandColor = 0xC8E6D7;   // pale green
constexpr TColor BorderColor = 0x50505A; // dark grey
constexpr TColor LakeColor = SeaColor;
constexpr TColor RiverColor = 0xC08040;

/// One generated map. A UTM sheet (Zone > 0) spans eastings and northings in metres; the others
/// span degrees and are equirectangular.
struct TSheet {
    const char* Name;
    const char* Caption;
    double South, West, North, East;
    int Width, Height;
    int Zone = 0;
};

// World at about 20 km per pixel; Europe, Germany, and a UTM sheet about Munich at 120 m per pixel.
const TSheet Sheets[] = {
    {"world", "World", -90, -180, 90, 180, 2000, 1000},
    {"europe", "Europe", 34, -25, 72, 45, 1665, 1500},
    {"germany", "Germany", 47, 5.5, 55.2, 15.5, 1150, 1500},
    {"munich", "Munich and the Alps (UTM 32U)", 5240000, 600000, 5400000, 780000, 1500, 1333, 32},
};

using TProject = std::function<QPointF(double Lat, double Long)>;

TProject Projection(const TSheet& S)
{
    if (S.Zone == 0)
        return [S](double Lat, double Long) {
            return QPointF((Long - S.West) / (S.East - S.West) * S.Width, (S.North - Lat) / (S.North - S.South) * S.Height);
        };
    const double Lambda0 = UTMCentralMeridian(S.Zone);
    return [S, Lambda0](double Lat, double Long) {
        double X = 0, Y = 0;
        LatLongToTM(Lat * M_PI / 180, Long * M_PI / 180, Lambda0, gelWGS84, X, Y);
        const double E = 0.9996 * X + 500000, N = 0.9996 * Y;
        return QPointF((E - S.West) / (S.East - S.West) * S.Width, (S.North - N) / (S.North - S.South) * S.Height);
    };
}

/// The sheet's corners in degrees: south-west, north-west, north-east, south-east.
std::array<std::pair<double, double>, 4> CornerDegrees(const TSheet& S)
{
    if (S.Zone == 0) return {{{S.South, S.West}, {S.North, S.West}, {S.North, S.East}, {S.South, S.East}}};
    std::array<std::pair<double, double>, 4> C{};
    const double EN[4][2] = {{S.West, S.South}, {S.West, S.North}, {S.East, S.North}, {S.East, S.South}};
    for (int k = 0; k < 4; ++k) UTMToLatLong(EN[k][0], EN[k][1], S.Zone, false, gelWGS84, C[k].first, C[k].second);
    return C;
}

struct TBox {
    double South, North, West, East;
};

TBox DegreeBox(const TSheet& S)
{
    TBox B{90, -90, 180, -180};
    for (const auto& [Lat, Long] : CornerDegrees(S)) {
        B.South = std::min(B.South, Lat);
        B.North = std::max(B.North, Lat);
        B.West = std::min(B.West, Long);
        B.East = std::max(B.East, Long);
    }
    // A UTM sheet's edges bulge beyond its corners' box; a margin keeps the items along them.
    if (S.Zone != 0) B = {B.South - 0.2, B.North + 0.2, B.West - 0.2, B.East + 0.2};
    return B;
}

/// An item's points as one path, longitudes unwrapped where a ring crosses the antimeridian.
struct TShape {
    std::vector<std::pair<double, double>> Points; // latitude, longitude
    double West = 0, East = 0;
    TgdbItem Kind = gitBorder;
    bool Closed = false;
};

TShape Unwrapped(const TgdbPolygon& Polygon, TgdbItem Kind, bool Closed)
{
    TShape S;
    S.Kind = Kind;
    S.Closed = Closed;
    S.Points.reserve(Polygon.size());
    double Shift = 0, Prev = 0;
    for (std::size_t k = 0; k < Polygon.size(); ++k) {
        const double Long = Polygon[k].Longit;
        if (k > 0 && Long - Prev > 180) Shift -= 360;
        if (k > 0 && Prev - Long > 180) Shift += 360;
        Prev = Long;
        S.Points.emplace_back(Polygon[k].Latit, Long + Shift);
    }
    S.West = S.East = S.Points.empty() ? 0 : S.Points.front().second;
    for (const auto& P : S.Points) {
        S.West = std::min(S.West, P.second);
        S.East = std::max(S.East, P.second);
    }
    return S;
}

/// The polygon items whose boxes meet the box (and its copies a turn east and west).
std::vector<TShape> LoadShapes(TGeoDB& Db, const TBox& B)
{
    std::vector<int> Entries;
    for (double Turn : {-360.0, 0.0, 360.0}) {
        const double W = B.West + Turn, E = B.East + Turn;
        if (E < -180 || W > 180) continue;
        const auto Found = Db.FindItemsInBox(B.South, B.North, std::max(W, -180.0), std::min(E, 180.0));
        Entries.insert(Entries.end(), Found.begin(), Found.end());
    }
    std::sort(Entries.begin(), Entries.end());
    Entries.erase(std::unique(Entries.begin(), Entries.end()), Entries.end());
    std::vector<TShape> Shapes;
    TgdbPolygon Polygon;
    for (int Entry : Entries) {
        const TgdbData D = Db.GetSumdata(Entry);
        if (!IsPolygonKind(D.ItemKind) || !Db.RetrievePolygon(Entry, Polygon) || Polygon.size() < 2) continue;
        Shapes.push_back(Unwrapped(Polygon, D.ItemKind, D.Closed));
    }
    return Shapes;
}

/// Fills land, then lakes, then outlines every border and draws rivers and roads, each shape also
/// a turn east or west where that brings it into the sheet.
void DrawShapes(QPainter& P, const TSheet& S, const std::vector<TShape>& Shapes)
{
    const TProject Project = Projection(S);
    const TBox B = DegreeBox(S);
    P.setRenderHint(QPainter::Antialiasing, true);
    P.fillRect(QRectF(0, 0, S.Width, S.Height), TColorToQColor(SeaColor));
    auto PathOf = [&](const TShape& Sh, double Turn) {
        QPainterPath Path;
        Path.moveTo(Project(Sh.Points.front().first, Sh.Points.front().second + Turn));
        for (std::size_t k = 1; k < Sh.Points.size(); ++k)
            Path.lineTo(Project(Sh.Points[k].first, Sh.Points[k].second + Turn));
        if (Sh.Closed) Path.closeSubpath();
        return Path;
    };
    auto EachCopy = [&](const std::function<void(const TShape&, double)>& Draw) {
        for (const TShape& Sh : Shapes)
            for (double Turn : {-360.0, 0.0, 360.0})
                if (Sh.East + Turn >= B.West && Sh.West + Turn <= B.East) Draw(Sh, Turn);
    };
    const double Pen = S.Zone == 0 && S.East - S.West > 180 ? 0.6 : 1.0;
    P.setPen(Qt::NoPen);
    for (const bool Lakes : {false, true}) {
        P.setBrush(TColorToQColor(Lakes ? LakeColor : LandColor));
        EachCopy([&](const TShape& Sh, double Turn) {
            if (Sh.Closed && (Sh.Kind == gitLake) == Lakes && Sh.Kind != gitRiver && Sh.Kind != gitRoad &&
                Sh.Kind != gitRoute)
                P.drawPath(PathOf(Sh, Turn));
        });
    }
    P.setBrush(Qt::NoBrush);
    EachCopy([&](const TShape& Sh, double Turn) {
        const bool Line = Sh.Kind == gitRiver || Sh.Kind == gitRoad || Sh.Kind == gitRoute;
        P.setPen(QPen(TColorToQColor(Line ? RiverColor : BorderColor), Pen));
        P.drawPath(PathOf(Sh, Turn));
    });
}

/// Recalibrates a generated map as a UTM sheet on its four corners.
void CalibrateUTM(TGeoMap& Map, const TSheet& S)
{
    Map.SetSuppressPaint(true);
    Map.ClearCalibData();
    Map.SetCalibModel(cmUTM);
    Map.SetUTMZone(S.Zone);
    Map.SetUTMHemisphere(hemiNorth);
    const double EN[4][2] = {{S.West, S.North}, {S.East, S.North}, {S.West, S.South}, {S.East, S.South}};
    const int XY[4][2] = {{0, 0}, {S.Width, 0}, {0, S.Height}, {S.Width, S.Height}};
    for (int k = 0; k < 4; ++k) Map.AddCalibPoint(EN[k][1], EN[k][0], S.Zone, hemiNorth, XY[k][0], XY[k][1]);
    Map.RecalcCalibration();
}

/// Class 1 above a million people, 2 above 100 000, 3 above 10 000, 4 the rest.
uint8_t PopulationClass(long Population)
{
    return Population > 1000000 ? 1 : Population > 100000 ? 2 : Population > 10000 ? 3 : 4;
}

/// A town's population is its tag; towns imported without one keep a class of 1 to 4 they were
/// given, and the others count as small.
uint8_t TownClass(const TgdbData& D)
{
    if (D.Tag > 0) return PopulationClass(D.Tag);
    return D.ClassFlag >= 1 && D.ClassFlag <= 4 ? D.ClassFlag : 4;
}

TLandMark CityLandMark(const TgdbData& D)
{
    struct TStyle {
        TLandMarkElement Kind;
        int Size;
        TColor Fg, Bg;
        int CaptionSize;
    };
    // Every class is named: the viewer shows the smaller classes only on the finer maps, and
    // places captions so that none collide.
    static const TStyle Styles[] = {{lmSquare, 3, clBlack, clRed, 8},
                                    {lmCircle, 3, clBlack, 0x0080FF, 7},
                                    {lmCircle, 2, 0x404040, clWhite, 7},
                                    {lmPlus, 1, 0x606060, clWhite, 7}};
    const uint8_t Class = TownClass(D);
    const TStyle& St = Styles[Class - 1];
    TLandMark L;
    const TSCoords At = ExtractLocation(D);
    L.Latitude = At.Latit;
    L.Longitude = At.Longit;
    L.Altitude = D.Altitude;
    L.ClassFlag = Class;
    L.Tag = D.Tag;
    L.SymbolProps = {St.Kind, St.Size, St.Fg, St.Bg, false, 0, 0};
    if (St.CaptionSize > 0) {
        L.Caption.Text = TLMText(D.Name.Str());
        L.Caption.Size = St.CaptionSize;
        L.Caption.FontName = "Sans Serif";
        L.Caption.FontStyles = Class == 1 ? fsBold : 0;
        L.Caption.FGColor = Class == 4 ? TColor(0x404040) : clBlack;
        L.Caption.BGColor = clWhite;
        L.Caption.Transparent = true;
        L.Caption.dx = St.Size + 3;
        L.Caption.dy = -St.CaptionSize;
    }
    return L;
}

void WriteCities(TGeoDB& Db, const std::string& FileName)
{
    std::vector<TLandMark> Towns;
    for (int k = 1; k <= Db.NumEntries(); ++k) {
        const TgdbData D = Db.GetSumdata(k);
        if (D.ItemKind != gitTown && !(D.ItemKind == gitCity && D.NumPoints == 0)) continue;
        Towns.push_back(CityLandMark(D));
    }
    // Most populous first: where captions are placed so that none collide, the list order ranks
    // the towns of one class.
    std::stable_sort(Towns.begin(), Towns.end(), [](const TLandMark& a, const TLandMark& b) { return a.Tag > b.Tag; });
    TLandMarkList List;
    for (const TLandMark& L : Towns) List.AppendLandMark(L);
    const std::size_t Count = Towns.size();
    TTextFile F;
    F.Rewrite(FileName);
    WriteLandMarksToOpenXMLFile(F, true, "cities", List);
    F.Close();
    std::cout << FileName << '\t' << Count << " towns\n";
}

struct TBuildOptions {
    std::string Dir;
    std::string Db;
};

void RunBuild(const TBuildOptions& O)
{
    namespace fs = std::filesystem;
    if (!fs::exists(StripExtension(O.Db) + ".tyxgds")) throw DataError(fmt::format("no database at '{}'", O.Db));
    std::error_code Ec;
    fs::create_directories(fs::u8path(O.Dir), Ec);
    if (Ec) throw DataError(fmt::format("cannot create '{}': {}", O.Dir, Ec.message()));
    const auto App = EnsureApplication();
    TGeoDB Db;
    Db.SetName("tyxgeo");
    try {
        Db.SetGDBName(O.Db);
        std::vector<std::string> Outputs{O.Dir + "/cities.xml"};
        for (const TSheet& S : Sheets)
            for (const char* Ext : {".jpg", ".xml"}) Outputs.push_back(O.Dir + "/" + S.Name + Ext);
        RefuseToOverwrite(Outputs, Db.FileNames());
        TGeoMap Map;
        PrepareMap(Map);
        for (const TSheet& S : Sheets) {
            const TBox B = DegreeBox(S);
            const std::vector<TShape> Shapes = LoadShapes(Db, B);
            // The generator's box only sizes the grid it would draw (none here); the sheet's own
            // projection places everything.
            Map.CreateEmptyMapInMemory(B.South, B.West, B.North, B.East, 1, 1, S.Width, S.Height, false,
                                       [&](TObject*, TCanvas& C, double, double, double, double, int, int) {
                                           DrawShapes(C.Painter(), S, Shapes);
                                       });
            if (S.Zone != 0) CalibrateUTM(Map, S);
            Map.SetMapCaption(S.Caption);
            const std::string Base = O.Dir + "/" + S.Name;
            Map.SaveMap(Base + ".xml", S.Name);
            std::cout << Base << ".xml\t" << S.Caption << '\t' << Shapes.size() << " shapes\n";
        }
        WriteCities(Db, O.Dir + "/cities.xml");
    } catch (const ETYXError& E) {
        throw DataError(E.what());
    }
}

} // namespace

void AddAtlasBuildCommand(CLI::App& Atlas)
{
    auto o = std::make_shared<TBuildOptions>();
    CLI::App* build = Atlas.add_subcommand(
        "build", "Draws world, Europe, Germany and a UTM sheet of Munich from a database, and its towns as landmarks");
    build->add_option("dir", o->Dir, "Output folder: NAME.jpg and NAME.xml per map, cities.xml")->required();
    build->add_option("--db", o->Db, "The database (any of its file names, or the base name)")->required();
    build->callback([o] { RunBuild(*o); });
}

} // namespace tyx::cli
