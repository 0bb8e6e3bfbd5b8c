// Coordinate reference systems of world files and GeoTIFFs. WKT is read into a tree and judged by
// its content (datum, prime meridian, units, projection method and parameters), so that OGC, ESRI
// and WKT 2 spellings of one CRS read alike; an EPSG code on the whole CRS decides first.
#include "geomap/geomap_crs.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <memory>
#include <optional>
#include <regex>
#include <vector>

namespace tyx {

namespace {

constexpr double DegreeInRadians = 0.017453292519943295;

struct TWktNode {
    std::string Keyword;                           // upper case
    std::vector<std::string> Values;               // quoted texts and bare words or numbers, in order
    std::vector<std::unique_ptr<TWktNode>> Children;

    const TWktNode* Child(std::initializer_list<const char*> Keywords) const
    {
        for (const auto& C : Children)
            for (const char* K : Keywords)
                if (C->Keyword == K) return C.get();
        return nullptr;
    }
    /// The first node of one of the keywords anywhere below, depth first.
    const TWktNode* Find(std::initializer_list<const char*> Keywords) const
    {
        if (const TWktNode* C = Child(Keywords)) return C;
        for (const auto& C : Children)
            if (const TWktNode* F = C->Find(Keywords)) return F;
        return nullptr;
    }
    std::string Text(std::size_t I) const { return I < Values.size() ? Values[I] : std::string(); }
    std::optional<double> Number(std::size_t I) const
    {
        if (I >= Values.size()) return std::nullopt;
        const std::string& V = Values[I];
        double D = 0;
        const auto [P, Ec] = std::from_chars(V.data(), V.data() + V.size(), D);
        if (Ec != std::errc() || P != V.data() + V.size()) return std::nullopt;
        return D;
    }
};

class TWktReader {
public:
    explicit TWktReader(const std::string& Text) : FText(Text) {}
    std::unique_ptr<TWktNode> Read()
    {
        auto Root = Node(0);
        SkipBlanks();
        return Root && FPos == FText.size() ? std::move(Root) : nullptr;
    }

private:
    void SkipBlanks()
    {
        while (FPos < FText.size() && std::isspace(static_cast<unsigned char>(FText[FPos]))) ++FPos;
    }
    std::string Word()
    {
        const std::size_t Start = FPos;
        while (FPos < FText.size() && (std::isalnum(static_cast<unsigned char>(FText[FPos])) ||
                                       std::string_view("_.+-").find(FText[FPos]) != std::string_view::npos))
            ++FPos;
        return FText.substr(Start, FPos - Start);
    }
    std::unique_ptr<TWktNode> Node(int Depth)
    {
        if (Depth > 32) return nullptr;
        SkipBlanks();
        auto N = std::make_unique<TWktNode>();
        N->Keyword = Word();
        for (char& c : N->Keyword) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        SkipBlanks();
        if (N->Keyword.empty() || FPos >= FText.size() || (FText[FPos] != '[' && FText[FPos] != '(')) return nullptr;
        const char Close = FText[FPos] == '[' ? ']' : ')';
        ++FPos;
        for (;;) {
            SkipBlanks();
            if (FPos >= FText.size()) return nullptr;
            if (FText[FPos] == '"') {
                std::string S;
                for (++FPos;; ++FPos) {
                    if (FPos >= FText.size()) return nullptr;
                    if (FText[FPos] == '"') {
                        if (FPos + 1 < FText.size() && FText[FPos + 1] == '"') {
                            S += '"';
                            ++FPos;
                            continue;
                        }
                        ++FPos;
                        break;
                    }
                    S += FText[FPos];
                }
                N->Values.push_back(S);
            } else {
                const std::size_t Save = FPos;
                std::string W = Word();
                SkipBlanks();
                if (W.empty()) return nullptr;
                if (FPos < FText.size() && (FText[FPos] == '[' || FText[FPos] == '(')) {
                    FPos = Save;
                    auto C = Node(Depth + 1);
                    if (!C) return nullptr;
                    N->Children.push_back(std::move(C));
                } else {
                    N->Values.push_back(W);
                }
            }
            SkipBlanks();
            if (FPos >= FText.size()) return nullptr;
            if (FText[FPos] == ',') {
                ++FPos;
                continue;
            }
            if (FText[FPos] != Close) return nullptr;
            ++FPos;
            return N;
        }
    }

