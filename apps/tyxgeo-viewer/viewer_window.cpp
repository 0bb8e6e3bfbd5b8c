// The viewer's main window. Everything geographic goes through the library: the atlas switches
// maps, the map control converts pixels, the database answers the search.
#include "viewer_window.h"
#include "viewer_calibrate.h"
#include "viewer_classes.h"
#include "viewer_gpx.h"
#include "viewer_layers.h"
#include "viewer_measure.h"
#include "viewer_navigate.h"
#include "viewer_overview.h"
#include "viewer_print.h"
#include "viewer_search.h"
#include "viewer_status.h"

#include "geoatlas/Tyx_geoatlas.h"
#include "geobasics/Tyx_geobasics.h"
#include "geodb/Tyx_GeoDB.h"
#include "geomap/Tyx_geomap.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tyx::viewer {


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
    M->SetMaxMapPixels(1000000000); // scans of any size, held compactly
    // Readable at every scale: captions that never collide (a town whose name finds no room is
    // left out, so that no symbol covers a name), nothing on the grey beyond a small map, and the
    // scale of the view.
    M->SetCaptionPlacement(cpDeclutter);
    M->SetDeclutterSymbols(true);
    M->SetLandMarksOnMapOnly(true);
    M->SetShowScaleBar(true);
    M->SetEmptyMsg("No map: build an atlas with tyxgeo atlas build, or use File > Open calibration...");
    FNav = new TNavigator(*FAtlas, this);
    FNav->OnSwitched = [this] {
        ClassesForScale();
        Echo("map: " + QString::fromStdString(Map()->GetMapCaption()));
    };
    FNav->OnResized = [this] {
        const QPoint At = Map()->mapToGlobal(QPoint(0, 0));
        Echo(QString("map area: %1 %2 %3 %4").arg(At.x()).arg(At.y()).arg(Map()->width()).arg(Map()->height()));
        FStatus->Refresh();
    };

    FAtlas->OnMouseMove = [this](TObject*, TShiftState, int X, int Y) { ShowPositionAt(X, Y); };
    // The selector and zoom clicks switch maps too.
    FAtlas->OnCBoxMapsChange = [this](TObject*) {
        FNav->Settled();
        ClassesForScale();
        Echo("map: " + QString::fromStdString(Map()->GetMapCaption()));
        FStatus->Refresh();
    };
    FLayers = std::make_unique<TViewerLayers>(M);
    FAtlas->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int X, int Y) { FLayers->Pressed(X, Y); };
    FAtlas->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int X, int Y) {
        FNav->Settled();
        ClassesForScale();
        QStringList Items;
        if (FLayers->Released(X, Y, Items)) ShowIdentified(Items, X, Y);
    };
    M->OnZoomPan = [this](TObject*) {
        FNav->ViewChanged();
        LayersFollowView();
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
    FClasses = new TTownClasses(*FAtlas);
    FDocuments = new TViewerDocuments(*FAtlas, *this);
    FOverview = new TOverview(*FAtlas);
    FOverview->OnMoved = [this] {
        ClassesForScale();
        ShowViewCentre();
    };
    FMeasure = new TMeasureTool(*FAtlas);
    FMeasure->OnChange = [this](const QString& Summary) {
        if (!FEchoStatus || Summary.isEmpty()) return;
        std::printf("measure: %s\n", QString(Summary).replace('\n', "; ").toUtf8().constData());
        std::fflush(stdout);
    };
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
    File->addAction("Open &GPX...", this, [this] {
        const QString F = QFileDialog::getOpenFileName(this, "Open GPX", QString(), "GPS exchange files (*.gpx)");
        QString Error;
        if (!F.isEmpty() && !OpenGpx(F, Error)) QMessageBox::warning(this, "Open GPX", Error);
    });
    File->addAction("Cali&brate image...", this, [this] {
        const QString F = QFileDialog::getOpenFileName(this, "Calibrate image", QString(),
                                                       "Images (*.jpg *.jpeg *.png *.bmp *.tif *.tiff)");
        QString Error;
        if (!F.isEmpty() && !CalibrateImage(F, Error)) QMessageBox::warning(this, "Calibrate image", Error);
    });
    FDocuments->AddTo(*File);
    File->addSeparator();
    File->addAction("&Quit", QKeySequence::Quit, this, &QWidget::close);

    FLayers->FillMenu(menuBar()->addMenu("&View"));
    FClasses->AddTo(*menuBar());
    QMenu* Tools = menuBar()->addMenu("T&ools");
    FMeasure->AddTo(*Tools);
    FOverview->AddTo(*Tools);

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
    Bar->addAction(FLayers->IdentifyAction());
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
        FAtlasMaps.insert(k);
        if (Coarsest == 0 || FAtlas->Maps(k).Resolution > FAtlas->Maps(Coarsest).Resolution) Coarsest = k;
    }
    if (Coarsest > 0) FAtlas->SelectMap(Coarsest);
    ClassesForScale();
    FitMap();
    return FAtlas->NumRegMaps();
}

void TViewerWindow::FitMap()
{
    FNav->Fit();
    ShowViewCentre();
}

bool TViewerWindow::LoadLandMarks(const QString& FileName)
{
    // Landmarks are told apart by their class only; the caption needs no event per landmark.
    const bool Ok = Map()->LoadLandMarks(FileName.toStdString(), "");
    if (Ok) FStatus->ShowMessage(QString("%1 towns").arg(Map()->NumLandMarks()), 4000);
    return Ok;
}

