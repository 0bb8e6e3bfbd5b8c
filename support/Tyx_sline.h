// A straight line in the plane and its clipping to a rectangle, as used to draw grid lines that
// cross a map.
#pragma once

namespace tyx {

/// The unbounded straight line through two points.
class TSLine {
public:
    TSLine() = default;
    /// The line through two points, as LineFrom2Points.
    TSLine(double x1, double y1, double x2, double y2) { LineFrom2Points(x1, y1, x2, y2); }

    /// Defines the line through (x1, y1) and (x2, y2); two equal points give that single point.
    void LineFrom2Points(double x1, double y1, double x2, double y2);

    /// The part of the line inside the box (Left, Top, Right, Bottom; the edges belong to the box,
    /// and swapped edges are put in order). True when some part lies inside: then (x1, y1) and
    /// (x2, y2) are the ends of that part, in the direction from the line's first point to its
    /// second (equal for a line that only touches a corner). False leaves the outputs unchanged.
    bool ClipBox(double Left, double Top, double Right, double Bottom,
                 double& x1, double& y1, double& x2, double& y2) const;

private:
    double FX1 = 0, FY1 = 0, FX2 = 0, FY2 = 0;
};

} // namespace tyx
