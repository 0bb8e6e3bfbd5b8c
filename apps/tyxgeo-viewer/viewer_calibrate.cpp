// The viewer's calibration mode. The window keeps the inputs as the user entered them (positions
// and pixels on graticule lines, each of which may be disabled); the map control's calibration is
// always the fit of the enabled inputs of the chosen model's kind. Deleting an input the fit holds
// goes through RemoveCalibPoint and its undo through RestoreLastDeletedCalPoint; any other change
// loads the enabled inputs again (ClearCalibData keeps the control's copy of the removed input).
#include "viewer_calibrate.h"

#include "geobasics/Tyx_geobasics.h"
#include "geodb/Tyx_GeoDB.h"
#include "geomap/Tyx_geomap.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tyx::viewer {

namespace {

/// The models in the chooser's order, with their names.
struct TModelName {
    TCalibModel Model;
    const char* Name;
};
const TModelName ModelNames[] = {{cmEquiRect, "Equirectangular (affine)"},
                                 {cmUTM, "UTM, one zone (affine)"},
                                 {cmBiquadraticPn, "Biquadratic polynomial"},
                                 {cmMillerCylindrical, "Miller cylindrical"},
                                 {cmConicConformal, "Conic conformal"},
                                 {cmParabolicIp, "Graticule lines (parabolic)"}};

/// The table's columns; the number's box says whether the input is used.
enum TColumn { colUse, colX, colY, colPosition, colResidPx, colResidM, colCount };

/// A mark is picked up for dragging within this many control pixels.
constexpr int GrabRadius = 7;
/// The longest residual arrow is drawn at most this long, control pixels.
constexpr double LongestArrow = 80;

bool IsLine(const TCalibEntry& E) { return E.Kind != TCalibEntry::ekPosition; }

QString EntryValueText(const TCalibEntry& E)
{
    switch (E.Kind) {
    case TCalibEntry::ekMeridian:
        return "Meridian " + QString::fromStdString(GeoLongitude(E.LineValue, dfDegMinSec, 1));
    case TCalibEntry::ekParallel:
        return "Parallel " + QString::fromStdString(GeoLatitude(E.LineValue, dfDegMinSec, 1));
    default:
        return QString::fromStdString(GeoLatitude(E.Lat, dfDegMinSec, 1) + "  " + GeoLongitude(E.Long, dfDegMinSec, 1));
    }
}

/// 1, 2 or 5 times a power of ten, the largest that keeps Length * Factor within Limit; 1 at least,
/// 500 at most (beyond, what would be drawn is the fit's rounding noise).
double RoundFactor(double Length, double Limit)
{
    if (!(Length > 0) || Length >= Limit) return 1;
    double Best = 1;
    for (double Decade = 1; Decade <= 100; Decade *= 10)
        for (const double m : {1.0, 2.0, 5.0})
            if (Length * m * Decade <= Limit) Best = m * Decade;
    return Best;
}

} // namespace

TCalibrateWindow::TCalibrateWindow(QWidget* Parent, const QStringList& Places, TPlaceLookup Lookup)
    : QMainWindow(Parent), FLookup(std::move(Lookup))
{
    setWindowTitle("Calibrate image");
    FMap = new TGeoMap(this);
    FMap->SetMaxMapPixels(1000000000); // scans of any size, as in the main window
    FMap->SetName("calibmap");
    FMap->SetWheelZoom(1.25);
    FMap->SetKeyboardNavigation(true);
    FMap->SetMouseAction(maPan);
    FMap->SetMaxMagnification(64);
    FMap->SetEmptyMsg("No image");
    FMap->installEventFilter(this);
    FMap->OnDataRendered = [this](TObject*, TCanvas& C) { DrawInputs(C); };
    BuildPanel();
    if (!Places.isEmpty()) {
        auto* Completer = new QCompleter(Places, FText);
        Completer->setCaseSensitivity(Qt::CaseInsensitive);
        FText->setCompleter(Completer);
    }
    resize(1200, 800);
}

