// TGeoMap: construction, copying, the property setters, landmarks and the view state.
#include "geomap/Tyx_geomap.h"
#include "geomap/geomap_limits.h"
#include "geomap/geomap_mouse.h"
#include "geomap/geomap_overlay.h"
#include "geomap/geomap_pyramid.h"
#include "geomap/geomap_restore.h"

#include <QMetaMethod>
#include <QMetaType>

#include <algorithm>
#include <cmath>

#include "host/gui/tyx_stretchblt.h"
#include "host/tyx_rounding.h"

namespace tyx {

namespace {

constexpr double MaxCacheMagLimit = 2.0 / 3.0;

/// The common setter: store, then show the change.
template <typename T>
void StoreAndPaint(TGeoMap& Map, T& Field, const T& Value)
{
    Field = Value;
    Map.Paint();
}

/// The text properties are QString for Designer; code that reads or writes them as the library's
/// UTF-8 std::string through QVariant keeps working.
void RegisterTextConversions()
{
    if (!QMetaType::hasRegisteredConverterFunction<QString, std::string>())
        QMetaType::registerConverter<QString, std::string>(&QString::toStdString);
    if (!QMetaType::hasRegisteredConverterFunction<std::string, QString>())
        QMetaType::registerConverter<std::string, QString>(&QString::fromStdString);
}

} // namespace

TGeoMap::TGeoMap(QWidget* Parent, TComponent* AOwner)
    : QWidget(Parent), TComponent(AOwner), FCacheMagLimit(MaxCacheMagLimit),
      FMaxMapPixels(DefaultMaxMapPixels)
{
    static const bool TextConversions = (RegisterTextConversions(), true);
    (void)TextConversions;
    resize(500, 400);
    setMouseTracking(true);
    // Every paint covers the whole control with the composed picture.
    setAttribute(Qt::WA_OpaquePaintEvent);

    AuxBmp.SetPixelFormat(pf15bit);
    FImgCache.SetPixelFormat(pf15bit);
    FCacheAA = FAntiAlias;

    FLandMarks.SetActionCheck([this](TLandMarkAction Action, const TLandMark& LandMark) {
        bool Allowed = true;
        if (OnLandMarkAction) OnLandMarkAction(this, Allowed, Action, LandMark);
        if (Allowed) emit landmarkAction(Action, LandMark);
        return Allowed;
    });
    FCalib.SetMapImageSize(0, 0);
    FMouse = std::make_unique<TGeoMapMouse>(*this);
    ClearZoomHistory();
}

TGeoMap::~TGeoMap() = default;

void TGeoMap::RaiseInsufficientMemory() const
{
    throw ETYXGeoMapError(Name(), "insufficient memory");
}

void TGeoMap::SetName(const std::string& Value)
{
    TComponent::SetName(Value);
    setObjectName(QString::fromStdString(Value));
    FCalib.SetOwnerName(Value);
    FLandMarks.SetOwnerName(Value);
}

void TGeoMap::Assign(const TGeoMap& Source)
{
    if (&Source == this) return;

    // The landmarks come first: theirs is the only copy that can fail for want of memory, and
    // failing before anything else is touched leaves this control as it was.
    FLandMarks.Assign(Source.FLandMarks);

    AuxBmp.Assign(Source.AuxBmp);
    FImgCache.Assign(Source.FImgCache);
    FCacheMag = Source.FCacheMag;
    FCacheAA = Source.FCacheAA;
    FCacheMagLimit = Source.FCacheMagLimit;

    FLMRandSampleLimit = Source.FLMRandSampleLimit;
    FLMOnMapOnly = Source.FLMOnMapOnly;
    FHighLM = Source.FHighLM;
    FHighLMColFG = Source.FHighLMColFG;
    FHighLMColBG = Source.FHighLMColBG;
    FHighLMTrans = Source.FHighLMTrans;

    FColorBakGnd = Source.FColorBakGnd;
    FFrameStyle = Source.FFrameStyle;
    FFrameColor = Source.FFrameColor;
    FColorGratLine = Source.FColorGratLine;
    FColorGratPoints = Source.FColorGratPoints;
    FColBlackLine = Source.FColBlackLine;
    FColGrayLine = Source.FColGrayLine;
    FColWhiteLine = Source.FColWhiteLine;
    FEmptyMsg = Source.FEmptyMsg;
    FShowGrat = Source.FShowGrat;
    FShowScaleBar = Source.FShowScaleBar;
    FGratLabels = Source.FGratLabels;
    FCaptionPlacement = Source.FCaptionPlacement;
    FDeclutterSymbols = Source.FDeclutterSymbols;
    FHighDpi = Source.FHighDpi;
    FPixelRatio = Source.FPixelRatio;
    FAntiAlias = Source.FAntiAlias;
    FGratLineDist = Source.FGratLineDist;
    FUTMGridDist = Source.FUTMGridDist;
    FSuppressPaint = Source.FSuppressPaint;

    FMapImgName = Source.FMapImgName;
    FMapImgWidth = Source.FMapImgWidth;
    FMapImgHeight = Source.FMapImgHeight;
    FMagnify = Source.FMagnify;
    FTopLeft = Source.FTopLeft;
    FConfinePan = Source.FConfinePan;
    FFreeView = Source.FFreeView;
    FMinMagnify = Source.FMinMagnify;
    FMaxMagnify = Source.FMaxMagnify;

    // Mouse state, anchors, last positions and the zoom history.
    FMouse->AssignState(*Source.FMouse);
    FMouseAction = Source.FMouseAction;
    FWheelZoom = Source.FWheelZoom;
    SetKeyboardNavigation(Source.FKeyboardNav);

    // The core's copy keeps this control's name for its messages.
    FCalib = Source.FCalib;
    FCalDatName = Source.FCalDatName;

    GrafBmp.Assign(Source.GrafBmp);
    // Held images never change: the copy shares the pixels.
    FLarge = Source.FLarge;
    FMaxMapPixels = Source.FMaxMapPixels;
}

void TGeoMap::AssignTo(TGeoMap& Dest) const
{
    Dest.Assign(*this);
}

// ---- Published properties ----

void TGeoMap::SetAntiAlias(bool Value)
{
    StoreAndPaint(*this, FAntiAlias, Value);
}

void TGeoMap::SetCaptionPlacement(TCaptionPlacement Value)
{
    StoreAndPaint(*this, FCaptionPlacement, Value > cpDeclutter ? cpAsSpecified : Value);
}

void TGeoMap::SetDeclutterSymbols(bool Value)
{
    StoreAndPaint(*this, FDeclutterSymbols, Value);
}

void TGeoMap::SetCacheMagLimit(double Value)
{
    if (std::isnan(Value)) return;
    FCacheMagLimit = std::clamp(Value, 0.0, MaxCacheMagLimit);
    if (FMagnify < MaxCacheMagLimit) Paint();
}

void TGeoMap::SetColorBakGnd(TColor Value)
{
    StoreAndPaint(*this, FColorBakGnd, Value);
}

void TGeoMap::SetColorGratLine(TColor Value)
{
    StoreAndPaint(*this, FColorGratLine, Value);
}

void TGeoMap::SetColorGratPoints(TColor Value)
{
    StoreAndPaint(*this, FColorGratPoints, Value);
}

void TGeoMap::SetColorFrame(TColor Value)
{
    StoreAndPaint(*this, FFrameColor, Value);
}

void TGeoMap::SetConfinePan(bool Value)
{
    FConfinePan = Value;
    if (FConfinePan) PanMapToFillWindow();
}

void TGeoMap::SetEmptyMsg(const std::string& Value)
{
    StoreAndPaint(*this, FEmptyMsg, Value);
}

void TGeoMap::SetFrameStyle(TFrameStyle Value)
{
    if (Value == FFrameStyle) return;
    FFrameStyle = Value;
    Paint();
}

void TGeoMap::SetGratLineDist(double Value)
{
    if (std::isnan(Value)) return;
    FGratLineDist = std::clamp(Value, 0.0, 60.0);
    Paint();
}

void TGeoMap::SetUTMGridDist(int Value)
{
    FUTMGridDist = std::clamp(Value, 0, 10000000);
    Paint();
}

void TGeoMap::SetShowGrat(TShowGrat Value)
{
    if (Value == FShowGrat) return;
    FShowGrat = Value;
    Paint();
}

void TGeoMap::SetShowScaleBar(bool Value)
{
    StoreAndPaint(*this, FShowScaleBar, Value);
}

void TGeoMap::SetGratLabels(bool Value)
{
    StoreAndPaint(*this, FGratLabels, Value);
}

// ---- Public properties ----

void TGeoMap::SetHighLM(int Value)
{
    if (Value < 0 || Value > NumLandMarks()) Value = 0;
    if (Value == FHighLM) return;
    FHighLM = Value;
    Paint();
}

void TGeoMap::SetHighLightProperties(TColor ColorFG, TColor ColorBG, bool Transparent)
{
    FHighLMColFG = ColorFG;
    FHighLMColBG = ColorBG;
    FHighLMTrans = Transparent;
    Paint();
}

void TGeoMap::SetRandSampleLimit(int Value)
{
    if (Value <= 1000 || Value == FLMRandSampleLimit) return;
    FLMRandSampleLimit = Value;
    Paint();
}

void TGeoMap::SetSuppressPaint(bool Value)
{
    if (Value == FSuppressPaint) return;
    FSuppressPaint = Value;
    if (!FSuppressPaint) Paint();
}

void TGeoMap::SetTopLeft(const TPoint& Value)
{
    StoreAndPaint(*this, FTopLeft, Value);
}

void TGeoMap::SetMapImageSize(int Width, int Height)
{
    FMapImgWidth = Width;
    FMapImgHeight = Height;
    FCalib.SetMapImageSize(Width, Height);
}

// ---- Map image ----

void TGeoMap::SetMaxMapPixels(int Value)
{
    if (Value >= 1) FMaxMapPixels = Value;
}

int TGeoMap::HeldWidth() const { return FLarge ? FLarge->Width() : GrafBmp.Width(); }
int TGeoMap::HeldHeight() const { return FLarge ? FLarge->Height() : GrafBmp.Height(); }

QImage TGeoMap::MapImage() const { return FLarge ? FLarge->Level(0) : GrafBmp.Image(); }

void TGeoMap::TakeLargeImage(QImage Image)
{
    CheckMapPixels(Name(), Image.width(), Image.height(), FMaxMapPixels);
    auto Pyramid = std::make_shared<const TImagePyramid>(std::move(Image));
    FCacheMag = 0;
    FLarge = std::move(Pyramid);
    // Neither the small image nor a composition bitmap of the image's size is kept: the view
    // is composed at the control's size and sampled from the pyramid.
    GrafBmp.SetSize(0, 0);
    FImgCache.SetSize(0, 0);
    AuxBmp.SetSize(0, 0);
    FMapImgName = UnknownImageName;
    SetMapImageSize(FLarge->Width(), FLarge->Height());
    FTopLeft = TPoint{};
    Paint();
}

void TGeoMap::SetMapBitMap(const TBitmap& Value)
{
    CheckMapPixels(Name(), Value.Width(), Value.Height(), FMaxMapPixels);
    if (static_cast<long long>(Value.Width()) * Value.Height() > DefaultMaxMapPixels) {
        TakeLargeImage(Value.ToQImage());
        return;
    }
    FLarge.reset();
    FCacheMag = 0;
    GrafBmp.Assign(Value);
    FMapImgName = UnknownImageName;
    SetMapImageSize(GrafBmp.Width(), GrafBmp.Height());
    AuxBmp.SetSize(FMapImgWidth, FMapImgHeight);
    FTopLeft = TPoint{};
    Paint();
}

void TGeoMap::ResizeMap(double Magnification)
{
    if (!(Magnification > 0) || !std::isfinite(Magnification)) return;
    const int NewW = Round(HeldWidth() * Magnification);
    const int NewH = Round(HeldHeight() * Magnification);
    // Enlarging is bounded like loading: an image beyond the limit is refused before anything
    // is touched.
    CheckMapPixels(Name(), NewW, NewH, FMaxMapPixels);

    FCacheMag = 0;
    if (FLarge || static_cast<long long>(NewW) * NewH > DefaultMaxMapPixels) {
        const QImage Source = MapImage();
        QImage Resampled = Source.scaled(NewW, NewH, Qt::IgnoreAspectRatio,
                                         FAntiAlias ? Qt::SmoothTransformation : Qt::FastTransformation);
        if (Resampled.isNull()) RaiseInsufficientMemory();
        if (static_cast<long long>(NewW) * NewH > DefaultMaxMapPixels) {
            const TRestore<bool> Quiet(FSuppressPaint, true);
            const std::string KeepName = FMapImgName;
            TakeLargeImage(std::move(Resampled));
            FMapImgName = KeepName;
        } else {
            FLarge.reset();
            GrafBmp.AssignImage(CompactImage(std::move(Resampled)));
        }
    } else {
        TBitmap Resampled(NewW, NewH, GrafBmp.PixelFormat());
        if (!GrafBmp.Palette().empty()) Resampled.SetPalette(GrafBmp.Palette());
        SetStretchBltMode(Resampled.Canvas(), FAntiAlias ? HALFTONE : COLORONCOLOR);
        StretchBlt(Resampled.Canvas(), 0, 0, NewW, NewH, GrafBmp, 0, 0, GrafBmp.Width(), GrafBmp.Height());
        GrafBmp.Assign(Resampled);
    }

    FCalib.ScalePixelPositions(Magnification);
    // The extents are measured on the new image, so the core learns its size before the refit.
    SetMapImageSize(NewW, NewH);
    // The refit shows the resampled map at the old view, the end the new view: two pictures.
    RecalcCalibration();

    if (!FLarge) AuxBmp.SetSize(NewW, NewH);
    FTopLeft = TPoint{};
    Paint();
}

void TGeoMap::ResizeMap(int LongerEdgeLength)
{
    if (FMapImgWidth <= 0 || FMapImgHeight <= 0 || LongerEdgeLength < 1) return;
    const int Longer = FMapImgWidth < FMapImgHeight ? FMapImgHeight : FMapImgWidth;
    ResizeMap(static_cast<double>(LongerEdgeLength) / Longer);
}

// ---- Events ----

void TGeoMap::DoZoomPanEvent()
{
    if (OnZoomPan) OnZoomPan(this);
    emit zoomPanned();
}

void TGeoMap::DoSelectRectEvent(int Mode, double a, double b, double c, double d)
{
    if (OnSelectRect) OnSelectRect(this, Mode, a, b, c, d);
    emit rectSelected(Mode, a, b, c, d);
}

TProgressEvent TGeoMap::LoadingProgress()
{
    if (!OnDataLoading && !isSignalConnected(QMetaMethod::fromSignal(&TGeoMap::dataLoading))) return {};
    return [this](TObject*, int Percent) {
        if (OnDataLoading) OnDataLoading(this, Percent);
        emit dataLoading(Percent);
    };
}

} // namespace tyx
