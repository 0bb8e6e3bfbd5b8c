// Example of the database's overview page: the items within a box, with their outlines.
#include "docs/examples/examples.h"

#include "geodb/Tyx_GeoDB.h"

namespace tyx::examples {

std::vector<std::string> NamesInBox(const std::string& DatabaseBase)
{
    std::vector<std::string> Names;
    //! [box]
    TGeoDB Db;
    Db.SetGDBName(DatabaseBase); // opens, creating missing files; ETYXGeoDBError when damaged
    // Entry numbers of every item whose bounding box meets 47..55 N, 5..15 E.
    for (const int Entry : Db.FindItemsInBox(47.0, 55.0, 5.0, 15.0)) {
        const TgdbData Item = Db.GetSumdata(Entry);
        Names.push_back(Item.Name.Str() + " (" + GDB_ITEMNAMES[Item.ItemKind] + ")");
        TgdbPolygon Outline;
        if (IsPolygonKind(Item.ItemKind) && Db.RetrievePolygon(Entry, Outline)) {
            // Outline holds Item.NumPoints points in degrees.
        }
    }
    Db.SetGDBName(""); // closes
    //! [box]
    return Names;
}

} // namespace tyx::examples
