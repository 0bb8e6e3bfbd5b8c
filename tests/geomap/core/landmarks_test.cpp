#include "geomap/core/Tyx_landmarks.h"
#include "geomap/core/Tyx_geocalib.h"

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace tyx {
namespace {

// Landmarks whose Tag is their original number, at the given latitudes (longitude 0, class 0).
void Fill(TLandMarkList& List, const std::vector<double>& Lats)
{
    TLandMark L;
    for (std::size_t i = 0; i < Lats.size(); ++i) {
        L.Latitude = Lats[i];
        L.Tag = static_cast<int>(i) + 1;
        List.AppendLandMark(L);
    }
}

std::vector<int> Tags(const TLandMarkList& List)
{
    std::vector<int> out;
    for (const TLandMark& L : List.Items()) out.push_back(L.Tag);
    return out;
}

// The packed spots follow every change of the list; a stale copy would misplace landmarks, or
// read past its end once the list had grown.
TEST(LandMarkList, SpotsFollowEveryChange)
{
    TLandMarkList List;
    TLandMarkList Other;
    Fill(Other, {7, 8});
    TLandMark Moved;
    Moved.Latitude = 99;
    Moved.ClassFlag = 5;
    Moved.SymbolProps.Size = 11;
    Moved.Caption.Text = "moved";
    const std::vector<std::pair<const char*, std::function<void()>>> Changes = {
        {"append", [&] { Fill(List, {1, 2, 3, 4, 5, 6}); }},
        {"set", [&] { List.SetLandMarkData(2, Moved); }},
        {"remove by number", [&] { List.RemoveLandMark(1); }},
        {"remove in radius", [&] { List.RemoveLandMark(3.5, 0, -1, 1.0); }},
        {"remove last", [&] { List.RemoveLastLandMark(); }},
        {"remove class", [&] { List.RemoveAllLandMarks(uint8_t{5}); }},
        {"assign", [&] { List.Assign(Other); }},
        {"add", [&] { List.AddLandMark(9, 1, 0); }},
        {"remove all", [&] { List.RemoveAllLandMarks(); }},
    };
    for (const auto& [Name, Change] : Changes) {
        List.SpotOrder(); // built before the change
        Change();
        std::vector<std::string> Want, Got;
        for (const TLandMark& L : List.Items())
            Want.push_back(std::to_string(L.Latitude) + "/" + std::to_string(L.Longitude) + "/" +
                           std::to_string(L.ClassFlag) + "/" + std::to_string(L.SymbolProps.Size) + "/" +
                           std::to_string(!L.Caption.Text.Empty()));
        for (std::size_t i = 0; i < List.Spots().size(); ++i) {
            const TLandMarkSpot& S = List.Spots()[i];
            Got.push_back(std::to_string(S.Latitude) + "/" + std::to_string(S.Longitude) + "/" +
                          std::to_string(S.ClassFlag) + "/" + std::to_string(List.SpotSymbols()[i].Size) + "/" +
                          std::to_string(S.HasCaption));
        }
        EXPECT_EQ(Got, Want) << Name;
        // Priority: lower class first, list order within a class.
        std::vector<uint32_t> Order(List.Items().size());
        std::iota(Order.begin(), Order.end(), 0u);
        std::stable_sort(Order.begin(), Order.end(),
                         [&](uint32_t a, uint32_t b) { return List.Items()[a].ClassFlag < List.Items()[b].ClassFlag; });
        EXPECT_EQ(List.SpotOrder(), Order) << Name;
    }
}

// Counting inside a quadrilateral (whole cells of a grid at once for long lists) must give what
// testing every landmark gives: landmarks on edges and corners, coinciding or crossed corners,
// corners that are no position, landmarks far off or not finite, and after the list changes.
TEST(LandMarkList, CountInsideAgreesWithTestingEachLandmark)
{
    TLandMarkList List;
    std::mt19937 Gen(7);
    std::uniform_real_distribution<double> U(-10, 10);
    TLandMark L;
    auto Add = [&](double Lat, double Long, uint8_t Class = 0) {
        L.Latitude = Lat;
        L.Longitude = Long;
        L.ClassFlag = Class;
        List.AppendLandMark(L);
    };
    for (int i = -10; i <= 10; ++i)
        for (int j = -10; j <= 10; ++j) Add(i * 0.5, j * 0.5, uint8_t((i + j) & 3)); // on edges and corners
    for (int i = 0; i < 5000; ++i) Add(U(Gen), U(Gen), uint8_t(i & 3));
    for (int i = 0; i < 300; ++i) Add(1.25, 2.5); // one crowded spot
    for (double Odd : {double(NAN), double(INFINITY), -double(INFINITY), 1e300, -1e300}) {
        Add(Odd, 0);
        Add(0, Odd);
    }
    auto Quad = [](double a, double b, double c, double d, double e, double f, double g, double h) {
        return TCornerArray{TCoords{a, b}, TCoords{c, d}, TCoords{e, f}, TCoords{g, h}};
    };
    const std::vector<TCornerArray> Quads = {
        Quad(2, -3, -1.5, -3, -1.5, 4, 2, 4),          // upright box, corners on the lattice
        Quad(-1.5, -3, 2, -3, 2, 4, -1.5, 4),          // the same box the other way round
        Quad(5, 0, 0, -5, -5, 0, 0, 5),                // a diamond
        Quad(3, -3, -4, -2, 0, 0.5, -2, 6),            // not convex
        Quad(3, -3, -3, 3, 3, 3, -3, -3),              // edges that cross
        Quad(1, 1, 1, 1, 1, 1, 1, 1),                  // one point
        Quad(4, -2, -2, -2, -2, -2, 4, 6),             // two corners that coincide
        Quad(1.25 + 1e-9, 2.5, 1.25, 2.5 - 1e-9, 1.25 - 1e-9, 2.5, 1.25, 2.5 + 1e-9), // round the crowd
        Quad(1e6, -1e6, -1e6, -1e6, -1e6, 1e6, 1e6, 1e6), // everything finite but the far-off
        Quad(NAN, 0, -5, 0, -5, 5, 0, 5),
    };
    auto Expect = [&](const char* When) {
        for (std::size_t q = 0; q < Quads.size(); ++q) {
            std::size_t Want = 0, WantShown = 0, Shown = 0;
            for (const TLandMark& M : List.Items())
                if (List.GetClassVisibility(M.ClassFlag)) {
                    ++WantShown;
                    Want += PositionInMap(M.Latitude, M.Longitude, Quads[q]);
                }
            EXPECT_EQ(List.CountInside(Quads[q], Shown), Want) << When << ", quadrilateral " << q;
            EXPECT_EQ(Shown, WantShown) << When << ", quadrilateral " << q;
        }
    };
    Expect("first count");
    L = List[1];
    L.Latitude = 0.25;
    L.Longitude = 0.25;
    List.SetLandMarkData(1, L);
    Expect("after a change");
    List.SetClassVisibility(2, false);
    Expect("with a class hidden");
}

TEST(LandMarkList, CapacityGrowsInBlocksAndFallsBackWhenEmpty)
{
    TLandMarkList List;
    EXPECT_EQ(List.LandMarkCapacity(), 1000);
    for (int i = 0; i < 1000; ++i) List.AddLandMark(i, 0, 0);
    EXPECT_EQ(List.LandMarkCapacity(), 1000);
    List.AddLandMark(1000, 0, 0);
    EXPECT_EQ(List.LandMarkCapacity(), 2000);
    // Removing some keeps the capacity; emptying the list by any path gives 1000 back.
    EXPECT_EQ(List.RemoveLandMark(500, 0, -1, 10.5), 21);
    EXPECT_EQ(List.LandMarkCapacity(), 2000);
    EXPECT_EQ(List.RemoveLandMark(0, 0, -1, 1e6), 980);
    EXPECT_EQ(List.NumLandMarks(), 0);
    EXPECT_EQ(List.LandMarkCapacity(), 1000);

    for (int i = 0; i < 2001; ++i) List.AppendLandMark(TLandMark{});
    EXPECT_EQ(List.LandMarkCapacity(), 3000);
    List.RemoveAllLandMarks();
    EXPECT_EQ(List.LandMarkCapacity(), 1000);
}

TEST(LandMarkList, MarkedLandmarksAreFilledFromTheTop)
{
    TLandMarkList List;
    Fill(List, {0, 50, 10, 50, 20});
    EXPECT_EQ(List.RemoveLandMark(50, 0, -1, 1.0), 2);
    EXPECT_EQ(Tags(List), (std::vector<int>{1, 5, 3}));

    TLandMarkList More;
    Fill(More, {50, 0, 50, 0, 0, 50, 0, 50});
    EXPECT_EQ(More.RemoveLandMark(50, 0, -1, 1.0), 4);
    EXPECT_EQ(Tags(More), (std::vector<int>{7, 2, 5, 4}));
}

TEST(LandMarkList, FindTakesTheNearestOfTheClassAndTheLowerNumberOnTies)
{
    TLandMarkList List;
    Fill(List, {10, 12, 8, 30});
    TLandMark L = List[4];
    L.ClassFlag = 3;
    List.SetLandMarkData(4, L);
    EXPECT_EQ(List.FindLandMark(10, 0, -1), 1);
    EXPECT_EQ(List.FindLandMark(11, 0, 0), 1);   // 10 and 12 tie: the lower number
    EXPECT_EQ(List.FindLandMark(9, 0, 0), 1);    // 10 and 8 tie
    EXPECT_EQ(List.FindLandMark(29, 0, 300), 4); // 300 counts as any class
    EXPECT_EQ(List.FindLandMark(29, 0, -7), 4);
    EXPECT_EQ(List.FindLandMark(11, 0, 3), 4);   // only class 3, however far
    EXPECT_EQ(List.FindLandMark(11, 0, 4), 0);
    EXPECT_EQ(TLandMarkList().FindLandMark(0, 0, -1), 0);
}

TEST(LandMarkList, RadiusAndBoxLeaveLandmarksOnTheirEdge)
{
    TLandMarkList List;
    TLandMark L;
    const double Positions[][2] = {{3, 0}, {0, 3}, {2.9, 0}, {10, 20}, {10, 25}, {5, 22}, {9.99, 22}};
    for (const auto& P : Positions) {
        L.Latitude = P[0];
        L.Longitude = P[1];
        List.AppendLandMark(L);
    }
    EXPECT_EQ(List.RemoveLandMark(0, 0, -1, 3.0), 1); // (3, 0) and (0, 3) lie exactly on the circle
    EXPECT_EQ(List.NumLandMarks(), 6);
    // West 20, north 10, east 25, south 5: only (9.99, 22) lies strictly inside.
    EXPECT_EQ(List.RemoveLandMark(TRectDouble{20, 10, 25, 5}, -1), 1);
    EXPECT_EQ(List.NumLandMarks(), 5);
    for (const TLandMark& Kept : List.Items()) EXPECT_NE(Kept.Latitude, 9.99);
}

TEST(LandMarkList, TheCheckIsAskedForEveryLandmarkAndCanRefuseEach)
{
    TLandMarkList List;
    Fill(List, {1, 2, 3, 4});
    std::vector<std::pair<TLandMarkAction, int>> Asked;
    bool Allow = false;
    List.SetActionCheck([&](TLandMarkAction Action, const TLandMark& L) {
        Asked.emplace_back(Action, L.Tag);
        return Allow;
    });
    EXPECT_FALSE(List.AddLandMark(5, 0, 0));
    EXPECT_FALSE(List.AddLandMark(5, 0, 0, TLMIdentifier("x"), 1.0));
    EXPECT_FALSE(List.AddLandMark(5, 0, 0, std::string("c"), 8, clRed));
    EXPECT_FALSE(List.AddLandMark(5, 0, 0, TLMIdentifier("x"), 1.0, "c", 8, clRed));
    EXPECT_FALSE(List.AddLandMark(5, 0, 0, lmCircle, 1, TLMIdentifier("x"), 1.0, 9, clRed, clBlue, 4, true, 0, 0));
    EXPECT_EQ(List.RemoveLandMark(2), 0);
    EXPECT_EQ(List.RemoveLandMark(2.1, 0, -1), 0);
    EXPECT_EQ(List.RemoveLandMark(0, 0, -1, 100), 0);
    EXPECT_EQ(List.RemoveLandMark(TRectDouble{-1, 100, 1, -100}, -1), 0);
    EXPECT_FALSE(List.RemoveLastLandMark());
    EXPECT_EQ(List.RemoveAllLandMarks(uint8_t{0}), 0);
    EXPECT_EQ(Tags(List), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(Asked.size(), 5u + 1 + 1 + 4 + 4 + 1 + 4);
    EXPECT_EQ(Asked[5], std::make_pair(lmaRemove, 2));     // the stored record of the index form
    EXPECT_EQ(Asked.back(), std::make_pair(lmaRemove, 4)); // in increasing order

    // Refusing only some: the others go; the refused landmark stays where compaction puts it.
    List.SetActionCheck([](TLandMarkAction, const TLandMark& L) { return L.Tag != 3; });
    EXPECT_EQ(List.RemoveLandMark(0, 0, -1, 100), 3);
    EXPECT_EQ(Tags(List), (std::vector<int>{3}));
    List.RemoveAllLandMarks(); // does not ask
    EXPECT_EQ(List.NumLandMarks(), 0);
}

TEST(LandMarkList, RemovingByNumberMovesTheLastIntoTheGap)
{
    TLandMarkList List;
    Fill(List, {1, 2, 3, 4});
    EXPECT_EQ(List.RemoveLandMark(0), 0);
    EXPECT_EQ(List.RemoveLandMark(5), 0);
    EXPECT_EQ(List.RemoveLandMark(4), 4);
    EXPECT_EQ(Tags(List), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(List.RemoveLandMark(1), 1);
    EXPECT_EQ(Tags(List), (std::vector<int>{3, 2}));
    // The nearest form reports the number the landmark had.
    EXPECT_EQ(List.RemoveLandMark(2.2, 0, -1), 2);
    EXPECT_EQ(List.RemoveLandMark(2.2, 0, 9), 0);
    EXPECT_TRUE(List.RemoveLastLandMark());
    EXPECT_EQ(List.NumLandMarks(), 0);
    EXPECT_FALSE(List.RemoveLastLandMark());
    EXPECT_EQ(List.RemoveLandMark(0.0, 0.0, -1), 0);
}

TEST(LandMarkList, ClassRemovalKeepsOtherClasses)
{
    TLandMarkList List;
    Fill(List, {1, 2, 3, 4, 5});
    for (int i : {2, 5}) {
        TLandMark L = List[i];
        L.ClassFlag = 3;
        List.SetLandMarkData(i, L);
    }
    EXPECT_EQ(List.RemoveAllLandMarks(uint8_t{3}), 2);
    EXPECT_EQ(Tags(List), (std::vector<int>{1, 4, 3}));
    EXPECT_EQ(List.RemoveAllLandMarks(uint8_t{255}), 0);
}

TEST(LandMarkList, AddFormsTakeTheirFieldsAndTheRestFromTheTemplate)
{
    TLandMarkList List;
    TLandMark T = List.LandMarkDefault();
    EXPECT_EQ(T.SymbolProps.Kind, lmCross);
    EXPECT_EQ(T.SymbolProps.Size, 7);
    EXPECT_EQ(T.Caption.HAlignment, taCenter);
    T.Tag = 77;
    T.Caption.Text = "template";
    List.SetLandMarkDefault(T);

    const std::string Long100(100, 'x');
    List.AddLandMark(1, 2, 3, TLMIdentifier("id-1"), 45000.5, Long100, 12, clRed);
    const TLandMark A = List[1];
    EXPECT_EQ(A.Latitude, 1);
    EXPECT_EQ(A.Longitude, 2);
    EXPECT_EQ(A.Altitude, 3);
    EXPECT_EQ(A.Identifier.Str(), "id-1");
    EXPECT_EQ(A.Time, 45000.5);
    EXPECT_EQ(A.Caption.Text.Str(), std::string(80, 'x'));
    EXPECT_EQ(A.Caption.Size, 12);
    EXPECT_EQ(A.Caption.FGColor, clRed);
    EXPECT_EQ(A.Tag, 77);

    List.AddLandMark(4, 5, 6, lmArrowTo, 9, TLMIdentifier("id-2"), 1.25, 5, clLime, clNavy, 11, true, 45, 30);
    const TLandMark B = List[2];
    EXPECT_EQ(B.SymbolProps, (TSymbolProperties{lmArrowTo, 11, clLime, clNavy, true, 45, 30}));
    EXPECT_EQ(B.ClassFlag, 9);
    EXPECT_EQ(B.Tag, 5);
    EXPECT_EQ(B.Caption, T.Caption);

    EXPECT_EQ(List.GetLandMarkData(3), TLandMark{});
    EXPECT_EQ(List.GetLandMarkData(0), TLandMark{});
    EXPECT_FALSE(List.SetLandMarkData(3, B));
    EXPECT_THROW(List[3], std::out_of_range);
}

TEST(LandMarkList, AssignCopiesLandmarksTemplateAndVisibility)
{
    TLandMarkList Source;
    for (int i = 0; i < 1500; ++i) Source.AddLandMark(i, 0, 0);
    Source.SetClassVisibility(7, false);
    TLandMark T = Source.LandMarkDefault();
    T.Tag = 3;
    Source.SetLandMarkDefault(T);

    TLandMarkList Dest;
    int Asked = 0;
    Dest.SetActionCheck([&](TLandMarkAction, const TLandMark&) { return ++Asked > 0; });
    Dest.Assign(Source);
    EXPECT_EQ(Dest.Items(), Source.Items());
    EXPECT_EQ(Dest.LandMarkCapacity(), 2000);
    EXPECT_FALSE(Dest.GetClassVisibility(7));
    EXPECT_TRUE(Dest.GetClassVisibility(6));
    EXPECT_EQ(Dest.LandMarkDefault().Tag, 3);
    Dest.AddLandMark(0, 0, 0); // keeps its own check
    EXPECT_EQ(Asked, 1);
}

} // namespace
} // namespace tyx
