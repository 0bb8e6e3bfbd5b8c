// The viewer's vector layers: the database's items (borders, coasts, lakes, rivers, roads, routes)
// drawn live over whichever map the atlas shows, so that a zoom past a raster's resolution stays
// sharp, and the tracks and routes of GPX files, kept in a scratch database of their own and drawn
// the same way. A View menu switches the layers and each kind; the identify tool names the items
// under a click through the layers' hit test.
//
// The atlas's own maps are rasters drawn from the database: enlarged beyond twice their
// resolution they blur, and a sharp line over a blurred one still reads as a smear. There the
// viewer draws the map itself from the database (sea, the land areas filled, lakes, borders and
// coasts one pixel wide) in the atlas build's colours, in place of the raster; a map of the
// user's own is never replaced.
#pragma once
#include "geodb/Tyx_GeoDB.h"
#include "geoio.h"
#include "host/tyx_types.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class QAction;
class QMenu;
class QTemporaryDir;

namespace tyx {
class TGeoDBLayer;
class TGeoMap;
} // namespace tyx

namespace tyx::viewer {

class TBackdrop;

class TViewerLayers : public QObject {
    Q_OBJECT
public:
    /// Both layers on Map, the database layer without a database until SetDatabase.
    explicit TViewerLayers(TGeoMap* Map, QObject* Parent = nullptr);
    ~TViewerLayers() override;

    /// Follows the map control the atlas shows (the layers leave the one before).
    void SetMap(TGeoMap* Map);
    /// Draws the items of Db (nullptr: none); the database stays the caller's and outlives this.
    void SetDatabase(TGeoDB* Db);
    /// Stores tracks and routes in the scratch database, in one batch, and draws them. Throws
    /// geoio::EGeoIOError when they cannot be stored (nothing is then stored).
    void AddPaths(const std::vector<geoio::TGeoItem>& Items);

    /// Adds the entries of the View menu: the database layer, the GPX tracks, each kind.
    void FillMenu(QMenu* View);
    /// The identify tool: checkable; while it is on, a click on the map names what lies under it.
    QAction* IdentifyAction() const { return FIdentify; }

    /// Switches the database layer (on by default once a database is set).
    void SetDatabaseShown(bool Value);
    /// Switches the GPX tracks and routes (on by default).
    void SetTracksShown(bool Value);
    /// Switches one kind in both layers.
    void SetKindShown(TgdbItem Kind, bool Value);
    /// After a zoom, a pan or a change of map: the vector base map replaces the raster when the
    /// map is one drawn from the database (MapFromDatabase), the database is shown and has border
    /// areas in the view (a database of rivers alone would leave the land out), the View menu
    /// allows it and the map image is enlarged more than BaseMagnification times.
    void FollowView(bool MapFromDatabase);
    /// Whether the vector base map is drawn now.
    bool BaseShown() const { return FBase; }
    /// Beyond this magnification a map drawn from the database blurs (the atlas switches to a
    /// finer map at the same factor, so this is reached on the finest map only).
    static constexpr double BaseMagnification = 2.0;

    /// The items of the layers shown under control pixel P, nearest line first, each as
    /// "kind class N: name"; empty when nothing is there.
    QStringList Identify(const TPoint& P) const;
    /// A press and release of the mouse: true (and the items in Items) when the identify tool is
    /// on and the two are close enough to be a click rather than a drag.
    bool Pressed(int X, int Y);
    bool Released(int X, int Y, QStringList& Items) const;

    /// The map control the layers draw on.
    TGeoMap* Map() const;
    TGeoDBLayer& DatabaseLayer() const { return *FDbLayer; }
    TGeoDBLayer& TrackLayer() const { return *FTrackLayer; }

private:
    void SyncActions();
    /// Whether the database has border items whose boxes meet the view.
    bool LandInView() const;

    std::unique_ptr<TBackdrop> FBackdrop; ///< first: drawn below the database
    std::unique_ptr<TGeoDBLayer> FDbLayer, FTrackLayer;
    std::unique_ptr<QTemporaryDir> FScratchDir; ///< made with the first GPX paths
    std::unique_ptr<TGeoDB> FTracks;
    QAction* FIdentify = nullptr;
    QAction* FDbShown = nullptr;
    QAction* FTracksShown = nullptr;
    QAction* FBaseAllowed = nullptr;
    bool FBase = false;
    bool FFromDatabase = false; ///< as FollowView was last told
    std::vector<std::pair<TgdbItem, QAction*>> FKindActions;
    TPoint FPressedAt{-1000000, -1000000};
};

} // namespace tyx::viewer
