// The viewer's search field. The index is built once per database, off the user-interface thread
// (135 000 towns take longer than a keystroke may); each keystroke then searches it in memory.
#include "viewer_search.h"

#include "viewer_status.h"

#include "geobasics/Tyx_geobasics.h"
#include "geodb/Tyx_GeoDB.h"
#include "geomap/Tyx_geomap.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCompleter>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QKeyEvent>
#include <QLocale>
#include <QStandardItemModel>
#include <QTimer>

#include <cstdio>
#include <utility>

namespace tyx::viewer {

namespace {

/// The class of the found-place mark: one the town classes (1 to 4) and landmark files leave alone.
constexpr uint8_t FoundMarkClass = 255;
/// Where the chosen row keeps its number among the choices.
constexpr int ChoiceRole = Qt::UserRole + 1;
/// What the field shows once a row is chosen: the plain name.
constexpr int NameRole = Qt::UserRole + 2;

QString ShortPosition(double Lat, double Long)
{
    return QString::fromStdString(GeoLatitude(Lat, dfDegMin, 0) + " " + GeoLongitude(Long, dfDegMin, 0));
}

TPlaceChoice TownChoice(const TTown& T)
{
    const QString Name = QString::fromStdString(T.Name);
    const QString Where = T.Country.empty() ? Name : Name + ", " + QString::fromStdString(T.Country);
    const QString At = ShortPosition(T.Lat, T.Long);
    const QString People = T.Population > 0 ? QLocale(QLocale::English).toString(static_cast<qlonglong>(T.Population)) : QString();
    TPlaceChoice C;
    C.Name = Name;
    C.Label = Where + "   " + At + (People.isEmpty() ? QString() : "   (" + People + ")");
    C.Lat = T.Lat;
    C.Long = T.Long;
    C.Found = "Found " + Where + (People.isEmpty() ? QString() : " (" + People + " people)") + ": " + At;
    return C;
}

} // namespace

TViewerSearch::TViewerSearch(QLineEdit* Field, std::function<bool(double, double)> ShowPlace,
                             std::function<void(const QString&)> PutMessage)
    : QObject(Field), FField(Field), FShow(std::move(ShowPlace)), FMessage(std::move(PutMessage))
{
    FModel = new QStandardItemModel(this);
    FCompleter = new QCompleter(FModel, this);
    // The index has done the matching: the list shows what it found, in its order.
    FCompleter->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    FCompleter->setCompletionRole(NameRole);
    FCompleter->setMaxVisibleItems(12);
    FField->setCompleter(FCompleter);
    connect(FField, &QLineEdit::textEdited, this, &TViewerSearch::Offer);
    connect(FCompleter, qOverload<const QModelIndex&>(&QCompleter::activated), this, [this](const QModelIndex& I) {
        // The field may see the same Enter next: it is this pick's, not a search of the name.
        FPicked = true;
        QTimer::singleShot(0, this, [this] { FPicked = false; });
        Pick(I.data(ChoiceRole).toInt());
    });
    // Enter in the list with no row chosen takes the first, the best.
    FCompleter->popup()->installEventFilter(this);
    // Ctrl+F reaches the field from anywhere; Escape gives the keys back to the map.
    auto* Find = new QAction(FField);
    Find->setShortcut(QKeySequence::Find);
    Find->setShortcutContext(Qt::WindowShortcut);
    connect(Find, &QAction::triggered, FField, [this] {
        FField->setFocus(Qt::ShortcutFocusReason);
        FField->selectAll();
    });
    FField->addAction(Find);
    auto* Leave = new QAction(FField);
    Leave->setShortcut(Qt::Key_Escape);
    Leave->setShortcutContext(Qt::WidgetShortcut);
    connect(Leave, &QAction::triggered, this, &TViewerSearch::Done);
    FField->addAction(Leave);
    connect(FField, &QLineEdit::returnPressed, this, [this] {
        if (std::exchange(FPicked, false)) return;
        GoTo(FField->text());
        emit Done();
    });
}

TViewerSearch::~TViewerSearch()
{
    // The builder posts its result to this object: it must be done before the object goes.
    if (FBuild.valid()) FBuild.wait();
}

void TViewerSearch::OpenDatabase(const QString& FileName)
{
    if (FBuild.valid()) FBuild.wait();
    FIndex.reset();
    FError.clear();
    FDbName = FileName;
    FMessage("Indexing the towns of " + FileName + "...");
    FBuild = std::async(std::launch::async, [this, Name = FileName.toStdString(), Timing = FTiming] {
        // The window takes the index (or the error) over once it is there, however this ends.
        struct TTell {
            TViewerSearch* Search;
            ~TTell() { QMetaObject::invokeMethod(Search, [S = Search] { S->Adopt(); }, Qt::QueuedConnection); }
        } Tell{this};
        QElapsedTimer Clock;
        Clock.start();
        TTownIndex Index = ReadTownIndex(Name);
        if (Timing)
            std::fprintf(stderr, "tyxgeo-viewer: town index of %zu towns built in %lld ms\n", Index.Towns().size(),
                         static_cast<long long>(Clock.elapsed()));
        return Index;
    });
}

void TViewerSearch::Adopt()
{
    if (!FBuild.valid()) return;
    try {
        FIndex = FBuild.get();
        FMessage(QString("%1 towns to search").arg(FIndex->Towns().size()));
        // What was typed while the index was being built.
        if (FField->hasFocus() && !FField->text().isEmpty()) Offer(FField->text());
    } catch (const std::exception& E) {
        FError = QString("Cannot search %1: %2").arg(FDbName, QString::fromUtf8(E.what()));
        FMessage(FError);
    }
}

bool TViewerSearch::WaitForIndex(QString* Error)
{
    Adopt(); // waits for the build, if one is under way
    if (Error) *Error = FError;
    return FIndex.has_value();
}

std::vector<TPlaceChoice> TViewerSearch::Choices(const QString& Text) const
{
    std::vector<TPlaceChoice> Out;
    // A position typed in any common form is that position, and no town.
    if (const TParsedPosition P = ParsePosition(Text.toStdString()); P.Ok) {
        TPlaceChoice C;
        C.Name = Text.trimmed();
        C.Label = "Position " + ShortPosition(P.Latitude, P.Longitude);
        C.Lat = P.Latitude;
        C.Long = P.Longitude;
        C.Found = "Position " + PositionText(P.Latitude, P.Longitude);
        Out.push_back(C);
        return Out;
    }
    if (!FIndex) return Out;
    QElapsedTimer Clock;
    Clock.start();
    const std::vector<TTownHit> Hits = FIndex->Find(Text.toStdString());
    for (const TTownHit& H : Hits) Out.push_back(TownChoice(FIndex->Towns()[static_cast<std::size_t>(H.Town)]));
    if (FTiming)
        std::fprintf(stderr, "tyxgeo-viewer: search \"%s\": %zu places in %.1f ms\n", Text.toUtf8().constData(),
                     Out.size(), static_cast<double>(Clock.nsecsElapsed()) / 1e6);
    return Out;
}

bool TViewerSearch::eventFilter(QObject* Watched, QEvent* Event)
{
    auto* Popup = FCompleter->popup();
    if (Watched == Popup && Event->type() == QEvent::KeyPress && !Popup->currentIndex().isValid() && !FOffered.empty()) {
        const int Key = static_cast<QKeyEvent*>(Event)->key();
        if (Key == Qt::Key_Return || Key == Qt::Key_Enter) {
            Popup->hide();
            Pick(0);
            return true;
        }
    }
    return QObject::eventFilter(Watched, Event);
}

void TViewerSearch::Pick(int Row)
{
    if (Row >= 0 && Row < static_cast<int>(FOffered.size())) Show(FOffered[static_cast<std::size_t>(Row)]);
    emit Done();
}

void TViewerSearch::Offer(const QString& Text)
{
    FMessage(QString()); // the last search's message is done with
    FModel->clear();
    FOffered = Choices(Text);
    for (std::size_t k = 0; k < FOffered.size(); ++k) {
        auto* Item = new QStandardItem(FOffered[k].Label);
        Item->setData(static_cast<int>(k), ChoiceRole);
        Item->setData(FOffered[k].Name, NameRole);
        FModel->appendRow(Item);
    }
    if (FEcho) {
        std::printf("list: %zu: %s\n", FOffered.size(), FOffered.empty() ? "" : FOffered.front().Label.toUtf8().constData());
        std::fflush(stdout);
    }
    if (FOffered.empty())
        FCompleter->popup()->hide();
    else
        FCompleter->complete();
}

bool TViewerSearch::Show(const TPlaceChoice& Choice)
{
    if (!FShow(Choice.Lat, Choice.Long)) {
        FMessage("Not on any map: " + Choice.Label);
        return false;
    }
    FMessage(Choice.Found);
    return true;
}

bool TViewerSearch::GoTo(const QString& Text)
{
    const std::vector<TPlaceChoice> All = Choices(Text);
    if (All.empty()) {
        FMessage("Not found: " + Text);
        return false;
    }
    return Show(All.front());
}

void MarkFoundPlace(TGeoMap& Map, double Lat, double Long)
{
    Map.RemoveAllLandMarks(FoundMarkClass);
    Map.AddLandMark(Lat, Long, 0, lmCrossBox, FoundMarkClass, TLMIdentifier("found"), 0, 0, clRed, clWhite, 8, false,
                    0, 0);
    Map.SetHighLM(Map.NumLandMarks());
}

} // namespace tyx::viewer
