// The viewer opens map images above the library's default limit of 3000000 pixels.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

/// Exit code of the program (-1 when it crashed or hung); its error output in Err.
int RunTool(const QString& Program, const QStringList& Args, QString& Err)
{
    QProcess P;
    P.start(Program, Args);
    const bool Done = P.waitForFinished(120000);
    if (!Done) P.kill();
    Err = QString::fromUtf8(P.readAllStandardError());
    return Done && P.exitStatus() == QProcess::NormalExit ? P.exitCode() : -1;
}

TEST(ViewerBigImage, OpensAMapOfMoreThanThreeMillionPixels)
{
    const fs::path Dir = fs::temp_directory_path() / ("tyx_viewer_big_" + std::to_string(::getpid()));
    fs::create_directories(Dir);
    const QString Base = QString::fromStdString((Dir / "big").string());
    QString Err;
    // 2100 x 2000: 4.2 million pixels of white paper with a grid.
    ASSERT_EQ(RunTool(TYXGEO_PATH, {"emptymap", Base + ".bmp", "40", "0", "50", "10", "1", "1", "2100", "2000"}, Err), 0)
        << Err.toStdString();
    const QString Png = Base + "-view.png";
    ASSERT_EQ(RunTool(VIEWER_PATH, {"--calib", Base + ".xml", "--size", "640x480", "--export", Png}, Err), 0)
        << Err.toStdString();
    const QImage View(Png);
    ASSERT_FALSE(View.isNull());
    // The paper, not the silver of an empty control.
    int White = 0;
    for (int x = 50; x < 250; ++x) White += View.pixel(x, 100) == qRgb(255, 255, 255);
    EXPECT_GT(White, 150);
    fs::remove_all(Dir);
}

} // namespace
