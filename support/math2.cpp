#include "support/Tyx_math2.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tyx {

namespace {

struct TMoments {
    double MeanX = 0, MeanY = 0, Sxx = 0, Syy = 0, Sxy = 0;
};

template <typename Pairs>
TMoments CentredMoments(const Pairs& Data)
{
    TMoments m;
    if (Data.empty()) return m;
    const double n = static_cast<double>(Data.size());
    for (const auto& p : Data) { m.MeanX += p.x; m.MeanY += p.y; }
    m.MeanX /= n;
    m.MeanY /= n;
    for (const auto& p : Data) {
        const double dx = p.x - m.MeanX, dy = p.y - m.MeanY;
        m.Sxx += dx * dx;
        m.Syy += dy * dy;
        m.Sxy += dx * dy;
    }
    return m;
}

template <typename Pairs, typename Model>
double RmsResidual(const Pairs& Data, Model f)
{
    if (Data.empty()) return 0;
    double sum = 0;
    for (const auto& p : Data) {
        const double r = p.y - f(p.x);
        sum += r * r;
    }
    return std::sqrt(sum / static_cast<double>(Data.size()));
}

template <typename Pairs>
int DistinctX(const Pairs& Data, int Enough)
{
    std::vector<double> xs;
    for (const auto& p : Data) {
        if (std::find(xs.begin(), xs.end(), p.x) == xs.end()) xs.push_back(p.x);
        if (static_cast<int>(xs.size()) >= Enough) break;
    }
    return static_cast<int>(xs.size());
}

// Solves the 3x3 system A·s = r by Gaussian elimination with partial pivoting.
bool Solve3(double A[3][3], double r[3], double s[3])
{
    for (int col = 0; col < 3; ++col) {
        int pivot = col;
        for (int row = col + 1; row < 3; ++row)
            if (std::fabs(A[row][col]) > std::fabs(A[pivot][col])) pivot = row;
        if (A[pivot][col] == 0) return false;
        if (pivot != col) {
            for (int k = 0; k < 3; ++k) std::swap(A[col][k], A[pivot][k]);
            std::swap(r[col], r[pivot]);
        }
        for (int row = col + 1; row < 3; ++row) {
            const double f = A[row][col] / A[col][col];
            for (int k = col; k < 3; ++k) A[row][k] -= f * A[col][k];
            r[row] -= f * r[col];
        }
    }
    for (int row = 2; row >= 0; --row) {
        double v = r[row];
        for (int k = row + 1; k < 3; ++k) v -= A[row][k] * s[k];
        s[row] = v / A[row][row];
    }
    return true;
}

} // namespace

bool TCurveFit::CalcLinFit(double& k, double& d, double& FitQual) const
{
    const TMoments m = CentredMoments(FData);
    const bool determined = DistinctX(FData, 2) >= 2;
    k = determined ? m.Sxy / m.Sxx : 0.0;
    d = m.MeanY - k * m.MeanX;
    const double kk = k, dd = d;
    FitQual = RmsResidual(FData, [kk, dd](double x) { return kk * x + dd; });
    return determined;
}

bool TCurveFit::CalcParabolFit(double& a, double& b, double& c, double& FitQual) const
{
    auto lineInstead = [&] {
        CalcLinFit(b, a, FitQual);
        c = 0;
        return false;
    };
    if (DistinctX(FData, 3) < 3) return lineInstead();
    // Fit in u = (x - mean) / spread, which keeps the normal equations well conditioned for
    // x values far from 0 (pixel or metre coordinates), then convert back.
    const TMoments m = CentredMoments(FData);
    const double n = static_cast<double>(FData.size());
    const double s = std::sqrt(m.Sxx / n);
    double S[5] = {0, 0, 0, 0, 0};
    double R[3] = {0, 0, 0};
    for (const TPair& p : FData) {
        const double u = (p.x - m.MeanX) / s;
        double up = 1;
        for (int i = 0; i < 5; ++i) {
            S[i] += up;
            if (i < 3) R[i] += up * p.y;
            up *= u;
        }
    }
    double A[3][3] = {{S[0], S[1], S[2]}, {S[1], S[2], S[3]}, {S[2], S[3], S[4]}};
    double sol[3] = {0, 0, 0};
    if (!Solve3(A, R, sol)) return lineInstead();
    const double mx = m.MeanX;
    c = sol[2] / (s * s);
    b = sol[1] / s - 2 * sol[2] * mx / (s * s);
    a = sol[0] - sol[1] * mx / s + sol[2] * mx * mx / (s * s);
    const double aa = a, bb = b, cc = c;
    FitQual = RmsResidual(FData, [aa, bb, cc](double x) { return aa + bb * x + cc * x * x; });
    return true;
}

void TCurveFit::CalcStatistics(int& NumData, double& MeanX, double& MeanY, double& StdDevX, double& StdDevY,
                               double& Correlation, double& RmsDiff, double& MaxAbsDiff) const
{
    NumData = static_cast<int>(FData.size());
    const TMoments m = CentredMoments(FData);
    MeanX = m.MeanX;
    MeanY = m.MeanY;
    StdDevX = StdDevY = Correlation = RmsDiff = MaxAbsDiff = 0;
    if (FData.empty()) return;
    const double n = static_cast<double>(FData.size());
    StdDevX = std::sqrt(m.Sxx / n);
    StdDevY = std::sqrt(m.Syy / n);
    if (m.Sxx > 0 && m.Syy > 0) Correlation = std::clamp(m.Sxy / std::sqrt(m.Sxx * m.Syy), -1.0, 1.0);
    double sum = 0;
    for (const TPair& p : FData) {
        const double diff = p.x - p.y;
        sum += diff * diff;
        MaxAbsDiff = std::max(MaxAbsDiff, std::fabs(diff));
    }
    RmsDiff = std::sqrt(sum / n);
}

double SphereGreatCircleDist(double Radius, double Lat1, double Long1, double Lat2, double Long2)
{
    // The atan2 form of the central angle stays accurate both for tiny and for antipodal
    // separations, where the cosine and haversine forms lose digits.
    constexpr double ToRad = std::numbers::pi / 180.0;
    const double p1 = Lat1 * ToRad, p2 = Lat2 * ToRad, dl = (Long2 - Long1) * ToRad;
    const double s1 = std::sin(p1), c1 = std::cos(p1), s2 = std::sin(p2), c2 = std::cos(p2);
    const double sdl = std::sin(dl), cdl = std::cos(dl);
    const double a = c2 * sdl;
    const double b = c1 * s2 - s1 * c2 * cdl;
    const double angle = std::atan2(std::hypot(a, b), s1 * s2 + c1 * c2 * cdl);
    return Radius * angle;
}

} // namespace tyx
