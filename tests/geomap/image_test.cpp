// Map images: loading by extension, the pixel limit, the request event, saving, renaming and the
// two empty-map generators.
#include <gtest/gtest.h>

#include <QImage>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "geomap/Tyx_geomap.h"
#include "geomap/geomap_pyramid.h"
#include "geomap_test_util.h"
#include "tiff_test_util.h"
#include "host/gui/tyx_jpeg.h"
#include "host/tyx_streams.h"
#include "support/Tyx_math1.h"

namespace tyx {
namespace {

namespace fs = std::filesystem;
using test::FillBitmap;

class MapImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FDir = fs::temp_directory_path() / ("tyx_mapimg_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(FDir);
        M.SetName("Map1");
        M.resize(200, 150);
    }
    void TearDown() override { fs::remove_all(FDir); }

    std::string Path(const std::string& Name) const { return (FDir / Name).string(); }
    std::string WriteBmp(const std::string& Name, int W, int H, TColor C, TPixelFormat Pf = pf24bit) const
    {
        TBitmap B;
        FillBitmap(B, W, H, C);
        B.SetPixelFormat(Pf);
        B.SaveToFile(Path(Name));
        return Path(Name);
    }
    std::string WriteJpeg(const std::string& Name, int W, int H, TColor C) const
    {
        TBitmap B;
        FillBitmap(B, W, H, C);
        TJPEGImage J;
        J.Assign(B);
        J.SaveToFile(Path(Name));
        return Path(Name);
    }
    /// Pixel of the full-resolution map image.
    TColor MapPixel(int X, int Y) const { return M.MapBitmap().Canvas().Pixels(X, Y); }

