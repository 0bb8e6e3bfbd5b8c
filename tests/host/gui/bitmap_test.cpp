#include "host/gui/tyx_bitmap.h"
#include "host/gui/tyx_jpeg.h"
#include "host/tyx_errors.h"
#include "host/tyx_streams.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tyx;

namespace {

class BitmapFiles : public ::testing::Test {
protected:
    std::string Path(const std::string& Name) const { return (Dir.path() + "/").toStdString() + Name; }
    QTemporaryDir Dir;
};

uint32_t Le32(const std::vector<uint8_t>& B, std::size_t At)
{
    return uint32_t(B[At]) | uint32_t(B[At + 1]) << 8 | uint32_t(B[At + 2]) << 16 | uint32_t(B[At + 3]) << 24;
}

// A pattern that uses every standard colour and differs in each row and column.
void PaintPattern(TBitmap& B)
{
    for (int y = 0; y < B.Height(); ++y)
        for (int x = 0; x < B.Width(); ++x) B.Canvas().SetPixels(x, y, StandardColors16[(x + 3 * y) % 16]);
}

} // namespace

TEST_F(BitmapFiles, FourBitFileKeepsItsPixelsAndHasTheRightLayout)
{
    TBitmap B(13, 5, pf4bit); // odd width: the last byte of a row holds one pixel, rows padded
    PaintPattern(B);
    B.SaveToFile(Path("a.bmp"));
    const std::vector<uint8_t> F = ReadFileBytes(Path("a.bmp"));
    const std::size_t RowBytes = 8; // 13 nibbles = 7 bytes, padded to 8
    ASSERT_EQ(F.size(), 14 + 40 + 16 * 4 + RowBytes * 5);
    EXPECT_EQ(Le32(F, 2), F.size());
    EXPECT_EQ(Le32(F, 10), 14u + 40 + 64);
    EXPECT_EQ(Le32(F, 14), 40u);
    EXPECT_EQ(int32_t(Le32(F, 22)), 5); // positive height: bottom-up
    EXPECT_EQ(F[28], 4);
    EXPECT_EQ(Le32(F, 30), 0u);
    EXPECT_EQ(Le32(F, 46), 16u);
    // Palette entry 9 is red, stored blue-green-red-zero.
    EXPECT_EQ(Le32(F, 54 + 9 * 4), 0x00FF0000u);
    // The first stored row is the bottom one: pixel (0, 4) has colour index (0 + 12) % 16.
    EXPECT_EQ(F[118] >> 4, 12);
    EXPECT_EQ(F[118] & 0xF, 13);
    EXPECT_EQ(F[118 + 7], 0); // pad byte

    TBitmap R;
    R.LoadFromFile(Path("a.bmp"));
    EXPECT_EQ(R.PixelFormat(), pf4bit);
    ASSERT_EQ(R.Width(), 13);
    ASSERT_EQ(R.Height(), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 13; ++x) ASSERT_EQ(R.Canvas().Pixels(x, y), B.Canvas().Pixels(x, y)) << x << "," << y;
}

TEST_F(BitmapFiles, EveryDepthIsWrittenInItsOwnDepthAndReadBack)
{
    const std::pair<TPixelFormat, int> Formats[] = {{pf1bit, 1}, {pf8bit, 8}, {pf15bit, 16}, {pf16bit, 16},
                                                    {pf24bit, 24}, {pf32bit, 32}};
    for (const auto& [Pf, Bits] : Formats) {
        SCOPED_TRACE(Bits);
        TBitmap B(7, 3, Pf);
        for (int x = 0; x < 7; ++x) {
            B.Canvas().SetPixels(x, 0, x % 2 ? clBlack : clWhite);
            B.Canvas().SetPixels(x, 2, x % 3 ? clWhite : clBlack);
        }
        if (Pf != pf1bit) B.Canvas().SetPixels(3, 1, clRed);
        B.SaveToFile(Path("d.bmp"));
        const std::vector<uint8_t> F = ReadFileBytes(Path("d.bmp"));
        EXPECT_EQ(F[28], Bits);
        const std::size_t Row = ((7 * Bits + 31) / 32) * 4;
        EXPECT_EQ(F.size(), Le32(F, 10) + Row * 3);
        TBitmap R;
        R.LoadFromFile(Path("d.bmp"));
        EXPECT_EQ(R.BitsPerPixel(), Bits);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x) ASSERT_EQ(R.Canvas().Pixels(x, y), B.Canvas().Pixels(x, y)) << x << "," << y;
    }
}

