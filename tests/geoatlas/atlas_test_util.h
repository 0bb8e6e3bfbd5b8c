// Calibrated maps on disk for the atlas tests: an equirectangular calibration of a lat/long box
// (four calibration points at the image corners), its corners, a resolution of our choosing and,
// when asked, a plain image beside it.
#pragma once
#include "geoatlas/Tyx_geoatlas.h"
#include "geomap/core/tyx_geomap_xml.h"
#include "host/tyx_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace tyx::test {

struct TBox {
    double LatLow, LongLow, LatHigh, LongHigh;
};

class AtlasTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FDir = std::filesystem::temp_directory_path() /
               ("tyx_atlas_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(FDir);
    }
    void TearDown() override { std::filesystem::remove_all(FDir); }

    std::string Path(const std::string& Name) const { return (FDir / Name).string(); }

    /// Writes the calibration file Name (directories are created) for an image of W x H pixels
    /// covering Box; the image itself, filled with Color, only when ImageName is not empty.
    std::string WriteMap(const std::string& Name, const TBox& Box, double Resolution, const std::string& Caption,
                         const std::string& ImageName = "", int W = 300, int H = 300, TColor Color = clWhite) const
    {
        const std::filesystem::path File = FDir / Name;
        std::filesystem::create_directories(File.parent_path());
        TCalibData D;
        D.MapFName = ImageName;
        D.Caption = Caption;
        D.Resolution = Resolution;
        D.Corners[gcoTopLeft] = {Box.LatHigh, Box.LongLow};
        D.Corners[gcoBottomLeft] = {Box.LatLow, Box.LongLow};
        D.Corners[gcoBottomRight] = {Box.LatLow, Box.LongHigh};
        D.Corners[gcoTopRight] = {Box.LatHigh, Box.LongHigh};
        const int X[] = {0, 0, W, W}, Y[] = {0, H, H, 0};
        D.NumCalQuads = 4;
        for (int i = 0; i < 4; ++i)
            D.CalQuads[i + 1] = {D.Corners[i].Latit, D.Corners[i].Longit, X[i], Y[i]};
        TTextFile F;
        F.Rewrite(File.string());
        WriteRawCalDataToOpenXMLFile(F, true, "", D, cmEquiRect);
        F.Close();
        if (!ImageName.empty()) {
            TBitmap Img(W, H, pf24bit);
            Img.Canvas().Brush().SetColor(Color);
            Img.Canvas().FillRect(Rect(0, 0, W, H));
            Img.SaveToFile((File.parent_path() / ImageName).string());
        }
        return File.string();
    }

    std::filesystem::path FDir;
};

} // namespace tyx::test
