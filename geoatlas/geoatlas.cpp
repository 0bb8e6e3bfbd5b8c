// TGeoAtlas: the panel, its command bar and tool buttons, and what the atlas does with the map
// control's events (mouse forwarding and zoom clicks, outlines of the other maps, image names).
#include "geoatlas/Tyx_geoatlas.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QToolButton>

#include <utility>

#include "geomap/core/tyx_geomap_xml.h"
#include "support/Tyx_filesys.h"

// Resources of a static library are registered by hand, once; outside the namespace, as the
// registration function is global.
static void InitAtlasResources()
{
    static const bool Done = [] {
        Q_INIT_RESOURCE(geoatlas);
        return true;
    }();
    (void)Done;
}

namespace tyx {

namespace {

constexpr int CmdPanelHeight = 33;
constexpr int ButtonSize = 26;
constexpr int GlyphSize = 20;
constexpr const char* EmptyAtlasMsg = "TGeoAtlas: Empty";

/// A flat, exclusive tool button whose glyph image holds the normal and the disabled glyph side
/// by side; on a screen of a device pixel ratio above 1 also the glyphs drawn at twice the pixels
/// (the resource's "@2x" variant).
QToolButton* MakeToolButton(QWidget* Bar, int Left, const QString& GlyphResource, bool Down)
{
    auto* B = new QToolButton(Bar);
    B->setGeometry(Left, 3, ButtonSize, ButtonSize);
    B->setAutoRaise(true);
    B->setCheckable(true);
    B->setAutoExclusive(true);
    B->setChecked(Down);
    B->setFocusPolicy(Qt::NoFocus);
    QIcon Icon;
    const bool Dense = qGuiApp->devicePixelRatio() > 1;
    for (const int Ratio : {1, 2}) {
        if (Ratio > 1 && !Dense) break;
        const QPixmap Glyphs(Ratio == 1 ? GlyphResource : GlyphResource + "@2x");
        const int Size = GlyphSize * Ratio;
        for (const auto& [Mode, Left] : {std::pair{QIcon::Normal, 0}, std::pair{QIcon::Disabled, Size}}) {
            QPixmap Glyph = Glyphs.copy(Left, 0, Size, Size);
            Glyph.setDevicePixelRatio(Ratio);
            Icon.addPixmap(Glyph, Mode);
        }
    }
    B->setIcon(Icon);
    B->setIconSize(QSize(GlyphSize, GlyphSize));
    return B;
}

} // namespace

TGeoAtlas::TGeoAtlas(QWidget* Parent) : QFrame(Parent)
{
    InitAtlasResources();
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAutoFillBackground(true);
    setGeometry(100, 50, 480, 320);

    FCPanel = new QFrame(this);
    FCPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    FCPanel->setAutoFillBackground(true);

    FSBPoint = MakeToolButton(FCPanel, 3, QStringLiteral(":/geoatlas/POINTR"), true);
    FSBZoom = MakeToolButton(FCPanel, FSBPoint->x() + FSBPoint->width() + 3, QStringLiteral(":/geoatlas/ZOOMIN"), false);
    connect(FSBPoint, &QToolButton::clicked, this, [this] { ButtonClick(FSBPoint); });
    connect(FSBZoom, &QToolButton::clicked, this, [this] { ButtonClick(FSBZoom); });

    FCboxMaps = new QComboBox(FCPanel);
    FCboxMaps->setEditable(false);
    FCboxMaps->setGeometry(FSBZoom->x() + FSBZoom->width() + 10, 5, 300, FCboxMaps->sizeHint().height());
    // activated: only what the user picks, not the selections made here.
    connect(FCboxMaps, &QComboBox::activated, this, [this](int Item) { SelectorChange(Item); });

    // A Qt child only: the atlas's Qt parenthood is what destroys it.
    FGeoMap = new TGeoMap(this);
    FGeoMap->OnMouseDown = [this](TObject*, TMouseButton Button, TShiftState Shift, int X, int Y) {
        MapMouseDown(Button, Shift, X, Y);
    };
    FGeoMap->OnMouseUp = [this](TObject*, TMouseButton Button, TShiftState Shift, int X, int Y) {
        if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
    };
    FGeoMap->OnMouseMove = [this](TObject*, TShiftState Shift, int X, int Y) {
        if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
    };
    FGeoMap->OnClick = [this](TObject*) {
        if (OnClick) OnClick(this);
        emit clicked();
    };
    FGeoMap->OnDblClick = [this](TObject*) {
        if (OnDblClick) OnDblClick(this);
        emit doubleClicked();
    };
    FGeoMap->OnDataRendered = [this](TObject*, TCanvas& Canvas) { DrawOutlines(Canvas); };
    FGeoMap->OnMapImageRequest = [this](TObject*, std::string& FileName) { ResolveImageName(FileName); };
    // Set once, here, so that a host's own message stays.
    FGeoMap->SetEmptyMsg(EmptyAtlasMsg);
    Arrange();

    LoadCursorResource(crGeoZoom, ":/geoatlas/CURGEOZOOM", 6, 6);
    LoadCursorResource(crGeoHand, ":/geoatlas/CURGEOHAND", 0, 0);
}

TGeoAtlas::~TGeoAtlas()
{
    // The map control goes first, while the atlas its events call into is still whole.
    delete FGeoMap;
    delete FCPanel;
}

void TGeoAtlas::SetName(const std::string& Value)
{
    TComponent::SetName(Value);
    setObjectName(QString::fromStdString(Value));
}

void TGeoAtlas::resizeEvent(QResizeEvent* Event)
{
    QFrame::resizeEvent(Event);
    Arrange();
}

void TGeoAtlas::Arrange()
{
    const QRect R = contentsRect();
    int Top = R.top();
    if (!FCPanel->isHidden()) {
        FCPanel->setGeometry(R.left(), Top, R.width(), CmdPanelHeight);
        Top += CmdPanelHeight;
    }
    FGeoMap->setGeometry(R.left(), Top, R.width(), std::max(0, R.bottom() + 1 - Top));
}

bool TGeoAtlas::CmdPanelVisible() const
{
    return !FCPanel->isHidden();
}

void TGeoAtlas::SetCmdPanelVisible(bool Value)
{
    FCPanel->setVisible(Value);
    Arrange();
}

void TGeoAtlas::SetMapOutlineColor(TColor Value)
{
    FMapOLColor = Value;
    RefreshMap();
}

void TGeoAtlas::SetMapOutlineVisible(bool Value)
{
    FMapOLVisible = Value;
    RefreshMap();
}

void TGeoAtlas::SetCursor(TCursor Value)
{
    FCursor = Value;
    if (Value == crDefault)
        unsetCursor();
    else
        setCursor(Screen().Cursors(Value));
}

void TGeoAtlas::RefreshMap()
{
    FGeoMap->Paint();
}

void TGeoAtlas::ButtonClick(QToolButton* Sender)
{
    if (FSBZoom->isChecked()) {
        SetCursor(crGeoZoom);
        FGeoMap->SetAllowPan(false);
    } else {
        SetCursor(crHandPoint);
        FGeoMap->SetAllowPan(true);
    }
    if (OnClick) OnClick(this);
    emit clicked();
    if (Sender == FSBZoom) {
        if (OnZoomButClick) OnZoomButClick(this);
        emit zoomButtonClicked();
    } else {
        if (OnPointerButClick) OnPointerButClick(this);
        emit pointerButtonClicked();
    }
}

void TGeoAtlas::SelectorChange(int ItemIndex)
{
    const int k = MapOfItem(ItemIndex);
    if (k == 0) return;
    if (FKeepView)
        SelectMapAt(k, FGeoMap->width() / 2, FGeoMap->height() / 2);
    else
        LoadMap(k);
    if (OnCBoxMapsChange) OnCBoxMapsChange(this);
    emit mapSelected(k);
}

void TGeoAtlas::MapMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
    if (!FSBZoom->isChecked()) return;
    // A click outside the calibrated area has no position to zoom about.
    bool LatValid = false, LongValid = false;
    const double Lat = FGeoMap->CalcLatitude(FGeoMap->LastClickPosX(), FGeoMap->LastClickPosY(), LatValid);
    const double Long = FGeoMap->CalcLongitude(FGeoMap->LastClickPosX(), FGeoMap->LastClickPosY(), LongValid);
    if (!LatValid || !LongValid) return;
    const double Resolution = FGeoMap->CalibData().Resolution;
    if (FKeepView) {
        // The position under the mouse to a fraction of a pixel, kept under the mouse.
        double ExactLat = Lat, ExactLong = Long;
        FGeoMap->LocationAtControl(X, Y, ExactLat, ExactLong);
        const int k = FindZoomMap(Button == mbLeft, ExactLat, ExactLong, Resolution);
        if (k != 0 && SelectMap(k)) FGeoMap->PlaceLocationAt(ExactLat, ExactLong, X, Y);
        return;
    }
    if (Button == mbLeft)
        ZoomIn(Lat, Long, Resolution);
    else
        ZoomOut(Lat, Long, Resolution);
}

