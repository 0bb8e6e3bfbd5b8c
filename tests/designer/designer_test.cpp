// The Designer plugin as Designer uses it (loaded, its widgets created through it) and a form
// that uses the map control and the atlas, compiled by uic and shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPluginLoader>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <cstdlib>

#include "ui_mapform.h"

namespace {

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
