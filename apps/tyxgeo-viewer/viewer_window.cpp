// The viewer's main window. Everything geographic goes through the library: the atlas switches
// maps, the map control converts pixels, the database answers the search.
#include "viewer_window.h"

#include "viewer_search.h"
#include "viewer_status.h"

#include "geoatlas/Tyx_geoatlas.h"
#include "geobasics/Tyx_geobasics.h"
#include "geomap/Tyx_geomap.h"

#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrinter>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tyx::viewer {

namespace {

/// The landmark classes the atlas build gives towns, by population.
const char* const ClassNames[] = {"Over 1 million", "Over 100 000", "Over 10 000", "Smaller towns"};
/// The six overlay modes, in TShowGrat order.
const char* const GratNames[] = {"None", "Calibration points", "Graticule lines", "Points and lines", "UTM grid",
                                 "Points and UTM grid"};

/// A map is switched once the view is this many times finer or coarser than the map itself.
constexpr double SwitchFactor = 2.0;

} // namespace

TViewerWindow::TViewerWindow(QWidget* Parent) : QMainWindow(Parent)
{
    setWindowTitle("Tyx atlas viewer");
    FAtlas = new TGeoAtlas(this);
    FAtlas->SetName("atlas");
    setCentralWidget(FAtlas);
    TGeoMap* M = Map();
    M->SetName("map");
    M->SetWheelZoom(1.25);
    M->SetKeyboardNavigation(true);
    M->SetMouseAction(maPan);
    M->SetAntiAlias(true);
    M->SetHighDpi(true); // drawn at the screen's own pixels
    // Readable at every scale: captions that never collide (a town whose name finds no room is
    // left out, so that no symbol covers a name), nothing on the grey beyond a small map, and the
    // scale of the view.
    M->SetCaptionPlacement(cpDeclutter);
    M->SetDeclutterSymbols(true);
    M->SetLandMarksOnMapOnly(true);
    M->SetShowScaleBar(true);
    M->SetEmptyMsg("No map: build an atlas with tyxgeo atlas build, or use File > Open calibration...");

    FAtlas->OnMouseMove = [this](TObject*, TShiftState, int X, int Y) { ShowPositionAt(X, Y); };
    // The selector and zoom clicks switch maps too.
    FAtlas->OnCBoxMapsChange = [this](TObject*) {
        ClassesForScale();
        FStatus->Refresh();
    };
    FAtlas->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { ClassesForScale(); };
    M->OnZoomPan = [this](TObject*) {
        SwitchMapForScale();
        // Under the mouse the position is the one under the cursor, which a pan or zoom changes.
        FStatus->Refresh();
    };

    FSearch = new QLineEdit;
    FSearch->setPlaceholderText("Find a town...");
    FSearch->setClearButtonEnabled(true);
    FSearch->setMaximumWidth(320);
    FStatus = new TViewerStatus(statusBar(), M);
    FFinder = new TViewerSearch(
        FSearch,
        [this](double Lat, double Long) {
            if (!ShowLocation(Lat, Long, FGoToMag)) return false;
            MarkFoundPlace(*Map(), Lat, Long);
            return true;
        },
        [this](const QString& Text) { FStatus->ShowMessage(Text); });
    // The arrow keys pan the map again once a place or a map has been picked.
    connect(FFinder, &TViewerSearch::Done, M, [M] { M->setFocus(Qt::OtherFocusReason); });
    ReturnKeysToMap(FAtlas->MapSelector(), M);
    BuildMenus();
    resize(1000, 700);
}

TViewerWindow::~TViewerWindow() = default;

TGeoMap* TViewerWindow::Map() const { return FAtlas->CurrentMap(); }