    fs::path FDir;
    test::TCountingMap M;
};

bool Near(TColor A, TColor B, int Tol)
{
    return std::abs(GetRValue(A) - GetRValue(B)) <= Tol && std::abs(GetGValue(A) - GetGValue(B)) <= Tol &&
           std::abs(GetBValue(A) - GetBValue(B)) <= Tol;
}

TEST_F(MapImageTest, ExtensionCaseDoesNotMatterAndTheViewStartsAtTheCorner)
{
    const std::string Jpg = WriteJpeg("a.JPG", 64, 48, clRed);
    const std::string Jpeg = WriteJpeg("b.JpEg", 30, 20, clBlue);
    const std::string Bmp = WriteBmp("c.Bmp", 40, 30, clLime, pf4bit);
    QImage Png(25, 15, QImage::Format_RGB32);
    Png.fill(QColor(255, 255, 0));
    ASSERT_TRUE(Png.save(QString::fromStdString(Path("d.PNG")), "PNG"));

    M.SetMagnification(2.0);
    M.SetTopLeft({7, 9});
    M.SetMapImgName(Jpg);
    EXPECT_EQ(M.MapImgFile(), Jpg);
    EXPECT_EQ(M.MapImgWidth(), 64);
    EXPECT_EQ(M.MapImgHeight(), 48);
    EXPECT_TRUE(Near(MapPixel(10, 10), clRed, 8));
    EXPECT_EQ(M.TopLeft().X, 0);
    EXPECT_EQ(M.TopLeft().Y, 0);
    EXPECT_EQ(M.Magnification(), 2.0); // loading keeps the magnification

    M.SetMapImgName(Jpeg);
    EXPECT_EQ(M.MapImgWidth(), 30);
    EXPECT_TRUE(Near(MapPixel(5, 5), clBlue, 8));

    M.SetMapImgName(Bmp);
    EXPECT_EQ(M.MapImgWidth(), 40);
    EXPECT_EQ(M.MapBitmap().PixelFormat(), pf4bit);
    EXPECT_EQ(MapPixel(39, 29), clLime);

    M.SetMapImgName(Path("d.PNG"));
    EXPECT_EQ(M.MapImgWidth(), 25);
    EXPECT_EQ(M.MapImgHeight(), 15);
    EXPECT_EQ(MapPixel(3, 3), clYellow);
}

TEST_F(MapImageTest, PixelLimitAcceptsThreeMillionAndRefusesOneColumnMore)
{
    const std::string Ok = WriteBmp("ok.bmp", 2000, 1500, clWhite);
    const std::string Big = WriteBmp("big.bmp", 2001, 1500, clWhite);
    M.SetMapImgName(Ok);
    EXPECT_EQ(M.MapImgWidth(), 2000);
    EXPECT_EQ(M.MapImgHeight(), 1500);
    EXPECT_EQ(M.CompositionBitmap().Width(), 2000); // the composition bitmap takes the image's size
    EXPECT_EQ(M.CompositionBitmap().Height(), 1500);
    const int Paints = M.Paints;
    try {
        M.SetMapImgName(Big);
        FAIL() << "no error for 2001 x 1500";
    } catch (const ETYXGeoMapError& E) {
        EXPECT_STREQ(E.what(), "Component \"Map1\": Cannot use map image, maximum of 3000000 pixels exceeded "
                               "(size of map is 2001 x 1500)");
    }
    EXPECT_EQ(M.MapImgFile(), Ok);
    EXPECT_EQ(M.MapImgWidth(), 2000);
    EXPECT_EQ(M.MapImgHeight(), 1500);
    EXPECT_EQ(M.MapBitmap().Width(), 2000);
    EXPECT_EQ(M.Paints, Paints);
}

TEST_F(MapImageTest, PixelLimitCountsATopDownBitmapBeforeDecoding)
{
    // 62 bytes claiming 4000 x 4000 pixels stored top-down (a negative height): refused by the
    // header check, before anything is decoded.
    std::string Bytes(62, '\0');
    const auto Put32 = [&](std::size_t At, int32_t V) { std::memcpy(&Bytes[At], &V, 4); };
    Bytes[0] = 'B';
    Bytes[1] = 'M';
    Put32(2, 62);
    Put32(10, 54);
    Put32(14, 40);
    Put32(18, 4000);
    Put32(22, -4000);
    Bytes[26] = 1;
    Bytes[28] = 24;
    const std::string File = Path("topdown.bmp");
    std::ofstream(File, std::ios::binary) << Bytes;
    int Loading = 0;
    M.OnDataLoading = [&](TObject*, int) { ++Loading; };
    try {
        M.SetMapImgName(File);
        FAIL() << "no error for a top-down 4000 x 4000 bitmap";
    } catch (const ETYXGeoMapError& E) {
        EXPECT_STREQ(E.what(), "Component \"Map1\": Cannot use map image, maximum of 3000000 pixels exceeded "
                               "(size of map is 4000 x 4000)");
    }
    EXPECT_EQ(Loading, 0);
}

TEST_F(MapImageTest, MissingFileClearsNameAndSize)
{
    M.SetMapImgName(WriteBmp("a.bmp", 50, 40, clRed));
    M.SetMapImgName(Path("nothere.bmp"));
    EXPECT_EQ(M.MapImgFile(), "");
    EXPECT_EQ(M.MapImgWidth(), 0);
    EXPECT_EQ(M.MapImgHeight(), 0);
    EXPECT_EQ(M.MapBitmap().Width(), 50); // the bitmap itself stays
    // The control shows its empty state again.
    EXPECT_EQ(test::PixelOf(M.Picture(), 100, 100), test::Through15Bit(M.ColorBackGnd()));
}

TEST_F(MapImageTest, RequestEventRedirectsTheFileButNotTheName)
{
    fs::create_directories(FDir / "maps");
    WriteBmp("maps/a.bmp", 33, 22, clRed);
    std::string Seen;
    M.OnMapImageRequest = [&](TObject* Sender, std::string& FileName) {
        EXPECT_EQ(Sender, &M);
        Seen = FileName;
        FileName = Path("maps/" + FileName);
    };
    M.SetMapImgName("a.bmp");
    EXPECT_EQ(Seen, "a.bmp");
    EXPECT_EQ(M.MapImgFile(), "a.bmp");
    EXPECT_EQ(M.MapImgWidth(), 33);
    EXPECT_EQ(M.MapImgHeight(), 22);
}

TEST_F(MapImageTest, TiffOpensStrippedOrTiledInAnyCompression)
{
    constexpr int W = test::TiffW, H = test::TiffH;
    const struct {
        const char* Name;
        int Compression;
        bool Tiled;
    } Cases[] = {{"plain.tif", COMPRESSION_NONE, false}, {"lzw.TIFF", COMPRESSION_LZW, false},
                 {"tiles.Tif", COMPRESSION_ADOBE_DEFLATE, true}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        test::WriteTestTiff(Path(C.Name), C.Compression, C.Tiled);
        M.SetMapImgName(Path(C.Name));
        EXPECT_EQ(M.MapImgFile(), Path(C.Name));
        EXPECT_EQ(M.MapImgWidth(), W);
        EXPECT_EQ(M.MapImgHeight(), H);
        for (int y : {0, 15, H - 1}) {
            EXPECT_EQ(MapPixel(0, y), clRed);
            EXPECT_EQ(MapPixel(19, y), clRed);
            EXPECT_EQ(MapPixel(20, y), clBlue);
            EXPECT_EQ(MapPixel(W - 1, y), clBlue);
        }
    }
    std::ofstream(Path("broken.tif")) << "II*\0 but nothing after it";
    EXPECT_THROW(M.SetMapImgName(Path("broken.tif")), ETYXGeoMapError);
    EXPECT_EQ(M.MapImgFile(), Path("tiles.Tif"));
}

TEST_F(MapImageTest, UnusableFilesAreRefusedAndTheOldImageStays)
{
    const std::string Good = WriteBmp("good.bmp", 50, 40, clRed);
    M.SetMapImgName(Good);
    M.SetTopLeft({5, 5});

    std::ofstream(Path("map.gif")) << "GIF89a";
    try {
        M.SetMapImgName(Path("map.gif"));
        FAIL() << "no error for .gif";
    } catch (const ETYXGeoMapError& E) {
        const std::string Msg = E.what();
        EXPECT_NE(Msg.find("Component \"Map1\": "), std::string::npos);
        for (const char* Ext : {".jpg", ".jpeg", ".bmp", ".png"}) EXPECT_NE(Msg.find(Ext), std::string::npos) << Ext;
    }
    std::ofstream(Path("broken.jpg")) << "this is no JPEG at all";
    std::ofstream(Path("broken.bmp")) << "BM but nothing after it, nothing at all";
    for (const std::string& Broken : {Path("broken.jpg"), Path("broken.bmp")}) {
        try {
            M.SetMapImgName(Broken);
            FAIL() << "no error for " << Broken;
        } catch (const ETYXGeoMapError& E) {
            EXPECT_NE(std::string(E.what()).find(Broken), std::string::npos) << E.what();
        }
    }
    EXPECT_EQ(M.MapImgFile(), Good);
    EXPECT_EQ(M.MapImgWidth(), 50);
    EXPECT_EQ(MapPixel(1, 1), clRed);
    EXPECT_EQ(M.TopLeft().X, 5);
}

TEST_F(MapImageTest, ProgressIsReportedWhileReadingAndWriting)
{
    const std::string Jpg = WriteJpeg("a.jpg", 20, 20, clRed);
    std::vector<int> Steps;
    M.OnDataLoading = [&](TObject* Sender, int Percent) {
        EXPECT_EQ(Sender, &M);
        Steps.push_back(Percent);
    };
    M.SetMapImgName(Jpg);
    EXPECT_EQ(Steps, (std::vector<int>{0, 100}));
    Steps.clear();
    M.SaveMap(Path("out.dat"), "X");
    EXPECT_EQ(Steps, (std::vector<int>{0, 100}));
}

TEST_F(MapImageTest, ProgressReachesTheSignalWithoutAnEvent)
{
    std::vector<int> Steps;
    QObject::connect(&M, &TGeoMap::dataLoading, [&](int Percent) { Steps.push_back(Percent); });
    M.SetMapImgName(WriteJpeg("a.jpg", 20, 20, clRed));
    EXPECT_EQ(Steps, (std::vector<int>{0, 100}));
}

TEST_F(MapImageTest, SaveMapWritesImageAndCalibrationBeside)
{
    M.SetMapImgName(WriteBmp("src.bmp", 60, 40, clBlue));
    M.SetCalibModel(cmEquiRect);
    M.AddCalibPoint(48.0, 16.0, 0, 40);
    M.AddCalibPoint(48.0, 17.0, 60, 40);
    M.AddCalibPoint(49.0, 16.0, 0, 0);
    fs::create_directories(FDir / "D");
    M.SaveMap(Path("D/city.dat"), "CityMap");
    EXPECT_EQ(M.MapImgFile(), "city.jpg");
    ASSERT_TRUE(fs::exists(FDir / "D" / "city.jpg"));
    ASSERT_TRUE(fs::exists(FDir / "D" / "city.xml"));
    TJPEGImage J;
    J.LoadFromFile(Path("D/city.jpg"));
    EXPECT_EQ(J.Width(), 60);
    EXPECT_EQ(J.Height(), 40);

    // The calibration names the bare image file; read back beside it, it finds the image again.
    TGeoMap Back;
    Back.OnMapImageRequest = [&](TObject*, std::string& FileName) { FileName = Path("D/" + FileName); };
    ASSERT_TRUE(Back.LoadCalDataFromXML(Path("D/city.xml"), "CityMap"));
    EXPECT_EQ(Back.MapImgFile(), "city.jpg");
    EXPECT_EQ(Back.MapImgWidth(), 60);
    EXPECT_EQ(Back.CalibModel(), cmEquiRect);

    TGeoMap Empty;
    EXPECT_THROW(Empty.SaveMap(Path("D/none.dat"), "X"), ETYXGeoMapError);
    EXPECT_FALSE(fs::exists(FDir / "D" / "none.xml"));
}

TEST_F(MapImageTest, RenameKeepsDirectoryAndTypeAndFailsHonestly)
{
    const std::string Old = WriteJpeg("old.jpg", 20, 10, clRed);
    EXPECT_FALSE(M.RenameMapImg("new.png")); // no image file yet
    M.SetMapImgName(Old);
    EXPECT_FALSE(M.RenameMapImg(""));
    EXPECT_FALSE(M.RenameMapImg("..."));     // nothing left after the reduction

    EXPECT_TRUE(M.RenameMapImg("new.png"));
    EXPECT_EQ(M.MapImgFile(), Path("new.jpg"));
    EXPECT_TRUE(fs::exists(FDir / "new.jpg"));
    EXPECT_FALSE(fs::exists(FDir / "old.jpg"));

    // Separators and blanks are reduced before anything else: the file cannot leave its directory.
    EXPECT_TRUE(M.RenameMapImg("../el se/wien"));
    EXPECT_EQ(M.MapImgFile(), Path("_el_se_wien.jpg"));
    EXPECT_TRUE(fs::exists(FDir / "_el_se_wien.jpg"));

    // Renaming onto another file would destroy it.
    const std::string Other = WriteJpeg("taken.jpg", 5, 5, clBlue);
    const auto OtherSize = fs::file_size(Other);
    EXPECT_FALSE(M.RenameMapImg("taken"));
    EXPECT_EQ(M.MapImgFile(), Path("_el_se_wien.jpg"));
    EXPECT_EQ(fs::file_size(Other), OtherSize);

    // The file vanished behind the control's back: false, nothing changes.
    fs::remove(FDir / "_el_se_wien.jpg");
    EXPECT_FALSE(M.RenameMapImg("again"));
    EXPECT_EQ(M.MapImgFile(), Path("_el_se_wien.jpg"));
}

TEST_F(MapImageTest, RenameFailureOnTheFileSystemReturnsFalse)
{
    const std::string Old = WriteJpeg("old.jpg", 20, 10, clRed);
    M.SetMapImgName(Old);
    // A name longer than the file system allows: the rename itself fails.
    EXPECT_FALSE(M.RenameMapImg(std::string(300, 'n')));
    EXPECT_TRUE(fs::exists(Old));
    EXPECT_EQ(M.MapImgFile(), Old);
}

// ---- Generated maps ----

/// Rows (or, Columns true, columns) whose pixels From..To-1 across are mostly silver: the dashed
/// grid lines. Labels antialias to silver too, so the strip should avoid them.
std::vector<int> SilverLines(const TBitmap& B, int From, int To, bool Columns = false)
{
    std::vector<int> Lines;
    const int Count = Columns ? B.Width() : B.Height();
    for (int i = 0; i < Count; ++i) {
        int N = 0;
        for (int k = From; k < To; ++k) N += (Columns ? B.Canvas().Pixels(i, k) : B.Canvas().Pixels(k, i)) == clSilver;
        if (2 * N > To - From) Lines.push_back(i);
    }
    return Lines;
}

TEST_F(MapImageTest, EmptyMapNormalisesItsArguments)
{
    M.CreateAndLoadEmptyMap(Path("swapped.any"), 50, 10, 40, 12, 0, 0, 50, 120);
    EXPECT_EQ(M.MapImgWidth(), 100);
    EXPECT_EQ(M.MapImgHeight(), 120);
    EXPECT_EQ(M.MapImgFile(), Path("swapped.bmp"));
    EXPECT_TRUE(fs::exists(FDir / "swapped.xml"));
    TBitmap Swapped;
    Swapped.Assign(M.MapBitmap());

    M.CreateAndLoadEmptyMap(Path("plain.bmp"), 40, 10, 50, 12, 1.0, 1.0, 100, 120);
    ASSERT_EQ(Swapped.Width(), M.MapBitmap().Width());
    ASSERT_EQ(Swapped.Height(), M.MapBitmap().Height());
    for (int y = 0; y < Swapped.Height(); ++y)
        for (int x = 0; x < Swapped.Width(); ++x)
            ASSERT_EQ(Swapped.Canvas().Pixels(x, y), M.MapBitmap().Canvas().Pixels(x, y)) << x << "," << y;
    EXPECT_DOUBLE_EQ(M.CalibData().CalQuads[1].Latitude, 40);
    EXPECT_DOUBLE_EQ(M.CalibData().CalQuads[9].Latitude, 50);
    EXPECT_DOUBLE_EQ(M.CalibData().CalQuads[9].Longitude, 12);
    EXPECT_EQ(M.MapBitmap().PixelFormat(), pf4bit);
    const TCalibData& D = M.CalibData();
    EXPECT_EQ(D.Caption, "Map generated by TGeoMap");
    EXPECT_EQ(M.CalibModel(), cmBiquadraticPn);
    EXPECT_EQ(D.NumCalQuads, 9);
}

TEST_F(MapImageTest, EmptyMapFramesAndTheFirstParallelOutsideTheBox)
{
    const int W = 300, H = 200;
    M.CreateAndLoadEmptyMap(Path("box.bmp"), 47.3, 15.5, 48.9, 17.5, 1, 1, W, H);
    const TBitmap& B = M.MapBitmap();
    // Solid frame at 30, dotted one at 26 (every other pixel).
    EXPECT_EQ(B.Canvas().Pixels(30, 100), clBlack);
    EXPECT_EQ(B.Canvas().Pixels(W - 30, 100), clBlack);
    EXPECT_EQ(B.Canvas().Pixels(150, H - 30), clBlack);
    int Dots = 0;
    for (int y = 40; y < 60; ++y) Dots += B.Canvas().Pixels(26, y) == clBlack;
    EXPECT_EQ(Dots, 10);
    // 47 lies south of the box and is not drawn; 48 is the only parallel.
    const int y48 = (H - 30) - static_cast<int>(std::nearbyint((48 - 47.3) / 1.6 * (H - 60)));
    EXPECT_EQ(SilverLines(B, 130, 170), std::vector<int>{y48});
    // Meridians 16 and 17; 15 lies west of the box.
    const std::vector<int> Cols = SilverLines(B, 80, 120, true);
    ASSERT_EQ(Cols.size(), 2u);
    EXPECT_EQ(Cols[0], static_cast<int>(std::nearbyint(0.5 / 2.0 * (W - 60))) + 30);
    EXPECT_EQ(Cols[1], static_cast<int>(std::nearbyint(1.5 / 2.0 * (W - 60))) + 30);

    // The generated map's conversions: a pixel on a grid line gives its degree.
    bool Valid = false;
    EXPECT_NEAR(M.CalcLatitude(150, y48, Valid), 48.0, 1.6 / (H - 60));
    EXPECT_TRUE(Valid);
    EXPECT_NEAR(M.CalcLongitude(Cols[0], 77, Valid), 16.0, 2.0 / (W - 60));
    EXPECT_NEAR(M.CalcLongitude(Cols[1], 150, Valid), 17.0, 2.0 / (W - 60));
    int x = 0, y = 0;
    ASSERT_TRUE(M.CalcPixelCoords(48.0, 17.0, x, y));
    EXPECT_NEAR(x, Cols[1], 1);
    EXPECT_NEAR(y, y48, 1);
}

/// Whether the map image holds Text, written with a fresh canvas font at (X, Y) on white.
bool HasLabelAt(const TBitmap& Map, const std::string& Text, int X, int Y)
{
    TBitmap Expected(Map.Width(), Map.Height(), pf4bit);
    Expected.Canvas().TextOut(X, Y, Text);
    const int tw = Expected.Canvas().TextWidth(Text), th = Expected.Canvas().TextHeight(Text);
    int Ink = 0;
    for (int y = Y; y < Y + th; ++y)
        for (int x = X; x < X + tw; ++x) {
            const TColor C = Expected.Canvas().Pixels(x, y);
            if (Map.Canvas().Pixels(x, y) != C) return false;
            Ink += C != clWhite;
        }
    return Ink > 0;
}

TEST_F(MapImageTest, LabelFormatsFollowTheStep)
{
    const int W = 400, H = 300;
    struct Case {
        double Low, High, Step;
        double Label;
        TDegreeFormat Format;
        const char* Hemi;
    };
    for (const Case& C : {Case{-20, 20, 5, -10, dfDeg, " S "}, Case{40, 50, 2.5, 45, dfDegMin, " N "},
                          Case{48, 48.3, 0.05, 48.1, dfDegMinSec, " N "}}) {
        SCOPED_TRACE(C.Step);
        M.CreateAndLoadEmptyMap(Path("labels.bmp"), C.Low, 10, C.High, 11, C.Step, 0.5, W, H);
        std::string Text = std::string(" ").append(DegreeToStr(std::fabs(C.Label), C.Format, 0));
        Text += C.Hemi;
        const int y = (H - 30) - static_cast<int>(std::nearbyint((C.Label - C.Low) / (C.High - C.Low) * (H - 60)));
        TBitmap Probe(10, 10, pf4bit);
        const int th = Probe.Canvas().TextHeight(Text), tw = Probe.Canvas().TextWidth(Text);
        EXPECT_TRUE(HasLabelAt(M.MapBitmap(), Text, 36, y - th / 2));
        EXPECT_TRUE(HasLabelAt(M.MapBitmap(), Text, W - 36 - tw, y - th / 2));
    }
    // Meridian labels above and below the frame.
    M.CreateAndLoadEmptyMap(Path("lon.bmp"), 40, -12, 50, -8, 1, 2, W, H);
    const std::string Text = " " + DegreeToStr(10, dfDeg, 0) + " W ";
    TBitmap Probe(10, 10, pf4bit);
    const int th = Probe.Canvas().TextHeight(Text), tw = Probe.Canvas().TextWidth(Text);
    const int x = static_cast<int>(std::nearbyint(2.0 / 4.0 * (W - 60))) + 30;
    EXPECT_TRUE(HasLabelAt(M.MapBitmap(), Text, x - tw / 2, 24 - th));
    EXPECT_TRUE(HasLabelAt(M.MapBitmap(), Text, x - tw / 2, H - 24));
}

TEST_F(MapImageTest, NinePointsOfBothGenerators)
{
    M.CreateAndLoadEmptyMap(Path("nine.bmp"), 10, 20, 14, 26, 1, 1, 301, 201);
    const int GridX[3] = {30, 150, 271};  // round(j * 241 / 2 + 30), halves to even: 150.5 -> 150
    const int GridY[3] = {171, 100, 30}; // round(201 - 30 - i * 141 / 2): 100.5 -> 100
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const TCalQuad& Q = M.CalibData().CalQuads[3 * i + j + 1];
            EXPECT_DOUBLE_EQ(Q.Latitude, 10 + 2.0 * i);
            EXPECT_DOUBLE_EQ(Q.Longitude, 20 + 3.0 * j);
            EXPECT_EQ(Q.MapX, GridX[j]) << i << j;
            EXPECT_EQ(Q.MapY, GridY[i]) << i << j;
        }

