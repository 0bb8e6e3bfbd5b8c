// The viewer's calibration mode: a window of its own that shows any image in a map control (wheel
// zoom and pan as in the viewer), takes a clicked pixel and a typed position (or a town of the
// viewer's database, or the value of a meridian or parallel the pixel lies on), fits the chosen
// model through the control's own operations and shows every point with its residual, the
// quality figures and the residual arrows. Save writes the calibration file (and, for the affine
// models, the world file and .prj beside the image).
#pragma once
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

#include "geomap/core/Tyx_calibresiduals.h"
#include "host/tyx_types.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace tyx {
class TCanvas;
class TGeoMap;
} // namespace tyx

namespace tyx::viewer {

/// One input of the calibration as the user entered it. Pixels are map-image coordinates (the
/// image's outer top-left corner is (0, 0)).
struct TCalibEntry {
    enum TKind : uint8_t { ekPosition, ekMeridian, ekParallel };
    TKind Kind = ekPosition;
    TPoint Pixel;
    double Lat = 0, Long = 0; ///< a position's degrees (WGS 84)
    double LineValue = 0;     ///< a meridian's longitude or a parallel's latitude, degrees
    bool Enabled = true;      ///< disabled inputs stay in the table but not in the fit
    QString Text;             ///< as typed
};

/// Finds a place by name for the entry field; false when there is none.
using TPlaceLookup = std::function<bool(const QString& Name, double& Lat, double& Long)>;

class TCalibrateWindow : public QMainWindow {
    Q_OBJECT
public:
    /// Places: the names offered for completion and how they are found (both may be empty).
    explicit TCalibrateWindow(QWidget* Parent = nullptr, const QStringList& Places = {}, TPlaceLookup Lookup = {});
    ~TCalibrateWindow() override;

    /// Shows the image, with no calibration yet; false (and Error) when it cannot be read.
    bool OpenImage(const QString& FileName, QString& Error);
    /// Writes the calibration to CalibFile and, under cmEquiRect and cmUTM, the world file and
    /// .prj beside the image; false (and Error) when the fit is not usable or a file cannot be
    /// written. Emits saved(CalibFile) on success.
    bool Save(const QString& CalibFile, QString& Error);

    /// The map control showing the image (its calibration is the fit of the enabled inputs).
    TGeoMap* Map() const { return FMap; }
    /// The inputs, in table order.
    const std::vector<TCalibEntry>& Entries() const { return FEntries; }
    /// The exaggeration of the residual arrows drawn, 0 when none are drawn.
    double ArrowFactor() const { return FArrowFactor; }

Q_SIGNALS:
    /// A calibration was written.
    void saved(const QString& CalibFile);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    /// The image opened before the window was shown fits the map's final size.
    void showEvent(QShowEvent* Event) override;

private:
    void BuildPanel();
    /// The model chosen in the chooser.
    uint8_t ChosenModel() const;
    /// The pending pixel, from a click on the map.
    void SetPending(const TPoint& Pixel);
    /// Takes the typed text for the pending pixel; false (with the reason shown) when it does not
    /// read as the kind chosen.
    bool AddPending();
    /// Reads Text as an input of the kind; false with Error when it does not read.
    bool ParseEntry(TCalibEntry::TKind Kind, const QString& Text, TCalibEntry& Entry, QString& Error) const;
    /// Loads the enabled inputs of the model's kind into the map control and refits.
    void Rebuild();
    /// Whether the map control's calibration holds this input under the current model.
    bool InFit(const TCalibEntry& E) const;
    /// The enabled inputs of the model's kind as a calibration record (positions as northing and
    /// easting under cmUTM), as the fit would take them.
    TCalibData InputData(uint8_t Model) const;
    /// Why the enabled inputs cannot be fitted under the model; empty when they can.
    QString FitProblem(uint8_t Model) const;
    /// Every position's residual under the current fit, enabled or not (disabled ones are check
    /// points); none under a fit that cannot be made or for graticule-line inputs.
    void ComputeResiduals();
    void DeleteSelected();
    void Undo();
    /// Table, chooser, quality and arrows after any change.
    void Refresh();
    void FillTable();
    void UpdateModelChooser();
    void OnTableChanged(int Row, int Column);
    void DrawInputs(TCanvas& C);
    /// The input whose mark is within reach of control pixel (X, Y); -1 for none.
    int EntryAt(int X, int Y) const;
    void SaveInteractively();

    TGeoMap* FMap = nullptr;
    QComboBox* FModel = nullptr;
    QSpinBox* FZone = nullptr;
    QCheckBox* FSouth = nullptr;
    QLabel* FQuality = nullptr;
    QLabel* FPendingLabel = nullptr;
    QComboBox* FKind = nullptr;
    QLineEdit* FText = nullptr;
    QLabel* FMessage = nullptr;
    QTableWidget* FTable = nullptr;
    QPushButton* FUndo = nullptr;

    QString FImageFile;
    std::vector<TCalibEntry> FEntries;
    std::vector<std::optional<TCalibResidual>> FResiduals; ///< by input, from ComputeResiduals
    std::optional<TPoint> FPending;
    /// The input last deleted, its row, and whether RestoreLastDeletedCalPoint puts it back (the
    /// fit held it, and neither the model nor the UTM zone has changed since).
    std::optional<TCalibEntry> FDeleted;
    int FDeletedRow = 0;
    bool FDeletedInFit = false;
    TPlaceLookup FLookup;
    double FArrowFactor = 0;
    bool FFilling = false;
    int FDragging = -1;        ///< input being dragged on the map
    QPoint FPressAt;           ///< where a left press began, control pixels
    bool FPressed = false;
    bool FFitOnShow = false;
};

} // namespace tyx::viewer