void TViewerWindow::BuildMenus()
{
    QMenu* File = menuBar()->addMenu("&File");
    File->addAction("Open &calibration...", this, [this] {
        const QString F = QFileDialog::getOpenFileName(this, "Open calibration", QString(), "Calibrations (*.xml)");
        if (!F.isEmpty() && !OpenCalibration(F)) QMessageBox::warning(this, "Open calibration", "Cannot read " + F);
    });
    File->addAction("Export view as &PNG...", this, [this] {
        const QString F = QFileDialog::getSaveFileName(this, "Export view", "view.png", "PNG (*.png)");
        if (!F.isEmpty() && !ExportPng(F)) QMessageBox::warning(this, "Export", "Cannot write " + F);
    });
    File->addAction("Print to P&DF...", this, [this] {
        const QString F = QFileDialog::getSaveFileName(this, "Print to PDF", "map.pdf", "PDF (*.pdf)");
        if (!F.isEmpty() && !PrintPdf(F)) QMessageBox::warning(this, "Print", "Cannot print to " + F);
    });
    File->addSeparator();
    File->addAction("&Quit", QKeySequence::Quit, this, &QWidget::close);

    QMenu* Towns = menuBar()->addMenu("&Towns");
    FByScale = Towns->addAction("By map scale");
    FByScale->setCheckable(true);
    FByScale->setChecked(true);
    connect(FByScale, &QAction::toggled, this, [this](bool On) {
        if (On) ClassesForScale();
    });
    Towns->addSeparator();
    for (int c = 1; c <= 4; ++c) {
        QAction* A = Towns->addAction(ClassNames[c - 1]);
        A->setCheckable(true);
        FClassActions[c - 1] = A;
        connect(A, &QAction::triggered, this, [this, c](bool On) { SetClassVisible(c, On); });
    }

    QMenu* Grat = menuBar()->addMenu("&Graticule");
    auto* Group = new QActionGroup(this);
    for (int g = 0; g < 6; ++g) {
        QAction* A = Grat->addAction(GratNames[g]);
        A->setCheckable(true);
        A->setChecked(g == Map()->ShowGraticule());
        A->setData(g);
        Group->addAction(A);
    }
    connect(Group, &QActionGroup::triggered, this, [this](QAction* A) { SetGraticule(A->data().toInt()); });

    // A picture of the window on F12, for scripted sessions under a real X server.
    QAction* Shot = new QAction("Save window picture", this);
    Shot->setShortcut(Qt::Key_F12);
    Shot->setShortcutContext(Qt::ApplicationShortcut);
    connect(Shot, &QAction::triggered, this, [this] {
        if (FShotBase.isEmpty()) return;
        const QString Name = QString("%1-%2.png").arg(FShotBase).arg(++FShots);
        grab().save(Name);
        if (FEchoStatus) {
            std::printf("shot: %s\n", Name.toUtf8().constData());
            std::fflush(stdout);
        }
    });
    addAction(Shot);

    QToolBar* Bar = addToolBar("Search");
    Bar->setMovable(false);
    Bar->addWidget(FSearch);
}

int TViewerWindow::LoadAtlas(const QString& Dir)
{
    const QStringList Files = QDir(Dir).entryList({"*.xml"}, QDir::Files, QDir::Name);
    int Coarsest = 0;
    for (const QString& F : Files) {
        if (F.compare("cities.xml", Qt::CaseInsensitive) == 0) continue; // the landmarks, not a map
        try {
            if (!FAtlas->RegisterMap(QDir(Dir).filePath(F).toStdString())) continue;
        } catch (const ETYXError&) {
            continue; // not a calibration (the landmark file sits beside the maps)
        }
        const int k = FAtlas->NumRegMaps();
        if (Coarsest == 0 || FAtlas->Maps(k).Resolution > FAtlas->Maps(Coarsest).Resolution) Coarsest = k;
    }
    if (Coarsest > 0) FAtlas->SelectMap(Coarsest);
    ClassesForScale();
    FitMap();
    return FAtlas->NumRegMaps();
}

void TViewerWindow::FitMap()
{
    const bool Was = std::exchange(FSwitching, true);
    Map()->ZoomFitPage();
    FSwitching = Was;
    FLastMag = Map()->Magnification();
    ShowViewCentre();
}

bool TViewerWindow::LoadLandMarks(const QString& FileName)
{
    // Landmarks are told apart by their class only; the caption needs no event per landmark.
    const bool Ok = Map()->LoadLandMarks(FileName.toStdString(), "");
    if (Ok) FStatus->ShowMessage(QString("%1 towns").arg(Map()->NumLandMarks()), 4000);
    return Ok;
}

void TViewerWindow::OpenDatabase(const QString& FileName) { FFinder->OpenDatabase(FileName); }

bool TViewerWindow::GoTo(const QString& Name, double Magnification)
{
    FFinder->WaitForIndex(); // a typed position needs none
    const double Was = std::exchange(FGoToMag, Magnification);
    const bool Ok = FFinder->GoTo(Name);
    FGoToMag = Was;
    return Ok;
}

int TViewerWindow::MostDetailedMapAt(double Lat, double Long) const
{
    int Best = 0;
    for (int k = 1; k <= FAtlas->NumRegMaps(); ++k) {
        const TMapDefinition M = FAtlas->Maps(k);
        if (!PositionInMap(Lat, Long, M.Corners)) continue;
        if (Best == 0 || M.Resolution < FAtlas->Maps(Best).Resolution) Best = k;
    }
    return Best;
}

