// TGeoMap overlay: a landmark's caption. The anchor (the landmark's control point moved by dx, dy)
// sits at the left, centre or right and the top, middle or bottom of the text's box; a caption
// with a direction is rotated counter-clockwise about its reference point with those offsets
// rotated alike, so the anchor keeps its place on the text.
//
// Thousands of captions are written on every paint, mostly the same texts in a few styles, so the
// laid-out text and its width are kept per style and text, and the canvas font is touched only
// when the style changes.
#include <QStaticText>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "geomap/geomap_overlay.h"
#include "host/gui/tyx_qtcolor.h"
#include "host/tyx_cpu.h"
#include "host/tyx_rounding.h"

namespace tyx {

namespace {

struct TLaidOut {
    QStaticText Text;
    int Width = 0;
    int Height = 0;
    // The text's coverage, cut to its ink, drawn on first use at the picture's resolution:
    // blending it costs far less than laying the glyphs onto the 15-bit picture each time.
    bool MaskMade = false;
    bool Blank = false; // no ink at all
    int MaskX = 0, MaskY = 0, MaskW = 0, MaskH = 0; // image pixels from the text's top-left corner
    std::vector<uint8_t> Mask;
};

/// Laid-out captions by style and text. Only the painting thread uses its own cache; it is
/// emptied whole when it grows beyond a bound, so a host that keeps changing captions never makes
/// it grow without end.
class TCaptionCache {
public:
    TLaidOut& Get(const QFont& Font, const std::string& Key, const std::string& Text)
    {
        if (FItems.size() >= MaxItems || FMaskBytes > MaxMaskBytes) {
            FItems.clear();
            FMaskBytes = 0;
        }
        auto [It, New] = FItems.try_emplace(Key);
        if (New) {
            const QString S = QString::fromStdString(Text);
            const QFontMetrics FM(Font);
            It->second.Text = QStaticText(S);
            It->second.Text.setTextFormat(Qt::PlainText);
            It->second.Text.setPerformanceHint(QStaticText::AggressiveCaching);
            It->second.Text.prepare(QTransform(), Font);
            It->second.Width = FM.horizontalAdvance(S);
            It->second.Height = FM.height();
        }
        return It->second;
    }