void TGeoAtlas::DrawOutlines(TCanvas& Canvas)
{
    if (!FMapOLVisible) return;
    Canvas.Pen().SetColor(FMapOLColor);
    Canvas.Pen().SetStyle(psSolid);
    const int Shown = MapOfItem(FCboxMaps->currentIndex());
    constexpr TCorners Path[] = {gcoTopRight, gcoTopLeft, gcoBottomLeft, gcoBottomRight, gcoTopRight};
    for (int k = 1; k <= FNumRegMaps; ++k) {
        if (k == Shown) continue;
        const TCornerArray& Corners = FRegMaps[k - 1].Corners;
        // Corners that do not convert are left out; the outline starts at the first that does,
        // never at wherever the pen was left.
        bool Started = false;
        for (const TCorners c : Path) {
            int x = 0, y = 0;
            if (!FGeoMap->CalcPixelCoords(Corners[c].Latit, Corners[c].Longit, x, y)) continue;
            const TPoint P = FGeoMap->MapImageToControl(TPoint{x, y});
            if (Started) {
                Canvas.LineTo(P.X, P.Y);
            } else {
                Canvas.MoveTo(P.X, P.Y);
                Started = true;
            }
        }
    }
}

void TGeoAtlas::ResolveImageName(std::string& FileName) const
{
    // Without a current map there is no calibration file to look beside.
    if (FCurrentMapIdx < 1 || FCurrentMapIdx > FNumRegMaps) return;
    const std::string& Calib = FRegMaps[FCurrentMapIdx - 1].LoadFName;
    const std::string Dir = Calib.substr(0, Calib.size() - StripPath(Calib).size());
    FileName = FindFileIgnoringCase(Dir + StripPath(FileName), LowerCase);
}

} // namespace tyx
