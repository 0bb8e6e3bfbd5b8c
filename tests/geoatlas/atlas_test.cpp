// The atlas: its list of maps, switching maps by resolution, the outlines of the other maps, image
// names, the tool buttons and mouse forwarding, and what the panel looks like.
#include "atlas_test_util.h"
#include "tests/geomap/geomap_test_util.h"

#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QToolButton>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

using namespace tyx;
using tyx::test::AtlasTest;
using tyx::test::TBox;

namespace {

constexpr TBox Wide{46, 10, 49, 13};   // 100 image pixels per degree on a 300 x 300 image
constexpr TBox Inner{47, 11, 48, 12};  // in Wide's image: x and y 100 to 200

void SendMouse(QWidget* W, QEvent::Type Type, Qt::MouseButton Button, QPoint At, Qt::MouseButtons Held)
{
    QMouseEvent E(Type, QPointF(At), W->mapToGlobal(QPointF(At)), Button, Held, Qt::NoModifier);
    QApplication::sendEvent(W, &E);
}

void Click(QWidget* W, Qt::MouseButton Button, QPoint At)
{
    SendMouse(W, QEvent::MouseButtonPress, Button, At, Button);
    SendMouse(W, QEvent::MouseButtonRelease, Button, At, Qt::NoButton);
}

std::string Shown(const TGeoAtlas& A)
{
    return A.CurrentMap()->CalibData().Caption;
}

} // namespace

TEST_F(AtlasTest, StartsEmptyInPointerMode)
{
    TGeoAtlas A;
    EXPECT_EQ(A.geometry(), QRect(100, 50, 480, 320));
    EXPECT_EQ(A.NumRegMaps(), 0);
    EXPECT_EQ(A.MinResDiff(), 10.0);
    EXPECT_EQ(A.MapOutlineColor(), clBlue);
    EXPECT_TRUE(A.MapOutlineVisible());
    EXPECT_TRUE(A.CmdPanelVisible());
    EXPECT_TRUE(A.PointerButton()->isChecked());
    EXPECT_FALSE(A.ZoomButton()->isChecked());
    EXPECT_TRUE(A.CurrentMap()->GetAllowPan());
    EXPECT_EQ(A.CmdPanel()->height(), 33);
    EXPECT_EQ(A.MapSelector()->geometry().topLeft(), QPoint(68, 5));
    EXPECT_EQ(A.MapSelector()->width(), 300);
    // The map fills the client area below the bar.
    EXPECT_EQ(A.CurrentMap()->geometry(), QRect(1, 34, 478, 285));
    EXPECT_TRUE(Screen().HasCursor(crGeoZoom));
    EXPECT_TRUE(Screen().HasCursor(crGeoHand));
    EXPECT_EQ(Screen().Cursors(crGeoZoom).hotSpot(), QPoint(6, 6));
    EXPECT_EQ(Screen().Cursors(crGeoZoom).pixmap().size(), QSize(32, 32));
    EXPECT_EQ(A.CurrentMap()->EmptyMsg(), "TGeoAtlas: Empty");
    // A host's own message outlives the atlas being polished and shown.
    A.CurrentMap()->SetEmptyMsg("No map yet");
    A.ensurePolished();
    A.grab();
    EXPECT_EQ(A.CurrentMap()->EmptyMsg(), "No map yet");

    A.SetCmdPanelVisible(false);
    EXPECT_FALSE(A.CmdPanelVisible());
    EXPECT_EQ(A.CurrentMap()->geometry(), QRect(1, 1, 478, 318));
}

TEST_F(AtlasTest, ItsParentDestroysItWithAMapShown)
{
    auto* Parent = new QWidget;
    auto* A = new TGeoAtlas(Parent);
    A->RegisterMap(WriteMap("wide.xml", Wide, 100, "wide", "wide.bmp"));
    ASSERT_TRUE(A->SelectMap(1));
    int Clicks = 0;
    A->OnClick = [&Clicks](TObject*) { ++Clicks; };
    Parent->show();
    delete Parent; // the sanitizer build checks that every part goes exactly once
    EXPECT_EQ(Clicks, 0);
}