TEST(Bitmap, PaletteFormatsMapToTheirPalette)
{
    TBitmap B(4, 1, pf24bit);
    B.Canvas().SetPixels(0, 0, RGB(0xF0, 0x10, 0x08)); // nearly red
    B.Canvas().SetPixels(1, 0, RGB(0x70, 0x78, 0x80)); // nearly grey
    B.SetPixelFormat(pf4bit);
    EXPECT_EQ(B.Palette().size(), 16u);
    EXPECT_EQ(B.Canvas().Pixels(0, 0), clRed);
    EXPECT_EQ(B.Canvas().Pixels(1, 0), clGray);
    // Drawing in a colour off the palette reads back as the nearest entry.
    B.Canvas().SetPixels(2, 0, RGB(0x00, 0x00, 0xE0));
    EXPECT_EQ(B.Canvas().Pixels(2, 0), clBlue);
    // A palette of one's own.
    B.SetPalette({clBlack, RGB(1, 2, 3)});
    EXPECT_EQ(B.Palette().size(), 16u);
    EXPECT_EQ(B.Canvas().Pixels(3, 0), RGB(1, 2, 3)); // white is nearest to (1, 2, 3) of these
    // Leaving the palette formats drops the palette.
    B.SetPixelFormat(pf32bit);
    EXPECT_TRUE(B.Palette().empty());
    EXPECT_EQ(B.MapToPalette(0x123456), 0x123456u);
}

TEST(Bitmap, FifteenBitPixelsReadBackWithFiveBitsPerChannel)
{
    for (TPixelFormat Pf : {pf15bit, pf16bit, pf24bit}) {
        TBitmap B(256, 1, Pf);
        for (int v = 0; v < 256; ++v) B.Canvas().SetPixels(v, 0, RGB(uint8_t(v), uint8_t(255 - v), uint8_t(v / 2)));
        for (int v = 0; v < 256; ++v) {
            const TColor C = RGB(uint8_t(v), uint8_t(255 - v), uint8_t(v / 2));
            ASSERT_EQ(B.Canvas().Pixels(v, 0), B.MapToPalette(C)) << v;
        }
        if (Pf == pf24bit) {
            EXPECT_EQ(B.MapToPalette(clMaroon), clMaroon);
        } else {
            EXPECT_EQ(B.MapToPalette(clWhite), clWhite);
            EXPECT_EQ(B.MapToPalette(clMaroon), 0x000084u);
        }
    }
}

TEST_F(BitmapFiles, IndexedFilesKeepTheirOwnColours)
{
    // A short colour table written by another program (Qt writes it with 4 bits per pixel).
    QImage Img(3, 2, QImage::Format_Indexed8);
    Img.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 50), qRgb(1, 2, 3)});
    Img.fill(1);
    Img.setPixel(2, 1, 0);
    ASSERT_TRUE(Img.save(QString::fromStdString(Path("p.bmp")), "BMP"));
    TBitmap B;
    B.LoadFromFile(Path("p.bmp"));
    EXPECT_EQ(B.PixelFormat(), pf4bit);
    EXPECT_EQ(B.Palette()[2], RGB(1, 2, 3));
    EXPECT_EQ(B.Canvas().Pixels(0, 0), RGB(200, 100, 50));
    EXPECT_EQ(B.Canvas().Pixels(2, 1), RGB(10, 20, 30));

    // An 8-bit bitmap with a palette of its own keeps it through its file.
    TBitmap E(5, 2, pf8bit);
    std::vector<TColor> Pal(256);
    for (int i = 0; i < 256; ++i) Pal[i] = RGB(uint8_t(i), uint8_t(255 - i), 7);
    E.SetPalette(Pal);
    E.Canvas().SetPixels(4, 1, RGB(100, 155, 7));
    E.SaveToFile(Path("q.bmp"));
    EXPECT_EQ(ReadFileBytes(Path("q.bmp"))[28], 8);
    TBitmap C;
    C.LoadFromFile(Path("q.bmp"));
    EXPECT_EQ(C.PixelFormat(), pf8bit);
    EXPECT_EQ(C.Palette(), Pal);
    EXPECT_EQ(C.Canvas().Pixels(4, 1), RGB(100, 155, 7));
    EXPECT_EQ(C.Canvas().Pixels(0, 0), E.Canvas().Pixels(0, 0));
}

