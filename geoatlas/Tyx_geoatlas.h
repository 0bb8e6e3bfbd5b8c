// Tyx_geoatlas: TGeoAtlas, a framed panel that holds one map control, a command bar and a list of
// up to 200 registered calibrated maps of one region at different resolutions. It shows one map at
// a time and, in zoom mode, a click switches to the next more (left button) or less (other
// buttons) detailed map that covers the clicked position, centred on it. It draws the outlines of
// the other registered maps on the map shown, and looks for a map's image beside its calibration
// file. Resolutions are metres per map-image pixel: a smaller value is a more detailed map.
#pragma once
#include <QFrame>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "geomap/Tyx_geomap.h"
#include "host/gui/tyx_screen.h"

class QComboBox;
class QToolButton;

namespace tyx {

/// Cursor numbers the atlas registers in the screen's cursor table.
inline constexpr TCursor crGeoZoom = 1000; ///< magnifier, hot spot (6, 6)
inline constexpr TCursor crGeoHand = 1001; ///< open hand, hot spot (0, 0)

/// One registered map.
struct TMapDefinition {
    std::string MapFName;    ///< calibration file name in lower case (the key of the list)
    std::string Caption;     ///< the calibration's caption
    double Resolution = 0;   ///< metres per map-image pixel
    TCornerArray Corners{};  ///< geographic corners, indexed by TCorners
    /// The calibration file name as given to RegisterMap and found on the disk (the case of each
    /// part as the file system spells it): what the file is read from.
    std::string LoadFName;
    /// Member by member.
    friend bool operator==(const TMapDefinition&, const TMapDefinition&) = default;
};

/// The atlas: registered calibrated maps of one region, switched by resolution (see @ref page_geoatlas).
class TGeoAtlas : public QFrame, public TComponent {
    Q_OBJECT
    Q_PROPERTY(bool CmdPanelVisible READ CmdPanelVisible WRITE SetCmdPanelVisible)
    Q_PROPERTY(tyx::TColor MapOutlineColor READ MapOutlineColor WRITE SetMapOutlineColor)
    Q_PROPERTY(QColor QMapOutlineColor READ QMapOutlineColor WRITE SetQMapOutlineColor)
    Q_PROPERTY(bool MapOutlineVisible READ MapOutlineVisible WRITE SetMapOutlineVisible)
    Q_PROPERTY(double MinResDiff READ MinResDiff WRITE SetMinResDiff)
    Q_PROPERTY(bool KeepViewOnSwitch READ KeepViewOnSwitch WRITE SetKeepViewOnSwitch)
    Q_PROPERTY(bool SelectorByScale READ SelectorByScale WRITE SetSelectorByScale)

public:
    /// The list's capacity.
    static constexpr int MaxMaps = 200;

    /// A 480 x 320 panel at (100, 50) with an empty map control, in pointer mode, whose EmptyMsg
    /// is "TGeoAtlas: Empty" (a host may set its own). The Qt parent destroys it. Registers the
    /// cursors crGeoZoom and crGeoHand.
    explicit TGeoAtlas(QWidget* Parent = nullptr);
    ~TGeoAtlas() override;

    /// Also sets objectName.
    void SetName(const std::string& Value) override;

