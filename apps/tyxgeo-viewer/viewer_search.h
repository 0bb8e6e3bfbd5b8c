// The viewer's search field: towns of the database by name (see town_search.h), offered in a list
// under the field as the user types, the largest first; the chosen place is centred and marked.
#pragma once
#include "town_search.h"

#include <QObject>
#include <QString>

#include <functional>
#include <future>
#include <optional>
#include <vector>

class QCompleter;
class QLineEdit;
class QStandardItemModel;

namespace tyx {
class TGeoMap;
} // namespace tyx

namespace tyx::viewer {

/// A place the search offers: what the list shows, where it is, what the status bar says.
struct TPlaceChoice {
    QString Name; ///< the name alone, for the field
    QString Label; ///< "Springfield, United States  39°48'N 89°39'W  (116 250)"
    double Lat = 0; ///< degrees
    double Long = 0; ///< degrees
    QString Found; ///< "Found Springfield, United States (116 250 people): 39°48'N 89°39'W"
};

class TViewerSearch : public QObject {
    Q_OBJECT
public:
    /// Show centres a position on the best map for it and marks it; false when no map holds it.
    /// Message puts a text into the status bar.
    TViewerSearch(QLineEdit* Field, std::function<bool(double Lat, double Long)> Show,
                  std::function<void(const QString&)> Message);
    ~TViewerSearch() override;

    /// Starts building the town index of the database on a thread of its own; the field searches
    /// it once it is there. Throws nothing: a database that cannot be read is reported by
    /// WaitForIndex and in the status bar.
    void OpenDatabase(const QString& FileName);
    /// Waits until the index is built; false with Error set when it could not be.
    bool WaitForIndex(QString* Error = nullptr);
    /// The places Text stands for, best first: the position it gives (decimal, degrees with
    /// minutes and seconds, UTM), else the towns it finds (none while the index is being built).
    std::vector<TPlaceChoice> Choices(const QString& Text) const;
    /// Shows the best of Choices(Text) and says so in the status bar; false (and "Not found") when
    /// there is none or no map holds it.
    bool GoTo(const QString& Text);
    /// Each build of the index and each search report their time on standard error.
    void SetTiming(bool Value) { FTiming = Value; }
    /// Each list offered is also written to standard output: "list: N: first label" (for tests).
    void SetEcho(bool Value) { FEcho = Value; }

signals:
    /// A place was chosen (or none found after Enter): the field has done its work.
    void Done();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    bool Show(const TPlaceChoice& Choice);
    /// Shows offered row Row (nothing outside them), then Done.
    void Pick(int Row);
    void Adopt();
    void Offer(const QString& Text);

    QLineEdit* FField = nullptr;
    QCompleter* FCompleter = nullptr;
    QStandardItemModel* FModel = nullptr;
    std::function<bool(double, double)> FShow;
    std::function<void(const QString&)> FMessage;
    std::future<TTownIndex> FBuild;
    std::optional<TTownIndex> FIndex;
    std::vector<TPlaceChoice> FOffered; ///< the rows of the list
    QString FDbName;
    QString FError;
    bool FTiming = false;
    bool FEcho = false;
    bool FPicked = false; ///< a row was just picked with Enter
};

/// Marks a found place on the map (a landmark of a class of its own, highlighted), replacing the
/// mark of the place found before.
void MarkFoundPlace(TGeoMap& Map, double Lat, double Long);

} // namespace tyx::viewer
