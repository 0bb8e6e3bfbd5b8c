#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "support/Tyx_math2.h"

using namespace tyx;

TEST(CurveFit, LineIsExactOnExactData)
{
    TCurveFit fit;
    for (double x : {-1.0, 0.0, 2.0, 5.0, 1000.0}) fit.EnterStatValue(x, 2 * x + 3);
    double k, d, q;
    EXPECT_TRUE(fit.CalcLinFit(k, d, q));
    EXPECT_NEAR(k, 2, 1e-12);
    EXPECT_NEAR(d, 3, 1e-9);
    EXPECT_NEAR(q, 0, 1e-9);
}

TEST(CurveFit, LineIsTheLeastSquaresOneOnScatteredData)
{
    TCurveFit fit;
    fit.EnterStatValue(0, 0);
    fit.EnterStatValue(1, 1);
    fit.EnterStatValue(2, 0);
    double k, d, q;
    EXPECT_TRUE(fit.CalcLinFit(k, d, q));
    EXPECT_NEAR(k, 0, 1e-15);
    EXPECT_NEAR(d, 1.0 / 3, 1e-15);
    EXPECT_NEAR(q, std::sqrt(2.0) / 3, 1e-15);
    fit.Init();
    EXPECT_EQ(fit.NumData(), 0);
}

TEST(CurveFit, DegenerateLinesDoNotDivideByZero)
{
    TCurveFit fit;
    double k = 9, d = 9, q = 9;
    EXPECT_FALSE(fit.CalcLinFit(k, d, q));
    EXPECT_EQ(k, 0);
    EXPECT_EQ(d, 0);
    EXPECT_EQ(q, 0);
    // The same x three times, as 0.1 which is not exact in binary.
    for (double y : {1.0, 2.0, 6.0}) fit.EnterStatValue(0.1, y);
    EXPECT_FALSE(fit.CalcLinFit(k, d, q));
    EXPECT_EQ(k, 0);
    EXPECT_DOUBLE_EQ(d, 3);
    EXPECT_TRUE(std::isfinite(q));
}

TEST(CurveFit, ParabolaIsExactOnExactDataFarFromZero)
{
    TCurveFit fit;
    auto f = [](double x) { return 1 - 2 * x + 0.5 * x * x; };
    for (double x : {1000.0, 1001.0, 1002.5, 1004.0, 1010.0}) fit.EnterStatValue(x, f(x));
    double a, b, c, q;
    EXPECT_TRUE(fit.CalcParabolFit(a, b, c, q));
    EXPECT_NEAR(c, 0.5, 1e-9);
    EXPECT_NEAR(b, -2, 1e-5);
    EXPECT_NEAR(a, 1, 5e-3);
    for (double x : {990.0, 1005.0, 1020.0}) EXPECT_NEAR(a + b * x + c * x * x, f(x), 1e-6);
    EXPECT_NEAR(q, 0, 1e-6);
}

TEST(CurveFit, ParabolaFallsBackToTheLineWithTooFewDistinctX)
{
    TCurveFit fit;
    fit.EnterStatValue(1, 5);
    fit.EnterStatValue(3, 9);
    fit.EnterStatValue(3, 9);
    double a, b, c, q;
    EXPECT_FALSE(fit.CalcParabolFit(a, b, c, q));
    EXPECT_NEAR(a, 3, 1e-12);
    EXPECT_NEAR(b, 2, 1e-12);
    EXPECT_EQ(c, 0);
}

TEST(CurveFit, StatisticsOfPairs)
{
    TCurveFit fit;
    int n = -1;
    double mx, my, sx, sy, r, rms, maxd;
    fit.CalcStatistics(n, mx, my, sx, sy, r, rms, maxd);
    EXPECT_EQ(n, 0);
    for (double v : {mx, my, sx, sy, r, rms, maxd}) EXPECT_EQ(v, 0);

    fit.EnterStatValue(1, 1);
    fit.EnterStatValue(2, 2);
    fit.EnterStatValue(3, 5);
    fit.CalcStatistics(n, mx, my, sx, sy, r, rms, maxd);
    EXPECT_EQ(n, 3);
    EXPECT_DOUBLE_EQ(mx, 2);
    EXPECT_DOUBLE_EQ(my, 8.0 / 3);
    EXPECT_DOUBLE_EQ(sx, std::sqrt(2.0 / 3));
    EXPECT_DOUBLE_EQ(sy, std::sqrt(26.0 / 9));
    EXPECT_NEAR(r, 4 / std::sqrt(2.0 * 26 / 3), 1e-12);
    EXPECT_DOUBLE_EQ(rms, std::sqrt(4.0 / 3)); // only the third pair differs, by 2
    EXPECT_DOUBLE_EQ(maxd, 2);
}

TEST(GreatCircle, KnownDistancesOnTheSphere)
{
    const double R = 6378000;
    const double pi = std::numbers::pi;
    EXPECT_NEAR(SphereGreatCircleDist(R, 0, 0, 0, 90), R * pi / 2, 1e-6);
    EXPECT_NEAR(SphereGreatCircleDist(R, 0, 0, 90, 123), R * pi / 2, 1e-6);
    // Over the pole: 30 degrees up and 30 down.
    EXPECT_NEAR(SphereGreatCircleDist(R, 60, 0, 60, 180), R * pi / 3, 1e-6);
    // Antipodes, where the cosine formula would lose most of its digits.
    EXPECT_NEAR(SphereGreatCircleDist(R, 10, 20, -10, -160), R * pi, 1e-6);
    // One millimetre along the equator, and across it.
    const double deg = 0.001 / R * 180 / pi;
    EXPECT_NEAR(SphereGreatCircleDist(R, 0, 0, 0, deg), 0.001, 1e-15);
    EXPECT_NEAR(SphereGreatCircleDist(R, -deg / 2, 20, deg / 2, 20), 0.001, 1e-15);
    EXPECT_EQ(SphereGreatCircleDist(R, 48.2, 16.37, 48.2, 16.37), 0);
    // A full circumference apart in longitude is the same place.
    EXPECT_NEAR(SphereGreatCircleDist(R, 45, -170, 45, 190), 0, 1e-6);
}
