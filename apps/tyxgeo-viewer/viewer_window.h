// The viewer's main window: an atlas of calibrated maps with town landmarks, a search field over a
// geographic database, and the position under the mouse in degrees and UTM.
#pragma once
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <memory>
#include <set>
#include <string>

class QLineEdit;

namespace tyx {
class TGeoAtlas;
class TGeoDB;
class TGeoMap;
} // namespace tyx

namespace tyx::viewer {

class TCalibrateWindow;
class TTownClasses;
class TMeasureTool;
class TNavigator;
class TOverview;
class TViewerDocuments;
class TViewerLayers;
class TViewerSearch;
class TViewerStatus;

class TViewerWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit TViewerWindow(QWidget* Parent = nullptr);
    ~TViewerWindow() override;

    /// Registers every calibration file of the folder (sorted by name) and shows the coarsest map;
    /// the number of maps registered.
    int LoadAtlas(const QString& Dir);
    /// Shows the whole of the current map, centred.
    void FitMap();
    /// Reads a landmark file into the map control; false when it cannot be read.
    bool LoadLandMarks(const QString& FileName);
    /// Opens the database the search field looks in; its towns are indexed on a thread of their
    /// own, and the search field finds them once that is done.
    void OpenDatabase(const QString& FileName);
    /// Finds the best place for the text (a town by name, see TViewerSearch) and centres it on the
    /// most detailed map that holds it, at the magnification given, waiting for the index if
    /// need be; false when there is none or no map contains it.
    bool GoTo(const QString& Name, double Magnification = 1);
    /// Centres the position on the most detailed map that contains it; false when none does.
    bool ShowLocation(double Lat, double Long, double Magnification = 1);
    /// Sets the map's magnification, keeping the ground at the view's centre there.
    void ZoomAboutCentre(double Magnification);
    /// Registers a user's own calibration file and shows it; false when it cannot be read.
    bool OpenCalibration(const QString& FileName);
    /// Opens the calibration mode on an image in a window of its own; what it saves is opened
    /// here at once. Null (and Error) when the image cannot be read.
    TCalibrateWindow* CalibrateImage(const QString& ImageFile, QString& Error);
    /// The position of a place of the database by name (a town first); false when none.
    bool FindPlace(const QString& Name, double& Lat, double& Long) const;
    /// Adds the waypoints of a GPX file as landmarks and keeps its tracks and routes; false with
    /// the reason (file, line and column) in Error when it cannot be read.
    bool OpenGpx(const QString& FileName, QString& Error);
    /// The items the vector layers shown draw under control pixel (X, Y) of the map, as the
    /// identify tool names them.
    QStringList IdentifyAt(int X, int Y) const;
    /// Writes them to standard output, "identify X,Y: ITEM" a line, "identify X,Y: nothing".
    void PrintIdentified(int X, int Y) const;
    /// The vector layers over the maps: the database's items and the GPX tracks.
    TViewerLayers& Layers() const { return *FLayers; }
    /// The view as PNG, as File > Export view writes it.
    bool ExportPng(const QString& FileName);
    /// The view as a PDF page, as File > Print to PDF writes it.
    bool PrintPdf(const QString& FileName);
    /// Export and print, with their choices.
    TViewerDocuments& Documents() const { return *FDocuments; }
    /// The distance tool.
    TMeasureTool& Measure() const { return *FMeasure; }
    /// The overview of the coarsest map.
    TOverview& Overview() const { return *FOverview; }
    /// Overlay mode 0 to 5 in TShowGrat order.
    void SetGraticule(int Mode);
    /// Shows or hides a town class (1 to 4) and ends the choice by map scale.
    void SetClassVisible(int Class, bool Visible);
    /// The town classes follow the scale of the map shown (the default): one class on the world
    /// map, all four on the finest.
    void ClassesForScale();

    /// The position field of the status bar: the position under the mouse (or the view's centre).
    QString StatusText() const;
    /// Each change of the status texts is also written to standard output (for tests).
    void SetEchoStatus(bool Value);
    /// Index builds and searches report their time on standard error.
    void SetTiming(bool Value);
    /// A key that saves the window's picture as ShotBase-N.png (N from 1); empty turns it off.
    void SetShotBase(const QString& Value) { FShotBase = Value; }

    TGeoAtlas* Atlas() const { return FAtlas; }
    TGeoMap* Map() const;

private:
    void BuildMenus();
    void ShowPositionAt(int X, int Y);
    void ShowViewCentre();
    /// The identify tool's answer: in the status bar and a tooltip at the click.
    void ShowIdentified(const QStringList& Items, int X, int Y);
    /// A line on standard output with --echo-status.
    void Echo(const QString& Line) const;
    int MostDetailedMapAt(double Lat, double Long) const;
    /// The vector layers after a zoom or a change of map.
    void LayersFollowView();

    TGeoAtlas* FAtlas = nullptr;
    QLineEdit* FSearch = nullptr;
    TViewerDocuments* FDocuments = nullptr;
    TMeasureTool* FMeasure = nullptr;
    TOverview* FOverview = nullptr;
    TTownClasses* FClasses = nullptr;
    std::unique_ptr<TGeoDB> FDb;
    std::unique_ptr<TViewerLayers> FLayers; ///< after FDb: leaves the database before it closes
    TViewerSearch* FFinder = nullptr;
    TViewerStatus* FStatus = nullptr;
    double FGoToMag = 1; ///< magnification for the place the search shows
    bool FEchoStatus = false;
    std::set<int> FAtlasMaps; ///< the maps of atlas folders: drawn from the database
    TNavigator* FNav = nullptr;
    QString FShotBase;
    int FShots = 0;
};

} // namespace tyx::viewer