    /// @name Published properties
    //@{
    /// The command bar is shown.
    bool CmdPanelVisible() const;
    /// Shows or hides the command bar and lays the panel out again.
    void SetCmdPanelVisible(bool Value);
    /// Colour of the other maps' outlines (default blue); setting it repaints the map control.
    TColor MapOutlineColor() const { return FMapOLColor; }
    /// Stores and repaints the map control.
    void SetMapOutlineColor(TColor Value);
    /// MapOutlineColor as a QColor, for Designer and forms; writing drops the alpha channel.
    QColor QMapOutlineColor() const { return TColorToQColor(FMapOLColor); }
    /// The same from a QColor.
    void SetQMapOutlineColor(const QColor& Value) { SetMapOutlineColor(QColorToTColor(Value)); }
    /// Outlines are drawn (default true); setting it repaints the map control.
    bool MapOutlineVisible() const { return FMapOLVisible; }
    /// Stores and repaints the map control.
    void SetMapOutlineVisible(bool Value);
    /// Least step for zooming in, percent of the current resolution (default 10).
    double MinResDiff() const { return FMinResDiff; }
    /// Stores the step; takes effect with the next ZoomIn.
    void SetMinResDiff(double Value) { FMinResDiff = Value; }
    /// Off by default; on, a switch keeps the view where it can: a zoom click keeps the clicked
    /// position under the mouse, ZoomIn and ZoomOut centre the position exactly (the view may
    /// reach beyond the image), and a map picked in the selector keeps the view's centre and
    /// its ground scale (see SelectMapAt), or is shown whole when it does not cover the centre.
    bool KeepViewOnSwitch() const { return FKeepView; }
    /// Sets KeepViewOnSwitch.
    void SetKeepViewOnSwitch(bool Value) { FKeepView = Value; }
    /// Off by default (the selector lists the maps in their order); on, from the coarsest
    /// resolution to the finest (equal ones in their order). Refills the selector.
    bool SelectorByScale() const { return FSelectorByScale; }
    /// Sets SelectorByScale.
    void SetSelectorByScale(bool Value);
    //@}

    /// @name The parts of the panel
    //@{
    /// The map control that shows the selected map (owned by the atlas).
    TGeoMap* CurrentMap() const { return FGeoMap; }
    /// The command bar along the top.
    QFrame* CmdPanel() const { return FCPanel; }
    /// The selector listing the registered maps by caption.
    QComboBox* MapSelector() const { return FCboxMaps; }
    /// The button of pointer mode (the map pans).
    QToolButton* PointerButton() const { return FSBPoint; }
    /// The button of zoom mode (a click switches maps).
    QToolButton* ZoomButton() const { return FSBZoom; }
    /// The panel's cursor: crDefault, crHandPoint (pointer mode) or crGeoZoom (zoom mode).
    TCursor Cursor() const { return FCursor; }
    /// Sets the panel's cursor (crDefault: the inherited one).
    void SetCursor(TCursor Value);
    //@}

    /// @name The list of maps
    //@{
    /// Reads the calibration file (its first block) and adds the map at the end, or refreshes the
    /// entry of the same file (names compared in lower case, Unicode rules; the file, and later
    /// its image, found on the disk under the same fold). Does not show it. False, changing
    /// nothing, when the file cannot be read or when the list already holds MaxMaps other maps;
    /// a malformed file raises ETYXGeoMapError.
    bool RegisterMap(const std::string& MapFName);
    /// Removes map index (1 to NumRegMaps; others are ignored). When it was the selected map, the
    /// map that moves into its place is selected; otherwise the map control repaints.
    void UnregisterMap(int index);
    /// Shows map Index (1 to NumRegMaps) in the map control, loading its calibration and image.
    /// False for an index outside the list, a calibration file that can no longer be read or an
    /// image found nowhere.
    bool SelectMap(int Index);
    /// Map ix (1 to MaxMaps, also above NumRegMaps); an empty definition outside 1..MaxMaps.
    TMapDefinition GetMapDef(int ix) const;
    /// The indexed property Maps[ix]: GetMapDef(ix).
    TMapDefinition Maps(int ix) const { return GetMapDef(ix); }
    /// Number of registered maps, 0 to MaxMaps.
    int NumRegMaps() const { return FNumRegMaps; }
    /// Number of the map last selected, 0 before any.
    int CurrentMapIndex() const { return FCurrentMapIdx; }
    //@}

