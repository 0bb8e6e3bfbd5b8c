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

std::vector<TDBShape> TGeoDBLayer::ViewShapes(int W, int H, bool ForHitTest, double Ratio)
{
    std::vector<TDBShape> Shapes;
    FStats = {};
    if (!FMap || !FDatabase || FDatabase->NumEntries() == 0 || FMap->CalibModel() == cmUndefined) return Shapes;
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
    // Beyond the view the runs are cut off, a few pixels out so that wide pens end outside.
    const TRect View{-8, -8, W + 8, H + 8};
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
                Conv = &C;
            }
            // To control pixels, cut to the view.
            const auto ToControl = [&](const TPixelPath& In) {
                TPixelPath Out(In.size());
                for (std::size_t i = 0; i < In.size(); ++i)
                    Out[i] = {(In[i].X - TL.X) * Mag, (In[i].Y - TL.Y) * Mag};
                return Out;
            };
            TDBShape S;
            S.Entry = Entry;
            S.ItemId = D.ItemId;
            S.Kind = D.ItemKind;
            S.ClassFlag = D.ClassFlag;
            S.Name = D.Name.Str();
            S.Closed = Closed;
            S.Hole = Closed && D.StateFlag == gdbHoleStateFlag;
            S.Feature = D.Tag;
            if (ForHitTest) {
                if (Closed) S.Parts.push_back(ToControl(Conv->Whole));
                else
                    for (const TPixelPath& R : Conv->Strokes) S.Parts.push_back(ToControl(R));
            } else {
                // Parts[0]: the area, clipped (empty for a line); then the runs to stroke.
                const bool Fill = Closed && St.Filled;
                S.Parts.push_back(Fill ? ClipRingToBox(ToControl(Conv->Whole), View) : TPixelPath{});
                for (const TPixelPath& R : Conv->Strokes)
                    for (TPixelPath& Piece : ClipLineToBox(ToControl(R), View)) S.Parts.push_back(std::move(Piece));
                if (S.Parts.size() == 1 && S.Parts[0].empty()) continue;
            }
            ++FStats.ItemsDrawn;
            for (const TPixelPath& P : S.Parts) FStats.PointsDrawn += static_cast<long long>(P.size());
            Shapes.push_back(std::move(S));
        }
    }
    return Shapes;
}

std::vector<TDBShape> TGeoDBLayer::ViewItems()
{
    if (!FMap) return {};
    const TGeoDBLayerStats Keep = FStats;
    std::vector<TDBShape> Shapes = ViewShapes(FMap->width(), FMap->height(), true, FLastRatio);
    FStats = Keep;
    return Shapes;
}

std::vector<TGeoDBHit> TGeoDBLayer::HitTest(const TPoint& P, double Tolerance)
{
    return HitTestShapes(ViewItems(), TPixelF{double(P.X), double(P.Y)}, Tolerance);
}

