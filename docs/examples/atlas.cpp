// Example of the atlas's overview page: maps registered, one shown, switched by resolution.
#include "docs/examples/examples.h"

#include <QToolButton>

#include "geoatlas/Tyx_geoatlas.h"

namespace tyx::examples {

void ShowAtlas(QWidget* Parent, const std::vector<std::string>& CalFiles)
{
    //! [atlas]
    auto* Atlas = new TGeoAtlas(Parent);
    for (const std::string& File : CalFiles) Atlas->RegisterMap(File); // false: unreadable or full
    if (Atlas->NumRegMaps() == 0) return;
    Atlas->SelectMap(1);

    // In zoom mode a left click shows the next more detailed map there, another button the coarser.
    Atlas->ZoomButton()->click();
    QObject::connect(Atlas, &TGeoAtlas::mapSelected, [Atlas](int Index) {
        Atlas->CurrentMap()->SetShowGrat(Atlas->GetMapDef(Index).Resolution < 10 ? sgUTMGrid : sgLines);
    });

    // The same switch in code: the map more detailed than 200 m per pixel at 48.1 N, 11.6 E.
    Atlas->ZoomIn(48.1, 11.6, 200.0);
    //! [atlas]
}

} // namespace tyx::examples
