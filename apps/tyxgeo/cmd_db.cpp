// The db subcommands of tyxgeo: create and inspect a geographic database, add towns, polygons and
// BLOBs, query a box, and tidy the files. Every command but create needs an existing database.
#include "cli_common.h"
#include "cli_progress.h"

#include "geodb/Tyx_GeoDB.h"
#include "geoio.h"
#include "geoio_gpx.h"
#include "host/tyx_datetime.h"
#include "support/Tyx_filesys.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tyx::cli {

namespace {

/// Adds of fewer points finish before a progress bar could tell anything.
constexpr std::size_t BulkPoints = 1000;

struct TDbOptions {
    std::string Base;
    std::string Kind;
    std::string Name;
    std::vector<std::string> Points;
    bool Closed = false;
    bool Stdin = false;
    int Class = 0;
    int Tag = 0;
    int State = 0;
    double Altitude = 0;
    std::string Date;
    std::string File;
    std::string Box;
    std::string Out;
    std::string Description;
    int Revision = 0;
    std::string Entry;
    std::vector<std::string> BoxArgs;
    std::vector<std::string> Files;
    std::string ClassBy = "class";
    std::string Object;
    long long MaxPoints = 0;
};

// A float in the fewest digits that read back to it.
std::string Num(float v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

void PrintWarnings(const std::vector<std::string>& Notes)
{
    for (const std::string& note : Notes) std::cerr << "tyxgeo: warning: " << note << '\n';
}

/// At the end of a command: what its changes made but could not finish (index files that a full
/// disk refused), then the database is closed.
struct TCloseDb {
    void operator()(TGeoDB* Db) const
    {
        PrintWarnings(Db->Warnings());
        delete Db;
    }
};
using TDbPtr = std::unique_ptr<TGeoDB, TCloseDb>;

/// Opens the database; only `create` may make a new one.
TDbPtr OpenDb(const std::string& Base, bool MayCreate)
{
    if (!MayCreate && !DatabaseExists(Base)) throw DataError(fmt::format("no database at '{}'", Base));
    TDbPtr db(new TGeoDB());
    db->SetName("tyxgeo");
    db->SetGDBName(Base);
    PrintWarnings(db->OpenReport());
    return db;
}

float ParseCoordinate(const std::string& Text, const char* What, double Limit)
{
    const double v = ParseDouble(Text, What);
    if (!std::isfinite(v) || std::fabs(v) > Limit)
        throw DataError(fmt::format("{} is out of range: '{}'", What, Text));
    return static_cast<float>(v);
}

TSCoords ParsePoint(const std::string& Text)
{
    const auto comma = Text.find(',');
    if (comma == std::string::npos) throw DataError(fmt::format("a point is written LAT,LONG: '{}'", Text));
    return TSCoords{ParseCoordinate(Text.substr(0, comma), "latitude", 90),
                    ParseCoordinate(Text.substr(comma + 1), "longitude", 180)};
}

/// Count comma-separated fields, or DataError "<Form>: '<text>'".
std::vector<std::string> SplitList(const std::string& Text, std::size_t Count, const char* Form)
{
    std::vector<std::string> f;
    std::string cur;
    for (char c : Text + ",") {
        if (c == ',') {
            f.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (f.size() != Count) throw DataError(fmt::format("{}: '{}'", Form, Text));
    return f;
}

TgdbItem ParseKind(const std::string& Text)
{
    static const char* const kinds[] = {"border", "town", "city", "lake", "river", "road", "route"};
    static const TgdbItem items[] = {gitBorder, gitTown, gitCity, gitLake, gitRiver, gitRoad, gitRoute};
    for (std::size_t i = 0; i < std::size(kinds); ++i)
        if (Text == kinds[i]) return items[i];
    throw UsageError(fmt::format("unknown kind '{}'; use border, town, city, lake, river, road or route", Text));
}

TDateTime ParseDate(const std::string& Text)
{
    if (Text.empty()) return Now();
    int y, mo, d, h, mi, s;
    char tail;
    TDateTime v = 0;
    if (std::sscanf(Text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6 ||
        !TryEncodeDateTime(y, mo, d, h, mi, s, 0, v))
        throw DataError(fmt::format("a date is written YYYY-MM-DDTHH:MM:SS: '{}'", Text));
    return v;
}

int ParseEntry(const TGeoDB& Db, const std::string& Text)
{
    const int e = ParseInt(Text, "entry");
    if (e < 1 || e > Db.NumEntries())
        throw DataError(fmt::format("no entry {}; the database holds {}", e, Db.NumEntries()));
    return e;
}

uint8_t ParseClass(int Class)
{
    if (Class < 0 || Class > 255) throw DataError(fmt::format("a class is 0 to 255: {}", Class));
    return static_cast<uint8_t>(Class);
}

void PrintItem(const TGeoDB& Db, int Entry)
{
    const TgdbData d = Db.GetSumdata(Entry);
    const int count = IsPolygonKind(d.ItemKind) ? d.NumPoints
                      : d.ItemKind == gitBLOB   ? d.Size
                      : d.ItemKind == gitTown   ? 1
                                                : 0;
    const std::string kind = ItemKindName(d.ItemKind);
    std::cout << Entry << '\t' << d.ItemId << '\t' << kind << '\t' << Escaped(d.Name.Str()) << '\t' << int{d.ClassFlag} << '\t'
              << Num(d.LatLow) << '\t' << Num(d.LatHigh) << '\t' << Num(d.LongLow) << '\t' << Num(d.LongHigh) << '\t'
              << count << '\n';
}

CLI::App* Sub(CLI::App* Db, const char* Name, const char* Help, TDbOptions& O)
{
    CLI::App* s = Db->add_subcommand(Name, Help);
    s->add_option("BASE", O.Base, "Database path (any extension is dropped)")->required();
    return s;
}

} // namespace

void AddDbCommands(CLI::App& App)
{
    auto o = std::make_shared<TDbOptions>();
    TDbOptions& O = *o;
    CLI::App* db = App.add_subcommand("db", "Geographic databases: items, polygons, BLOBs and box queries");
    db->require_subcommand(1);

    Sub(db, "create", "Create (or open) a database and print its entry count", O)->callback([o] {
        std::cout << "entries " << OpenDb(o->Base, true)->NumEntries() << '\n';
    });

    Sub(db, "info", "Print the entry count and the header", O)->callback([o] {
        const auto d = OpenDb(o->Base, false);
        const TgdbSystemData h = ReadSystemInformation(o->Base);
        std::cout << "entries " << d->NumEntries() << '\n'
                  << "highest-id " << h.HighestID << '\n'
                  << "version " << d->DBVersion() << '\n'
                  << "revision " << d->Revision() << '\n'
                  << "description " << d->Description() << '\n';
    });

    CLI::App* add = Sub(db, "add", "Add a town or a polygon item; prints its entry number", O);
    add->add_option("KIND", O.Kind, "border, town, city, lake, river, road or route");
    add->add_option("NAME", O.Name, "Item name (at most 59 characters are kept)");
    add->add_option("POINT", O.Points, "LAT,LONG in degrees; a town takes exactly one");
    add->add_flag("--stdin", O.Stdin, "Add the items of standard input instead, one per line: KIND, NAME and the "
                                      "points separated by tabs (NAME escaped as db list writes it); all or none");
    add->add_flag("--closed", O.Closed, "The points outline an area");
    add->add_option("--class", O.Class, "Class number 0 to 255");
    add->add_option("--tag", O.Tag, "User tag");
    add->add_option("--state", O.State, "State flag");
    add->add_option("--altitude", O.Altitude, "Altitude");
    add->add_option("--date", O.Date, "YYYY-MM-DDTHH:MM:SS (default: now)");
    add->callback([o] {
        struct TItem {
            TgdbItem Kind;
            std::string Name;
            TgdbPolygon Points;
        };
        const auto parse = [](const std::string& Kind, const std::string& Name, const std::vector<std::string>& Points) {
            TItem it{ParseKind(Kind), Name, {}};
            if (it.Kind == gitTown && Points.size() != 1) throw UsageError("a town takes exactly one point");
            if (Points.empty()) throw UsageError("an item takes at least one point");
            for (const auto& p : Points) it.Points.push_back(ParsePoint(p));
            return it;
        };
        std::vector<TItem> items;
        if (o->Stdin) {
            if (!o->Kind.empty()) throw UsageError("--stdin takes no KIND, NAME or POINT");
            // Every line is read and checked before anything is stored.
            std::string line;
            for (int n = 1; std::getline(std::cin, line); ++n) {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                if (line.empty()) continue;
                std::vector<std::string> f;
                for (std::size_t at = 0;;) {
                    const std::size_t tab = line.find('\t', at);
                    f.push_back(line.substr(at, tab - at));
                    if (tab == std::string::npos) break;
                    at = tab + 1;
                }
                try {
                    if (f.size() < 3) throw DataError("expected KIND, NAME and points separated by tabs");
                    items.push_back(parse(f[0], Unescaped(f[1]), {f.begin() + 2, f.end()}));
                } catch (const std::exception& e) {
                    throw DataError(fmt::format("standard input, line {}: {}", n, e.what()));
                }
            }
        } else {
            if (o->Kind.empty() || o->Name.empty() || o->Points.empty())
                throw UsageError("db add takes KIND NAME POINT..., or --stdin");
            items.push_back(parse(o->Kind, o->Name, o->Points));
        }
        const TDateTime date = ParseDate(o->Date);
        const uint8_t cls = ParseClass(o->Class);
        const auto d = OpenDb(o->Base, false);
        std::size_t points = 0;
        for (const TItem& it : items) points += it.Points.size();
        if (points >= BulkPoints) ShowProgress(*d, "add");
        const float alt = static_cast<float>(o->Altitude);
        std::optional<TGeoDBBatch> batch;
        if (o->Stdin) batch.emplace(*d);
        std::vector<int> entries;
        for (const TItem& it : items)
            entries.push_back(it.Kind == gitTown ? d->AddTown(it.Name, date, o->State, it.Points[0], alt, cls, o->Tag)
                                                 : d->AddData(it.Name, it.Points, o->Closed || it.Kind == gitLake, it.Kind,
                                                              cls, date, o->State, 0, 0, 0, 0, alt, o->Tag, TMetaInfo{},
                                                              nullptr, 0, false));
        if (batch) batch->Commit();
        for (const int e : entries) std::cout << e << '\n';
    });

    CLI::App* addBlob = Sub(db, "add-blob", "Store a file as a BLOB; prints its entry number", O);
    addBlob->add_option("FILE", O.File, "The file to store")->required();
    addBlob->add_option("--name", O.Name, "Name in the database (default: the file's name)");
    addBlob->add_option("--box", O.Box, "LATLOW,LATHIGH,LONGLOW,LONGHIGH");
    addBlob->callback([o] {
        if (!std::filesystem::is_regular_file(o->File)) throw DataError(fmt::format("cannot read '{}'", o->File));
        float box[4] = {0, 0, 0, 0};
        if (!o->Box.empty()) {
            const auto f = SplitList(o->Box, 4, "a box is written LATLOW,LATHIGH,LONGLOW,LONGHIGH");
            for (int i = 0; i < 4; ++i)
                box[i] = ParseCoordinate(f[static_cast<std::size_t>(i)], i < 2 ? "latitude" : "longitude", i < 2 ? 90 : 180);
        }
        const auto d = OpenDb(o->Base, false);
        const std::string nameInDb = o->Name.empty() ? o->File : o->Name;
        std::cout << d->AddBLOB(o->File, nameInDb, Now(), 0, box[0], box[1], box[2], box[3], 0, 0, 0, TMetaInfo{})
                  << '\n';
    });

    CLI::App* getBlob = Sub(db, "get-blob", "Write the bytes of a BLOB entry to a file", O);
    getBlob->add_option("ENTRY", O.Entry, "Entry number")->required();
    getBlob->add_option("OUTFILE", O.Out, "Target file")->required();
    getBlob->callback([o] {
        const auto d = OpenDb(o->Base, false);
        const int e = ParseEntry(*d, o->Entry);
        TMetaInfo m;
        if (!d->RetrieveBLOB(e, o->Out, m)) throw DataError(fmt::format("entry {} is not a BLOB", e));
    });

    CLI::App* points = Sub(db, "points", "Print the points of an entry, one LAT LONG line each", O);
    points->add_option("ENTRY", O.Entry, "Entry number")->required();
    points->callback([o] {
        const auto d = OpenDb(o->Base, false);
        const int e = ParseEntry(*d, o->Entry);
        const TgdbData rec = d->GetSumdata(e);
        TgdbPolygon pts;
        if (rec.ItemKind == gitTown)
            pts.push_back(ExtractLocation(rec));
        else if (!d->RetrievePolygon(e, pts))
            throw DataError(fmt::format("entry {} has no points", e));
        for (const TSCoords& p : pts) std::cout << Num(p.Latit) << ' ' << Num(p.Longit) << '\n';
    });

    Sub(db, "list", "Print every item: ENTRY ID KIND NAME CLASS LATLOW LATHIGH LONGLOW LONGHIGH COUNT", O)
        ->callback([o] {
            const auto d = OpenDb(o->Base, false);
            for (int e = 1; e <= d->NumEntries(); ++e) PrintItem(*d, e);
        });

    CLI::App* box = Sub(db, "box", "Print the items whose bounding box meets a box, as list does", O);
    box->add_option("EDGES", O.BoxArgs, "LATLOW LATHIGH LONGLOW LONGHIGH")->expected(4)->required();
    box->callback([o] {
        double q[4];
        for (int i = 0; i < 4; ++i) {
            q[i] = ParseDouble(o->BoxArgs[static_cast<std::size_t>(i)], i < 2 ? "latitude" : "longitude");
            if (std::isnan(q[i])) throw DataError("a box edge is not a number");
        }
        const auto d = OpenDb(o->Base, false);
        for (int e : d->FindItemsInBox(q[0], q[1], q[2], q[3])) PrintItem(*d, e);
    });

    CLI::App* del = Sub(db, "delete", "Delete an entry (the last entry takes its number)", O);
    del->add_option("ENTRY", O.Entry, "Entry number")->required();
    del->callback([o] {
        const auto d = OpenDb(o->Base, false);
        d->DeleteData(ParseEntry(*d, o->Entry));
    });

    CLI::App* set = Sub(db, "set", "Set the description and/or the revision", O);
    set->add_option("--description", O.Description, "Free text (60 characters are kept)");
    set->add_option("--revision", O.Revision, "Revision number");
    set->callback([o, set] {
        const auto d = OpenDb(o->Base, false);
        if (set->count("--description")) d->SetDescription(o->Description);
        if (set->count("--revision")) d->SetRevision(o->Revision);
    });

    CLI::App* imp = Sub(db, "import", "Import GeoJSON, TopoJSON, GPX or CSV files (name,lat,long[,class]); "
                                      "areas and lines become polygon items, one per ring, points become towns, "
                                      "GPX tracks and routes become route items (class 0 and 1), one per track "
                                      "segment or route; the database is created when it does not exist", O);
    imp->add_option("FILE", O.Files, "Files; CSV by the extension .csv, GPX by .gpx, else GeoJSON or TopoJSON")
        ->required();
    imp->add_option("--kind", O.Kind, "border, town, city, lake, river, road or route (default: the feature's "
                                      "\"kind\", else border for areas and lines, town for points; route for GPX)");
    CLI::Option* ClassBy =
        imp->add_option("--class-by", O.ClassBy, "The property or CSV column holding the class 0..255 (default: class)");
    imp->add_option("--class", O.Class, "The class 0..255 of every item imported, instead of --class-by")
        ->excludes(ClassBy);
    imp->add_option("--object", O.Object, "TopoJSON: import only this object of the topology");
    imp->add_option("--max-points", O.MaxPoints, "The most points one file may decode to (default: 100 per byte "
                                                 "of the file)")
        ->check(CLI::PositiveNumber);
    imp->footer("Names are stored in at most 59 characters of Windows-1252: longer ones are cut, words with other "
                "characters are spelt in Latin letters (\"\u0141\u00F3d\u017A\" as \"Lodz\"), what has no such "
                "spelling becomes '?' and control characters blanks; a warning tells how many names were cut or lost "
                "characters.");
    imp->callback([o, imp] {
        geoio::TReadOptions opt;
        if (!o->Kind.empty()) opt.Kind = ParseKind(o->Kind);
        opt.ClassBy = o->ClassBy;
        opt.Object = o->Object;
        if (o->MaxPoints > 0) opt.MaxPoints = static_cast<std::size_t>(o->MaxPoints);
        // Every file is read and checked before anything is stored, so a bad one changes nothing.
        std::vector<geoio::TGeoItem> items;
        std::vector<std::size_t> counts;
        for (const std::string& f : o->Files) {
            geoio::TReadStats stats;
            try {
                std::vector<geoio::TGeoItem> read;
                if (geoio::IsGpxFileName(f)) {
                    geoio::TGpxData gpx = geoio::ReadGpxFile(f, opt, stats);
                    read = std::move(gpx.Items);
                    if (!gpx.Waypoints.empty())
                        std::cerr << "tyxgeo: " << f << ": " << gpx.Waypoints.size()
                                  << " waypoints left out (tyxgeo landmarks lists them as landmarks)\n";
                } else {
                    read = geoio::ReadGeoFile(f, opt, stats);
                }
                counts.push_back(read.size());
                items.insert(items.end(), std::make_move_iterator(read.begin()), std::make_move_iterator(read.end()));
            } catch (const geoio::EGeoIOPointLimit& e) {
                throw DataError(fmt::format("{}; --max-points allows more", e.what()));
            } catch (const geoio::EGeoIOError& e) {
                throw DataError(e.what());
            }
            if (stats.NamesChanged)
                std::cerr << "tyxgeo: warning: " << f << ": " << stats.NamesChanged
                          << " names changed to fit the database: cut to 59 characters, characters without a "
                             "Latin spelling in Windows-1252 stored as '?', control characters as blanks\n";
            if (stats.DegenerateRings)
                std::cerr << "tyxgeo: warning: " << f << ": " << stats.DegenerateRings
                          << " rings or lines with too few points left out\n";
            if (stats.NullGeometries)
                std::cerr << "tyxgeo: warning: " << f << ": " << stats.NullGeometries
                          << " features without a geometry left out\n";
            if (!stats.ForeignCrs.empty())
                std::cerr << "tyxgeo: warning: " << f << ": crs '" << stats.ForeignCrs
                          << "' is not WGS 84; its coordinates are read as WGS 84 longitude and latitude\n";
            if (stats.SplitAtAntimeridian)
                std::cerr << "tyxgeo: " << f << ": " << stats.SplitAtAntimeridian << " rings or lines cut at the antimeridian\n";
        }
        if (imp->count("--class")) {
            const uint8_t Cls = ParseClass(o->Class);
            for (geoio::TGeoItem& It : items) It.Class = Cls;
        }
        // The database is made when it does not exist yet, once every file has been read.
        const auto d = OpenDb(o->Base, true);
        try {
            TProgressBar bar("import"); // ends its line before the summary is printed
            geoio::StoreItems(*d, items, [&bar](int Percent) { bar.Update(Percent); });
        } catch (const geoio::EGeoIOError& e) {
            throw DataError(e.what());
        }
        for (std::size_t i = 0; i < counts.size(); ++i)
            std::cout << "imported " << counts[i] << " items from " << o->Files[i] << '\n';
    });

    CLI::App* exp = Sub(db, "export", "Write the items as GeoJSON (towns as points, each feature's areas as one "
                                      "polygon or multipolygon with their holes, its lines as one line string or "
                                      "multilinestring; outer rings counter-clockwise)", O);
    exp->add_option("OUTFILE", O.Out, "The GeoJSON file to write")->required();
    exp->add_option("--box", O.Box, "S,W,N,E: only items whose box meets this one (degrees)");
    exp->callback([o] {
        std::optional<geoio::TBox> box;
        if (!o->Box.empty()) {
            const auto f = SplitList(o->Box, 4, "a box is written S,W,N,E");
            box = geoio::TBox{ParseCoordinate(f[0], "latitude", 90), ParseCoordinate(f[1], "longitude", 180),
                              ParseCoordinate(f[2], "latitude", 90), ParseCoordinate(f[3], "longitude", 180)};
        }
        const auto d = OpenDb(o->Base, false);
        RefuseToOverwrite({o->Out}, d->FileNames());
        try {
            std::cout << "exported " << geoio::WriteGeoJson(*d, o->Out, box) << " items\n";
        } catch (const geoio::EGeoIOError& e) {
            throw DataError(e.what());
        }
    });

    Sub(db, "gc", "Rewrite the data file with only the blocks still in use", O)->callback([o] {
        const auto d = OpenDb(o->Base, false);
        ShowProgress(*d, "gc");
        d->GarbageCollection();
    });

    Sub(db, "reindex", "Rebuild the five index files from the summary records", O)->callback([o] {
        const auto d = OpenDb(o->Base, false);
        ShowProgress(*d, "reindex");
        d->RecalcIndexes();
    });

    CLI::App* salvage = Sub(db, "salvage", "Copy every sound item of a (damaged) database into a new one, "
                                           "listing what was left out; the database itself is only read", O);
    salvage->add_option("OUT", O.Out, "The new database (none of its files may exist)")->required();
    salvage->callback([o] {
        if (!DatabaseExists(o->Base)) throw DataError(fmt::format("no database at '{}'", o->Base));
        for (const std::string& note : TGeoDB::Salvage(o->Base, o->Out)) std::cerr << "tyxgeo: " << note << '\n';
        std::cout << "salvaged " << OpenDb(o->Out, false)->NumEntries() << " items into " << o->Out << '\n';
    });
}

} // namespace tyx::cli
