// Least squares by singular value decomposition (Golub-Reinsch: Householder reduction to
// bidiagonal form, accumulation of the transformations, implicit-shift QR diagonalisation).
// The SVD never fails on rank deficiency; small singular values are dropped instead, which
// gives the minimum-norm solution.
#include "geomap/core/geocalib_internal.h"

#include "support/Tyx_matrix.h"
#include "support/Tyx_tyxbase.h"
#include "support/Tyx_vector.h"

#include <cmath>
#include <vector>

namespace tyx {

namespace {

// Passes of the QR loop per singular value, the convergence test included. A value that has not
// converged by then is used as it stands.
constexpr int MaxQRPasses = 29;
constexpr double SingularThreshold = 1e-14;

// One outer step of a phase: counts progress, reports it, and tells whether to go on.
bool ProgressStep()
{
    ProcStat += 1.0;
    if (MathFeedBackProc) MathFeedBackProc(ProcStat);
    return !AbortMathProc;
}

// Dense row-major m x n matrix for the decomposition; m >= n.
struct TDense {
    int m, n;
    std::vector<double> d;
    TDense(int Rows, int Cols) : m(Rows), n(Cols), d(std::size_t(Rows) * std::size_t(Cols), 0.0) {}
    double& operator()(int i, int j) { return d[std::size_t(i) * std::size_t(n) + std::size_t(j)]; }
};

// Decomposes a (m x n, m >= n) into U * diag(w) * V^T; U overwrites a. False when aborted.
bool Decompose(TDense& a, std::vector<double>& w, TDense& v)
{
    const int m = a.m, n = a.n;
    std::vector<double> rv1(std::size_t(n), 0.0);
    double g = 0, scale = 0, anorm = 0, s = 0, f = 0, h = 0;
    int l = 0;

    // Householder reduction to bidiagonal form.
    for (int i = 0; i < n; ++i) {
        if (!ProgressStep()) return false;
        l = i + 1;
        rv1[i] = scale * g;
        g = s = scale = 0;
        for (int k = i; k < m; ++k) scale += std::fabs(a(k, i));
        if (scale != 0) {
            for (int k = i; k < m; ++k) {
                a(k, i) /= scale;
                s += a(k, i) * a(k, i);
            }
            f = a(i, i);
            g = -std::copysign(std::sqrt(s), f);
            h = f * g - s;
            a(i, i) = f - g;
            for (int j = l; j < n; ++j) {
                s = 0;
                for (int k = i; k < m; ++k) s += a(k, i) * a(k, j);
                f = s / h;
                for (int k = i; k < m; ++k) a(k, j) += f * a(k, i);
            }
            for (int k = i; k < m; ++k) a(k, i) *= scale;
        }
        w[i] = scale * g;
        g = s = scale = 0;
        if (i != n - 1) {
            for (int k = l; k < n; ++k) scale += std::fabs(a(i, k));
            if (scale != 0) {
                for (int k = l; k < n; ++k) {
                    a(i, k) /= scale;
                    s += a(i, k) * a(i, k);
                }
                f = a(i, l);
                g = -std::copysign(std::sqrt(s), f);
                h = f * g - s;
                a(i, l) = f - g;
                for (int k = l; k < n; ++k) rv1[k] = a(i, k) / h;
                for (int j = l; j < m; ++j) {
                    s = 0;
                    for (int k = l; k < n; ++k) s += a(j, k) * a(i, k);
                    for (int k = l; k < n; ++k) a(j, k) += s * rv1[k];
                }
                for (int k = l; k < n; ++k) a(i, k) *= scale;
            }
        }
        anorm = std::max(anorm, std::fabs(w[i]) + std::fabs(rv1[i]));
    }

    // Accumulation of the right-hand transformations.
    for (int i = n - 1; i >= 0; --i) {
        if (!ProgressStep()) return false;
        if (i < n - 1) {
            if (g != 0) {
                // Double division avoids a possible underflow.
                for (int j = l; j < n; ++j) v(j, i) = (a(i, j) / a(i, l)) / g;
                for (int j = l; j < n; ++j) {
                    s = 0;
                    for (int k = l; k < n; ++k) s += a(i, k) * v(k, j);
                    for (int k = l; k < n; ++k) v(k, j) += s * v(k, i);
                }
            }
            for (int j = l; j < n; ++j) v(i, j) = v(j, i) = 0;
        }
        v(i, i) = 1;
        g = rv1[i];
        l = i;
    }

    // Accumulation of the left-hand transformations.
    for (int i = n - 1; i >= 0; --i) {
        if (!ProgressStep()) return false;
        l = i + 1;
        g = w[i];
        for (int j = l; j < n; ++j) a(i, j) = 0;
        if (g != 0) {
            g = 1 / g;
            for (int j = l; j < n; ++j) {
                s = 0;
                for (int k = l; k < m; ++k) s += a(k, i) * a(k, j);
                f = (s / a(i, i)) * g;
                for (int k = i; k < m; ++k) a(k, j) += f * a(k, i);
            }
            for (int j = i; j < m; ++j) a(j, i) *= g;
        } else {
            for (int j = i; j < m; ++j) a(j, i) = 0;
        }
        a(i, i) += 1;
    }

    // Diagonalisation of the bidiagonal form by implicit-shift QR.
    for (int k = n - 1; k >= 0; --k) {
        if (!ProgressStep()) return false;
        for (int pass = 1; pass <= MaxQRPasses; ++pass) {
            bool cancel = true;
            int nm = 0;
            for (l = k; l >= 0; --l) {
                nm = l - 1;
                // rv1[0] is always 0, so the loop stops at l = 0 at the latest.
                if (std::fabs(rv1[l]) + anorm == anorm) {
                    cancel = false;
                    break;
                }
                if (std::fabs(w[nm]) + anorm == anorm) break;
            }
            if (cancel) {
                double c = 0;
                s = 1;
                for (int i = l; i <= k; ++i) {
                    f = s * rv1[i];
                    rv1[i] = c * rv1[i];
                    if (std::fabs(f) + anorm == anorm) break;
                    g = w[i];
                    h = std::hypot(f, g);
                    w[i] = h;
                    h = 1 / h;
                    c = g * h;
                    s = -f * h;
                    for (int j = 0; j < m; ++j) {
                        const double y = a(j, nm), z = a(j, i);
                        a(j, nm) = y * c + z * s;
                        a(j, i) = z * c - y * s;
                    }
                }
            }
            double z = w[k];
            if (l == k) {
                if (z < 0) {
                    w[k] = -z;
                    for (int j = 0; j < n; ++j) v(j, k) = -v(j, k);
                }
                break;
            }
            // Shift from the bottom 2 x 2 minor.
            double x = w[l];
            nm = k - 1;
            double y = w[nm];
            g = rv1[nm];
            h = rv1[k];
            f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2 * h * y);
            g = std::hypot(f, 1.0);
            f = ((x - z) * (x + z) + h * ((y / (f + std::copysign(g, f))) - h)) / x;
            double c = 1;
            s = 1;
            for (int j = l; j <= nm; ++j) {
                const int i = j + 1;
                g = rv1[i];
                y = w[i];
                h = s * g;
                g = c * g;
                z = std::hypot(f, h);
                rv1[j] = z;
                c = f / z;
                s = h / z;
                f = x * c + g * s;
                g = g * c - x * s;
                h = y * s;
                y *= c;
                for (int jj = 0; jj < n; ++jj) {
                    const double vx = v(jj, j), vz = v(jj, i);
                    v(jj, j) = vx * c + vz * s;
                    v(jj, i) = vz * c - vx * s;
                }
                z = std::hypot(f, h);
                w[j] = z;
                if (z != 0) {
                    z = 1 / z;
                    c = f * z;
                    s = h * z;
                }
                f = c * g + s * y;
                x = c * y - s * g;
                for (int jj = 0; jj < m; ++jj) {
                    const double uy = a(jj, j), uz = a(jj, i);
                    a(jj, j) = uy * c + uz * s;
                    a(jj, i) = uz * c - uy * s;
                }
            }
            rv1[l] = 0;
            rv1[k] = f;
            w[k] = x;
        }
    }
    return true;
}

} // namespace

