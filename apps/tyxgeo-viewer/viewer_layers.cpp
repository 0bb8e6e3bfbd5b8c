// The viewer's vector layers. The drawing, thinning and hit test are the library's TGeoDBLayer; here
// are only the viewer's choices: which layers, their switches, and what a click reports.
#include "viewer_layers.h"

#include "geoio_gpx.h"
#include "geomap/Tyx_geodblayer.h"
#include "geomap/Tyx_geomap.h"
#include "host/gui/tyx_qtcolor.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdlib>

namespace tyx::viewer {

namespace {

/// The kinds the View menu switches, with their menu texts.
const std::pair<TgdbItem, const char*> MenuKinds[] = {{gitBorder, "Borders and coasts"}, {gitLake, "Lakes"},
                                                       {gitRiver, "Rivers"},           {gitRoad, "Roads"},
                                                       {gitRoute, "Routes and tracks"}, {gitCity, "City outlines"}};

/// The colours of the maps `tyxgeo atlas build` draws (red in the low byte), so that the vector
/// base map takes over from them without a change of look.
constexpr TColor SeaColor = 0xF0DCB4, LandColor = 0xC8E6D7, BorderColor = 0x50505A;

/// A press and release further apart than this (control pixels) are a drag, not a click.
constexpr int ClickSlop = 3;

QAction* Checkable(QObject* Parent, const QString& Text, bool On)
{
    auto* A = new QAction(Text, Parent);
    A->setCheckable(true);
    A->setChecked(On);
    return A;
}

} // namespace

/// The sea below the vector base map, over the raster it replaces.
class TBackdrop : public TGeoMapLayer {
public:
    bool On = false;
    void DrawLayer(TCanvas& C, int W, int H) override
    {
        if (On) C.Painter().fillRect(QRect(0, 0, W, H), TColorToQColor(SeaColor));
    }
};

TViewerLayers::TViewerLayers(TGeoMap* Map, QObject* Parent)
    : QObject(Parent), FBackdrop(std::make_unique<TBackdrop>())
{
    // In this order on the map: the backdrop below the database, the tracks on top.
    if (Map) Map->AddLayer(FBackdrop.get());
    FDbLayer = std::make_unique<TGeoDBLayer>(Map);
    FTrackLayer = std::make_unique<TGeoDBLayer>(Map);
    FIdentify = Checkable(this, "&Identify", false);
    FIdentify->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    FIdentify->setToolTip("Identify: a click names the items under the cursor");
    FDbShown = Checkable(this, "&Database over the maps", true);
    connect(FDbShown, &QAction::toggled, this, [this](bool On) { SetDatabaseShown(On); });
    FTracksShown = Checkable(this, "&GPX tracks and routes", true);
    connect(FTracksShown, &QAction::toggled, this, [this](bool On) { SetTracksShown(On); });
    FBaseAllowed = Checkable(this, "Vector map past the raster's &resolution", true);
    connect(FBaseAllowed, &QAction::toggled, this, [this] { FollowView(FFromDatabase); });
    for (const auto& [Kind, Text] : MenuKinds) {
        QAction* A = Checkable(this, Text, FDbLayer->KindVisible(Kind));
        connect(A, &QAction::toggled, this, [this, K = Kind](bool On) { SetKindShown(K, On); });
        FKindActions.emplace_back(Kind, A);
    }
    // The tracks are the user's own: drawn above the database, in a colour the database's routes
    // do not have, recorded tracks solid and planned routes dashed.
    const TGeoDBStyle Track{0xB000B0, 3, psSolid, false, clWhite};
    TGeoDBStyle Route = Track;
    Route.PenStyle = psDash;
    FTrackLayer->SetClassStyle(gitRoute, geoio::GpxTrackClass, Track);
    FTrackLayer->SetClassStyle(gitRoute, geoio::GpxRouteClass, Route);
}

TViewerLayers::~TViewerLayers()
{
    // The layers leave the map before the scratch database goes.
    FTrackLayer.reset();
    FDbLayer.reset();
    if (TGeoMap* M = Map()) M->RemoveLayer(FBackdrop.get());
}

TGeoMap* TViewerLayers::Map() const { return FDbLayer ? FDbLayer->Map() : nullptr; }

void TViewerLayers::SetMap(TGeoMap* Map)
{
    if (Map == this->Map()) return;
    if (TGeoMap* Old = this->Map()) Old->RemoveLayer(FBackdrop.get());
    if (Map) Map->AddLayer(FBackdrop.get());
    FDbLayer->SetMap(Map);
    FTrackLayer->SetMap(Map);
}

void TViewerLayers::SetDatabase(TGeoDB* Db)
{
    FDbLayer->SetDatabase(Db);
    FDbLayer->SetEnabled(Db && FDbShown->isChecked());
    FollowView(FFromDatabase);
}

void TViewerLayers::AddPaths(const std::vector<geoio::TGeoItem>& Items)
{
    if (Items.empty()) return;
    if (!FTracks) {
        auto Dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/tyxgeo-viewer-XXXXXX");
        if (!Dir->isValid()) throw geoio::EGeoIOError("no room for the tracks: " + Dir->errorString().toStdString());
        auto Db = std::make_unique<TGeoDB>();
        Db->SetName("tracks");
        Db->SetGDBName(QDir(Dir->path()).filePath("gpx").toStdString());
        FScratchDir = std::move(Dir);
        FTracks = std::move(Db);
        FTrackLayer->SetDatabase(FTracks.get());
    }
    geoio::StoreItems(*FTracks, Items);
    FTrackLayer->Invalidate();
    FTrackLayer->SetEnabled(FTracksShown->isChecked());
}

void TViewerLayers::FillMenu(QMenu* View)
{
    View->addAction(FIdentify);
    View->addSeparator();
    View->addAction(FDbShown);
    View->addAction(FBaseAllowed);
    View->addAction(FTracksShown);
    View->addSeparator();
    for (const auto& KA : FKindActions) View->addAction(KA.second);
}

void TViewerLayers::SetDatabaseShown(bool Value)
{
    if (FDbShown->isChecked() != Value) FDbShown->setChecked(Value); // comes back here once
    FDbLayer->SetEnabled(Value && FDbLayer->Database());
    FollowView(FFromDatabase);
}

void TViewerLayers::SetTracksShown(bool Value)
{
    if (FTracksShown->isChecked() != Value) FTracksShown->setChecked(Value);
    FTrackLayer->SetEnabled(Value && FTracks);
}

void TViewerLayers::SetKindShown(TgdbItem Kind, bool Value)
{
    FDbLayer->SetKindVisible(Kind, Value);
    FTrackLayer->SetKindVisible(Kind, Value);
    SyncActions();
}

void TViewerLayers::FollowView(bool MapFromDatabase)
{
    FFromDatabase = MapFromDatabase;
    const TGeoMap* M = Map();
    const bool Want = M && MapFromDatabase && FBaseAllowed->isChecked() && FDbLayer->Enabled() &&
                      M->Magnification() > BaseMagnification && LandInView();
    if (Want == FBase) return;
    FBase = Want;
    FBackdrop->On = Want;
    // The land is the database's border areas, filled; outside the base map they are outlines.
    FDbLayer->SetKindStyle(gitBorder, Want ? TGeoDBStyle{BorderColor, 1, psSolid, true, LandColor}
                                           : TGeoDBLayer::DefaultStyle(gitBorder));
    TGeoDBStyle Lake = TGeoDBLayer::DefaultStyle(gitLake);
    if (Want) Lake.FillColor = SeaColor;
    FDbLayer->SetKindStyle(gitLake, Lake);
}

bool TViewerLayers::LandInView() const
{
    const TGeoMap* M = Map();
    TGeoDB* Db = FDbLayer->Database();
    double Step = 0;
    for (const TDBQueryBox& B :
         ViewQueryBoxes(M->Calibration(), TMapView{M->Magnification(), M->TopLeft(), M->width(), M->height()}, Step))
        for (const int Entry : Db->FindItemsInBox(B.LatLow, B.LatHigh, B.LongLow, B.LongHigh))
            if (Db->GetSumdata(Entry).ItemKind == gitBorder) return true;
    return false;
}

void TViewerLayers::SyncActions()
{
    for (const auto& [Kind, A] : FKindActions) {
        const bool On = FDbLayer->KindVisible(Kind);
        if (A->isChecked() != On) A->setChecked(On);
    }
}

QStringList TViewerLayers::Identify(const TPoint& P) const
{
    QStringList Out;
    // The user's tracks first: they lie on top.
    for (TGeoDBLayer* L : {FTrackLayer.get(), FDbLayer.get()}) {
        if (!L->Enabled()) continue;
        for (const TGeoDBHit& H : L->HitTest(P))
            Out << QString("%1, class %2: %3")
                       .arg(QString::fromStdString(geoio::KindName(H.Kind)))
                       .arg(H.ClassFlag)
                       .arg(H.Name.empty() ? QString("(no name)") : QString::fromStdString(H.Name));
    }
    return Out;
}

bool TViewerLayers::Pressed(int X, int Y)
{
    FPressedAt = TPoint{X, Y};
    return FIdentify->isChecked();
}

bool TViewerLayers::Released(int X, int Y, QStringList& Items) const
{
    if (!FIdentify->isChecked() || std::abs(X - FPressedAt.X) > ClickSlop || std::abs(Y - FPressedAt.Y) > ClickSlop)
        return false;
    Items = Identify(TPoint{X, Y});
    return true;
}

} // namespace tyx::viewer
