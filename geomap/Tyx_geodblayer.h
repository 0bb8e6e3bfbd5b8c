// Tyx_geodblayer: TGeoDBLayer, the items of a TGeoDB drawn live on a TGeoMap as vector data, at the
// view's own resolution: borders, coasts, lakes, rivers, roads and routes stay sharp at every zoom.
// The layer draws between the map image and the overlays (graticule, marks, landmarks), through
// the control's layer hook, so that a host keeps OnBeforeRenderData and OnDataRendered to itself.
// Each paint queries the database for the items whose boxes meet the view, converts each item's
// points once per view (panning reuses them), drops the points that lie within half a pixel of
// the line kept, and at coarse scales starts from a reduced copy of the item built once; areas are
// filled with their holes cut out, and items cut at the antimeridian by the importer draw without
// a seam. Thin solid lines are written straight into the picture's pixels; where areas or other
// lines are drawn too, a 15-bit picture gets the layer drawn into a 32-bit image and composed.
// Off by default: a map with a layer that is not enabled looks exactly as without one.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include <QPointer>

#include "geodb/Tyx_GeoDB.h"
#include "geomap/Tyx_geomap.h"
#include "geomap/core/Tyx_dbshapes.h"

class QPainter;

namespace tyx {

class TThinLines;

/// How the items of one kind and class are drawn.
struct TGeoDBStyle {
    TColor PenColor = clGray;       ///< outline or line colour
    int PenWidth = 1;               ///< control pixels, 1 to 20; 0 draws no line
    TPenStyle PenStyle = psSolid;   ///< psSolid, psDash or psDot (psClear: no line)
    bool Filled = false;            ///< areas (closed items) are filled
    TColor FillColor = clWhite;     ///< the fill of areas
    friend bool operator==(const TGeoDBStyle&, const TGeoDBStyle&) = default; ///< member by member
};

/// What the last paint of the layer did, for benchmarks and tests.
struct TGeoDBLayerStats {
    int ItemsDrawn = 0;             ///< items drawn (pieces across +-180 count once each)
    long long PointsConverted = 0;  ///< points converted to pixels in that paint (0 on a pure pan)
    long long PointsDrawn = 0;      ///< points left after thinning, drawn
};

/// The database's items drawn on a map control (see the unit comment).
class TGeoDBLayer : public TGeoMapLayer {
public:
    /// Bound to Map and Database; either may be nullptr and set later. Disabled.
    explicit TGeoDBLayer(TGeoMap* Map = nullptr, TGeoDB* Database = nullptr);
    /// Leaves the map, which repaints when the layer was enabled.
    ~TGeoDBLayer() override;
    /// Not copyable: a layer is bound to one map.
    TGeoDBLayer(const TGeoDBLayer&) = delete;
    /// Not copyable.
    TGeoDBLayer& operator=(const TGeoDBLayer&) = delete;

    // ---- Binding ----
    /// The map drawn on; nullptr when none (or when it was destroyed).
    TGeoMap* Map() const { return FMap.data(); }
    /// Leaves the old map and joins the new one; both repaint when the layer is enabled.
    void SetMap(TGeoMap* Value);
    /// The database drawn; nullptr when none.
    TGeoDB* Database() const { return FDatabase; }
    /// Forgets every cached point and repaints. The host sets nullptr before destroying the
    /// database; a database closed or opened on other files is noticed by itself.
    void SetDatabase(TGeoDB* Value);
    /// Forgets every cached point (the host changed items in place) and repaints.
    void Invalidate();

    // ---- Appearance ----
    /// Drawn at all (default false).
    bool Enabled() const { return FEnabled; }
    /// Stores and repaints when it changes.
    void SetEnabled(bool Value);
    /// Whether items of Kind are drawn; by default every kind with points but towns and BLOBs.
    bool KindVisible(TgdbItem Kind) const;
    /// Stores and repaints; kinds beyond gitUndefined are ignored.
    void SetKindVisible(TgdbItem Kind, bool Value);
    /// The style of class ClassFlag of Kind: the class's own when set, else the kind's.
    TGeoDBStyle Style(TgdbItem Kind, uint8_t ClassFlag) const;
    /// The style of every class of Kind without one of its own; repaints.
    void SetKindStyle(TgdbItem Kind, const TGeoDBStyle& Value);
    /// The style of one class of Kind; repaints.
    void SetClassStyle(TgdbItem Kind, uint8_t ClassFlag, const TGeoDBStyle& Value);
    /// Back to the default styles, no class styles but that of land outlines; repaints.
    void ResetStyles();
    /// The default of a kind: borders and cities grey, lakes filled blue, rivers blue, roads red,
    /// routes orange and 2 pixels wide, towns dark grey dots.
    static TGeoDBStyle DefaultStyle(TgdbItem Kind);
    /// The default of borders of class gdbLandOutlineClass: no line, a pale land fill when Filled.
    static TGeoDBStyle LandOutlineStyle();

    // ---- Identification ----
    /// The items of the visible kinds (whose style draws anything) under control pixel P in the map's current view: the
    /// nearest line within Tolerance pixels, then the areas containing P, smallest first. Works
    /// whether or not the layer is enabled; empty without map, database or calibration.
    std::vector<TGeoDBHit> HitTest(const TPoint& P, double Tolerance = 4);
    /// The items of the visible kinds in the map's current view as the layer draws them:
    /// thinned, in control pixels, not cut to the view (what HitTest searches).
    std::vector<TDBShape> ViewItems();

    // ---- Statistics ----
    /// What the last paint did.
    const TGeoDBLayerStats& LastStats() const { return FStats; }

    /// Draws the layer onto the map's W x H view (called by the map control).
    void DrawLayer(TCanvas& C, int W, int H) override;

private:
    struct TItemCache;
    struct TDrawItem;
    /// Repaints the map when the layer is enabled.
    void Changed();
    /// Forgets the cached points when the database, its files or the calibration changed.
    void CheckCaches(double Ratio);
    /// Calls Visit(Entry, Data, Style, Closed, Converted) for each visible item the map's W x H
    /// view queries that its style draws, converted and thinned to half a pixel of a picture of
    /// Ratio pixels per control pixel.
    template <typename F>
    void ForEachViewItem(int W, int H, double Ratio, F&& Visit);
    /// The shapes of the visible items of the map's current view, in control pixels, not cut.
    std::vector<TDBShape> ViewShapes(int W, int H, double Ratio);
    /// Fills and strokes Items of the W x H view on P, the thin solid lines through Thin when
    /// given; Dirty grows by the picture pixels that P painted. Counts what it drew in the stats.
    void DrawItems(QPainter* P, TThinLines* Thin, const std::vector<TDrawItem>& Items, int W, int H,
                   TRect& Dirty);

    QPointer<TGeoMap> FMap;
    TGeoDB* FDatabase = nullptr;
    bool FEnabled = false;
    std::array<bool, gitUndefined + 1> FKindVisible{};
    std::array<TGeoDBStyle, gitUndefined + 1> FKindStyles;
    std::map<std::pair<int, int>, TGeoDBStyle> FClassStyles; ///< by (kind, class)
    std::unique_ptr<TItemCache> FCache;
    TGeoDBLayerStats FStats;
    double FLastRatio = 1; ///< the pixel ratio of the last paint, which the hit test keeps to
};

} // namespace tyx
