// TGeoAtlas: the list of registered maps, selecting one, and choosing the next map by resolution.
#include "geoatlas/Tyx_geoatlas.h"

#include <QComboBox>
#include <QString>

#include <algorithm>

#include "geomap/core/tyx_geomap_xml.h"

namespace tyx {

std::string TGeoAtlas::LowerCase(std::string_view Text)
{
    return QString::fromUtf8(Text.data(), static_cast<qsizetype>(Text.size())).toLower().toStdString();
}

bool TGeoAtlas::RegisterMap(const std::string& MapFName)
{
    const std::string Key = LowerCase(MapFName);
    // The list is keyed by the lower-cased name, but the file is read under the name it has on
    // the disk, so that names with capitals work on file systems that tell case apart.
    const std::string LoadName = FindFileIgnoringCase(MapFName, LowerCase);
    TCalibData Data;
    TCalibModel Model = cmUndefined;
    if (!ParseCalibData(LoadName, "", Data, Model)) return false;

    const auto Begin = FRegMaps.begin();
    const auto End = Begin + FNumRegMaps;
    const auto Entry = std::find_if(Begin, End, [&Key](const TMapDefinition& M) { return M.MapFName == Key; });
    if (Entry == End) {
        if (FNumRegMaps == MaxMaps) return false;
        ++FNumRegMaps;
    }
    *Entry = TMapDefinition{Key, Data.Caption, Data.Resolution, Data.Corners, LoadName};
    RefillSelector();
    return true;
}

void TGeoAtlas::UnregisterMap(int index)
{
    if (index < 1 || index > FNumRegMaps) return;
    // The last place keeps a copy of the map that moved down from it.
    std::copy(FRegMaps.begin() + index, FRegMaps.begin() + FNumRegMaps, FRegMaps.begin() + index - 1);
    --FNumRegMaps;
    // The map shown keeps its number when a map before it goes.
    if (index < FCurrentMapIdx) --FCurrentMapIdx;
    const int Selected = FCboxMaps->currentIndex() + 1;
    RefillSelector();
    if (index == Selected)
        SelectMap(index);
    else
        RefreshMap();
}

bool TGeoAtlas::SelectMap(int Index)
{
    if (Index < 1 || Index > FNumRegMaps) return false;
    return LoadMap(Index);
}

bool TGeoAtlas::LoadMap(int Index)
{
    FCurrentMapIdx = Index;
    // The selector names the new map while it loads, so that the map control's paints during the
    // load already leave out its own outline; a load that fails puts the old selection back.
    const int Before = FCboxMaps->currentIndex();
    FCboxMaps->setCurrentIndex(Index - 1);
    bool Loaded = false;
    try {
        Loaded = FGeoMap->LoadCalDataFromXML(FRegMaps[Index - 1].LoadFName, "");
    } catch (const ETYXMapImageMissing&) {
        // A map whose image has gone is not selected; selections come from the user's clicks,
        // where nothing could catch an exception.
        Loaded = false;
    } catch (...) {
        FCboxMaps->setCurrentIndex(Before);
        throw;
    }
    if (!Loaded) FCboxMaps->setCurrentIndex(Before);
    return Loaded;
}

void TGeoAtlas::RefillSelector()
{
    FCboxMaps->clear();
    for (int k = 0; k < FNumRegMaps; ++k) {
        const TMapDefinition& M = FRegMaps[k];
        FCboxMaps->addItem(QString::fromStdString(M.Caption.empty() ? M.MapFName : M.Caption));
    }
    // Qt selects the first item added to an empty list; the refilled selector shows none.
    FCboxMaps->setCurrentIndex(-1);
}

TMapDefinition TGeoAtlas::GetMapDef(int ix) const
{
    if (ix < 1 || ix > MaxMaps) return {};
    return FRegMaps[ix - 1];
}

bool TGeoAtlas::ZoomIn(double CurrentLat, double CurrentLong, double CurrentResolution)
{
    // The step is relative to the current resolution, which must therefore be positive.
    if (!(CurrentResolution > 0)) return false;
    int Best = 0;
    for (int k = 1; k <= FNumRegMaps; ++k) {
        const TMapDefinition& M = FRegMaps[k - 1];
        if (!PositionInMap(CurrentLat, CurrentLong, M.Corners)) continue;
        if ((CurrentResolution - M.Resolution) / CurrentResolution <= FMinResDiff / 100) continue;
        if (Best == 0 || M.Resolution > FRegMaps[Best - 1].Resolution) Best = k;
    }
    return Best != 0 && SelectAndCentre(Best, CurrentLat, CurrentLong);
}

bool TGeoAtlas::ZoomOut(double CurrentLat, double CurrentLong, double CurrentResolution)
{
    int Best = 0;
    double BestRes = 1e10;
    for (int k = 1; k <= FNumRegMaps; ++k) {
        const TMapDefinition& M = FRegMaps[k - 1];
        if (!PositionInMap(CurrentLat, CurrentLong, M.Corners)) continue;
        if (M.Resolution > CurrentResolution && M.Resolution < BestRes) {
            Best = k;
            BestRes = M.Resolution;
        }
    }
    return Best != 0 && SelectAndCentre(Best, CurrentLat, CurrentLong);
}

bool TGeoAtlas::SelectAndCentre(int Index, double Lat, double Long)
{
    // A map that can no longer be read is not reported as selected.
    if (!SelectMap(Index)) return false;
    FGeoMap->BringLocationToCenter(Lat, Long);
    return true;
}

} // namespace tyx
