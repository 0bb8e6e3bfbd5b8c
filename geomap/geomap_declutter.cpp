// TGeoMap overlay: the landmark layer with captions placed so that none collide. Landmarks are
// taken by priority (lower class first, then list order). A caption goes to the first of eight
// places that is free of every caption and symbol drawn before it, with a margin of Margin
// pixels (and, with LandMarksOnMapOnly, within the map image); with none free it is left out,
// and with DeclutterSymbols its symbol too, as is a landmark whose symbol would meet anything
// drawn before it. What is drawn is noted in a bit grid of Cell x Cell pixels over the view, so testing a place costs a few
// words per row of cells whatever the landmark count or the picture's size.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstdint>
#include <memory>
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

/// Where a caption can go about its symbol, besides its own place.
struct TPlace {
    TAlignment H;
    TVerticalAlignment V;
    int dx, dy;
};

/// The places tried after a caption's own for a symbol reaching R pixels from its anchor: right,
/// left, above, below, then above right, above left and below right.
std::array<TPlace, 7> OtherPlaces(int R)
{
    const int D = R + Margin;
    return {{{taLeftJustify, vaMiddle, D, 0},
             {taRightJustify, vaMiddle, -D, 0},
             {taCenter, vaBottom, 0, -D},
             {taCenter, vaTop, 0, D},
             {taLeftJustify, vaBottom, R, -R},
             {taRightJustify, vaBottom, -R, -R},
             {taLeftJustify, vaTop, R, R}}};
}

/// The box of an upright Width x Height caption at place P about A, found as the caption writer
/// finds it, so that it need not lay out the text again.
TRect PlacedBox(const TPoint& A, const TPlace& P, int Width, int Height)
{
    const int w = Width / 2, h = Height / 2;
    const int a = P.H == taLeftJustify ? 0 : P.H == taCenter ? w : 2 * w;
    const int v = P.V == vaTop ? 0 : P.V == vaMiddle ? h : 2 * h;
    const int X = A.X + P.dx - a, Y = A.Y + P.dy - v;
    return Rect(X, Y, X + Width, Y + Height);
}

} // namespace