    M.CreateEmptyMapInMemory(10, 20, 14, 26, 1, 1, 300, 200, false);
    EXPECT_EQ(M.MapImgFile(), "$unknown$");
    EXPECT_EQ(M.CalibModel(), cmEquiRect);
    EXPECT_EQ(M.CalibData().MapFName, "$unknown$");
    const int BareX[3] = {0, 150, 300};
    const int BareY[3] = {200, 100, 0};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const TCalQuad& Q = M.CalibData().CalQuads[3 * i + j + 1];
            EXPECT_EQ(Q.MapX, BareX[j]);
            EXPECT_EQ(Q.MapY, BareY[i]);
        }
    // Without a grid the bitmap stays blank, and the whole bitmap is the box.
    EXPECT_TRUE(SilverLines(M.MapBitmap(), 130, 170).empty());
    EXPECT_EQ(M.MapBitmap().Canvas().Pixels(0, 0), clWhite);
    bool Valid = false;
    EXPECT_NEAR(M.CalcLatitude(150, 0, Valid), 14.0, 1e-9);
    EXPECT_NEAR(M.CalcLongitude(300, 100, Valid), 26.0, 1e-9);

    M.CreateEmptyMapInMemory(10, 20, 14, 26, 1, 1, 300, 200, true);
    EXPECT_EQ(SilverLines(M.MapBitmap(), 130, 170).size(), 3u); // 11, 12, 13
    EXPECT_EQ(M.CalibData().CalQuads[1].MapX, 30);
    EXPECT_EQ(M.CalibData().CalQuads[1].MapY, 170);
}

