#include "host/gui/tyx_application.h"
#include "host/gui/tyx_bitmap.h"
#include "host/gui/tyx_clipboard.h"
#include "host/gui/tyx_screen.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tyx;

TEST(Clipboard, BitmapGoesThereAndComesBack)
{
    TBitmap B(6, 4, pf4bit);
    B.Canvas().SetPixels(5, 3, clRed);
    B.Canvas().SetPixels(0, 0, RGB(0, 0, 0xF0)); // off the palette: travels as its palette colour
    ClipboardSetBitmap(B);
    ASSERT_TRUE(ClipboardHasBitmap());
    TBitmap R;
    ASSERT_TRUE(ClipboardGetBitmap(R));
    EXPECT_EQ(R.Width(), 6);
    EXPECT_EQ(R.Height(), 4);
    EXPECT_EQ(R.Canvas().Pixels(5, 3), clRed);
    EXPECT_EQ(R.Canvas().Pixels(0, 0), clBlue);
    EXPECT_EQ(R.Canvas().Pixels(1, 1), clWhite);

    QGuiApplication::clipboard()->setText("words");
    TBitmap Kept(2, 2, pf24bit);
    EXPECT_FALSE(ClipboardHasBitmap());
    EXPECT_FALSE(ClipboardGetBitmap(Kept));
    EXPECT_EQ(Kept.Width(), 2);
}

TEST(ProcessMessages, HandlesWhatIsQueued)
{
    bool Ran = false;
    QTimer::singleShot(0, [&] { Ran = true; });
    for (int i = 0; i < 100 && !Ran; ++i) ProcessMessages();
    EXPECT_TRUE(Ran);
}

TEST(Screen, StandardCursorsAndOwnOnes)
{
    TScreen& S = Screen();
    EXPECT_EQ(&S, &Screen());
    EXPECT_EQ(S.Cursors(crCross).shape(), Qt::CrossCursor);
    EXPECT_EQ(S.Cursors(crHandPoint).shape(), Qt::PointingHandCursor);
    EXPECT_EQ(S.Cursors(crSizeAll).shape(), Qt::SizeAllCursor);
    EXPECT_EQ(S.Cursors(crDefault).shape(), Qt::ArrowCursor);
    EXPECT_EQ(S.Cursors(4711).shape(), Qt::ArrowCursor); // unknown
    EXPECT_FALSE(S.HasCursor(4711));

    S.SetCursors(4711, QCursor(Qt::WaitCursor));
    EXPECT_EQ(S.Cursors(4711).shape(), Qt::WaitCursor);
    S.SetCursors(crDefault, QCursor(Qt::WaitCursor));
    EXPECT_EQ(S.Cursors(crDefault).shape(), Qt::ArrowCursor);

    QTemporaryDir Dir;
    const std::string Png = (Dir.path() + "/c.png").toStdString();
    QImage Img(32, 32, QImage::Format_ARGB32);
    Img.fill(Qt::black);
    ASSERT_TRUE(Img.save(QString::fromStdString(Png)));
    EXPECT_FALSE(LoadCursorResource(1000, ":/nowhere/none.png", 6, 6));
    EXPECT_FALSE(S.HasCursor(1000));
    ASSERT_TRUE(LoadCursorResource(1000, Png, 6, 7));
    EXPECT_EQ(S.Cursors(1000).shape(), Qt::BitmapCursor);
    EXPECT_EQ(S.Cursors(1000).hotSpot(), QPoint(6, 7));

    // The screen cursor overrides the application's until it is set back to crDefault.
    S.SetCursor(crHourGlass);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    S.SetCursor(crCross);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
    S.SetCursor(crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