namespace {

// Premultiplied 32-bit Layer over the 15-bit Picture, pixel for pixel; transparent pixels (most
// of a layer of lines) are skipped.
void ComposeOver555(QImage& Picture, const QImage& Layer)
{
    const auto Wide = [](unsigned v) { return (v << 3) | (v >> 2); }; // 5 bits to 8
    const int W = Layer.width(), H = Layer.height();
    for (int y = 0; y < H; ++y) {
        const auto* Src = reinterpret_cast<const uint32_t*>(Layer.constScanLine(y));
        auto* Dst = reinterpret_cast<uint16_t*>(Picture.scanLine(y));
        for (int x0 = 0; x0 < W; x0 += 16) {
            // Sixteen pixels at a time, skipped together when all are clear.
            const int x1 = std::min(W, x0 + 16);
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
    }
}

} // namespace

void TGeoDBLayer::DrawLayer(TCanvas& C, int W, int H)
{
    if (!FEnabled) return;
    FLastRatio = C.Scale();
    const std::vector<TDBShape> Shapes = ViewShapes(W, H, false, FLastRatio);
    if (Shapes.empty()) return;
    // Qt blends antialiased edges onto a 15-bit picture pixel by pixel through 32 bits and back,
    // several times slower than onto a 32-bit one: there the layer is drawn apart and composed.
    QImage* const Picture = C.Image();
    const bool Apart = Picture && Picture->format() == QImage::Format_RGB555;
    if (Apart) {
        QImage& L = FCache->Layer;
        const QSize Size(std::min(Picture->width(), int(std::ceil(W * FLastRatio))),
                         std::min(Picture->height(), int(std::ceil(H * FLastRatio))));
        if (L.size() != Size) L = QImage(Size, QImage::Format_ARGB32_Premultiplied);
        L.fill(Qt::transparent);
        QPainter LP(&L);
        LP.scale(FLastRatio, FLastRatio);
        DrawShapes(LP, Shapes);
        LP.end();
        C.EndPaint();
        ComposeOver555(*Picture, L);
        return;
    }
    QPainter& P = C.Painter();
    P.save();
    DrawShapes(P, Shapes);
    P.restore();
}

void TGeoDBLayer::DrawShapes(QPainter& P, const std::vector<TDBShape>& Shapes) const
{
    P.setRenderHint(QPainter::Antialiasing, FMap->AntiAlias());
    // Areas first, each feature in one path so that its holes cut out; then every line above.
    // A feature: the rings of one Tag, kind and name, as the importer stores them.
    std::map<std::tuple<int, int, std::string>, std::size_t> FeaturePath;
    std::vector<std::pair<QPainterPath, TGeoDBStyle>> Fills;
    for (const TDBShape& S : Shapes) {
        if (!S.Closed || S.Parts[0].size() < 3) continue;
        const TGeoDBStyle St = Style(S.Kind, S.ClassFlag);
        if (!St.Filled) continue;
        std::size_t Ix = Fills.size();
        if (S.Feature != 0) {
            const auto [It, New] = FeaturePath.try_emplace({S.Feature, S.Kind, S.Name}, Fills.size());
            Ix = It->second;
            if (!New && !S.Hole) Fills[Ix].second = St;
        }
        if (Ix == Fills.size()) {
            Fills.emplace_back(QPainterPath(), St);
            Fills.back().first.setFillRule(Qt::OddEvenFill);
        }
        QPolygonF Poly;
        Poly.reserve(qsizetype(S.Parts[0].size()));
        for (const TPixelF& Q : S.Parts[0]) Poly.append(QPointF(Q.X, Q.Y));
        Fills[Ix].first.addPolygon(Poly);
        Fills[Ix].first.closeSubpath();
    }
    P.setPen(Qt::NoPen);
    for (const auto& [Path, St] : Fills) {
        P.setBrush(ToQColor(St.FillColor));
        P.drawPath(Path);
    }
    P.setBrush(Qt::NoBrush);
    // The thin solid lines of one style go to Qt as one path: a call per line costs more than its
    // points. Wider or dashed lines go one by one, each with its own joins and dash pattern.
    QPainterPath Lines;
    const auto Flush = [&] {
        if (!Lines.isEmpty()) P.drawPath(Lines);
        Lines.clear();
    };
    std::optional<TGeoDBStyle> Pen;
    for (const TDBShape& S : Shapes) {
        const TGeoDBStyle St = Style(S.Kind, S.ClassFlag);
        if (St.PenWidth <= 0 || St.PenStyle == psClear) continue;
        if (!Pen || !(*Pen == St)) {
            Flush();
            Pen = St;
            P.setPen(QPen(ToQColor(St.PenColor), std::clamp(St.PenWidth, 1, 20), ToQtPenStyle(St.PenStyle),
                          St.PenWidth > 1 ? Qt::RoundCap : Qt::FlatCap, Qt::RoundJoin));
        }
        for (std::size_t i = 1; i < S.Parts.size(); ++i) {
            const TPixelPath& R = S.Parts[i];
            if (R.size() == 1) {
                // A town: a dot.
                Flush();
                const double r = St.PenWidth + 1;
                P.setBrush(ToQColor(St.FillColor));
                P.drawEllipse(QPointF(R[0].X, R[0].Y), r, r);
                P.setBrush(Qt::NoBrush);
                continue;
            }
            Lines.moveTo(R[0].X, R[0].Y);
            for (std::size_t k = 1; k < R.size(); ++k) Lines.lineTo(R[k].X, R[k].Y);
            if (St.PenStyle != psSolid || St.PenWidth > 1) Flush();
        }
    }
    Flush();
}

} // namespace tyx
