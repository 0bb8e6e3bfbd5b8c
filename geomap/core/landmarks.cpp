#include "geomap/core/Tyx_landmarks.h"

#include "geomap/core/Tyx_geocalib.h"
#include "geomap/core/landmark_grid.h"

#include "support/Tyx_dstruct.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string>

namespace tyx {

namespace {

TLandMark MakeDefaultLandMark()
{
    TLandMark L;
    L.SymbolProps.Kind = lmCross;
    L.SymbolProps.Size = 7;
    L.SymbolProps.FGColor = clBlue;
    L.SymbolProps.BGColor = clWhite;
    L.SymbolProps.Length = 10;
    L.Caption.Size = LMDefaultCaptionSize;
    L.Caption.FontName = "MS Sans Serif";
    L.Caption.FGColor = clBlack;
    L.Caption.BGColor = clWhite;
    L.Caption.Transparent = true;
    L.Caption.dy = 8;
    L.Caption.HAlignment = taCenter;
    L.Caption.VAlignment = vaTop;
    return L;
}

/// Whole blocks for Count landmarks, at least one.
int BlocksFor(int Count)
{
    return Count <= 0 ? TLandMarkList::BlockSize : ((Count - 1) / TLandMarkList::BlockSize + 1) * TLandMarkList::BlockSize;
}

double SquaredDistance(const TLandMark& L, double Lat, double Long)
{
    const double dLat = L.Latitude - Lat;
    const double dLong = L.Longitude - Long;
    return dLat * dLat + dLong * dLong;
}

} // namespace

TLandMarkList::TLandMarkList() : FDefaultLM(MakeDefaultLandMark())
{
    FClassVisible.fill(true);
    SetCapacity(BlockSize);
}

TLandMarkList::~TLandMarkList() = default;

void TLandMarkList::SetCapacity(int Capacity)
{
    // The capacity is counted in blocks; the storage underneath grows at least geometrically, so
    // that reading a long file does not copy the list once per block. Shrinking takes a fresh
    // vector, which gets exactly the room asked for.
    try {
        if (Capacity < FCapacity && static_cast<int>(FItems.size()) <= Capacity) {
            std::vector<TLandMark> items;
            items.reserve(static_cast<std::size_t>(Capacity));
            items.insert(items.end(), std::make_move_iterator(FItems.begin()), std::make_move_iterator(FItems.end()));
            FItems.swap(items);
        } else if (Capacity > static_cast<int>(FItems.capacity())) {
            FItems.reserve(std::max(static_cast<std::size_t>(Capacity), 2 * FItems.capacity()));
        }
    } catch (const std::bad_alloc&) {
        throw ETYXGeoMapError(FOwnerName, "insufficient memory");
    } catch (const std::length_error&) {
        throw ETYXGeoMapError(FOwnerName, "insufficient memory");
    }
    FCapacity = Capacity;
}

void TLandMarkList::Assign(const TLandMarkList& Source)
{
    if (&Source == this) return;
    std::vector<TLandMark> items;
    try {
        items.reserve(static_cast<std::size_t>(BlocksFor(Source.NumLandMarks())));
        items.assign(Source.FItems.begin(), Source.FItems.end());
    } catch (const std::bad_alloc&) {
        throw ETYXGeoMapError(FOwnerName, "insufficient memory");
    }
    FItems.swap(items);
    Changed();
    FCapacity = BlocksFor(NumLandMarks());
    FDefaultLM = Source.FDefaultLM;
    FClassVisible = Source.FClassVisible;
}

TLandMark TLandMarkList::GetLandMarkData(int i) const
{
    if (i < 1 || i > NumLandMarks()) return TLandMark{};
    return FItems[static_cast<std::size_t>(i - 1)];
}

bool TLandMarkList::SetLandMarkData(int i, const TLandMark& LandMark)
{
    if (i < 1 || i > NumLandMarks()) return false;
    FItems[static_cast<std::size_t>(i - 1)] = LandMark;
    Changed();
    return true;
}

const TLandMark& TLandMarkList::operator[](int i) const
{
    if (i < 1 || i > NumLandMarks())
        throw std::out_of_range("landmark " + std::to_string(i) + " outside 1.." + std::to_string(NumLandMarks()));
    return FItems[static_cast<std::size_t>(i - 1)];
}

// ---- Adding ----

TLandMark TLandMarkList::FromTemplate(double Lat, double Long, double Altitude) const
{
    TLandMark L = FDefaultLM;
    L.Latitude = Lat;
    L.Longitude = Long;
    L.Altitude = Altitude;
    return L;
}

bool TLandMarkList::Allowed(TLandMarkAction Action, const TLandMark& LandMark) const
{
    return !FCheck || FCheck(Action, LandMark);
}

bool TLandMarkList::AddIfAllowed(const TLandMark& LandMark)
{
    if (!Allowed(lmaAdd, LandMark)) return false;
    AppendLandMark(LandMark);
    return true;
}

void TLandMarkList::AppendLandMark(const TLandMark& LandMark)
{
    const int n = NumLandMarks() + 1;
    if (n > FCapacity) SetCapacity(BlocksFor(n));
    FItems.push_back(LandMark);
    Changed();
}

const std::vector<TLandMarkSpot>& TLandMarkList::Spots() const
{
    if (!FSpotsValid) {
        FSpots.resize(FItems.size());
        FSpotSymbols.resize(FItems.size());
        for (std::size_t i = 0; i < FItems.size(); ++i) {
            FSpots[i] = TLandMarkSpot{FItems[i].Latitude, FItems[i].Longitude, FItems[i].ClassFlag,
                                      !FItems[i].Caption.Text.Empty()};
            FSpotSymbols[i] = FItems[i].SymbolProps;
        }
        FSpotsValid = true;
        FOrderValid = false;
        FGrid.reset();
    }
    return FSpots;
}

std::size_t TLandMarkList::CountInside(const TCornerArray& Quad, std::size_t& Shown) const
{
    const std::vector<TLandMarkSpot>& All = Spots();
    // Below this the grid would not repay its building.
    constexpr std::size_t GridFrom = 4096;
    if (All.size() >= GridFrom && std::all_of(FClassVisible.begin(), FClassVisible.end(), [](bool v) { return v; })) {
        if (!FGrid) FGrid = std::make_unique<TSpotGrid>(All);
        Shown = All.size();
        return FGrid->CountInside(Quad);
    }
    std::size_t Count = 0;
    Shown = 0;
    for (const TLandMarkSpot& S : All)
        if (FClassVisible[S.ClassFlag]) {
            ++Shown;
            Count += PositionInMap(S.Latitude, S.Longitude, Quad);
        }
    return Count;
}

const std::vector<TSymbolProperties>& TLandMarkList::SpotSymbols() const
{
    Spots();
    return FSpotSymbols;
}

const std::vector<uint32_t>& TLandMarkList::SpotOrder() const
{
    const std::vector<TLandMarkSpot>& All = Spots();
    if (!FOrderValid) {
        // A counting sort by class: stable, so list order holds within a class, and linear.
        std::array<uint32_t, 257> Start{};
        for (const TLandMarkSpot& S : All) ++Start[std::size_t(S.ClassFlag) + 1];
        for (std::size_t c = 1; c < Start.size(); ++c) Start[c] += Start[c - 1];
        FSpotOrder.resize(All.size());
        for (std::size_t i = 0; i < All.size(); ++i) FSpotOrder[Start[All[i].ClassFlag]++] = uint32_t(i);
        FOrderValid = true;
    }
    return FSpotOrder;
}

bool TLandMarkList::AddLandMark(double Lat, double Long, double Altitude)
{
    return AddIfAllowed(FromTemplate(Lat, Long, Altitude));
}

bool TLandMarkList::AddLandMark(double Lat, double Long, double Altitude, const TLMIdentifier& Identifier,
                                TDateTime Time)
{
    TLandMark L = FromTemplate(Lat, Long, Altitude);
    L.Identifier = Identifier;
    L.Time = Time;
    return AddIfAllowed(L);
}

bool TLandMarkList::AddLandMark(double Lat, double Long, double Altitude, const std::string& CaptionText,
                                int CaptionSize, TColor CaptionColor)
{
    TLandMark L = FromTemplate(Lat, Long, Altitude);
    L.Caption.Text = CaptionText;
    L.Caption.Size = CaptionSize;
    L.Caption.FGColor = CaptionColor;
    return AddIfAllowed(L);
}

bool TLandMarkList::AddLandMark(double Lat, double Long, double Altitude, const TLMIdentifier& Identifier,
                                TDateTime Time, const std::string& CaptionText, int CaptionSize, TColor CaptionColor)
{
    TLandMark L = FromTemplate(Lat, Long, Altitude);
    L.Identifier = Identifier;
    L.Time = Time;
    L.Caption.Text = CaptionText;
    L.Caption.Size = CaptionSize;
    L.Caption.FGColor = CaptionColor;
    return AddIfAllowed(L);
}

bool TLandMarkList::AddLandMark(double Lat, double Long, double Altitude, TLandMarkElement Element,
                                uint8_t ClassFlag, const TLMIdentifier& Identifier, TDateTime Time, int Tag,
                                TColor ColorFG, TColor ColorBG, int Size, bool Transparent, int Direction,
                                int Length)
{
    TLandMark L = FromTemplate(Lat, Long, Altitude);
    L.SymbolProps = TSymbolProperties{Element, Size, ColorFG, ColorBG, Transparent, Direction, Length};
    L.ClassFlag = ClassFlag;
    L.Identifier = Identifier;
    L.Time = Time;
    L.Tag = Tag;
    return AddIfAllowed(L);
}

// ---- Finding ----

int TLandMarkList::NormaliseClass(int ClassFlag)
{
    return ClassFlag < -1 || ClassFlag > 255 ? -1 : ClassFlag;
}

int TLandMarkList::FindLandMark(double Lat, double Long, int ClassFlag) const
{
    ClassFlag = NormaliseClass(ClassFlag);
    double best = 1e10;
    int found = 0;
    for (int i = 1; i <= NumLandMarks(); ++i) {
        const TLandMark& L = FItems[static_cast<std::size_t>(i - 1)];
        if (ClassFlag != -1 && L.ClassFlag != ClassFlag) continue;
        const double d = SquaredDistance(L, Lat, Long);
        if (d < best) {
            best = d;
            found = i;
        }
    }
    return found;
}

// ---- Removing ----

void TLandMarkList::Tidy()
{
    if (FItems.empty() && FCapacity != BlockSize) SetCapacity(BlockSize);
}

int TLandMarkList::RemoveLandMark(int LmIndex)
{
    if (LmIndex < 1 || LmIndex > NumLandMarks()) return 0;
    const auto slot = static_cast<std::size_t>(LmIndex - 1);
    if (!Allowed(lmaRemove, FItems[slot])) return 0;
    if (LmIndex != NumLandMarks()) FItems[slot] = std::move(FItems.back());
    FItems.pop_back();
    Changed();
    Tidy();
    return LmIndex;
}

int TLandMarkList::RemoveLandMark(double Lat, double Long, int ClassFlag)
{
    const int nearest = FindLandMark(Lat, Long, ClassFlag);
    return nearest == 0 ? 0 : RemoveLandMark(nearest);
}

template <typename TTest>
int TLandMarkList::RemoveMarked(TTest Test)
{
    const int n = NumLandMarks();
    if (n == 0) return 0;
    TBitFld marked(n);
    int k = 0;
    for (int i = 1; i <= n; ++i) {
        const TLandMark& L = FItems[static_cast<std::size_t>(i - 1)];
        if (Test(L) && Allowed(lmaRemove, L)) {
            marked.SetBit(i, true);
            ++k;
        }
    }
    if (k == n) {
        FItems.clear();
    } else if (k > 0) {
        // The highest survivors fill the gaps from the lowest gap upward; the others keep their
        // numbers.
        int i = 1;
        int j = n;
        do {
            while (i <= n && !marked.GetBit(i)) ++i;
            while (j >= 1 && marked.GetBit(j)) --j;
            if (i < j) {
                FItems[static_cast<std::size_t>(i - 1)] = std::move(FItems[static_cast<std::size_t>(j - 1)]);
                marked.SetBit(j, true);
                marked.SetBit(i, false);
            }
        } while (i <= j);
        FItems.resize(static_cast<std::size_t>(j));
    }
    if (k > 0) Changed();
    Tidy();
    return k;
}

int TLandMarkList::RemoveLandMark(double Lat, double Long, int ClassFlag, double Radius)
{
    ClassFlag = NormaliseClass(ClassFlag);
    const double r2 = Radius * Radius;
    return RemoveMarked([&](const TLandMark& L) {
        return (ClassFlag == -1 || L.ClassFlag == ClassFlag) && SquaredDistance(L, Lat, Long) < r2;
    });
}

int TLandMarkList::RemoveLandMark(const TRectDouble& Rect, int ClassFlag)
{
    ClassFlag = NormaliseClass(ClassFlag);
    return RemoveMarked([&](const TLandMark& L) {
        return (ClassFlag == -1 || L.ClassFlag == ClassFlag) && Rect.Left < L.Longitude && L.Longitude < Rect.Right &&
               Rect.Bottom < L.Latitude && L.Latitude < Rect.Top;
    });
}

bool TLandMarkList::RemoveLastLandMark()
{
    if (FItems.empty()) {
        Tidy();
        return false;
    }
    const bool removed = Allowed(lmaRemove, FItems.back());
    if (removed) {
        FItems.pop_back();
        Changed();
    }
    Tidy();
    return removed;
}

int TLandMarkList::RemoveAllLandMarks(uint8_t ClassFlag)
{
    return RemoveMarked([&](const TLandMark& L) { return L.ClassFlag == ClassFlag; });
}

void TLandMarkList::RemoveAllLandMarks()
{
    FItems.clear();
    Changed();
    Tidy();
}

} // namespace tyx
