// Internal to the map control: a map image above the default pixel limit. Its full-resolution
// pixels are held once, in the most compact format they allow, beside a pyramid of halvings built
// once for zoomed-out views; a view samples only the part of one level that it shows, so that no
// paint touches the whole image. The reduced levels are 15-bit (grey images: 8-bit grey), the
// depth of the composition they are drawn into, which keeps the whole pyramid near a quarter of
// the full image's bytes.
#pragma once
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/gui/tyx_canvas.h"
#include "host/tyx_types.h"

namespace tyx {

/// The picture in the most compact format that keeps its pixels: Grayscale8 for grey pictures,
/// Indexed8 for pictures with a colour table, RGB888 for the rest (alpha is dropped).
QImage CompactImage(QImage Img);

/// Img halved in both directions (odd sizes round up), each pixel the mean of the 2 x 2 it
/// covers; 15-bit, or Grayscale8 for a grey source.
QImage HalveImage(const QImage& Img);

/// What a control keeps of its last view of a pyramid: the sampled pixels and where they lie in
/// the scaled image, so that a pan samples only the strips it uncovers.
struct TKeptView {
    QImage Pixels;               ///< RGB555 at the view's device pixels
    std::uint64_t Pyramid = 0;   ///< serial number of the pyramid sampled; 0: nothing kept
    std::size_t Level = 0;
    double Mag = 0;
    bool Smooth = false;
    QPoint Origin;               ///< pixel of the scaled image at Pixels' (0, 0)
};

class TImagePyramid {
public:
    /// Takes Full as level 0 (made compact) and halves it down to 512 pixels on the longer side.
    explicit TImagePyramid(QImage Full);

    int Width() const { return FLevels.front().width(); }
    int Height() const { return FLevels.front().height(); }
    /// Level 0 is the full-resolution image; level k about 2^-k of its size.
    const QImage& Level(std::size_t k) const { return FLevels[k]; }
    std::size_t LevelCount() const { return FLevels.size(); }
    /// The coarsest level that still has at least Mag of the full image's pixels per pixel; 0
    /// from Mag 1 up.
    std::size_t LevelFor(double Mag) const;
    /// Bytes of the pixels of all levels.
    long long Bytes() const;

    /// Draws map-image pixel TopLeft and what follows at Mag onto (0, 0, W, H) of C, as a
    /// stretch from the full image would; SampleMag is the magnification in C's own pixels
    /// (Mag times the canvas's scale) and picks the level. Below 1 the view is sampled from the
    /// level in one pass (Smooth: the mean of the area each pixel covers, else the nearest
    /// pixel); Kept, when given, holds that sample between calls and is reused where it fits.
    void DrawView(TCanvas& C, int W, int H, TPoint TopLeft, double Mag, double SampleMag, bool Smooth,
                  TKeptView* Kept = nullptr) const;

private:
    /// Samples the rectangle R of Out, whose (0, 0) is pixel Origin of the image scaled to
    /// SampleMag, from level k.
    void Sample(QImage& Out, const QRect& R, QPoint Origin, std::size_t k, double SampleMag, bool Smooth) const;

    std::vector<QImage> FLevels;
    std::uint64_t FId;
};

} // namespace tyx