    const std::string& FText;
    std::size_t FPos = 0;
};

/// Lower-case letters and digits only: "D_WGS_1984", "WGS 84" and "wgs84" compare by this.
std::string Squeeze(const std::string& S)
{
    std::string R;
    for (char c : S)
        if (std::isalnum(static_cast<unsigned char>(c))) R += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return R;
}

bool Near(double A, double B) { return std::fabs(A - B) <= 1e-9 * std::max(1.0, std::fabs(B)); }

/// The datums read here: WGS 84 and ETRS89 (as the datum table gives it, WGS 84 with no shift).
bool KnownDatum(const TWktNode& Root)
{
    const TWktNode* D = Root.Find({"DATUM", "GEODETICDATUM", "TRF", "ENSEMBLE"});
    if (!D) return false;
    std::string N = Squeeze(D->Text(0));
    if (N.size() > 8 && N.compare(N.size() - 8, 8, "ensemble") == 0) N.resize(N.size() - 8);
    if (!N.empty() && N[0] == 'd' && (N == "dwgs1984" || N == "detrs1989" || N == "detrf1989")) N.erase(0, 1);
    static const char* const Known[] = {"wgs84", "wgs1984", "worldgeodeticsystem1984", "etrs89", "etrs1989", "etrf89",
                                        "etrf1989", "europeanterrestrialreferencesystem1989",
                                        "europeanterrestrialreferenceframe1989"};
    return std::find(std::begin(Known), std::end(Known), N) != std::end(Known);
}

/// A unit node's conversion factor matches Factor (absent units pass).
bool UnitIs(const TWktNode* Unit, double Factor)
{
    if (!Unit) return true;
    const auto F = Unit->Number(1);
    return F && Near(*F, Factor);
}

std::optional<int> EpsgCode(const TWktNode& Root)
{
    const TWktNode* Id = Root.Child({"AUTHORITY", "ID"});
    if (!Id || Squeeze(Id->Text(0)) != "epsg") return std::nullopt;
    int Code = 0;
    const std::string V = Id->Text(1);
    const auto [P, Ec] = std::from_chars(V.data(), V.data() + V.size(), Code);
    if (Ec != std::errc() || P != V.data() + V.size()) return std::nullopt;
    return Code;
}

/// A projected CRS that is UTM on a known datum, judged by its method and parameters.
bool ReadUtm(const TWktNode& Root, TMapCrs& Crs)
{
    // Lengths in metres, whether the unit stands on the CRS or on its axes.
    if (!UnitIs(Root.Child({"UNIT", "LENGTHUNIT"}), 1)) return false;
    for (const auto& C : Root.Children)
        if (C->Keyword == "AXIS" && !UnitIs(C->Child({"UNIT", "LENGTHUNIT"}), 1)) return false;
    const TWktNode* Method = Root.Child({"PROJECTION"});
    if (!Method)
        if (const TWktNode* Conv = Root.Child({"CONVERSION"})) Method = Conv->Child({"METHOD", "PROJECTION"});
    if (!Method || Squeeze(Method->Text(0)) != "transversemercator") return false;
    const TWktNode* Params = Root.Child({"PROJECTION"}) ? &Root : Root.Child({"CONVERSION"});
    double Lat0 = NAN, Lon0 = NAN, K = NAN, FE = NAN, FN = NAN;
    for (const auto& P : Params->Children) {
        if (P->Keyword != "PARAMETER") continue;
        const auto V = P->Number(1);
        if (!V) return false;
        if (!UnitIs(P->Child({"ANGLEUNIT"}), DegreeInRadians) || !UnitIs(P->Child({"LENGTHUNIT"}), 1) ||
            !UnitIs(P->Child({"SCALEUNIT"}), 1))
            return false;
        const std::string N = Squeeze(P->Text(0));
        if (N == "latitudeoforigin" || N == "latitudeofnaturalorigin") Lat0 = *V;
        else if (N == "centralmeridian" || N == "longitudeofnaturalorigin" || N == "longitudeoforigin") Lon0 = *V;
        else if (N == "scalefactor" || N == "scalefactoratnaturalorigin") K = *V;
        else if (N == "falseeasting") FE = *V;
        else if (N == "falsenorthing") FN = *V;
        else return false;
    }
    const double Zone = (Lon0 + 183) / 6;
    if (!(Lat0 == 0 && Near(K, 0.9996) && FE == 500000 && (FN == 0 || FN == 10000000) && Zone == std::round(Zone) &&
          Zone >= 1 && Zone <= 60))
        return false;
    Crs = {cmUTM, static_cast<int>(Zone), FN != 0};
    return true;
}

} // namespace

bool CrsFromEpsg(int Code, TMapCrs& Crs)
{
    if (Code == 4326 || Code == 4258) Crs = {cmEquiRect, 0, false};
    else if (Code >= 32601 && Code <= 32660) Crs = {cmUTM, Code - 32600, false};
    else if (Code >= 32701 && Code <= 32760) Crs = {cmUTM, Code - 32700, true};
    else if (Code >= 25828 && Code <= 25838) Crs = {cmUTM, Code - 25800, false};
    else return false;
    return true;
}

bool CrsFromWkt(const std::string& Text, TMapCrs& Crs, std::string& Name)
{
    const auto Root = TWktReader(Text).Read();
    if (!Root) {
        Name = "unreadable WKT";
        return false;
    }
    Name = Root->Text(0);
    const auto Code = EpsgCode(*Root);
    if (Name.empty()) Name = Code ? "EPSG:" + std::to_string(*Code) : Root->Keyword;
    if (Code) return CrsFromEpsg(*Code, Crs);
    if (!KnownDatum(*Root)) return false;
    if (const TWktNode* Pm = Root->Find({"PRIMEM", "PRIMEMERIDIAN"}); Pm && Pm->Number(1).value_or(0) != 0) return false;
    const std::string& K = Root->Keyword;
    if (K == "GEOGCS" || K == "GEOGCRS" || K == "GEOGRAPHICCRS" || K == "GEODCRS" || K == "GEODETICCRS") {
        if (const TWktNode* Cs = Root->Child({"CS"}); Cs && Squeeze(Cs->Text(0)) != "ellipsoidal") return false;
        const TWktNode* Unit = Root->Child({"UNIT", "ANGLEUNIT"});
        for (const auto& C : Root->Children)
            if (!Unit && C->Keyword == "AXIS") Unit = C->Child({"ANGLEUNIT", "UNIT"});
        if (!UnitIs(Unit, DegreeInRadians)) return false;
        Crs = {cmEquiRect, 0, false};
        return true;
    }
    if (K == "PROJCS" || K == "PROJCRS" || K == "PROJECTEDCRS") {
        if (ReadUtm(*Root, Crs)) return true;
        // A .prj that names its UTM zone without spelling the projection out.
        std::smatch M;
        const std::string N = Name;
        if (Root->Child({"PROJECTION", "CONVERSION"}) ||
            !std::regex_search(N, M, std::regex("UTM[ _]zone[ _]([0-9]{1,2}) ?([NS])\\b", std::regex::icase)))
            return false;
        const int Zone = std::stoi(M[1].str());
        if (Zone < 1 || Zone > 60) return false;
        Crs = {cmUTM, Zone, M[2].str() == "S" || M[2].str() == "s"};
        return true;
    }
    return false;
}

std::string CrsEsriWkt(const TMapCrs& Crs)
{
    const std::string Geogcs = "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137.0,298.257223563]],"
                               "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";
    if (Crs.Model != cmUTM) return Geogcs;
    const std::string Name = "WGS_1984_UTM_Zone_" + std::to_string(Crs.Zone) + (Crs.South ? "S" : "N");
    return "PROJCS[\"" + Name + "\"," + Geogcs +
           ",PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\",500000.0],"
           "PARAMETER[\"False_Northing\"," + (Crs.South ? "10000000.0" : "0.0") +
           "],PARAMETER[\"Central_Meridian\"," + std::to_string(6 * Crs.Zone - 183) +
           ".0],PARAMETER[\"Scale_Factor\",0.9996],PARAMETER[\"Latitude_Of_Origin\",0.0],UNIT[\"Meter\",1.0]]";
}

std::string CrsOgcWkt(const TMapCrs& Crs)
{
    const std::string Geogcs =
        "GEOGCS[\"WGS 84\",DATUM[\"WGS_1984\",SPHEROID[\"WGS 84\",6378137,298.257223563,AUTHORITY[\"EPSG\",\"7030\"]],"
        "AUTHORITY[\"EPSG\",\"6326\"]],PRIMEM[\"Greenwich\",0,AUTHORITY[\"EPSG\",\"8901\"]],"
        "UNIT[\"degree\",0.0174532925199433,AUTHORITY[\"EPSG\",\"9122\"]],";
    if (Crs.Model != cmUTM) return Geogcs + "AXIS[\"Latitude\",NORTH],AXIS[\"Longitude\",EAST],AUTHORITY[\"EPSG\",\"4326\"]]";
    const std::string Zone = std::to_string(Crs.Zone) + (Crs.South ? "S" : "N");
    return "PROJCS[\"WGS 84 / UTM zone " + Zone + "\"," + Geogcs + "AUTHORITY[\"EPSG\",\"4326\"]]," +
           "PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"latitude_of_origin\",0],PARAMETER[\"central_meridian\"," +
           std::to_string(6 * Crs.Zone - 183) + "],PARAMETER[\"scale_factor\",0.9996],PARAMETER[\"false_easting\",500000]," +
           "PARAMETER[\"false_northing\"," + (Crs.South ? "10000000" : "0") + "],UNIT[\"metre\",1,AUTHORITY[\"EPSG\",\"9001\"]]," +
           "AXIS[\"Easting\",EAST],AXIS[\"Northing\",NORTH],AUTHORITY[\"EPSG\",\"" +
           std::to_string((Crs.South ? 32700 : 32600) + Crs.Zone) + "\"]]";
}

} // namespace tyx
