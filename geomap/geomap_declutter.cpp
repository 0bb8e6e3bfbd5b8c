// TGeoMap overlay: the landmark layer with captions placed so that none collide. Landmarks are
// taken by priority (lower class first, then list order). A caption goes to the first of eight
// places that is free of every caption and symbol drawn before it, with a margin of Margin
// pixels; with none free it is left out, and with DeclutterSymbols its symbol too. What is drawn
// is noted in a bit grid of Cell x Cell pixels over the view, so testing a place costs a few
// words per row of cells whatever the landmark count or the picture's size.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "geomap/geomap_overlay.h"
#include "host/tyx_cpu.h"
#include "support/Tyx_math1.h"

namespace tyx {

namespace {

constexpr int Margin = 2;
constexpr int Cell = 4;

/// Which cells of the view hold something drawn. A box touching a cell at all takes the whole
/// cell, so two boxes that overlap always share one: the grid errs only towards "taken".
class TOccupancy {
public:
    TOccupancy(int W, int H) : FCols((W + Cell - 1) / Cell), FRows((H + Cell - 1) / Cell),
                               FWords((FCols + 63) / 64), FBits(std::size_t(FWords) * std::size_t(FRows)) {}

    /// False when any cell of B grown by Margin is taken, or B lies wholly outside the view.
    bool Free(const TRect& B) const
    {
        return Visit(Grow(B), [](uint64_t& Word, uint64_t Mask) { return (Word & Mask) == 0; });
    }
    void Take(const TRect& B)
    {
        Visit(B, [](uint64_t& Word, uint64_t Mask) { Word |= Mask; return true; });
    }

private:
    static TRect Grow(const TRect& B)
    {
        return Rect(B.Left - Margin, B.Top - Margin, B.Right + Margin, B.Bottom + Margin);
    }

    /// Calls Fn on each word a mask of B's cells (within the view), row by row, while it says true.
    template <typename F>
    bool Visit(const TRect& B, F Fn) const
    {
        if (B.Right <= B.Left || B.Bottom <= B.Top || B.Right <= 0 || B.Bottom <= 0) return true;
        const int C0 = std::max(B.Left, 0) / Cell, C1 = std::min((B.Right - 1) / Cell, FCols - 1);
        const int R0 = std::max(B.Top, 0) / Cell, R1 = std::min((B.Bottom - 1) / Cell, FRows - 1);
        if (C0 > C1 || R0 > R1) return true;
        auto* Bits = const_cast<uint64_t*>(FBits.data());
        for (int r = R0; r <= R1; ++r)
            for (int w = C0 / 64; w <= C1 / 64; ++w) {
                const int Lo = std::max(C0 - w * 64, 0), Hi = std::min(C1 - w * 64, 63);
                const uint64_t Upto = Hi == 63 ? ~uint64_t(0) : (uint64_t(1) << (Hi + 1)) - 1;
                const uint64_t Mask = Upto & ~((uint64_t(1) << Lo) - 1);
                if (!Fn(Bits[std::size_t(r) * std::size_t(FWords) + std::size_t(w)], Mask)) return false;
            }
        return true;
    }

