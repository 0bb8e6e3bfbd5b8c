// The geometry of database items on a map: which boxes a view queries, the thinning of points to
// the resolution drawn, clipping to the view, and the hit test.
#include "geomap/core/Tyx_dbshapes.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tyx {

namespace {

// The step from A to B the short way round, in (-180, 180].
double WrapStep(double D)
{
    while (D > 180) D -= 360;
    while (D <= -180) D += 360;
    return D;
}

double Dist(const TPixelF& A, const TPixelF& B) { return std::hypot(A.X - B.X, A.Y - B.Y); }

double SegmentDistance(const TPixelF& P, const TPixelF& A, const TPixelF& B)
{
    const double dx = B.X - A.X, dy = B.Y - A.Y, L2 = dx * dx + dy * dy;
    if (L2 == 0) return Dist(P, A);
    const double t = std::clamp(((P.X - A.X) * dx + (P.Y - A.Y) * dy) / L2, 0.0, 1.0);
    return Dist(P, {A.X + t * dx, A.Y + t * dy});
}

double RingArea(const TPixelPath& R)
{
    double a = 0;
    for (std::size_t i = 0, j = R.size() - 1; i < R.size(); j = i++) a += R[j].X * R[i].Y - R[i].X * R[j].Y;
    return std::fabs(a) / 2;
}

} // namespace

bool PositionToPixel(const TGeoCalibration& Calib, double Lat, double Long, TPixelF& Pixel)
{
    return Calib.CalcPixelCoords(Lat, Long, Pixel.X, Pixel.Y);
}

std::vector<TDBQueryBox> ViewQueryBoxes(const TGeoCalibration& Calib, const TMapView& View, double& SmallestStep)
{
    SmallestStep = 0;
    if (View.W <= 0 || View.H <= 0 || !(View.Magnification > 0)) return {};
    // Round the view's edge, clockwise from the top-left corner, at most 64 pixels apart.
    constexpr int PerEdge = 32;
    struct TSample {
        double Lat, Long;
        double Along; // control pixels to the previous sample
    };
    std::vector<TSample> Loop;
    bool Gap = false; // a sample that does not convert (beyond a pole, say)
    const auto Corner = [&](int k) -> std::pair<double, double> {
        switch (k) {
        case 0: return {0, 0};
        case 1: return {double(View.W), 0};
        case 2: return {double(View.W), double(View.H)};
        default: return {0, double(View.H)};
        }
    };
    for (int Edge = 0; Edge < 4; ++Edge) {
        const auto [x0, y0] = Corner(Edge);
        const auto [x1, y1] = Corner((Edge + 1) % 4);
        for (int s = 0; s < PerEdge; ++s) {
            const double t = double(s) / PerEdge;
            const double cx = x0 + t * (x1 - x0), cy = y0 + t * (y1 - y0);
            const TPoint Px{static_cast<int>(std::lround(View.TopLeft.X + cx / View.Magnification)),
                            static_cast<int>(std::lround(View.TopLeft.Y + cy / View.Magnification))};
            bool VLat = false, VLong = false;
            const double Lat = Calib.CalcLatitude(Px, VLat), Long = Calib.CalcLongitude(Px, VLong);
            if (VLat && VLong && std::isfinite(Lat) && std::isfinite(Long))
                Loop.push_back({Lat, Long, std::hypot(x1 - x0, y1 - y0) / PerEdge});
            else
                Gap = true;
        }
    }
    if (Loop.empty()) return {};
    // Longitudes unwrapped along the loop, so that a view across +-180 has one range.
    double LatLow = 90, LatHigh = -90, Lo = 0, Hi = 0, Prev = 0, Margin = 0;
    SmallestStep = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < Loop.size(); ++i) {
        const double Long = i == 0 ? Loop[0].Long : Prev + WrapStep(Loop[i].Long - Loop[i - 1].Long);
        if (i == 0) Lo = Hi = Long;
        if (i > 0) {
            const double Step = std::hypot(Loop[i].Lat - Loop[i - 1].Lat, Long - Prev);
            Margin = std::max(Margin, Step);
            if (Loop[i].Along > 0 && Step > 0) SmallestStep = std::min(SmallestStep, Step / Loop[i].Along);
        }
        LatLow = std::min(LatLow, Loop[i].Lat);
        LatHigh = std::max(LatHigh, Loop[i].Lat);
        Lo = std::min(Lo, Long);
        Hi = std::max(Hi, Long);
        Prev = Long;
    }
    if (!std::isfinite(SmallestStep)) SmallestStep = 0;
    // Across a gap the longitudes cannot be unwrapped (the two sides of a world map would seem
    // to meet), nor is the edge known there: the whole globe is queried.
    if (Gap) return {{-90, 90, -180, 180, 0}};
    // A loop that winds once round the globe has a pole inside.
    const double Net = Prev + WrapStep(Loop.front().Long - Loop.back().Long) - Loop.front().Long;
    if (std::fabs(Net) > 180) {
        (LatLow + LatHigh > 0 ? LatHigh : LatLow) = LatLow + LatHigh > 0 ? 90 : -90;
        Lo = -180;
        Hi = 180;
    }
    LatLow = std::max(-90.0, LatLow - Margin);
    LatHigh = std::min(90.0, LatHigh + Margin);
    Lo -= Margin;
    Hi += Margin;
    if (Hi - Lo >= 360) return {{LatLow, LatHigh, -180, 180, 0}};
    std::vector<TDBQueryBox> Boxes;
    for (int k = static_cast<int>(std::floor((Lo + 180) / 360)); k * 360.0 - 180 <= Hi; ++k) {
        const double West = k * 360.0 - 180, East = West + 360;
        const double L = std::max(Lo, West), H = std::min(Hi, East);
        if (L <= H) Boxes.push_back({LatLow, LatHigh, L - k * 360.0, H - k * 360.0, k * 360.0});
    }
    return Boxes;
}

