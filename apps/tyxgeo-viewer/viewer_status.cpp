// The viewer's status bar. QStatusBar shows its messages left of the permanent widgets, so the
// position label must not stretch over them.
#include "viewer_status.h"

#include "geobasics/Tyx_geobasics.h"
#include "geodb/Tyx_GeoDB.h"
#include "geomap/Tyx_geomap.h"

#include <QComboBox>
#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QStatusBar>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tyx::viewer {

namespace {

void Echo(const char* What, const QString& Text)
{
    std::printf("%s: %s\n", What, Text.toUtf8().constData());
    std::fflush(stdout);
}

} // namespace

QString PositionText(double Lat, double Long)
{
    // Below half a second of arc the sign would show as a hemisphere at zero.
    if (std::fabs(Lat) < 1.0 / 7200) Lat = 0;
    if (std::fabs(Long) < 1.0 / 7200) Long = 0;
    QString Text = QString::fromStdString(GeoLatitude(Lat, dfDegMinSec, 0) + "  " + GeoLongitude(Long, dfDegMinSec, 0));
    int Zone = 0;
    char Band = ' ';
    GeoToUTMZone(Lat, Long, Zone, Band);
    if (Zone == 0) return Text + "   (outside UTM)";
    double Easting = 0, Northing = 0;
    LatLongToUTM(Lat, Long, gelWGS84, Zone, Easting, Northing);
    return Text + QString("   UTM %1%2 %3 E %4 N")
                      .arg(Zone)
                      .arg(QChar(Band))
                      .arg(std::llround(Easting))
                      .arg(std::llround(Northing));
}

TViewerStatus::TViewerStatus(QStatusBar* Bar, TGeoMap* Map) : QObject(Bar), FBar(Bar), FMap(Map)
{
    FPosition = new QLabel;
    FPosition->setObjectName("position");
    // Wide enough for a position with its UTM square, so that the message field does not jump.
    FPosition->setMinimumWidth(FPosition->fontMetrics().horizontalAdvance(PositionText(-88.8888, -188.8888) + "Centre: "));
    FBar->addPermanentWidget(FPosition);
    connect(FBar, &QStatusBar::messageChanged, this, [this](const QString& Text) {
        if (FEcho) Echo("message", Text);
    });
    FMap->installEventFilter(this);
}

void TViewerStatus::ShowMessage(const QString& Text, int TimeoutMs) { FBar->showMessage(Text, TimeoutMs); }

QString TViewerStatus::Message() const { return FBar->currentMessage(); }

QString TViewerStatus::Position() const { return FPosition->text(); }

void TViewerStatus::SetPosition(const QString& Text)
{
    if (Text == FPosition->text()) return;
    FPosition->setText(Text);
    if (FEcho) Echo("status", Text);
}

void TViewerStatus::ShowPositionAt(int X, int Y)
{
    // The point under the cursor to a fraction of a map pixel, so that the position reads the same
    // on a coarse map and on the finer one a zoom switches to.
    const TGeoMap& M = *FMap;
    const double x = M.TopLeft().X + X / M.Magnification(), y = M.TopLeft().Y + Y / M.Magnification();
    double Lat = 0, Long = 0;
    const bool Inside = x >= 0 && y >= 0 && x <= M.MapImgWidth() && y <= M.MapImgHeight();
    SetPosition(Inside && M.CalcLatLong(x, y, Lat, Long) ? PositionText(Lat, Long) : QString("off the map"));
}

void TViewerStatus::ShowViewCentre()
{
    if (FMap->MapImgWidth() == 0) return;
    // The middle of the control, when the image is there; else the middle of the part of the
    // image in view.
    const TPoint A = FMap->MapImageToControl(TPoint{0, 0});
    const TPoint B = FMap->MapImageToControl(TPoint{FMap->MapImgWidth(), FMap->MapImgHeight()});
    const int Left = std::max(0, A.X), Top = std::max(0, A.Y);
    const int Right = std::min(FMap->width(), B.X), Bottom = std::min(FMap->height(), B.Y);
    if (Right <= Left || Bottom <= Top) return SetPosition("off the map");
    const int X = FMap->width() / 2, Y = FMap->height() / 2;
    const bool Middle = X >= Left && X < Right && Y >= Top && Y < Bottom;
    double Lat = 0, Long = 0;
    if (FMap->LocationAtControl(Middle ? X : (Left + Right) / 2.0, Middle ? Y : (Top + Bottom) / 2.0, Lat, Long))
        SetPosition("Centre: " + PositionText(Lat, Long));
}

void TViewerStatus::Refresh()
{
    const QPoint At = FMap->mapFromGlobal(QCursor::pos());
    if (FMap->underMouse() && FMap->rect().contains(At))
        ShowPositionAt(At.x(), At.y());
    else
        ShowViewCentre();
}

bool TViewerStatus::eventFilter(QObject* Watched, QEvent* Event)
{
    // A position under a mouse that is elsewhere would be stale.
    if (Watched == FMap && Event->type() == QEvent::Leave) SetPosition(QString());
    return QObject::eventFilter(Watched, Event);
}

void ReturnKeysToMap(QComboBox* Selector, QWidget* Map)
{
    QObject::connect(Selector, &QComboBox::activated, Map, [Map] { Map->setFocus(Qt::OtherFocusReason); });
}

} // namespace tyx::viewer
