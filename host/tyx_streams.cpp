#include "host/tyx_streams.h"

#include "host/tyx_errors.h"
#include "host/tyx_text.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace tyx {

EInOutError EInOutError::FromErrno(const std::string& FileName)
{
    return EInOutError(FileName, std::strerror(errno));
}

void TStream::ReadBuffer(void* Buffer, int64_t Count)
{
    if (Count > 0 && Read(Buffer, Count) != Count) throw EInOutError("stream", "stream read error");
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count)
{
    if (Count > 0 && Write(Buffer, Count) != Count) throw EInOutError("stream", "stream write error");
}

int64_t TStream::CopyFrom(TStream& Source, int64_t Count)
{
    if (Count <= 0) Count = Source.Size() - Source.Position();
    std::vector<uint8_t> buf(static_cast<std::size_t>(std::min<int64_t>(Count, 1 << 16)));
    int64_t left = Count;
    while (left > 0) {
        const int64_t n = std::min<int64_t>(left, static_cast<int64_t>(buf.size()));
        Source.ReadBuffer(buf.data(), n);
        WriteBuffer(buf.data(), n);
        left -= n;
    }
    return Count;
}

// --- TMemoryStream ---

int64_t TMemoryStream::Read(void* Buffer, int64_t Count)
{
    const int64_t n = std::clamp<int64_t>(Size() - FPos, 0, std::max<int64_t>(Count, 0));
    if (n > 0) std::memcpy(Buffer, FData.data() + FPos, static_cast<std::size_t>(n));
    FPos += n;
    return n;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count)
{
    if (Count <= 0) return 0;
    if (FPos + Count > Size()) FData.resize(static_cast<std::size_t>(FPos + Count));
    std::memcpy(FData.data() + FPos, Buffer, static_cast<std::size_t>(Count));
    FPos += Count;
    return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin)
{
    const int64_t base = Origin == soBeginning ? 0 : Origin == soCurrent ? FPos : Size();
    FPos = std::max<int64_t>(0, base + Offset);
    return FPos;
}

void TMemoryStream::SetSize(int64_t NewSize)
{
    FData.resize(static_cast<std::size_t>(std::max<int64_t>(NewSize, 0)));
    FPos = std::min(FPos, Size());
}

void TMemoryStream::LoadFromFile(const std::string& FileName)
{
    FData = ReadFileBytes(FileName);
    FPos = 0;
}

void TMemoryStream::SaveToFile(const std::string& FileName) const
{
    WriteFileBytes(FileName, FData.data(), FData.size());
}

// --- TFileStream ---

TFileStream::TFileStream(const std::string& FileName, TFileMode Mode) : FFileName(FileName)
{
    const char* m = Mode == fmOpenRead ? "rb" : Mode == fmOpenReadWrite ? "r+b" : "w+b";
    FFile = std::fopen(FileName.c_str(), m);
    if (!FFile) throw EInOutError::FromErrno(FileName);
}

TFileStream::~TFileStream()
{
    if (FFile) std::fclose(FFile);
}

void TFileStream::SwitchTo(TLastOp Op)
{
    if (FLastOp != loNone && FLastOp != Op && fseeko(FFile, 0, SEEK_CUR) != 0) throw EInOutError::FromErrno(FFileName);
    FLastOp = Op;
}

int64_t TFileStream::Read(void* Buffer, int64_t Count)
{
    if (Count <= 0) return 0;
    SwitchTo(loRead);
    const auto n = std::fread(Buffer, 1, static_cast<std::size_t>(Count), FFile);
    if (n < static_cast<std::size_t>(Count) && std::ferror(FFile)) throw EInOutError::FromErrno(FFileName);
    return static_cast<int64_t>(n);
}

int64_t TFileStream::Write(const void* Buffer, int64_t Count)
{
    if (Count <= 0) return 0;
    SwitchTo(loWrite);
    const auto n = std::fwrite(Buffer, 1, static_cast<std::size_t>(Count), FFile);
    if (n < static_cast<std::size_t>(Count)) throw EInOutError::FromErrno(FFileName);
    return static_cast<int64_t>(n);
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin)
{
    const int w = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
    if (!(Origin == soCurrent && Offset == 0)) {
        if (fseeko(FFile, Offset, w) != 0) throw EInOutError::FromErrno(FFileName);
        FLastOp = loNone; // a seek allows either direction next
    }
    return ftello(FFile);
}

int64_t TFileStream::Size() const
{
    if (FLastOp == loWrite && std::fflush(FFile) != 0) throw EInOutError::FromErrno(FFileName);
    struct stat st{};
    if (fstat(fileno(FFile), &st) != 0) throw EInOutError::FromErrno(FFileName);
    return st.st_size;
}

void TFileStream::Flush()
{
    if (std::fflush(FFile) != 0) throw EInOutError::FromErrno(FFileName);
}

// --- TTextFile ---

TTextFile::~TTextFile()
{
    if (FFile) std::fclose(FFile);
}

void TTextFile::Open(const std::string& FileName, const char* Mode)
{
    if (FFile) Close();
    FFile = std::fopen(FileName.c_str(), Mode);
    if (!FFile) throw EInOutError::FromErrno(FileName);
    FFileName = FileName;
    FBufPos = FBufLen = 0;
    FUtf8 = false;
}