namespace {

// Douglas-Peucker over the n points At(i): marks in Keep the points that keep every dropped one
// within Tolerance of the line kept, and no kept step longer than MaxStep where points lay
// between. A ring is split at its first point and the point furthest from it.
template <typename F>
void MarkKept(std::size_t n, F&& At, double Tolerance, bool Closed, double MaxStep, std::vector<uint8_t>& Keep)
{
    Keep.assign(n, 0);
    std::size_t Far = n - 1;
    if (Closed) {
        double Best = -1;
        for (std::size_t i = 1; i < n; ++i) {
            const double d = Dist(At(i), At(0));
            if (d > Best) Best = d, Far = i;
        }
    }
    Keep[0] = Keep[Far] = Keep[n - 1] = 1;
    std::vector<std::pair<std::size_t, std::size_t>> Stack{{0, Far}};
    if (Far != n - 1) Stack.emplace_back(Far, n - 1);
    while (!Stack.empty()) {
        const auto [a, b] = Stack.back();
        Stack.pop_back();
        double Worst = 0;
        std::size_t Where = 0;
        const TPixelF A = At(a), B = At(b);
        for (std::size_t i = a + 1; i < b; ++i) {
            const double d = SegmentDistance(At(i), A, B);
            if (d > Worst) Worst = d, Where = i;
        }
        if (Worst <= Tolerance && b - a > 1 && Dist(A, B) > MaxStep) Where = (a + b) / 2, Worst = Tolerance + 1;
        if (Worst > Tolerance) {
            Keep[Where] = 1;
            Stack.emplace_back(a, Where);
            Stack.emplace_back(Where, b);
        }
    }
}

} // namespace

TgdbPolygon ReducePoints(const TgdbPolygon& In, double Tolerance, bool Closed, double MaxStep)
{
    const std::size_t n = In.size();
    if (n < (Closed ? 4u : 3u) || !(Tolerance > 0)) return In;
    std::vector<uint8_t> Keep;
    MarkKept(n, [&](std::size_t i) { return TPixelF{In[i].Longit, In[i].Latit}; }, Tolerance, Closed, MaxStep, Keep);
    TgdbPolygon Out;
    for (std::size_t i = 0; i < n; ++i)
        if (Keep[i]) Out.push_back(In[i]);
    if (Closed && Out.size() < 3) return {In[0], In[n / 3], In[2 * n / 3]};
    return Out;
}

void ThinPixelPath(const TPixelPath& In, double Tolerance, bool Closed, std::vector<uint32_t>& Kept)
{
    Kept.clear();
    const std::size_t n = In.size();
    if (n < (Closed ? 4u : 3u) || !(Tolerance > 0)) {
        for (std::size_t i = 0; i < n; ++i) Kept.push_back(static_cast<uint32_t>(i));
        return;
    }
    std::vector<uint8_t> Keep;
    MarkKept(n, [&](std::size_t i) { return In[i]; }, Tolerance, Closed, std::numeric_limits<double>::infinity(), Keep);
    for (std::size_t i = 0; i < n; ++i)
        if (Keep[i]) Kept.push_back(static_cast<uint32_t>(i));
    if (Closed && Kept.size() < 3) Kept = {0, static_cast<uint32_t>(n / 3), static_cast<uint32_t>(2 * n / 3)};
}

double DistanceToPath(const TPixelPath& Path, bool Closed, const TPixelF& P)
{
    if (Path.empty()) return std::numeric_limits<double>::infinity();
    double Best = Dist(P, Path[0]);
    for (std::size_t i = 1; i < Path.size(); ++i) Best = std::min(Best, SegmentDistance(P, Path[i - 1], Path[i]));
    if (Closed && Path.size() > 2) Best = std::min(Best, SegmentDistance(P, Path.back(), Path.front()));
    return Best;
}