    int FCols, FRows, FWords;
    std::vector<uint64_t> FBits;
};

/// The box a symbol of size S (and, for the kinds with one, length L) covers about APoint.
TRect SymbolBox(const TPoint& A, const TSymbolProperties& S)
{
    const int R = std::clamp(std::max(S.Size, S.Length), 0, 1 << 20) + 1;
    return Rect(A.X - R, A.Y - R, A.X + R + 1, A.Y + R + 1);
}

/// The places tried for a caption: its own first, then right, left, above, below of the symbol,
/// then above right, above left and below right. A turned caption keeps its own place only.
int Candidates(const TLMTextProperties& Own, int R, std::array<TLMTextProperties, 8>& Out)
{
    Out[0] = Own;
    if (Own.Direction % 360 != 0) return 1;
    struct TPlace {
        TAlignment H;
        TVerticalAlignment V;
        int dx, dy;
    };
    const int D = R + Margin;
    const TPlace Places[7] = {{taLeftJustify, vaMiddle, D, 0},  {taRightJustify, vaMiddle, -D, 0},
                              {taCenter, vaBottom, 0, -D},      {taCenter, vaTop, 0, D},
                              {taLeftJustify, vaBottom, R, -R}, {taRightJustify, vaBottom, -R, -R},
                              {taLeftJustify, vaTop, R, R}};
    for (int k = 0; k < 7; ++k) {
        Out[k + 1] = Own;
        Out[k + 1].HAlignment = Places[k].H;
        Out[k + 1].VAlignment = Places[k].V;
        Out[k + 1].dx = Places[k].dx;
        Out[k + 1].dy = Places[k].dy;
    }
    return 8;
}

} // namespace

void TGeoMap::DrawDecluttered(TCanvas& C, int W, int H, double p)
{
    TOccupancy Taken(W, H);
    std::array<TLMTextProperties, 8> Places;
    // Draws landmark Number, whose anchor is known.
    auto Draw = [&](int Number, const TPoint& A, const TSymbolProperties& S, const TLMTextProperties* Caption) {
        const TRect SBox = SymbolBox(A, S);
        int Chosen = -1;
        TRect Box;
        if (Caption) {
            const int n = Candidates(*Caption, SBox.Right - 1 - A.X, Places);
            for (int k = 0; k < n && Chosen < 0; ++k)
                if (LandMarkCaptionBox(C, A, Places[k], Box) && Taken.Free(Box)) Chosen = k;
        }
        const bool Room = Caption ? Chosen >= 0 : Taken.Free(SBox);
        if (FDeclutterSymbols && !Room) return;
        DrawLandMarkSymbolOnCanvas(C, A.X, A.Y, S.Kind, S.FGColor, S.BGColor, S.Size, S.Direction, S.Length,
                                   S.Transparent);
        Taken.Take(SBox);
        if (Chosen >= 0) {
            DrawLandMarkCaption(C, A, Places[Chosen]);
            Taken.Take(Box);
            // Only the part in view counts: what lies beyond it shows on no picture.
            if (OnCaptionDrawn)
                OnCaptionDrawn(Number, Rect(std::max(Box.Left, 0), std::max(Box.Top, 0), std::min(Box.Right, W),
                                            std::min(Box.Bottom, H)));
        }
        ClearUpperVectorState(); // the symbol or caption may have been drawn by Qt
    };
    // The order is copied: a handler may change the list while it is drawn.
    const std::vector<uint32_t> Order = OnDrawLandmark ? FLandMarks.SpotOrder() : std::vector<uint32_t>{};
    const std::vector<uint32_t>& Ordered = OnDrawLandmark ? Order : FLandMarks.SpotOrder();
    TLandMark Copy;
    for (const uint32_t i : Ordered) {
        if (int(i) >= NumLandMarks()) continue;
        const TLandMark& LM = FLandMarks[int(i) + 1];
        if (!FLandMarks.GetClassVisibility(LM.ClassFlag) || (p < 1 && !BRandom(p))) continue;
        TPoint A;
        if (OnDrawLandmark) {
            Copy = LM;
            if (!PlaceLandMark(C, W, H, Copy, A)) continue;
            Draw(int(i) + 1, A, Copy.SymbolProps, Copy.Caption.Text.Empty() ? nullptr : &Copy.Caption);
            continue;
        }
        if (!LandMarkToControl(LM.Latitude, LM.Longitude, A) || !StrictlyInside(A, W, H)) continue;
        Draw(int(i) + 1, A, LM.SymbolProps, LM.Caption.Text.Empty() ? nullptr : &LM.Caption);
    }
}

} // namespace tyx
