// The calibration core of the map control: the calibration data and model, the fitted parameters of
// every model, the copies of the last removed input, the fits and the conversions between
// map-image pixels and geographic (or UTM) coordinates. Qt-free, so it is usable and testable
// without a widget; TGeoMap owns one and forwards its calibration operations to it under the same
// names. The core does not draw: after any operation that changes the calibration the widget
// repaints. It knows of the view only the map image's size, which the widget keeps up to date with
// SetMapImageSize; the view conversions take magnification and top-left corner as arguments.
#pragma once
#include "geomap/core/Tyx_geomaptypes.h"
#include "host/tyx_types.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace tyx {

class TMatrix;

/// Fitted parameters of a model, indexed [1..Rows, 1..Cols] as (Row, Col); other indexes throw
/// std::out_of_range.
template <int Rows, int Cols>
struct TParMatrix {
    /// The values, zero-based: V[Row - 1][Col - 1].
    double V[Rows][Cols] = {};
    /// Parameter (Row, Col), 1-based.
    double& operator()(int Row, int Col) { return V[Check(Row, Rows)][Check(Col, Cols)]; }
    /// Parameter (Row, Col), 1-based.
    double operator()(int Row, int Col) const { return V[Check(Row, Rows)][Check(Col, Cols)]; }
    /// Sets every parameter to 0.
    void Clear() { *this = TParMatrix(); }

private:
    static int Check(int Index, int Count)
    {
        if (Index < 1 || Index > Count) throw std::out_of_range("parameter index outside 1.." + std::to_string(Count));
        return Index - 1;
    }
};

/// True when (Latitude, Longitude) lies strictly inside the quadrilateral of the four corners
/// (in TCorners order); a point on an edge, or corners that coincide, give false. Inline: a
/// crowded landmark layer asks it for every landmark on every paint.
inline bool PositionInMap(double Latitude, double Longitude, const TCornerArray& Corners)
{
    // Edge from A to B; the sign tells on which side of it the position lies.
    auto Side = [&](TCorners A, TCorners B) {
        const TCoords& a = Corners[A];
        const TCoords& b = Corners[B];
        return (b.Latit - a.Latit) * (a.Longit - Longitude) + (b.Longit - a.Longit) * (Latitude - a.Latit);
    };
    const double s[4] = {Side(gcoTopLeft, gcoTopRight), Side(gcoBottomLeft, gcoTopLeft),
                         Side(gcoBottomRight, gcoBottomLeft), Side(gcoTopRight, gcoBottomRight)};
    // Compared by sign rather than by product, so that tiny values cannot underflow to 0; without
    // branches, which a position failing on any of the four edges would mispredict.
    const bool Left = (s[0] > 0) & (s[1] > 0) & (s[2] > 0) & (s[3] > 0);
    const bool Right = (s[0] < 0) & (s[1] < 0) & (s[2] < 0) & (s[3] < 0);
    return Left | Right;
}

/// Least-squares parabola a + b*t + c*t^2 through a graticule line's points: the row against the
/// column for a parallel, the column against the row for a meridian.
void FitCalibLineParabola(const TCalibLine& Line, double& a, double& b, double& c);

/// The calibration core: data, model, fits and pixel/position conversions (Qt-free).
class TGeoCalibration {
public:
    /// Model cmUndefined, no data, no image size.
    TGeoCalibration();
    ~TGeoCalibration();
    /// Copies take the whole calibration state but not the owner's name.
    TGeoCalibration(const TGeoCalibration& Source);
    /// Assign(Source).
    TGeoCalibration& operator=(const TGeoCalibration& Source);
    /// Takes the whole calibration state but not the owner's name.
    void Assign(const TGeoCalibration& Source);

    /// Name of the owning component, used in error messages.
    void SetOwnerName(const std::string& Value) { FOwnerName = Value; }
    /// The owner's name, as set.
    const std::string& OwnerName() const { return FOwnerName; }

    /// Size of the map image in pixels; the conic search and the extents use it.
    void SetMapImageSize(int Width, int Height);
    /// Width of the map image, pixels.
    int MapImgWidth() const { return FMapImgWidth; }
    /// Height of the map image, pixels.
    int MapImgHeight() const { return FMapImgHeight; }

    // ---- Data and model ----
    /// Read or write the record whole; writing recomputes nothing (see RecalcCalibration).
    const TCalibData& CalibData() const { return FCalibData; }
    /// The record, writable in place.
    TCalibData& CalibData() { return FCalibData; }
    /// Replaces the record.
    void SetCalibData(const TCalibData& Value) { FCalibData = Value; }

    /// The calibration model.
    TCalibModel CalibModel() const { return FCalibModel; }
    /// Stores the model and runs RecalcCalibration.
    void SetCalibModel(TCalibModel Value);
    /// Stores the model only (for readers that fit afterwards themselves).
    void StoreCalibModel(TCalibModel Value) { FCalibModel = Value; }

