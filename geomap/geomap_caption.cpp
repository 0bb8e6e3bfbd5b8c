// TGeoMap overlay: a landmark's caption. The anchor (the landmark's control point moved by dx, dy)
// sits at the left, centre or right and the top, middle or bottom of the text's box; a caption
// with a direction is rotated counter-clockwise about its reference point with those offsets
// rotated alike, so the anchor keeps its place on the text.
//
// Thousands of captions are written on every paint, mostly the same texts in a few styles, so the
// laid-out text and its width are kept per style and text, and the canvas font is touched only
// when the style changes.
#include <QStaticText>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <tuple>
#include <unordered_map>

#include "geomap/geomap_overlay.h"
#include "host/gui/tyx_qtcolor.h"
#include "host/tyx_rounding.h"

namespace tyx {

namespace {

struct TLaidOut {
    QStaticText Text;
    int Width = 0;
    int Height = 0;
};

/// Laid-out captions by style and text. Only the painting thread uses its own cache; it is
/// emptied whole when it grows beyond a bound, so a host that keeps changing captions never makes
/// it grow without end.
class TCaptionCache {
public:
    const TLaidOut& Get(const QFont& Font, const std::string& Key, const std::string& Text)
    {
        if (FItems.size() >= MaxItems) FItems.clear();
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

private:
    static constexpr std::size_t MaxItems = 65536;
    std::unordered_map<std::string, TLaidOut> FItems;
};

/// Sets only what differs, so that a run of captions in one style keeps the painter's font.
template <typename T>
void Keep(T Current, T Value, auto Set)
{
    if (Current != Value) Set(Value);
}

} // namespace

void DrawLandMarkCaption(TCanvas& C, const TPoint& APoint, const TLMTextProperties& Caption)
{
    C.Brush().SetColor(Caption.BGColor);
    if (Caption.Transparent) C.Brush().SetStyle(bsClear);
    TFont& F = C.Font();
    Keep(F.Color(), Caption.FGColor, [&](TColor V) { F.SetColor(V); });
    Keep(F.Size(), std::max(1, Caption.Size), [&](int V) { F.SetSize(V); });
    Keep(F.Style(), Caption.FontStyles, [&](TFontStyles V) { F.SetStyle(V); });
    if (F.Name() != Caption.FontName) F.SetName(Caption.FontName);
    if (F.Orientation() != 0) F.SetOrientation(0);
    if (Caption.HAlignment > taCenter || Caption.VAlignment > vaBottom) return;
    const std::string Text = Caption.Text.Str();
    if (Text.empty() || !C.Image() || C.Image()->isNull()) return;

    QPainter& P = C.Painter();
    thread_local TCaptionCache Cache;
    std::string Key = Caption.FontName;
    Key += '\0' + std::to_string(F.Size()) + '\0' + char('0' + F.Style()) + '\0';
    Key += Text;
    const TLaidOut& L = Cache.Get(P.font(), Key, Text);
    const int w = L.Width / 2, h = L.Height / 2;
    const int a = Caption.HAlignment == taLeftJustify ? 0 : Caption.HAlignment == taCenter ? w : 2 * w;
    const int v = Caption.VAlignment == vaTop ? 0 : Caption.VAlignment == vaMiddle ? h : 2 * h;
    // Whole turns dropped first, so that no direction can overflow.
    const int Direction = Caption.Direction % 360;
    const double t = Direction * std::numbers::pi / 180;
    const long long x = (long long)APoint.X + Caption.dx + Round(-a * std::cos(t) - v * std::sin(t));
    const long long y = (long long)APoint.Y + Caption.dy + Round(a * std::sin(t) - v * std::cos(t));
    // An offset that leaves the int range would only place the text far off the picture.
    if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX) return;

    P.save();
    P.translate(double(x), double(y));
    if (Direction != 0) P.rotate(-Direction);
    if (!Caption.Transparent) P.fillRect(QRect(0, 0, L.Width, L.Height), TColorToQColor(Caption.BGColor));
    P.setPen(TColorToQColor(Caption.FGColor));
    P.drawStaticText(0, 0, L.Text);
    P.restore();
    C.SetPenPos(Point(int(x) + L.Width, int(y)));
}

} // namespace tyx
