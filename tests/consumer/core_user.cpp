// Qt-free use of the installed library: a UTM conversion and a database with one town.
#include "geobasics/Tyx_geobasics.h"
#include "geodb/Tyx_GeoDB.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    int zone = 0;
    double easting = 0, northing = 0;
    tyx::LatLongToUTM(48.2, 16.37, tyx::gelWGS84, zone, easting, northing);
    std::printf("%d %.3f %.3f\n", zone, easting, northing);

    tyx::TGeoDB db;
    db.SetGDBName(std::string(argv[1]) + "/towns");
    db.AddTown("Wien", 0, 0, tyx::TSCoords{48.2f, 16.37f}, 0, 0, 0);
    std::printf("entries %d\n", db.NumEntries());
    return 0;
}
