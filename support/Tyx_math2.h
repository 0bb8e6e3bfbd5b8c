// Curve fitting and statistics over an accumulator of (x, y) pairs, and great-circle distances.
#pragma once
#include <vector>

namespace tyx {

/// Collects (x, y) pairs and fits lines and parabolas to them by least squares.
class TCurveFit {
public:
    /// Empties the accumulator.
    void Init() { FData.clear(); }
    /// Adds the pair (x, y).
    void EnterStatValue(double x, double y) { FData.push_back({x, y}); }
    /// Number of pairs entered.
    int NumData() const { return static_cast<int>(FData.size()); }

    /// Least-squares line y = k*x + d. FitQual is the root-mean-square residual (0 on exact
    /// data). Returns false when the line is not determined (fewer than 2 pairs, or all x
    /// equal): then k = 0, d = mean of y (0 when empty), FitQual the rms deviation from d.
    bool CalcLinFit(double& k, double& d, double& FitQual) const;

    /// Least-squares parabola y = a + b*x + c*x^2; FitQual as above. Returns false when it is
    /// not determined (fewer than 3 distinct x): then c = 0 and a, b are the line fit
    /// (a = d, b = k), or the mean of y with b = 0 when even the line is not determined.
    bool CalcParabolFit(double& a, double& b, double& c, double& FitQual) const;

    /// NumData, then in order: mean of x, mean of y, standard deviation of x and of y (population,
    /// divided by n), correlation of x and y (0 when either deviation is 0), the root-mean-square
    /// of x - y (the seventh argument: a quality figure when y is a recomputed x), and the largest
    /// |x - y|. An empty accumulator gives NumData 0 and all outputs 0.
    void CalcStatistics(int& NumData, double& MeanX, double& MeanY, double& StdDevX,
                        double& StdDevY, double& Correlation, double& RmsDiff,
                        double& MaxAbsDiff) const;

private:
    struct TPair { double x, y; };
    std::vector<TPair> FData;
};

/// Great-circle distance between two points given in degrees, on a sphere of the given radius,
/// in the radius' unit. Accurate for tiny and for antipodal distances.
double SphereGreatCircleDist(double Radius, double Lat1, double Long1, double Lat2, double Long2);

} // namespace tyx
