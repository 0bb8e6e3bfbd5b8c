// TIFFs the map image and GeoTIFF tests write with libtiff and libgeotiff.
#pragma once
#include <gtest/gtest.h>

#include <geotiff/geotiff.h>
#include <geotiff/xtiffio.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace tyx::test {

inline constexpr int TiffW = 40, TiffH = 30;

/// A W x H RGB TIFF, red left of column 20 and blue right of it (green added below row TiffH, so
/// that a misplaced band of rows shows), in strips of 7 rows or tiles of 16 x 16; Tags, when
/// given, sets the georeferencing.
inline void WriteTestTiff(const std::string& Path, int Compression, bool Tiled,
                          const std::function<void(TIFF*, GTIF*)>& Tags = {}, int W = TiffW, int H = TiffH)
{
    std::vector<uint8_t> Rgb(static_cast<std::size_t>(W) * H * 3);
    for (std::size_t i = 0; i < Rgb.size() / 3; ++i) {
        Rgb[i * 3 + (i % W < 20 ? 0 : 2)] = 255;
        if (i / W >= static_cast<std::size_t>(TiffH)) Rgb[i * 3 + 1] = 255;
    }
    TIFF* Tif = XTIFFOpen(Path.c_str(), "w");
    ASSERT_NE(Tif, nullptr);
    TIFFSetField(Tif, TIFFTAG_IMAGEWIDTH, W);
    TIFFSetField(Tif, TIFFTAG_IMAGELENGTH, H);
    TIFFSetField(Tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(Tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(Tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(Tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(Tif, TIFFTAG_COMPRESSION, Compression);
    GTIF* G = GTIFNew(Tif);
    if (Tags) Tags(Tif, G);
    GTIFWriteKeys(G);
    if (Tiled) {
        constexpr int T = 16;
        TIFFSetField(Tif, TIFFTAG_TILEWIDTH, T);
        TIFFSetField(Tif, TIFFTAG_TILELENGTH, T);
        std::vector<uint8_t> Tile(T * T * 3);
        for (int ty = 0; ty < H; ty += T)
            for (int tx = 0; tx < W; tx += T) {
                std::fill(Tile.begin(), Tile.end(), 0);
                for (int y = ty; y < std::min(ty + T, H); ++y)
                    for (int x = tx; x < std::min(tx + T, W); ++x)
                        std::memcpy(&Tile[((y - ty) * T + x - tx) * 3], &Rgb[(static_cast<std::size_t>(y) * W + x) * 3], 3);
                TIFFWriteTile(Tif, Tile.data(), tx, ty, 0, 0);
            }
    } else {
        TIFFSetField(Tif, TIFFTAG_ROWSPERSTRIP, 7);
        for (int y = 0; y < H; ++y)
            TIFFWriteScanline(Tif, &Rgb[static_cast<std::size_t>(y) * W * 3], static_cast<uint32_t>(y), 0);
    }
    GTIFFree(G);
    XTIFFClose(Tif);
}

} // namespace tyx::test