TCalibrateWindow::~TCalibrateWindow() = default;

void TCalibrateWindow::BuildPanel()
{
    auto* Panel = new QWidget;
    auto* Box = new QVBoxLayout(Panel);

    auto* Fit = new QGroupBox("Model");
    auto* FitForm = new QFormLayout(Fit);
    FModel = new QComboBox;
    FModel->setObjectName("model");
    for (const TModelName& M : ModelNames) FModel->addItem(M.Name, int(M.Model));
    FitForm->addRow(FModel);
    auto* ZoneRow = new QHBoxLayout;
    FZone = new QSpinBox;
    FZone->setObjectName("zone");
    FZone->setRange(1, 60);
    FSouth = new QCheckBox("South");
    FSouth->setObjectName("south");
    ZoneRow->addWidget(FZone);
    ZoneRow->addWidget(FSouth);
    FitForm->addRow("UTM zone", ZoneRow);
    FQuality = new QLabel;
    FQuality->setObjectName("quality");
    FQuality->setWordWrap(true);
    FitForm->addRow(FQuality);
    Box->addWidget(Fit);

    auto* New = new QGroupBox("New point (click the image)");
    auto* NewForm = new QFormLayout(New);
    FPendingLabel = new QLabel("no pixel picked");
    NewForm->addRow("Pixel", FPendingLabel);
    FKind = new QComboBox;
    FKind->setObjectName("kind");
    FKind->addItems({"Position", "On a meridian", "On a parallel"});
    NewForm->addRow("Kind", FKind);
    FText = new QLineEdit;
    FText->setObjectName("position");
    FText->setPlaceholderText("48.14 11.58 · 48°08'N 11°35'E · 32U 691560 5334824 · a town");
    NewForm->addRow("Value", FText);
    auto* Add = new QPushButton("Add");
    Add->setObjectName("add");
    NewForm->addRow(Add);
    FMessage = new QLabel;
    FMessage->setObjectName("message");
    FMessage->setWordWrap(true);
    NewForm->addRow(FMessage);
    Box->addWidget(New);

    FTable = new QTableWidget(0, colCount);
    FTable->setObjectName("points");
    FTable->setHorizontalHeaderLabels({"Use", "x", "y", "Position or line", "px", "m"});
    FTable->horizontalHeaderItem(colResidPx)->setToolTip("Residual in map-image pixels");
    FTable->horizontalHeaderItem(colResidM)->setToolTip("Residual on the ground, metres");
    FTable->verticalHeader()->hide();
    FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    FTable->setSelectionMode(QAbstractItemView::SingleSelection);
    FTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    FTable->horizontalHeader()->setSectionResizeMode(colPosition, QHeaderView::Stretch);
    Box->addWidget(FTable, 1);

    auto* Buttons = new QHBoxLayout;
    auto* Delete = new QPushButton("Delete");
    Delete->setObjectName("delete");
    FUndo = new QPushButton("Undo delete");
    FUndo->setObjectName("undo");
    auto* SaveButton = new QPushButton("Save...");
    SaveButton->setObjectName("save");
    Buttons->addWidget(Delete);
    Buttons->addWidget(FUndo);
    Buttons->addStretch();
    Buttons->addWidget(SaveButton);
    Box->addLayout(Buttons);

    auto* Split = new QSplitter;
    Split->addWidget(FMap);
    Split->addWidget(Panel);
    Split->setStretchFactor(0, 3);
    Split->setStretchFactor(1, 2);
    setCentralWidget(Split);

    QMenu* Edit = menuBar()->addMenu("&Edit");
    Edit->addAction("&Delete point", QKeySequence::Delete, this, [this] { DeleteSelected(); });
    Edit->addAction("&Undo delete", QKeySequence::Undo, this, [this] { Undo(); });
    Edit->addAction("&Save calibration...", QKeySequence::Save, this, [this] { SaveInteractively(); });
    Edit->addAction("&Close", QKeySequence::Close, this, &QWidget::close);

    connect(FModel, &QComboBox::currentIndexChanged, this, [this] {
        FDeletedInFit = false; // the control's copy belongs to the model it was removed under
        if (ChosenModel() == cmParabolicIp && FKind->currentIndex() == 0) FKind->setCurrentIndex(1);
        if (ChosenModel() != cmParabolicIp) FKind->setCurrentIndex(0);
        Rebuild();
        Refresh();
    });
    auto ZoneChanged = [this] {
        FDeletedInFit = false;
        if (ChosenModel() != cmUTM) return;
        Rebuild();
        Refresh();
    };
    connect(FZone, &QSpinBox::valueChanged, this, ZoneChanged);
    connect(FSouth, &QCheckBox::toggled, this, ZoneChanged);
    connect(Add, &QPushButton::clicked, this, [this] { AddPending(); });
    connect(FText, &QLineEdit::returnPressed, this, [this] { AddPending(); });
    connect(Delete, &QPushButton::clicked, this, [this] { DeleteSelected(); });
    connect(FUndo, &QPushButton::clicked, this, [this] { Undo(); });
    connect(SaveButton, &QPushButton::clicked, this, [this] { SaveInteractively(); });
    connect(FTable, &QTableWidget::cellChanged, this, [this](int Row, int Column) { OnTableChanged(Row, Column); });
    connect(FTable, &QTableWidget::itemSelectionChanged, this, [this] { FMap->Paint(); });
}