TEST_F(AtlasTest, ZoomChoosesTheNextMapByResolution)
{
    TGeoAtlas A;
    for (double Res : {100.0, 50.0, 20.0, 5.0})
        ASSERT_TRUE(A.RegisterMap(WriteMap(std::string("m") + std::to_string(int(Res)) + ".xml", Wide, Res, std::to_string(int(Res)))));
    const struct {
        bool In;
        double Lat, Long, From;
        const char* Expected; // nullptr: nothing found
    } Cases[] = {
        {true, 47.5, 11.5, 100, "50"}, {true, 47.5, 11.5, 50, "20"},   {false, 47.5, 11.5, 20, "50"},
        {true, 47.5, 11.5, 5, nullptr}, {false, 47.5, 11.5, 100, nullptr}, {true, 47.5, 11.5, 0, nullptr},
        {true, 47.5, 11.5, -50, nullptr}, {true, 40.0, 11.5, 100, nullptr}, // outside every map
        {true, 47.5, 11.5, 11.2, "5"},   // 20 is coarser, 5 is 55 % finer
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE((C.In ? "in from " : "out from ") + std::to_string(C.From));
        ASSERT_TRUE(A.SelectMap(4));
        const bool Found = C.In ? A.ZoomIn(C.Lat, C.Long, C.From) : A.ZoomOut(C.Lat, C.Long, C.From);
        EXPECT_EQ(Found, C.Expected != nullptr);
        EXPECT_EQ(Shown(A), C.Expected ? C.Expected : "5"); // nothing found changes nothing
    }

    // 95 is only 5 % finer than 100; equal resolutions go to the lower number.
    TGeoAtlas B;
    B.RegisterMap(WriteMap("a.xml", Wide, 100, "a"));
    B.RegisterMap(WriteMap("b.xml", Wide, 95, "b"));
    EXPECT_FALSE(B.ZoomIn(47.5, 11.5, 100));
    B.RegisterMap(WriteMap("c.xml", Wide, 80, "c"));
    B.RegisterMap(WriteMap("d.xml", Wide, 80, "d"));
    EXPECT_TRUE(B.ZoomIn(47.5, 11.5, 100));
    EXPECT_EQ(Shown(B), "c");
    B.SetMinResDiff(3);
    EXPECT_TRUE(B.ZoomIn(47.5, 11.5, 100));
    EXPECT_EQ(Shown(B), "b");
}