TEST_F(MapImageTest, DrawMapDataSeesTheNormalisedBoxAndDrawsIntoTheFile)
{
    double Seen[4] = {};
    int SeenW = 0, SeenH = 0;
    M.CreateAndLoadEmptyMap(Path("data.bmp"), 50, 12, 40, 10, 1, 1, 20, 150,
                            [&](TObject* Sender, TCanvas& C, double a, double b, double c, double d, int w, int h) {
                                EXPECT_EQ(Sender, &M);
                                Seen[0] = a, Seen[1] = b, Seen[2] = c, Seen[3] = d;
                                SeenW = w, SeenH = h;
                                C.Brush().SetColor(clRed);
                                C.FillRect(Rect(50, 60, 60, 70));
                            });
    EXPECT_EQ(Seen[0], 40);
    EXPECT_EQ(Seen[1], 10);
    EXPECT_EQ(Seen[2], 50);
    EXPECT_EQ(Seen[3], 12);
    EXPECT_EQ(SeenW, 100);
    EXPECT_EQ(SeenH, 150);
    TBitmap FromFile;
    FromFile.LoadFromFile(Path("data.bmp"));
    EXPECT_EQ(FromFile.Canvas().Pixels(55, 65), clRed);
}

TEST_F(MapImageTest, GeneratorsTakeTheWholeGlobe)
{
    M.CreateEmptyMapInMemory(-90, -360, 90, 360, 1, 1, 400, 200, true);
    EXPECT_EQ(M.MapImgWidth(), 400);
}

