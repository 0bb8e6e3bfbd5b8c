// TGeoCalibration: the fits of the calibration models, the graticule matrix, the derived extents
// and resolution, and the quality figure.
#include "geomap/core/Tyx_geocalib.h"

#include "geomap/core/geocalib_internal.h"
#include "support/Tyx_math2.h"
#include "support/Tyx_matrix.h"
#include "support/Tyx_vector.h"

#include <cmath>
#include <cstdint>

namespace tyx {

namespace {

constexpr long double Pi = 3.1415926535897932385L;
constexpr long double PiQuarter = 0.78539816339744830963L;
constexpr double EarthRadius = 6378000.0;                  // metres, for the resolution
constexpr double FullCircumference = 40074155.88919140255; // 2 * pi * EarthRadius

// Solves A * c ~ b and, only on success, stores c into row Row of P.
template <int Cols>
void SolveIntoRow(const TMatrix& A, const TVector& b, TParMatrix<2, Cols>& P, int Row)
{
    TVector c;
    if (!LeastSquaresSolve(A, b, c)) return;
    for (int j = 1; j <= Cols; ++j) P(Row, j) = c.GetVal(j);
}

// Fits both rows of P from the design matrix A against the two observation columns.
template <int Cols>
void SolvePair(const TMatrix& A, const TVector& b1, const TVector& b2, TParMatrix<2, Cols>& P)
{
    SolveIntoRow(A, b1, P, 1);
    SolveIntoRow(A, b2, P, 2);
}

double MillerOrdinate(double Latitude)
{
    return static_cast<double>(std::log(std::tan(0.4L * Latitude * Pi / 180.0L + PiQuarter)));
}

// Fits both directions of a polynomial model: PixTerms gives the terms of a pixel, GeoTerms those
// of a position, each Cols values; rows 1 and 2 of PLSP give latitude and longitude, of SPPL x and y.
template <int Cols, typename PixTermsF, typename GeoTermsF>
void FitBothWays(const TCalibData& Data, int N, PixTermsF PixTerms, GeoTermsF GeoTerms,
                 TParMatrix<2, Cols>& PLSP, TParMatrix<2, Cols>& SPPL)
{
    TMatrix PixRows(Cols, N), GeoRows(Cols, N);
    TVector Lat(N), Long(N), X(N), Y(N);
    double Terms[Cols];
    for (int i = 1; i <= N; ++i) {
        const TCalQuad& Q = Data.CalQuads[i];
        PixTerms(Q, Terms);
        for (int j = 1; j <= Cols; ++j) PixRows.SetVal(j, i, Terms[j - 1]);
        GeoTerms(Q, Terms);
        for (int j = 1; j <= Cols; ++j) GeoRows.SetVal(j, i, Terms[j - 1]);
        Lat.SetVal(i, Q.Latitude);
        Long.SetVal(i, Q.Longitude);
        X.SetVal(i, Q.MapX);
        Y.SetVal(i, Q.MapY);
    }
    SolvePair(PixRows, Lat, Long, PLSP);
    SolvePair(GeoRows, X, Y, SPPL);
}

} // namespace

void TGeoCalibration::CalcEquiRectCalibration()
{
    FEquRectPLSP.Clear();
    FEquRectSPPL.Clear();
    const int N = UsedCount(FCalibData.NumCalQuads, gmMaxCalQuads);
    if (N == 0) return;
    FitBothWays<3>(
        FCalibData, N,
        [](const TCalQuad& Q, double* t) {
            t[0] = 1;
            t[1] = Q.MapX;
            t[2] = Q.MapY;
        },
        [](const TCalQuad& Q, double* t) {
            t[0] = 1;
            t[1] = Q.Latitude;
            t[2] = Q.Longitude;
        },
        FEquRectPLSP, FEquRectSPPL);
}

void TGeoCalibration::CalcBiquadraticCalibration()
{
    FCalParsPLSP.Clear();
    FCalParsSPPL.Clear();
    const int N = UsedCount(FCalibData.NumCalQuads, gmMaxCalQuads);
    if (N == 0) return;
    FitBothWays<6>(
        FCalibData, N,
        [](const TCalQuad& Q, double* t) {
            t[0] = 1;
            t[1] = Q.MapX;
            t[2] = Q.MapY;
            // 32-bit integer products: far beyond 46340 pixels they wrap.
            t[3] = Mul32(Q.MapX, Q.MapX);
            t[4] = Mul32(Q.MapX, Q.MapY);
            t[5] = Mul32(Q.MapY, Q.MapY);
        },
        [](const TCalQuad& Q, double* t) {
            t[0] = 1;
            t[1] = Q.Latitude;
            t[2] = Q.Longitude;
            t[3] = Q.Latitude * Q.Latitude;
            t[4] = Q.Latitude * Q.Longitude;
            t[5] = Q.Longitude * Q.Longitude;
        },
        FCalParsPLSP, FCalParsSPPL);
}

void TGeoCalibration::CalcMillerCylCalibration()
{
    const int N = UsedCount(FCalibData.NumCalQuads, gmMaxCalQuads);
    if (N < 3) return;
    TCurveFit XFit, YFit;
    for (int i = 1; i <= N; ++i) {
        const TCalQuad& Q = FCalibData.CalQuads[i];
        XFit.EnterStatValue(static_cast<double>(Q.Longitude * Pi / 180.0L), Q.MapX);
        YFit.EnterStatValue(MillerOrdinate(Q.Latitude), Q.MapY);
    }
    double Quality = 0;
    XFit.CalcLinFit(FMillercylPar(2, 1), FMillercylPar(2, 2), Quality);
    YFit.CalcLinFit(FMillercylPar(1, 1), FMillercylPar(1, 2), Quality);
}

// Straight-line fits of latitude against the distance from the apex (P1, P2) and of longitude
// against the angle round it; Score is the sum of both mean squared residuals.
void TGeoCalibration::ConicApexFit(double P1, double P2, double Pars[6], double& Score) const
{
    const int N = UsedCount(FCalibData.NumCalQuads, gmMaxCalQuads);
    Pars[0] = P1;
    Pars[1] = P2;
    TCurveFit LatFit, LongFit;
    double r[gmMaxCalQuads], theta[gmMaxCalQuads];
    bool used[gmMaxCalQuads];
    for (int i = 0; i < N; ++i) {
        const TCalQuad& Q = FCalibData.CalQuads[i + 1];
        const double dx = Q.MapX - P1, dy = Q.MapY - P2;
        r[i] = std::sqrt(dx * dx + dy * dy);
        LatFit.EnterStatValue(r[i], Q.Latitude);
        used[i] = (Q.MapY != P2);
        if (used[i]) {
            theta[i] = std::atan(dx / dy);
            LongFit.EnterStatValue(theta[i], Q.Longitude);
        }
    }
    double Quality = 0;
    LatFit.CalcLinFit(Pars[2], Pars[3], Quality);
    LongFit.CalcLinFit(Pars[4], Pars[5], Quality);
    double SumLat = 0, SumLong = 0;
    for (int i = 0; i < N; ++i) {
        const TCalQuad& Q = FCalibData.CalQuads[i + 1];
        const double eLat = Q.Latitude - Pars[2] * r[i] - Pars[3];
        SumLat += eLat * eLat;
        if (used[i]) {
            const double eLong = Q.Longitude - Pars[4] * theta[i] - Pars[5];
            SumLong += eLong * eLong;
        }
    }
    // Both errors are divided by all N points, also when some were skipped for the angle.
    Score = SumLat / N + SumLong / N;
}

void TGeoCalibration::CalcConicCalibration()
{
    const int N = UsedCount(FCalibData.NumCalQuads, gmMaxCalQuads);
    // With fewer than three points nothing is fitted: the previous parameters stay.
    if (N < 3) return;
    int64_t MinX = FMapImgWidth, MinY = FMapImgHeight, MaxX = 0, MaxY = 0;
    for (int i = 1; i <= N; ++i) {
        const TCalQuad& Q = FCalibData.CalQuads[i];
        MinX = std::min<int64_t>(MinX, Q.MapX);
        MaxX = std::max<int64_t>(MaxX, Q.MapX);
        MinY = std::min<int64_t>(MinY, Q.MapY);
        MaxY = std::max<int64_t>(MaxY, Q.MapY);
    }
    int64_t cx = (MinX + MaxX) / 2, cy = (MinY + MaxY) / 2;
    double Best = 1e10;
    double BestPars[6];
    bool Found = false;
    for (int64_t Step = 1000000; Step > 0; Step /= 2) {
        for (int a = -2; a <= 2; ++a) {
            for (int b = -2; b <= 2; ++b) {
                double Pars[6], Score = 0;
                ConicApexFit(static_cast<double>(a * Step + cx), static_cast<double>(b * Step + cy), Pars, Score);
                if (Score < Best) {
                    Best = Score;
                    std::copy(Pars, Pars + 6, BestPars);
                    Found = true;
                }
            }
        }
        if (Found) {
            cx = std::llround(BestPars[0]);
            cy = std::llround(BestPars[1]);
        }
    }
    if (!Found) return;
    for (int j = 1; j <= 6; ++j) FConicPars(1, j) = BestPars[j - 1];
    // The map lies on one side of the apex row (below it for a cone round the north pole, above
    // for the south); the inverse conversion needs that side, which the latitude cannot tell on
    // a map that crosses the equator.
    int64_t LowY = FCalibData.CalQuads[1].MapY, HighY = LowY;
    for (int i = 2; i <= N; ++i) {
        LowY = std::min<int64_t>(LowY, FCalibData.CalQuads[i].MapY);
        HighY = std::max<int64_t>(HighY, FCalibData.CalQuads[i].MapY);
    }
    FConicMapBelowApex = (static_cast<double>(LowY + HighY) / 2 >= BestPars[1]);
}

void FitCalibLineParabola(const TCalibLine& Line, double& a, double& b, double& c)
{
    TCurveFit Fit;
    for (int j = 1; j <= UsedCount(Line.NumPoints, gmMaxLinePoints); ++j) {
        const TPoint& P = Line.CalPoints[j];
        // A parallel is a row as a function of the column, a meridian the other way round.
        if (Line.LineType == gtlParallel) Fit.EnterStatValue(P.X, P.Y);
        else Fit.EnterStatValue(P.Y, P.X);
    }
    double Quality = 0;
    Fit.CalcParabolFit(a, b, c, Quality);
}

bool TGeoCalibration::RecalcGratMat()
{
    const int NL = UsedCount(FCalibData.NumCalLines, gmMaxCalLines);
    // Lines too short for a parabola keep their row with zero coefficients.
    FGratMat->Resize(5, NL);
    FGratMat->Fill(0);
    int Parallels = 0, Meridians = 0;
    for (int k = 1; k <= NL; ++k) {
        const TCalibLine& Line = FCalibData.CalLines[k];
        const bool IsParallel = (Line.LineType == gtlParallel);
        FGratMat->SetVal(1, k, IsParallel ? 1 : 0);
        FGratMat->SetVal(2, k, Line.LineValue);
        const int NP = UsedCount(Line.NumPoints, gmMaxLinePoints);
        if (NP < 3) continue;
        double a = 0, b = 0, c = 0;
        FitCalibLineParabola(Line, a, b, c);
        FGratMat->SetVal(3, k, a);
        FGratMat->SetVal(4, k, b);
        FGratMat->SetVal(5, k, c);
        if (IsParallel) ++Parallels;
        else ++Meridians;
    }
    if (Parallels >= 2 && Meridians >= 2) return true;
    FGratMat->Resize(5, 1);
    FGratMat->Fill(0);
    return false;
}

void TGeoCalibration::CalcExtentsAndResolution()
{
    const int W = FMapImgWidth, H = FMapImgHeight;
    // Without an image size (its file is missing) there is nothing to measure: the corners and
    // the resolution stay as read or last derived, so that saving the calibration keeps them.
    if (W < 1 || H < 1) return;
    // The corners are where the fit puts them, even where that lies a little beyond a pole.
    auto Position = [this](int x, int y) {
        bool Valid = false;
        const double Lat = ModelLatitude(x, y, Valid);
        return TCoords{Lat, ModelLongitude(x, y, Valid)};
    };
    FCalibData.Corners[gcoTopLeft] = Position(0, 0);
    FCalibData.Corners[gcoBottomLeft] = Position(0, H);
    FCalibData.Corners[gcoBottomRight] = Position(W, H);
    FCalibData.Corners[gcoTopRight] = Position(W, 0);
    const TCoords Left = Position(0, H / 2), Right = Position(W, H / 2);
    double d = SphereGreatCircleDist(EarthRadius, Left.Latit, Left.Longit, Right.Latit, Right.Longit);
    // The great circle takes the short way round; a map that spans more than half the earth's
    // width goes the long way (and beyond a full turn once more round).
    const double Span = Right.Longit - Left.Longit;
    if (Span > 360) d += FullCircumference;
    else if (Span > 180) d = FullCircumference - d;
    FCalibData.Resolution = d / W;
}

void TGeoCalibration::CalibQuality(double& QualX, double& QualY) const
{
    TCurveFit XFit, YFit;
    if (FCalibModel >= cmBiquadraticPn && FCalibModel <= cmUTM) {
        const int N = UsedCount(FCalibData.NumCalQuads, gmMaxCalQuads);
        for (int i = 1; i <= N; ++i) {
            const TCalQuad& Q = FCalibData.CalQuads[i];
            int x = 0, y = 0;
            // UTM points hold northing and easting, which only the UTM form converts.
            if (FCalibModel == cmUTM) CalcPixelCoordsUTM(Q.Latitude, Q.Longitude, x, y);
            else CalcPixelCoords(Q.Latitude, Q.Longitude, x, y);
            XFit.EnterStatValue(Q.MapX, x);
            YFit.EnterStatValue(Q.MapY, y);
        }
    }
    int Num = 0;
    double MeanX, MeanY, SdX, SdY, Corr, MaxDiff;
    XFit.CalcStatistics(Num, MeanX, MeanY, SdX, SdY, Corr, QualX, MaxDiff);
    YFit.CalcStatistics(Num, MeanX, MeanY, SdX, SdY, Corr, QualY, MaxDiff);
}

} // namespace tyx
