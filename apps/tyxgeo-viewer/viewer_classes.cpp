// The town classes and the overlay mode. The classes are the landmark classes `tyxgeo atlas build`
// gives towns by population; by scale, the finer the map, the smaller the towns that get a place.
#include "viewer_classes.h"

#include "geoatlas/Tyx_geoatlas.h"
#include "geomap/Tyx_geomap.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

namespace tyx::viewer {

namespace {

const char* const ClassNames[] = {"Over 1 million", "Over 100 000", "Over 10 000", "Smaller towns"};
/// The six overlay modes, in TShowGrat order.
const char* const GratNames[] = {"None", "Calibration points", "Graticule lines", "Points and lines", "UTM grid",
                                 "Points and UTM grid"};

} // namespace

TTownClasses::TTownClasses(TGeoAtlas& Atlas) : QObject(&Atlas), FAtlas(Atlas) {}

void TTownClasses::AddTo(QMenuBar& Bar)
{
    QMenu* Towns = Bar.addMenu("&Towns");
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

    QMenu* Grat = Bar.addMenu("&Graticule");
    FGratGroup = new QActionGroup(this);
    for (int g = 0; g < 6; ++g) {
        QAction* A = Grat->addAction(GratNames[g]);
        A->setCheckable(true);
        A->setChecked(g == FAtlas.CurrentMap()->ShowGraticule());
        A->setData(g);
        FGratGroup->addAction(A);
    }
    connect(FGratGroup, &QActionGroup::triggered, this, [this](QAction* A) { SetGraticule(A->data().toInt()); });
}

void TTownClasses::SetGraticule(int Mode)
{
    if (Mode < sgNone || Mode > sgPointsAndUTMGrid) return;
    FAtlas.CurrentMap()->SetShowGrat(static_cast<TShowGrat>(Mode));
}

void TTownClasses::SetClassVisible(int Class, bool Visible)
{
    if (Class < 1 || Class > 4) return;
    if (FByScale) FByScale->setChecked(false);
    ShowClass(Class, Visible);
}

void TTownClasses::ShowClass(int Class, bool Visible)
{
    if (QAction* A = FClassActions[Class - 1]) A->setChecked(Visible);
    TGeoMap& Map = *FAtlas.CurrentMap();
    if (Map.GetClassVisibility(static_cast<uint8_t>(Class)) != Visible)
        Map.SetClassVisibility(static_cast<uint8_t>(Class), Visible);
}

void TTownClasses::ClassesForScale()
{
    const int k = FAtlas.CurrentMapIndex();
    if ((FByScale && !FByScale->isChecked()) || k == 0) return;
    // Metres per pixel of the map shown.
    const double Res = FAtlas.Maps(k).Resolution;
    const int Shown = Res > 10000 ? 1 : Res > 1000 ? 2 : Res > 200 ? 3 : 4;
    for (int c = 1; c <= 4; ++c) ShowClass(c, c <= Shown);
}

} // namespace tyx::viewer
