// The examples of the API reference's overview pages (docs/reference), compiled with the tests so
// that they stay true to the headers.
#pragma once
#include <string>
#include <vector>

class QWidget;

namespace tyx {
class TGeoMap;
namespace examples {

void LoadCalibratedMap(QWidget* Parent, const std::string& CalFile);
void AddLandmarks(TGeoMap& Map, const std::string& LandmarkFile);
std::vector<std::string> NamesInBox(const std::string& DatabaseBase);
void ShowAtlas(QWidget* Parent, const std::vector<std::string>& CalFiles);
std::string UtmOfMunich();

} // namespace examples
} // namespace tyx
