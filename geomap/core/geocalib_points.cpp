// TGeoCalibration: construction, copying, and the calibration input (graticule lines and
// calibration points: add, remove, restore, clear).
#include "geomap/core/Tyx_geocalib.h"

#include "geomap/core/geocalib_internal.h"
#include "host/tyx_rounding.h"
#include "support/Tyx_matrix.h"
#include "support/Tyx_univconst.h"

#include <cstdint>

namespace tyx {

namespace {

const char* const MsgAddWrongModel = "current calibration model does not support this version of AddCalibPoint";
const char* const MsgRemoveWrongModel = "current calibration model does not support this version of RemoveCalibPoint";
const char* const MsgUTMZoneChanged = "UTM zone parameter changed";

bool IsLatLongModel(TCalibModel Model)
{
    return Model == cmBiquadraticPn || Model == cmConicConformal || Model == cmMillerCylindrical ||
           Model == cmEquiRect;
}

// Index of the first line of this kind and exactly this value among the used lines, 0 if none.
int FindLine(const TCalibData& Data, TGratLineKind Kind, double Value)
{
    const int N = UsedCount(Data.NumCalLines, gmMaxCalLines);
    for (int k = 1; k <= N; ++k)
        if (Data.CalLines[k].LineType == Kind && Data.CalLines[k].LineValue == Value) return k;
    return 0;
}

// Takes point j out of line k (the last point fills the gap); a line left empty is replaced by
// the last line, so that no empty line survives.
void RemoveLinePoint(TCalibData& Data, int k, int j)
{
    TCalibLine& Line = Data.CalLines[k];
    const int NP = UsedCount(Line.NumPoints, gmMaxLinePoints);
    Line.CalPoints[j] = Line.CalPoints[NP];
    Line.NumPoints = NP - 1;
    if (Line.NumPoints == 0) {
        const int NL = UsedCount(Data.NumCalLines, gmMaxCalLines);
        Data.CalLines[k] = Data.CalLines[NL];
        Data.NumCalLines = NL - 1;
    }
}

int64_t SquaredDistance(int x1, int y1, int x2, int y2)
{
    const int64_t dx = int64_t(x1) - x2;
    const int64_t dy = int64_t(y1) - y2;
    return dx * dx + dy * dy;
}

} // namespace

TGeoCalibration::TGeoCalibration() : FGratMat(std::make_unique<TMatrix>(5, 1)) {}

TGeoCalibration::~TGeoCalibration() = default;

TGeoCalibration::TGeoCalibration(const TGeoCalibration& Source) : FGratMat(std::make_unique<TMatrix>(5, 1))
{
    Assign(Source);
}

TGeoCalibration& TGeoCalibration::operator=(const TGeoCalibration& Source)
{
    Assign(Source);
    return *this;
}

void TGeoCalibration::Assign(const TGeoCalibration& Source)
{
    if (&Source == this) return;
    FMapImgWidth = Source.FMapImgWidth;
    FMapImgHeight = Source.FMapImgHeight;
    FCalibModel = Source.FCalibModel;
    FBiQuadOops = Source.FBiQuadOops;
    FParaIpOops = Source.FParaIpOops;
    FRestoreBiQuadOK = Source.FRestoreBiQuadOK;
    FRestoreParaIpOK = Source.FRestoreParaIpOK;
    FCalibData = Source.FCalibData;
    FGratMat->Assign(*Source.FGratMat);
    FEquRectSPPL = Source.FEquRectSPPL;
    FEquRectPLSP = Source.FEquRectPLSP;
    FCalParsPLSP = Source.FCalParsPLSP;
    FCalParsSPPL = Source.FCalParsSPPL;
    FMillercylPar = Source.FMillercylPar;
    FConicPars = Source.FConicPars;
    FConicMapBelowApex = Source.FConicMapBelowApex;
}

void TGeoCalibration::RaiseComponentError(const std::string& Fault) const
{
    throw ETYXGeoMapError(FOwnerName, Fault);
}

void TGeoCalibration::SetMapImageSize(int Width, int Height)
{
    FMapImgWidth = Width;
    FMapImgHeight = Height;
}

void TGeoCalibration::SetCalibModel(TCalibModel Value)
{
    FCalibModel = Value;
    RecalcCalibration();
}

void TGeoCalibration::SetUTMZone(int Value)
{
    if (Value >= 1 && Value <= 60) FCalibData.UTMZone = Value;
}

bool TGeoCalibration::AddCalibPoint(TGratLineKind GratLineKind, double LineValue, int PixPosX, int PixPosY)
{
    if (FCalibModel != cmParabolicIp) RaiseComponentError(MsgAddWrongModel);
    int k = FindLine(FCalibData, GratLineKind, LineValue);
    const int NL = UsedCount(FCalibData.NumCalLines, gmMaxCalLines);
    if (k == 0 && NL < gmMaxCalLines) {
        k = NL + 1;
        TCalibLine& Line = FCalibData.CalLines[k];
        Line.LineType = GratLineKind;
        Line.LineValue = LineValue;
        Line.NumPoints = 0;
        FCalibData.NumCalLines = k;
    }
    bool Stored = false;
    if (k != 0) {
        TCalibLine& Line = FCalibData.CalLines[k];
        const int NP = UsedCount(Line.NumPoints, gmMaxLinePoints);
        if (NP < gmMaxLinePoints) {
            Line.CalPoints[NP + 1] = TPoint{PixPosX, PixPosY};
            Line.NumPoints = NP + 1;
            Stored = true;
        }
    }
    RecalcGratMat();
    Recalibrate();
    return Stored;
}

bool TGeoCalibration::AddCalibPoint(double Latit, double Longit, int PixPosX, int PixPosY)
{
    if (!IsLatLongModel(FCalibModel)) RaiseComponentError(MsgAddWrongModel);
    const int N = UsedCount(FCalibData.NumCalQuads, gmMaxCalQuads);
    if (N >= gmMaxCalQuads) return false;
    FCalibData.CalQuads[N + 1] = TCalQuad{Latit, Longit, PixPosX, PixPosY};
    FCalibData.NumCalQuads = N + 1;
    Recalibrate();
    return true;
}

bool TGeoCalibration::AddCalibPoint(double Northing, double Easting, int Zone, THemisphere Hemisphere,
                                    int PixPosX, int PixPosY)
{
    if (FCalibModel != cmUTM) RaiseComponentError(MsgAddWrongModel);
    const bool South = (Hemisphere == hemiSouth);
    if (Zone != FCalibData.UTMZone || South != FCalibData.UTMSouth) RaiseComponentError(MsgUTMZoneChanged);
    const int N = UsedCount(FCalibData.NumCalQuads, gmMaxCalQuads);
    if (N >= gmMaxCalQuads) return false;
    FCalibData.CalQuads[N + 1] = TCalQuad{Northing, Easting, PixPosX, PixPosY};
    FCalibData.NumCalQuads = N + 1;
    FCalibData.UTMZone = Zone;
    FCalibData.UTMSouth = South;
    Recalibrate();
    return true;
}

bool TGeoCalibration::RemoveCalibPoint(TGratLineKind GratLineKind, double LineValue, int PixPosX, int PixPosY)
{
    if (FCalibModel != cmParabolicIp) RaiseComponentError(MsgRemoveWrongModel);
    bool Removed = false;
    const int k = FindLine(FCalibData, GratLineKind, LineValue);
    if (k != 0) {
        const TCalibLine& Line = FCalibData.CalLines[k];
        const int NP = UsedCount(Line.NumPoints, gmMaxLinePoints);
        for (int j = 1; j <= NP && !Removed; ++j) {
            if (Line.CalPoints[j] == TPoint{PixPosX, PixPosY}) {
                RemoveLinePoint(FCalibData, k, j);
                Removed = true;
            }
        }
    }
    RecalcGratMat();
    Recalibrate();
    return Removed;
}

bool TGeoCalibration::RemoveCalibPoint(int PixPosX, int PixPosY)
{
    bool Removed = false;
    long double MinDist = uc_MaxDouble;
    if (FCalibModel == cmParabolicIp) {
        int BestLine = 0, BestPoint = 0;
        const int NL = UsedCount(FCalibData.NumCalLines, gmMaxCalLines);
        for (int k = 1; k <= NL; ++k) {
            const TCalibLine& Line = FCalibData.CalLines[k];
            const int NP = UsedCount(Line.NumPoints, gmMaxLinePoints);
            for (int j = 1; j <= NP; ++j) {
                const long double d = static_cast<long double>(
                    SquaredDistance(Line.CalPoints[j].X, Line.CalPoints[j].Y, PixPosX, PixPosY));
                if (d < MinDist) {
                    MinDist = d;
                    BestLine = k;
                    BestPoint = j;
                }
            }
        }
        if (BestLine != 0) {
            const TCalibLine& Line = FCalibData.CalLines[BestLine];
            FParaIpOops.LineType = Line.LineType;
            FParaIpOops.LineValue = Line.LineValue;
            FParaIpOops.CalPoints[1] = Line.CalPoints[BestPoint];
            FRestoreParaIpOK = true;
            RemoveLinePoint(FCalibData, BestLine, BestPoint);
            Removed = true;
        }
    } else if (FCalibModel != cmUndefined) {
        int Best = 0;
        const int N = UsedCount(FCalibData.NumCalQuads, gmMaxCalQuads);
        for (int i = 1; i <= N; ++i) {
            const TCalQuad& Q = FCalibData.CalQuads[i];
            const long double d = static_cast<long double>(SquaredDistance(Q.MapX, Q.MapY, PixPosX, PixPosY));
            if (d < MinDist) {
                MinDist = d;
                Best = i;
            }
        }
        if (Best != 0) {
            FBiQuadOops = FCalibData.CalQuads[Best];
            FRestoreBiQuadOK = true;
            FCalibData.CalQuads[Best] = FCalibData.CalQuads[N];
            FCalibData.NumCalQuads = N - 1;
            Removed = true;
        }
    }
    RecalcGratMat();
    Recalibrate();
    return Removed;
}

bool TGeoCalibration::RestoreLastDeletedCalPoint()
{
    if (FCalibModel == cmParabolicIp) {
        if (!FRestoreParaIpOK) return false;
        const TPoint P = FParaIpOops.CalPoints[1];
        AddCalibPoint(FParaIpOops.LineType, FParaIpOops.LineValue, P.X, P.Y);
        FRestoreParaIpOK = false;
        return true;
    }
    if (FCalibModel == cmUTM || IsLatLongModel(FCalibModel)) {
        if (!FRestoreBiQuadOK) return false;
        const TCalQuad Q = FBiQuadOops;
        // A UTM point was taken in this calibration's zone; it goes back there.
        if (FCalibModel == cmUTM)
            AddCalibPoint(Q.Latitude, Q.Longitude, FCalibData.UTMZone, GetUTMHemisphere(), Q.MapX, Q.MapY);
        else
            AddCalibPoint(Q.Latitude, Q.Longitude, Q.MapX, Q.MapY);
        FRestoreBiQuadOK = false;
        return true;
    }
    return false;
}

void TGeoCalibration::ClearCalibData()
{
    FCalibData.NumCalLines = 0;
    for (TCalibLine& Line : FCalibData.CalLines.Items) Line.NumPoints = 0;
    FCalibData.Corners = TCornerArray{};
    FCalibData.Resolution = 0;
    FCalibData.UTMZone = -1;
    FCalibData.UTMSouth = false;
    FCalibData.Ellipsoid = TGeoEllipsoid(0);
    FGratMat->Resize(5, 1);
    FGratMat->Fill(0);
    for (TCalQuad& Q : FCalibData.CalQuads.Items) Q = TCalQuad{};
    FCalibData.NumCalQuads = 0;
    FEquRectSPPL.Clear();
    FEquRectPLSP.Clear();
    FCalParsPLSP.Clear();
    FCalParsSPPL.Clear();
}

void TGeoCalibration::Clear()
{
    ClearCalibData();
    FCalibModel = cmUndefined;
    FCalibData.MapFName.clear();
    FCalibData.Caption.clear();
    FMapImgWidth = 0;
    FMapImgHeight = 0;
}

void TGeoCalibration::RecalcCalibration()
{
    RecalcGratMat();
    Recalibrate();
}

void TGeoCalibration::CalcModelFit()
{
    switch (FCalibModel) {
    case cmBiquadraticPn: CalcBiquadraticCalibration(); break;
    case cmConicConformal: CalcConicCalibration(); break;
    case cmMillerCylindrical: CalcMillerCylCalibration(); break;
    case cmEquiRect:
    case cmUTM: CalcEquiRectCalibration(); break;
    case cmParabolicIp:
    case cmUndefined: break;
    }
}

void TGeoCalibration::Recalibrate()
{
    CalcModelFit();
    CalcExtentsAndResolution();
}

void TGeoCalibration::ScalePixelPositions(double Factor)
{
    const int NL = UsedCount(FCalibData.NumCalLines, gmMaxCalLines);
    for (int k = 1; k <= NL; ++k) {
        TCalibLine& Line = FCalibData.CalLines[k];
        const int NP = UsedCount(Line.NumPoints, gmMaxLinePoints);
        for (int j = 1; j <= NP; ++j) {
            TPoint& P = Line.CalPoints[j];
            P = TPoint{Round(P.X * Factor), Round(P.Y * Factor)};
        }
    }
    const int N = UsedCount(FCalibData.NumCalQuads, gmMaxCalQuads);
    for (int i = 1; i <= N; ++i) {
        TCalQuad& Q = FCalibData.CalQuads[i];
        Q.MapX = Round(Q.MapX * Factor);
        Q.MapY = Round(Q.MapY * Factor);
    }
}

} // namespace tyx
