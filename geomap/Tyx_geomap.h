// Tyx_geomap: TGeoMap, the map control. It shows a raster map image at any magnification and
// relates its pixels to latitude and longitude through a calibration. The calibration state, the
// fits and the pixel/position conversions live in TGeoCalibration (Qt-free, Tyx_geocalib.h); the
// control owns one and offers its operations under the same names, so that the widget itself
// holds only what belongs to the view: images, landmarks, appearance, view and mouse state.
// Coordinates: a map-image pixel counts from the image's top-left corner; a control pixel from
// the control's; the view shows map-image pixel TopLeft at control pixel (0, 0), enlarged by
// Magnification. Angles are decimal degrees, north and east positive.
#pragma once
#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "geobasics/Tyx_geobasics.h"
#include "geomap/core/Tyx_geocalib.h"
#include "geomap/core/Tyx_geomaptypes.h"
#include "geomap/core/Tyx_landmarks.h"
#include "geomap/core/Tyx_symbols.h"
#include "geomap/core/tyx_geomap_xml.h"
#include "host/gui/tyx_bitmap.h"
#include "host/gui/tyx_canvas.h"
#include "host/gui/tyx_qtcolor.h"
#include "host/tyx_datetime.h"
#include "host/tyx_object.h"
#include "host/tyx_streams.h"
#include "host/tyx_text.h"
#include "host/tyx_types.h"
#include "support/Tyx_tyxbase.h"

class QPrinter;

namespace tyx {

// The enumerations of the published properties are known to Qt's meta-object system, so that
// Designer offers their values by name and QVariant converts them to and from their names. Those
// declared in Qt-free headers are repeated here for moc alone: moc takes the names from these
// copies and the values from the real declarations, so a name the C++ enumeration lacks fails
// the build. Keep the copies in step with the originals.
Q_NAMESPACE
#ifdef Q_MOC_RUN
enum TCalibModel : uint8_t { cmParabolicIp, cmBiquadraticPn, cmConicConformal, cmMillerCylindrical, cmEquiRect,
                             cmUTM, cmUndefined };
enum TFrameStyle : uint8_t { frsNone, frsSingle, frsRaised, frsSunken, frsEmbossed, frsDouble };
enum THemisphere : uint8_t { hemiNorth, hemiSouth };
enum TMouseActMode : uint8_t { maNone, maPan, maPanHoriz, maPanVert, maRubberBand, maZoomWindow, maDragZoom,
                               maSelectRect };
enum TLandMarkAction : uint8_t { lmaAdd, lmaRemove };
#endif
Q_ENUM_NS(TCalibModel)
Q_ENUM_NS(TFrameStyle)
Q_ENUM_NS(THemisphere)
Q_ENUM_NS(TMouseActMode)
Q_ENUM_NS(TLandMarkAction)

class TGeoMapMouse;
class TImagePyramid;
struct TKeptView;
class TGratLabels;
struct TCaptionExtents;

// ---- Overlay mode ----

/// What the overlay draws: graticule lines, UTM grid and/or calibration marks.
enum TShowGrat : uint8_t { sgNone, sgPoints, sgLines, sgPointsAndLines, sgUTMGrid, sgPointsAndUTMGrid };

/// Where landmark captions go: as each record says, or moved and left out so that none collide.
enum TCaptionPlacement : uint8_t { cpAsSpecified, cpDeclutter };
Q_ENUM_NS(TShowGrat)
Q_ENUM_NS(TCaptionPlacement)

// ---- Landmark symbols (geomap_symbols.cpp; names, default and repository in Tyx_symbols.h) ----

/// Draws one symbol with its centre (arrows: the start of the shaft for lmArrowFrom, the tip for
/// lmArrowTo) at canvas pixel (X, Y). Size, Length in pixels; Direction in degrees clockwise
/// from straight up (triangles and arrows only); any int is safe. Uses the canvas's pen width and
/// style; sets the pen colour and, but for the plus, the cross and the open square and cross box,
/// the brush colour (a clear brush for a transparent circle). lmUserDef draws nothing; an unknown
/// Element a plus of 9 pixels in ColorFG.
void DrawLandMarkSymbolOnCanvas(TCanvas& Canvas, int X, int Y, TLandMarkElement Element, TColor ColorFG,
                                TColor ColorBG, int Size, int Direction, int Length, bool Transparent);

// ---- Zoom history ----

/// A saved view; all zero means an empty entry.
struct TgmZoomStackEntry {
    int Left = 0; ///< map-image column shown at the control's left edge
    int Top = 0; ///< map-image row shown at the control's top edge
    double MagF = 0; ///< magnification, control pixels per map-image pixel
    friend bool operator==(const TgmZoomStackEntry&, const TgmZoomStackEntry&) = default; ///< member by member
};

// ---- Events ----

using TNotifyEvent = std::function<void(TObject* Sender)>;
/// Button press or release at control pixel (X, Y).
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
/// WheelDelta in eighths of a degree (120 per notch, positive away from the user).
using TMouseWheelEvent =
    std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent = std::function<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;

/// Canvas is the composition bitmap's: what a handler draws becomes part of the picture.
using TRenderEvent = std::function<void(TObject* Sender, TCanvas& Canvas)>;
/// Set Handled to draw the landmark yourself at APoint (control pixels).
using TDrawLandMarkEvent =
    std::function<void(TObject* Sender, bool& Handled, TCanvas& Canvas, TPoint APoint, const TLandMark& LandMarkData)>;
/// The handler may redirect the image file name (for instance to a full path).
using TMapImgRequestEvent = std::function<void(TObject* Sender, std::string& FileName)>;
/// Raised before a landmark is added or removed; Allowed := false vetoes it.
using TLandMarkActionEvent =
    std::function<void(TObject* Sender, bool& Allowed, TLandMarkAction Action, const TLandMark& LandMarkData)>;
/// Lets the host draw its own data onto a generated empty map.
using TOnDrawMapDataEvent = std::function<void(TObject* Sender, TCanvas& MapCanvas, double LatLow, double LongLow,
                                               double LatHigh, double LongHigh, int Wid, int Hgt)>;

// The calibration files' free functions (WriteRawCalDataToOpenXMLFile, ParseCalibData) come
// with geomap/tyx_geomap_xml.h.

// ---- Layers ----

/// Something a map control draws with every view, between the map image and the overlays
/// (graticule, marks, landmarks), in the order the layers were added. The control does not own
/// its layers; a layer leaves the control (RemoveLayer) before it is destroyed.
class TGeoMapLayer {
public:
    /// Layers are destroyed through this interface.
    virtual ~TGeoMapLayer() = default;
    /// Draws onto the W x H view (control pixels; the canvas carries any HighDpi scale). The
    /// control's view (TopLeft, Magnification) is the one being composed, also for exports.
    virtual void DrawLayer(TCanvas& C, int W, int H) = 0;
};

// ---- The control ----

/// The map control: a calibrated raster map with landmarks, overlays, zoom and pan (see @ref page_geomap).
class TGeoMap : public QWidget, public TComponent {
    Q_OBJECT
    Q_PROPERTY(bool AllowPan READ GetAllowPan WRITE SetAllowPan)
    Q_PROPERTY(bool AntiAlias READ AntiAlias WRITE SetAntiAlias)
    Q_PROPERTY(tyx::TCalibModel CalibModel READ CalibModel WRITE SetCalibModel)
    Q_PROPERTY(double CacheMagLimit READ CacheMagLimit WRITE SetCacheMagLimit)
    Q_PROPERTY(tyx::TColor ColorBackGnd READ ColorBackGnd WRITE SetColorBakGnd)
    Q_PROPERTY(QColor QColorBackGnd READ QColorBackGnd WRITE SetQColorBackGnd)
    Q_PROPERTY(tyx::TColor ColorGraticule READ ColorGraticule WRITE SetColorGratLine)
    Q_PROPERTY(QColor QColorGraticule READ QColorGraticule WRITE SetQColorGraticule)
    Q_PROPERTY(tyx::TColor ColorCalibPoints READ ColorCalibPoints WRITE SetColorGratPoints)
    Q_PROPERTY(QColor QColorCalibPoints READ QColorCalibPoints WRITE SetQColorCalibPoints)
    Q_PROPERTY(tyx::TColor ColorFrame READ ColorFrame WRITE SetColorFrame)
    Q_PROPERTY(QColor QColorFrame READ QColorFrame WRITE SetQColorFrame)
    Q_PROPERTY(bool ConfinePanToMapImage READ ConfinePanToMapImage WRITE SetConfinePan)
    Q_PROPERTY(bool FreeView READ FreeView WRITE SetFreeView)
    Q_PROPERTY(QString EmptyMsg READ EmptyMsgText WRITE SetEmptyMsgText)
    Q_PROPERTY(tyx::TFrameStyle FrameStyle READ FrameStyle WRITE SetFrameStyle)
    Q_PROPERTY(double GratLineDist READ GratLineDist WRITE SetGratLineDist)
    Q_PROPERTY(int UTMGridDist READ UTMGridDist WRITE SetUTMGridDist)
    Q_PROPERTY(int UTMZone READ GetUTMZone WRITE SetUTMZone)
    Q_PROPERTY(tyx::THemisphere UTMHemisphere READ GetUTMHemisphere WRITE SetUTMHemisphere)
    Q_PROPERTY(tyx::TMouseActMode MouseAction READ MouseAction WRITE SetMouseAction)
    Q_PROPERTY(tyx::TShowGrat ShowGraticule READ ShowGraticule WRITE SetShowGrat)
    Q_PROPERTY(double MinMagnification READ MinMagnification WRITE SetMinMagnification)
    Q_PROPERTY(double MaxMagnification READ MaxMagnification WRITE SetMaxMagnification)
    Q_PROPERTY(double WheelZoom READ WheelZoom WRITE SetWheelZoom)
    Q_PROPERTY(bool KeyboardNavigation READ KeyboardNavigation WRITE SetKeyboardNavigation)
    Q_PROPERTY(bool LandMarksOnMapOnly READ LandMarksOnMapOnly WRITE SetLandMarksOnMapOnly)
    Q_PROPERTY(bool ShowScaleBar READ ShowScaleBar WRITE SetShowScaleBar)
    Q_PROPERTY(bool GratLabels READ GratLabels WRITE SetGratLabels)
    Q_PROPERTY(tyx::TCaptionPlacement CaptionPlacement READ CaptionPlacement WRITE SetCaptionPlacement)
    Q_PROPERTY(bool DeclutterSymbols READ DeclutterSymbols WRITE SetDeclutterSymbols)
    Q_PROPERTY(bool HighDpi READ HighDpi WRITE SetHighDpi)
    Q_PROPERTY(double PixelRatio READ PixelRatio WRITE SetPixelRatio)
    Q_PROPERTY(int MaxMapPixels READ MaxMapPixels WRITE SetMaxMapPixels)

public:
    /// A 500 x 400 control with no image and no calibration. The Qt parent and the owner may be
    /// the same object or two: whichever is destroyed first destroys the control, which then
    /// leaves the other.
    explicit TGeoMap(QWidget* Parent = nullptr, TComponent* AOwner = nullptr);
    ~TGeoMap() override;

