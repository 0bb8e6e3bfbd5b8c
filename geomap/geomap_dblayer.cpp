// TGeoDBLayer: the database's items drawn on the map. Per item the layer keeps the points as read
// and reduced copies built on demand; per view (one calibration, one magnification) the points
// converted to map-image pixels and thinned to within half a control pixel, so that a pan converts only
// the items that come into view and a repaint converts nothing.
#include "geomap/Tyx_geodblayer.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <tuple>
#include <unordered_map>

#include <QPainterPath>
#include <QPolygonF>

#include "geomap/geomap_thinlines.h"

namespace tyx {

namespace {

// Tolerances of the reduced copies, degrees, finest first.
constexpr std::array<double, 9> ReducedTolerance{0.002, 0.004, 0.008, 0.016, 0.032, 0.064, 0.128, 0.256, 0.512};
constexpr int FullPoints = -1; // the level of the points as read
// The longest step a reduced copy keeps, in tolerances: a chord of about 32 pixels stays within
// half a pixel of a parallel on the common projections.
constexpr double MaxStepPerTolerance = 64;

// What a point of a ring piece cut at the antimeridian has: a longitude of exactly +-180.
bool OnCut(const TSCoords& P) { return P.Longit == 180.0f || P.Longit == -180.0f; }

QColor ToQColor(TColor C) { return QColor(int(C & 0xFF), int((C >> 8) & 0xFF), int((C >> 16) & 0xFF)); }

Qt::PenStyle ToQtPenStyle(TPenStyle S)
{
    switch (S) {
    case psDash: return Qt::DashLine;
    case psDot: return Qt::DotLine;
    case psDashDot: return Qt::DashDotLine;
    case psDashDotDot: return Qt::DashDotDotLine;
    case psClear: return Qt::NoPen;
    case psSolid: break;
    }
    return Qt::SolidLine;
}

// The points of one item in map-image pixels for one view, thinned: the ring or line whole (for
// fills) and the runs to stroke (a ring without its stretches along the antimeridian cut).
struct TConverted {
    int32_t ItemId = 0, BlobOffset = 0; // the item's version converted
    int Level = FullPoints;
    TPixelPath Whole;
    std::vector<TPixelPath> Strokes;
    TPixelF Low, High; // the box of Whole
};

struct TItem {
    int32_t ItemId = 0, BlobOffset = 0, NumPoints = 0;
    bool Loaded = false;
    TgdbPolygon Points;
    std::array<std::unique_ptr<TgdbPolygon>, ReducedTolerance.size()> Reduced;
};

} // namespace

struct TGeoDBLayer::TItemCache {
    // The database as last seen.
    const TGeoDB* Db = nullptr;
    std::string Name;
    int Entries = -1;
    std::unordered_map<int, TItem> Items; // by entry
    // The view the conversions hold for: the calibration's fingerprint and the magnification.
    std::array<double, 9> Fingerprint{};
    double Magnification = 0;
    std::unordered_map<int64_t, TConverted> Converted; // by entry and shift
    std::vector<uint32_t> Kept;
    TPixelPath Scratch;
    QImage Layer; // what a paint onto a 15-bit picture draws into, kept for the next
};

TGeoDBLayer::TGeoDBLayer(TGeoMap* Map, TGeoDB* Database)
    : FDatabase(Database), FCache(std::make_unique<TItemCache>())
{
    for (int k = 0; k <= gitUndefined; ++k) {
        FKindVisible[k] = k != gitTown && k != gitBLOB && k != gitUndefined;
        FKindStyles[k] = DefaultStyle(static_cast<TgdbItem>(k));
    }
    FClassStyles[{gitBorder, gdbLandOutlineClass}] = LandOutlineStyle();
    SetMap(Map);
}

TGeoDBLayer::~TGeoDBLayer()
{
    SetMap(nullptr);
}

void TGeoDBLayer::Changed()
{
    if (FEnabled && FMap) FMap->Paint();
}

void TGeoDBLayer::SetMap(TGeoMap* Value)
{
    if (Value == FMap.data()) return;
    if (FMap) {
        FMap->RemoveLayer(this);
        Changed();
    }
    FMap = Value;
    if (FMap) {
        FMap->AddLayer(this);
        Changed();
    }
}

void TGeoDBLayer::SetDatabase(TGeoDB* Value)
{
    FDatabase = Value;
    Invalidate();
}

void TGeoDBLayer::Invalidate()
{
    FCache = std::make_unique<TItemCache>();
    Changed();
}

void TGeoDBLayer::SetEnabled(bool Value)
{
    if (Value == FEnabled) return;
    FEnabled = Value;
    if (FMap) FMap->Paint();
}

bool TGeoDBLayer::KindVisible(TgdbItem Kind) const
{
    return Kind <= gitUndefined && FKindVisible[Kind];
}

void TGeoDBLayer::SetKindVisible(TgdbItem Kind, bool Value)
{
    if (Kind > gitUndefined || FKindVisible[Kind] == Value) return;
    FKindVisible[Kind] = Value;
    Changed();
}

TGeoDBStyle TGeoDBLayer::Style(TgdbItem Kind, uint8_t ClassFlag) const
{
    const auto It = FClassStyles.find({Kind, ClassFlag});
    if (It != FClassStyles.end()) return It->second;
    return Kind <= gitUndefined ? FKindStyles[Kind] : DefaultStyle(Kind);
}

void TGeoDBLayer::SetKindStyle(TgdbItem Kind, const TGeoDBStyle& Value)
{
    if (Kind > gitUndefined) return;
    FKindStyles[Kind] = Value;
    Changed();
}

void TGeoDBLayer::SetClassStyle(TgdbItem Kind, uint8_t ClassFlag, const TGeoDBStyle& Value)
{
    FClassStyles[{Kind, ClassFlag}] = Value;
    Changed();
}

void TGeoDBLayer::ResetStyles()
{
    for (int k = 0; k <= gitUndefined; ++k) FKindStyles[k] = DefaultStyle(static_cast<TgdbItem>(k));
    FClassStyles = {{{gitBorder, gdbLandOutlineClass}, LandOutlineStyle()}};
    Changed();
}

TGeoDBStyle TGeoDBLayer::DefaultStyle(TgdbItem Kind)
{
    // Colours in TColor order: blue in the high byte.
    constexpr TColor Water = 0xC08040, WaterFill = 0xF0D2A8, Road = 0x2020C8, Route = 0x008CFF;
    switch (Kind) {
    case gitLake: return {Water, 1, psSolid, true, WaterFill};
    case gitRiver: return {Water, 1, psSolid, false, WaterFill};
    case gitRoad: return {Road, 1, psSolid, false, clWhite};
    case gitRoute: return {Route, 2, psSolid, false, clWhite};
    case gitTown: return {0x404040, 1, psSolid, true, 0x404040};
    default: return {clGray, 1, psSolid, false, clWhite};
    }
}

TGeoDBStyle TGeoDBLayer::LandOutlineStyle()
{
    return {clGray, 0, psSolid, false, 0xD8ECF0};
}

void TGeoDBLayer::CheckCaches(double Ratio)
{
    TItemCache& K = *FCache;
    const std::string Name = FDatabase ? FDatabase->GetGDBName() : std::string();
    const int Entries = FDatabase ? FDatabase->NumEntries() : 0;
    if (K.Db != FDatabase || K.Name != Name || K.Entries != Entries) {
        FCache = std::make_unique<TItemCache>();
        FCache->Db = FDatabase;
        FCache->Name = Name;
        FCache->Entries = Entries;
    }
    // A calibration is known by where it puts a few positions, and the view by its magnification.
    const TGeoCalibration& Cal = FMap->Calibration();
    std::array<double, 9> Print{};
    Print[0] = double(Cal.CalibModel()) * 1e6 + Cal.MapImgWidth() + Cal.MapImgHeight() * 1e-6;
    static constexpr double Probe[4][2] = {{0, 0}, {47.5, 11.25}, {-33.3, -70.7}, {61.1, 150.2}};
    for (int i = 0; i < 4; ++i) {
        TPixelF P{std::nan(""), std::nan("")};
        PositionToPixel(Cal, Probe[i][0], Probe[i][1], P);
        Print[1 + 2 * i] = P.X;
        Print[2 + 2 * i] = P.Y;
    }
    const auto Same = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
    const double Resolution = FMap->Magnification() * Ratio;
    bool Unchanged = FCache->Magnification == Resolution;
    for (std::size_t i = 0; i < Print.size() && Unchanged; ++i) Unchanged = Same(Print[i], FCache->Fingerprint[i]);
    if (!Unchanged) {
        FCache->Converted.clear();
        FCache->Fingerprint = Print;
        FCache->Magnification = Resolution;
    }
}

namespace {

// The smallest box holding Points (both corners at the origin when there are none).
void BoxOf(const TPixelPath& Points, TPixelF& Low, TPixelF& High)
{
    Low = High = Points.empty() ? TPixelF{} : Points.front();
    for (const TPixelF& q : Points) {
        Low = {std::min(Low.X, q.X), std::min(Low.Y, q.Y)};
        High = {std::max(High.X, q.X), std::max(High.Y, q.Y)};
    }
}

// A point of map-image pixels in control pixels.
TPixelF ToControl(const TPixelF& q, const TPoint& TL, double Mag) { return {(q.X - TL.X) * Mag, (q.Y - TL.Y) * Mag}; }

// Points of map-image pixels in control pixels.
TPixelPath ToControl(const TPixelPath& In, const TPoint& TL, double Mag)
{
    TPixelPath Out(In.size());
    for (std::size_t i = 0; i < In.size(); ++i) Out[i] = ToControl(In[i], TL, Mag);
    return Out;
}

} // namespace

template <typename F>
void TGeoDBLayer::ForEachViewItem(int W, int H, double Ratio, F&& Visit)
{
    FStats = {};
    if (!FMap || !FDatabase || FDatabase->NumEntries() == 0 || FMap->CalibModel() == cmUndefined) return;
    CheckCaches(Ratio);
    TItemCache& K = *FCache;
    const TGeoCalibration& Cal = FMap->Calibration();
    const double Mag = FMap->Magnification();
    const TPoint TL = FMap->TopLeft();
    double Step = 0;
    const std::vector<TDBQueryBox> Boxes = ViewQueryBoxes(Cal, TMapView{Mag, TL, W, H}, Step);
    // The coarsest reduced copy that moves no point by more than half a control pixel.
    int Level = FullPoints;
    for (int l = 0; l < int(ReducedTolerance.size()); ++l)
        if (ReducedTolerance[l] <= Step / Ratio / 2) Level = l;
    const double Tolerance = 0.5 / (Mag * Ratio); // half a control pixel, in map-image pixels
    for (const TDBQueryBox& B : Boxes) {
        for (const int Entry : FDatabase->FindItemsInBox(B.LatLow, B.LatHigh, B.LongLow, B.LongHigh)) {
            const TgdbData D = FDatabase->GetSumdata(Entry);
            if (!KindVisible(D.ItemKind)) continue;
            const TGeoDBStyle St = Style(D.ItemKind, D.ClassFlag);
            const bool Strokes = St.PenWidth > 0 && St.PenStyle != psClear;
            if (!Strokes && !(St.Filled && D.Closed)) continue; // drawn as nothing
            TItem& It = K.Items[Entry];
            const int64_t Key = int64_t(Entry) * 64 + int64_t(std::lround(B.Shift / 360)) + 32;
            if (!It.Loaded || It.ItemId != D.ItemId || It.BlobOffset != D.BlobOffset || It.NumPoints != D.NumPoints) {
                It = TItem{};
                It.ItemId = D.ItemId;
                It.BlobOffset = D.BlobOffset;
                It.NumPoints = D.NumPoints;
                if (D.ItemKind == gitTown)
                    It.Points = {TSCoords{(D.LatLow + D.LatHigh) / 2, (D.LongLow + D.LongHigh) / 2}};
                else if (!FDatabase->RetrievePolygon(Entry, It.Points))
                    It.Points.clear();
                It.Loaded = true;
            }
            if (It.Points.empty()) continue;
            const bool Closed = D.Closed && D.ItemKind != gitTown && It.Points.size() >= 3;
            TConverted* Conv = nullptr;
            const auto Found = K.Converted.find(Key);
            const int ItemLevel = It.Points.size() > 16 ? Level : FullPoints;
            if (Found != K.Converted.end() && Found->second.Level == ItemLevel &&
                Found->second.ItemId == It.ItemId && Found->second.BlobOffset == It.BlobOffset) {
                Conv = &Found->second;
            } else {
                const TgdbPolygon* Src = &It.Points;
                if (ItemLevel != FullPoints) {
                    auto& R = It.Reduced[ItemLevel];
                    if (!R) R = std::make_unique<TgdbPolygon>(ReducePoints(It.Points, ReducedTolerance[ItemLevel], Closed, MaxStepPerTolerance * ReducedTolerance[ItemLevel]));
                    Src = R.get();
                }
                TConverted& C = K.Converted[Key];
                C = TConverted{};
                C.Level = ItemLevel;
                C.ItemId = It.ItemId;
                C.BlobOffset = It.BlobOffset;
                K.Scratch.clear();
                // The longitude of each point converted where it lies on the cut, else NaN.
                std::vector<float> Cut;
                for (const TSCoords& P : *Src) {
                    TPixelF Px;
                    if (!PositionToPixel(Cal, P.Latit, P.Longit + B.Shift, Px)) continue;
                    K.Scratch.push_back(Px);
                    Cut.push_back(OnCut(P) ? P.Longit : std::nanf(""));
                }
                FStats.PointsConverted += static_cast<long long>(Src->size());
                ThinPixelPath(K.Scratch, Tolerance, Closed, K.Kept);
                C.Whole.reserve(K.Kept.size());
                for (const uint32_t i : K.Kept) C.Whole.push_back(K.Scratch[i]);
                // Strokes: the ring (closed again) or line, broken where it runs along the cut.
                const std::size_t n = K.Kept.size();
                const std::size_t Segments = n == 0 ? 0 : Closed ? n : n - 1;
                TPixelPath Run;
                for (std::size_t s = 0; s < Segments; ++s) {
                    const uint32_t a = K.Kept[s], b = K.Kept[(s + 1) % n];
                    if (Cut[a] == Cut[b]) {
                        if (Run.size() > 1) C.Strokes.push_back(std::move(Run));
                        Run.clear();
                        continue;
                    }
                    if (Run.empty()) Run.push_back(K.Scratch[a]);
                    Run.push_back(K.Scratch[b]);
                }
                if (Run.size() > 1 || (n == 1 && !Closed)) {
                    if (Run.empty()) Run.push_back(C.Whole.front());
                    C.Strokes.push_back(std::move(Run));
                }
                BoxOf(C.Whole, C.Low, C.High);
                Conv = &C;
            }
            Visit(Entry, D, St, Closed, *Conv);
        }
    }
}

std::vector<TDBShape> TGeoDBLayer::ViewShapes(int W, int H, double Ratio)
{
    std::vector<TDBShape> Shapes;
    const TPoint TL = FMap ? FMap->TopLeft() : TPoint{};
    const double Mag = FMap ? FMap->Magnification() : 1;
    ForEachViewItem(W, H, Ratio, [&](int Entry, const TgdbData& D, const TGeoDBStyle&, bool Closed, const TConverted& Conv) {
        TDBShape S;
        S.Entry = Entry;
        S.ItemId = D.ItemId;
        S.Kind = D.ItemKind;
        S.ClassFlag = D.ClassFlag;
        S.Name = D.Name.Str();
        S.Closed = Closed;
        S.Hole = Closed && D.StateFlag == gdbHoleStateFlag;
        S.Feature = D.Tag;
        if (Closed) S.Parts.push_back(ToControl(Conv.Whole, TL, Mag));
        else
            for (const TPixelPath& R : Conv.Strokes) S.Parts.push_back(ToControl(R, TL, Mag));
        ++FStats.ItemsDrawn;
        for (const TPixelPath& P : S.Parts) FStats.PointsDrawn += static_cast<long long>(P.size());
        Shapes.push_back(std::move(S));
    });
    return Shapes;
}

std::vector<TDBShape> TGeoDBLayer::ViewItems()
{
    if (!FMap) return {};
    const TGeoDBLayerStats Keep = FStats;
    std::vector<TDBShape> Shapes = ViewShapes(FMap->width(), FMap->height(), FLastRatio);
    FStats = Keep;
    return Shapes;
}

std::vector<TGeoDBHit> TGeoDBLayer::HitTest(const TPoint& P, double Tolerance)
{
    return HitTestShapes(ViewItems(), TPixelF{double(P.X), double(P.Y)}, Tolerance);
}

namespace {

// Premultiplied 32-bit Layer over the 15-bit Picture within Box, pixel for pixel; transparent
// pixels (most of a layer of lines) are skipped. Box is cleared in Layer afterwards.
void ComposeOver555(QImage& Picture, QImage& Layer, const TRect& Box)
{
    const auto Wide = [](unsigned v) { return (v << 3) | (v >> 2); }; // 5 bits to 8
    for (int y = Box.Top; y < Box.Bottom; ++y) {
        auto* const Src = reinterpret_cast<uint32_t*>(Layer.scanLine(y));
        auto* const Dst = reinterpret_cast<uint16_t*>(Picture.scanLine(y));
        for (int x0 = Box.Left; x0 < Box.Right; x0 += 16) {
            // Sixteen pixels at a time, skipped together when all are clear.
            const int x1 = std::min(Box.Right, x0 + 16);
            uint32_t Any = 0;
            for (int x = x0; x < x1; ++x) Any |= Src[x];
            if (Any == 0) continue;
            for (int x = x0; x < x1; ++x) {
                const uint32_t S = Src[x];
                if (S == 0) continue;
                const unsigned Rest = 255 - (S >> 24), D = Dst[x];
                const auto Mix = [&](unsigned Src8, unsigned Dst5) { return (Src8 + (Wide(Dst5) * Rest + 127) / 255) >> 3; };
                Dst[x] = uint16_t(Mix((S >> 16) & 0xFF, (D >> 10) & 31) << 10 | Mix((S >> 8) & 0xFF, (D >> 5) & 31) << 5 |
                                  Mix(S & 0xFF, D & 31));
            }
        }
        std::fill(Src + Box.Left, Src + Box.Right, 0u);
    }
}

// Whether TThinLines draws the lines of St on a picture of Ratio pixels per control pixel: solid,
// one picture pixel wide.
bool ThinSolid(const TGeoDBStyle& St, double Ratio) { return Ratio == 1 && St.PenWidth == 1 && St.PenStyle == psSolid; }

// The device pixels that Points drawn with a reach of Reach control pixels about them may touch.
TRect Reach(const TPixelPath& Points, double Reach, double Ratio)
{
    if (Points.empty()) return {};
    TPixelF Low, High;
    BoxOf(Points, Low, High);
    const auto Lo = [&](double v) { return int(std::floor(std::clamp((v - Reach) * Ratio, -1e9, 1e9))); };
    const auto Hi = [&](double v) { return int(std::ceil(std::clamp((v + Reach) * Ratio, -1e9, 1e9))); };
    return {Lo(Low.X), Lo(Low.Y), Hi(High.X), Hi(High.Y)};
}

} // namespace

// An item to draw, in the order of the query.
struct TGeoDBLayer::TDrawItem {
    const TConverted* Conv = nullptr;
    TGeoDBStyle Style;
    bool Closed = false, Hole = false;
    int Feature = 0;
    TgdbItem Kind = gitUndefined;
    std::string Name; // only of areas that share a fill
};

void TGeoDBLayer::DrawLayer(TCanvas& C, int W, int H)
{
    if (!FEnabled || !FMap) return;
    FLastRatio = C.Scale();
    const double Ratio = FLastRatio;
    const TPoint TL = FMap->TopLeft();
    const double Mag = FMap->Magnification();
    // Whether Qt draws anything: areas, town dots and lines other than thin solid ones.
    bool NeedsQt = false;
    std::vector<TDrawItem> Items;
    ForEachViewItem(W, H, Ratio, [&](int, const TgdbData& D, const TGeoDBStyle& St, bool Closed, const TConverted& Conv) {
        // Beyond the view by more than a pen reaches, nothing of the item shows.
        const double Margin = 8 + St.PenWidth;
        const TPixelF Low = ToControl(Conv.Low, TL, Mag), High = ToControl(Conv.High, TL, Mag);
        if (Conv.Whole.empty() || High.X < -Margin || Low.X > W + Margin || High.Y < -Margin || Low.Y > H + Margin)
            return;
        const bool Fill = Closed && St.Filled;
        const bool Strokes = St.PenWidth > 0 && St.PenStyle != psClear;
        NeedsQt = NeedsQt || Fill;
        if (Strokes && !NeedsQt)
            NeedsQt = !ThinSolid(St, Ratio) ||
                      std::any_of(Conv.Strokes.begin(), Conv.Strokes.end(), [](const TPixelPath& R) { return R.size() == 1; });
        Items.push_back({&Conv, St, Closed, Closed && D.StateFlag == gdbHoleStateFlag, D.Tag, D.ItemKind,
                         Fill && D.Tag != 0 ? D.Name.Str() : std::string()});
    });
    if (Items.empty()) return;
    QImage* const Picture = C.Image();
    if (!Picture || Picture->format() != QImage::Format_RGB555) {
        QPainter& P = C.Painter();
        P.save();
        TRect Unused;
        DrawItems(&P, nullptr, Items, W, H, Unused);
        P.restore();
        return;
    }
    C.EndPaint();
    const int DW = std::min(Picture->width(), int(std::ceil(W * Ratio)));
    const int DH = std::min(Picture->height(), int(std::ceil(H * Ratio)));
    if (!NeedsQt) {
        // Lines only, and all thin and solid: written straight into the picture.
        TThinLines Thin(*Picture, DW, DH);
        TRect Unused;
        DrawItems(nullptr, &Thin, Items, W, H, Unused);
        return;
    }
    // Qt blends antialiased edges onto a 15-bit picture pixel by pixel through 32 bits and back,
    // several times slower than onto a 32-bit one: there the layer is drawn apart and composed.
    // The kept image stays clear: what a paint drew is cleared after composing, within the box
    // it drew in. The thin solid lines are written into it by TThinLines all the same.
    QImage& L = FCache->Layer;
    if (L.size() != QSize(DW, DH)) {
        L = QImage(DW, DH, QImage::Format_ARGB32_Premultiplied);
        L.fill(Qt::transparent);
    }
    TRect Dirty;
    {
        QPainter LP(&L);
        LP.scale(Ratio, Ratio);
        TThinLines Thin(L, DW, DH);
        DrawItems(&LP, &Thin, Items, W, H, Dirty);
        Dirty = UnionRect(Dirty, Thin.Dirty());
    }
    Dirty = {std::max(Dirty.Left, 0), std::max(Dirty.Top, 0), std::min(Dirty.Right, DW), std::min(Dirty.Bottom, DH)};
    if (Dirty.Left < Dirty.Right && Dirty.Top < Dirty.Bottom) ComposeOver555(*Picture, L, Dirty);
}

void TGeoDBLayer::DrawItems(QPainter* P, TThinLines* Thin, const std::vector<TDrawItem>& Items, int W, int H,
                            TRect& Dirty)
{
    const bool AntiAlias = FMap->AntiAlias();
    const double Ratio = FLastRatio;
    const TPoint TL = FMap->TopLeft();
    const double Mag = FMap->Magnification();
    // Beyond the view the runs are cut off, a few pixels out so that wide pens end outside.
    const TRect View{-8, -8, W + 8, H + 8};
    if (P) P->setRenderHint(QPainter::Antialiasing, AntiAlias);
    // Areas first, each feature in one path so that its holes cut out; then every line above.
    // A feature: the rings of one Tag, kind and name, as the importer stores them.
    std::map<std::tuple<int, int, std::string>, std::size_t> FeaturePath;
    std::vector<std::pair<QPainterPath, TGeoDBStyle>> Fills;
    // The points drawn of each item, cut to the view, for the statistics.
    std::vector<long long> Drawn(Items.size(), 0);
    for (std::size_t i = 0; i < Items.size(); ++i) {
        const TDrawItem& S = Items[i];
        if (!P || !S.Closed || !S.Style.Filled) continue;
        const TPixelPath Ring = ClipRingToBox(ToControl(S.Conv->Whole, TL, Mag), View);
        if (Ring.size() < 3) continue;
        Drawn[i] += static_cast<long long>(Ring.size());
        std::size_t Ix = Fills.size();
        if (S.Feature != 0) {
            const auto [It, New] = FeaturePath.try_emplace({S.Feature, S.Kind, S.Name}, Fills.size());
            Ix = It->second;
            if (!New && !S.Hole) Fills[Ix].second = S.Style;
        }
        if (Ix == Fills.size()) {
            Fills.emplace_back(QPainterPath(), S.Style);
            Fills.back().first.setFillRule(Qt::OddEvenFill);
        }
        QPolygonF Poly;
        Poly.reserve(qsizetype(Ring.size()));
        for (const TPixelF& Q : Ring) Poly.append(QPointF(Q.X, Q.Y));
        Fills[Ix].first.addPolygon(Poly);
        Fills[Ix].first.closeSubpath();
        Dirty = UnionRect(Dirty, Reach(Ring, 2, Ratio));
    }
    if (P) {
        P->setPen(Qt::NoPen);
        for (const auto& [Path, St] : Fills) {
            P->setBrush(ToQColor(St.FillColor));
            P->drawPath(Path);
        }
        P->setBrush(Qt::NoBrush);
    }
    // The thin solid lines of one style go to Qt as one path: a call per line costs more than its
    // points. Wider or dashed lines go one by one, each with its own joins and dash pattern.
    // Given Thin, the thin solid lines are written by it instead.
    QPainterPath Lines;
    const auto Flush = [&] {
        if (!Lines.isEmpty()) P->drawPath(Lines);
        Lines.clear();
    };
    std::optional<TGeoDBStyle> Pen, ThinPen; // Thin's pen first set after the fills (see SetPen)
    const auto SetPen = [&](const TGeoDBStyle& St) {
        if (Pen && *Pen == St) return;
        Flush();
        Pen = St;
        P->setPen(QPen(ToQColor(St.PenColor), std::clamp(St.PenWidth, 1, 20), ToQtPenStyle(St.PenStyle),
                       St.PenWidth > 1 ? Qt::RoundCap : Qt::FlatCap, Qt::RoundJoin));
    };
    for (std::size_t i = 0; i < Items.size(); ++i) {
        const TDrawItem& S = Items[i];
        const TGeoDBStyle& St = S.Style;
        if (St.PenWidth <= 0 || St.PenStyle == psClear) continue;
        const bool Own = Thin && ThinSolid(St, Ratio);
        if (Own && !(ThinPen && *ThinPen == St)) {
            ThinPen = St;
            Thin->SetPen(St.PenColor, AntiAlias);
        }
        for (const TPixelPath& Run : S.Conv->Strokes) {
            if (Own && Run.size() > 1) {
                Flush();
                // Counted as the pieces of the run that meet the view would be.
                bool Open = false;
                const long long Before = Thin->StepsDrawn();
                TPixelF A = ToControl(Run[0], TL, Mag);
                for (std::size_t k = 1; k < Run.size(); ++k) {
                    const TPixelF B = ToControl(Run[k], TL, Mag);
                    const bool Meets = std::max(A.X, B.X) >= View.Left && std::min(A.X, B.X) < View.Right &&
                                       std::max(A.Y, B.Y) >= View.Top && std::min(A.Y, B.Y) < View.Bottom;
                    if (Meets) {
                        Thin->Line(A, B);
                        Drawn[i] += Open ? 1 : 2;
                    }
                    Open = Meets;
                    A = B;
                }
                if (!AntiAlias && Thin->StepsDrawn() == Before)
                    Thin->Dot(ToControl(Run[0], TL, Mag)); // a speck, as Qt leaves
                continue;
            }
            if (!P) continue; // not reached: the caller gives a painter where one is needed
            for (const TPixelPath& R : ClipLineToBox(ToControl(Run, TL, Mag), View)) {
                SetPen(St);
                Drawn[i] += static_cast<long long>(R.size());
                if (R.size() == 1) {
                    // A town: a dot.
                    Flush();
                    const double r = St.PenWidth + 1;
                    P->setBrush(ToQColor(St.FillColor));
                    P->drawEllipse(QPointF(R[0].X, R[0].Y), r, r);
                    P->setBrush(Qt::NoBrush);
                    Dirty = UnionRect(Dirty, Reach(R, r + St.PenWidth / 2.0 + 2, Ratio));
                    continue;
                }
                Lines.moveTo(R[0].X, R[0].Y);
                for (std::size_t k = 1; k < R.size(); ++k) Lines.lineTo(R[k].X, R[k].Y);
                Dirty = UnionRect(Dirty, Reach(R, St.PenWidth / 2.0 + 2, Ratio));
                if (St.PenStyle != psSolid || St.PenWidth > 1) Flush();
            }
        }
    }
    if (P) Flush();
    for (const long long n : Drawn) {
        FStats.ItemsDrawn += n > 0;
        FStats.PointsDrawn += n;
    }
}

} // namespace tyx
