// Reading a file of any of the three formats, and storing items in a database.
#include "geoio_internal.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

namespace tyx::geoio {

namespace detail {

std::string ReadWholeFile(const std::string& FileName)
{
    std::ifstream in(FileName, std::ios::binary);
    if (!in) throw EGeoIOError(fmt::format("{}: cannot be read", FileName));
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) throw EGeoIOError(fmt::format("{}: cannot be read", FileName));
    return text;
}

std::string LowerExtension(const std::string& FileName)
{
    std::string ext = std::filesystem::path(FileName).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

} // namespace detail

std::vector<TGeoItem> ReadGeoFile(const std::string& FileName, const TReadOptions& Options, TReadStats& Stats)
{
    std::string text = detail::ReadWholeFile(FileName);
    // Spreadsheets often start UTF-8 text with a byte order mark; it is no part of the data.
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
    if (detail::LowerExtension(FileName) == ".csv") return ReadCsvText(text, FileName, Options, Stats);
    return ReadJsonText(text, FileName, Options, Stats);
}

int StoreItems(TGeoDB& Db, const std::vector<TGeoItem>& Items, const std::function<void(int)>& Progress)
{
    if (Db.GetGDBName().empty()) throw EGeoIOError("no database is open");
    // Everything that could refuse an item is checked before the first write.
    const std::string base = Db.GetGDBName();
    std::error_code ec;
    const auto dataSize = std::filesystem::file_size(base + ".tyxgdd", ec);
    int64_t bytes = ec ? 0 : static_cast<int64_t>(dataSize);
    for (const TGeoItem& it : Items) {
        if (it.Kind != gitTown && !IsPolygonKind(it.Kind))
            throw EGeoIOError(fmt::format("'{}': {} items are not imported", it.Name, ItemKindName(it.Kind)));
        if (it.Kind == gitTown && it.Points.size() != 1)
            throw EGeoIOError(fmt::format("town '{}' has {} points", it.Name, it.Points.size()));
        if (IsPolygonKind(it.Kind)) bytes += static_cast<int64_t>(it.Points.size()) * int64_t{sizeof(TSCoords)};
        if (!it.Properties.empty()) bytes += static_cast<int64_t>(it.Properties.size()) + 16; // in the properties BLOB
    }
    const bool withProperties = std::any_of(Items.begin(), Items.end(), [](const TGeoItem& It) { return !It.Properties.empty(); });
    if (bytes > std::numeric_limits<int32_t>::max())
        throw EGeoIOError(fmt::format("the points need {} MiB in the data file, more than its limit of 2 GiB; "
                                      "import fewer or smaller files",
                                      bytes >> 20));
    // The number the next item will get, for the tag of a feature's first item.
    int32_t nextId = ReadSystemInformation(base).HighestID + 1;
    const int64_t lastId = int64_t{nextId} - 1 + static_cast<int64_t>(Items.size()) + (withProperties ? 1 : 0);
    if (lastId > std::numeric_limits<int32_t>::max())
        throw EGeoIOError(fmt::format("{} items would run past the highest item number", Items.size()));

    const bool enabled = Db.OnPercDoneEnabled();
    const TOnPercentDoneEvent handler = Db.OnPercentDone;
    const auto restore = [&] {
        Db.OnPercentDone = handler;
        Db.SetOnPercDoneEnabled(enabled);
    };
    const double n = static_cast<double>(std::max<std::size_t>(Items.size(), 1));
    std::size_t done = 0;
    if (Progress) {
        Db.OnPercentDone = [&](TObject*, int Percent) {
            Progress(static_cast<int>((static_cast<double>(done) * 100 + Percent) / n));
        };
        Db.SetOnPercDoneEnabled(true);
    } else {
        Db.SetOnPercDoneEnabled(false);
    }
    const TDateTime date = Now();
    // One batch: the import is stored whole or not at all, so that a failed one can simply be run
    // again.
    try {
        TGeoDBBatch batch(Db);
        std::string props; // "id":{...},... for the properties BLOB
        float box[4] = {90, -90, 180, -180};
        int32_t featureTag = 0;
        TgdbPolygon pts;
        for (; done < Items.size(); ++done) {
            const TGeoItem& it = Items[done];
            const int state = it.Hole ? HoleStateFlag : 0;
            int entry = 0;
            int32_t tag = 0;
            if (it.Kind == gitTown) {
                entry = Db.AddTown(it.Name, date, state, it.Points[0], 0, it.Class, 0);
            } else {
                pts = it.Points;
                if (it.Closed) detail::Orient(pts, it.Hole);
                const bool continues = featureTag != 0 && (it.Hole || !it.NewFeature);
                tag = continues ? featureTag : nextId;
                entry = Db.AddData(it.Name, pts, it.Closed, it.Kind, it.Class, date, state, 0, 0, 0, 0, 0, tag,
                                   TMetaInfo{}, nullptr, 0, false);
            }
            TgdbData d = Db.GetSumdata(entry);
            nextId = d.ItemId + 1;
            if (it.Kind != gitTown && tag != featureTag) {
                // The feature is known by its first item's number.
                if (d.ItemId != tag) {
                    d.Tag = d.ItemId;
                    Db.UpdateBasicData(entry, d);
                }
                featureTag = d.ItemId;
            }
            if (it.Properties.empty() || (!it.NewFeature && it.Kind != gitTown)) continue;
            props += fmt::format("{}\"{}\":{}", props.empty() ? "{" : ",", d.ItemId, it.Properties);
            box[0] = std::min(box[0], d.LatLow);
            box[1] = std::max(box[1], d.LatHigh);
            box[2] = std::min(box[2], d.LongLow);
            box[3] = std::max(box[3], d.LongHigh);
        }
        if (!props.empty()) {
            props += '}';
            Db.SetOnPercDoneEnabled(false);
            TMetaInfo info;
            info.Descriptor = PropertiesDescriptor;
            Db.AddBLOB("feature properties", date, 0, box[0], box[1], box[2], box[3], 0, 0, 0, info, props.data(),
                       static_cast<int>(props.size()));
        }
        batch.Commit();
    } catch (const std::exception& e) {
        restore();
        throw EGeoIOError(fmt::format("{}; none of the {} items was stored", e.what(), Items.size()));
    }
    restore();
    if (Progress) Progress(100);
    return static_cast<int>(Items.size());
}

} // namespace tyx::geoio