TEST_F(MapImageTest, GeneratorsRefuseBadBoxesBeforeTouchingAnything)
{
    M.SetMapImgName(WriteBmp("keep.bmp", 40, 30, clRed));
    // Too many pixels: refused with the limit's message, nothing written.
    try {
        M.CreateAndLoadEmptyMap(Path("huge.bmp"), 0, 0, 10, 10, 1, 1, 3000, 1001);
        FAIL();
    } catch (const ETYXGeoMapError& E) {
        EXPECT_NE(std::string(E.what()).find("(size of map is 3000 x 1001)"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(FDir / "huge.bmp"));
    EXPECT_THROW(M.CreateEmptyMapInMemory(0, 0, 10, 10, 1, 1, 100000, 100000, true), ETYXGeoMapError);
    EXPECT_THROW(M.CreateEmptyMapInMemory(5, 0, 5, 10, 1, 1, 200, 200, true), ETYXGeoMapError);
    EXPECT_THROW(M.CreateEmptyMapInMemory(0, 0, 10, 10, 1e-9, 1, 200, 200, true), ETYXGeoMapError);
    EXPECT_THROW(M.CreateEmptyMapInMemory(0, 0, INFINITY, 10, 1, 1, 200, 200, true), ETYXGeoMapError);
    // Boxes off the globe and steps giving more than 10000 lines of a family; the last would
    // never end, its step being lost in the latitude.
    const double Refused[][6] = {{-13e6, 0, 13e6, 10, 260, 1}, {0, 0, 91, 10, 1, 1},     {-90.5, 0, 0, 10, 1, 1},
                                 {0, -361, 10, 0, 1, 1},       {0, 0, 10, 360.5, 1, 1}, {0, 0, 90, 10, 0.0089, 1},
                                 {0, -360, 10, 360, 1, 0.07},  {1e16, 0, 1e16 + 1e3, 10, 1, 1}};
    for (const auto& B : Refused)
        EXPECT_THROW(M.CreateEmptyMapInMemory(B[0], B[1], B[2], B[3], B[4], B[5], 200, 200, true), ETYXGeoMapError)
            << B[0] << " " << B[1] << " " << B[2] << " " << B[3] << " " << B[4] << " " << B[5];
    EXPECT_EQ(M.MapImgFile(), Path("keep.bmp"));
    EXPECT_EQ(M.MapImgWidth(), 40);
}

TEST_F(MapImageTest, MaxMapPixelsIsTheLimitAndItsMessageNamesIt)
{
    EXPECT_EQ(M.MaxMapPixels(), 3000000);
    EXPECT_EQ(M.property("MaxMapPixels").toLongLong(), 3000000);
    M.SetMaxMapPixels(0);
    EXPECT_EQ(M.MaxMapPixels(), 3000000);
    const std::string Small = WriteBmp("small.bmp", 40, 30, clRed);
    const std::string Big = WriteJpeg("big.jpg", 2100, 2000, clBlue);
    const struct {
        long long Limit;
        std::string File;
        const char* Size;
    } Cases[] = {{1199, Small, "40 x 30"}, {4199999, Big, "2100 x 2000"}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Limit);
        M.SetMaxMapPixels(C.Limit);
        try {
            M.SetMapImgName(C.File);
            ADD_FAILURE() << "no error";
        } catch (const ETYXGeoMapError& E) {
            EXPECT_EQ(std::string(E.what()), "Component \"Map1\": Cannot use map image, maximum of " +
                                                 std::to_string(C.Limit) + " pixels exceeded (size of map is " +
                                                 C.Size + ")");
        }
        // One pixel more and the image is taken.
        M.SetMaxMapPixels(C.Limit + 1);
        M.SetMapImgName(C.File);
        EXPECT_EQ(M.MapImgFile(), C.File);
    }
    EXPECT_EQ(M.MapImgWidth(), 2100);
    M.SetMaxMapPixels(1000);
    EXPECT_THROW(M.SetMapBitMap(TBitmap(40, 30)), ETYXGeoMapError);
    EXPECT_THROW(M.CreateEmptyMapInMemory(40, 0, 50, 10, 1, 1, 40, 30, false, {}), ETYXGeoMapError);
    EXPECT_EQ(M.MapImgWidth(), 2100);
}

TEST_F(MapImageTest, LargeImagesAreHeldOnceInTheirMostCompactFormat)
{
    constexpr int W = 2400, H = 1300;
    QImage Colour(W, H, QImage::Format_RGB32), Grey(W, H, QImage::Format_Grayscale8);
    QImage Indexed(W, H, QImage::Format_Indexed8);
    Colour.fill(QColor(200, 40, 10));
    Grey.fill(77);
    Indexed.setColorTable({qRgb(10, 200, 30), qRgb(250, 250, 0)});
    Indexed.fill(1);
    const auto Save = [this](const QImage& Img, const std::string& Name) {
        EXPECT_TRUE(Img.save(QString::fromStdString(Path(Name))));
        return Path(Name);
    };
    constexpr int TW = 1300, TH = 3300; // more rows than one band holds
    test::WriteTestTiff(Path("strips.tif"), COMPRESSION_LZW, false, {}, TW, TH);
    test::WriteTestTiff(Path("tiles.tif"), COMPRESSION_ADOBE_DEFLATE, true, {}, TW, TH);
    const struct {
        std::string File;
        QImage::Format Format;
        QPoint At;
        QRgb Expected;
    } Cases[] = {
        {Save(Colour, "colour.jpg"), QImage::Format_RGB888, {5, 5}, qRgb(200, 40, 10)},
        {Save(Colour, "colour.png"), QImage::Format_RGB888, {5, 5}, qRgb(200, 40, 10)},
        {Save(Colour, "colour.bmp"), QImage::Format_RGB888, {5, 5}, qRgb(200, 40, 10)},
        {Save(Grey, "grey.jpg"), QImage::Format_Grayscale8, {5, 5}, qRgb(77, 77, 77)},
        {Save(Grey, "grey.png"), QImage::Format_Grayscale8, {5, 5}, qRgb(77, 77, 77)},
        {Save(Indexed, "indexed.png"), QImage::Format_Indexed8, {5, 5}, qRgb(250, 250, 0)},
        {Save(Indexed, "indexed.bmp"), QImage::Format_Indexed8, {5, 5}, qRgb(250, 250, 0)},
        {Path("strips.tif"), QImage::Format_RGB888, {0, TH - 1}, qRgb(255, 255, 0)},
        {Path("tiles.tif"), QImage::Format_RGB888, {TW - 1, TH - 1}, qRgb(0, 255, 255)},
        {Path("tiles.tif"), QImage::Format_RGB888, {0, 0}, qRgb(255, 0, 0)},
    };
    M.SetMaxMapPixels(1000000000);
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.File);
        M.SetMapImgName(C.File);
        EXPECT_EQ(M.MapImgFile(), C.File);
        const QImage Held = M.MapImage();
        EXPECT_EQ(Held.format(), C.Format);
        EXPECT_EQ(Held.width(), M.MapImgWidth());
        EXPECT_TRUE(M.MapBitmap().Empty());
        // The composition keeps the control's size, not the image's.
        EXPECT_EQ(M.CompositionBitmap().Width(), 200);
        EXPECT_TRUE(Near(QRgbToTColor(Held.pixel(C.At)), QRgbToTColor(C.Expected), 3));
    }
}