namespace {

// True when Line is an XML declaration naming UTF-8 (in any case) as its encoding.
bool DeclaresUtf8(std::string_view Line)
{
    if (!Line.starts_with("<?xml")) return false;
    Line = Line.substr(0, Line.find("?>"));
    auto skipBlanks = [&](std::size_t p) {
        while (p < Line.size() && (Line[p] == ' ' || Line[p] == '\t')) ++p;
        return p;
    };
    const std::size_t at = Line.find("encoding");
    if (at == std::string_view::npos) return false;
    std::size_t p = skipBlanks(at + 8);
    if (p >= Line.size() || Line[p] != '=') return false;
    p = skipBlanks(p + 1);
    if (p >= Line.size() || (Line[p] != '"' && Line[p] != '\'')) return false;
    const char quote = Line[p];
    const std::size_t end = Line.find(quote, p + 1);
    if (end == std::string_view::npos) return false;
    const std::string_view name = Line.substr(p + 1, end - p - 1);
    return name.size() == 5 && std::equal(name.begin(), name.end(), "utf-8",
                                          [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

} // namespace

void TTextFile::Reset(const std::string& FileName)
{
    Open(FileName, "rb");
    // The blocks are read into FBuffer; a second buffer inside the FILE would only copy twice.
    std::setvbuf(FFile, nullptr, _IONBF, 0);
    if (!FillBuffer()) return;
    const std::string_view head = Buffered();
    if (head.starts_with("\xEF\xBB\xBF")) {
        Consume(3);
        FUtf8 = true;
    } else {
        FUtf8 = DeclaresUtf8(head.substr(0, head.find_first_of("\r\n")));
    }
}

std::string TTextFile::DecodeText(std::string_view Bytes) const
{
    return FUtf8 ? std::string(Bytes) : Cp1252ToUtf8(Bytes);
}

void TTextFile::Rewrite(const std::string& FileName) { Open(FileName, "wb"); }
void TTextFile::Append(const std::string& FileName) { Open(FileName, "ab"); }

bool TTextFile::FillBuffer()
{
    if (FBufPos < FBufLen) return true;
    FBufPos = FBufLen = 0;
    if (!FFile) return false;
    constexpr std::size_t BlockSize = 64 * 1024;
    if (FBuffer.size() != BlockSize) FBuffer.resize(BlockSize);
    FBufLen = std::fread(FBuffer.data(), 1, BlockSize, FFile);
    return FBufLen > 0;
}

bool TTextFile::ReadChar(char& Ch)
{
    if (!FillBuffer()) return false;
    Ch = FBuffer[FBufPos++];
    return true;
}

bool TTextFile::PeekChar(char& Ch)
{
    if (!FillBuffer()) return false;
    Ch = FBuffer[FBufPos];
    return true;
}

std::string TTextFile::ReadLn()
{
    std::string bytes;
    if (!FFile) return bytes;
    while (FillBuffer()) {
        const char* const Begin = FBuffer.data() + FBufPos;
        const char* const End = FBuffer.data() + FBufLen;
        const char* P = Begin;
        while (P < End && *P != '\n' && *P != '\r') ++P;
        bytes.append(Begin, P);
        FBufPos += static_cast<std::size_t>(P - Begin);
        if (P == End) continue;
        FBufPos += 1;
        // CR LF is one line end, also when the LF starts the next block.
        if (*P == '\r' && FillBuffer() && FBuffer[FBufPos] == '\n') ++FBufPos;
        break;
    }
    if (std::ferror(FFile)) throw EInOutError::FromErrno(FFileName);
    return DecodeText(bytes);
}

void TTextFile::Write(const std::string& Text)
{
    if (!FFile) throw EInOutError(FFileName, "file not open");
    const std::string bytes = Utf8ToCp1252(Text);
    if (std::fwrite(bytes.data(), 1, bytes.size(), FFile) != bytes.size()) throw EInOutError::FromErrno(FFileName);
}

void TTextFile::WriteLn(const std::string& Line)
{
    Write(Line);
    if (std::fwrite("\r\n", 1, 2, FFile) != 2) throw EInOutError::FromErrno(FFileName);
}

bool TTextFile::Eof() { return !FillBuffer(); }

void TTextFile::Close()
{
    if (!FFile) return;
    std::FILE* f = FFile;
    FFile = nullptr;
    FBufPos = FBufLen = 0;
    if (std::fclose(f) != 0) throw EInOutError::FromErrno(FFileName);
}

// --- whole files ---

std::vector<uint8_t> ReadFileBytes(const std::string& FileName)
{
    TFileStream f(FileName, fmOpenRead);
    std::vector<uint8_t> data(static_cast<std::size_t>(f.Size()));
    f.ReadBuffer(data.data(), static_cast<int64_t>(data.size()));
    return data;
}

void WriteFileBytes(const std::string& FileName, const void* Data, std::size_t Size)
{
    TFileStream f(FileName, fmCreate);
    f.WriteBuffer(Data, static_cast<int64_t>(Size));
    f.Flush();
}

bool FileExists(const std::string& FileName)
{
    struct stat st{};
    return ::stat(FileName.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace tyx
