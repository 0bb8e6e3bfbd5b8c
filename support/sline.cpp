#include "support/Tyx_sline.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace tyx {

void TSLine::LineFrom2Points(double x1, double y1, double x2, double y2)
{
    FX1 = x1;
    FY1 = y1;
    FX2 = x2;
    FY2 = y2;
}

bool TSLine::ClipBox(double Left, double Top, double Right, double Bottom, double& x1, double& y1, double& x2,
                     double& y2) const
{
    if (Left > Right) std::swap(Left, Right);
    if (Top > Bottom) std::swap(Top, Bottom);
    const double dx = FX2 - FX1, dy = FY2 - FY1;
    // Liang-Barsky on the unbounded parameter range: the line is P(t) = P1 + t·(P2 - P1).
    double tMin = -std::numeric_limits<double>::infinity();
    double tMax = std::numeric_limits<double>::infinity();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {FX1 - Left, Right - FX1, FY1 - Top, Bottom - FY1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false; // parallel to this edge and outside it
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) tMin = std::max(tMin, t);
        else tMax = std::min(tMax, t);
    }
    if (tMin > tMax) return false;
    if (dx == 0 && dy == 0) tMin = tMax = 0; // a single point, and it is inside
    // Rounding in t may put an end a hair outside; the ends belong on the box.
    x1 = std::clamp(FX1 + tMin * dx, Left, Right);
    y1 = std::clamp(FY1 + tMin * dy, Top, Bottom);
    x2 = std::clamp(FX1 + tMax * dx, Left, Right);
    y2 = std::clamp(FY1 + tMax * dy, Top, Bottom);
    return true;
}

} // namespace tyx