    /// The coverage of L's text in Font, made on first use, at Scale image pixels per pixel.
    void MakeMask(const QFont& Font, TLaidOut& L, double Scale)
    {
        L.MaskMade = true;
        // Room around the box for overhanging glyphs (italics, accents).
        const int Pad = Round((L.Height / 2 + 2) * Scale);
        const int W = Round(L.Width * Scale) + 2 * Pad, H = Round(L.Height * Scale) + 2 * Pad;
        if (W <= 0 || H <= 0 || int64_t(W) * H > (1 << 22)) return;
        // One scratch picture with its painter kept open: opening a painter per caption would
        // cost more than the caption.
        if (FScratch.width() < W || FScratch.height() < H) {
            if (FPainter.isActive()) FPainter.end();
            FScratch = QImage(std::max(W, std::max(FScratch.width(), 512)), std::max(H, std::max(FScratch.height(), 64)),
                              QImage::Format_ARGB32_Premultiplied);
        }
        if (!FPainter.isActive()) {
            FPainter.begin(&FScratch);
            FPainter.setPen(Qt::black);
        }
        FPainter.setCompositionMode(QPainter::CompositionMode_Source);
        FPainter.fillRect(0, 0, W, H, Qt::transparent);
        ClearUpperVectorState(); // Qt's fills leave wide registers in use
        FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        if (FPainter.font() != Font) FPainter.setFont(Font);
        if (Scale == 1) {
            FPainter.drawStaticText(Pad, Pad, L.Text);
        } else {
            FPainter.save();
            FPainter.translate(Pad, Pad);
            FPainter.scale(Scale, Scale);
            FPainter.drawStaticText(0, 0, L.Text);
            FPainter.restore();
        }
        int X0 = W, Y0 = H, X1 = -1, Y1 = -1;
        for (int y = 0; y < H; ++y) {
            const QRgb* Row = reinterpret_cast<const QRgb*>(FScratch.constScanLine(y));
            for (int x = 0; x < W; ++x)
                if (qAlpha(Row[x]) != 0) X0 = std::min(X0, x), X1 = std::max(X1, x), Y0 = std::min(Y0, y), Y1 = y;
        }
        if (X1 < 0) {
            L.Blank = true;
            return;
        }
        L.MaskX = X0 - Pad, L.MaskY = Y0 - Pad, L.MaskW = X1 - X0 + 1, L.MaskH = Y1 - Y0 + 1;
        L.Mask.resize(std::size_t(L.MaskW) * std::size_t(L.MaskH));
        for (int y = 0; y < L.MaskH; ++y) {
            const QRgb* Row = reinterpret_cast<const QRgb*>(FScratch.constScanLine(Y0 + y));
            for (int x = 0; x < L.MaskW; ++x) L.Mask[std::size_t(y) * std::size_t(L.MaskW) + std::size_t(x)] = uint8_t(qAlpha(Row[X0 + x]));
        }
        FMaskBytes += L.Mask.size();
    }

private:
    static constexpr std::size_t MaxItems = 65536;
    static constexpr std::size_t MaxMaskBytes = std::size_t(32) << 20;
    std::unordered_map<std::string, TLaidOut> FItems;
    std::size_t FMaskBytes = 0;
    QImage FScratch;
    QPainter FPainter; // on FScratch; declared after it, so it ends before the picture goes
};

/// Sets only what differs, so that a run of captions in one style keeps the painter's font.
template <typename T>
void Keep(T Current, T Value, auto Set)
{
    if (Current != Value) Set(Value);
}

} // namespace

namespace {

TCaptionCache& Cache()
{
    thread_local TCaptionCache Items;
    return Items;
}

/// A caption laid out at its place: the text and its top-left reference point.
struct TPlacedCaption {
    TLaidOut* L = nullptr;
    long long x = 0, y = 0;
    int Direction = 0;
};

/// Sets the canvas font to the caption's and finds where its text goes at APoint; false when
/// nothing is to be written.
bool PlaceCaption(TCanvas& C, const TPoint& APoint, const TLMTextProperties& Caption, TPlacedCaption& Out)
{
    TFont& F = C.Font();
    Keep(F.Color(), Caption.FGColor, [&](TColor V) { F.SetColor(V); });
    // A file that leaves the size out gives 0: such captions are written at the usual size.
    Keep(F.Size(), Caption.Size > 0 ? Caption.Size : LMDefaultCaptionSize, [&](int V) { F.SetSize(V); });
    Keep(F.Style(), Caption.FontStyles, [&](TFontStyles V) { F.SetStyle(V); });
    if (F.Name() != Caption.FontName) F.SetName(Caption.FontName);
    if (F.Orientation() != 0) F.SetOrientation(0);
    if (Caption.HAlignment > taCenter || Caption.VAlignment > vaBottom) return false;
    const std::string Text = Caption.Text.Str();
    if (Text.empty() || !C.Image() || C.Image()->isNull()) return false;

    QPainter& P = C.Painter();
    std::string Key = Caption.FontName;
    Key += '\0' + std::to_string(F.Size()) + '\0' + char('0' + F.Style()) + '\0';
    // A scaled canvas keeps masks of its own resolution.
    if (C.Scale() != 1) Key += std::to_string(C.Scale()) + '\0';
    Key += Text;
    TLaidOut& L = Cache().Get(P.font(), Key, Text);
    const int w = L.Width / 2, h = L.Height / 2;
    const int a = Caption.HAlignment == taLeftJustify ? 0 : Caption.HAlignment == taCenter ? w : 2 * w;
    const int v = Caption.VAlignment == vaTop ? 0 : Caption.VAlignment == vaMiddle ? h : 2 * h;
    // Whole turns dropped first, so that no direction can overflow.
    const int Direction = Caption.Direction % 360;
    const double t = Direction * std::numbers::pi / 180;
    const long long x = (long long)APoint.X + Caption.dx + Round(-a * std::cos(t) - v * std::sin(t));
    const long long y = (long long)APoint.Y + Caption.dy + Round(a * std::sin(t) - v * std::cos(t));
    // An offset that leaves the int range would only place the text far off the picture.
    if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX) return false;
    Out = {&L, x, y, Direction};
    return true;
}

} // namespace

