// TGeoMap: the landmark operations. The list and its rules are TLandMarkList's; the control adds
// the highlight reset and the repaints.
#include "geomap/Tyx_geomap.h"

namespace tyx {

bool TGeoMap::ClearHighlightBeforeRemoval()
{
    if (NumLandMarks() == 0) return false;
    FHighLM = 0;
    return true;
}

void TGeoMap::AddLandMark(double Lat, double Long, double Altitude)
{
    if (FLandMarks.AddLandMark(Lat, Long, Altitude)) Paint();
}

void TGeoMap::AddLandMark(double Lat, double Long, double Altitude, const TLMIdentifier& Identifier, TDateTime Time)
{
    if (FLandMarks.AddLandMark(Lat, Long, Altitude, Identifier, Time)) Paint();
}

void TGeoMap::AddLandMark(double Lat, double Long, double Altitude, const std::string& CaptionText, int CaptionSize,
                          TColor CaptionColor)
{
    if (FLandMarks.AddLandMark(Lat, Long, Altitude, CaptionText, CaptionSize, CaptionColor)) Paint();
}

void TGeoMap::AddLandMark(double Lat, double Long, double Altitude, const TLMIdentifier& Identifier, TDateTime Time,
                          const std::string& CaptionText, int CaptionSize, TColor CaptionColor)
{
    if (FLandMarks.AddLandMark(Lat, Long, Altitude, Identifier, Time, CaptionText, CaptionSize, CaptionColor))
        Paint();
}

void TGeoMap::AddLandMark(double Lat, double Long, double Altitude, TLandMarkElement Element, uint8_t ClassFlag,
                          const TLMIdentifier& Identifier, TDateTime Time, int Tag, TColor ColorFG, TColor ColorBG,
                          int Size, bool Transparent, int Direction, int Length)
{
    if (FLandMarks.AddLandMark(Lat, Long, Altitude, Element, ClassFlag, Identifier, Time, Tag, ColorFG, ColorBG, Size,
                               Transparent, Direction, Length))
        Paint();
}

int TGeoMap::RemoveLandMark(int LmIndex)
{
    if (!ClearHighlightBeforeRemoval()) return 0;
    const int Removed = FLandMarks.RemoveLandMark(LmIndex);
    Paint();
    return Removed;
}

int TGeoMap::RemoveLandMark(double Lat, double Long, int ClassFlag)
{
    if (!ClearHighlightBeforeRemoval()) return 0;
    const int Removed = FLandMarks.RemoveLandMark(Lat, Long, ClassFlag);
    Paint();
    return Removed;
}

int TGeoMap::RemoveLandMark(double Lat, double Long, int ClassFlag, double Radius)
{
    if (!ClearHighlightBeforeRemoval()) return 0;
    const int Count = FLandMarks.RemoveLandMark(Lat, Long, ClassFlag, Radius);
    Paint();
    return Count;
}

int TGeoMap::RemoveLandMark(const TRectDouble& Rect, int ClassFlag)
{
    if (!ClearHighlightBeforeRemoval()) return 0;
    const int Count = FLandMarks.RemoveLandMark(Rect, ClassFlag);
    Paint();
    return Count;
}

void TGeoMap::RemoveLastLandMark()
{
    ClearHighlightBeforeRemoval();
    FLandMarks.RemoveLastLandMark();
    Paint();
}

void TGeoMap::RemoveAllLandMarks(uint8_t ClassFlag)
{
    if (!ClearHighlightBeforeRemoval()) return;
    FLandMarks.RemoveAllLandMarks(ClassFlag);
    Paint();
}

void TGeoMap::RemoveAllLandMarks()
{
    FLandMarks.RemoveAllLandMarks();
    Paint();
}

void TGeoMap::SetLandMarkData(int i, const TLandMark& LandMark)
{
    if (FLandMarks.SetLandMarkData(i, LandMark)) Paint();
}

void TGeoMap::SetClassVisibility(uint8_t i, bool Value)
{
    FLandMarks.SetClassVisibility(i, Value);
    Paint();
}

void TGeoMap::SetLandMarksOnMapOnly(bool Value)
{
    FLMOnMapOnly = Value;
    Paint();
}

// ---- Landmark files ----

bool TGeoMap::ReadLandMarksFromOpenXMLFile(TTextFile& F, const std::string& DataID)
{
    return tyx::ReadLandMarksFromOpenXMLFile(F, DataID, FLandMarks);
}

bool TGeoMap::LoadLandMarks(const std::string& FName, const std::string& DataID, TLandMarkReadReport* Report)
{
    bool Opened = false;
    const bool Found = ReadTextFile(FName, [&](TTextFile& F) {
        Opened = true;
        return tyx::ReadLandMarksFromOpenXMLFile(F, DataID, FLandMarks, Report);
    });
    if (Opened) Paint();
    return Found;
}

void TGeoMap::WriteLandMarksToOpenXMLFile(TTextFile& F, bool Header, const std::string& DataID) const
{
    tyx::WriteLandMarksToOpenXMLFile(F, Header, DataID, FLandMarks);
}

void TGeoMap::SaveLandmarks(const std::string& FileName, const std::string& DataID) const
{
    TTextFile F;
    F.Rewrite(FileName);
    WriteLandMarksToOpenXMLFile(F, true, DataID);
    F.Close();
}

} // namespace tyx
