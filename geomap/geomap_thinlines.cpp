// One-pixel lines written straight into the pixels (see geomap_thinlines.h).
#include "geomap/geomap_thinlines.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

#include "host/tyx_cpu.h"

namespace tyx {

TThinLines::TThinLines(QImage& Image, int W, int H)
{
    if (!Takes(Image)) return;
    FW = std::clamp(W, 0, Image.width());
    FH = std::clamp(H, 0, Image.height());
    FWide = Image.format() != QImage::Format_RGB555;
    FBits = Image.bits();
    FStride = Image.bytesPerLine();
    SetPen(clBlack, true);
}

bool TThinLines::Takes(const QImage& Image)
{
    const QImage::Format F = Image.format();
    return F == QImage::Format_RGB555 || F == QImage::Format_RGB32 || F == QImage::Format_ARGB32_Premultiplied;
}

void TThinLines::SetPen(TColor Color, bool AntiAlias)
{
    FAntiAlias = AntiAlias;
    const unsigned R = GetRValue(Color), G = GetGValue(Color), B = GetBValue(Color);
    FOpaque555 = uint16_t((R >> 3) << 10 | (G >> 3) << 5 | (B >> 3));
    FOpaque32 = 0xFF000000u | R << 16 | G << 8 | B;
    ClearUpperVectorState(); // Qt's drawing before the lines leaves wide registers in use
}

void TThinLines::Line(const TPixelF& A, const TPixelF& B)
{
    if (!FBits) return;
    const double dx = B.X - A.X, dy = B.Y - A.Y;
    if (!std::isfinite(dx) || !std::isfinite(dy) || (dx == 0 && dy == 0)) return;
    if (std::fabs(dx) >= std::fabs(dy)) {
        if (dx > 0) Steps<false>(A.X, A.Y, B.X, B.Y);
        else Steps<false>(B.X, B.Y, A.X, A.Y);
    } else {
        if (dy > 0) Steps<true>(A.Y, A.X, B.Y, B.X);
        else Steps<true>(B.Y, B.X, A.Y, A.X);
    }
}

namespace {

// A pixel at coverage Alpha (1 to 255) of the opaque Colour in a 32-bit premultiplied picture.
inline void Blend(uint32_t& D, unsigned Alpha, uint32_t Colour)
{
    const unsigned Rest = 255 - Alpha;
    const auto Mix = [&](int Shift) { return ((Colour >> Shift & 0xFF) * Alpha + (D >> Shift & 0xFF) * Rest + 127) / 255 << Shift; };
    D = Mix(24) | Mix(16) | Mix(8) | Mix(0);
}

// The same in a 15-bit picture: the pixel and the colour spread apart (green moved to the high
// half) so that the three channels blend in one word, the coverage in 32 steps (a 5-bit channel
// has no more).
constexpr uint32_t Spread555 = 0x03E07C1F;
inline uint32_t Spread(uint32_t P) { return (P | P << 16) & Spread555; }
inline void Blend(uint16_t& D, unsigned Alpha, uint32_t Colour)
{
    const uint32_t Under = Spread(D);
    const uint32_t Mixed = ((((Colour - Under) * ((Alpha + 4) >> 3)) >> 5) + Under) & Spread555;
    D = uint16_t(Mixed | Mixed >> 16);
}

} // namespace

// U is the longer axis (y when Steep), V the other; U0 < U1.
template <bool Steep>
void TThinLines::Steps(double U0, double V0, double U1, double V1)
{
    const int UN = Steep ? FH : FW, VN = Steep ? FW : FH;
    const double Slope = (V1 - V0) / (U1 - U0); // within [-1, 1]
    // Cut to the image along U, and to where V lies within a pixel of it (most lines lie inside).
    double Ua = U0, Ub = U1;
    if (U0 < 0 || U1 > UN || std::min(V0, V1) < -1 || std::max(V0, V1) > VN + 1) {
        Ua = std::max(U0, 0.0);
        Ub = std::min(U1, double(UN));
        if (Slope != 0) {
            const double Ue = U0 + (-1 - V0) / Slope, Uf = U0 + (VN + 1 - V0) / Slope;
            Ua = std::max(Ua, std::min(Ue, Uf));
            Ub = std::min(Ub, std::max(Ue, Uf));
        } else if (!(V0 >= -1 && V0 <= VN + 1)) {
            return;
        }
        if (!(Ua < Ub)) return;
    }
    // V stays above -2 here, so a truncation offset by 8 floors it.
    const auto Floor = [](double v) { return int(v + 8) - 8; };
    const bool AntiAlias = FAntiAlias;
    // Antialiased, every step the line touches; plain, the steps whose centres lie on the line,
    // its end left out.
    const int First = AntiAlias ? Floor(Ua) : Floor(std::ceil(Ua - 0.5));
    const int Last = AntiAlias ? Floor(std::ceil(Ub)) - 1 : Floor(std::ceil(Ub - 0.5)) - 1;
    if (First > Last) return;
    const auto Draw = [&](auto* Bits, auto Opaque, auto Colour) {
        using TPixel = std::remove_reference_t<decltype(*Bits)>;
        const qsizetype Stride = FStride / qsizetype(sizeof(TPixel));
        const auto Put = [&](int u, int v, unsigned Alpha) {
            if (unsigned(v) >= unsigned(VN) || Alpha == 0) return;
            TPixel& D = Steep ? Bits[u * Stride + v] : Bits[v * Stride + u];
            if (Alpha >= 255) D = Opaque;
            else Blend(D, Alpha, Colour);
        };
        // V: 8 plus the line's offset, in 16.16 fixed point, from the centres of the pixels at v
        // at the middle of a step, which take the step's weight less what those at v + 1 take.
        // Ends far beyond any picture lose the line to rounding: nothing sound to draw then.
        const double VFirst = V0 + (First + 0.5 - U0) * Slope;
        if (!(VFirst > -4 && VFirst < VN + 4)) return;
        int64_t V = std::llround((VFirst + (AntiAlias ? 7.5 : 8)) * 65536);
        const int64_t dV = std::llround(Slope * 65536);
        if (!AntiAlias) {
            for (int u = First; u <= Last; ++u, V += dV) Put(u, int(V >> 16) - 8, 255);
            return;
        }
        // The end steps hold the part of the line within them.
        const auto Weight = [&](int u) { return unsigned((std::min(Ub, u + 1.0) - std::max(Ua, double(u))) * 255 + 0.5); };
        for (int u = First; u <= Last; ++u, V += dV) {
            const unsigned W = u == First || u == Last ? Weight(u) : 255;
            const unsigned Far = unsigned(((V & 0xFFFF) * W + 32768) >> 16);
            const int v = int(V >> 16) - 8;
            Put(u, v, W - Far);
            Put(u, v + 1, Far);
        }
    };
    if (FWide) Draw(reinterpret_cast<uint32_t*>(FBits), FOpaque32, FOpaque32);
    else Draw(reinterpret_cast<uint16_t*>(FBits), FOpaque555, Spread(FOpaque555));
    FSteps += Last - First + 1;
    const double Va = V0 + (Ua - U0) * Slope, Vb = V0 + (Ub - U0) * Slope;
    const int VLo = std::max(0, Floor(std::min(Va, Vb)) - 1), VHi = std::min(VN, Floor(std::max(Va, Vb)) + 2);
    FDirty = UnionRect(FDirty, Steep ? TRect{VLo, First, VHi, Last + 1} : TRect{First, VLo, Last + 1, VHi});
}

void TThinLines::Dot(const TPixelF& P)
{
    if (!FBits || !(P.X >= 0 && P.X < FW && P.Y >= 0 && P.Y < FH)) return;
    const int x = int(P.X), y = int(P.Y);
    uchar* const Row = FBits + y * FStride;
    if (FWide) reinterpret_cast<uint32_t*>(Row)[x] = FOpaque32;
    else reinterpret_cast<uint16_t*>(Row)[x] = FOpaque555;
    ++FSteps;
    FDirty = UnionRect(FDirty, {x, y, x + 1, y + 1});
}

} // namespace tyx
