#include "geomap/core/Tyx_symbols.h"

#include "geomap/core/tyx_geomap_values.h"
#include "geomap/core/tyx_geomap_xml.h"
#include "host/tyx_streams.h"
#include "support/Tyx_math1.h"

#include <cxxabi.h>

#include <algorithm>
#include <typeinfo>

namespace tyx {

namespace {

/// True when class Derived is Base or derives from it, through any number of steps. The bases
/// of a class known only at run time are found in the type descriptions of the Itanium C++ ABI
/// (GCC and clang).
bool IsOrDerivesFrom(const std::type_info& Derived, const std::type_info& Base)
{
    if (Derived == Base) return true;
    if (const auto* One = dynamic_cast<const abi::__si_class_type_info*>(&Derived))
        return IsOrDerivesFrom(*One->__base_type, Base);
    if (const auto* Many = dynamic_cast<const abi::__vmi_class_type_info*>(&Derived)) {
        const abi::__base_class_type_info* Bases = Many->__base_info;
        for (unsigned i = 0; i < Many->__base_count; ++i)
            if (IsOrDerivesFrom(*Bases[i].__base_type, Base)) return true;
    }
    return false;
}

} // namespace

TLandMarkElement LandMarkElementFromName(std::string_view Name)
{
    const std::string lower = LowerAscii(Name);
    // "plus" and "user-defined" are what the writers produce for those kinds, so they read back
    // as themselves; "cross" and anything unknown are a cross.
    for (const TLandMarkElement e : {lmPlus, lmSquare, lmTriangle, lmCircle, lmArrowFrom, lmArrowTo, lmCrossBox, lmSpade,
                                     lmUserDef})
        if (lower == LowerAscii(LMTypeNames[e])) return e;
    return lmCross;
}

TSymbol DefaultSymbolRecord()
{
    TSymbol s;
    s.Properties = TSymbolProperties{lmCross, 8, clBlack, clRed, false, 90, 40};
    return s;
}

TSymbolRepository::TSymbolRepository(TComponent* AOwner) : TComponent(AOwner), FSymbols(1000) {}

void TSymbolRepository::Assign(const TObject& Source)
{
    const auto* src = dynamic_cast<const TSymbolRepository*>(&Source);
    if (!src) throw ETYXError("Cannot assign this object to a TSymbolRepository");
    if (src == this) return;
    FSymbols = src->FSymbols;
    FSymbolsBak = src->FSymbolsBak;
    FNEntries = src->FNEntries;
    FNEntriesBak = src->FNEntriesBak;
}

void TSymbolRepository::AssignTo(TObject& Dest) const
{
    // Only a destination whose class this one is, or derives from, can take all of it.
    auto* Repository = dynamic_cast<TSymbolRepository*>(&Dest);
    if (Repository && IsOrDerivesFrom(typeid(*this), typeid(Dest))) {
        Repository->Assign(*this);
        return;
    }
    throw ETYXError("Cannot assign a TSymbolRepository to this object");
}

void TSymbolRepository::SetNEntries(int n)
{
    if (n < 0) return;
    FSymbols.resize(static_cast<std::size_t>(n));
    FNEntries = n;
}

TSymbol TSymbolRepository::GetValues(int ix) const
{
    if (ix < 1 || ix > FNEntries) return DefaultSymbolRecord();
    return FSymbols[static_cast<std::size_t>(ix - 1)];
}

void TSymbolRepository::SetValues(int ix, const TSymbol& v)
{
    if (ix < 1 || ix > FNEntries) return;
    FSymbols[static_cast<std::size_t>(ix - 1)] = v;
}

void TSymbolRepository::Backup()
{
    FSymbolsBak.assign(FSymbols.begin(), FSymbols.begin() + FNEntries);
    FNEntriesBak = FNEntries;
}

void TSymbolRepository::Restore()
{
    FSymbols.assign(FSymbolsBak.begin(), FSymbolsBak.begin() + FNEntriesBak);
    FNEntries = FNEntriesBak;
}

void TSymbolRepository::Clear()
{
    std::fill(FSymbols.begin(), FSymbols.begin() + FNEntries, DefaultSymbolRecord());
}

// ---- Files ----

std::vector<std::string> TSymbolRepository::XmlLines(const std::string& DataID) const
{
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(FNEntries) + 5);
    out.emplace_back("<?xml version=\"1.0\"?>");
    out.emplace_back("");
    out.emplace_back("<!-- TGeoMap Landmark Repository / Tyxware -->");
    out.push_back("<lmsymbols" + XmlAttr("sig", "Tyxware") + XmlAttr("vers", "1.0") + XmlAttr("id", XmlAttrText(DataID)) +
                  ">");
    for (int i = 0; i < FNEntries; ++i) {
        const TSymbol& s = FSymbols[static_cast<std::size_t>(i)];
        const TSymbolProperties& p = s.Properties;
        const std::string_view kind = p.Kind < LMTypeNames.size() ? LMTypeNames[p.Kind] : LMTypeNames[lmCross];
        out.push_back("<symbol" + XmlAttr("element", std::string(kind)) + XmlAttr("name", XmlAttrText(s.Name.Str())) +
                      XmlAttr("category", std::to_string(s.Category)) + XmlAttr("colorfg", Hex(p.FGColor, 8)) +
                      XmlAttr("colorbg", Hex(p.BGColor, 8)) + XmlAttr("size", std::to_string(p.Size)) +
                      XmlAttr("transp", BoolToText(p.Transparent, 0)) + XmlAttr("dir", std::to_string(p.Direction)) +
                      XmlAttr("leng", std::to_string(p.Length)) + " />");
    }
    out.emplace_back("</lmsymbols>");
    return out;
}