bool TCalibrateWindow::OpenImage(const QString& FileName, QString& Error)
{
    try {
        FMap->SetMapImgName(FileName.toStdString());
    } catch (const ETYXError& E) {
        Error = E.what();
        return false;
    }
    if (FMap->MapImgFile().empty()) {
        Error = "cannot read " + FileName;
        return false;
    }
    FImageFile = FileName;
    FEntries.clear();
    FDeleted.reset();
    FPending.reset();
    setWindowTitle("Calibrate " + QFileInfo(FileName).fileName());
    Rebuild();
    FMap->ZoomFitPage();
    FFitOnShow = !isVisible();
    Refresh();
    return true;
}

void TCalibrateWindow::showEvent(QShowEvent* Event)
{
    QMainWindow::showEvent(Event);
    // After the layout has given the map its size.
    if (FFitOnShow)
        QMetaObject::invokeMethod(this, [this] {
            FFitOnShow = false;
            FMap->ZoomFitPage();
        }, Qt::QueuedConnection);
}

uint8_t TCalibrateWindow::ChosenModel() const { return static_cast<uint8_t>(FModel->currentData().toInt()); }

bool TCalibrateWindow::InFit(const TCalibEntry& E) const
{
    return E.Enabled && IsLine(E) == (ChosenModel() == cmParabolicIp);
}

void TCalibrateWindow::SetPending(const TPoint& Pixel)
{
    FPending = Pixel;
    FPendingLabel->setText(QString("%1, %2").arg(Pixel.X).arg(Pixel.Y));
    FMessage->clear();
    FText->setFocus();
    FText->selectAll();
    FMap->Paint();
}

bool TCalibrateWindow::ParseEntry(TCalibEntry::TKind Kind, const QString& Text, TCalibEntry& Entry, QString& Error) const
{
    Entry.Kind = Kind;
    Entry.Text = Text.trimmed();
    if (Kind != TCalibEntry::ekPosition) {
        // A line's value reads as the one coordinate of a position on the equator or the prime
        // meridian, so that it may be typed in every form a position may.
        const bool Meridian = Kind == TCalibEntry::ekMeridian;
        const TParsedPosition P = ParsePosition((Meridian ? "0, " + Entry.Text : Entry.Text + ", 0").toStdString());
        Entry.LineValue = Meridian ? P.Longitude : P.Latitude;
        if (P.Ok) return true;
        Error = QString("not a %1: %2").arg(Meridian ? "longitude" : "latitude", Text);
        return false;
    }
    const TParsedPosition P = ParsePosition(Entry.Text.toStdString());
    if (P.Ok) {
        Entry.Lat = P.Latitude;
        Entry.Long = P.Longitude;
        return true;
    }
    if (FLookup && FLookup(Entry.Text, Entry.Lat, Entry.Long)) return true;
    Error = QString::fromStdString(P.Error) + (FLookup ? " (and no town of that name)" : "");
    return false;
}

