// How well a calibration's points hold together under its model: whether the points allow the model
// to be fitted at all, and how far each point lies from the fit, in map-image pixels and in metres
// on the calibration's ellipsoid. Qt-free; the command-line fit and the viewer's calibration table
// report the same figures through it.
#pragma once
#include "geomap/core/Tyx_geocalib.h"

#include <string>
#include <vector>

namespace tyx {

/// How far one calibration point lies from the fitted calibration.
struct TCalibResidual {
    bool Valid = false; ///< false where the fit cannot convert the point's pixel or its neighbours
    double PixelX = 0;  ///< where the fit puts the point's position, less the point's pixel (pixels)
    double PixelY = 0;  ///< the same down the image (pixels)
    double Pixels = 0;  ///< length of (PixelX, PixelY), pixels
    double East = 0;    ///< the point's position less the fitted position of its pixel, metres east
    double North = 0;   ///< the same, metres north
    double Metres = 0;  ///< straight distance between those two positions on the ellipsoid, metres
};

/// One residual per calibration point, in the order of CalibData().CalQuads (1 to NumCalQuads),
/// under the current model. Under cmUTM the points' northings and eastings are first taken to
/// positions through the calibration's zone and hemisphere. Empty under cmParabolicIp and
/// cmUndefined, whose input is not calibration points.
std::vector<TCalibResidual> CalibResiduals(const TGeoCalibration& Calib);

/// Why the calibration's input cannot be fitted under Model (no model, too few points, all
/// pixels or all positions on one line, no UTM zone, not enough graticule lines); empty when it
/// can. Model need not be the calibration's current one, so a caller can offer the models the
/// points allow.
std::string CalibFitProblem(const TGeoCalibration& Calib, TCalibModel Model);

} // namespace tyx
