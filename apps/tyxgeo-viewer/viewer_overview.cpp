// The overview is a map control of its own, child of the main one, showing the coarsest map whole;
// the outline is drawn as its data overlay from the main view's edges, converted through both
// calibrations, so that it bends as a projected view does on the coarse map.
#include "viewer_overview.h"

#include "geoatlas/Tyx_geoatlas.h"
#include "geomap/Tyx_geomap.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tyx::viewer {

namespace {

/// Keeps this far from the view's right and bottom edges, control pixels.
constexpr int Margin = 10;
/// Points sampled along each edge of the view for the outline.
constexpr int EdgeSteps = 8;

} // namespace

bool MoveViewTo(TGeoAtlas& Atlas, double Lat, double Long)
{
    const int Current = Atlas.CurrentMapIndex();
    auto Covers = [&](int k) { return PositionInMap(Lat, Long, Atlas.Maps(k).Corners); };
    if (Current > 0 && Covers(Current)) {
        Atlas.CurrentMap()->CenterOnLatLong(Lat, Long); // exact: the viewer lets the view reach beyond the image
        return true;
    }
    const double Res = Current > 0 ? Atlas.Maps(Current).Resolution : 0;
    int Best = 0;
    double BestGap = std::numeric_limits<double>::infinity();
    for (int k = 1; k <= Atlas.NumRegMaps(); ++k) {
        if (!Covers(k)) continue;
        const double R = Atlas.Maps(k).Resolution;
        const double Gap = Res > 0 && R > 0 ? std::fabs(std::log(R / Res)) : 0;
        if (Gap < BestGap) {
            Best = k;
            BestGap = Gap;
        }
    }
    if (Best == 0) return false;
    const double GroundPerPixel = Res > 0 ? Res / Atlas.CurrentMap()->Magnification() : 0;
    Atlas.SelectMap(Best);
    if (GroundPerPixel > 0 && Atlas.Maps(Best).Resolution > 0)
        Atlas.CurrentMap()->SetMagnification(Atlas.Maps(Best).Resolution / GroundPerPixel);
    Atlas.CurrentMap()->CenterOnLatLong(Lat, Long); // exact: the viewer lets the view reach beyond the image
    return true;
}

TOverview::TOverview(TGeoAtlas& Atlas) : QObject(&Atlas), FAtlas(Atlas)
{
    FMini = new TGeoMap(Atlas.CurrentMap());
    FMini->SetName("overview");
    FMini->SetMouseAction(maNone);
    FMini->SetAntiAlias(true);
    FMini->setCursor(Qt::PointingHandCursor);
    FMini->setToolTip("Overview: click or drag to move the view");
    FMini->OnDataRendered = [this](TObject*, TCanvas& C) { DrawOutline(C); };
    FMini->hide();
    FMini->installEventFilter(this);
    Atlas.CurrentMap()->installEventFilter(this);
    // Every composition of the main view passes here, also those no paint event follows (a
    // window off the screen); the atlas's own outlines are drawn first.
    TGeoMap& Main = *Atlas.CurrentMap();
    Main.OnDataRendered = [this, Before = Main.OnDataRendered](TObject* Sender, TCanvas& C) {
        if (Before) Before(Sender, C);
        ViewComposed();
    };
}

void TOverview::ViewComposed()
{
    if (FRefreshQueued) return;
    FRefreshQueued = true;
    // Once the event loop is free: the view read then is the control's own, not an export's.
    QTimer::singleShot(0, this, [this] {
        const TGeoMap& Main = *FAtlas.CurrentMap();
        const std::array<double, 6> View{double(Main.TopLeft().X), double(Main.TopLeft().Y), Main.Magnification(),
                                         double(FAtlas.CurrentMapIndex()), double(Main.width()), double(Main.height())};
        if (View != FLastView) {
            FLastView = View;
            Refresh();
        }
        FRefreshQueued = false;
    });
}

void TOverview::AddTo(QMenu& Menu)
{
    FAction = Menu.addAction("&Overview");
    FAction->setCheckable(true);
    FAction->setChecked(FEnabled);
    connect(FAction, &QAction::toggled, this, [this](bool On) { SetEnabled(On); });
}

void TOverview::SetEnabled(bool Value)
{
    if (FAction && FAction->isChecked() != Value) FAction->setChecked(Value);
    FEnabled = Value;
    Refresh();
}

int TOverview::Coarsest() const
{
    int Best = 0;
    for (int k = 1; k <= FAtlas.NumRegMaps(); ++k)
        if (Best == 0 || FAtlas.Maps(k).Resolution > FAtlas.Maps(Best).Resolution) Best = k;
    return Best;
}