bool TCalibrateWindow::AddPending()
{
    if (!FPending) {
        FMessage->setText("Click the image first.");
        return false;
    }
    const auto Kind = static_cast<TCalibEntry::TKind>(FKind->currentIndex());
    TCalibEntry E;
    QString Error;
    if (!ParseEntry(Kind, FText->text(), E, Error)) {
        FMessage->setText(Error);
        return false;
    }
    E.Pixel = *FPending;
    // Two inputs of one fit on one pixel could not be told apart by a nearest-pixel removal; a
    // meridian and a parallel may cross there.
    for (const TCalibEntry& Other : FEntries)
        if (Other.Pixel == E.Pixel && Other.Kind == E.Kind) {
            FMessage->setText("This pixel has an input of that kind already: move or delete it.");
            return false;
        }
    FEntries.push_back(E);
    FPending.reset();
    FPendingLabel->setText("no pixel picked");
    FText->clear();
    FMessage->clear();
    if (FEntries.size() == 1 && !IsLine(E)) {
        // The first position tells the zone of a UTM fit.
        int Zone = 0;
        char Band = ' ';
        GeoToUTMZone(E.Lat, E.Long, Zone, Band);
        const QSignalBlocker B1(FZone), B2(FSouth);
        if (Zone > 0) FZone->setValue(Zone);
        FSouth->setChecked(E.Lat < 0);
    }
    Rebuild();
    Refresh();
    return true;
}

void TCalibrateWindow::Rebuild()
{
    if (FImageFile.isEmpty()) return;
    FMap->SetSuppressPaint(true);
    const auto Model = static_cast<TCalibModel>(ChosenModel());
    FMap->ClearCalibData();
    if (FMap->CalibModel() != Model) FMap->SetCalibModel(Model);
    if (Model == cmUTM) {
        FMap->SetUTMZone(FZone->value());
        FMap->SetUTMHemisphere(FSouth->isChecked() ? hemiSouth : hemiNorth);
    }
    for (const TCalibEntry& E : FEntries) {
        if (!InFit(E)) continue;
        if (Model == cmParabolicIp) {
            FMap->AddCalibPoint(E.Kind == TCalibEntry::ekMeridian ? gtlMeridian : gtlParallel, E.LineValue, E.Pixel.X,
                                E.Pixel.Y);
        } else if (Model == cmUTM) {
            double N = 0, Ea = 0;
            FMap->Calibration().CalcUTMCoords(E.Lat, E.Long, N, Ea);
            FMap->AddCalibPoint(N, Ea, FMap->GetUTMZone(), FMap->GetUTMHemisphere(), E.Pixel.X, E.Pixel.Y);
        } else {
            FMap->AddCalibPoint(E.Lat, E.Long, E.Pixel.X, E.Pixel.Y);
        }
    }
    FMap->RecalcCalibration();
    FMap->SetSuppressPaint(false);
}