    /// Takes the whole state of another map control except its events and identity (name,
    /// owner, parent, geometry); recomputes and repaints nothing.
    void Assign(const TGeoMap& Source);
    /// Dest.Assign(*this).
    void AssignTo(TGeoMap& Dest) const;

    /// Also sets objectName.
    void SetName(const std::string& Value) override;

    // ---- Published properties ----
    /// True exactly when MouseAction is maPan; writing sets maPan or maNone. No repaint.
    bool GetAllowPan() const { return FMouseAction == maPan; }
    /// True sets maPan, false maNone.
    void SetAllowPan(bool Value) { FMouseAction = Value ? maPan : maNone; }
    /// Smooth scaling of the map image and antialiased overlays (default true).
    bool AntiAlias() const { return FAntiAlias; }
    /// Stores and repaints.
    void SetAntiAlias(bool Value);
    /// How map-image pixels relate to positions; cmUndefined converts nothing.
    TCalibModel CalibModel() const { return FCalib.CalibModel(); }
    /// Stores the model and runs RecalcCalibration.
    void SetCalibModel(TCalibModel Value);
    /// The reduced-image cache serves magnifications below this limit, 0 to 2/3.
    double CacheMagLimit() const { return FCacheMagLimit; }
    /// Clamped to 0..2/3 (NaN ignored); repaints when the cache serves the view.
    void SetCacheMagLimit(double Value);
    /// Colour around the map image and of the empty state (default clSilver).
    TColor ColorBackGnd() const { return FColorBakGnd; }
    /// Stores and repaints.
    void SetColorBakGnd(TColor Value);
    /// ColorBackGnd as a QColor, for Designer and forms; writing drops the alpha channel.
    QColor QColorBackGnd() const { return TColorToQColor(FColorBakGnd); }
    /// The same from a QColor.
    void SetQColorBackGnd(const QColor& Value) { SetColorBakGnd(QColorToTColor(Value)); }
    /// Colour of the graticule and UTM grid lines (default clBlue).
    TColor ColorGraticule() const { return FColorGratLine; }
    /// Stores and repaints.
    void SetColorGratLine(TColor Value);
    /// ColorGraticule as a QColor, for Designer and forms; writing drops the alpha channel.
    QColor QColorGraticule() const { return TColorToQColor(FColorGratLine); }
    /// The same from a QColor.
    void SetQColorGraticule(const QColor& Value) { SetColorGratLine(QColorToTColor(Value)); }
    /// Colour of the calibration marks (default clRed).
    TColor ColorCalibPoints() const { return FColorGratPoints; }
    /// Stores and repaints.
    void SetColorGratPoints(TColor Value);
    /// ColorCalibPoints as a QColor, for Designer and forms; writing drops the alpha channel.
    QColor QColorCalibPoints() const { return TColorToQColor(FColorGratPoints); }
    /// The same from a QColor.
    void SetQColorCalibPoints(const QColor& Value) { SetColorGratPoints(QColorToTColor(Value)); }
    /// Colour of the empty-state text.
    TColor ColorFrame() const { return FFrameColor; }
    /// Stores and repaints.
    void SetColorFrame(TColor Value);
    /// ColorFrame as a QColor, for Designer and forms; writing drops the alpha channel.
    QColor QColorFrame() const { return TColorToQColor(FFrameColor); }
    /// The same from a QColor.
    void SetQColorFrame(const QColor& Value) { SetColorFrame(QColorToTColor(Value)); }
    /// Panning stops at the image's edges (default true).
    bool ConfinePanToMapImage() const { return FConfinePan; }
    /// Setting true pulls the view back inside the image (no repaint).
    void SetConfinePan(bool Value);
    /// Shown when no map image is loaded.
    const std::string& EmptyMsg() const { return FEmptyMsg; }
    /// Stores and repaints.
    void SetEmptyMsg(const std::string& Value);
    /// EmptyMsg as Qt text (UTF-16), for Designer and forms.
    QString EmptyMsgText() const { return QString::fromStdString(FEmptyMsg); }
    /// The same from Qt text.
    void SetEmptyMsgText(const QString& Value) { SetEmptyMsg(Value.toStdString()); }
    /// The frame drawn round the control (default frsSingle).
    TFrameStyle FrameStyle() const { return FFrameStyle; }
    /// Repaints when it changes.
    void SetFrameStyle(TFrameStyle Value);
    /// Graticule spacing in degrees, 0 to 60; 0 lets the renderer choose.
    double GratLineDist() const { return FGratLineDist; }
    /// Clamped to 0..60 (NaN ignored); repaints.
    void SetGratLineDist(double Value);
    /// UTM grid spacing in metres, 0 to 10000000; 0 lets the renderer choose.
    int UTMGridDist() const { return FUTMGridDist; }
    /// Clamped to 0..10000000; repaints.
    void SetUTMGridDist(int Value);
    /// CalibData.UTMZone; only 1 to 60 is taken. Neither recalibrates nor repaints.
    int GetUTMZone() const { return FCalib.GetUTMZone(); }
    /// Values outside 1..60 are ignored.
    void SetUTMZone(int Value) { FCalib.SetUTMZone(Value); }
    /// CalibData.UTMSouth as a hemisphere.
    THemisphere GetUTMHemisphere() const { return FCalib.GetUTMHemisphere(); }
    /// Neither recalibrates nor repaints.
    void SetUTMHemisphere(THemisphere Value) { FCalib.SetUTMHemisphere(Value); }
    /// What a mouse drag does.
    TMouseActMode MouseAction() const { return FMouseAction; }
    /// Takes effect with the next press; no repaint.
    void SetMouseAction(TMouseActMode Value) { FMouseAction = Value; }
    /// What the overlay draws (default sgNone).
    TShowGrat ShowGraticule() const { return FShowGrat; }
    /// Repaints when it changes.
    void SetShowGrat(TShowGrat Value);
    /// Off by default; on, a scale bar in the bottom-left corner: a round ground distance (1, 2
    /// or 5 times a power of ten, m or km) measured along the ellipsoid through the view's centre,
    /// at most a fifth of the view wide. Drawn only where the centre converts. Repaints.
    bool ShowScaleBar() const { return FShowScaleBar; }
    /// Stores and repaints.
    void SetShowScaleBar(bool Value);
    /// Off by default; on, degree labels (in ColorGraticule, with a halo) where the graticule
    /// lines drawn meet the view's edges, none overlapping another. Repaints.
    bool GratLabels() const { return FGratLabels; }
    /// Stores and repaints.
    void SetGratLabels(bool Value);
    /// cpDeclutter draws landmarks by class, then number, each caption where it meets no drawn
    /// caption or symbol, or not at all; repaints.
    TCaptionPlacement CaptionPlacement() const { return FCaptionPlacement; }
    /// A value beyond cpDeclutter becomes cpAsSpecified.
    void SetCaptionPlacement(TCaptionPlacement Value);
    /// With cpDeclutter, a landmark whose caption finds no room loses its symbol too, and one whose
    /// symbol would meet a caption or symbol drawn before is left out; repaints.
    bool DeclutterSymbols() const { return FDeclutterSymbols; }
    /// Stores and repaints.
    void SetDeclutterSymbols(bool Value);