TEST_F(BitmapFiles, TextSizeDoesNotDependOnTheResolutionAFileDeclares)
{
    QImage Img(50, 20, QImage::Format_RGB32);
    Img.fill(Qt::white);
    Img.setDotsPerMeterX(1000); // about 25 dpi
    Img.setDotsPerMeterY(1000);
    ASSERT_TRUE(Img.save(QString::fromStdString(Path("lowres.bmp")), "BMP"));
    TBitmap Loaded, Fresh(50, 20, pf24bit);
    Loaded.LoadFromFile(Path("lowres.bmp"));
    Loaded.Canvas().Font().SetSize(14);
    Fresh.Canvas().Font().SetSize(14);
    EXPECT_EQ(Loaded.Canvas().TextHeight("Ag"), Fresh.Canvas().TextHeight("Ag"));
    EXPECT_EQ(Loaded.Canvas().TextWidth("Wide text"), Fresh.Canvas().TextWidth("Wide text"));
}

TEST_F(BitmapFiles, FailedLoadsThrowAndKeepTheBitmap)
{
    TBitmap B(3, 3, pf24bit);
    B.Canvas().SetPixels(1, 1, clRed);
    EXPECT_THROW(B.LoadFromFile(Path("missing.bmp")), EInOutError);
    const char Junk[] = "BMthis is not a bitmap at all, only text";
    WriteFileBytes(Path("junk.bmp"), Junk, sizeof Junk);
    EXPECT_THROW(B.LoadFromFile(Path("junk.bmp")), EInOutError);
    WriteFileBytes(Path("short.bmp"), "BM", 2);
    EXPECT_THROW(B.LoadFromFile(Path("short.bmp")), EInOutError);
    EXPECT_EQ(B.Width(), 3);
    EXPECT_EQ(B.Canvas().Pixels(1, 1), clRed);
    EXPECT_THROW(B.SaveToFile(Path("no/such/dir/x.bmp")), EInOutError);
}

TEST(Bitmap, StreamsHoldBitmapsBackToBackAndReportProgress)
{
    TBitmap A(5, 4, pf24bit), B(2, 6, pf4bit);
    A.Canvas().SetPixels(4, 3, clLime);
    B.Canvas().SetPixels(1, 5, clNavy);
    TMemoryStream S;
    A.SaveToStream(S);
    B.SaveToStream(S);
    S.SetPosition(0);
    TBitmap RA, RB;
    std::vector<int> Seen;
    RA.OnProgress = [&](TObject* Sender, int Percent) {
        EXPECT_EQ(Sender, &RA);
        Seen.push_back(Percent);
    };
    RA.LoadFromStream(S);
    RB.LoadFromStream(S);
    EXPECT_EQ(Seen, (std::vector<int>{0, 100}));
    EXPECT_EQ(RA.Width(), 5);
    EXPECT_EQ(RA.Canvas().Pixels(4, 3), clLime);
    EXPECT_EQ(RB.Height(), 6);
    EXPECT_EQ(RB.PixelFormat(), pf4bit);
    EXPECT_EQ(RB.Canvas().Pixels(1, 5), clNavy);
    EXPECT_EQ(S.Position(), S.Size());
}