void TSymbolRepository::StoreOnFile(const std::string& FName, const std::string& DataID) const
{
    TTextFile f;
    f.Rewrite(FName);
    for (const std::string& line : XmlLines(DataID)) f.WriteLn(line);
    f.Close();
}

bool TSymbolRepository::LoadFromFile(const std::string& FName, const std::string& DataID)
{
    return ReadTextFile(FName, [&](TTextFile& f) { return ReadFromOpenXMLFile(f, DataID); });
}

namespace {

enum TSymbolAttr { saCategory, saName, saColorFG, saColorBG, saSize, saTransp, saDir, saLeng, saElement, saCount };
constexpr std::array<std::string_view, saCount> SymbolAttrNames = {"category", "name", "colorfg", "colorbg", "size",
                                                                  "transp",   "dir",  "leng",    "element"};

int IntOf(const std::string& Value)
{
    int pos = 1;
    return ParseIntAt(Value, pos);
}

TColor HexOf(const std::string& Value)
{
    int pos = 1;
    return ScanHex(Value, pos);
}

TSymbol SymbolFromAttributes(const std::string& Attributes)
{
    std::array<std::string, saCount> v;
    GetAttributeValues(Attributes, SymbolAttrNames, v);
    TSymbol s = DefaultSymbolRecord();
    s.Category = IntOf(v[saCategory]);
    s.Name = v[saName];
    s.Properties.FGColor = HexOf(v[saColorFG]);
    s.Properties.BGColor = HexOf(v[saColorBG]);
    s.Properties.Size = IntOf(v[saSize]);
    s.Properties.Transparent = LowerAscii(v[saTransp]).find("true") != std::string::npos;
    s.Properties.Direction = IntOf(v[saDir]);
    s.Properties.Length = IntOf(v[saLeng]);
    s.Properties.Kind = LandMarkElementFromName(v[saElement]);
    return s;
}

} // namespace

bool TSymbolRepository::ReadFromOpenXMLFile(TTextFile& F, const std::string& DataID)
{
    TCalXmlFileInput in(F);
    std::string header;
    if (!FindXmlBlock(in, "<lmsymbols", DataID, header)) return false;
    FNEntries = 0;
    FSymbols.assign(1000, TSymbol{});
    std::string contents, attrs;
    for (;;) {
        const int tag = in.ReadNextTag(contents, attrs);
        if (tag == gxtLmSymbolsEnd || tag == gxtInvalidTag || tag < 0) break;
        if (tag != gxtSymbol) continue;
        const int n = FNEntries + 1;
        if (n > static_cast<int>(FSymbols.size())) FSymbols.resize(static_cast<std::size_t>(n) + 1000);
        FSymbols[static_cast<std::size_t>(n - 1)] = SymbolFromAttributes(attrs);
        FNEntries = n;
    }
    return true;
}

} // namespace tyx