    // ---- Public properties ----
    /// The calibration record; writing it recomputes nothing (see RecalcCalibration).
    const TCalibData& CalibData() const { return FCalib.CalibData(); }
    /// Takes the record as it is.
    void SetCalibData(const TCalibData& Value) { FCalib.SetCalibData(Value); }
    /// CalibData.Caption; writing does not repaint.
    std::string GetMapCaption() const { return FCalib.CalibData().Caption; }
    /// Stores the caption.
    void SetMapCaption(const std::string& Value) { FCalib.CalibData().Caption = Value; }
    /// Number of the landmark drawn in the highlight colours, 0 for none.
    int HighLightLandMark() const { return FHighLM; }
    /// Values outside 0..NumLandMarks become 0.
    void SetHighLM(int Value);
    /// Highlight foreground colour (default clBlue).
    TColor HighLightColorFG() const { return FHighLMColFG; }
    /// Highlight background colour (default clYellow).
    TColor HighLightColorBG() const { return FHighLMColBG; }
    /// The highlighted symbol is drawn without its background.
    bool HighLightTransparent() const { return FHighLMTrans; }
    /// Stores the three highlight settings and repaints.
    void SetHighLightProperties(TColor ColorFG, TColor ColorBG, bool Transparent);
    /// Template for new landmarks.
    const TLandMark& LandMarkDefault() const { return FLandMarks.LandMarkDefault(); }
    /// Stores the template.
    void SetLandMarkDefault(const TLandMark& Value) { FLandMarks.SetLandMarkDefault(Value); }
    /// Position of the last button press; 0 when it cannot be converted.
    double GetLastMClickLatitude() const;
    /// Longitude of the last button press; 0 when it cannot be converted.
    double GetLastMClickLongitude() const;
    /// Map-image pixels of the last button press and the last mouse move.
    int LastClickPosX() const;
    /// Map-image row of the last button press.
    int LastClickPosY() const;
    /// Map-image column of the last mouse move.
    int LastMousePosX() const;
    /// Map-image row of the last mouse move.
    int LastMousePosY() const;
    /// Landmark count above which only a random sample is drawn; only values above 1000 are taken.
    int LMRandomDisplayThreshold() const { return FLMRandSampleLimit; }
    /// Values up to 1000 are ignored; repaints on a change.
    void SetRandSampleLimit(int Value);
    /// Control pixels per map-image pixel.
    double Magnification() const { return FMagnify; }
    /// Stores the value, brought within MinMagnification..MaxMagnification, and repaints; a
    /// value that is not positive and finite is ignored. The zoom is about the top-left corner:
    /// TopLeft stays, nothing is confined and no event is raised.
    void SetMagnification(double Value);
    /// File name of the map image; empty when none is loaded.
    const std::string& MapImgFile() const { return FMapImgName; }
    /// Size of the map image in pixels; 0 without one.
    int MapImgWidth() const { return FMapImgWidth; }
    /// Height of the map image in pixels; 0 without one.
    int MapImgHeight() const { return FMapImgHeight; }
    /// The full-resolution map image; empty while an image above 3000000 pixels is held (see
    /// MapImage).
    const TBitmap& MapBitmap() const { return GrafBmp; }
    /// Takes a copy of Value as the map image (name "$unknown$"); ETYXGeoMapError above
    /// MaxMapPixels pixels. Resets TopLeft and repaints.
    void SetMapBitMap(const TBitmap& Value);
    /// The full-resolution map image as held: above 3000000 pixels in its most compact format
    /// (RGB888, Grayscale8 or Indexed8), otherwise MapBitmap's picture. Shares the pixels.
    QImage MapImage() const;
    /// Largest map image taken, in pixels (width x height; default 3000000). Above 3000000 an
    /// image is held once in its most compact format, with reduced copies built once for
    /// zoomed-out views, and each paint samples only what it shows.
    int MaxMapPixels() const { return FMaxMapPixels; }
    /// Values below 1 are ignored; the image held stays. An int, so that Designer edits it.
    void SetMaxMapPixels(int Value);
    /// Number of landmarks held.
    int NumLandMarks() const { return FLandMarks.NumLandMarks(); }
    /// While true, Paint does nothing: for many changes in a row.
    bool SuppressPaint() const { return FSuppressPaint; }
    /// Repaints when it becomes false.
    void SetSuppressPaint(bool Value);
    /// Map-image pixel shown at the control's top-left corner.
    TPoint TopLeft() const { return FTopLeft; }
    /// Stores (no clamping) and repaints.
    void SetTopLeft(const TPoint& Value);
    /// Whether a zoom window is being dragged.
    TZoomState ZoomState() const;

