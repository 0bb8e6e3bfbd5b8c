// What the viewer's map shows besides the image: the town classes, chosen by the map's scale or by
// the user, and the overlay mode (graticule, UTM grid, calibration points), with their menus.
#pragma once
#include <QObject>

#include <array>

class QAction;
class QActionGroup;
class QMenuBar;

namespace tyx {
class TGeoAtlas;
} // namespace tyx

namespace tyx::viewer {

class TTownClasses : public QObject {
    Q_OBJECT
public:
    explicit TTownClasses(TGeoAtlas& Atlas);

    /// Adds the Towns and Graticule menus.
    void AddTo(QMenuBar& Bar);
    /// Overlay mode 0 to 5 in TShowGrat order; others are ignored.
    void SetGraticule(int Mode);
    /// Shows or hides a town class (1 to 4) and ends the choice by map scale.
    void SetClassVisible(int Class, bool Visible);
    /// The town classes follow the scale of the map shown (the default): one class on the world
    /// map, all four on the finest.
    void ClassesForScale();

private:
    void ShowClass(int Class, bool Visible);

    TGeoAtlas& FAtlas;
    QAction* FByScale = nullptr;
    std::array<QAction*, 4> FClassActions{};
    QActionGroup* FGratGroup = nullptr;
};

} // namespace tyx::viewer
