// The calib-fit subcommand of tyxgeo: calibrates an image from points given on the command line or
// in a CSV file, through the map control's own AddCalibPoint and fits, prints each point's residual
// and the quality figures, and writes the calibration file. A fit that cannot be made writes nothing.
#include "cli_common.h"

#include "geobasics/Tyx_geobasics.h"
#include "geomap/Tyx_geomap.h"
#include "geomap/core/Tyx_calibresiduals.h"
#include "geomap/core/tyx_geomap_xml.h"
#include "support/Tyx_filesys.h"

#include <QApplication>

#include <fmt/format.h>

#include <cctype>
#include <cmath>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace tyx::cli {

namespace {

struct TFitOptions {
    std::string Image;
    std::string Model;
    int Zone = 0;
    bool South = false;
    std::vector<std::string> Points;
    std::string PointsCsv;
    std::string Out;
};

// One calibration point: the pixel, and latitude and longitude (UTM: northing and easting).
struct TFitPoint {
    int X = 0, Y = 0;
    double A = 0, B = 0;
};

// The models a point fit can make; the parabolic model takes graticule lines instead.
const std::vector<std::string>& PointModelNames()
{
    static const std::vector<std::string> names = {
        CalibModelName(cmEquiRect), CalibModelName(cmUTM), CalibModelName(cmBiquadraticPn),
        CalibModelName(cmConicConformal), CalibModelName(cmMillerCylindrical)};
    return names;
}

// "X,Y,POSITION": the position in any form ParsePosition reads, or "NORTHING,EASTING" under UTM.
TFitPoint ParseFitPoint(const std::string& Text, bool UTM, const std::string& Where)
{
    const size_t c1 = Text.find(',');
    const size_t c2 = c1 == std::string::npos ? c1 : Text.find(',', c1 + 1);
    if (c2 == std::string::npos)
        throw DataError(fmt::format("{}: '{}' is not X,Y,{}", Where, Text, UTM ? "NORTHING,EASTING" : "LAT,LONG"));
    auto trimmed = [](std::string s) {
        s.erase(0, s.find_first_not_of(" \t"));
        s.erase(s.find_last_not_of(" \t\r") + 1);
        return s;
    };
    TFitPoint p;
    try {
        p.X = ParseInt(trimmed(Text.substr(0, c1)), "X");
        p.Y = ParseInt(trimmed(Text.substr(c1 + 1, c2 - c1 - 1)), "Y");
        const std::string rest = Text.substr(c2 + 1);
        if (UTM) {
            const size_t c3 = rest.find(',');
            if (c3 == std::string::npos) throw DataError(fmt::format("'{}' is not NORTHING,EASTING", rest));
            p.A = ParseFinite(trimmed(rest.substr(0, c3)), "NORTHING");
            p.B = ParseFinite(trimmed(rest.substr(c3 + 1)), "EASTING");
        } else {
            const TParsedPosition pos = ParsePosition(rest);
            if (!pos.Ok) throw DataError(fmt::format("position '{}': {}", trimmed(rest), pos.Error));
            p.A = pos.Latitude;
            p.B = pos.Longitude;
        }
    } catch (const DataError& e) {
        throw DataError(fmt::format("{}: {}", Where, e.what()));
    }
    return p;
}

// The points of a CSV file, one X,Y,LAT,LONG (or X,Y,NORTHING,EASTING) a line; a first line
// that does not start with a number is a header. Blank lines and lines starting with '#' are skipped.
void ReadPointsCsv(const std::string& File, bool UTM, std::vector<TFitPoint>& Points)
{
    std::ifstream in(File, std::ios::binary);
    if (!in) throw DataError(fmt::format("cannot open points file '{}'", File));
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        if (n == 1 && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') continue;
        const char c = line[first];
        if (n == 1 && !(std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+')) continue;
        Points.push_back(ParseFitPoint(line, UTM, fmt::format("'{}' line {}", File, n)));
    }
    if (in.bad()) throw DataError(fmt::format("cannot read points file '{}'", File));
}

std::string Figure(const TCalibResidual& R, double Value)
{
    return R.Valid ? Fixed(Value, 3) : "-";
}

void RunFit(const TFitOptions& O)
{
    const TCalibModel model = CalibModelFromName(O.Model);
    const bool utm = model == cmUTM;
    if (utm && O.Zone == 0) throw UsageError("the utm model needs --zone");
    if (!utm && (O.Zone != 0 || O.South)) throw UsageError("--zone and --south belong to the utm model");

    std::vector<TFitPoint> points;
    for (size_t i = 0; i < O.Points.size(); ++i)
        points.push_back(ParseFitPoint(O.Points[i], utm, fmt::format("--point {}", i + 1)));
    if (!O.PointsCsv.empty()) ReadPointsCsv(O.PointsCsv, utm, points);
    if (points.size() > gmMaxCalQuads)
        throw DataError(fmt::format("{} points given, a calibration holds at most {}", points.size(), gmMaxCalQuads));

    if (!FileExists(O.Image)) throw DataError(fmt::format("cannot open image '{}'", O.Image));
    const std::string out = O.Out.empty() ? StripExtension(O.Image) + ".xml" : O.Out;
    std::vector<std::string> reads = {O.Image};
    if (!O.PointsCsv.empty()) reads.push_back(O.PointsCsv);
    RefuseToOverwrite({out}, reads);

    const auto app = EnsureApplication();
    TGeoMap map;
    map.SetName("tyxgeo");
    try {
        map.SetMapImgName(O.Image);
    } catch (const ETYXGeoMapError& e) {
        throw DataError(fmt::format("'{}': {}", O.Image, MapErrorReason(e)));
    }
    const int w = map.MapImgWidth(), h = map.MapImgHeight();
    map.SetCalibModel(model);
    if (utm) {
        map.SetUTMZone(O.Zone);
        map.SetUTMHemisphere(O.South ? hemiSouth : hemiNorth);
    }
    for (size_t i = 0; i < points.size(); ++i) {
        const TFitPoint& p = points[i];
        if (p.X < 0 || p.X > w || p.Y < 0 || p.Y > h)
            throw DataError(fmt::format("point {} ({},{}) lies outside the image of {} x {} pixels", i + 1, p.X, p.Y, w, h));
        if (utm)
            map.AddCalibPoint(p.A, p.B, O.Zone, O.South ? hemiSouth : hemiNorth, p.X, p.Y);
        else
            map.AddCalibPoint(p.A, p.B, p.X, p.Y);
    }
    const std::string problem = CalibFitProblem(map.Calibration(), model);
    if (!problem.empty()) throw DataError("cannot fit the calibration: " + problem);

    const std::vector<TCalibResidual> residuals = CalibResiduals(map.Calibration());
    double sumPx = 0, sumM = 0;
    int valid = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        const TFitPoint& p = points[i];
        const TCalibResidual& r = residuals[i];
        std::cout << fmt::format("{} {} {} {} {} {}\n", p.X, p.Y, Fixed(p.A, utm ? 3 : 9), Fixed(p.B, utm ? 3 : 9),
                                 Figure(r, r.Pixels), Figure(r, r.Metres));
        if (r.Valid) sumPx += r.Pixels * r.Pixels, sumM += r.Metres * r.Metres, ++valid;
    }
    double qx = 0, qy = 0;
    map.CalibQuality(qx, qy);
    std::cout << "quality " << Fixed(qx, 3) << ' ' << Fixed(qy, 3) << '\n';
    if (valid > 0)
        std::cout << "rms " << Fixed(std::sqrt(sumPx / valid), 3) << ' ' << Fixed(std::sqrt(sumM / valid), 3) << '\n';
    map.SaveCalDataAsXML(out, StripExtension(StripPath(O.Image)));
}

} // namespace

void AddCalibFitCommand(CLI::App& App)
{
    auto o = std::make_shared<TFitOptions>();
    CLI::App* fit = App.add_subcommand(
        "calib-fit", "Calibrate an image from points: prints X Y LAT LONG RESID_PX RESID_M per point and the "
                     "quality figures, writes the calibration file");
    fit->add_option("IMAGE", o->Image, "Map image (.jpg, .jpeg, .png, .bmp, .tif, .tiff)")->required();
    fit->add_option("--model", o->Model, "Calibration model")->required()->check(CLI::IsMember(PointModelNames()));
    fit->add_option("--zone", o->Zone, "UTM zone of the points (utm model)")->check(CLI::Range(1, 60));
    fit->add_flag("--south", o->South, "The points' northings are of the southern hemisphere (utm model)");
    fit->add_option("--point", o->Points,
                    "X,Y,LAT,LONG (utm: X,Y,NORTHING,EASTING), repeatable; X,Y map-image pixels, the position "
                    "in decimal degrees, degrees-minutes-seconds or UTM")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    fit->add_option("--points-csv", o->PointsCsv, "CSV file of points, one X,Y,LAT,LONG a line (optional header)");
    fit->add_option("--out", o->Out, "Calibration file (default: the image's name with .xml)");
    fit->callback([o] { RunFit(*o); });
}

} // namespace tyx::cli