    // ---- Landmarks (geomap_landmarks.cpp; the list itself is TLandMarkList) ----
    // Landmarks count from 1. Class arguments: 0 to 255, or -1 (and any value outside 0..255)
    // for every class. Every add and remove form asks OnLandMarkAction once per landmark before
    // the change, except RemoveAllLandMarks() and the file readers. A removal clears the
    // highlight when there were landmarks; every change repaints, a refused addition does not.
    /// Adds a landmark built from LandMarkDefault at the position.
    void AddLandMark(double Lat, double Long, double Altitude);
    /// The same with the identifier and the time.
    void AddLandMark(double Lat, double Long, double Altitude, const TLMIdentifier& Identifier, TDateTime Time);
    /// CaptionText is cut to 80 single-byte characters.
    void AddLandMark(double Lat, double Long, double Altitude, const std::string& CaptionText, int CaptionSize,
                     TColor CaptionColor);
    /// The same with identifier, time and caption.
    void AddLandMark(double Lat, double Long, double Altitude, const TLMIdentifier& Identifier, TDateTime Time,
                     const std::string& CaptionText, int CaptionSize, TColor CaptionColor);
    /// Symbol, class, identifier, time and tag from the arguments; the caption from LandMarkDefault.
    void AddLandMark(double Lat, double Long, double Altitude, TLandMarkElement Element, uint8_t ClassFlag,
                     const TLMIdentifier& Identifier, TDateTime Time, int Tag, TColor ColorFG, TColor ColorBG,
                     int Size, bool Transparent, int Direction, int Length);
    /// Nearest landmark of the class in plain degrees (ties: the lower number); 0 when none.
    int FindLandMark(double Lat, double Long, int ClassFlag) const
    {
        return FLandMarks.FindLandMark(Lat, Long, ClassFlag);
    }
    /// Removes landmark LmIndex (the last one takes its place); returns LmIndex, or 0.
    int RemoveLandMark(int LmIndex);
    /// Removes the nearest landmark of the class, however far; returns the number it had, or 0.
    int RemoveLandMark(double Lat, double Long, int ClassFlag);
    /// Removes the landmarks of the class strictly within Radius degrees; returns the count.
    int RemoveLandMark(double Lat, double Long, int ClassFlag, double Radius);
    /// Removes the landmarks of the class strictly inside the box (Left west, Top north, Right
    /// east, Bottom south); returns the count.
    int RemoveLandMark(const TRectDouble& Rect, int ClassFlag);
    /// Removes the landmark added last.
    void RemoveLastLandMark();
    /// Removes the landmarks of class ClassFlag (all 256 values are classes here).
    void RemoveAllLandMarks(uint8_t ClassFlag);
    /// Empties the list without asking; the highlight number stays.
    void RemoveAllLandMarks();
    /// Landmark i, 1 to NumLandMarks; outside that range the cleared record.
    TLandMark GetLandMarkData(int i) const { return FLandMarks.GetLandMarkData(i); }
    /// Replaces landmark i (1 to NumLandMarks) and repaints; other i are ignored. No event.
    void SetLandMarkData(int i, const TLandMark& LandMark);
    /// Whether landmarks of class i are drawn (default true).
    bool GetClassVisibility(uint8_t i) const { return FLandMarks.GetClassVisibility(i); }
    /// Stores and repaints.
    void SetClassVisibility(uint8_t i, bool Value);
    /// Off by default; on, a landmark (the highlight too) whose map-image pixel lies outside the
    /// image is neither drawn nor offered to OnDrawLandmark. Repaints.
    bool LandMarksOnMapOnly() const { return FLMOnMapOnly; }
    /// Stores and repaints.
    void SetLandMarksOnMapOnly(bool Value);
    /// Landmarks held before the list grows by a block of 1000.
    int LandMarkCapacity() const { return FLandMarks.LandMarkCapacity(); }
    /// The list, for drawing and reading.
    const TLandMarkList& LandMarks() const { return FLandMarks; }

    // ---- Landmark files (geomap_landmarks.cpp). No event is raised for landmarks read. ----
    /// Replaces the landmarks with the block DataID (case ignored; empty: the first) read from
    /// the file's current position; false, nothing changed, when there is none. No repaint.
    bool ReadLandMarksFromOpenXMLFile(TTextFile& F, const std::string& DataID);
    /// As ReadLandMarksFromOpenXMLFile from the file FName, then repaints; false without a repaint
    /// when the file cannot be opened. A Report, when given, learns what the block held damaged.
    bool LoadLandMarks(const std::string& FName, const std::string& DataID, TLandMarkReadReport* Report = nullptr);
    /// Writes the landmarks as one block; Header true writes the XML declaration and a comment
    /// first (a fresh file), false only the block (appending to an open file).
    void WriteLandMarksToOpenXMLFile(TTextFile& F, bool Header, const std::string& DataID) const;
    /// Creates or overwrites FileName with the declaration and one block.
    void SaveLandmarks(const std::string& FileName, const std::string& DataID) const;

    // ---- Image resampling ----
    /// Resamples the map image by Magnification (> 0) and scales the calibration pixels with it;
    /// recalibrates, resets TopLeft to (0, 0) and repaints.
    void ResizeMap(double Magnification);
    /// Resamples so that the longer edge gets LongerEdgeLength pixels; ignored without an image
    /// or for a length below 1.
    void ResizeMap(int LongerEdgeLength);

    // ---- Map images (geomap_image.cpp) ----
    /// Loads the map image (.jpg, .jpeg, .bmp, .png, .tif or .tiff, any case) after
    /// OnMapImageRequest may have redirected the name; MapImgFile keeps the name as asked. A
    /// missing file clears the name and the size. ETYXGeoMapError for another extension, a file that cannot be decoded or more than
    /// 3000000 pixels; the previous image, name and size then stay. Resets TopLeft and repaints.
    void SetMapImgName(const std::string& Value);
    /// Writes the image as Dir/Base.jpg and the calibration as Dir/Base.xml (Dir and Base taken
    /// from FileName); MapImgFile becomes Base.jpg. No repaint.
    void SaveMap(const std::string& FileName, const std::string& DataID);
    /// Renames the image file within its directory, keeping its extension; Name is reduced to
    /// safe file-name characters. False (nothing changed) without an image file, for an empty
    /// name, or when the file system refuses. No repaint.
    bool RenameMapImg(const std::string& Name);
    /// Draws an empty map of the box (4-bit BMP, 30-pixel margin, dashed graticule every dLat x
    /// dLong degrees, labelled), writes it with a calibration file beside it (StripExtension(FName)
    /// + ".bmp" / ".xml") and loads both. Swapped bounds are put in order, steps <= 0 become 1
    /// and sizes below 100 become 100. Raises ETYXGeoMapError before drawing for latitudes outside
    /// -90..90, longitudes outside -360..360, non-finite values, a box without extent, more than
    /// 10000 lines of either family, a step too fine to change the box's values in double
    /// precision, or more pixels than a map image may have.
    void CreateAndLoadEmptyMap(const std::string& FName, double LatLow, double LongLow, double LatHigh,
                               double LongHigh, double dLat, double dLong, int Wid, int Hgt,
                               const TOnDrawMapDataEvent& OnDrawMapData = {});
    /// The same without files: a 24-bit image (blank unless ShowGrid), name "$unknown$", model
    /// cmEquiRect.
    void CreateEmptyMapInMemory(double LatLow, double LongLow, double LatHigh, double LongHigh, double dLat,
                                double dLong, int Wid, int Hgt, bool ShowGrid,
                                const TOnDrawMapDataEvent& OnDrawMapData = {});

