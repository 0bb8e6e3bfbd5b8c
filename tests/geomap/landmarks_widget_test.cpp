// The map control's side of the landmark operations: events, highlight and repaints.
#include "geomap/Tyx_geomap.h"
#include "geomap_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace tyx {
namespace {

using test::TCountingMap;

TEST(GeoMapLandMarks, EventsCarryTheControlAndTheRecord)
{
    TCountingMap M;
    std::vector<std::pair<TLandMarkAction, double>> Seen;
    M.OnLandMarkAction = [&](TObject* Sender, bool& Allowed, TLandMarkAction Action, const TLandMark& L) {
        EXPECT_EQ(Sender, &M);
        EXPECT_TRUE(Allowed);
        Seen.emplace_back(Action, L.Latitude);
        Allowed = L.Latitude != 3;
    };
    M.AddLandMark(1, 0, 0);
    M.AddLandMark(2, 0, 0, TLMIdentifier("a"), 0.0);
    M.AddLandMark(3, 0, 0, std::string("refused"), 8, clRed);
    EXPECT_EQ(M.NumLandMarks(), 2);
    EXPECT_EQ(M.Paints, 2); // a refused addition does not repaint
    EXPECT_EQ(M.RemoveLandMark(2), 2);
    EXPECT_EQ(Seen.back(), std::make_pair(lmaRemove, 2.0));
    M.RemoveAllLandMarks();
    EXPECT_EQ(Seen.size(), 4u); // the argument-less form asks nobody
}

TEST(GeoMapLandMarks, TheSignalFollowsOnlyAllowedActions)
{
    TCountingMap M;
    M.OnLandMarkAction = [](TObject*, bool& Allowed, TLandMarkAction, const TLandMark& L) { Allowed = L.Latitude != 2; };
    std::vector<std::pair<TLandMarkAction, double>> Signalled;
    QObject::connect(&M, &TGeoMap::landmarkAction, [&](TLandMarkAction Action, const TLandMark& L) {
        EXPECT_EQ(M.NumLandMarks(), Action == lmaAdd ? 0 : 1) << "raised before the change";
        Signalled.emplace_back(Action, L.Latitude);
    });
    M.AddLandMark(1, 0, 0);
    M.AddLandMark(2, 0, 0);
    M.RemoveLandMark(1);
    EXPECT_EQ(Signalled, (std::vector<std::pair<TLandMarkAction, double>>{{lmaAdd, 1.0}, {lmaRemove, 1.0}}));
}

TEST(GeoMapLandMarks, RemovalsClearTheHighlightExceptTheArgumentlessOne)
{
    TCountingMap M;
    for (int i = 0; i < 4; ++i) M.AddLandMark(i, 0, 0, TLandMarkElement(lmCross), uint8_t(i % 2 ? 3 : 1),
                                              TLMIdentifier(""), 0.0, 0, 0, 0, 5, false, 0, 0);
    M.SetHighLM(4);
    M.RemoveAllLandMarks(uint8_t{3});
    EXPECT_EQ(M.NumLandMarks(), 2);
    EXPECT_EQ(M.HighLightLandMark(), 0);

    M.SetHighLM(2);
    M.OnLandMarkAction = [](TObject*, bool& Allowed, TLandMarkAction, const TLandMark&) { Allowed = false; };
    EXPECT_EQ(M.RemoveLandMark(TRectDouble{-10, 10, 10, -10}, -1), 0);
    EXPECT_EQ(M.HighLightLandMark(), 0); // cleared even when every removal was refused
    EXPECT_EQ(M.NumLandMarks(), 2);

    M.SetHighLM(2);
    M.RemoveAllLandMarks();
    EXPECT_EQ(M.NumLandMarks(), 0);
    EXPECT_EQ(M.HighLightLandMark(), 2);
}

TEST(GeoMapLandMarks, AnEmptyListIsNotRepaintedExceptByRemoveLast)
{
    TCountingMap M;
    M.Paints = 0;
    EXPECT_EQ(M.RemoveLandMark(1), 0);
    EXPECT_EQ(M.RemoveLandMark(0.0, 0.0, -1), 0);
    EXPECT_EQ(M.RemoveLandMark(0.0, 0.0, -1, 5.0), 0);
    M.RemoveAllLandMarks(uint8_t{0});
    EXPECT_EQ(M.Paints, 0);
    M.RemoveLastLandMark();
    EXPECT_EQ(M.Paints, 1);
    M.SetClassVisibility(4, false);
    EXPECT_FALSE(M.GetClassVisibility(4));
    EXPECT_EQ(M.Paints, 2);
}

TEST(GeoMapLandMarks, FilesAreReadWithoutEventsAndRepaintedOnceOpened)
{
    const std::string Name = testing::TempDir() + "geomap_landmarks_widget.xml";
    TCountingMap M;
    M.AddLandMark(1, 2, 3, TLMIdentifier("one"), 0.0);
    M.AddLandMark(4, 5, 6);
    M.SaveLandmarks(Name, "Set");
    M.RemoveAllLandMarks();

    int Events = 0;
    M.OnLandMarkAction = [&](TObject*, bool& Allowed, TLandMarkAction, const TLandMark&) {
        ++Events;
        Allowed = false;
    };
    M.Paints = 0;
    EXPECT_FALSE(M.LoadLandMarks(Name + ".missing", ""));
    EXPECT_EQ(M.Paints, 0);
    EXPECT_FALSE(M.LoadLandMarks(Name, "other"));
    EXPECT_EQ(M.Paints, 1);
    ASSERT_TRUE(M.LoadLandMarks(Name, "set"));
    EXPECT_EQ(M.Paints, 2);
    EXPECT_EQ(Events, 0);
    ASSERT_EQ(M.NumLandMarks(), 2);
    EXPECT_EQ(M.GetLandMarkData(1).Identifier.Str(), "one");
    EXPECT_EQ(M.GetLandMarkData(2).Altitude, 6);
    std::remove(Name.c_str());
}

} // namespace
} // namespace tyx
