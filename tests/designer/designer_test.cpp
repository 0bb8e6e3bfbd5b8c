// The Designer plugin as Designer uses it (loaded, its widgets created through it) and a form
// that uses the map control and the atlas, compiled by uic and shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QMetaProperty>
#include <QPluginLoader>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <cstdlib>
#include <map>

#include "ui_mapform.h"

namespace {

using namespace tyx;

/// The widgets as Designer gets them: from the loaded plugin, created through its interface.
struct TPluginWidgets {
    QPluginLoader Loader{QStringLiteral(TYX_DESIGNER_PLUGIN)};
    QWidget Parent;
    std::map<QString, QWidget*> ByName;
    TPluginWidgets()
    {
        if (auto* C = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(Loader.instance()))
            for (QDesignerCustomWidgetInterface* W : C->customWidgets()) ByName[W->name()] = W->createWidget(&Parent);
    }
};

/// Designer's property editor edits these types and enumerations known to the meta-object system.
bool DesignerEdits(const QMetaProperty& P)
{
    if (P.isEnumType()) return true;
    switch (P.metaType().id()) {
    case QMetaType::Bool: case QMetaType::Int: case QMetaType::UInt: case QMetaType::Double:
    case QMetaType::QString: case QMetaType::QColor:
        return true;
    default:
        return false;
    }
}

TEST(DesignerPlugin, OffersTheWidgetsUnderTyxGeo)
{
    QPluginLoader Loader(QStringLiteral(TYX_DESIGNER_PLUGIN));
    QObject* Instance = Loader.instance();
    ASSERT_NE(Instance, nullptr) << Loader.errorString().toStdString();
    auto* Collection = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(Instance);
    ASSERT_NE(Collection, nullptr);

    QStringList Names;
    for (QDesignerCustomWidgetInterface* W : Collection->customWidgets()) {
        Names << W->name();
        EXPECT_EQ(W->group(), QStringLiteral("Tyx Geo"));
        EXPECT_FALSE(W->icon().isNull());
        EXPECT_TRUE(W->domXml().contains(QStringLiteral("<width>")));
        QWidget Parent;
        QWidget* Created = W->createWidget(&Parent);
        ASSERT_NE(Created, nullptr);
        // The plugin carries its own copy of the library, so the class is compared by name.
        EXPECT_EQ(QString::fromLatin1(Created->metaObject()->className()), W->name());
        EXPECT_EQ(Created->parentWidget(), &Parent);
        // Designer's property editor works through the meta-object.
        const char* Prop = W->name() == QStringLiteral("tyx::TGeoAtlas") ? "MinResDiff" : "GratLineDist";
        EXPECT_TRUE(Created->setProperty(Prop, 5.0)) << Prop;
        EXPECT_DOUBLE_EQ(Created->property(Prop).toDouble(), 5.0);
    }
    EXPECT_TRUE(Names.contains(QStringLiteral("tyx::TGeoMap"))) << Names.join(' ').toStdString();
    EXPECT_TRUE(Names.contains(QStringLiteral("tyx::TGeoAtlas"))) << Names.join(' ').toStdString();
}

TEST(DesignerPlugin, EveryDesignablePropertyIsEditable)
{
    TPluginWidgets Plugin;
    EXPECT_EQ(Plugin.Loader.metaData().value(QStringLiteral("IID")).toString(),
              QStringLiteral("org.qt-project.Qt.QDesignerCustomWidgetCollectionInterface"));
    ASSERT_EQ(Plugin.ByName.size(), 2u) << Plugin.Loader.errorString().toStdString();
    for (const auto& [Name, W] : Plugin.ByName) {
        const QMetaObject* Mo = W->metaObject();
        for (int i = Mo->propertyOffset(); i < Mo->propertyCount(); ++i) {
            const QMetaProperty P = Mo->property(i);
            EXPECT_TRUE(P.isDesignable() && P.isWritable() && DesignerEdits(P))
                << Name.toStdString() << "." << P.name() << " of type " << P.typeName();
        }
    }
    // Written as Designer writes them (enumerations as integers), read back by name or as the
    // colour value, red in the low byte.
    const struct {
        const char* Class;
        const char* Property;
        QVariant Written;
        const char* ReadBack;
        QString Expected;
    } Cases[] = {
        {"tyx::TGeoMap", "CalibModel", int(cmUTM), "CalibModel", "cmUTM"},
        {"tyx::TGeoMap", "FrameStyle", int(frsSunken), "FrameStyle", "frsSunken"},
        {"tyx::TGeoMap", "UTMHemisphere", int(hemiSouth), "UTMHemisphere", "hemiSouth"},
        {"tyx::TGeoMap", "MouseAction", int(maZoomWindow), "MouseAction", "maZoomWindow"},
        {"tyx::TGeoMap", "ShowGraticule", int(sgLines), "ShowGraticule", "sgLines"},
        {"tyx::TGeoMap", "CaptionPlacement", int(cpDeclutter), "CaptionPlacement", "cpDeclutter"},
        {"tyx::TGeoMap", "EmptyMsg", QStringLiteral("Keine Karte \u2013 leer"), "EmptyMsg", "Keine Karte \u2013 leer"},
        {"tyx::TGeoMap", "QColorBackGnd", QColor(10, 20, 30), "ColorBackGnd", QString::number(RGB(10, 20, 30))},
        {"tyx::TGeoMap", "QColorGraticule", QColor(1, 2, 3), "ColorGraticule", QString::number(RGB(1, 2, 3))},
        {"tyx::TGeoMap", "QColorCalibPoints", QColor(200, 0, 9), "ColorCalibPoints", QString::number(RGB(200, 0, 9))},
        {"tyx::TGeoMap", "QColorFrame", QColor(0, 128, 255), "ColorFrame", QString::number(RGB(0, 128, 255))},
        {"tyx::TGeoMap", "ColorFrame", RGB(10, 20, 30), "QColorFrame", "#0a141e"},
        {"tyx::TGeoAtlas", "QMapOutlineColor", QColor(10, 20, 30), "MapOutlineColor", QString::number(RGB(10, 20, 30))},
    };
    for (const auto& C : Cases) {
        QWidget* W = Plugin.ByName[QString::fromLatin1(C.Class)];
        ASSERT_NE(W, nullptr) << C.Class;
        EXPECT_TRUE(W->setProperty(C.Property, C.Written)) << C.Property;
        EXPECT_EQ(W->property(C.ReadBack).toString().toStdString(), C.Expected.toStdString()) << C.Property;
    }
}

TEST(DesignerForm, UicFormWithTheMapRuns)
{
    QWidget Form;
    Ui::MapForm Ui;
    Ui.setupUi(&Form);
    Form.show();
    QApplication::processEvents();
    ASSERT_NE(Ui.map, nullptr);
    EXPECT_DOUBLE_EQ(Ui.map->GratLineDist(), 2.5);
    EXPECT_TRUE(Ui.map->ConfinePanToMapImage());
    EXPECT_EQ(Ui.map->MouseAction(), tyx::maZoomWindow);
    EXPECT_EQ(Ui.map->EmptyMsg(), "Keine Karte");
    EXPECT_EQ(Ui.map->ColorFrame(), tyx::RGB(10, 20, 30));
    EXPECT_TRUE(Ui.map->isVisible());
    EXPECT_GT(Ui.map->width(), 200);
    Ui.map->Paint();
    EXPECT_EQ(Ui.map->Picture().size(), Ui.map->size());
    // The background colour came from the form (red); the empty map shows it away from its text.
    EXPECT_EQ(Ui.map->ColorBackGnd(), 0x0000FFu);
    EXPECT_EQ(Ui.map->Picture().pixel(Ui.map->width() / 2, 12), qRgb(255, 0, 0));
    ASSERT_NE(Ui.atlas, nullptr);
    EXPECT_DOUBLE_EQ(Ui.atlas->MinResDiff(), 25.0);
    EXPECT_FALSE(Ui.atlas->MapOutlineVisible());
    EXPECT_TRUE(Ui.atlas->isVisible());
}

} // namespace
