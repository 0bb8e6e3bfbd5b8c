// The viewer's status bar and keyboard: messages in a field of their own beside the position under
// the mouse (or the view's centre), the position cleared when the mouse leaves the map, and the
// keyboard handed back to the map after the selector or the search field was used.
#pragma once
#include <QObject>
#include <QString>

class QComboBox;
class QLabel;
class QStatusBar;

namespace tyx {
class TGeoMap;
} // namespace tyx

namespace tyx::viewer {

/// "48°08'13" N  11°34'30" E   UTM 32U 691234 E 5334567 N" for a position.
QString PositionText(double Lat, double Long);

class TViewerStatus : public QObject {
    Q_OBJECT
public:
    /// Takes over Bar: messages (QStatusBar::showMessage) on the left, the position on the right.
    /// Watches Map for the mouse leaving it.
    TViewerStatus(QStatusBar* Bar, TGeoMap* Map);

    /// Shows a message for TimeoutMs (0: until the next one).
    void ShowMessage(const QString& Text, int TimeoutMs = 0);
    /// The message shown; empty when none.
    QString Message() const;
    /// The position text (empty when the mouse has left the map).
    QString Position() const;
    /// The position under control pixel (X, Y), or "off the map".
    void ShowPositionAt(int X, int Y);
    /// "Centre: " and the position at the middle of the visible part of the image.
    void ShowViewCentre();
    /// The position under the mouse when it is over the map, else the view's centre: after the
    /// view changed under a mouse that did not move.
    void Refresh();
    /// Each change of the position ("status: ") and of the message ("message: ") is also written
    /// to standard output (for tests).
    void SetEcho(bool Value) { FEcho = Value; }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void SetPosition(const QString& Text);

    QStatusBar* FBar = nullptr;
    TGeoMap* FMap = nullptr;
    QLabel* FPosition = nullptr;
    bool FEcho = false;
};

/// After the user picked a map in Selector (or the search signalled Done), the keyboard goes back
/// to Map, so that the arrow keys pan it instead of changing the pick.
void ReturnKeysToMap(QComboBox* Selector, QWidget* Map);

} // namespace tyx::viewer