TCalibData TCalibrateWindow::InputData(uint8_t Model) const
{
    TCalibData D;
    D.UTMZone = FZone->value();
    D.UTMSouth = FSouth->isChecked();
    TGeoCalibration Zone;
    Zone.SetCalibData(D);
    for (const TCalibEntry& E : FEntries) {
        if (!E.Enabled || IsLine(E) != (Model == cmParabolicIp)) continue;
        if (!IsLine(E)) {
            if (D.NumCalQuads == gmMaxCalQuads) continue;
            TCalQuad& Q = D.CalQuads[++D.NumCalQuads];
            Q = TCalQuad{E.Lat, E.Long, E.Pixel.X, E.Pixel.Y};
            if (Model == cmUTM) Zone.CalcUTMCoords(E.Lat, E.Long, Q.Latitude, Q.Longitude);
            continue;
        }
        const TGratLineKind Kind = E.Kind == TCalibEntry::ekMeridian ? gtlMeridian : gtlParallel;
        int L = 1;
        while (L <= D.NumCalLines && !(D.CalLines[L].LineType == Kind && D.CalLines[L].LineValue == E.LineValue)) ++L;
        if (L > D.NumCalLines) {
            if (L > gmMaxCalLines) continue;
            D.NumCalLines = L;
            D.CalLines[L].LineType = Kind;
            D.CalLines[L].LineValue = E.LineValue;
        }
        TCalibLine& Line = D.CalLines[L];
        if (Line.NumPoints < gmMaxLinePoints) Line.CalPoints[++Line.NumPoints] = E.Pixel;
    }
    return D;
}

QString TCalibrateWindow::FitProblem(uint8_t Model) const
{
    TGeoCalibration Input;
    Input.SetCalibData(InputData(Model));
    return QString::fromStdString(CalibFitProblem(Input, static_cast<TCalibModel>(Model)));
}

void TCalibrateWindow::ComputeResiduals()
{
    FResiduals.assign(FEntries.size(), std::nullopt);
    const auto Model = static_cast<TCalibModel>(ChosenModel());
    if (FImageFile.isEmpty() || Model == cmParabolicIp || !FitProblem(Model).isEmpty()) return;
    // The fit as it is, asked about every position: the residuals read the points, not refit.
    TGeoCalibration Check = FMap->Calibration();
    TCalibData& D = Check.CalibData();
    D.NumCalQuads = 0;
    std::vector<std::size_t> Of;
    for (std::size_t k = 0; k < FEntries.size() && D.NumCalQuads < gmMaxCalQuads; ++k) {
        const TCalibEntry& E = FEntries[k];
        if (IsLine(E)) continue;
        TCalQuad& Q = D.CalQuads[++D.NumCalQuads];
        Q = TCalQuad{E.Lat, E.Long, E.Pixel.X, E.Pixel.Y};
        if (Model == cmUTM) Check.CalcUTMCoords(E.Lat, E.Long, Q.Latitude, Q.Longitude);
        Of.push_back(k);
    }
    const std::vector<TCalibResidual> R = CalibResiduals(Check);
    for (std::size_t i = 0; i < R.size() && i < Of.size(); ++i)
        if (R[i].Valid) FResiduals[Of[i]] = R[i];
}

void TCalibrateWindow::DeleteSelected()
{
    const int Row = FTable->currentRow();
    if (Row < 0 || Row >= static_cast<int>(FEntries.size())) return;
    const TCalibEntry E = FEntries[Row];
    const bool Shared = std::any_of(FEntries.begin(), FEntries.end(), [&](const TCalibEntry& O) {
        return &O != &FEntries[Row] && InFit(O) && O.Pixel == E.Pixel;
    });
    FDeletedInFit = InFit(E) && !Shared;
    FDeleted = E;
    FDeletedRow = Row;
    FEntries.erase(FEntries.begin() + Row);
    if (FDeletedInFit)
        FMap->RemoveCalibPoint(E.Pixel.X, E.Pixel.Y);
    else
        Rebuild();
    Refresh();
}

void TCalibrateWindow::Undo()
{
    if (!FDeleted) return;
    const int Row = std::min<int>(FDeletedRow, static_cast<int>(FEntries.size()));
    FEntries.insert(FEntries.begin() + Row, *FDeleted);
    if (FDeletedInFit)
        FMap->RestoreLastDeletedCalPoint();
    else
        Rebuild();
    FDeleted.reset();
    Refresh();
}