bool LeastSquaresSolve(const TMatrix& A, const TVector& b, TVector& x, TVector* StdDev)
{
    const int n = A.NumColumns();
    const int rows = A.NumRows();
    if (n < 1 || rows < 1 || b.VecSize() != rows) return false;
    // Zero rows change no least-squares solution; they give the decomposition its m >= n.
    const int m = std::max(rows, n);
    TDense u(m, n);
    std::vector<double> rhs(std::size_t(m), 0.0);
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < n; ++j) u(i, j) = A.GetVal(j + 1, i + 1);
        rhs[i] = b.GetVal(i + 1);
    }
    std::vector<double> w(std::size_t(n), 0.0);
    TDense v(n, n);
    if (!Decompose(u, w, v)) return false;

    double wmax = 0;
    for (double wj : w) wmax = std::max(wmax, wj);
    const double thresh = wmax * SingularThreshold;
    for (double& wj : w)
        if (wj < thresh) wj = 0;

    std::vector<double> t(std::size_t(n), 0.0);
    for (int j = 0; j < n; ++j) {
        if (w[j] == 0) continue;
        double s = 0;
        for (int i = 0; i < m; ++i) s += u(i, j) * rhs[i];
        t[j] = s / w[j];
    }
    x.SetVecSize(n);
    for (int j = 0; j < n; ++j) {
        double s = 0;
        for (int k = 0; k < n; ++k) s += v(j, k) * t[k];
        x.SetVal(j + 1, s);
    }
    if (StdDev) {
        StdDev->SetVecSize(n);
        for (int j = 0; j < n; ++j) {
            double s = 0;
            for (int k = 0; k < n; ++k)
                if (w[k] != 0) s += v(j, k) * v(j, k) / (w[k] * w[k]);
            StdDev->SetVal(j + 1, std::sqrt(s));
        }
    }
    return true;
}

} // namespace tyx