    // ---- World files and GeoTIFF (geomap_georef.cpp) ----
    /// Map-image coordinates count from the image's outer top-left corner: (0, 0) is that
    /// corner, (W, H) the bottom-right one, and pixel (i, j) has its centre at (i + 0.5, j + 0.5),
    /// as in GDAL's geotransform. A world file gives pixel centres: half a pixel is added or
    /// taken off on the way. Six numbers in world-file order A, D, B, E, C, F: point (x, y) lies
    /// at easting/longitude A x + B y + C and northing/latitude D x + E y + F.
    using TWorldFile = std::array<double, 6>;
    /// Writes the world file of the map (StripExtension(FileName) + .jgw, .pgw, .bpw, .tfw by the
    /// image's type; exact zeros for a rotation below a millionth of a pixel, shortest round-trip
    /// digits), a .prj naming WGS 84 or the UTM zone and GDAL's FileName + .aux.xml with the same
    /// CRS. ETYXGeoMapError unless the model is cmEquiRect or cmUTM on WGS 84 and fitted.
    void SaveWorldFile(const std::string& FileName);
    /// The world file, the .prj and the .aux.xml that SaveWorldFile(FileName) writes.
    std::vector<std::string> WorldFileNames(const std::string& FileName) const;
    /// The files beside ImageFile that LoadWorldFile may read: world files (.wld too), then the
    /// files that may name the CRS (.aux.xml before .prj).
    static std::vector<std::string> WorldFileSources(const std::string& ImageFile);
    /// Loads the image (.jpg, .jpeg, .bmp, .png, .tif, .tiff) and calibrates it from the world file
    /// beside it (or the geotransform of its .aux.xml) with three points on its outer corners:
    /// cmEquiRect in degrees, or cmUTM when the CRS is a UTM zone. The CRS (WKT 1 or 2) may be
    /// WGS 84 or ETRS89, which is read as WGS 84 (no shift in the datum table; they differ by less
    /// than a metre). ETYXGeoMapError, with the control unchanged, for a missing or malformed
    /// world file and any other CRS, which the message names. Repaints.
    void LoadWorldFile(const std::string& ImageFile);
    /// Opens a GeoTIFF (EPSG 4326, 4258, WGS 84 UTM or ETRS89 UTM zones 28 to 38; tie point and
    /// pixel scale or a transformation matrix; PixelIsPoint shifted by half a pixel) as a
    /// calibrated map, like LoadWorldFile; anything else gets ETYXGeoMapError naming the CRS, with
    /// the control unchanged. Repaints.
    void LoadGeoTIFF(const std::string& FileName);

    // ---- Calibration input (repaint after every change) ----
    /// Adds a pixel to a graticule line (cmParabolicIp only, else ETYXGeoMapError); false when
    /// the line table or the line is full.
    bool AddCalibPoint(TGratLineKind GratLineKind, double LineValue, int PixPosX, int PixPosY);
    /// Adds a calibration point (cmBiquadraticPn to cmEquiRect, else ETYXGeoMapError); false
    /// when 200 points are held.
    bool AddCalibPoint(double Latit, double Longit, int PixPosX, int PixPosY);
    /// Adds a UTM point (cmUTM only); Zone and Hemisphere must match UTMZone and UTMHemisphere,
    /// else ETYXGeoMapError. False when 200 points are held.
    bool AddCalibPoint(double Northing, double Easting, int Zone, THemisphere Hemisphere, int PixPosX, int PixPosY);
    /// Removes the pixel from the line (cmParabolicIp only, else ETYXGeoMapError); true if found.
    bool RemoveCalibPoint(TGratLineKind GratLineKind, double LineValue, int PixPosX, int PixPosY);
    /// Removes the input nearest to the pixel (ties: the first stored); true if one was removed.
    bool RemoveCalibPoint(int PixPosX, int PixPosY);
    /// Puts back the input last removed by the nearest-pixel RemoveCalibPoint, once.
    void RestoreLastDeletedCalPoint();
    /// Empties the calibration; keeps the model, MapFName, Caption, the Miller and conic
    /// parameters and the removed-point copies.
    void ClearCalibData();
    /// ClearCalibData, model cmUndefined, and forgets the map image's name and size (the
    /// bitmap stays).
    void Clear();
    /// Refits the graticule and the current model, the extents and resolution; repaints.
    void RecalcCalibration();
    /// Derives CalibData.Corners and CalibData.Resolution (metres per map-image pixel); without a
    /// map image (size 0 x 0) both stay as read or last derived.
    void CalcExtentsAndResolution() { FCalib.CalcExtentsAndResolution(); }
    /// Quality figure of the fit per pixel axis.
    void CalibQuality(double& QualX, double& QualY) const { FCalib.CalibQuality(QualX, QualY); }

    // ---- Conversions (change nothing) ----
    /// Latitude of a map-image pixel; Valid false and 0 when it cannot be converted.
    double CalcLatitude(int x, int y, bool& Valid) const { return FCalib.CalcLatitude(x, y, Valid); }
    /// The same for a pixel as a point.
    double CalcLatitude(const TPoint& APoint, bool& Valid) const { return FCalib.CalcLatitude(APoint, Valid); }
    /// Longitude of a map-image pixel; Valid as for CalcLatitude.
    double CalcLongitude(int x, int y, bool& Valid) const { return FCalib.CalcLongitude(x, y, Valid); }
    /// The same for a pixel as a point.
    double CalcLongitude(const TPoint& APoint, bool& Valid) const { return FCalib.CalcLongitude(APoint, Valid); }
    /// Map-image pixel of a position; false when it cannot be converted.
    bool CalcPixelCoords(double Lat, double Long, int& x, int& y) const { return FCalib.CalcPixelCoords(Lat, Long, x, y); }
    /// Map-image pixel of a UTM position (cmUTM only, else false with x = y = 0).
    bool CalcPixelCoordsUTM(double Northing, double Easting, int& x, int& y) const
    {
        return FCalib.CalcPixelCoordsUTM(Northing, Easting, x, y);
    }
    /// Row where the line of constant northing crosses column x.
    int CalcUTMyFromNorthingX(double Northing, int x) const { return FCalib.CalcUTMyFromNorthingX(Northing, x); }
    /// Column where the line of constant easting crosses row y.
    int CalcUTMxFromEastingY(double Easting, int y) const { return FCalib.CalcUTMxFromEastingY(Easting, y); }
    /// Control pixel -> map-image pixel under the current view.
    TPoint ControlToMapImage(const TPoint& APoint) const;
    /// Map-image pixel -> control pixel under the current view.
    TPoint MapImageToControl(const TPoint& APoint) const;
    /// Inside the quadrilateral of CalibData.Corners (false on an edge).
    bool IsPositionWithinMap(double Latit, double Longit) const { return FCalib.IsPositionWithinMap(Latit, Longit); }
    /// The calibration core, for reading the fitted parameters.
    const TGeoCalibration& Calibration() const { return FCalib; }

    // ---- Calibration files (geomap_calxml.cpp) ----
    /// CalcExtentsAndResolution, CalibData.MapFName := MapImgFile, then one block (file form).
    void WriteCalDataToOpenXMLFile(TTextFile& F, bool Header, const std::string& DataID);
    /// Creates or overwrites the file with one block and a header.
    void SaveCalDataAsXML(const std::string& FileName, const std::string& DataID);
    /// One block, stream form.
    void SaveCalDataAsXML(TStream& OutStream, const std::string& DataID);
    /// Reads the block DataID (empty: the first) from the file's current position; false when
    /// there is none.
    bool ReadCalDataFromOpenXMLFile(TTextFile& F, const std::string& DataID);
    /// False when the file cannot be opened or holds no such block. A relative image name not
    /// found as given is looked for beside the file; an image found nowhere raises
    /// ETYXMapImageMissing once the calibration is loaded.
    bool LoadCalDataFromXML(const std::string& FName, const std::string& DataID);
    /// Reads from the stream's current position.
    bool LoadCalDataFromXML(TMemoryStream& InStream, const std::string& DataID);
    /// Name of the calibration file last loaded by name.
    const std::string& CalibDataFile() const { return FCalDatName; }
    /// Loads the calibration file if it exists; otherwise forgets the map image. Repaints.
    void SetCalDatName(const std::string& Value);