void TCalibrateWindow::Refresh()
{
    ComputeResiduals();
    UpdateModelChooser();
    FillTable();
    FUndo->setEnabled(FDeleted.has_value());
    FMap->Paint();
}

void TCalibrateWindow::UpdateModelChooser()
{
    auto* Items = qobject_cast<QStandardItemModel*>(FModel->model());
    QString Need;
    for (int i = 0; i < FModel->count(); ++i) {
        const QString Why = FitProblem(static_cast<uint8_t>(FModel->itemData(i).toInt()));
        Items->item(i)->setEnabled(Why.isEmpty());
        Items->item(i)->setToolTip(Why);
        if (i == FModel->currentIndex()) Need = Why;
    }
    // The fitted graticule over the scan's own shows at a glance how well they agree.
    FMap->SetShowGrat(Need.isEmpty() ? sgLines : sgNone);
    if (!Need.isEmpty()) {
        FQuality->setText("Not fitted yet: " + Need + ".");
        return;
    }
    if (ChosenModel() == cmParabolicIp) {
        // The quality figures and residuals are those of calibration points.
        FQuality->setText(QString("Fitted on the graticule lines   ·   %1 m per pixel").arg(FMap->CalibData().Resolution, 0, 'g', 4));
        return;
    }
    double QX = 0, QY = 0;
    FMap->CalibQuality(QX, QY);
    FQuality->setText(QString("Quality x %1, y %2   ·   %3 m per pixel")
                          .arg(QX, 0, 'g', 3)
                          .arg(QY, 0, 'g', 3)
                          .arg(FMap->CalibData().Resolution, 0, 'g', 4));
}

void TCalibrateWindow::FillTable()
{
    FFilling = true;
    const int Selected = FTable->currentRow();
    FTable->setRowCount(static_cast<int>(FEntries.size()));
    for (int r = 0; r < static_cast<int>(FEntries.size()); ++r) {
        const TCalibEntry& E = FEntries[r];
        auto Cell = [&](int Col, const QString& Text, bool Editable) {
            auto* Item = new QTableWidgetItem(Text);
            if (!Editable) Item->setFlags(Item->flags() & ~Qt::ItemIsEditable);
            FTable->setItem(r, Col, Item);
            return Item;
        };
        QTableWidgetItem* Use = Cell(colUse, QString::number(r + 1), false);
        Use->setFlags(Use->flags() | Qt::ItemIsUserCheckable);
        Use->setCheckState(E.Enabled ? Qt::Checked : Qt::Unchecked);
        Cell(colX, QString::number(E.Pixel.X), true);
        Cell(colY, QString::number(E.Pixel.Y), true);
        Cell(colPosition, EntryValueText(E), true)->setToolTip("As typed: " + E.Text);
        const auto& R = FResiduals[r];
        Cell(colResidPx, R ? QString::number(R->Pixels, 'f', 2) : QString("-"), false);
        Cell(colResidM, R ? QString::number(R->Metres, 'f', 1) : QString("-"), false);
    }
    if (Selected >= 0 && Selected < FTable->rowCount()) FTable->selectRow(Selected);
    FFilling = false;
}

void TCalibrateWindow::OnTableChanged(int Row, int Column)
{
    if (FFilling || Row < 0 || Row >= static_cast<int>(FEntries.size())) return;
    TCalibEntry& E = FEntries[Row];
    const QString Text = FTable->item(Row, Column)->text();
    QString Error;
    if (Column == colUse) {
        E.Enabled = FTable->item(Row, Column)->checkState() == Qt::Checked;
    } else if (Column == colX || Column == colY) {
        bool Ok = false;
        const int V = Text.toInt(&Ok);
        if (!Ok) Error = "not a pixel: " + Text;
        else (Column == colX ? E.Pixel.X : E.Pixel.Y) = V;
    } else if (Column == colPosition) {
        TCalibEntry Read;
        if (ParseEntry(E.Kind, Text, Read, Error)) {
            Read.Pixel = E.Pixel;
            Read.Enabled = E.Enabled;
            E = Read;
        }
    }
    FMessage->setText(Error);
    Rebuild();
    // Later, once the edit has finished: the table may not be refilled from within its own signal.
    QMetaObject::invokeMethod(this, [this] { Refresh(); }, Qt::QueuedConnection);
}

