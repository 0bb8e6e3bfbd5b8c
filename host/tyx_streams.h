// Byte streams (memory and file) and the 8-bit text file of the host layer.
#pragma once
#include <cstdint>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tyx {

enum TSeekOrigin : uint8_t { soBeginning, soCurrent, soEnd };

/// A positioned sequence of bytes.
class TStream {
public:
    virtual ~TStream() = default;
    /// Reads up to Count bytes; returns how many were read.
    virtual int64_t Read(void* Buffer, int64_t Count) = 0;
    /// Writes Count bytes; returns how many were written.
    virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
    /// Moves the position; returns the new position.
    virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
    /// Length in bytes.
    virtual int64_t Size() const = 0;
    /// The current position, bytes from the start.
    int64_t Position() { return Seek(0, soCurrent); }
    /// Moves to Pos bytes from the start.
    void SetPosition(int64_t Pos) { Seek(Pos, soBeginning); }
    /// Reads exactly Count bytes or throws EInOutError ("stream read error").
    void ReadBuffer(void* Buffer, int64_t Count);
    /// Writes exactly Count bytes or throws EInOutError ("stream write error").
    void WriteBuffer(const void* Buffer, int64_t Count);
    /// Copies Count bytes (all from the current position when 0) from Source; returns the count.
    int64_t CopyFrom(TStream& Source, int64_t Count);
};

/// A stream kept in memory; Memory() stays valid until the next change of size.
class TMemoryStream : public TStream {
public:
    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    /// Length in bytes.
    int64_t Size() const override { return static_cast<int64_t>(FData.size()); }
    /// Cuts or zero-extends the contents; the position stays within them.
    void SetSize(int64_t NewSize);
    /// The bytes.
    uint8_t* Memory() { return FData.data(); }
    /// The bytes, read only.
    const uint8_t* Memory() const { return FData.data(); }
    /// Empties the stream.
    void Clear() { FData.clear(); FPos = 0; }
    /// Replaces the contents with a file's bytes; throws EInOutError.
    void LoadFromFile(const std::string& FileName);
    /// Writes the whole contents to a file; throws EInOutError.
    void SaveToFile(const std::string& FileName) const;

private:
    std::vector<uint8_t> FData;
    int64_t FPos = 0;
};

enum TFileMode : uint8_t { fmOpenRead, fmOpenReadWrite, fmCreate };

/// A file opened for the life of the object; failures throw EInOutError.
class TFileStream : public TStream {
public:
    /// Opens FileName (fmCreate creates or truncates it); throws EInOutError.
    TFileStream(const std::string& FileName, TFileMode Mode);
    ~TFileStream() override;
    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    /// Length of the file in bytes.
    int64_t Size() const override;
    /// The name the file was opened under.
    const std::string& FileName() const { return FFileName; }
    /// Writes buffered data to the disk; throws EInOutError.
    void Flush();

private:
    // Switching between reading and writing a FILE needs a seek in between.
    enum TLastOp : uint8_t { loNone, loRead, loWrite };
    void SwitchTo(TLastOp Op);
    std::string FFileName;
    std::FILE* FFile = nullptr;
    TLastOp FLastOp = loNone;
};

/// An 8-bit (Windows-1252) text file. Lines are read and written as UTF-8; lines are written with
/// CR LF and read up to CR LF, LF or CR. A file read that starts with a UTF-8 byte order mark (which
/// is skipped) or an XML declaration of encoding="UTF-8" is read as UTF-8; writing is always
/// Windows-1252. The file closes when the object goes (or on Close).
class TTextFile {
public:
    TTextFile() = default;
    ~TTextFile();
    TTextFile(const TTextFile&) = delete;
    TTextFile& operator=(const TTextFile&) = delete;

    /// Opens an existing file for reading; throws EInOutError.
    void Reset(const std::string& FileName);
    /// Creates or truncates a file for writing; throws EInOutError.
    void Rewrite(const std::string& FileName);
    /// Opens a file for writing at its end (created when absent); throws EInOutError.
    void Append(const std::string& FileName);
    /// Reads the next line without its line break (empty at the end of the file).
    std::string ReadLn();
    /// Writes a line and CR LF.
    void WriteLn(const std::string& Line);
    /// Writes text without a line break.
    void Write(const std::string& Text);
    /// Reads one character as raw Windows-1252 byte; returns false at the end of the file.
    bool ReadChar(char& Ch);
    /// Like ReadChar, but leaves the character to be read again; false at the end of the file.
    bool PeekChar(char& Ch);
    /// True when nothing is left to read.
    bool Eof();
    /// Bytes read ahead and not yet taken (raw Windows-1252), for readers that scan whole blocks.
    std::string_view Buffered() const { return {FBuffer.data() + FBufPos, FBufLen - FBufPos}; }
    /// Reads the next block when nothing is buffered; false at the end of the file (or on a
    /// read error, which ReadLn reports).
    bool FillBuffer();
    /// Takes Count of the buffered bytes as read.
    void Consume(std::size_t Count) { FBufPos += std::min(Count, FBufLen - FBufPos); }
    /// Whether a file is open.
    bool IsOpen() const { return FFile != nullptr; }
    /// True when the file being read was found to hold UTF-8.
    bool IsUtf8() const { return FUtf8; }
    /// Bytes of this file as UTF-8 text: converted from Windows-1252, or as they are in a UTF-8 file.
    std::string DecodeText(std::string_view Bytes) const;
    /// Closes the file; a failure to flush throws EInOutError.
    void Close();
    /// The name the file was opened under.
    const std::string& FileName() const { return FFileName; }

private:
    void Open(const std::string& FileName, const char* Mode);
    std::string FFileName;
    std::FILE* FFile = nullptr;
    // Reading goes through this buffer of whole blocks rather than the FILE's own, so that
    // scanners see a block at a time; writing goes straight to the FILE.
    std::vector<char> FBuffer;
    std::size_t FBufPos = 0;
    std::size_t FBufLen = 0;
    bool FUtf8 = false;
};

/// Reads a whole file into memory; throws EInOutError.
std::vector<uint8_t> ReadFileBytes(const std::string& FileName);
/// Writes a whole file; throws EInOutError.
void WriteFileBytes(const std::string& FileName, const void* Data, std::size_t Size);
bool FileExists(const std::string& FileName);

} // namespace tyx