TEST(Bitmap, ResizingKeepsThePixelsThatStayAndWhitensTheRest)
{
    TBitmap B(4, 4, pf15bit);
    EXPECT_EQ(B.Canvas().Pixels(3, 3), clWhite);
    B.Canvas().SetPixels(1, 1, clBlack);
    B.Canvas().SetPixels(3, 3, clBlack);
    B.Canvas().Pen().SetColor(clBlack);
    B.Canvas().MoveTo(0, 0); // leaves the painter open across the resize
    B.Canvas().LineTo(1, 0);
    B.SetSize(6, 2);
    EXPECT_EQ(B.Width(), 6);
    EXPECT_EQ(B.Height(), 2);
    EXPECT_EQ(B.Canvas().Pixels(1, 1), clBlack);
    EXPECT_EQ(B.Canvas().Pixels(0, 0), clBlack);
    EXPECT_EQ(B.Canvas().Pixels(5, 1), clWhite);
    B.SetHeight(5);
    EXPECT_EQ(B.Canvas().Pixels(3, 3), clWhite); // cut off before, new now
    B.SetWidth(-3);
    EXPECT_TRUE(B.Empty());
    EXPECT_EQ(B.Height(), 5); // the other size is kept, so setting width and height in turn works
    B.SetWidth(4);
    EXPECT_EQ(B.Canvas().Pixels(3, 4), clWhite);
    TBitmap Fresh;
    Fresh.SetWidth(7);
    Fresh.SetHeight(2);
    EXPECT_EQ(Fresh.Width(), 7);
    EXPECT_EQ(Fresh.Height(), 2);
    EXPECT_THROW(TBitmap(-1, 2), std::invalid_argument);

    TBitmap C;
    C.Assign(B);
    EXPECT_EQ(C.PixelFormat(), pf15bit);
    B.SetSize(3, 3);
    TBitmap D;
    D.Assign(B);
    B.Canvas().SetPixels(0, 0, clRed); // the copy is independent
    EXPECT_EQ(D.Canvas().Pixels(0, 0), clWhite);
}

TEST_F(BitmapFiles, JpegRoundTripKeepsSizeAndApproximateColours)
{
    TBitmap B(64, 40, pf24bit);
    B.Canvas().Brush().SetColor(RGB(200, 40, 40));
    B.Canvas().FillRect(Rect(0, 0, 32, 40));
    TJPEGImage J;
    J.Assign(B);
    std::vector<int> Seen;
    J.OnProgress = [&](TObject*, int Percent) { Seen.push_back(Percent); };
    J.SaveToFile(Path("a.jpg"));
    J.SetCompressionQuality(5);
    J.SaveToFile(Path("small.jpg"));
    EXPECT_LT(ReadFileBytes(Path("small.jpg")).size(), ReadFileBytes(Path("a.jpg")).size());

    TJPEGImage R;
    R.OnProgress = J.OnProgress;
    R.LoadFromFile(Path("a.jpg"));
    EXPECT_EQ(Seen, (std::vector<int>{0, 100, 0, 100, 0, 100}));
    EXPECT_EQ(R.Width(), 64);
    EXPECT_EQ(R.Height(), 40);
    TBitmap Back;
    R.AssignTo(Back);
    EXPECT_EQ(Back.PixelFormat(), pf24bit);
    EXPECT_EQ(Back.Width(), 64);
    const TColor P = Back.Canvas().Pixels(10, 20), Q = Back.Canvas().Pixels(50, 20);
    EXPECT_NEAR(GetRValue(P), 200, 12);
    EXPECT_NEAR(GetGValue(P), 40, 12);
    EXPECT_NEAR(GetRValue(Q), 255, 12);
    EXPECT_NEAR(GetBValue(Q), 255, 12);

    EXPECT_EQ(J.CompressionQuality(), 5);
    J.SetCompressionQuality(500);
    EXPECT_EQ(J.CompressionQuality(), 100);
}

TEST_F(BitmapFiles, JpegFailuresThrow)
{
    TJPEGImage J;
    EXPECT_THROW(J.SaveToFile(Path("empty.jpg")), EInOutError);
    EXPECT_FALSE(FileExists(Path("empty.jpg")));
    EXPECT_THROW(J.LoadFromFile(Path("missing.jpg")), EInOutError);
    WriteFileBytes(Path("bad.jpg"), "\xFF\xD8 not really", 12);
    EXPECT_THROW(J.LoadFromFile(Path("bad.jpg")), EInOutError);
    EXPECT_TRUE(J.Empty());
    // A JPEG in a stream, after other data.
    TBitmap B(8, 8, pf32bit);
    J.Assign(B);
    TMemoryStream S;
    S.Write("xy", 2);
    J.SaveToStream(S);
    S.SetPosition(2);
    TJPEGImage R;
    R.LoadFromStream(S);
    EXPECT_EQ(R.Width(), 8);
}
