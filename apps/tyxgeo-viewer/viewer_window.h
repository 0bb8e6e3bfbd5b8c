// The viewer's main window: an atlas of calibrated maps with town landmarks, a search field over a
// geographic database, and the position under the mouse in degrees and UTM.
#pragma once
#include <QMainWindow>
#include <QString>

#include <array>
#include <memory>
#include <string>

class QAction;
class QLineEdit;

namespace tyx {
class TGeoAtlas;
class TGeoMap;
} // namespace tyx

namespace tyx::viewer {

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
    /// Shows the whole of the current map.
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
    /// Registers a user's own calibration file and shows it; false when it cannot be read.
    bool OpenCalibration(const QString& FileName);
    bool ExportPng(const QString& FileName);
    bool PrintPdf(const QString& FileName);
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
    void ShowClass(int Class, bool Visible);
    /// After a zoom: a map that fits the new scale better takes over.
    void SwitchMapForScale();
    int MostDetailedMapAt(double Lat, double Long) const;

    TGeoAtlas* FAtlas = nullptr;
    QLineEdit* FSearch = nullptr;
    TViewerSearch* FFinder = nullptr;
    TViewerStatus* FStatus = nullptr;
    double FGoToMag = 1; ///< magnification for the place the search shows
    QAction* FByScale = nullptr;
    std::array<QAction*, 4> FClassActions{};
    bool FEchoStatus = false;
    bool FSwitching = false;
    double FLastMag = 1; ///< magnification after the last zoom, to tell zooming in from out
    QString FShotBase;
    int FShots = 0;
};

} // namespace tyx::viewer
