#include "designer_plugin.h"

#include <QPainter>
#include <QPixmap>

#include "geoatlas/Tyx_geoatlas.h"
#include "geomap/Tyx_geomap.h"

namespace tyx::designer {

namespace {

// A small map sheet with a graticule: drawn, so that the plugin needs no resource files.
QIcon MapIcon()
{
    QPixmap Pix(32, 32);
    Pix.fill(Qt::transparent);
    QPainter P(&Pix);
    P.setPen(QColor(40, 70, 120));
    P.setBrush(QColor(225, 235, 210));
    P.drawRect(2, 4, 27, 23);
    P.setPen(QPen(QColor(90, 120, 170), 1, Qt::DashLine));
    for (int x = 9; x < 29; x += 7) P.drawLine(x, 5, x, 26);
    for (int y = 11; y < 27; y += 7) P.drawLine(3, y, 28, y);
    return QIcon(Pix);
}

} // namespace

TWidgetEntry::TWidgetEntry(TWidgetInfo Info, QObject* Parent)
    : QObject(Parent), FInfo(std::move(Info)), FIcon(MapIcon())
{
}

QString TWidgetEntry::domXml() const
{
    const QString Object = FInfo.ClassName.section(QStringLiteral("::"), -1);
    return QStringLiteral("<ui language=\"c++\"><widget class=\"%1\" name=\"%2\">"
                          "<property name=\"geometry\"><rect><x>0</x><y>0</y><width>%3</width><height>%4</height></rect>"
                          "</property></widget></ui>")
        .arg(FInfo.ClassName, Object.at(1).toLower() + Object.mid(2))
        .arg(FInfo.Width)
        .arg(FInfo.Height);
}

template <class W>
void TWidgetCollection::Add(const char* ClassName, const char* IncludeFile, const char* ToolTip, int Width, int Height)
{
    TWidgetInfo Info{QString::fromLatin1(ClassName), QString::fromLatin1(IncludeFile), QString::fromUtf8(ToolTip),
                     QString::fromUtf8(ToolTip), Width, Height, [](QWidget* Parent) { return new W(Parent); }};
    FWidgets.append(new TWidgetEntry(std::move(Info), this));
}

TWidgetCollection::TWidgetCollection(QObject* Parent) : QObject(Parent)
{
    Add<TGeoMap>("tyx::TGeoMap", "geomap/Tyx_geomap.h", "A calibrated raster map", 300, 240);
    Add<TGeoAtlas>("tyx::TGeoAtlas", "geoatlas/Tyx_geoatlas.h", "Calibrated maps switched as the user zooms", 480, 360);
}

} // namespace tyx::designer
