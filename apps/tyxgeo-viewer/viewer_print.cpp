// The viewer's documents. Both compose off the screen through the map control, so the window's
// picture is never disturbed; the look a document asks for is set without repainting and put back
// when it is done.
#include "viewer_print.h"

#include "geoatlas/Tyx_geoatlas.h"
#include "geomap/Tyx_geomap.h"

#include <QDate>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include <algorithm>

namespace tyx::viewer {

namespace {

/// A round graticule spacing in degrees giving some six lines across the larger side of the
/// view's part on the map: the renderer's own choice (a line a degree) crowds a small-scale page.
double GraticuleStep(const TGeoMap& Map, const QRect& Part)
{
    double LatLo = 90, LatHi = -90, LongLo = 360, LongHi = -360;
    for (const QPoint& C : {Part.topLeft(), Part.topRight(), Part.bottomLeft(), Part.bottomRight(), Part.center()}) {
        const TPoint Px = Map.ControlToMapImage(TPoint{C.x(), C.y()});
        bool V1 = false, V2 = false;
        const double Lat = Map.CalcLatitude(Px, V1), Long = Map.CalcLongitude(Px, V2);
        if (!V1 || !V2) continue;
        LatLo = std::min(LatLo, Lat);
        LatHi = std::max(LatHi, Lat);
        LongLo = std::min(LongLo, Long);
        LongHi = std::max(LongHi, Long);
    }
    const double Wanted = std::max(LatHi - LatLo, LongHi - LongLo) / 6;
    for (const double Step : {0.01, 0.02, 0.05, 0.1, 0.2, 0.25, 0.5, 1.0, 2.0, 5.0, 10.0, 15.0, 20.0, 30.0})
        if (Step >= Wanted) return Step;
    return 30;
}

/// The map dressed for a document while this lives: the other maps' outlines as asked, and for a
/// page the scale bar and the graticule lines with their degree labels (a UTM grid stays as it
/// is). Nothing is repainted until it ends.
class TDocumentLook {
public:
    TDocumentLook(TGeoAtlas& Atlas, bool Outlines, bool Page)
        : FAtlas(Atlas), FMap(*Atlas.CurrentMap()), FSuppressed(FMap.SuppressPaint()),
          FOutlines(Atlas.MapOutlineVisible()), FGrat(FMap.ShowGraticule()), FLabels(FMap.GratLabels()),
          FBar(FMap.ShowScaleBar()), FStep(FMap.GratLineDist())
    {
        FMap.SetSuppressPaint(true);
        FAtlas.SetMapOutlineVisible(Outlines);
        if (!Page) return;
        if (FGrat == sgNone || FGrat == sgPoints) FMap.SetShowGrat(FGrat == sgNone ? sgLines : sgPointsAndLines);
        FMap.SetGratLabels(true);
        FMap.SetShowScaleBar(true);
        if (FStep == 0) FMap.SetGratLineDist(GraticuleStep(FMap, MapPartOfView(FMap)));
    }
    ~TDocumentLook()
    {
        FAtlas.SetMapOutlineVisible(FOutlines);
        FMap.SetShowGrat(FGrat);
        FMap.SetGratLabels(FLabels);
        FMap.SetShowScaleBar(FBar);
        FMap.SetGratLineDist(FStep);
        FMap.SetSuppressPaint(FSuppressed);
    }
    TDocumentLook(const TDocumentLook&) = delete;
    TDocumentLook& operator=(const TDocumentLook&) = delete;

private:
    TGeoAtlas& FAtlas;
    TGeoMap& FMap;
    const bool FSuppressed, FOutlines;
    const TShowGrat FGrat;
    const bool FLabels, FBar;
    const double FStep;
};

/// The page's title: the map's caption, else the name of its calibration file.
QString Title(const TGeoAtlas& Atlas)
{
    const QString Caption = QString::fromStdString(Atlas.CurrentMap()->GetMapCaption()).trimmed();
    if (!Caption.isEmpty() || Atlas.CurrentMapIndex() == 0) return Caption;
    return QFileInfo(QString::fromStdString(Atlas.Maps(Atlas.CurrentMapIndex()).MapFName)).completeBaseName();
}

} // namespace

QRect MapPartOfView(const TGeoMap& Map)
{
    const QRect View(0, 0, Map.width(), Map.height());
    if (Map.MapImgWidth() <= 0 || Map.MapImgHeight() <= 0) return View;
    const TPoint A = Map.MapImageToControl(TPoint{0, 0});
    const TPoint B = Map.MapImageToControl(TPoint{Map.MapImgWidth(), Map.MapImgHeight()});
    const QRect Part = View.intersected(QRect(QPoint(A.X, A.Y), QPoint(B.X - 1, B.Y - 1)));
    return Part.isEmpty() ? View : Part;
}

TViewerDocuments::TViewerDocuments(TGeoAtlas& Atlas, QWidget& Window) : QObject(&Window), FAtlas(Atlas), FWindow(Window)
{
}

void TViewerDocuments::AddTo(QMenu& File)
{
    File.addAction("Export view as &PNG...", this, [this] {
        const QString F = QFileDialog::getSaveFileName(&FWindow, "Export view", "view.png", "PNG (*.png)");
        if (!F.isEmpty() && !ExportPng(F)) QMessageBox::warning(&FWindow, "Export", "Cannot write " + F);
    });
    File.addAction("Print to P&DF...", this, [this] {
        const QString F = QFileDialog::getSaveFileName(&FWindow, "Print to PDF", "map.pdf", "PDF (*.pdf)");
        if (!F.isEmpty() && !PrintPdf(F)) QMessageBox::warning(&FWindow, "Print", "Cannot print to " + F);
    });
    File.addAction("P&rint...", QKeySequence::Print, this, [this] {
        QPrinter Printer(QPrinter::HighResolution);
        QPrintDialog Dialog(&Printer, &FWindow);
        if (Dialog.exec() == QDialog::Accepted && !PrintPage(Printer))
            QMessageBox::warning(&FWindow, "Print", "Cannot print the map");
    });
    QAction* Outlined = File.addAction("Other maps' outlines in exports");
    Outlined->setCheckable(true);
    Outlined->setChecked(FOutlines);
    connect(Outlined, &QAction::toggled, this, [this](bool On) { FOutlines = On; });
}

bool TViewerDocuments::ExportPng(const QString& FileName) const
{
    TGeoMap& Map = *FAtlas.CurrentMap();
    // Without a map the picture is the message the control shows.
    if (Map.MapImgWidth() <= 0) return Map.Picture().save(FileName, "PNG");
    const TDocumentLook Look(FAtlas, FOutlines, false);
    const QRect Part = MapPartOfView(Map);
    TBitmap View;
    Map.CopyToBMP(View, Map.ControlToMapImage(TPoint{Part.left(), Part.top()}), Map.Magnification(), 0, 0, Part.width(),
                  Part.height());
    return View.Image().save(FileName, "PNG");
}

bool TViewerDocuments::PrintPdf(const QString& FileName) const
{
    QPrinter Printer(QPrinter::HighResolution);
    Printer.setOutputFormat(QPrinter::PdfFormat);
    Printer.setOutputFileName(FileName);
    Printer.setResolution(300);
    Printer.setDocName(Title(FAtlas));
    return PrintPage(Printer);
}

bool TViewerDocuments::PrintPage(QPrinter& Printer) const
{
    TGeoMap& Map = *FAtlas.CurrentMap();
    if (Map.MapImgWidth() <= 0) return false;
    const QRect Part = MapPartOfView(Map);
    Printer.setPageOrientation(Part.width() > Part.height() ? QPageLayout::Landscape : QPageLayout::Portrait);
    const TDocumentLook Look(FAtlas, FOutlines, true);
    QPainter P;
    if (!P.begin(&Printer)) return false;
    const QRectF Area(QPointF(0, 0), Printer.pageLayout().paintRectPixels(Printer.resolution()).size());
    const QFont TitleFont("Sans Serif", 16, QFont::Bold), Small("Sans Serif", 8);
    const QFontMetricsF TitleMetrics(TitleFont, &Printer), SmallMetrics(Small, &Printer);
    const double Gap = Printer.resolution() * 4 / 25.4; // 4 mm
    const QRectF Target = Area.adjusted(0, TitleMetrics.height() + Gap, 0, -(SmallMetrics.height() + Gap));
    try {
        const QRectF Printed = Map.PrintView(P, Target);
        P.setPen(QPen(Qt::black, 0));
        P.setBrush(Qt::NoBrush);
        P.drawRect(Printed);
        P.setFont(TitleFont);
        P.drawText(QRectF(Area.left(), Printed.top() - Gap - TitleMetrics.height(), Area.width(), TitleMetrics.height()),
                   Qt::AlignHCenter | Qt::AlignBottom, Title(FAtlas));
        P.setFont(Small);
        P.drawText(QRectF(Printed.left(), Printed.bottom() + Gap / 2, Printed.width(), SmallMetrics.height()),
                   Qt::AlignRight | Qt::AlignTop, QDate::currentDate().toString("d MMMM yyyy"));
    } catch (const ETYXError&) {
        P.end();
        return false;
    }
    return P.end();
}

} // namespace tyx::viewer