void TOverview::Refresh()
{
    const TGeoMap& Main = *FAtlas.CurrentMap();
    const int C = Coarsest();
    const bool Wanted = FEnabled && FAtlas.NumRegMaps() > 1 && C > 0 && FAtlas.CurrentMapIndex() != C &&
                        Main.width() >= 400 && Main.height() >= 300;
    if (Wanted && FLoaded != C) {
        FLoaded = 0;
        try {
            if (FMini->LoadCalDataFromXML(FAtlas.Maps(C).LoadFName, "")) FLoaded = C;
        } catch (const ETYXError&) {
            // A map that cannot be read has no overview.
        }
    }
    if (!Wanted || FLoaded != C || FMini->MapImgWidth() <= 0) {
        FMini->hide();
        return;
    }
    Place();
    FMini->Paint();
    FMini->show();
    FMini->raise();
}

void TOverview::Place()
{
    const TGeoMap& Main = *FAtlas.CurrentMap();
    const double Shape = double(FMini->MapImgHeight()) / FMini->MapImgWidth();
    int W = std::clamp(Main.width() / 5, 120, 240);
    int H = static_cast<int>(std::lround(W * Shape));
    if (H > Main.height() / 3) {
        H = Main.height() / 3;
        W = static_cast<int>(std::lround(H / Shape));
    }
    const QRect Where(Main.width() - W - Margin, Main.height() - H - Margin, W, H);
    if (FMini->geometry() != Where) FMini->setGeometry(Where);
    FMini->ZoomFitPage();
}

void TOverview::DrawOutline(TCanvas& C)
{
    const TGeoMap& Main = *FAtlas.CurrentMap();
    const int W = Main.width(), H = Main.height();
    QPolygonF Outline;
    auto Add = [&](int X, int Y) {
        const TPoint Px = Main.ControlToMapImage(TPoint{X, Y});
        bool V1 = false, V2 = false;
        const double Lat = Main.CalcLatitude(Px, V1), Long = Main.CalcLongitude(Px, V2);
        int x = 0, y = 0;
        if (!V1 || !V2 || !FMini->CalcPixelCoords(std::clamp(Lat, -90.0, 90.0), Long, x, y)) return;
        const TPoint At = FMini->MapImageToControl(TPoint{x, y});
        Outline << QPointF(At.X, At.Y);
    };
    for (int i = 0; i < EdgeSteps; ++i) Add(W * i / EdgeSteps, 0);
    for (int i = 0; i < EdgeSteps; ++i) Add(W, H * i / EdgeSteps);
    for (int i = EdgeSteps; i > 0; --i) Add(W * i / EdgeSteps, H);
    for (int i = EdgeSteps; i > 0; --i) Add(0, H * i / EdgeSteps);
    if (Outline.size() < 3) return;
    QPainter& P = C.Painter();
    P.save();
    P.setRenderHint(QPainter::Antialiasing);
    const QRectF Box = Outline.boundingRect();
    if (Box.width() < 6 && Box.height() < 6) {
        // Too small to see as a box: a cross on its centre.
        const QPointF M = Box.center();
        P.setPen(QPen(QColor(220, 0, 0), 2));
        P.drawLine(M - QPointF(6, 0), M + QPointF(6, 0));
        P.drawLine(M - QPointF(0, 6), M + QPointF(0, 6));
    } else {
        P.setPen(QPen(QColor(220, 0, 0), 2));
        P.setBrush(QColor(220, 0, 0, 40));
        P.drawPolygon(Outline);
    }
    P.restore();
}

void TOverview::MoveTo(const QPoint& At)
{
    const TPoint Px = FMini->ControlToMapImage(TPoint{At.x(), At.y()});
    bool V1 = false, V2 = false;
    const double Lat = FMini->CalcLatitude(Px, V1), Long = FMini->CalcLongitude(Px, V2);
    if (!V1 || !V2 || !MoveViewTo(FAtlas, Lat, Long)) return;
    if (OnMoved) OnMoved();
}

bool TOverview::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == FMini) {
        const QEvent::Type T = Event->type();
        // Only mouse events may be read as such.
        const auto* M = T == QEvent::MouseButtonPress || T == QEvent::MouseMove ? static_cast<QMouseEvent*>(Event) : nullptr;
        const bool Press = M && T == QEvent::MouseButtonPress && M->button() == Qt::LeftButton;
        const bool Drag = M && T == QEvent::MouseMove && (M->buttons() & Qt::LeftButton);
        if (M && (Press || Drag)) {
            MoveTo(M->position().toPoint());
            return true;
        }
        return Event->type() == QEvent::MouseButtonRelease || Event->type() == QEvent::MouseButtonDblClick;
    }
    if (Event->type() == QEvent::Resize) ViewComposed();
    return false;
}

} // namespace tyx::viewer