bool TViewerWindow::ShowLocation(double Lat, double Long, double Magnification)
{
    const int k = MostDetailedMapAt(Lat, Long);
    if (k == 0) return false;
    const bool Was = std::exchange(FSwitching, true);
    if (k != FAtlas->CurrentMapIndex()) FAtlas->SelectMap(k);
    Map()->SetMagnification(Magnification);
    CentreOn(*Map(), Lat, Long);
    FSwitching = Was;
    FLastMag = Map()->Magnification();
    ClassesForScale();
    ShowViewCentre();
    return true;
}

void TViewerWindow::SwitchMapForScale()
{
    const int Current = FAtlas->CurrentMapIndex();
    if (FSwitching || Current == 0) return;
    const double Mag = Map()->Magnification();
    const double Res = FAtlas->Maps(Current).Resolution;
    // Only a zoom in the same direction switches, so that a map just switched to at a small or
    // large magnification is not switched straight back.
    const bool In = Mag > FLastMag, Out = Mag < FLastMag;
    FLastMag = Mag;
    if (Res <= 0 || !((In && Mag >= SwitchFactor) || (Out && Mag <= 1 / SwitchFactor))) return;
    const QPoint C(Map()->width() / 2, Map()->height() / 2);
    const TPoint Px = Map()->ControlToMapImage(TPoint{C.x(), C.y()});
    bool V1 = false, V2 = false;
    const double Lat = Map()->CalcLatitude(Px, V1), Long = Map()->CalcLongitude(Px, V2);
    if (!V1 || !V2) return;
    const double ViewRes = Res / Mag; // metres per control pixel
    const bool Was = std::exchange(FSwitching, true);
    const bool Switched = In ? FAtlas->ZoomIn(Lat, Long, Res) : FAtlas->ZoomOut(Lat, Long, Res);
    if (Switched) {
        // Keep the scale the user zoomed to.
        Map()->SetMagnification(FAtlas->Maps(FAtlas->CurrentMapIndex()).Resolution / ViewRes);
        Map()->BringLocationToCenter(Lat, Long);
        FLastMag = Map()->Magnification();
        ClassesForScale();
    }
    FSwitching = Was;
}

bool TViewerWindow::OpenCalibration(const QString& FileName)
{
    try {
        if (!FAtlas->RegisterMap(FileName.toStdString())) return false;
        const std::string Key = QString(FileName).toLower().toStdString();
        for (int k = 1; k <= FAtlas->NumRegMaps(); ++k)
            if (FAtlas->Maps(k).MapFName == Key) return FAtlas->SelectMap(k);
    } catch (const ETYXError&) {
        return false;
    }
    return false;
}

bool TViewerWindow::ExportPng(const QString& FileName) { return Map()->Picture().save(FileName, "PNG"); }

bool TViewerWindow::PrintPdf(const QString& FileName)
{
    QPrinter Printer(QPrinter::HighResolution);
    Printer.setOutputFormat(QPrinter::PdfFormat);
    Printer.setOutputFileName(FileName);
    try {
        Map()->PrintIt(1.0, Printer);
    } catch (const ETYXError&) {
        return false;
    }
    return true;
}

void TViewerWindow::SetGraticule(int Mode)
{
    if (Mode < sgNone || Mode > sgPointsAndUTMGrid) return;
    Map()->SetShowGrat(static_cast<TShowGrat>(Mode));
}

void TViewerWindow::SetClassVisible(int Class, bool Visible)
{
    if (Class < 1 || Class > 4) return;
    FByScale->setChecked(false);
    ShowClass(Class, Visible);
}

void TViewerWindow::ShowClass(int Class, bool Visible)
{
    FClassActions[Class - 1]->setChecked(Visible);
    if (Map()->GetClassVisibility(static_cast<uint8_t>(Class)) != Visible)
        Map()->SetClassVisibility(static_cast<uint8_t>(Class), Visible);
}

void TViewerWindow::ClassesForScale()
{
    const int k = FAtlas->CurrentMapIndex();
    if (!FByScale->isChecked() || k == 0) return;
    // Metres per pixel of the map shown: the finer the map, the smaller the towns that get a place.
    const double Res = FAtlas->Maps(k).Resolution;
    const int Shown = Res > 10000 ? 1 : Res > 1000 ? 2 : Res > 200 ? 3 : 4;
    for (int c = 1; c <= 4; ++c) ShowClass(c, c <= Shown);
}

QString TViewerWindow::StatusText() const { return FStatus->Position(); }

void TViewerWindow::SetEchoStatus(bool Value)
{
    FEchoStatus = Value;
    FStatus->SetEcho(Value);
    FFinder->SetEcho(Value);
}

void TViewerWindow::SetTiming(bool Value) { FFinder->SetTiming(Value); }

void TViewerWindow::ShowPositionAt(int X, int Y) { FStatus->ShowPositionAt(X, Y); }

void TViewerWindow::ShowViewCentre() { FStatus->ShowViewCentre(); }

} // namespace tyx::viewer