int TCalibrateWindow::EntryAt(int X, int Y) const
{
    int Best = -1;
    double BestD = GrabRadius + 0.5;
    for (int k = 0; k < static_cast<int>(FEntries.size()); ++k) {
        const TPoint C = FMap->MapImageToControl(FEntries[k].Pixel);
        const double D = std::hypot(C.X - X, C.Y - Y);
        if (D < BestD) {
            BestD = D;
            Best = k;
        }
    }
    return Best;
}

bool TCalibrateWindow::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched != FMap) return QMainWindow::eventFilter(Watched, Event);
    const auto Type = Event->type();
    if (Type != QEvent::MouseButtonPress && Type != QEvent::MouseMove && Type != QEvent::MouseButtonRelease)
        return false;
    auto* Mouse = static_cast<QMouseEvent*>(Event);
    const QPoint At = Mouse->position().toPoint();
    if (Type == QEvent::MouseButtonPress && Mouse->button() == Qt::LeftButton) {
        // On a mark the press drags the input; elsewhere the control pans as usual.
        FDragging = EntryAt(At.x(), At.y());
        if (FDragging >= 0) {
            FTable->selectRow(FDragging);
            return true;
        }
        FPressed = true;
        FPressAt = At;
        return false;
    }
    if (Type == QEvent::MouseMove && FDragging >= 0) {
        FEntries[FDragging].Pixel = FMap->ControlToMapImage(TPoint{At.x(), At.y()});
        ComputeResiduals(); // against the fit as it was, until the release refits
        FMap->Paint();
        return true;
    }
    if (Type == QEvent::MouseButtonRelease && Mouse->button() == Qt::LeftButton) {
        if (FDragging >= 0) {
            FEntries[FDragging].Pixel = FMap->ControlToMapImage(TPoint{At.x(), At.y()});
            FDragging = -1;
            Rebuild();
            Refresh();
            return true;
        }
        // A click, not a pan, picks the pixel.
        if (FPressed && (At - FPressAt).manhattanLength() < 4 && !FImageFile.isEmpty())
            SetPending(FMap->ControlToMapImage(TPoint{At.x(), At.y()}));
        FPressed = false;
    }
    return false;
}