bool LandMarkCaptionBox(TCanvas& C, const TPoint& APoint, const TLMTextProperties& Caption, TRect& Box)
{
    TPlacedCaption Pl;
    if (!PlaceCaption(C, APoint, Caption, Pl)) return false;
    const double W = Pl.L->Width, H = Pl.L->Height;
    // The painter turns the text counter-clockwise about its reference point.
    const double t = Pl.Direction * std::numbers::pi / 180, c = std::cos(t), s = std::sin(t);
    double X0 = 0, X1 = 0, Y0 = 0, Y1 = 0;
    for (const auto& [u, v] : {std::pair{W, 0.0}, std::pair{0.0, H}, std::pair{W, H}}) {
        const double X = u * c + v * s, Y = -u * s + v * c;
        X0 = std::min(X0, X), X1 = std::max(X1, X), Y0 = std::min(Y0, Y), Y1 = std::max(Y1, Y);
    }
    constexpr double Far = double(1 << 28);
    auto Clamp = [&](double V) { return int(std::clamp(V, -Far, Far)); };
    Box = Rect(Clamp(double(Pl.x) + std::floor(X0)), Clamp(double(Pl.y) + std::floor(Y0)),
               Clamp(double(Pl.x) + std::ceil(X1)), Clamp(double(Pl.y) + std::ceil(Y1)));
    return true;
}

void DrawLandMarkCaption(TCanvas& C, const TPoint& APoint, const TLMTextProperties& Caption)
{
    C.Brush().SetColor(Caption.BGColor);
    if (Caption.Transparent) C.Brush().SetStyle(bsClear);
    TPlacedCaption Pl;
    if (!PlaceCaption(C, APoint, Caption, Pl)) return;
    QPainter& P = C.Painter();
    TLaidOut& L = *Pl.L;
    const long long x = Pl.x, y = Pl.y;
    const int Direction = Pl.Direction;

    constexpr long long Near = 1 << 24; // beyond, the painter places the text
    bool BoxDrawn = false;
    if (Direction == 0 && std::llabs(x) < Near && std::llabs(y) < Near) {
        if (!Caption.Transparent) P.fillRect(QRect(int(x), int(y), L.Width, L.Height), TColorToQColor(Caption.BGColor));
        BoxDrawn = true;
        const double S = C.Scale();
        if (!L.MaskMade) Cache().MakeMask(P.font(), L, S);
        const int IX = S == 1 ? int(x) : Round(x * S), IY = S == 1 ? int(y) : Round(y * S);
        if (L.Blank || (!L.Mask.empty() && C.BlendMask(IX + L.MaskX, IY + L.MaskY, L.MaskW, L.MaskH, L.Mask.data(),
                                                         Caption.FGColor))) {
            C.SetPenPos(Point(int(x) + L.Width, int(y)));
            return;
        }
    }
    P.save();
    P.translate(double(x), double(y));
    if (Direction != 0) P.rotate(-Direction);
    if (!Caption.Transparent && !BoxDrawn) P.fillRect(QRect(0, 0, L.Width, L.Height), TColorToQColor(Caption.BGColor));
    P.setPen(TColorToQColor(Caption.FGColor));
    P.drawStaticText(0, 0, L.Text);
    P.restore();
    C.SetPenPos(Point(int(x) + L.Width, int(y)));
}

} // namespace tyx