    // ---- View: zoom and pan (geomap_view.cpp) ----
    /// Bounds of every zoom (SetMagnification, the mouse, the history, wheel and keys), control
    /// pixels per map-image pixel; default 1/64 to 64. A positive finite value is taken, the other
    /// bound follows when they would cross, and the current magnification is brought within them.
    /// ZoomFitPage and the user's zooms (mouse, wheel, keys, history) go below MinMagnification
    /// as far as an image needs to be shown whole, no further.
    double MinMagnification() const { return FMinMagnify; }
    /// Sets the lower bound (see MinMagnification).
    void SetMinMagnification(double Value);
    /// Upper bound of every zoom (see MinMagnification).
    double MaxMagnification() const { return FMaxMagnify; }
    /// Sets the upper bound (see MinMagnification).
    void SetMaxMagnification(double Value);
    /// Pulls TopLeft back so that the view lies inside the image; an image smaller than the view
    /// sits at the top left. No repaint.
    void PanMapToFillWindow();
    /// Centres the view on a map-image pixel, then pulls it inside the image; repaints.
    void BringMapPixelToCenter(const TPoint& APoint);
    /// Centres the view on a position, kept inside the image; repaints. Nothing when the
    /// position cannot be converted to a pixel.
    void BringLocationToCenter(double Latitude, double Longitude);
    /// Shows the whole image (the smaller of the two fitting magnifications, at most
    /// MaxMagnification, also below MinMagnification) from TopLeft (0, 0), or centred in the
    /// control with FreeView; repaints. Nothing without an image.
    void ZoomFitPage();
    /// Off by default; on, the view may reach beyond the image (ColorBackGnd around it):
    /// BringMapPixelToCenter and BringLocationToCenter centre exactly, ZoomFitPage centres the
    /// image, and a resize keeps the view's centre and magnification. Panning, the wheel and the
    /// keys still follow ConfinePanToMapImage. No repaint.
    bool FreeView() const { return FFreeView; }
    /// Sets FreeView.
    void SetFreeView(bool Value) { FFreeView = Value; }

    // ---- Exact positions (geomap_view.cpp) ----
    // Map-image points in fractional pixels: x and y as for CalcPixelCoords, between the pixels.
    // Control point (X, Y) shows map-image point TopLeft + (X, Y) / Magnification.
    /// Position of a map-image point, interpolated between the four pixels around it; false
    /// where one of them does not convert (Lat, Long untouched).
    bool CalcLatLong(double x, double y, double& Lat, double& Long) const;
    /// Map-image point of a position, to a small fraction of a pixel; false where it does not
    /// convert (x, y untouched).
    bool CalcMapPoint(double Lat, double Long, double& x, double& y) const;
    /// The position shown at control point (X, Y); false where it does not convert.
    bool LocationAtControl(double X, double Y, double& Lat, double& Long) const;
    /// Moves the view, magnification kept, so that the position lies at control point (X, Y) to
    /// the nearest map-image pixel, wherever that puts the image; repaints. False, nothing
    /// changed, when the position does not convert.
    bool PlaceLocationAt(double Lat, double Long, double X, double Y);
    /// PlaceLocationAt the control's centre pixel (Width / 2, Height / 2), integer halves.
    bool CenterOnLatLong(double Lat, double Long);
    /// Ground metres per map-image pixel along the image row through the position (as the scale
    /// bar measures, on the calibration's ellipsoid); 0 where it cannot be measured.
    double GroundResolutionAt(double Lat, double Long) const;

    // ---- Zoom history (geomap_mouse.cpp) ----
    // A ring of the last 16 saved views. Each mouse release in a pan or drag-zoom mode saves the
    // view; the constructor saves the first.
    /// Saves the current view.
    void ZoomStateOnStack();
    /// Restores saved view Index (0 the latest, -1 the one before, down to -15) and repaints;
    /// an index outside that range or an empty entry is ignored. No event.
    void ZoomHistory(int Index);
    /// Empties the history and saves the current view as its first entry.
    void ClearZoomHistory();
    /// The indexed property ZoomStack[StackIx], StackIx as for ZoomHistory; outside it an empty
    /// entry.
    TgmZoomStackEntry GetZoomStackEntry(int StackIx) const;

    // ---- Mouse interaction (geomap_mouse.cpp, geomap_events.cpp) ----
    // MouseAction decides what a left drag does: maPan, maPanHoriz and maPanVert move the view
    // (TopLeft) with the mouse; maDragZoom zooms about the view's centre, in above the drag's
    // start and out below it; maZoomWindow zooms to the dragged rectangle on release (a right
    // release cancels); maSelectRect drags a dotted rectangle and reports it through
    // OnSelectRect; maRubberBand draws a line from a clicked anchor to the mouse until the next
    // click (Ctrl+click continues from the click point). Feedback is drawn in XOR on the
    // picture and taken off the same way; only pan and zoom steps repaint, and they raise
    // OnZoomPan.
    /// Waits, while the application keeps handling its events, for the user to drag a box with
    /// any button but the right one; true with the press and release corners in control pixels
    /// (not clamped), ordered so that xLo <= xHi and yLo <= yHi. False, with the arguments
    /// untouched, on a right press or release, MouseBoxAbort, the application quitting, the
    /// control's destruction, or when a box is already being waited for. MouseAction is maNone
    /// while it waits.
    bool MouseBox(int& xLo, int& yLo, int& xHi, int& yHi);
    /// Ends a running MouseBox with false.
    void MouseBoxAbort();
    /// Zoom factor per wheel notch (above 1), about the map-image point under the cursor; the
    /// view is saved in the history once the wheel pauses. 0 (the default): the wheel does not
    /// zoom. Values not above 1 store 0. Wheel events a host handler marks Handled do not zoom.
    double WheelZoom() const { return FWheelZoom; }
    /// Stores Value, or 0 for a value not above 1.
    void SetWheelZoom(double Value);
    /// Arrow keys pan by a tenth of the view, + and - zoom by 2 about the centre, Home fits the
    /// page (views saved as for the wheel). Off by default; turning it on lets the control take
    /// the keyboard focus.
    bool KeyboardNavigation() const { return FKeyboardNav; }
    /// On, the control also takes the keyboard focus.
    void SetKeyboardNavigation(bool Value);

    // ---- Painting ----
    /// Adds a layer drawn with every view (once; nullptr ignored); no repaint.
    void AddLayer(TGeoMapLayer* Layer);
    /// Takes a layer out; no repaint.
    void RemoveLayer(TGeoMapLayer* Layer);
    /// Composes the whole picture and shows it; nothing while SuppressPaint is true.
    virtual void Paint();
    /// The picture last shown, control-sized; with HighDpi, DrawingRatio() times as many pixels
    /// each way, with that devicePixelRatio.
    const QImage& Picture() const { return FPicture; }
    /// Off by default; on, the picture is composed at the screen's device pixels: the map image
    /// stretched straight to them, symbols, pens and captions drawn at that resolution, so the
    /// view looks the same but sharper. Coordinates, events and the mouse stay in control pixels;
    /// the exports are not affected. Repaints.
    bool HighDpi() const { return FHighDpi; }
    /// Sets HighDpi.
    void SetHighDpi(bool Value);
    /// Device pixels per control pixel that HighDpi composes at: 0 (the default) follows the
    /// screen (devicePixelRatioF()); otherwise 1 to 8, as given (an offscreen render at a chosen
    /// resolution). Other values store 0. Repaints when HighDpi is on.
    double PixelRatio() const { return FPixelRatio; }
    /// Sets PixelRatio.
    void SetPixelRatio(double Value);
    /// Device pixels per control pixel of the picture: 1 without HighDpi.
    double DrawingRatio() const;

    // ---- Rendering, printing and export (geomap_render.cpp, geomap_print.cpp) ----
    /// Designer/preview state: the control shows its empty state whatever is loaded. Repaints.
    bool DesignMode() const { return FDesignMode; }
    /// Stores and repaints.
    void SetDesignMode(bool Value);
    /// The reduced copy of the whole map image that serves magnifications below CacheMagLimit,
    /// and how often it has been built (each build scales the whole image once).
    const TBitmap& ImageCache() const { return FImgCache; }
    /// How often ImageCache has been built.
    int CacheBuildCount() const { return FCacheBuilds; }
    /// The 15-bit composition bitmap: at least control-sized; it grows with the control and only
    /// a new or resized map image sets it back to the image's size.
    const TBitmap& CompositionBitmap() const { return AuxBmp; }
    /// Puts the last composed picture on the clipboard, inside a black outline one pixel in from
    /// the edge (the frame is left out).
    void CopyToClipboard();
    /// Puts the whole map image with its overlays, at magnification 1, on the clipboard.
    /// ETYXGeoMapError without an image.
    void CopyEntireMapToClipboard();
    /// Composes the view of MagFact control pixels per image pixel whose top-left shows image
    /// pixel TopLeft (image and overlays, no frame) and draws it Width x Height at (PosHoriz,
    /// PosVert) into DestBmp, which grows when it is too small. Leaves the control's view and
    /// cache alone; nothing for sizes below 1 or a MagFact that is not positive.
    void CopyToBMP(TBitmap& DestBmp, const TPoint& TopLeft, double MagFact, int PosHoriz, int PosVert, int Width,
                   int Height);