bool RingContains(const TPixelPath& Ring, const TPixelF& P)
{
    bool In = false;
    for (std::size_t i = 0, j = Ring.size() - 1; i < Ring.size(); j = i++) {
        const TPixelF &a = Ring[i], &b = Ring[j];
        if ((a.Y > P.Y) != (b.Y > P.Y) && P.X < (b.X - a.X) * (P.Y - a.Y) / (b.Y - a.Y) + a.X) In = !In;
    }
    return In;
}

std::vector<TPixelPath> ClipLineToBox(const TPixelPath& Path, const TRect& Box)
{
    std::vector<TPixelPath> Out;
    const auto Meets = [&](const TPixelF& a, const TPixelF& b) {
        return std::max(a.X, b.X) >= Box.Left && std::min(a.X, b.X) < Box.Right && std::max(a.Y, b.Y) >= Box.Top &&
               std::min(a.Y, b.Y) < Box.Bottom;
    };
    if (Path.size() == 1) {
        if (Meets(Path[0], Path[0])) Out.push_back(Path);
        return Out;
    }
    bool Open = false;
    for (std::size_t i = 1; i < Path.size(); ++i) {
        if (!Meets(Path[i - 1], Path[i])) {
            Open = false;
            continue;
        }
        if (!Open) Out.push_back({Path[i - 1]});
        Out.back().push_back(Path[i]);
        Open = true;
    }
    return Out;
}

TPixelPath ClipRingToBox(const TPixelPath& Ring, const TRect& Box)
{
    TPixelPath In = Ring, Out;
    // Left, right, top, bottom in turn.
    for (int Side = 0; Side < 4 && !In.empty(); ++Side) {
        const bool Vertical = Side < 2;
        const double Edge = Side == 0 ? Box.Left : Side == 1 ? Box.Right : Side == 2 ? Box.Top : Box.Bottom;
        const bool KeepAbove = Side == 0 || Side == 2;
        const auto V = [&](const TPixelF& p) { return Vertical ? p.X : p.Y; };
        const auto Inside = [&](const TPixelF& p) { return KeepAbove ? V(p) >= Edge : V(p) <= Edge; };
        Out.clear();
        for (std::size_t i = 0; i < In.size(); ++i) {
            const TPixelF& a = In[(i + In.size() - 1) % In.size()];
            const TPixelF& b = In[i];
            if (Inside(b) != Inside(a)) {
                const double t = (Edge - V(a)) / (V(b) - V(a));
                Out.push_back({a.X + t * (b.X - a.X), a.Y + t * (b.Y - a.Y)});
            }
            if (Inside(b)) Out.push_back(b);
        }
        std::swap(In, Out);
    }
    return In;
}

std::vector<TGeoDBHit> HitTestShapes(const std::vector<TDBShape>& Shapes, const TPixelF& P, double Tolerance)
{
    const auto Hit = [](const TDBShape& S, double D) {
        TGeoDBHit H;
        static_cast<TDBItemRef&>(H) = S;
        H.Distance = D;
        return H;
    };
    const TDBShape* Nearest = nullptr;
    double NearestDist = Tolerance;
    std::vector<std::pair<double, const TDBShape*>> Areas;
    for (const TDBShape& S : Shapes) {
        if (!S.Closed) {
            for (const TPixelPath& Part : S.Parts) {
                const double d = DistanceToPath(Part, false, P);
                if (d <= NearestDist) NearestDist = d, Nearest = &S;
            }
            continue;
        }
        if (S.Hole) continue;
        double Area = 0;
        bool In = false;
        for (const TPixelPath& Part : S.Parts) {
            if (Part.size() < 3) continue;
            Area += RingArea(Part);
            In = In || RingContains(Part, P);
        }
        if (!In) continue;
        // Inside a hole of the same feature is outside the area.
        const bool InHole = S.Feature != 0 && std::any_of(Shapes.begin(), Shapes.end(), [&](const TDBShape& H) {
            return H.Hole && H.Closed && H.Feature == S.Feature && H.Kind == S.Kind && H.Name == S.Name &&
                   std::any_of(H.Parts.begin(), H.Parts.end(),
                               [&](const TPixelPath& R) { return R.size() >= 3 && RingContains(R, P); });
        });
        if (!InHole) Areas.emplace_back(Area, &S);
    }
    std::vector<TGeoDBHit> Out;
    if (Nearest) Out.push_back(Hit(*Nearest, NearestDist));
    std::stable_sort(Areas.begin(), Areas.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& a : Areas) Out.push_back(Hit(*a.second, 0));
    return Out;
}

} // namespace tyx
