#include "support/Tyx_streams.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "host/tyx_text.h"

namespace tyx {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

int FindTag(const std::string& Name, std::span<const std::string> Tags)
{
    for (std::size_t i = 0; i < Tags.size(); ++i) {
        const std::string& t = Tags[i];
        if (t.size() != Name.size()) continue;
        bool same = true;
        for (std::size_t k = 0; k < t.size() && same; ++k) same = LowerAscii(t[k]) == LowerAscii(Name[k]);
        if (same) return static_cast<int>(i);
    }
    return -1;
}

// Attribute text on one line, in place: every line break (CR LF, CR or LF) becomes one blank;
// the ends are trimmed. Returns whether the tag closed itself with a final '/'.
bool NormaliseAttributes(std::string& Text, bool HasBreaks)
{
    if (HasBreaks) {
        std::size_t out = 0;
        for (std::size_t i = 0; i < Text.size(); ++i) {
            char c = Text[i];
            if (c == '\r' || c == '\n') {
                if (c == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
                c = ' ';
            }
            Text[out++] = c;
        }
        Text.resize(out);
    }
    auto trim = [&Text] {
        const std::size_t b = Text.find_first_not_of(" \t");
        if (b == std::string::npos) { Text.clear(); return; }
        Text.erase(Text.find_last_not_of(" \t") + 1);
        Text.erase(0, b);
    };
    trim();
    const bool selfClosing = !Text.empty() && Text.back() == '/';
    if (selfClosing) {
        Text.pop_back();
        trim();
    }
    return selfClosing;
}

// The sources below hand out their bytes a block at a time: the window [P, E). Fill() makes the
// window non-empty if any input is left, so scans run over whole blocks and single characters
// cost no call.
template <typename Source>
bool Get(Source& Src, char& c)
{
    if (!Src.Fill()) return false;
    c = *Src.P++;
    return true;
}

template <typename Source>
bool Peek(Source& Src, char& c)
{
    if (!Src.Fill()) return false;
    c = *Src.P;
    return true;
}

// Moves behind the next Ch; false at the end of the input.
template <typename Source>
bool SkipPast(Source& Src, char Ch)
{
    while (Src.Fill()) {
        const auto* hit = static_cast<const char*>(std::memchr(Src.P, Ch, static_cast<std::size_t>(Src.E - Src.P)));
        if (hit) {
            Src.P = hit + 1;
            return true;
        }
        Src.P = Src.E;
    }
    return false;
}

// Appends to Out everything before the next Ch (or the end of the input), which stays unread.
template <typename Source>
void TakeUntil(Source& Src, char Ch, std::string& Out)
{
    while (Src.Fill()) {
        const auto* hit = static_cast<const char*>(std::memchr(Src.P, Ch, static_cast<std::size_t>(Src.E - Src.P)));
        const char* stop = hit ? hit : Src.E;
        Out.append(Src.P, stop);
        Src.P = stop;
        if (hit) return;
    }
}

// Skips a comment "<!-- ... -->" or a declaration "<!...>" / "<?...?>"; the '<' is consumed.
template <typename Source>
bool SkipSpecialTag(Source& Src)
{
    std::string text;
    char c;
    while (Get(Src, c)) {
        if (c == '>') {
            const bool comment = text.rfind("!--", 0) == 0;
            if (!comment || (text.size() >= 5 && text.compare(text.size() - 2, 2, "--") == 0)) return true;
        }
        text += c;
    }
    return false;
}

// The characters that end a run of plain text inside a tag.
constexpr std::array<bool, 256> TagRunEnds = [] {
    std::array<bool, 256> t{};
    for (const unsigned char c : {'"', '\r', '\n', '>'}) t[c] = true;
    return t;
}();

template <typename Source>
int ReadNextTag(Source& Src, std::span<const std::string> Tags, std::string& Contents, std::string& Attributes)
{
    Contents.clear();
    Attributes.clear();
    if (Tags.empty()) return -1;
    const int endIndex = static_cast<int>(Tags.size()) - 1;
    char c;
    std::string name, raw, after;
    for (;;) {
        if (!SkipPast(Src, '<')) return endIndex;
        if (!Peek(Src, c)) return endIndex;
        if (c == '!' || c == '?') {
            if (!SkipSpecialTag(Src)) return endIndex;
            continue;
        }
        name.clear();
        if (c == '/') {
            name += c;
            ++Src.P;
        }
        while (Peek(Src, c) && !IsBlank(c) && c != '>' && c != '/') {
            name += c;
            ++Src.P;
        }
        // The rest of the tag. A quoted value protects a '>' inside it. A quote still open at the
        // end of a line is a stray one: the last '>' of that line ends the tag after all, and
        // what followed it is text after the tag, so the stray quote cannot swallow later tags.
        raw.clear();
        after.clear();
        bool inQuote = false;
        bool closed = false;
        bool breaks = false;
        std::size_t quotedGt = std::string::npos;
        auto closeAtQuotedGt = [&] {
            after = raw.substr(quotedGt + 1);
            raw.resize(quotedGt);
            closed = true;
        };
        while (Src.Fill()) {
            // Plain text up to the next character that matters is taken as one run.
            const char* run = Src.P;
            while (run < Src.E && !TagRunEnds[static_cast<unsigned char>(*run)]) ++run;
            raw.append(Src.P, run);
            Src.P = run;
            if (run == Src.E) continue;
            c = *Src.P++;
            if (c == '"') {
                inQuote = !inQuote;
            } else if (c == '\r' || c == '\n') {
                if (inQuote && quotedGt != std::string::npos) {
                    closeAtQuotedGt();
                    after += c;
                    break;
                }
                inQuote = false;
                quotedGt = std::string::npos;
                breaks = true;
            } else if (c == '>') {
                if (!inQuote) { closed = true; break; }
                quotedGt = raw.size();
            }
            raw += c;
        }
        if (!closed && inQuote && quotedGt != std::string::npos) closeAtQuotedGt();
        if (!closed) return endIndex;
        const int index = FindTag(name, Tags);
        if (index < 0) continue;

        const bool selfClosing = NormaliseAttributes(raw, breaks);
        if (!selfClosing) {
            TakeUntil(Src, '<', after);
            Contents = Src.Text(after);
        }
        Attributes = Src.Text(raw);
        return index;
    }
}

// A text file read through its own block buffer; what was taken is handed back to the file as
// read, so that line reads may follow.
class TTextFileSource {
public:
    explicit TTextFileSource(TTextFile& F) : FFile(F) {}
    TTextFileSource(const TTextFileSource&) = delete;
    TTextFileSource& operator=(const TTextFileSource&) = delete;
    ~TTextFileSource() { Sync(); }
    bool Fill()
    {
        if (P < E) return true;
        Sync();
        if (!FFile.FillBuffer()) return false;
        const std::string_view w = FFile.Buffered();
        FBase = P = w.data();
        E = P + w.size();
        return true;
    }
    std::string Text(std::string_view Bytes) const { return FFile.DecodeText(Bytes); }
    const char* P = nullptr;
    const char* E = nullptr;

private:
    void Sync()
    {
        FFile.Consume(static_cast<std::size_t>(P - FBase));
        FBase = P;
    }
    TTextFile& FFile;
    const char* FBase = nullptr;
};

// Reads the stream in blocks and, when done, moves the stream back to just behind the last
// character taken, so the caller's position is exact.
class TStreamSource {
public:
    explicit TStreamSource(TStream& S) : FStream(S) {}
    TStreamSource(const TStreamSource&) = delete;
    TStreamSource& operator=(const TStreamSource&) = delete;
    ~TStreamSource()
    {
        const int64_t unread = E - P;
        if (unread == 0) return;
        try {
            FStream.Seek(-unread, soCurrent);
        } catch (...) {
            // A stream that cannot seek back leaves its position behind the block; nothing to
            // report from a destructor.
        }
    }
    bool Fill()
    {
        if (P < E) return true;
        int64_t n = FStream.Read(FBuf, sizeof FBuf);
        if (n < 0) n = 0;
        P = FBuf;
        E = FBuf + n;
        return n > 0;
    }
    static std::string Text(std::string_view Bytes) { return Cp1252ToUtf8(Bytes); }
    const char* P = nullptr;
    const char* E = nullptr;

private:
    TStream& FStream;
    char FBuf[4096];
};

} // namespace

int ReadNextTagInTextFile(TTextFile& TextFile, std::span<const std::string> Tags, std::string& Contents,
                          std::string& Attributes)
{
    TTextFileSource src(TextFile);
    return ReadNextTag(src, Tags, Contents, Attributes);
}

int ReadNextTagInStream(TStream& Stream, std::span<const std::string> Tags, std::string& Contents,
                        std::string& Attributes)
{
    TStreamSource src(Stream);
    return ReadNextTag(src, Tags, Contents, Attributes);
}

void WriteLnStream(TStream& Stream, const std::string& Line)
{
    const std::string bytes = Utf8ToCp1252(Line) + "\r\n";
    Stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

} // namespace tyx