    // Printing. A print job is a QPainter begun on a QPrinter (or any paint device); what is
    // printed is the map image with its overlays composed at magnification 1, without the frame,
    // scaled onto the page. Page positions and sizes are millimetres from the top-left corner of
    // the printable area. Scale is a map scale 1:Scale; it needs a calibrated resolution
    // (CalibData.Resolution, metres per pixel).
    /// Opens a job on Printer and prints the whole map at ScaleF times the largest size that
    /// fits the printable area, at its top-left corner. ETYXGeoMapError without an image, for a
    /// ScaleF that is not positive, or when the job cannot be opened.
    void PrintIt(double ScaleF, QPrinter& Printer);
    /// The same on the system's default printer.
    void PrintIt(double ScaleF);
    /// Prints the whole map at device pixel (x, y) of the open job, ScaleF times the printable
    /// width wide; on return (x, y) is the device pixel just beyond its bottom-right corner.
    void CopyToOpenPrinter(QPainter& Printer, int& x, int& y, double ScaleF);
    /// Prints the map-image window MapWindow at 1:Scale at (PosHoriz, PosVert) mm.
    /// ETYXGeoMapError without resolution, for Scale < 1 or an empty window.
    void CopyToOpenPrinter(QPainter& Printer, const TRect& MapWindow, int Scale, int PosHoriz, int PosVert);
    /// The same for the window of Width x Height image pixels from TopLeft.
    void CopyToOpenPrinter(QPainter& Printer, const TPoint& TopLeft, int Scale, int PosHoriz, int PosVert, int Width,
                           int Height);
    /// Printed size in mm (rounded) of MapWindow at 1:Scale; 0 x 0 without resolution or for
    /// Scale < 1.
    void CalcExtentsOfPrint(const TRect& MapWindow, int Scale, int& Width, int& Height) const;
    /// Prints the view as the control shows it, about its centre, into Target (device pixels of
    /// the open job): at least the part of the view that lies on the map image, grown to Target's
    /// shape as far as the image reaches, so that it fills Target along one side or both. It is
    /// composed at the device's resolution (up to 16 M pixels) with the device's dots per inch
    /// over 96 as the drawing ratio, so captions and symbols print at their point size. Returns
    /// the device rectangle printed, centred in Target. ETYXGeoMapError without an image, for an
    /// empty control or Target, or when even one device pixel per view pixel exceeds 16 M pixels.
    QRectF PrintView(QPainter& Printer, const QRectF& Target);

    /// Raises OnZoomPan and zoomPanned, as the mouse handling does after a pan or zoom step.
    void DoZoomPanEvent();
    /// Raises OnSelectRect and rectSelected with these values (see TSelectRectEvent).
    void DoSelectRectEvent(int Mode, double a, double b, double c, double d);

    // ---- Events (not copied by Assign) ----
    /// A left press and release on the control.
    TNotifyEvent OnClick;
    /// A left double click.
    TNotifyEvent OnDblClick;
    /// A button pressed, after the control has acted on it.
    TMouseEvent OnMouseDown;
    /// The mouse moved, after the control has acted on it.
    TMouseMoveEvent OnMouseMove;
    /// A button released, before the control acts on it.
    TMouseEvent OnMouseUp;
    /// The wheel turned; Handled true keeps the control from zooming.
    TMouseWheelEvent OnMouseWheel;
    /// The wheel turned away from the user.
    TMouseWheelUpDownEvent OnMouseWheelUp;
    /// The wheel turned toward the user.
    TMouseWheelUpDownEvent OnMouseWheelDown;
    /// The control was resized.
    TNotifyEvent OnResize;
    /// maRubberBand: the line begins at the clicked pixel.
    TOnRubberBandActionEvent OnBeginRubberBand;
    /// maRubberBand: a Ctrl+click continues the line from the pixel.
    TOnRubberBandActionEvent OnContinueRubberBand;
    /// maRubberBand: the line ends at the clicked pixel.
    TOnRubberBandActionEvent OnEndRubberBand;
    /// Progress of reading or writing the map image, 0 to 100.
    TProgressEvent OnDataLoading;
    /// After the overlays are drawn: the host draws on top.
    TRenderEvent OnDataRendered;
    /// After the map image, before the overlays.
    TRenderEvent OnBeforeRenderData;
    /// Before each landmark is drawn; the handler may draw it itself.
    TDrawLandMarkEvent OnDrawLandmark;
    /// maSelectRect: the rectangle dragged, on release.
    TSelectRectEvent OnSelectRect;
    /// Before a map image is read; the handler may redirect its name.
    TMapImgRequestEvent OnMapImageRequest;
    /// Before a landmark is added or removed; the handler may veto it.
    TLandMarkActionEvent OnLandMarkAction;
    /// The user moved or zoomed the view.
    TZoomPanEvent OnZoomPan;
    /// With cpDeclutter, told the number and box (control pixels) of each caption drawn.
    std::function<void(int LandMark, const TRect& Box)> OnCaptionDrawn;

    // ---- Qt signals for forms, raised just after the event of the same meaning ----
Q_SIGNALS:
    /// With OnClick.
    void clicked();
    /// With OnDblClick.
    void doubleClicked();
    /// With OnMouseMove; control pixels.
    void mouseMoved(int X, int Y);
    /// With OnZoomPan: the user moved or zoomed the view.
    void zoomPanned();
    /// With OnSelectRect, the same values.
    void rectSelected(int Mode, double X1, double Y1, double X2, double Y2);
    /// After OnLandMarkAction, only for an action it allowed; the change follows.
    void landmarkAction(tyx::TLandMarkAction Action, const tyx::TLandMark& LandMark);
    /// With OnDataLoading: image loading or saving progress, 0 to 100.
    void dataLoading(int Percent);

protected:
    /// The mouse in the framework's terms, control pixels. MouseDown and MouseMove act, then
    /// raise OnMouseDown / OnMouseMove (with the position clamped where a frame being dragged
    /// clamps it); MouseUp raises OnMouseUp first, then acts.
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    /// The mouse moved to (X, Y).
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    /// A button released at (X, Y).
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);