    /// @name Switching maps by resolution
    /// Both choose among the maps whose corners contain (CurrentLat, CurrentLong); ties go to the
    /// lower number. The chosen map is selected and centred on the position (as far as the view
    /// stays inside the image). False when no map qualifies (nothing changes)
    /// or when the chosen map's calibration can no longer be read.
    //@{
    /// The coarsest map that is still more than MinResDiff percent more detailed than
    /// CurrentResolution (metres per pixel). Nothing qualifies when CurrentResolution <= 0.
    bool ZoomIn(double CurrentLat, double CurrentLong, double CurrentResolution);
    /// The most detailed map that is coarser than CurrentResolution.
    bool ZoomOut(double CurrentLat, double CurrentLong, double CurrentResolution);
    /// The map ZoomIn (In) or ZoomOut would choose, 0 for none; selects nothing.
    int FindZoomMap(bool In, double CurrentLat, double CurrentLong, double CurrentResolution) const;
    /// Shows map Index keeping the view: the position under control pixel (X, Y) of the map
    /// control stays there, and the ground scale there (GroundResolutionAt per magnification)
    /// stays as near as the magnification bounds allow. A position the new map does not cover,
    /// or none under (X, Y), shows the new map whole. False as for SelectMap.
    bool SelectMapAt(int Index, int X, int Y);
    /// Shows map Index with the position at control pixel (X, Y) of the map control, at Ground
    /// metres per control pixel as near as the magnification bounds allow (0: the magnification
    /// stays). A position the new map does not cover shows it whole. False as for SelectMap.
    bool SelectMapShowing(int Index, double Lat, double Long, int X, int Y, double Ground);
    //@}

    /// @name Events (Sender is the atlas)
    //@{
    /// Raised for the map control's mouse actions; positions are map control pixels.
    TMouseEvent OnMouseDown;
    /// The mouse moved over the map control.
    TMouseMoveEvent OnMouseMove;
    /// A button released on the map control.
    TMouseEvent OnMouseUp;
    /// Raised for clicks on the map control and for both tool buttons.
    TNotifyEvent OnClick;
    /// A double click on the map control.
    TNotifyEvent OnDblClick;
    /// The zoom button was clicked (after OnClick).
    TNotifyEvent OnZoomButClick;
    /// The pointer button was clicked (after OnClick).
    TNotifyEvent OnPointerButClick;
    /// The user picked a map in the selector.
    TNotifyEvent OnCBoxMapsChange;
    //@}

Q_SIGNALS:
    /// @name Qt signals for forms, raised just after the event of the same meaning
    //@{
    /// With OnClick.
    void clicked();
    /// With OnDblClick.
    void doubleClicked();
    /// With OnZoomButClick.
    void zoomButtonClicked();
    /// With OnPointerButClick.
    void pointerButtonClicked();
    /// With OnCBoxMapsChange: the user picked map Index (1 to NumRegMaps) in the selector.
    void mapSelected(int Index);
    //@}

public:

protected:
    /// Lays the command bar and the map control out again.
    void resizeEvent(QResizeEvent* Event) override;

private:
    /// Unicode lower case: the one fold under which names are compared and files found.
    static std::string LowerCase(std::string_view Text);
    /// The command bar along the top of the client area, the map control in the rest.
    void Arrange();
    void ButtonClick(QToolButton* Sender);
    void SelectorChange(int ItemIndex);
    /// Loads map Index into the map control (Index valid).
    bool LoadMap(int Index);
    /// The selector lists every registered map, nothing selected.
    void RefillSelector();
    /// The selector's item that lists map k (1 to NumRegMaps), -1 for none.
    int ItemOfMap(int k) const;
    /// The map listed by selector item Item, 0 for none.
    int MapOfItem(int Item) const;
    void MapMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    void DrawOutlines(TCanvas& Canvas);
    void ResolveImageName(std::string& FileName) const;
    /// Selects map Index and centres it on the position; the result of the selection.
    bool SelectAndCentre(int Index, double Lat, double Long);
    /// Repaints the map control's picture.
    void RefreshMap();

    TGeoMap* FGeoMap = nullptr;
    QFrame* FCPanel = nullptr;
    QToolButton* FSBZoom = nullptr;
    QToolButton* FSBPoint = nullptr;
    QComboBox* FCboxMaps = nullptr;
    TColor FMapOLColor = clBlue;
    bool FMapOLVisible = true;
    double FMinResDiff = 10.0;
    int FNumRegMaps = 0;
    std::array<TMapDefinition, MaxMaps> FRegMaps{}; ///< map k is element k - 1
    int FCurrentMapIdx = 0;
    TCursor FCursor = crDefault;
    bool FKeepView = false;
    bool FSelectorByScale = false;
    std::vector<int> FSelectorMaps; ///< the map of each selector item
};

} // namespace tyx
