// Example of the map control's overview page: landmarks added, vetoed, found and saved.
#include "docs/examples/examples.h"

#include "geomap/Tyx_geomap.h"

namespace tyx::examples {

void AddLandmarks(TGeoMap& Map, const std::string& LandmarkFile)
{
    //! [landmarks]
    // New landmarks take their look from the template.
    TLandMark Template = Map.LandMarkDefault();
    Template.SymbolProps.Kind = lmCircle;
    Template.SymbolProps.Size = 4;
    Template.SymbolProps.FGColor = clBlack;
    Template.SymbolProps.BGColor = clRed;
    Map.SetLandMarkDefault(Template);

    // Every addition and removal is offered to the handler first, which may refuse it.
    Map.OnLandMarkAction = [](TObject*, bool& Allowed, TLandMarkAction Action, const TLandMark& LM) {
        if (Action == lmaAdd) Allowed = LM.Latitude >= -90 && LM.Latitude <= 90;
    };
    Map.AddLandMark(48.137, 11.575, 519, "Munich", 9, clNavy);
    Map.AddLandMark(52.520, 13.405, 34, "Berlin", 9, clNavy);

    const int Nearest = Map.FindLandMark(50.0, 12.0, -1); // of any class; 0 when there is none
    if (Nearest > 0) Map.SetHighLM(Nearest);
    Map.SaveLandmarks(LandmarkFile, "Cities");
    //! [landmarks]
}

} // namespace tyx::examples