    /// CalibData.UTMZone.
    int GetUTMZone() const { return FCalibData.UTMZone; }
    /// Only 1 to 60 is taken; other values are ignored. Does not recalibrate.
    void SetUTMZone(int Value);
    /// CalibData.UTMSouth as a hemisphere.
    THemisphere GetUTMHemisphere() const { return FCalibData.UTMSouth ? hemiSouth : hemiNorth; }
    /// Sets CalibData.UTMSouth; does not recalibrate.
    void SetUTMHemisphere(THemisphere Value) { FCalibData.UTMSouth = (Value == hemiSouth); }

    // ---- Calibration input ----
    /// Adds a pixel to a graticule line (cmParabolicIp only, else ETYXGeoMapError); false when
    /// the line table or the line is full.
    bool AddCalibPoint(TGratLineKind GratLineKind, double LineValue, int PixPosX, int PixPosY);
    /// Adds a calibration point (models cmBiquadraticPn..cmEquiRect, else ETYXGeoMapError);
    /// false when 200 points are held.
    bool AddCalibPoint(double Latit, double Longit, int PixPosX, int PixPosY);
    /// Adds a UTM calibration point (cmUTM only); Zone and Hemisphere must be the calibration's,
    /// else ETYXGeoMapError. False when 200 points are held.
    bool AddCalibPoint(double Northing, double Easting, int Zone, THemisphere Hemisphere, int PixPosX, int PixPosY);
    /// Removes the given pixel from the given graticule line (cmParabolicIp only); true if found.
    bool RemoveCalibPoint(TGratLineKind GratLineKind, double LineValue, int PixPosX, int PixPosY);
    /// Removes the input nearest to the pixel (ties: the first stored) and keeps a copy for
    /// RestoreLastDeletedCalPoint; true when something was removed.
    bool RemoveCalibPoint(int PixPosX, int PixPosY);
    /// Puts back the input last removed by the nearest-pixel RemoveCalibPoint, once; false when
    /// there was nothing to put back under the current model.
    bool RestoreLastDeletedCalPoint();
    /// Empties the calibration; keeps the model, MapFName, Caption, the Miller and conic
    /// parameters and the removed-point copies.
    void ClearCalibData();
    /// ClearCalibData, model cmUndefined, no MapFName or Caption, image size 0 x 0.
    void Clear();
    /// Refits the graticule and the current model, then the extents and resolution.
    void RecalcCalibration();
    /// Multiplies every calibration pixel by Factor (rounded), as when the image is resampled.
    /// Recomputes nothing.
    void ScalePixelPositions(double Factor);

    // ---- Fits ----
    /// The current model's fit alone (no graticule refit, no extents).
    void CalcModelFit();
    /// The current model's fit, then CalcExtentsAndResolution.
    void Recalibrate();
    /// Affine fits for cmEquiRect and cmUTM (at least 3 points).
    void CalcEquiRectCalibration();
    /// Second-order fits for cmBiquadraticPn (at least 6 points).
    void CalcBiquadraticCalibration();
    /// Straight-line fits in Miller coordinates for cmMillerCylindrical.
    void CalcMillerCylCalibration();
    /// Apex search and straight-line fits for cmConicConformal.
    void CalcConicCalibration();
    /// Rebuilds the graticule matrix; false (and a 5 x 1 zero matrix) unless at least two
    /// parallels and two meridians of 3 or more points were fitted.
    bool RecalcGratMat();
    /// Derives CalibData.Corners and CalibData.Resolution (metres per pixel) from the fit; without
    /// an image size (0 x 0) both stay as they are.
    void CalcExtentsAndResolution();
    /// Quality figure per pixel axis from the recomputed calibration points.
    void CalibQuality(double& QualX, double& QualY) const;

    // ---- Conversions ----
    /// Latitude in degrees of a map-image pixel; Valid false (and 0) when it cannot be converted,
    /// also where the fit extrapolates beyond -90..90.
    double CalcLatitude(int x, int y, bool& Valid) const;
    /// The same for a pixel as a point.
    double CalcLatitude(const TPoint& APoint, bool& Valid) const { return CalcLatitude(APoint.X, APoint.Y, Valid); }
    /// Longitude in degrees of a map-image pixel; Valid false (and 0) when it cannot be converted
    /// or is not a finite number.
    double CalcLongitude(int x, int y, bool& Valid) const;
    /// The same for a pixel as a point.
    double CalcLongitude(const TPoint& APoint, bool& Valid) const { return CalcLongitude(APoint.X, APoint.Y, Valid); }
    /// Map-image pixel of a position; false when it cannot be converted (x, y then untouched
    /// under cmUndefined, an unusable graticule, a position that is not finite and a pixel beyond
    /// the range of int).
    bool CalcPixelCoords(double Lat, double Long, int& x, int& y) const;
    /// The same in fractional map-image pixels (pixel i covers i - 0.5 to i + 0.5), unrounded;
    /// false when it does not convert (x, y then untouched).
    bool CalcPixelCoords(double Lat, double Long, double& x, double& y) const;
    /// UTM northing and easting (metres) of a position in the calibration's zone and hemisphere
    /// (UTMZone 1 to 60; otherwise in the position's own zone).
    void CalcUTMCoords(double Lat, double Long, double& Northing, double& Easting) const;
    /// Map-image pixel of a UTM position (cmUTM only, else false with x = y = 0); false with x, y
    /// untouched when the pixel lies beyond the range of int.
    bool CalcPixelCoordsUTM(double Northing, double Easting, int& x, int& y) const;
    /// Row where the line of constant northing crosses column x (UTM grid overlay).
    int CalcUTMyFromNorthingX(double Northing, int x) const;
    /// Column where the line of constant easting crosses row y (UTM grid overlay).
    int CalcUTMxFromEastingY(double Easting, int y) const;
    /// True when the position lies inside the quadrilateral of CalibData.Corners.
    bool IsPositionWithinMap(double Latit, double Longit) const;

