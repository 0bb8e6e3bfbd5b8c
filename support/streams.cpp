#include "support/Tyx_streams.h"

#include <cstdint>

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

// Attribute text on one line: every line break (CR LF, CR or LF) becomes one blank; the ends are
// trimmed. Returns whether the tag closed itself with a final '/'.
bool NormaliseAttributes(const std::string& Raw, std::string& Out)
{
    Out.clear();
    for (std::size_t i = 0; i < Raw.size(); ++i) {
        if (Raw[i] == '\r') {
            Out += ' ';
            if (i + 1 < Raw.size() && Raw[i + 1] == '\n') ++i;
        } else if (Raw[i] == '\n') {
            Out += ' ';
        } else {
            Out += Raw[i];
        }
    }
    auto trim = [&Out] {
        const std::size_t b = Out.find_first_not_of(" \t");
        if (b == std::string::npos) { Out.clear(); return; }
        Out = Out.substr(b, Out.find_last_not_of(" \t") - b + 1);
    };
    trim();
    const bool selfClosing = !Out.empty() && Out.back() == '/';
    if (selfClosing) {
        Out.pop_back();
        trim();
    }
    return selfClosing;
}

// Skips a comment "<!-- ... -->" or a declaration "<!...>" / "<?...?>"; the '<' is consumed.
template <typename Source>
bool SkipSpecialTag(Source& Src)
{
    std::string text;
    char c;
    while (Src.Get(c)) {
        if (c == '>') {
            const bool comment = text.rfind("!--", 0) == 0;
            if (!comment || (text.size() >= 5 && text.compare(text.size() - 2, 2, "--") == 0)) return true;
        }
        text += c;
    }
    return false;
}

template <typename Source>
int ReadNextTag(Source& Src, std::span<const std::string> Tags, std::string& Contents, std::string& Attributes)
{
    Contents.clear();
    Attributes.clear();
    if (Tags.empty()) return -1;
    const int endIndex = static_cast<int>(Tags.size()) - 1;
    char c;
    for (;;) {
        do {
            if (!Src.Get(c)) return endIndex;
        } while (c != '<');
        if (!Src.Peek(c)) return endIndex;
        if (c == '!' || c == '?') {
            if (!SkipSpecialTag(Src)) return endIndex;
            continue;
        }
        std::string name;
        if (c == '/') {
            name += c;
            Src.Get(c);
        }
        while (Src.Peek(c) && !IsBlank(c) && c != '>' && c != '/') {
            name += c;
            Src.Get(c);
        }
        // The rest of the tag. A quoted value protects a '>' inside it. A quote still open at the
        // end of a line is a stray one: the last '>' of that line ends the tag after all, and
        // what followed it is text after the tag, so the stray quote cannot swallow later tags.
        std::string raw, after;
        bool inQuote = false;
        bool closed = false;
        std::size_t quotedGt = std::string::npos;
        auto closeAtQuotedGt = [&] {
            after = raw.substr(quotedGt + 1);
            raw.resize(quotedGt);
            closed = true;
        };
        while (Src.Get(c)) {
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

        std::string attributes;
        const bool selfClosing = NormaliseAttributes(raw, attributes);
        std::string contents;
        if (!selfClosing) {
            contents = after;
            while (Src.Peek(c) && c != '<') {
                contents += c;
                Src.Get(c);
            }
        }
        Attributes = Cp1252ToUtf8(attributes);
        Contents = Cp1252ToUtf8(contents);
        return index;
    }
}

class TTextFileSource {
public:
    explicit TTextFileSource(TTextFile& F) : FFile(F) {}
    bool Get(char& c) { return FFile.ReadChar(c); }
    bool Peek(char& c) { return FFile.PeekChar(c); }

private:
    TTextFile& FFile;
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
        const int64_t unread = FLen - FPos;
        if (unread == 0) return;
        try {
            FStream.Seek(-unread, soCurrent);
        } catch (...) {
            // A stream that cannot seek back leaves its position behind the block; nothing to
            // report from a destructor.
        }
    }
    bool Get(char& c)
    {
        if (!Fill()) return false;
        c = static_cast<char>(FBuf[FPos++]);
        return true;
    }
    bool Peek(char& c)
    {
        if (!Fill()) return false;
        c = static_cast<char>(FBuf[FPos]);
        return true;
    }

private:
    bool Fill()
    {
        if (FPos < FLen) return true;
        FPos = 0;
        FLen = FStream.Read(FBuf, sizeof FBuf);
        if (FLen < 0) FLen = 0;
        return FLen > 0;
    }
    TStream& FStream;
    uint8_t FBuf[4096];
    int64_t FPos = 0;
    int64_t FLen = 0;
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