    /// Shows the picture last composed.
    void paintEvent(QPaintEvent* Event) override;
    /// Recomposes for the new size and raises OnResize.
    void resizeEvent(QResizeEvent* Event) override;
    /// Forwards to MouseDown.
    void mousePressEvent(QMouseEvent* Event) override;
    /// Forwards to MouseMove.
    void mouseMoveEvent(QMouseEvent* Event) override;
    /// Forwards to MouseUp, then raises OnClick for a click.
    void mouseReleaseEvent(QMouseEvent* Event) override;
    /// A press marked ssDouble, then OnDblClick.
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    /// Raises the wheel events, then zooms by WheelZoom.
    void wheelEvent(QWheelEvent* Event) override;
    /// Keyboard navigation when KeyboardNavigation is on.
    void keyPressEvent(QKeyEvent* Event) override;

private:
    friend class TGeoMapMouse;
    [[noreturn]] void RaiseInsufficientMemory() const;
    /// The progress callback that raises OnDataLoading and dataLoading; empty when neither is wanted.
    TProgressEvent LoadingProgress();
    /// Clears the highlight when there are landmarks; returns whether there were any.
    bool ClearHighlightBeforeRemoval();
    void ConstructInternalMapImg();
    /// Composes into FPicture (at DrawingRatio) with the mouse feedback on it; shows nothing.
    void ComposePicture();
    // Rendering: the composition of a view into any canvas, shared by the control and exports.
    void ComposeView(TCanvas& C, int W, int H, bool OwnCache);
    void DrawMapImage(TCanvas& C, int W, int H, bool OwnCache);
    void BuildImageCache(TBitmap& Cache, double Mag, bool AA) const;
    void DrawOverlays(TCanvas& C, int W, int H);
    // Overlays, each in a file of its own, drawn in this order by DrawOverlays on a W x H view.
    /// pixel(Lat, Long) of the graticule: the control point of CalcPixelCoords, validity ignored.
    TPoint GratPixel(double Lat, double Long) const;
    /// Labels, when given, learns where the lines drawn cross the view's edges.
    void DrawGraticule(TCanvas& C, int ParallelSegments, int MeridianSegments,
                       TGratLabels* Labels);                                          // geomap_graticule.cpp
    void DrawParabolicLine(TCanvas& C, int W, int H, const TCalibLine& L, TGratLabels* Labels); // the same
    void DrawUTMGrid(TCanvas& C);                                           // geomap_utmgrid.cpp
    void DrawCalibMark(TCanvas& C, const TPoint& P) const;                  // geomap_marks.cpp
    void DrawCalibMarks(TCanvas& C) const;                                  // geomap_marks.cpp
    /// Reserved: boxes drawn later or before (scale bar, degree labels) that declutter keeps free.
    void DrawLandMarkLayer(TCanvas& C, int W, int H, const std::vector<TRect>& Reserved); // geomap_lmlayer.cpp
    void DrawDecluttered(TCanvas& C, int W, int H, double p, const std::vector<TRect>& Reserved); // declutter
    void DrawHighLightLandMark(TCanvas& C, int W, int H);                   // geomap_highlight.cpp
    void DrawScaleBar(TCanvas& C, int W, int H);                            // geomap_scalebar.cpp
    /// The scale bar of a W x H view: its ground distance and its length in control pixels;
    /// false when there is none to draw.
    bool ScaleBarLength(int W, int H, double& Metres, int& Pixels) const;
    /// The box (right and bottom exclusive) the scale bar and its label cover, halo included;
    /// false when there is none to draw.
    bool ScaleBarBox(int W, int H, TRect& Box) const;
    /// Sampling probability of the landmark layer for a W x H view; Visible gets the number of
    /// landmarks of visible classes, wherever they are.
    double LandMarkSampling(int W, int H, std::size_t& Visible) const;
    /// Converts the landmark's position to APoint (control pixels) and raises OnDrawLandmark;
    /// true when its symbol is to be drawn (converted, not handled, strictly inside the view).
    bool PlaceLandMark(TCanvas& C, int W, int H, const TLandMark& LM, TPoint& APoint);
    /// The position in control pixels; false when it does not convert, or with
    /// LandMarksOnMapOnly when its map-image pixel lies outside the image.
    bool LandMarkToControl(double Lat, double Long, TPoint& APoint) const;
    /// A view composed off the screen (image and overlays, no frame), the control's view untouched.
    /// Ratio: device pixels per view pixel of Out (0.125 to 8), as HighDpi draws.
    void ComposeOffscreen(TBitmap& Out, const TPoint& ViewTopLeft, double Mag, int W, int H, double Ratio = 1);
    void PrintWindow(QPainter& Printer, const TPoint& TopLeft, int Width, int Height, const QRectF& Target);
    void SetMapImageSize(int Width, int Height);
    /// With FreeView, moves TopLeft so that the view's centre stays where it was at OldSize.
    void KeepCentreOnResize(const QSize& OldSize);
    /// The magnification at which the whole image fits the control; 0 without image or size.
    double FitMagnification() const;
    /// A magnification brought within the bounds (not positive: the lower bound). With ToFit
    /// the lower bound gives way to FitMagnification, so that the whole image can be shown.
    double ClampMagnification(double Value, bool ToFit = false) const;
    /// Takes a decoded image under its file name without repainting.
    void TakeMapImage(QImage Image, const std::string& FileName);
    /// Takes an image above 3000000 pixels (checked against MaxMapPixels); the name becomes
    /// "$unknown$"; repaints.
    void TakeLargeImage(QImage Image);
    /// Width and height of the pixels held (GrafBmp's, or the large image's).
    int HeldWidth() const;
    int HeldHeight() const;
    /// Three calibration points on the image's corners from a world file's numbers.
    void ApplyGeoReference(TCalibModel Model, const TWorldFile& Affine, int Zone, bool South);

    // Images and render cache
    TBitmap AuxBmp;            ///< composition bitmap, 15-bit
    TBitmap FImgCache;         ///< reduced copy of the map image, 15-bit
    double FCacheMag = 0;      ///< magnification of FImgCache; 0: no valid cache
    bool FCacheAA = true;      ///< AntiAlias under which FImgCache was built
    double FCacheMagLimit;
    TBitmap GrafBmp;           ///< the full-resolution map image up to 3000000 pixels
    std::shared_ptr<const TImagePyramid> FLarge; ///< an image above 3000000 pixels, else null
    std::unique_ptr<TKeptView> FKeptView; ///< the view of FLarge last painted, for pans
    int FMaxMapPixels;
    QImage FPicture;           ///< what paintEvent shows
    bool FHighDpi = false;
    double FPixelRatio = 0;    ///< 0: the screen's
    bool FDesignMode = false;
    int FCacheBuilds = 0;

    // Landmarks
    TLandMarkList FLandMarks;  ///< also the template and the class visibility
    int FLMRandSampleLimit = 20000;
    bool FLMOnMapOnly = false;
    int FHighLM = 0;
    TColor FHighLMColFG = clBlue;
    TColor FHighLMColBG = clYellow;
    bool FHighLMTrans = false;

    // Appearance
    TColor FColorBakGnd = clSilver;
    TFrameStyle FFrameStyle = frsSingle;
    TColor FFrameColor = clBlack;
    TColor FColorGratLine = clBlue;
    TColor FColorGratPoints = clRed;
    TColor FColBlackLine = clBlack;
    TColor FColGrayLine = clGray;
    TColor FColWhiteLine = clWhite;
    std::string FEmptyMsg = "GeoMap: empty";
    TShowGrat FShowGrat = sgNone;
    bool FShowScaleBar = false;
    bool FGratLabels = false;
    TCaptionPlacement FCaptionPlacement = cpAsSpecified;
    bool FDeclutterSymbols = false;
    std::unique_ptr<TCaptionExtents> FCaptionExtents; ///< caption boxes by packed spot, for declutter
    bool FAntiAlias = true;
    double FGratLineDist = 0;
    int FUTMGridDist = 0;
    bool FSuppressPaint = false;
    std::vector<TGeoMapLayer*> FLayers; ///< not owned, drawn in order after the map image

    // Map image and view
    std::string FMapImgName;
    /// While a calibration file is read: its folder, where a relative image name is looked for
    /// when it is not found as given.
    std::string FCalibDir;
    int FMapImgWidth = 0;
    int FMapImgHeight = 0;
    double FMagnify = 1.0;
    TPoint FTopLeft;
    bool FConfinePan = true;
    bool FFreeView = false;
    /// What rounding left over when a resize last moved TopLeft (FreeView), and the TopLeft it
    /// gave: the carry counts only while the view has not moved since.
    double FResizeCarryX = 0, FResizeCarryY = 0;
    TPoint FResizeTopLeft;
    double FMinMagnify = 1.0 / 64;
    double FMaxMagnify = 64;

    // Mouse interaction: the state machine, its anchors and the zoom history live in FMouse.
    std::unique_ptr<TGeoMapMouse> FMouse;
    TMouseActMode FMouseAction = maPan;
    double FWheelZoom = 0;
    bool FKeyboardNav = false;
    bool FPressedInside = false; ///< a press inside the control that a release turns into OnClick

    // Calibration: model, data, removed-point copies, graticule matrix and fitted parameters
    TGeoCalibration FCalib;
    std::string FCalDatName;
};

} // namespace tyx
