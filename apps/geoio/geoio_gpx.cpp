// GPX into waypoints and route items. QXmlStreamReader walks the elements; every message carries
// the line and column where the reader stood, so that a user can find the place in an editor.
#include "geoio_gpx.h"
#include "geoio_internal.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <QXmlStreamReader>

#include <fmt/format.h>


namespace tyx::geoio {

namespace {

using detail::TPath;
using detail::TPos;

struct TPlace {
    qint64 Line = 0, Column = 0;
};

class TGpxReader {
public:
    TGpxReader(const std::string& Text, const std::string& Source, const TReadOptions& Options, TReadStats& Stats)
        : FXml(QByteArray::fromRawData(Text.data(), static_cast<qsizetype>(Text.size()))), FSource(Source),
          FStats(Stats), FKind(detail::ResolveKind(Options, "route", false, Source))
    {
    }

    TGpxData Read()
    {
        if (!FXml.readNextStartElement()) Fail(FXml.hasError() ? FXml.errorString().toStdString() : "no root element");
        if (FXml.name() != u"gpx") Fail(fmt::format("the root element is <{}>, not <gpx>", FXml.name().toString().toStdString()));
        const QStringView Version = FXml.attributes().value(QStringLiteral("version"));
        if (!Version.isEmpty() && Version != u"1.1" && Version != u"1.0")
            Fail(fmt::format("GPX version '{}' is not read (1.1 and 1.0 are)", Version.toString().toStdString()));
        while (FXml.readNextStartElement()) {
            if (FXml.name() == u"wpt")
                FOut.Waypoints.push_back(Point());
            else if (FXml.name() == u"rte")
                Path(u"rtept", GpxRouteClass);
            else if (FXml.name() == u"trk")
                Path(u"trkseg", GpxTrackClass);
            else
                FXml.skipCurrentElement();
        }
        // What follows the root must still be well-formed, and a file cut short is an error.
        while (!FXml.atEnd() && !FXml.hasError()) FXml.readNext();
        if (FXml.hasError()) Fail(FXml.errorString().toStdString());
        return std::move(FOut);
    }

private:
    TPlace Here() const { return {FXml.lineNumber(), FXml.columnNumber()}; }
    [[noreturn]] void Fail(const std::string& What) const { Fail(What, Here()); }
    [[noreturn]] void Fail(const std::string& What, TPlace At) const
    {
        throw EGeoIOError(fmt::format("{}:{}:{}: {}", FSource, At.Line, At.Column, What));
    }

    /// The text of the current element; a child element inside it is an error.
    std::string Text()
    {
        const QString T = FXml.readElementText();
        if (FXml.hasError()) Fail(FXml.errorString().toStdString());
        return T.trimmed().toStdString();
    }

    double Number(QStringView Value, const char* What, TPlace At) const
    {
        bool Ok = false;
        const double V = Value.toDouble(&Ok);
        if (!Ok) Fail(fmt::format("{} '{}' is not a number", What, Value.toString().toStdString()), At);
        return V;
    }

    /// A wpt, rtept or trkpt, the reader on its start element; leaves it on its end element.
    TGpxWaypoint Point()
    {
        const TPlace At = Here();
        const std::string Element = FXml.name().toString().toStdString();
        const QXmlStreamAttributes A = FXml.attributes();
        for (const char* Needed : {"lat", "lon"})
            if (!A.hasAttribute(QString::fromLatin1(Needed))) Fail(fmt::format("<{}> has no {}", Element, Needed), At);
        TGpxWaypoint W;
        W.Latitude = Number(A.value(QStringLiteral("lat")), "lat", At);
        W.Longitude = Number(A.value(QStringLiteral("lon")), "lon", At);
        try {
            detail::CheckPosition({W.Longitude, W.Latitude}, "<" + Element + ">");
        } catch (const EGeoIOError& E) {
            Fail(E.what(), At);
        }
        while (FXml.readNextStartElement()) {
            const TPlace ChildAt = Here();
            if (FXml.name() == u"ele") {
                W.Elevation = Number(QString::fromStdString(Text()), "ele", ChildAt);
            } else if (FXml.name() == u"time") {
                const std::string T = Text();
                W.Time = Time(T, ChildAt);
            } else if (FXml.name() == u"name") {
                TReadStats Uncounted; // a caption is no database name
                W.Name = detail::ItemName(Text(), Uncounted);
            } else {
                FXml.skipCurrentElement();
            }
        }
        return W;
    }

    TDateTime Time(const std::string& T, TPlace At) const
    {
        const QDateTime D = QDateTime::fromString(QString::fromStdString(T), Qt::ISODateWithMs);
        if (!D.isValid()) Fail(fmt::format("time '{}' is not an ISO 8601 date and time", T), At);
        const QDateTime Epoch(QDate(1899, 12, 30), QTime(0, 0), QTimeZone::utc());
        return static_cast<double>(Epoch.msecsTo(D)) / 86400000.0;
    }

    /// A route (its points are rtept) or a track (its segments are trkseg, their points trkpt):
    /// one item per route or segment.
    void Path(QStringView PartName, uint8_t Class)
    {
        const bool Route = PartName == u"rtept";
        std::vector<TPath> Parts;
        TPath RoutePoints;
        std::string Name;
        while (FXml.readNextStartElement()) {
            if (FXml.name() == u"name") {
                Name = Text();
            } else if (FXml.name() == PartName && Route) {
                const TGpxWaypoint P = Point();
                RoutePoints.push_back({P.Longitude, P.Latitude});
            } else if (FXml.name() == PartName) {
                TPath Segment;
                while (FXml.readNextStartElement()) {
                    if (FXml.name() != u"trkpt") {
                        FXml.skipCurrentElement();
                        continue;
                    }
                    const TGpxWaypoint P = Point();
                    Segment.push_back({P.Longitude, P.Latitude});
                }
                Parts.push_back(std::move(Segment));
            } else {
                FXml.skipCurrentElement();
            }
        }
        if (Route) Parts.push_back(std::move(RoutePoints));
        TGeoItem Proto;
        Proto.Name = detail::ItemName(Name, FStats);
        Proto.Kind = FKind;
        Proto.Class = Class;
        const std::size_t First = FOut.Items.size();
        for (TPath& P : Parts) detail::EmitPath(std::move(P), false, false, Proto, FOut.Items, FStats);
        for (std::size_t i = First; i < FOut.Items.size(); ++i) FOut.Items[i].NewFeature = i == First;
    }

    QXmlStreamReader FXml;
    const std::string& FSource;
    TReadStats& FStats;
    TgdbItem FKind;
    TGpxData FOut;
};

} // namespace

bool IsGpxFileName(const std::string& FileName) { return detail::LowerExtension(FileName) == ".gpx"; }

TGpxData ReadGpxText(const std::string& Text, const std::string& Source, const TReadOptions& Options, TReadStats& Stats)
{
    return TGpxReader(Text, Source, Options, Stats).Read();
}

TGpxData ReadGpxFile(const std::string& FileName, const TReadOptions& Options, TReadStats& Stats)
{
    return ReadGpxText(detail::ReadWholeFile(FileName), FileName, Options, Stats);
}

TLandMark WaypointLandMark(const TGpxWaypoint& Waypoint, const TLandMark& Template)
{
    TLandMark L = Template;
    L.Latitude = Waypoint.Latitude;
    L.Longitude = Waypoint.Longitude;
    L.Altitude = Waypoint.Elevation;
    L.Time = Waypoint.Time;
    L.Caption.Text = Waypoint.Name;
    return L;
}

} // namespace tyx::geoio