void TViewerWindow::OpenDatabase(const QString& FileName)
{
    FFinder->OpenDatabase(FileName); // the search builds its index on a thread of its own
    auto Db = std::make_unique<TGeoDB>();
    Db->SetName("viewer");
    Db->SetGDBName(FileName.toStdString());
    FLayers->SetDatabase(Db.get()); // before the database it drew closes
    FDb = std::move(Db);
    LayersFollowView();
}

bool TViewerWindow::FindPlace(const QString& Name, double& Lat, double& Long) const
{
    // A town of the search's index, or a position typed in any common form.
    const std::vector<TPlaceChoice> Choices = FFinder->Choices(Name);
    if (Choices.empty()) return false;
    Lat = Choices.front().Lat;
    Long = Choices.front().Long;
    return true;
}

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
    FNav->Unswitched([&] {
        if (k != FAtlas->CurrentMapIndex()) FAtlas->SelectMap(k);
        Map()->SetMagnification(Magnification);
        Map()->CenterOnLatLong(Lat, Long);
    });
    ClassesForScale();
    ShowViewCentre();
    return true;
}

void TViewerWindow::ZoomAboutCentre(double Magnification)
{
    TGeoMap* M = Map();
    double Lat = 0, Long = 0;
    // The control's own magnification keeps the top-left corner, which on a fitted, centred
    // view lies beyond the image: the centre would slide away from what the user looked at.
    const bool Known = M->LocationAtControl(M->width() / 2.0, M->height() / 2.0, Lat, Long);
    FNav->Unswitched([&] {
        M->SetMagnification(Magnification);
        if (Known) M->CenterOnLatLong(Lat, Long);
    });
    ClassesForScale();
    ShowViewCentre();
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

TCalibrateWindow* TViewerWindow::CalibrateImage(const QString& ImageFile, QString& Error)
{
    // Names are looked up through the search's index (towns and typed positions) rather than
    // offered as a list: the search keeps no list of names.
    auto* W = new TCalibrateWindow(this, {}, [this](const QString& Name, double& Lat, double& Long) {
        return FindPlace(Name, Lat, Long);
    });
    W->setAttribute(Qt::WA_DeleteOnClose);
    W->setWindowFlag(Qt::Window);
    if (!W->OpenImage(ImageFile, Error)) {
        delete W;
        return nullptr;
    }
    // The calibration saved is a map of the atlas at once.
    connect(W, &TCalibrateWindow::saved, this, [this](const QString& Calib) {
        if (OpenCalibration(Calib)) FitMap();
    });
    W->show();
    return W;
}

bool TViewerWindow::OpenGpx(const QString& FileName, QString& Error)
{
    try {
        const TGpxContent Gpx = AddGpxFile(*Map(), FileName);
        FLayers->AddPaths(Gpx.Paths);
        statusBar()->showMessage(QString("%1: %2 waypoints, %3 track and route parts")
                                     .arg(QFileInfo(FileName).fileName())
                                     .arg(Gpx.Waypoints)
                                     .arg(Gpx.Paths.size()),
                                 6000);
    } catch (const std::exception& E) {
        Error = QString::fromUtf8(E.what());
        return false;
    }
    return true;
}

QStringList TViewerWindow::IdentifyAt(int X, int Y) const { return FLayers->Identify(TPoint{X, Y}); }

void TViewerWindow::PrintIdentified(int X, int Y) const
{
    const QStringList Items = IdentifyAt(X, Y);
    for (const QString& Item : Items.isEmpty() ? QStringList{"nothing"} : Items)
        std::printf("identify %d,%d: %s\n", X, Y, Item.toUtf8().constData());
    std::fflush(stdout);
}

void TViewerWindow::ShowIdentified(const QStringList& Items, int X, int Y)
{
    // In the message field and in a tooltip at the click.
    const QString Text = Items.isEmpty() ? QString("Nothing here") : Items.join("\n");
    FStatus->ShowMessage(Items.isEmpty() ? Text : "Here: " + Items.join("; "), 8000);
    QToolTip::showText(Map()->mapToGlobal(QPoint(X, Y)), Text, Map());
    if (FEchoStatus) PrintIdentified(X, Y);
}

bool TViewerWindow::ExportPng(const QString& FileName) { return FDocuments->ExportPng(FileName); }

bool TViewerWindow::PrintPdf(const QString& FileName) { return FDocuments->PrintPdf(FileName); }

void TViewerWindow::SetGraticule(int Mode) { FClasses->SetGraticule(Mode); }

void TViewerWindow::SetClassVisible(int Class, bool Visible) { FClasses->SetClassVisible(Class, Visible); }

void TViewerWindow::LayersFollowView()
{
    // The atlas shows every map in one control today; the layers follow whichever it shows.
    FLayers->SetMap(Map());
    FLayers->FollowView(FAtlasMaps.count(FAtlas->CurrentMapIndex()) > 0);
}

void TViewerWindow::ClassesForScale()
{
    LayersFollowView(); // called after every change of map
    FClasses->ClassesForScale();
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

void TViewerWindow::Echo(const QString& Line) const
{
    if (!FEchoStatus) return;
    std::printf("%s\n", Line.toUtf8().constData());
    std::fflush(stdout);
}

} // namespace tyx::viewer
