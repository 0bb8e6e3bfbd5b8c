// The map control's defaults, setter rules, copying and image resampling.
#include <gtest/gtest.h>

#include <QVariant>

#include <cmath>
#include <memory>
#include <utility>

#include "geomap/Tyx_geomap.h"
#include "geomap_test_util.h"

namespace tyx {
namespace {

using test::FillBitmap;
using test::TCountingMap;

TEST(GeoMapState, NewControlHasDocumentedDefaults)
{
    TGeoMap M;
    EXPECT_EQ(M.width(), 500);
    EXPECT_EQ(M.height(), 400);
    EXPECT_TRUE(M.GetAllowPan());
    EXPECT_EQ(M.MouseAction(), maPan);
    EXPECT_EQ(M.Magnification(), 1.0);
    EXPECT_EQ(M.CacheMagLimit(), 2.0 / 3.0);
    EXPECT_EQ(M.CalibModel(), cmUndefined);
    EXPECT_EQ(M.NumLandMarks(), 0);
    EXPECT_EQ(M.EmptyMsg(), "GeoMap: empty");
    EXPECT_EQ(M.ColorBackGnd(), clSilver);
    EXPECT_EQ(M.ColorGraticule(), clBlue);
    EXPECT_EQ(M.ColorCalibPoints(), clRed);
    EXPECT_EQ(M.ColorFrame(), clBlack);
    EXPECT_EQ(M.FrameStyle(), frsSingle);
    EXPECT_EQ(M.ShowGraticule(), sgNone);
    EXPECT_TRUE(M.AntiAlias());
    EXPECT_TRUE(M.ConfinePanToMapImage());
    EXPECT_FALSE(M.SuppressPaint());
    EXPECT_EQ(M.TopLeft(), (TPoint{0, 0}));
    EXPECT_EQ(M.LMRandomDisplayThreshold(), 20000);
    EXPECT_EQ(M.HighLightLandMark(), 0);
    EXPECT_EQ(M.HighLightColorFG(), clBlue);
    EXPECT_EQ(M.HighLightColorBG(), clYellow);
    EXPECT_FALSE(M.HighLightTransparent());
    EXPECT_EQ(M.GetUTMZone(), 0);
    EXPECT_EQ(M.GetUTMHemisphere(), hemiNorth);
    EXPECT_TRUE(M.MapImgFile().empty());
    EXPECT_EQ(M.MapImgWidth(), 0);
    EXPECT_EQ(M.ZoomState(), zsIdle);
    for (int c = 0; c < 256; ++c) EXPECT_TRUE(M.GetClassVisibility(static_cast<uint8_t>(c)));
    EXPECT_EQ(M.CalibData(), TCalibData{});

    const TLandMark& D = M.LandMarkDefault();
    EXPECT_EQ(D.SymbolProps.Kind, lmCross);
    EXPECT_EQ(D.SymbolProps.Size, 7);
    EXPECT_EQ(D.SymbolProps.Length, 10);
    EXPECT_EQ(D.Caption.FontName, "MS Sans Serif");
    EXPECT_EQ(D.Caption.dy, 8);
    EXPECT_EQ(D.Caption.HAlignment, taCenter);
    EXPECT_TRUE(D.Caption.Transparent);

    // The constructor saved the initial view as the only history entry.
    EXPECT_EQ(M.GetZoomStackEntry(0), (TgmZoomStackEntry{0, 0, 1.0}));
    EXPECT_EQ(M.GetZoomStackEntry(-1), TgmZoomStackEntry{});
}

TEST(GeoMapState, PublishedPropertiesAreQtProperties)
{
    TGeoMap M;
    EXPECT_TRUE(M.setProperty("GratLineDist", 75.0));
    EXPECT_EQ(M.GratLineDist(), 60.0);
    EXPECT_TRUE(M.setProperty("AllowPan", false));
    EXPECT_EQ(M.MouseAction(), maNone);
    EXPECT_EQ(M.property("EmptyMsg").value<std::string>(), "GeoMap: empty");
    EXPECT_EQ(M.property("ShowGraticule").value<TShowGrat>(), sgNone);
    EXPECT_TRUE(M.setProperty("ColorBackGnd", QVariant::fromValue<uint32_t>(clRed)));
    EXPECT_EQ(M.ColorBackGnd(), clRed);
    EXPECT_TRUE(M.setProperty("CalibModel", QVariant::fromValue(cmEquiRect)));
    EXPECT_EQ(M.CalibModel(), cmEquiRect);
    M.SetName("Map1");
    EXPECT_EQ(M.objectName(), QString("Map1"));
}

TEST(GeoMapState, ClampsAndThresholds)
{
    TGeoMap M;
    M.SetGratLineDist(75);
    EXPECT_EQ(M.GratLineDist(), 60);
    M.SetGratLineDist(-1);
    EXPECT_EQ(M.GratLineDist(), 0);
    M.SetGratLineDist(2.5);
    EXPECT_EQ(M.GratLineDist(), 2.5);
    M.SetUTMGridDist(20000000);
    EXPECT_EQ(M.UTMGridDist(), 10000000);
    M.SetUTMGridDist(-5);
    EXPECT_EQ(M.UTMGridDist(), 0);
    // A pixel ratio is taken from 1 to 8; anything else follows the screen again (0).
    for (const auto& [Value, Stored] : {std::pair{1.5, 1.5}, {8.0, 8.0}, {9.0, 0.0}, {0.5, 0.0}, {NAN, 0.0}}) {
        M.SetPixelRatio(2);
        M.SetPixelRatio(Value);
        EXPECT_EQ(M.PixelRatio(), Stored) << Value;
    }
    EXPECT_EQ(M.DrawingRatio(), 1); // HighDpi is off

    M.SetRandSampleLimit(1000);
    EXPECT_EQ(M.LMRandomDisplayThreshold(), 20000);
    M.SetRandSampleLimit(1001);
    EXPECT_EQ(M.LMRandomDisplayThreshold(), 1001);

    M.SetCacheMagLimit(0.9);
    EXPECT_EQ(M.CacheMagLimit(), 2.0 / 3.0);
    M.SetCacheMagLimit(-0.1);
    EXPECT_EQ(M.CacheMagLimit(), 0.0);

    M.SetUTMZone(33);
    M.SetUTMZone(61);
    EXPECT_EQ(M.GetUTMZone(), 33);
    M.SetUTMZone(0);
    EXPECT_EQ(M.GetUTMZone(), 33);
    M.SetUTMHemisphere(hemiSouth);
    EXPECT_TRUE(M.CalibData().UTMSouth);

    // A view scale must stay positive: nonsense is refused.
    M.SetMagnification(0);
    M.SetMagnification(-2);
    EXPECT_EQ(M.Magnification(), 1.0);
    M.SetMagnification(2.5);
    EXPECT_EQ(M.Magnification(), 2.5);

    M.SetAllowPan(false);
    EXPECT_EQ(M.MouseAction(), maNone);
    M.SetMouseAction(maZoomWindow);
    EXPECT_FALSE(M.GetAllowPan());
    M.SetAllowPan(true);
    EXPECT_EQ(M.MouseAction(), maPan);
}

TEST(GeoMapState, HighlightIndexOutsideTheLandmarksBecomesZero)
{
    TCountingMap M;
    M.AddLandMark(1, 2, 0);
    M.AddLandMark(3, 4, 0);
    M.SetHighLM(2);
    EXPECT_EQ(M.HighLightLandMark(), 2);
    M.SetHighLM(M.NumLandMarks() + 1);
    EXPECT_EQ(M.HighLightLandMark(), 0);
    M.SetHighLM(-1);
    const int Before = M.Paints;
    M.SetHighLM(0); // unchanged: no repaint
    EXPECT_EQ(M.Paints, Before);
}

TEST(GeoMapState, SettersRepaintAsDocumented)
{
    TCountingMap M;
    M.SetCacheMagLimit(0.9); // magnification 1 is not below 2/3
    EXPECT_EQ(M.Paints, 0);
    M.SetMagnification(0.5);
    M.Paints = 0;
    M.SetCacheMagLimit(0.9);
    EXPECT_EQ(M.Paints, 1);

    M.Paints = 0;
    M.SetSuppressPaint(true);
    M.SetSuppressPaint(true);
    EXPECT_EQ(M.Paints, 0);
    M.SetSuppressPaint(false);
    EXPECT_EQ(M.Paints, 1);

    M.Paints = 0;
    M.SetFrameStyle(frsSingle); // unchanged
    M.SetShowGrat(sgNone);      // unchanged
    M.SetAllowPan(false);
    M.SetMapCaption("x");
    M.SetUTMZone(5);
    M.SetConfinePan(true);
    EXPECT_EQ(M.Paints, 0);
    M.SetFrameStyle(frsRaised);
    M.SetShowGrat(sgLines);
    M.SetTopLeft({3, 4});
    M.SetColorBakGnd(clWhite);
    M.SetHighLightProperties(clRed, clGreen, true);
    EXPECT_EQ(M.Paints, 5);
    EXPECT_EQ(M.HighLightColorBG(), clGreen);
    EXPECT_TRUE(M.HighLightTransparent());
}

TEST(GeoMapState, ConfiningThePanPullsTheViewIntoTheImage)
{
    TGeoMap M;
    TBitmap Img;
    FillBitmap(Img, 1000, 800, clWhite);
    M.SetMapBitMap(Img);
    M.SetConfinePan(false);
    M.SetTopLeft({900, -20});
    EXPECT_EQ(M.TopLeft(), (TPoint{900, -20})); // TopLeft itself is not clamped
    M.SetConfinePan(true);
    EXPECT_EQ(M.TopLeft(), (TPoint{500, 0}));   // 1000 - 500 / 1
    M.SetMagnification(0.25);                   // view wider than the image
    M.SetConfinePan(true);
    EXPECT_EQ(M.TopLeft(), (TPoint{0, 0}));
}

TEST(GeoMapState, LandMarksComeFromTheTemplateAndCanBeVetoed)
{
    TGeoMap M;
    TLandMark T = M.LandMarkDefault();
    T.ClassFlag = 7;
    T.Caption.Text = "Wien";
    M.SetLandMarkDefault(T);
    M.AddLandMark(48.2, 16.37, 170);
    ASSERT_EQ(M.NumLandMarks(), 1);
    const TLandMark L = M.GetLandMarkData(1);
    EXPECT_EQ(L.Latitude, 48.2);
    EXPECT_EQ(L.Altitude, 170);
    EXPECT_EQ(L.ClassFlag, 7);
    EXPECT_EQ(L.Caption.Text.Str(), "Wien");

    int Asked = 0;
    M.OnLandMarkAction = [&](TObject* Sender, bool& Allowed, TLandMarkAction Action, const TLandMark& Data) {
        EXPECT_EQ(Sender, &M);
        EXPECT_EQ(Action, lmaAdd);
        EXPECT_EQ(Data.Latitude, 1.0);
        ++Asked;
        Allowed = false;
    };
    M.AddLandMark(1, 2, 3);
    EXPECT_EQ(Asked, 1);
    EXPECT_EQ(M.NumLandMarks(), 1);

    M.SetLandMarkData(5, L); // out of range: ignored
    EXPECT_EQ(M.NumLandMarks(), 1);
}

TEST(GeoMapState, ErrorsCarryTheComponentName)
{
    TGeoMap M;
    M.SetName("GeoMap1");
    TBitmap Huge;
    Huge.SetSize(2000, 1501);
    try {
        M.SetMapBitMap(Huge);
        FAIL() << "no error";
    } catch (const ETYXGeoMapError& E) {
        EXPECT_STREQ(E.what(), "Component \"GeoMap1\": Cannot use map image, maximum of 3000000 pixels exceeded "
                               "(size of map is 2000 x 1501)");
    }
    EXPECT_TRUE(M.MapImgFile().empty());
    EXPECT_EQ(M.MapImgWidth(), 0);
    try {
        M.AddCalibPoint(10.0, 20.0, 1, 2);
        FAIL() << "no error";
    } catch (const ETYXGeoMapError& E) {
        EXPECT_STREQ(E.what(), "Component \"GeoMap1\": current calibration model does not support this version "
                               "of AddCalibPoint");
    }
}

// A calibrated map with an image, landmarks, handlers and a non-default view.
void MakeSourceMap(TGeoMap& S, int& EventCalls)
{
    S.SetName("Source");
    TBitmap Img;
    FillBitmap(Img, 300, 200, clRed);
    S.SetMapBitMap(Img);
    S.SetCalibModel(cmEquiRect);
    S.AddCalibPoint(10.0, 20.0, 0, 0);
    S.AddCalibPoint(10.0, 21.0, 100, 0);
    S.AddCalibPoint(9.0, 20.0, 0, 100);
    for (int i = 0; i < 3; ++i) S.AddLandMark(i, i * 2, 0);
    S.SetClassVisibility(4, false);
    S.SetColorBakGnd(clAqua);
    S.SetMagnification(2);
    S.SetTopLeft({7, 9});
    S.ZoomStateOnStack();
    S.SetMapCaption("Source map");
    S.OnZoomPan = [&](TObject*) { ++EventCalls; };
    S.OnLandMarkAction = [&](TObject*, bool&, TLandMarkAction, const TLandMark&) { ++EventCalls; };
}

TEST(GeoMapState, AssignCopiesStateButNotEventsOrIdentity)
{
    int EventCalls = 0;
    TGeoMap S;
    MakeSourceMap(S, EventCalls);
    S.SetPixelRatio(3);
    S.SetHighDpi(true);
    TCountingMap D;
    D.SetName("Dest");
    D.resize(200, 100);
    D.Paints = 0;
    D.Assign(S);

    EXPECT_EQ(D.Paints, 0); // neither recomputes nor repaints
    EXPECT_EQ(D.Name(), "Dest");
    EXPECT_EQ(D.width(), 200);
    EXPECT_EQ(D.CalibModel(), cmEquiRect);
    EXPECT_EQ(D.CalibData(), S.CalibData());
    EXPECT_EQ(D.GetMapCaption(), "Source map");
    ASSERT_EQ(D.NumLandMarks(), 3);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(D.GetLandMarkData(i), S.GetLandMarkData(i));
    EXPECT_FALSE(D.GetClassVisibility(4));
    EXPECT_EQ(D.MapImgFile(), "$unknown$");
    EXPECT_EQ(D.MapImgWidth(), 300);
    EXPECT_EQ(D.MapBitmap().Width(), 300);
    EXPECT_EQ(D.MapBitmap().Canvas().Pixels(150, 100), clRed);
    EXPECT_EQ(D.ColorBackGnd(), clAqua);
    EXPECT_EQ(D.Magnification(), 2);
    EXPECT_EQ(D.TopLeft(), (TPoint{7, 9}));
    EXPECT_EQ(D.GetZoomStackEntry(0), (TgmZoomStackEntry{7, 9, 2}));
    EXPECT_TRUE(D.HighDpi());
    EXPECT_EQ(D.PixelRatio(), 3);

    // The fitted coefficients come along: the copy converts without a refit.
    bool Valid = false;
    EXPECT_NEAR(D.CalcLatitude(50, 50, Valid), 9.5, 1e-9);
    EXPECT_TRUE(Valid);

    EXPECT_FALSE(D.OnZoomPan);
    EXPECT_FALSE(D.OnLandMarkAction);
    D.AddLandMark(0, 0, 0);
    D.DoZoomPanEvent();
    EXPECT_EQ(EventCalls, 0);

    // Errors of the copy still name the copy.
    D.SetCalibModel(cmUndefined);
    try {
        D.AddCalibPoint(1.0, 2.0, 3, 4);
        FAIL() << "no error";
    } catch (const ETYXGeoMapError& E) {
        EXPECT_NE(std::string(E.what()).find("\"Dest\""), std::string::npos);
    }

    // AssignTo goes the other way round.
    TGeoMap E;
    S.AssignTo(E);
    EXPECT_EQ(E.NumLandMarks(), 3);
}

// A map control that counts its destructions.
class TCountedMap : public TGeoMap {
public:
    TCountedMap(QWidget* Parent, TComponent* AOwner, int& Destroyed) : TGeoMap(Parent, AOwner), FDestroyed(Destroyed)
    {
    }
    ~TCountedMap() override { ++FDestroyed; }

private:
    int& FDestroyed;
};

TEST(GeoMapState, AParentedAndOwnedControlIsReleasedOnce)
{
    // Qt parent and component owner apart, each destroyed first.
    for (const bool OwnerFirst : {true, false}) {
        SCOPED_TRACE(OwnerFirst);
        int Destroyed = 0;
        auto Parent = std::make_unique<QWidget>();
        auto Owner = std::make_unique<TComponent>();
        auto* M = new TCountedMap(Parent.get(), Owner.get(), Destroyed);
        EXPECT_EQ(M->Owner(), Owner.get());
        if (OwnerFirst) {
            Owner.reset();
            EXPECT_TRUE(Parent->children().isEmpty());
        } else {
            Parent.reset();
            EXPECT_EQ(Owner->ComponentCount(), 0);
        }
        EXPECT_EQ(Destroyed, 1);
        Parent.reset();
        Owner.reset();
        EXPECT_EQ(Destroyed, 1);
    }
    // A container that is parent and owner of its map; a panel it owns, holding a control the
    // container owns; and a control owned by the panel but parented by the map.
    int Destroyed = 0;
    auto* Outer = new TCountedMap(nullptr, nullptr, Destroyed);
    auto* Inner = new TCountedMap(Outer, Outer, Destroyed);
    auto* Panel = new TCountedMap(Outer, Outer, Destroyed);
    new TCountedMap(Panel, Outer, Destroyed);
    new TCountedMap(Inner, Panel, Destroyed);
    EXPECT_EQ(Outer->ComponentCount(), 3);
    delete Outer;
    EXPECT_EQ(Destroyed, 5);
}

TEST(GeoMapState, ResizeMapScalesImageAndCalibration)
{
    TGeoMap M;
    TBitmap Img;
    FillBitmap(Img, 1000, 800, clBlue);
    M.SetMapBitMap(Img);
    M.SetCalibModel(cmEquiRect);
    M.AddCalibPoint(10.0, 20.0, 0, 0);
    M.AddCalibPoint(10.0, 21.0, 1000, 0);
    M.AddCalibPoint(8.0, 20.0, 0, 800);
    M.AddCalibPoint(10 - 2 * 5 / 800.0, 20 + 3 / 1000.0, 3, 5); // halves go to even: (2, 2)
    M.SetTopLeft({40, 30});

    M.ResizeMap(0.5);
    EXPECT_EQ(M.MapImgWidth(), 500);
    EXPECT_EQ(M.MapImgHeight(), 400);
    EXPECT_EQ(M.MapBitmap().Width(), 500);
    EXPECT_EQ(M.MapBitmap().Canvas().Pixels(250, 200), clBlue);
    EXPECT_EQ(M.TopLeft(), (TPoint{0, 0}));
    EXPECT_EQ(M.CalibData().CalQuads[2].MapX, 500);
    EXPECT_EQ(M.CalibData().CalQuads[3].MapY, 400);
    EXPECT_EQ(M.CalibData().CalQuads[4].MapX, 2);
    EXPECT_EQ(M.CalibData().CalQuads[4].MapY, 2);

    // Recalibrated on the new pixels, and the corners are those of the new image.
    int x = 0, y = 0;
    ASSERT_TRUE(M.CalcPixelCoords(9.0, 20.5, x, y));
    EXPECT_EQ(x, 250);
    EXPECT_EQ(y, 200);
    EXPECT_NEAR(M.CalibData().Corners[gcoBottomRight].Latit, 8.0, 0.01);
    EXPECT_NEAR(M.CalibData().Corners[gcoBottomRight].Longit, 21.0, 0.01);

    M.ResizeMap(1000); // longer edge (the width) to 1000 pixels
    EXPECT_EQ(M.MapImgWidth(), 1000);
    EXPECT_EQ(M.MapImgHeight(), 800);
}

TEST(GeoMapState, ResizeMapRefusesWhatCannotWork)
{
    TGeoMap M;
    M.ResizeMap(500); // no image: nothing to scale
    EXPECT_EQ(M.MapImgWidth(), 0);

    TBitmap Img;
    FillBitmap(Img, 200, 100, clWhite);
    M.SetMapBitMap(Img);
    M.ResizeMap(0.0);
    M.ResizeMap(-1.0);
    M.ResizeMap(0);
    EXPECT_EQ(M.MapImgWidth(), 200);
    EXPECT_THROW(M.ResizeMap(200.0), ETYXGeoMapError); // 40000 x 20000 pixels
    EXPECT_EQ(M.MapImgWidth(), 200);
    EXPECT_EQ(M.MapBitmap().Width(), 200);
}

TEST(GeoMapState, ZoomHistoryIsARingOfSixteen)
{
    TGeoMap M;
    // The constructor's save is the first; 20 more leave the last 16 of the 21.
    for (int i = 1; i <= 20; ++i) {
        M.SetTopLeft({i, 0});
        M.ZoomStateOnStack();
    }
    EXPECT_EQ(M.GetZoomStackEntry(0).Left, 20);
    EXPECT_EQ(M.GetZoomStackEntry(-15).Left, 5);
    EXPECT_EQ(M.GetZoomStackEntry(1), TgmZoomStackEntry{});
    EXPECT_EQ(M.GetZoomStackEntry(-16), TgmZoomStackEntry{});
    M.ClearZoomHistory();
    EXPECT_EQ(M.GetZoomStackEntry(0).Left, 20);
    EXPECT_EQ(M.GetZoomStackEntry(-1), TgmZoomStackEntry{});
}

} // namespace
} // namespace tyx