TEST_F(MapImageTest, ZoomedOutViewsFromThePyramidMatchADirectScaledSample)
{
    constexpr int W = 4000, H = 3000, CW = 320, CH = 240;
    // Gradients under a checkerboard: a wrong level, offset or scale moves the squares' edges.
    QImage Img(W, H, QImage::Format_RGB888);
    for (int y = 0; y < H; ++y) {
        uchar* Row = Img.scanLine(y);
        for (int x = 0; x < W; ++x) {
            Row[3 * x] = static_cast<uchar>(x * 255 / W);
            Row[3 * x + 1] = static_cast<uchar>(y * 255 / H);
            Row[3 * x + 2] = (x / 96 + y / 96) % 2 ? 255 : 0;
        }
    }
    TBitmap B;
    B.AssignImage(Img);
    M.resize(CW, CH);
    M.SetMaxMapPixels(1000000000);
    M.SetMapBitMap(B);
    const TImagePyramid Pyramid(Img);
    for (const double Mag : {0.9, 0.5, 0.4, 0.2, 0.1, 0.05}) {
        SCOPED_TRACE(Mag);
        // The level sampled has at least the view's resolution, the next one less.
        const std::size_t k = Pyramid.LevelFor(Mag);
        EXPECT_GE(Pyramid.Level(k).width(), Mag * W);
        if (k + 1 < Pyramid.LevelCount()) {
            EXPECT_LT(Pyramid.Level(k + 1).width(), Mag * W);
        }

        // Views on whole pixels of every level and of the scaled image's grid: one between them
        // is rounded to one.
        const TPoint TL{Mag > 0.05 ? 1000 : 0, Mag > 0.05 ? 520 : 0};
        M.SetMagnification(Mag);
        M.SetTopLeft(TL);
        const int VW = std::min(CW, static_cast<int>((W - TL.X) * Mag)) - 4;
        const int VH = std::min(CH, static_cast<int>((H - TL.Y) * Mag)) - 4;
        const QImage Ref = Img.copy(TL.X, TL.Y, static_cast<int>(std::lround(CW / Mag)),
                                    static_cast<int>(std::lround(CH / Mag)))
                               .scaled(CW, CH, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                               .convertToFormat(QImage::Format_RGB32);
        const QImage Shown = M.Picture().convertToFormat(QImage::Format_RGB32);
        double Diff = 0, Far = 0;
        for (int y = 2; y < VH; ++y)
            for (int x = 2; x < VW; ++x) {
                const QRgb A = Shown.pixel(x, y), R = Ref.pixel(x, y);
                Diff += std::abs(qRed(A) - qRed(R)) + std::abs(qGreen(A) - qGreen(R)) + std::abs(qBlue(A) - qBlue(R));
                Far += std::abs(qBlue(A) - qBlue(R)) > 100;
            }
        const double N = (VW - 2.0) * (VH - 2.0);
        // The filters differ a little along the squares' edges; a level pixel off or a coarser
        // level moves or smears the edges by far more.
        EXPECT_LT(Diff / (3 * N), 4.0);
        EXPECT_LT(Far / N, 0.005);
    }
}

/// Gradients under a checkerboard and a 1-pixel grid, in the format asked for.
QImage SampleScan(int W, int H, QImage::Format Format)
{
    QImage Img(W, H, QImage::Format_RGB888);
    for (int y = 0; y < H; ++y) {
        uchar* Row = Img.scanLine(y);
        for (int x = 0; x < W; ++x) {
            const bool Line = x % 50 == 7 || y % 50 == 11;
            Row[3 * x] = static_cast<uchar>(Line ? 0 : x * 255 / W);
            Row[3 * x + 1] = static_cast<uchar>(Line ? 0 : y * 255 / H);
            Row[3 * x + 2] = static_cast<uchar>(Line ? 0 : (x / 96 + y / 96) % 2 ? 230 : 20);
        }
    }
    return Format == QImage::Format_RGB888 ? Img : Img.convertToFormat(Format, Qt::ThresholdDither);
}

/// The view of Pyramid at TopLeft and Mag, W x H pixels, as RGB32; Kept as DrawView takes it.
QImage PyramidView(const TImagePyramid& Pyramid, TPoint TopLeft, double Mag, int W, int H, TKeptView* Kept = nullptr,
                   double Scale = 1)
{
    TBitmap B(static_cast<int>(W * Scale), static_cast<int>(H * Scale), pf15bit);
    B.Canvas().SetScale(Scale);
    Pyramid.DrawView(B.Canvas(), W, H, TopLeft, Mag, Mag * Scale, true, Kept);
    B.Canvas().EndPaint();
    return B.Image().convertToFormat(QImage::Format_RGB32);
}

TEST_F(MapImageTest, ViewsBetweenLevelsAreTheMeanOfTheAreaEachPixelCovers)
{
    constexpr int W = 2400, H = 1800, VW = 160, VH = 120;
    // Level pixels per view pixel 1.5, 1.25 or 1.1, from the full image and halvings, in every
    // format a level takes.
    const struct {
        QImage::Format Format;
        double Mag;
        TPoint TopLeft;
    } Cases[] = {
        {QImage::Format_RGB888, 2.0 / 3, {300, 150}}, {QImage::Format_RGB888, 1.0 / 3, {1207, 601}},
        {QImage::Format_RGB888, 0.2, {1003, 498}},    {QImage::Format_RGB888, 0.8, {5, 1000}},
        {QImage::Format_RGB888, 1 / 2.2, {99, 1400}}, {QImage::Format_Grayscale8, 0.4, {410, 21}},
        {QImage::Format_Indexed8, 2.0 / 3, {903, 1209}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.Format << " at " << C.Mag);
        const TImagePyramid Pyramid(SampleScan(W, H, C.Format));
        const QImage Shown = PyramidView(Pyramid, C.TopLeft, C.Mag, VW, VH);
        // The reference in doubles: view pixel x covers level pixels (X0 + x) * Step up to
        // (X0 + x + 1) * Step, X0 the view's corner on the grid of whole view pixels.
        const std::size_t k = Pyramid.LevelFor(C.Mag);
        const QImage& L = Pyramid.Level(k);
        const double Step = 1 / (C.Mag * std::ldexp(1.0, static_cast<int>(k)));
        const auto Cover = [Step](int Corner, int v, int j) {
            return std::max(0.0, std::min((Corner + v + 1) * Step, j + 1.0) - std::max((Corner + v) * Step, double(j)));
        };
        const int X0 = static_cast<int>(std::lround(C.TopLeft.X * C.Mag));
        const int Y0 = static_cast<int>(std::lround(C.TopLeft.Y * C.Mag));
        double Sum = 0;
        int Max = 0;
        for (int y = 0; y < VH; ++y)
            for (int x = 0; x < VW; ++x) {
                double R = 0, G = 0, B = 0;
                for (int j = static_cast<int>((Y0 + y) * Step); j < (Y0 + y + 1) * Step; ++j)
                    for (int i = static_cast<int>((X0 + x) * Step); i < (X0 + x + 1) * Step; ++i) {
                        const double A = Cover(X0, x, i) * Cover(Y0, y, j);
                        const QRgb P = L.pixel(i, j);
                        R += A * qRed(P), G += A * qGreen(P), B += A * qBlue(P);
                    }
                const QRgb S = Shown.pixel(x, y);
                // The 15-bit value the mean cuts to, as Qt reads it back.
                const auto Shows = [Step](double V) {
                    const int C5 = static_cast<int>(V / (Step * Step)) >> 3;
                    return (C5 << 3) | (C5 >> 2);
                };
                for (const int D : {qRed(S) - Shows(R), qGreen(S) - Shows(G), qBlue(S) - Shows(B)}) {
                    Sum += std::abs(D);
                    Max = std::max(Max, std::abs(D));
                }
            }
        // A mean near a 15-bit step may cut either way (8.8 fixed point: about one pixel in
        // ten); a pixel off, a wrong level or a weight lost moves the grid lines' pixels and the
        // squares' edges by far more.
        EXPECT_LE(Max, 9);
        EXPECT_LT(Sum / (3.0 * VW * VH), 1.0);
    }
}

TEST_F(MapImageTest, APanSamplesOnlyWhatItUncoversAndShowsWhatAFreshViewShows)
{
    const TImagePyramid Pyramid(SampleScan(2400, 1800, QImage::Format_RGB888));
    constexpr int VW = 200, VH = 150;
    // Moves in view pixels (Mag times the map pixels), off the image's edge, beyond the view.
    const struct {
        double Mag, Scale;
        TPoint From, To;
    } Cases[] = {
        {0.35, 1, {1000, 800}, {1020, 800}},   {0.35, 1, {1000, 800}, {960, 840}},
        {0.6, 1, {1000, 800}, {1000, 770}},    {0.15, 1, {-200, 100}, {-100, 40}},
        {0.6, 1, {2200, 1650}, {2260, 1700}},  {0.35, 1, {1000, 800}, {1800, 800}},
        {0.3, 2, {1000, 800}, {990, 812}},
    };
    const TImagePyramid Other(SampleScan(2400, 1800, QImage::Format_Grayscale8));
    for (const auto& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.Mag << " from " << C.From.X << "," << C.From.Y << " to " << C.To.X << ","
                                        << C.To.Y);
        TKeptView Kept;
        PyramidView(Pyramid, C.From, C.Mag, VW, VH, &Kept, C.Scale);
        // A mark in the kept pixels travels with the move when they are reused.
        const QPoint Mark(VW * C.Scale / 2, VH * C.Scale / 2);
        constexpr QRgb Magenta = qRgb(255, 0, 255); // not in the scan
        Kept.Pixels.setPixel(Mark, Magenta);
        PyramidView(Pyramid, C.To, C.Mag, VW, VH, &Kept, C.Scale);
        const int DX = static_cast<int>(std::lround((C.To.X - C.From.X) * C.Mag * C.Scale));
        const int DY = static_cast<int>(std::lround((C.To.Y - C.From.Y) * C.Mag * C.Scale));
        ASSERT_EQ(Kept.Pixels.size(), QSize(VW, VH) * C.Scale);
        const bool Reused = std::abs(DX) < VW * C.Scale && std::abs(DY) < VH * C.Scale;
        EXPECT_EQ(Kept.Pixels.pixel(Reused ? Mark - QPoint(DX, DY) : Mark) == Magenta, Reused);

        TKeptView Clean;
        PyramidView(Pyramid, C.From, C.Mag, VW, VH, &Clean, C.Scale);
        EXPECT_EQ(PyramidView(Pyramid, C.To, C.Mag, VW, VH, &Clean, C.Scale),
                  PyramidView(Pyramid, C.To, C.Mag, VW, VH, nullptr, C.Scale));
        // What is kept of one image never shows in the view of another.
        EXPECT_EQ(PyramidView(Other, C.To, C.Mag, VW, VH, &Clean, C.Scale),
                  PyramidView(Other, C.To, C.Mag, VW, VH, nullptr, C.Scale));
    }
}

} // namespace
} // namespace tyx