void TGeoMap::DrawDecluttered(TCanvas& C, int W, int H, double p, const std::vector<TRect>& Reserved)
{
    TOccupancy Taken(W, H);
    for (const TRect& B : Reserved) Taken.Take(B);
    // With LandMarksOnMapOnly a caption stays on the map image as well.
    const TPoint MapTL = MapImageToControl(TPoint{0, 0});
    const TPoint MapBR = MapImageToControl(TPoint{FMapImgWidth, FMapImgHeight});
    auto Fits = [&](const TRect& B) {
        return Taken.Free(B) && (!FLMOnMapOnly || (B.Left >= MapTL.X && B.Top >= MapTL.Y && B.Right <= MapBR.X &&
                                                   B.Bottom <= MapBR.Y));
    };
    TLMTextProperties Moved;
    // Draws landmark Number, whose anchor is known. Its caption's box comes from Known when that
    // holds it, else from the caption, and is then noted there.
    auto Draw = [&](int Number, const TPoint& A, const TSymbolProperties& S, const TLMTextProperties* Caption,
                    TCaptionExtents::TExtent* Known) {
        const TRect SBox = SymbolBox(A, S);
        // Left out whole when asked, wherever its symbol would cover what is drawn already.
        if (FDeclutterSymbols && !Taken.Free(SBox)) return;
        using E = TCaptionExtents;
        E::TState State = Caption ? (Known ? Known->State : E::ceUnknown) : E::ceNone;
        TRect Box;
        if (State == E::ceUpright || State == E::ceTurned) {
            Box = Rect(A.X + Known->Left, A.Y + Known->Top, A.X + Known->Left + Known->Width,
                       A.Y + Known->Top + Known->Height);
        } else if (State == E::ceUnknown || State == E::ceFar) {
            const bool Written = LandMarkCaptionBox(C, A, *Caption, Box);
            State = !Written ? E::ceNone : Caption->Direction % 360 == 0 ? E::ceUpright : E::ceTurned;
            if (Known) {
                // Kept only where the box is small and near enough for the fields.
                const int Left = Box.Left - A.X, Top = Box.Top - A.Y;
                const bool Small = std::abs(Left) < 32768 && std::abs(Top) < 32768 && Box.Width() < 65536 &&
                                   Box.Height() < 65536;
                if (!Written) *Known = {0, 0, 0, 0, E::ceNone};
                else if (Small) *Known = {int16_t(Left), int16_t(Top), uint16_t(Box.Width()), uint16_t(Box.Height()), State};
                else Known->State = E::ceFar;
            }
        }
        // The caption's own place first; an upright one may then move (a turned one may not).
        const TLMTextProperties* Chosen = nullptr;
        if (State != E::ceNone) {
            if (Fits(Box)) Chosen = Caption;
            else if (State == E::ceUpright) {
                const int Width = Box.Width(), Height = Box.Height();
                for (const TPlace& P : OtherPlaces(SBox.Right - 1 - A.X)) {
                    Box = PlacedBox(A, P, Width, Height);
                    if (!Fits(Box)) continue;
                    Moved = *Caption;
                    Moved.HAlignment = P.H, Moved.VAlignment = P.V, Moved.dx = P.dx, Moved.dy = P.dy;
                    Chosen = &Moved;
                    break;
                }
            }
        }
        if (FDeclutterSymbols && State != E::ceNone && !Chosen) return;
        DrawLandMarkSymbolOnCanvas(C, A.X, A.Y, S.Kind, S.FGColor, S.BGColor, S.Size, S.Direction, S.Length,
                                   S.Transparent);
        Taken.Take(SBox);
        if (Chosen) {
            DrawLandMarkCaption(C, A, *Chosen);
            Taken.Take(Box);
            // Only the part in view counts: what lies beyond it shows on no picture.
            if (OnCaptionDrawn)
                OnCaptionDrawn(Number, Rect(std::max(Box.Left, 0), std::max(Box.Top, 0), std::min(Box.Right, W),
                                            std::min(Box.Bottom, H)));
        }
        ClearUpperVectorState(); // the symbol or caption may have been drawn by Qt
    };
    if (!OnDrawLandmark) {
        // The list cannot change meanwhile: classes, positions and symbols come from the packed
        // spots, caption boxes from the extents kept beside them, and a caption's record is read
        // only when its box is not known yet or it is drawn.
        const std::vector<TLandMarkSpot>& Spots = FLandMarks.Spots();
        const std::vector<TSymbolProperties>& Symbols = FLandMarks.SpotSymbols();
        const std::vector<TLandMark>& Items = FLandMarks.Items();
        if (!FCaptionExtents) FCaptionExtents = std::make_unique<TCaptionExtents>();
        TCaptionExtents& Extents = *FCaptionExtents;
        // A caption's box follows the font's resolution: the picture's and the canvas's scale.
        const double Dpi = C.Image() ? C.Image()->logicalDpiY() * C.Image()->devicePixelRatio() * C.Scale() : 0;
        if (Extents.Revision != FLandMarks.Revision() || Extents.Dpi != Dpi || Extents.Items.size() != Spots.size()) {
            Extents.Items.assign(Spots.size(), {});
            Extents.Revision = FLandMarks.Revision();
            Extents.Dpi = Dpi;
        }
        // Picked first, so that the symbols and extents, scattered over long arrays, can be
        // fetched ahead of their use. (Taken out meanwhile: a hook might paint again.)
        std::vector<TCaptionExtents::TPick> Picked = std::move(Extents.Picked);
        Picked.clear();
        for (const uint32_t i : FLandMarks.SpotOrder()) {
            const TLandMarkSpot& Spot = Spots[i];
            if (!FLandMarks.GetClassVisibility(Spot.ClassFlag) || (p < 1 && !BRandom(p))) continue;
            TPoint A;
            if (LandMarkToControl(Spot.Latitude, Spot.Longitude, A) && StrictlyInside(A, W, H))
                Picked.push_back({i, Spot.HasCaption, A});
        }
        constexpr std::size_t Ahead = 16;
        for (std::size_t k = 0; k < Picked.size(); ++k) {
            if (k + Ahead < Picked.size()) {
                Prefetch(&Symbols[Picked[k + Ahead].Spot], sizeof(TSymbolProperties));
                Prefetch(&Extents.Items[Picked[k + Ahead].Spot], sizeof(TCaptionExtents::TExtent));
            }
            const auto [i, Captioned, A] = Picked[k];
            Draw(int(i) + 1, A, Symbols[i], Captioned ? &Items[i].Caption : nullptr, &Extents.Items[i]);
        }
        Extents.Picked = std::move(Picked);
        return;
    }
    // From a copy of the order and of each landmark: a handler may change the list.
    const std::vector<uint32_t> Order = FLandMarks.SpotOrder();
    TLandMark Copy;
    for (const uint32_t i : Order) {
        if (int(i) >= NumLandMarks()) continue;
        Copy = FLandMarks[int(i) + 1];
        if (!FLandMarks.GetClassVisibility(Copy.ClassFlag) || (p < 1 && !BRandom(p))) continue;
        TPoint A;
        if (!PlaceLandMark(C, W, H, Copy, A)) continue;
        Draw(int(i) + 1, A, Copy.SymbolProps, Copy.Caption.Text.Empty() ? nullptr : &Copy.Caption, nullptr);
    }
}

} // namespace tyx
