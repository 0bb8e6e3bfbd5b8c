// Caption placement in declutter mode: no two drawn captions overlap, the most important ones
// always find room, and a landmark left without room can lose its symbol too.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "geomap/Tyx_geomap.h"
#include "geomap_test_util.h"

namespace tyx {
namespace {

using test::PixelOf;
using test::Through15Bit;

/// A W x H control showing a W x H image of one colour (latitude 48 - 0.01 y, longitude
/// 16 + 0.01 x), captions placed by declutter; paints stay suppressed until the test is ready.
void Prepare(TGeoMap& M, int W, int H, TColor Ground = clWhite)
{
    test::ShowPlainImage(M, W, H, Ground);
    M.SetCalibModel(cmEquiRect);
    M.AddCalibPoint(48.0, 16.0, 0, 0);
    M.AddCalibPoint(48.0, 16.0 + 0.01 * W, W, 0);
    M.AddCalibPoint(48.0 - 0.01 * H, 16.0, 0, H);
    M.SetCaptionPlacement(cpDeclutter);
}

/// A landmark of the template (a blue cross, the caption centred below it) at image pixel (X, Y).
void Add(TGeoMap& M, int X, int Y, uint8_t Class, const std::string& Caption, int Size = 8)
{
    M.AddLandMark(48 - 0.01 * Y, 16 + 0.01 * X, 0, Caption, Size, clBlack);
    TLandMark L = M.GetLandMarkData(M.NumLandMarks());
    L.ClassFlag = Class;
    M.SetLandMarkData(M.NumLandMarks(), L);
}

bool Overlap(const TRect& a, const TRect& b)
{
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

struct TDrawn {
    int Number;
    TRect Box;
    friend bool operator==(const TDrawn&, const TDrawn&) = default;
};

/// Half-degree graticule lines in red, and with Overlays the scale bar, degree labels and
/// landmarks only on the map.
void ShowOverlays(TGeoMap& M, bool Overlays)
{
    M.SetLandMarksOnMapOnly(Overlays);
    M.SetShowGrat(sgLines);
    M.SetGratLineDist(0.5);
    M.SetColorGratLine(clRed);
    M.SetShowScaleBar(Overlays);
    M.SetGratLabels(Overlays);
}

TEST(Declutter, CaptionsNeverOverlapEachOtherOrTheOverlaysAndTheFirstClassAlwaysFindsRoom)
{
    TGeoMap M, Bare; // Bare: no landmarks, to tell the overlays' pixels (halos too) from the rest
    Prepare(M, 400, 300, clSilver);
    Prepare(Bare, 400, 300, clSilver);
    // A crowd of class 5 listed first, then six class-1 towns far apart from one another.
    for (int y = 5; y < 300; y += 9)
        for (int x = 5; x < 400; x += 12) Add(M, x, y, 5, "Crowd " + std::to_string(x * 1000 + y));
    const int FirstCapital = M.NumLandMarks() + 1;
    const TPoint Capitals[] = {{60, 60}, {200, 60}, {340, 60}, {60, 240}, {200, 240}, {340, 240}};
    for (const TPoint& P : Capitals) Add(M, P.X, P.Y, 1, "Capital");
    std::vector<TDrawn> Drawn;
    M.OnCaptionDrawn = [&](int Number, const TRect& Box) { Drawn.push_back({Number, Box}); };

    struct TView {
        double Mag;
        TPoint TopLeft;
        bool Overlays; // scale bar, degree labels, on the map only
    };
    for (const TView& V : {TView{1, {0, 0}, false}, TView{2, {100, 50}, false}, TView{0.5, {0, 0}, false},
                           TView{1.5, {37, 11}, false}, TView{1, {0, 0}, true}, TView{2, {100, 50}, true},
                           TView{0.5, {0, 0}, true}}) {
        const std::string Name = std::to_string(V.Mag) + " at " + std::to_string(V.TopLeft.X) + (V.Overlays ? " +" : "");
        std::vector<bool> Overlay(400 * 300);
        for (const bool On : {false, true}) {
            Bare.SetSuppressPaint(true);
            Bare.SetMagnification(V.Mag);
            Bare.SetTopLeft(V.TopLeft);
            ShowOverlays(Bare, On && V.Overlays);
            const QImage Before = Bare.Picture();
            Bare.SetSuppressPaint(false);
            for (int y = 0; On && y < 300; ++y)
                for (int x = 0; x < 400; ++x)
                    Overlay[std::size_t(y * 400 + x)] = PixelOf(Before, x, y) != PixelOf(Bare.Picture(), x, y);
        }
        std::vector<TDrawn> Runs[2];
        for (int WithHandler = 0; WithHandler < 2; ++WithHandler) {
            M.SetSuppressPaint(true);
            M.SetMagnification(V.Mag);
            M.SetTopLeft(V.TopLeft);
            ShowOverlays(M, V.Overlays);
            if (WithHandler) M.OnDrawLandmark = [](TObject*, bool&, TCanvas&, TPoint, const TLandMark&) {};
            Drawn.clear();
            M.SetSuppressPaint(false);
            Runs[WithHandler] = Drawn;
            M.OnDrawLandmark = nullptr;
        }
        // A handler that draws nothing itself changes nothing.
        EXPECT_EQ(Runs[0], Runs[1]) << Name;
        ASSERT_GT(Drawn.size(), 5u) << Name;
        for (std::size_t i = 0; i < Drawn.size(); ++i)
            for (std::size_t j = i + 1; j < Drawn.size(); ++j)
                EXPECT_FALSE(Overlap(Drawn[i].Box, Drawn[j].Box)) << Name << ": " << Drawn[i].Number << " and "
                                                                  << Drawn[j].Number;
        // Every class-1 town well inside the view has its caption.
        std::set<int> Numbers;
        for (const TDrawn& D : Drawn) Numbers.insert(D.Number);
        const double Mag = M.Magnification();
        const TPoint TL = M.TopLeft();
        for (int k = 0; k < 6; ++k) {
            const double X = (Capitals[k].X - TL.X) * Mag, Y = (Capitals[k].Y - TL.Y) * Mag;
            const bool Inside = X > 40 && X < 360 && Y > 20 && Y < 270;
            EXPECT_TRUE(!Inside || Numbers.count(FirstCapital + k)) << Name << " " << k;
        }
        // The boxes are where the text went: no caption ink outside them (the overlays' own
        // black aside), and no box reaches into the overlays.
        const QImage& P = M.Picture();
        std::vector<bool> InBox(std::size_t(P.width() * P.height()));
        for (const TDrawn& D : Drawn)
            for (int y = std::max(D.Box.Top, 0); y < std::min(D.Box.Bottom, P.height()); ++y)
                for (int x = std::max(D.Box.Left, 0); x < std::min(D.Box.Right, P.width()); ++x)
                    InBox[std::size_t(y * P.width() + x)] = true;
        int Stray = 0, Covered = 0, OverlayPixels = 0;
        for (std::size_t k = 0; k < InBox.size(); ++k) {
            const int x = int(k % 400), y = int(k / 400);
            Stray += PixelOf(P, x, y) == Through15Bit(clBlack) && !InBox[k] && !Overlay[k];
            Covered += InBox[k] && Overlay[k];
            OverlayPixels += Overlay[k];
        }
        EXPECT_EQ(Stray, 0) << Name;
        EXPECT_EQ(Covered, 0) << Name;
        EXPECT_EQ(OverlayPixels > 500, V.Overlays) << Name;
        // On the map only: the 400 x 300 image ends at 200 x 150 at half size.
        for (const TDrawn& D : Drawn)
            EXPECT_TRUE(!V.Overlays || V.Mag != 0.5 || (D.Box.Right <= 200 && D.Box.Bottom <= 150)) << Name;
    }
}

TEST(Declutter, ALandmarkWithoutRoomLosesItsSymbolOnlyWhenAsked)
{
    // Landmark 2 (a lime cross) lies under the first caption: one that covers the view below it
    // (no room for the second), or a small one (room for the second caption below it).
    struct TCase {
        int Y1, Size1, Y2;
        std::vector<int> Captions;
    };
    for (const TCase& T : {TCase{5, 72, 55, {1}}, TCase{10, 8, 30, {1, 2}}})
        for (const bool DropSymbols : {false, true}) {
            TGeoMap M;
            Prepare(M, 200, 100);
            M.SetDeclutterSymbols(DropSymbols);
            Add(M, 100, T.Y1, 1, "MMMMMMMMMMMM", T.Size1);
            Add(M, 100, T.Y2, 1, "b");
            TLandMark L = M.GetLandMarkData(2);
            L.SymbolProps.FGColor = clLime;
            M.SetLandMarkData(2, L);
            std::vector<int> Numbers;
            M.OnCaptionDrawn = [&](int Number, const TRect&) { Numbers.push_back(Number); };
            M.SetSuppressPaint(false);
            EXPECT_EQ(Numbers, DropSymbols ? std::vector<int>{1} : T.Captions) << T.Y2 << DropSymbols;
            int Lime = 0;
            for (int y = 0; y < 100; ++y)
                for (int x = 0; x < 200; ++x) Lime += PixelOf(M.Picture(), x, y) == Through15Bit(clLime);
            EXPECT_EQ(Lime > 0, !DropSymbols) << T.Y2;
        }
}

TEST(Declutter, ACaptionChangedOrMovedAfterAPaintIsPlacedAnew)
{
    TGeoMap M;
    Prepare(M, 300, 100);
    Add(M, 150, 50, 1, "a");
    std::vector<TRect> Boxes;
    M.OnCaptionDrawn = [&](int, const TRect& Box) { Boxes.push_back(Box); };
    M.SetSuppressPaint(false);
    TLandMark L = M.GetLandMarkData(1);
    L.Caption.Text = "a much longer caption";
    M.SetLandMarkData(1, L); // paints
    L.Longitude += 0.5;
    M.SetLandMarkData(1, L);
    ASSERT_EQ(Boxes.size(), 3u);
    EXPECT_GT(Boxes[1].Width(), 4 * Boxes[0].Width());
    EXPECT_EQ(Boxes[2].Left - Boxes[1].Left, 50);
    EXPECT_EQ(Boxes[2].Width(), Boxes[1].Width());
}

} // namespace
} // namespace tyx
