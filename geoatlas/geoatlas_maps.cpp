// TGeoAtlas: the list of registered maps, selecting one, and choosing the next map by resolution.
#include "geoatlas/Tyx_geoatlas.h"

#include <QComboBox>
#include <QImageReader>
#include <QString>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "geomap/core/tyx_geomap_xml.h"
#include "support/Tyx_filesys.h"

namespace tyx {

namespace {

/// The resolution a calibration derives for its image (found beside the calibration file, as
/// the atlas loads it); 0 when the image or the fit gives none.
double DerivedResolution(const TCalibData& Data, TCalibModel Model, const std::string& CalibFile,
                         TCaseFold Fold)
{
    const std::string Dir = CalibFile.substr(0, CalibFile.size() - StripPath(CalibFile).size());
    const QSize Size = QImageReader(QString::fromStdString(FindFileIgnoringCase(Dir + StripPath(Data.MapFName), Fold))).size();
    if (Size.width() < 1 || Size.height() < 1) return 0;
    TGeoCalibration Calib;
    Calib.SetCalibData(Data);
    Calib.StoreCalibModel(Model);
    Calib.SetMapImageSize(Size.width(), Size.height());
    try {
        Calib.RecalcCalibration();
    } catch (const ETYXError&) {
        return 0;
    }
    const double Res = Calib.CalibData().Resolution;
    return Res > 0 && std::isfinite(Res) ? Res : 0;
}

} // namespace

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
    // A calibration written without its resolution (an empty map, say) still takes part in
    // switching by resolution.
    if (!(Data.Resolution > 0)) Data.Resolution = DerivedResolution(Data, Model, LoadName, LowerCase);

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
    const int Selected = MapOfItem(FCboxMaps->currentIndex());
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
    FCboxMaps->setCurrentIndex(ItemOfMap(Index));
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

void TGeoAtlas::SetSelectorByScale(bool Value)
{
    if (Value == FSelectorByScale) return;
    const int Shown = MapOfItem(FCboxMaps->currentIndex());
    FSelectorByScale = Value;
    RefillSelector();
    FCboxMaps->setCurrentIndex(ItemOfMap(Shown));
}

int TGeoAtlas::ItemOfMap(int k) const
{
    const auto It = std::find(FSelectorMaps.begin(), FSelectorMaps.end(), k);
    return It == FSelectorMaps.end() ? -1 : static_cast<int>(It - FSelectorMaps.begin());
}

int TGeoAtlas::MapOfItem(int Item) const
{
    return Item >= 0 && Item < static_cast<int>(FSelectorMaps.size()) ? FSelectorMaps[static_cast<std::size_t>(Item)] : 0;
}

void TGeoAtlas::RefillSelector()
{
    FCboxMaps->clear();
    FSelectorMaps.resize(static_cast<std::size_t>(FNumRegMaps));
    std::iota(FSelectorMaps.begin(), FSelectorMaps.end(), 1);
    if (FSelectorByScale)
        std::stable_sort(FSelectorMaps.begin(), FSelectorMaps.end(),
                         [this](int a, int b) { return FRegMaps[a - 1].Resolution > FRegMaps[b - 1].Resolution; });
    for (const int k : FSelectorMaps) {
        const TMapDefinition& M = FRegMaps[k - 1];
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

int TGeoAtlas::FindZoomMap(bool In, double CurrentLat, double CurrentLong, double CurrentResolution) const
{
    // The step in is relative to the current resolution, which must therefore be positive.
    if (In && !(CurrentResolution > 0)) return 0;
    int Best = 0;
    double BestRes = 1e10;
    for (int k = 1; k <= FNumRegMaps; ++k) {
        const TMapDefinition& M = FRegMaps[k - 1];
        if (!PositionInMap(CurrentLat, CurrentLong, M.Corners)) continue;
        if (In) {
            if ((CurrentResolution - M.Resolution) / CurrentResolution <= FMinResDiff / 100) continue;
            if (Best == 0 || M.Resolution > FRegMaps[Best - 1].Resolution) Best = k;
        } else if (M.Resolution > CurrentResolution && M.Resolution < BestRes) {
            Best = k;
            BestRes = M.Resolution;
        }
    }
    return Best;
}

bool TGeoAtlas::ZoomIn(double CurrentLat, double CurrentLong, double CurrentResolution)
{
    const int Best = FindZoomMap(true, CurrentLat, CurrentLong, CurrentResolution);
    return Best != 0 && SelectAndCentre(Best, CurrentLat, CurrentLong);
}

bool TGeoAtlas::ZoomOut(double CurrentLat, double CurrentLong, double CurrentResolution)
{
    const int Best = FindZoomMap(false, CurrentLat, CurrentLong, CurrentResolution);
    return Best != 0 && SelectAndCentre(Best, CurrentLat, CurrentLong);
}

bool TGeoAtlas::SelectMapAt(int Index, int X, int Y)
{
    const TGeoMap& M = *FGeoMap;
    double Lat = 0, Long = 0;
    // Without a position under (X, Y) the new map is shown whole (NaN lies in no map).
    if (M.MapImgWidth() == 0 || !M.LocationAtControl(X, Y, Lat, Long)) Lat = Long = std::nan("");
    const double Ground = std::isnan(Lat) ? 0 : M.GroundResolutionAt(Lat, Long) / M.Magnification();
    return SelectMapShowing(Index, Lat, Long, X, Y, Ground);
}

bool TGeoAtlas::SelectMapShowing(int Index, double Lat, double Long, int X, int Y, double Ground)
{
    if (Index < 1 || Index > FNumRegMaps || !LoadMap(Index)) return false;
    TGeoMap& M = *FGeoMap;
    const bool Suppressed = M.SuppressPaint();
    M.SetSuppressPaint(true);
    bool Placed = false;
    if (PositionInMap(Lat, Long, FRegMaps[Index - 1].Corners)) {
        const double Res = M.GroundResolutionAt(Lat, Long);
        if (Ground > 0 && Res > 0) M.SetMagnification(Res / Ground);
        Placed = M.PlaceLocationAt(Lat, Long, X, Y);
    }
    if (!Placed) M.ZoomFitPage();
    M.SetSuppressPaint(Suppressed);
    return true;
}

bool TGeoAtlas::SelectAndCentre(int Index, double Lat, double Long)
{
    // A map that can no longer be read is not reported as selected.
    if (!SelectMap(Index)) return false;
    if (FKeepView)
        FGeoMap->CenterOnLatLong(Lat, Long);
    else
        FGeoMap->BringLocationToCenter(Lat, Long);
    return true;
}

} // namespace tyx