TEST_F(AtlasTest, NamesAreComparedInLowerCaseButFilesReadAsSpelled)
{
    TGeoAtlas A;
    const std::string File = WriteMap("Maps Dir/Alps.XML", Wide, 100, "First", "Alps.BMP");
    ASSERT_TRUE(A.RegisterMap(File));
    WriteMap("Maps Dir/Alps.XML", Wide, 80, "Second", "Alps.BMP");
    std::string Upper = File;
    for (char& c : Upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ASSERT_TRUE(A.RegisterMap(Upper)); // same file in another case: refreshed, not added
    ASSERT_EQ(A.NumRegMaps(), 1);
    const TMapDefinition M = A.Maps(1);
    EXPECT_EQ(M.MapFName, QString::fromStdString(File).toLower().toStdString());
    EXPECT_EQ(M.Caption, "Second");
    EXPECT_EQ(M.Resolution, 80);
    EXPECT_EQ(M.Corners[gcoBottomRight], (TCoords{46, 13}));
    EXPECT_EQ(A.MapSelector()->count(), 1);
    EXPECT_EQ(A.MapSelector()->currentIndex(), -1);

    // The lower-cased names exist nowhere on the disk; the map still loads with its image.
    ASSERT_TRUE(A.SelectMap(1));
    EXPECT_EQ(A.CurrentMap()->MapImgWidth(), 300);
    EXPECT_EQ(A.MapSelector()->currentIndex(), 0);

    // Letters beyond ASCII fold alike for the list and for the files on the disk.
    WriteMap("ÜBERSICHT.xml", Wide, 100, "Overview", "ÄRA.bmp");
    std::filesystem::rename(FDir / "ÄRA.bmp", FDir / "äRA.BMP");
    ASSERT_TRUE(A.RegisterMap(Path("übersicht.xml")));
    ASSERT_TRUE(A.RegisterMap(Path("ÜBERSICHT.XML"))); // the same map
    ASSERT_EQ(A.NumRegMaps(), 2);
    EXPECT_EQ(A.Maps(2).MapFName, QString::fromStdString(Path("übersicht.xml")).toLower().toStdString());
    ASSERT_TRUE(A.SelectMap(2));
    EXPECT_EQ(A.CurrentMap()->MapImgWidth(), 300);

    EXPECT_FALSE(A.RegisterMap(Path("missing.xml")));
    EXPECT_EQ(A.NumRegMaps(), 2);
    EXPECT_EQ(A.GetMapDef(0), TMapDefinition{});
    EXPECT_EQ(A.GetMapDef(201), TMapDefinition{});
}

TEST_F(AtlasTest, EmptyCaptionIsListedUnderTheLowerCasedName)
{
    TGeoAtlas A;
    A.RegisterMap(WriteMap("Named.xml", Wide, 100, "Named map"));
    const std::string File = WriteMap("NoCaption.xml", Wide, 100, "");
    A.RegisterMap(File);
    EXPECT_EQ(A.MapSelector()->itemText(0).toStdString(), "Named map");
    EXPECT_EQ(A.MapSelector()->itemText(1).toStdString(), QString::fromStdString(File).toLower().toStdString());
}

TEST_F(AtlasTest, TheListHoldsTwoHundredMaps)
{
    TGeoAtlas A;
    for (int k = 1; k <= TGeoAtlas::MaxMaps; ++k) {
        std::string Name = "m";
        Name += std::to_string(k);
        Name += ".xml";
        ASSERT_TRUE(A.RegisterMap(WriteMap(Name, Wide, k, "")));
    }
    const std::string Extra = WriteMap("extra.xml", Wide, 1000, "");
    EXPECT_FALSE(A.RegisterMap(Extra));
    EXPECT_EQ(A.NumRegMaps(), TGeoAtlas::MaxMaps);
    EXPECT_EQ(A.MapSelector()->count(), TGeoAtlas::MaxMaps);
    EXPECT_EQ(A.Maps(200).Resolution, 200);
    // A full list still refreshes a map it holds.
    WriteMap("m7.xml", Wide, 7.5, "");
    EXPECT_TRUE(A.RegisterMap(Path("m7.xml")));
    EXPECT_EQ(A.Maps(7).Resolution, 7.5);
}

TEST_F(AtlasTest, UnregisteringTheSelectedMapSelectsTheNextOne)
{
    TGeoAtlas A;
    for (const char* Name : {"a", "b", "c", "d"})
        A.RegisterMap(WriteMap(std::string(Name) + ".xml", Wide, 100, Name));
    ASSERT_TRUE(A.SelectMap(2));
    A.UnregisterMap(2);
    EXPECT_EQ(A.NumRegMaps(), 3);
    EXPECT_EQ(Shown(A), "c");
    EXPECT_EQ(A.MapSelector()->currentIndex(), 1);
    EXPECT_EQ(A.Maps(4).Caption, "d"); // the last place keeps what moved down from it

    A.UnregisterMap(1); // another map: the view stays, the selector loses its selection
    EXPECT_EQ(Shown(A), "c");
    EXPECT_EQ(A.CurrentMapIndex(), 1);
    EXPECT_EQ(A.MapSelector()->currentIndex(), -1);
    EXPECT_EQ(A.Maps(1).Caption, "c");

    A.UnregisterMap(0);
    A.UnregisterMap(3);
    EXPECT_EQ(A.NumRegMaps(), 2);
    ASSERT_TRUE(A.SelectMap(2));
    A.UnregisterMap(2); // the last one: nothing moves into its place
    EXPECT_EQ(A.NumRegMaps(), 1);
    EXPECT_FALSE(A.SelectMap(2));
}

TEST_F(AtlasTest, OutlinesShowTheOtherMaps)
{
    TGeoAtlas A;
    A.SetMapOutlineColor(clRed);
    A.RegisterMap(WriteMap("wide.xml", Wide, 100, "wide", "wide.bmp"));
    A.RegisterMap(WriteMap("inner.xml", Inner, 50, "inner"));
    ASSERT_TRUE(A.SelectMap(1));
    auto At = [&A](int X, int Y) { return test::PixelOf(A.CurrentMap()->Picture(), X, Y); };
    // Inner's box on Wide's image: x and y from 100 to 200.
    for (const QPoint P : {QPoint(150, 100), QPoint(100, 150), QPoint(150, 200), QPoint(200, 150)})
        EXPECT_EQ(At(P.x(), P.y()), clRed) << P.x() << "," << P.y();
    EXPECT_EQ(At(150, 150), clWhite);
    EXPECT_NE(At(300, 150), clRed); // the map shown has no outline of its own

    // A refilled selector shows no selection: every map is outlined, the shown one too.
    A.RegisterMap(WriteMap("far.xml", TBox{10, 10, 11, 11}, 10, "far"));
    A.CurrentMap()->Paint();
    EXPECT_EQ(At(300, 150), clRed);
    EXPECT_EQ(At(150, 100), clRed);

    A.SetMapOutlineVisible(false);
    EXPECT_EQ(At(150, 100), clWhite);
}

TEST_F(AtlasTest, ImagesAreFoundBesideTheirCalibrationFile)
{
    const std::string File = WriteMap("maps/Town.xml", Inner, 20, "town", "Town Image.BMP", 120, 80);
    const auto Cwd = std::filesystem::current_path();
    std::filesystem::create_directories(FDir / "elsewhere");
    std::filesystem::current_path(FDir / "elsewhere");
    TGeoAtlas A;
    // No map selected yet: the name is left as it is.
    A.CurrentMap()->SetMapImgName("Town Image.BMP");
    EXPECT_EQ(A.CurrentMap()->MapImgWidth(), 0);
    const bool Registered = A.RegisterMap(File);
    const bool Selected = A.SelectMap(1);
    std::filesystem::current_path(Cwd);
    ASSERT_TRUE(Registered);
    ASSERT_TRUE(Selected);
    EXPECT_EQ(A.CurrentMap()->MapImgWidth(), 120);
    EXPECT_EQ(A.CurrentMap()->MapImgHeight(), 80);
    // Once the image is gone the map is no longer selected.
    std::filesystem::remove(FDir / "maps" / "Town Image.BMP");
    bool Again = true;
    EXPECT_NO_THROW(Again = A.SelectMap(1));
    EXPECT_FALSE(Again);
}

TEST_F(AtlasTest, ButtonsSwitchModeAndRaiseTheirEvents)
{
    TGeoAtlas A;
    std::vector<std::string> Log;
    A.OnClick = [&](TObject* S) { Log.push_back(S == &A ? "click" : "?"); };
    A.OnZoomButClick = [&](TObject*) { Log.push_back("zoom"); };
    A.OnPointerButClick = [&](TObject*) { Log.push_back("pointer"); };
    A.ZoomButton()->click();
    EXPECT_TRUE(A.ZoomButton()->isChecked());
    EXPECT_FALSE(A.PointerButton()->isChecked());
    EXPECT_EQ(A.CurrentMap()->MouseAction(), maNone);
    EXPECT_EQ(A.Cursor(), crGeoZoom);
    A.PointerButton()->click();
    EXPECT_FALSE(A.ZoomButton()->isChecked());
    EXPECT_EQ(A.CurrentMap()->MouseAction(), maPan);
    EXPECT_EQ(A.Cursor(), crHandPoint);
    EXPECT_EQ(Log, (std::vector<std::string>{"click", "zoom", "click", "pointer"}));
}

TEST_F(AtlasTest, QtSignalsFollowTheButtonAndSelectorEvents)
{
    TGeoAtlas A;
    A.RegisterMap(WriteMap("wide.xml", Wide, 100, "wide", "wide.bmp"));
    A.RegisterMap(WriteMap("inner.xml", Inner, 50, "inner", "inner.bmp"));
    std::vector<std::string> Log;
    A.OnClick = [&](TObject*) { Log.push_back("e click"); };
    A.OnZoomButClick = [&](TObject*) { Log.push_back("e zoom"); };
    A.OnPointerButClick = [&](TObject*) { Log.push_back("e pointer"); };
    A.OnCBoxMapsChange = [&](TObject*) { Log.push_back("e map " + std::to_string(A.CurrentMapIndex())); };
    QObject::connect(&A, &TGeoAtlas::clicked, [&] { Log.push_back("s click"); });
    QObject::connect(&A, &TGeoAtlas::zoomButtonClicked, [&] { Log.push_back("s zoom"); });
    QObject::connect(&A, &TGeoAtlas::pointerButtonClicked, [&] { Log.push_back("s pointer"); });
    QObject::connect(&A, &TGeoAtlas::mapSelected, [&](int Index) { Log.push_back("s map " + std::to_string(Index)); });
    A.ZoomButton()->click();
    A.PointerButton()->click();
    emit A.MapSelector()->activated(1);
    EXPECT_EQ(Log, (std::vector<std::string>{"e click", "s click", "e zoom", "s zoom", "e click", "s click", "e pointer",
                                             "s pointer", "e map 2", "s map 2"}));
}

TEST_F(AtlasTest, MapEventsAreForwardedWithTheAtlasAsSender)
{
    TGeoAtlas A;
    std::vector<std::string> Log;
    auto Tag = [&](TObject* S, const std::string& What) { Log.push_back((S == &A ? "" : "?") + What); };
    A.OnMouseDown = [&](TObject* S, TMouseButton B, TShiftState, int X, int Y) {
        Tag(S, "down " + std::to_string(B) + " " + std::to_string(X) + "," + std::to_string(Y));
    };
    A.OnMouseMove = [&](TObject* S, TShiftState, int X, int Y) { Tag(S, "move " + std::to_string(X) + "," + std::to_string(Y)); };
    A.OnMouseUp = [&](TObject* S, TMouseButton, TShiftState, int, int) { Tag(S, "up"); };
    A.OnClick = [&](TObject* S) { Tag(S, "click"); };
    A.OnDblClick = [&](TObject* S) { Tag(S, "dblclick"); };
    TGeoMap* M = A.CurrentMap();
    SendMouse(M, QEvent::MouseButtonPress, Qt::LeftButton, {12, 7}, Qt::LeftButton);
    SendMouse(M, QEvent::MouseMove, Qt::NoButton, {13, 8}, Qt::LeftButton);
    SendMouse(M, QEvent::MouseButtonRelease, Qt::LeftButton, {13, 8}, Qt::NoButton);
    SendMouse(M, QEvent::MouseButtonDblClick, Qt::LeftButton, {13, 8}, Qt::LeftButton);
    EXPECT_EQ(Log, (std::vector<std::string>{"down 0 12,7", "move 13,8", "up", "click", "down 0 13,8", "dblclick"}));
}

TEST_F(AtlasTest, ZoomClicksSwitchMapsAboutTheClickedPosition)
{
    TGeoAtlas A;
    A.resize(200, 200); // the map control: 198 x 165, half a view 99 x 82 image pixels
    A.show();           // a hidden widget lays out its children only when it is shown
    A.RegisterMap(WriteMap("wide.xml", Wide, 100, "wide", "wide.bmp"));
    A.RegisterMap(WriteMap("inner.xml", Inner, 50, "inner", "inner.bmp"));
    ASSERT_TRUE(A.SelectMap(1));
    TGeoMap* M = A.CurrentMap();

    A.ZoomButton()->click();
    Click(M, Qt::LeftButton, {20, 20}); // 48.8 N 10.2 E: no finer map there
    EXPECT_EQ(Shown(A), "wide");
    EXPECT_EQ(M->TopLeft(), Point(0, 0));
    Click(M, Qt::LeftButton, {150, 140}); // 47.6 N 11.5 E: pixel (150, 120) of Inner
    EXPECT_EQ(Shown(A), "inner");
    EXPECT_EQ(M->TopLeft(), Point(150 - 99, 120 - 82));
    Click(M, Qt::RightButton, {10, 10}); // pixel (61, 48): 47.84 N 11.2033 E, (120, 116) of Wide
    EXPECT_EQ(Shown(A), "wide");
    EXPECT_EQ(M->TopLeft(), Point(120 - 99, 116 - 82));
}

TEST_F(AtlasTest, KeepViewOnSwitchKeepsTheGroundUnderTheMouseAndTheScale)
{
    TGeoAtlas A;
    A.resize(200, 200); // the map control: 198 x 165
    A.show();
    A.SetKeepViewOnSwitch(true);
    A.SetSelectorByScale(true);
    // Inner first: the selector lists Wide (coarser) before it. Outer covers neither's centre.
    A.RegisterMap(WriteMap("inner.xml", Inner, 50, "inner", "inner.bmp"));
    A.RegisterMap(WriteMap("wide.xml", Wide, 100, "wide", "wide.bmp"));
    A.RegisterMap(WriteMap("outer.xml", {10, 10, 11, 11}, 200, "outer", "outer.bmp"));
    ASSERT_EQ(A.MapSelector()->itemText(0).toStdString(), "outer");
    ASSERT_EQ(A.MapSelector()->itemText(1).toStdString(), "wide");
    ASSERT_TRUE(A.SelectMap(2));
    TGeoMap* M = A.CurrentMap();
    auto Under = [M](QPoint At) {
        TCoords P{};
        EXPECT_TRUE(M->LocationAtControl(At.x(), At.y(), P.Latit, P.Longit));
        return P;
    };
    // Zoom clicks: left in, right out; the clicked ground stays under the mouse to half a pixel
    // of the map switched to, also where the view then reaches beyond the image.
    A.ZoomButton()->click();
    const struct {
        Qt::MouseButton Button;
        QPoint At;
        const char* Then;
        double HalfPixel; // degrees
    } Clicks[] = {{Qt::LeftButton, {150, 140}, "inner", 0.5 / 300}, {Qt::RightButton, {10, 10}, "wide", 0.5 / 100},
                  {Qt::LeftButton, {60, 60}, "inner", 0.5 / 300}};
    for (const auto& C : Clicks) {
        const TCoords Before = Under(C.At);
        Click(M, C.Button, C.At);
        EXPECT_EQ(Shown(A), C.Then);
        const TCoords After = Under(C.At);
        EXPECT_NEAR(After.Latit, Before.Latit, C.HalfPixel + 1e-9) << C.Then;
        EXPECT_NEAR(After.Longit, Before.Longit, C.HalfPixel + 1e-9) << C.Then;
    }

    // The selector keeps the view's centre and its ground scale: Inner has three times Wide's
    // pixels per degree. A map that does not cover the centre is shown whole.
    M->SetMagnification(0.5);
    M->CenterOnLatLong(47.5, 11.5);
    emit A.MapSelector()->activated(1);
    EXPECT_EQ(Shown(A), "wide");
    const TCoords Centre = Under({99, 82});
    EXPECT_NEAR(Centre.Latit, 47.5, 1.0 / 100);
    EXPECT_NEAR(Centre.Longit, 11.5, 1.0 / 100);
    EXPECT_NEAR(M->Magnification(), 1.5, 1e-3);
    emit A.MapSelector()->activated(0);
    EXPECT_EQ(Shown(A), "outer");
    EXPECT_EQ(M->Magnification(), 165.0 / 300);
}

TEST_F(AtlasTest, AMapWithoutResolutionGetsTheOneItsCalibrationDerives)
{
    TGeoAtlas A;
    A.RegisterMap(WriteMap("wide.xml", Wide, 100, "wide", "wide.bmp"));
    ASSERT_TRUE(A.RegisterMap(WriteMap("own.xml", Inner, 0, "own", "own.bmp")));
    // One degree of longitude at 47.5 N over 300 pixels, about 250 m.
    const double Res = A.Maps(2).Resolution;
    EXPECT_NEAR(Res, 111195 * std::cos(47.5 * M_PI / 180) / 300, 3);
    // It takes part in switching: the least step in from 1000 m is now it, not Wide.
    EXPECT_TRUE(A.ZoomIn(47.5, 11.5, 1000));
    EXPECT_EQ(Shown(A), "own");
    // Without its image there is nothing to measure.
    ASSERT_TRUE(A.RegisterMap(WriteMap("bare.xml", Inner, 0, "bare")));
    EXPECT_EQ(A.Maps(3).Resolution, 0.0);
}

TEST_F(AtlasTest, PointerModeDragsPanAndClicksKeepTheMap)
{
    TGeoAtlas A;
    A.resize(200, 200);
    A.show();
    A.RegisterMap(WriteMap("wide.xml", Wide, 100, "wide", "wide.bmp"));
    A.RegisterMap(WriteMap("inner.xml", Inner, 50, "inner", "inner.bmp"));
    ASSERT_TRUE(A.SelectMap(1));
    TGeoMap* M = A.CurrentMap();
    Click(M, Qt::LeftButton, {150, 140});
    EXPECT_EQ(Shown(A), "wide");
    SendMouse(M, QEvent::MouseButtonPress, Qt::LeftButton, {100, 100}, Qt::LeftButton);
    SendMouse(M, QEvent::MouseMove, Qt::NoButton, {100, 100}, Qt::LeftButton);
    SendMouse(M, QEvent::MouseMove, Qt::NoButton, {60, 70}, Qt::LeftButton);
    SendMouse(M, QEvent::MouseButtonRelease, Qt::LeftButton, {60, 70}, Qt::NoButton);
    EXPECT_EQ(Shown(A), "wide");
    EXPECT_EQ(M->TopLeft(), Point(40, 30));
}

TEST_F(AtlasTest, GrabShowsTheCommandBarAndTheMap)
{
    TGeoAtlas A;
    A.RegisterMap(WriteMap("green.xml", Wide, 100, "Green map", "green.bmp", 600, 400, clLime));
    ASSERT_TRUE(A.SelectMap(1));
    const QImage G = A.grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (const char* Out = std::getenv("TYX_ATLAS_GRAB")) G.save(Out);
    ASSERT_EQ(G.size(), QSize(480, 320));
    auto Count = [&G](QRect R, auto Pred) {
        int N = 0;
        for (int y = R.top(); y <= R.bottom(); ++y)
            for (int x = R.left(); x <= R.right(); ++x) N += Pred(QColor(G.pixel(x, y))) ? 1 : 0;
        return N;
    };
    // The pointer button holds the black and white arrow, the zoom button the pale blue lens.
    const QRect PointerBox(1 + 3, 1 + 3, 26, 26), ZoomBox(1 + 32, 1 + 3, 26, 26);
    auto Black = [](QColor C) { return C.red() < 40 && C.green() < 40 && C.blue() < 40; };
    auto White = [](QColor C) { return C.red() > 245 && C.green() > 245 && C.blue() > 245; };
    auto Glass = [](QColor C) { return std::abs(C.red() - 200) < 12 && std::abs(C.green() - 228) < 12 && C.blue() > 240; };
    EXPECT_GT(Count(PointerBox, Black), 15);
    EXPECT_GT(Count(PointerBox, White), 25);
    EXPECT_GT(Count(ZoomBox, Glass), 40);
    EXPECT_EQ(Count(PointerBox, Glass), 0);
    EXPECT_EQ(A.MapSelector()->currentText().toStdString(), "Green map");
    // The map image fills the area below the bar.
    auto Lime = [](QColor C) { return C.green() > 240 && C.red() < 16 && C.blue() < 16; };
    EXPECT_EQ(Count(QRect(10, 45, 460, 260), Lime), 460 * 260);
    EXPECT_EQ(Count(QRect(1, 1, 478, 32), Lime), 0);
}

TEST_F(AtlasTest, ADenseScreenGetsTheGlyphsAndCursorsAtTwiceThePixels)
{
    // Also run with QT_SCALE_FACTOR=2, as a ctest entry of its own.
    TGeoAtlas A;
    if (qApp->devicePixelRatio() < 2) {
        // At a ratio of 1 the buttons and cursors hold their 1x images only.
        EXPECT_EQ(A.PointerButton()->icon().availableSizes(), QList<QSize>{QSize(20, 20)});
        EXPECT_EQ(Screen().Cursors(crGeoHand).pixmap().size(), QSize(32, 32));
        return;
    }
    const QCursor Zoom = Screen().Cursors(crGeoZoom);
    EXPECT_EQ(Zoom.pixmap().size(), QSize(64, 64));
    EXPECT_EQ(Zoom.hotSpot(), QPoint(6, 6));
    EXPECT_EQ(Screen().Cursors(crGeoHand).pixmap().size(), QSize(64, 64));
    // The buttons show the glyphs drawn at twice the pixels, not the small ones enlarged.
    for (const auto& [Button, Resource] : {std::pair{A.PointerButton(), ":/geoatlas/POINTR@2x"},
                                           std::pair{A.ZoomButton(), ":/geoatlas/ZOOMIN@2x"}}) {
        const QImage Shown = Button->icon().pixmap(QSize(20, 20), 2.0).toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage Drawn = QImage(Resource).copy(0, 0, 40, 40).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(Shown.size(), QSize(40, 40)) << Resource;
        EXPECT_TRUE(Shown == Drawn) << Resource;
    }
}