    /// Control pixel -> map-image pixel for a view of Magnification control pixels per image
    /// pixel whose top-left control pixel shows image pixel TopLeft.
    static TPoint ControlToMapImage(const TPoint& APoint, double Magnification, const TPoint& TopLeft);
    /// Map-image pixel -> control pixel, the inverse of ControlToMapImage.
    static TPoint MapImageToControl(const TPoint& APoint, double Magnification, const TPoint& TopLeft);

    // ---- Fitted state, read only ----
    /// Affine fit, pixel to position (row 1 latitude or northing, row 2 longitude or easting).
    const TParMatrix<2, 3>& EquRectPLSP() const { return FEquRectPLSP; }
    /// Affine fit, position to pixel (row 1 x, row 2 y).
    const TParMatrix<2, 3>& EquRectSPPL() const { return FEquRectSPPL; }
    /// Biquadratic fit, pixel to position.
    const TParMatrix<2, 6>& CalParsPLSP() const { return FCalParsPLSP; }
    /// Biquadratic fit, position to pixel.
    const TParMatrix<2, 6>& CalParsSPPL() const { return FCalParsSPPL; }
    /// Miller fit: slope and offset, row 1 for y, row 2 for x.
    const TParMatrix<2, 2>& MillercylPar() const { return FMillercylPar; }
    /// Conic parameters 1 to 6: apex x, apex y, latitude slope and offset, longitude slope and offset.
    double ConicPar(int Index) const { return FConicPars(1, Index); }
    /// Graticule matrix: 5 columns (kind, value, a, b, c) by one row per graticule line.
    const TMatrix& GratMat() const { return *FGratMat; }
    /// Copy of the calibration point last removed.
    const TCalQuad& BiQuadOops() const { return FBiQuadOops; }
    /// Copy of the graticule line the last removed pixel belonged to.
    const TCalibLine& ParaIpOops() const { return FParaIpOops; }
    /// BiQuadOops can be put back.
    bool RestoreBiQuadOK() const { return FRestoreBiQuadOK; }
    /// ParaIpOops can be put back.
    bool RestoreParaIpOK() const { return FRestoreParaIpOK; }

private:
    [[noreturn]] void RaiseComponentError(const std::string& Fault) const;
    double ParabolicInterpolation(double Kind, int Along, int Across, bool& Valid) const;
    void UTMPixelPosition(int x, int y, double& Lat, double& Long) const;
    /// What the model's formulas give, before the checks of CalcLatitude and CalcLongitude.
    double ModelLatitude(int x, int y, bool& Valid) const;
    double ModelLongitude(int x, int y, bool& Valid) const;
    /// The model's pixel of a position, unchecked; false when there is none. Sound false: a
    /// pixel that is stored but reported as not converted. WholeConicRow: the conic column is
    /// taken on the rounded row, as whole pixels have it.
    bool ModelPixel(double Lat, double Long, long double& px, long double& py, bool& Sound, bool WholeConicRow) const;
    bool ParabolicPixel(double Lat, double Long, long double& px, long double& py, bool& Sound) const;
    void ConicApexFit(double P1, double P2, double Pars[6], double& Score) const;

    std::string FOwnerName;
    int FMapImgWidth = 0;
    int FMapImgHeight = 0;

    TCalibModel FCalibModel = cmUndefined;
    TCalQuad FBiQuadOops;
    TCalibLine FParaIpOops;
    bool FRestoreBiQuadOK = false;
    bool FRestoreParaIpOK = false;
    TCalibData FCalibData;
    std::unique_ptr<TMatrix> FGratMat;
    TParMatrix<2, 3> FEquRectSPPL;
    TParMatrix<2, 3> FEquRectPLSP;
    TParMatrix<2, 6> FCalParsPLSP;
    TParMatrix<2, 6> FCalParsSPPL;
    TParMatrix<2, 2> FMillercylPar;
    TParMatrix<1, 6> FConicPars;
    bool FConicMapBelowApex = true; ///< the fitted map's rows lie below (beyond) the apex row
};

} // namespace tyx