void TCalibrateWindow::DrawInputs(TCanvas& C)
{
    QPainter& P = C.Painter();
    P.save();
    P.setRenderHint(QPainter::Antialiasing);
    const double Mag = FMap->Magnification();
    // One factor for every arrow, so that their lengths compare.
    if (FResiduals.size() != FEntries.size()) ComputeResiduals();
    double Longest = 0;
    for (const auto& R : FResiduals)
        if (R) Longest = std::max(Longest, R->Pixels * Mag);
    FArrowFactor = Longest > 0 ? RoundFactor(Longest, LongestArrow) : 0;
    const int Selected = FTable->currentRow();
    for (std::size_t k = 0; k < FEntries.size(); ++k) {
        const TCalibEntry& E = FEntries[k];
        const TPoint Q = FMap->MapImageToControl(E.Pixel);
        const QPointF At(Q.X, Q.Y);
        const QColor Colour = !E.Enabled ? QColor(128, 128, 128) : InFit(E) ? QColor(220, 0, 0) : QColor(230, 140, 0);
        if (FResiduals[k] && FArrowFactor > 0) {
            const QPointF To = At + QPointF(FResiduals[k]->PixelX, FResiduals[k]->PixelY) * Mag * FArrowFactor;
            P.setPen(QPen(QColor(0, 90, 255), 2));
            P.drawLine(At, To);
            const QPointF d = To - At;
            const double L = std::hypot(d.x(), d.y());
            if (L > 6) {
                const QPointF u = d / L, n(-u.y(), u.x());
                QPainterPath Head;
                Head.moveTo(To);
                Head.lineTo(To - u * 8 + n * 4);
                Head.lineTo(To - u * 8 - n * 4);
                Head.closeSubpath();
                P.fillPath(Head, QColor(0, 90, 255));
            }
        }
        P.setBrush(Qt::NoBrush);
        P.setPen(QPen(Qt::white, 4));
        P.drawEllipse(At, 6, 6);
        P.setPen(QPen(Colour, static_cast<int>(k) == Selected ? 3 : 2));
        P.drawEllipse(At, 6, 6);
        P.drawLine(At - QPointF(10, 0), At + QPointF(10, 0));
        P.drawLine(At - QPointF(0, 10), At + QPointF(0, 10));
        P.setPen(Colour);
        P.drawText(At + QPointF(9, -8), QString::number(k + 1));
    }
    if (FPending) {
        const TPoint Q = FMap->MapImageToControl(*FPending);
        P.setPen(QPen(QColor(0, 200, 200), 2, Qt::DashLine));
        P.drawLine(QPointF(Q.X - 16, Q.Y), QPointF(Q.X + 16, Q.Y));
        P.drawLine(QPointF(Q.X, Q.Y - 16), QPointF(Q.X, Q.Y + 16));
    }
    if (FArrowFactor > 0) {
        const QString Text = QString("Residual arrows \u00d7%1").arg(FArrowFactor);
        const QRect Box = P.fontMetrics().boundingRect(Text).adjusted(-4, -2, 4, 2).translated(10, 10 + P.fontMetrics().ascent());
        P.fillRect(Box, QColor(255, 255, 255, 220));
        P.setPen(QColor(0, 90, 255));
        P.drawText(Box, Qt::AlignCenter, Text);
    }
    P.restore();
}

bool TCalibrateWindow::Save(const QString& CalibFile, QString& Error)
{
    const auto Model = static_cast<TCalibModel>(ChosenModel());
    if (FImageFile.isEmpty()) {
        Error = "no image";
        return false;
    }
    if (const QString Why = FitProblem(Model); !Why.isEmpty()) {
        Error = "cannot save: " + Why;
        return false;
    }
    const std::string Base = QFileInfo(FImageFile).completeBaseName().toStdString();
    if (FMap->GetMapCaption().empty()) FMap->SetMapCaption(Base);
    try {
        FMap->SaveCalDataAsXML(CalibFile.toStdString(), Base);
        if (Model == cmEquiRect || Model == cmUTM) FMap->SaveWorldFile(FImageFile.toStdString());
    } catch (const ETYXError& E) {
        Error = E.what();
        return false;
    }
    Q_EMIT saved(CalibFile);
    return true;
}

void TCalibrateWindow::SaveInteractively()
{
    const QFileInfo Image(FImageFile);
    const QString F = QFileDialog::getSaveFileName(this, "Save calibration", Image.dir().filePath(Image.completeBaseName() + ".xml"),
                                                   "Calibrations (*.xml)");
    if (F.isEmpty()) return;
    const auto Model = static_cast<TCalibModel>(ChosenModel());
    if (Model == cmEquiRect || Model == cmUTM) {
        QStringList There;
        for (const std::string& W : FMap->WorldFileNames(FImageFile.toStdString()))
            if (QFileInfo::exists(QString::fromStdString(W))) There << QFileInfo(QString::fromStdString(W)).fileName();
        if (!There.isEmpty() &&
            QMessageBox::question(this, "Save calibration", "Replace " + There.join(", ") + "?") != QMessageBox::Yes)
            return;
    }
    QString Error;
    if (Save(F, Error))
        statusBar()->showMessage("Saved " + F, 4000);
    else
        QMessageBox::warning(this, "Save calibration", Error);
}

} // namespace tyx::viewer
