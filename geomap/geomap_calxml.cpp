// TGeoMap: saving and loading its calibration as XML blocks in files and streams.
#include "geomap/Tyx_geomap.h"
#include "geomap/core/tyx_geomap_xml.h"
#include "geomap/geomap_limits.h"
#include "geomap/geomap_restore.h"
#include "support/Tyx_filesys.h"

namespace tyx {

namespace {

// The block reader shared by files and streams. Returns false (nothing changed) when no block
// matches; afterwards the caller refits and repaints.
bool ReadCalBlock(TCalXmlInput& In, const std::string& DataID, TGeoCalibration& Calib,
                  const std::string& ComponentName, TGeoMap& Map, const std::string& CalibDir)
{
    TCalXmlHeader header;
    if (!FindCalibBlock(In, DataID, header)) return false;
    Calib.StoreCalibModel(header.HasModel ? CalibModelFromName(header.ModelName) : cmUndefined);
    // The name arrives lower-cased; on a case-sensitive file system the image keeps its spelling.
    Calib.CalibData().MapFName = FindFileIgnoringCase(header.MapFName);
    Calib.CalibData().Caption = header.Caption;
    Map.ClearCalibData();
    TCalXmlRules rules;
    rules.ComponentName = &ComponentName;
    ReadCalibBlockElements(In, Calib.CalibData(), rules);
    Calib.RecalcGratMat();
    // The fits depend on the image's size, so the image comes first; an image that cannot be used
    // still leaves a fitted calibration behind.
    const std::string& Image = Calib.CalibData().MapFName;
    if (!Image.empty()) {
        try {
            Map.SetMapImgName(Image);
        } catch (...) {
            Calib.CalcModelFit();
            throw;
        }
    }
    Calib.CalcModelFit();
    // A map without its image is no success; the name an image handed over in memory was saved
    // under names no file.
    if (!Image.empty() && Image != UnknownImageName && Map.MapImgFile().empty())
        throw ETYXMapImageMissing(ComponentName, "Cannot find map image \"" + Image + "\"" +
                                                     (CalibDir.empty() ? std::string()
                                                                       : " (looked beside \"" + CalibDir + "\" too)"));
    return true;
}

} // namespace

void TGeoMap::WriteCalDataToOpenXMLFile(TTextFile& F, bool Header, const std::string& DataID)
{
    FCalib.CalcExtentsAndResolution();
    FCalib.CalibData().MapFName = FMapImgName;
    WriteRawCalDataToOpenXMLFile(F, Header, DataID, FCalib.CalibData(), FCalib.CalibModel());
}

void TGeoMap::SaveCalDataAsXML(const std::string& FileName, const std::string& DataID)
{
    TTextFile f;
    f.Rewrite(FileName);
    WriteCalDataToOpenXMLFile(f, true, DataID);
    f.Close();
}

void TGeoMap::SaveCalDataAsXML(TStream& OutStream, const std::string& DataID)
{
    FCalib.CalcExtentsAndResolution();
    FCalib.CalibData().MapFName = FMapImgName;
    WriteRawCalDataToStream(OutStream, DataID, FCalib.CalibData(), FCalib.CalibModel());
}

bool TGeoMap::ReadCalDataFromOpenXMLFile(TTextFile& F, const std::string& DataID)
{
    TCalXmlFileInput in(F);
    if (!ReadCalBlock(in, DataID, FCalib, Name(), *this, FCalibDir)) return false;
    Paint();
    return true;
}

bool TGeoMap::LoadCalDataFromXML(const std::string& FName, const std::string& DataID)
{
    const TRestore<std::string> Dir(FCalibDir, FName.substr(0, FName.size() - StripPath(FName).size()));
    return ReadTextFile(FName, [&](TTextFile& f) { return ReadCalDataFromOpenXMLFile(f, DataID); });
}

bool TGeoMap::LoadCalDataFromXML(TMemoryStream& InStream, const std::string& DataID)
{
    TCalXmlStreamInput in(InStream);
    if (!ReadCalBlock(in, DataID, FCalib, Name(), *this, "")) return false;
    Paint();
    return true;
}

void TGeoMap::SetCalDatName(const std::string& Value)
{
    if (FileExists(Value)) {
        FCalDatName = Value;
        LoadCalDataFromXML(Value, "");
    } else {
        FMapImgName.clear();
        SetMapImageSize(0, 0);
    }
    Paint();
}

} // namespace tyx
