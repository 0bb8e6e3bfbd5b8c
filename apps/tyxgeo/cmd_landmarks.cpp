// The landmark subcommands of tyxgeo: listing landmark and symbol files, drawing one symbol, and
// writing a landmark file from tab-separated lines (the form the listing prints), so that
// landmark files can be made from a spreadsheet.
#include "cli_common.h"

#include "geoio_gpx.h"

#include "geomap/Tyx_geomap.h"
#include "geomap/core/Tyx_landmarks.h"
#include "geomap/core/Tyx_symbols.h"
#include "geomap/core/tyx_geomap_values.h"
#include "geomap/core/tyx_geomap_xml.h"
#include "support/Tyx_math1.h"

#include <QApplication>
#include <QImage>

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace tyx::cli {

namespace {

constexpr std::size_t LandMarkColumns = 16;

struct TListOptions {
    std::string File;
    std::string Id;
};

struct TSymbolOptions {
    std::string Out, Size, Element, X, Y;
    std::string Fg = "00000000", Bg = "000000FF";
    std::string SymbolSize = "8", Dir = "90", Len = "40";
    bool Transparent = false;
};

struct TWriteOptions {
    std::string Out;
    std::string Id;
};

std::string ElementName(TLandMarkElement Kind)
{
    return Kind < LMTypeNames.size() ? std::string(LMTypeNames[Kind]) : std::to_string(Kind);
}

std::string TrueFalse(bool Value) { return Value ? "true" : "false"; }

[[noreturn]] void NoBlock(const char* What, const TListOptions& O)
{
    if (O.Id.empty()) throw DataError(fmt::format("no {} block in '{}'", What, O.File));
    throw DataError(fmt::format("no {} block with id '{}' in '{}'", What, O.Id, O.File));
}

void RunLandMarks(const TListOptions& O)
{
    TLandMarkList List;
    if (geoio::IsGpxFileName(O.File)) {
        for (const TLandMark& L : GpxLandMarks(O.File, List.LandMarkDefault())) List.AppendLandMark(L);
    } else {
        TLandMarkReadReport Report;
        bool Opened = false;
        const bool Found = ReadTextFile(O.File, [&](TTextFile& F) {
            Opened = true;
            return ReadLandMarksFromOpenXMLFile(F, O.Id, List, &Report);
        });
        if (!Opened) throw DataError(fmt::format("cannot open landmark file '{}'", O.File));
        if (!Found) NoBlock("landmark", O);
        WarnOfLandMarkDamage(O.File, Report, List.NumLandMarks());
    }
    int Number = 0;
    for (const TLandMark& L : List.Items()) {
        const TSymbolProperties& S = L.SymbolProps;
        std::cout << ++Number << '\t' << Fixed(L.Latitude, 9) << '\t' << Fixed(L.Longitude, 9) << '\t'
                  << Fixed(L.Altitude, 9) << '\t' << int(L.ClassFlag) << '\t' << L.Tag << '\t' << ElementName(S.Kind)
                  << '\t' << S.Size << '\t' << Hex(S.FGColor, 8) << '\t' << Hex(S.BGColor, 8) << '\t'
                  << TrueFalse(S.Transparent) << '\t' << S.Direction << '\t' << S.Length << '\t'
                  << Escaped(L.Identifier.Str()) << '\t' << LandMarkDateText(L.Time) << '\t' << Escaped(L.Caption.Text.Str())
                  << '\n';
    }
}

void RunSymbols(const TListOptions& O)
{
    TSymbolRepository Repo;
    bool Opened = false;
    const bool Found = ReadTextFile(O.File, [&](TTextFile& F) {
        Opened = true;
        return Repo.ReadFromOpenXMLFile(F, O.Id);
    });
    if (!Opened) throw DataError(fmt::format("cannot open symbol file '{}'", O.File));
    if (!Found) NoBlock("symbol", O);
    for (int i = 1; i <= Repo.NumEntries(); ++i) {
        const TSymbol S = Repo.GetValues(i);
        const TSymbolProperties& P = S.Properties;
        std::cout << i << '\t' << Escaped(S.Name.Str()) << '\t' << S.Category << '\t' << ElementName(P.Kind) << '\t'
                  << P.Size << '\t' << Hex(P.FGColor, 8) << '\t' << Hex(P.BGColor, 8) << '\t'
                  << TrueFalse(P.Transparent) << '\t' << P.Direction << '\t' << P.Length << '\n';
    }
}

// A colour as the files write it: 1 to 8 hexadecimal digits, red = 000000FF.
TColor ParseColor(const std::string& Text, const char* What)
{
    const bool Hexadecimal = !Text.empty() && Text.size() <= 8 &&
                             std::all_of(Text.begin(), Text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
    if (!Hexadecimal) throw DataError(fmt::format("{} is not a colour of 1 to 8 hexadecimal digits: '{}'", What, Text));
    int Pos = 1;
    return ScanHex(Text, Pos);
}

// A kind by its name (any case) or its ordinal 0 to 255.
TLandMarkElement ParseElement(const std::string& Text)
{
    const std::string Lower = LowerAscii(Text);
    for (std::size_t k = 0; k < LMTypeNames.size(); ++k)
        if (Lower == LowerAscii(LMTypeNames[k])) return static_cast<TLandMarkElement>(k);
    const bool Digits = !Text.empty() && Text.size() <= 3 &&
                        std::all_of(Text.begin(), Text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!Digits || std::stoi(Text) > 255)
        throw DataError(fmt::format("ELEMENT must be a symbol name or 0 to 255, not '{}'", Text));
    return static_cast<TLandMarkElement>(std::stoi(Text));
}

bool ParseTrueFalse(const std::string& Text, const char* What)
{
    const std::string Lower = LowerAscii(Text);
    if (Lower != "true" && Lower != "false") throw DataError(fmt::format("{} must be true or false, not '{}'", What, Text));
    return Lower == "true";
}

void RunSymbol(const TSymbolOptions& O)
{
    const auto At = O.Size.find('x');
    if (At == std::string::npos) throw UsageError(fmt::format("the size must be written WxH, not '{}'", O.Size));
    const int W = ParseInt(O.Size.substr(0, At), "W");
    const int H = ParseInt(O.Size.substr(At + 1), "H");
    if (W < 1 || H < 1 || W > 10000 || H > 10000) throw UsageError("the size must be 1x1 to 10000x10000");
    const TLandMarkElement Element = ParseElement(O.Element);
    const int X = ParseInt(O.X, "X");
    const int Y = ParseInt(O.Y, "Y");
    const TColor Fg = ParseColor(O.Fg, "--fg");
    const TColor Bg = ParseColor(O.Bg, "--bg");
    const int Size = ParseInt(O.SymbolSize, "--size");
    const int Dir = ParseInt(O.Dir, "--dir");
    const int Len = ParseInt(O.Len, "--len");

    const auto App = EnsureApplication();
    QImage Img(W, H, QImage::Format_RGB32);
    Img.fill(Qt::white);
    {
        TCanvas Canvas(&Img);
        DrawLandMarkSymbolOnCanvas(Canvas, X, Y, Element, Fg, Bg, Size, Dir, Len, O.Transparent);
        Canvas.EndPaint();
    }
    if (!Img.save(QString::fromStdString(O.Out))) throw DataError(fmt::format("cannot write '{}'", O.Out));
}

// One line of the listing: NUMBER LAT LONG ALT CLASS TAG ELEMENT SIZE FG BG TRANSP DIR LENG ID
// DATE CAPTEXT, separated by tabs; the caption may be left off. The caption's style comes from
// the template.
TLandMark LandMarkOfLine(const std::vector<std::string>& F, const TLandMark& Template)
{
    TLandMark L = Template;
    L.Latitude = ParseDouble(F[1], "LAT");
    L.Longitude = ParseDouble(F[2], "LONG");
    L.Altitude = ParseDouble(F[3], "ALT");
    const int Class = ParseInt(F[4], "CLASS");
    if (Class < 0 || Class > 255) throw DataError(fmt::format("CLASS must be 0 to 255, not {}", Class));
    L.ClassFlag = static_cast<uint8_t>(Class);
    L.Tag = ParseInt(F[5], "TAG");
    L.SymbolProps.Kind = ParseElement(F[6]);
    L.SymbolProps.Size = ParseInt(F[7], "SIZE");
    L.SymbolProps.FGColor = ParseColor(F[8], "FG");
    L.SymbolProps.BGColor = ParseColor(F[9], "BG");
    L.SymbolProps.Transparent = ParseTrueFalse(F[10], "TRANSP");
    L.SymbolProps.Direction = ParseInt(F[11], "DIR");
    L.SymbolProps.Length = ParseInt(F[12], "LENG");
    L.Identifier = F[13];
    L.Time = LandMarkDateFromText(F[14]);
    if (F[14].size() != 14 || (L.Time == 0 && F[14] != "18991230000000"))
        throw DataError(fmt::format("DATE must be yyyymmddHHMMSS, not '{}'", F[14]));
    L.Caption.Text = F.size() > 15 ? F[15] : std::string();
    return L;
}

// The fields of a line as the listing writes them, its escapes undone.
std::vector<std::string> SplitTabs(const std::string& Line)
{
    std::vector<std::string> out;
    std::size_t From = 0;
    for (;;) {
        const auto Tab = Line.find('\t', From);
        out.push_back(Unescaped(Line.substr(From, Tab == std::string::npos ? std::string::npos : Tab - From)));
        if (Tab == std::string::npos) return out;
        From = Tab + 1;
    }
}

void RunLandMarksWrite(const TWriteOptions& O)
{
    RefuseToOverwrite({O.Out}, {"/dev/stdin"});
    const auto App = EnsureApplication();
    TGeoMap Map;
    Map.SetName("tyxgeo");
    Map.SetSuppressPaint(true);
    std::string Line;
    int LineNo = 0;
    while (std::getline(std::cin, Line)) {
        ++LineNo;
        if (!Line.empty() && Line.back() == '\r') Line.pop_back();
        if (Line.find_first_not_of(" \t") == std::string::npos) continue;
        const auto Fields = SplitTabs(Line);
        try {
            if (Fields.size() != LandMarkColumns && Fields.size() != LandMarkColumns - 1)
                throw DataError(fmt::format("expected {} tab-separated fields, got {}", LandMarkColumns, Fields.size()));
            const TLandMark L = LandMarkOfLine(Fields, Map.LandMarkDefault());
            Map.AddLandMark(L.Latitude, L.Longitude, L.Altitude);
            Map.SetLandMarkData(Map.NumLandMarks(), L);
        } catch (const DataError& E) {
            throw DataError(fmt::format("line {}: {}", LineNo, E.what()));
        }
    }
    Map.SaveLandmarks(O.Out, O.Id);
    std::cout << Map.NumLandMarks() << " landmarks written to " << O.Out << '\n';
}

} // namespace

void AddLandMarkCommands(CLI::App& App)
{
    auto List = std::make_shared<TListOptions>();
    CLI::App* Lm = App.add_subcommand("landmarks", "List the landmarks of a landmark file, or the waypoints of a GPX "
                                                   "file as landmarks, one tab-separated line each: "
                                                   "NUMBER LAT LONG ALT CLASS TAG ELEMENT SIZE FG BG TRANSP DIR LENG ID "
                                                   "DATE CAPTEXT. Warns on stderr of a cut-off block and of "
                                                   "coordinates that are not finite numbers");
    Lm->add_option("FILE", List->File, "Landmark file, or GPX file (.gpx; waypoints with their names as captions)")
        ->required();
    Lm->add_option("--id", List->Id, "Block identifier (any case); default: the first block");
    Lm->callback([List] { RunLandMarks(*List); });

    auto SymList = std::make_shared<TListOptions>();
    CLI::App* Sy = App.add_subcommand("symbols", "List the symbols of a symbol file, one tab-separated line each: "
                                                 "NUMBER NAME CATEGORY ELEMENT SIZE FG BG TRANSP DIR LENG");
    Sy->add_option("FILE", SymList->File, "Symbol file")->required();
    Sy->add_option("--id", SymList->Id, "Block identifier (any case); default: the first block");
    Sy->callback([SymList] { RunSymbols(*SymList); });

    auto Sym = std::make_shared<TSymbolOptions>();
    CLI::App* One = App.add_subcommand("symbol", "Draw one landmark symbol on a white picture");
    One->add_option("OUT", Sym->Out, "Picture to write (.png, .bmp, .jpg)")->required();
    One->add_option("WxH", Sym->Size, "Picture size in pixels")->required();
    One->add_option("ELEMENT", Sym->Element, "Symbol name (Plus ... User-Defined, any case) or 0 to 255")->required();
    One->add_option("X", Sym->X, "Column of the symbol")->required();
    One->add_option("Y", Sym->Y, "Row of the symbol")->required();
    One->add_option("--fg", Sym->Fg, "Line colour, 8 hexadecimal digits, red = 000000FF (default 00000000)");
    One->add_option("--bg", Sym->Bg, "Fill colour (default 000000FF)");
    One->add_option("--size", Sym->SymbolSize, "Size in pixels (default 8)");
    One->add_option("--dir", Sym->Dir, "Direction in degrees clockwise from up (default 90)");
    One->add_option("--len", Sym->Len, "Arrow length in pixels (default 40)");
    One->add_flag("--transparent", Sym->Transparent, "Leave the background unfilled");
    One->callback([Sym] { RunSymbol(*Sym); });

    auto Write = std::make_shared<TWriteOptions>();
    CLI::App* Wr = App.add_subcommand("landmarks-write", "Write a landmark file from the tab-separated lines of "
                                                         "'landmarks' read from standard input");
    Wr->add_option("OUT", Write->Out, "Landmark file to write")->required();
    Wr->add_option("--id", Write->Id, "Block identifier")->required();
    Wr->callback([Write] { RunLandMarksWrite(*Write); });
}

} // namespace tyx::cli
