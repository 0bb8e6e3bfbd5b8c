// Small file helpers of the database: a file handle that is closed on every path, reads and writes
// at explicit offsets, and whole-file replacement through a temporary file and a rename.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tyx::gdb {

enum TOpenMode : uint8_t { omRead, omReadWrite, omCreate };

/// What tells one state of a file from another: its identity, size and change times (in
/// nanoseconds; the size also catches changes that fall within one tick of a coarse clock).
struct TFileStamp {
    uint64_t Dev = 0, Ino = 0;
    int64_t Size = -1; ///< -1: no such file
    int64_t MTime = 0, CTime = 0;
    uint64_t Links = 0; ///< 0: the file was removed or renamed over since it was opened
    bool operator==(const TFileStamp&) const = default;
};
/// An open file; every failure throws EInOutError naming the file.
class TFile {
public:
    TFile(const std::string& Name, TOpenMode Mode);
    ~TFile();
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;

    int64_t Size() const;
    /// Reads up to Count bytes at Offset; returns how many (fewer only at the end of the file).
    std::size_t ReadAt(int64_t Offset, void* Buffer, std::size_t Count) const;
    /// Reads exactly Count bytes or throws.
    void ReadExact(int64_t Offset, void* Buffer, std::size_t Count) const;
    void WriteAt(int64_t Offset, const void* Buffer, std::size_t Count);
    void Truncate(int64_t Length);
    /// Makes the contents durable.
    void Sync();
    /// Waits for an exclusive advisory lock (flock), held until the file is closed.
    void Lock();
    /// Identity, size, link count and change times, from the open file.
    TFileStamp Stamp() const;
    /// Marks the file changed (its change times become now) without touching its bytes.
    void Touch();
    /// Closes and reports a failure to do so.
    void Close();
    const std::string& Name() const { return FName; }

private:
    std::string FName;
    int FFd = -1;
};

/// False when the file does not exist; other failures throw EInOutError.
bool ReadWholeFile(const std::string& Name, std::vector<uint8_t>& Bytes);
/// Writes Name + ".tmp" and renames it over Name, so that readers see the old or the new file.
void ReplaceFile(const std::string& Name, const void* Data, std::size_t Size, bool Durable = false);
/// Renames, throwing EInOutError on failure.
void RenameFile(const std::string& From, const std::string& To);
/// Removes a file if it exists; failures are ignored.
void RemoveFileQuietly(const std::string& Name);
/// Removes a file, throwing EInOutError on failure.
void RemoveFile(const std::string& Name);
bool Exists(const std::string& Name);

TFileStamp StampOf(const std::string& Name);

/// An exclusive advisory lock (flock) on an existing file, held until destruction. Should the file be
/// renamed over while the lock is awaited, the lock is taken again on the file the name means now.
/// Writable asks for the file open for writing too (read-only where it may not be written), so that
/// an operation writes it through the lock's own handle.
class TFileLock {
public:
    explicit TFileLock(const std::string& Name, bool Writable = false);
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;
    TFile& File() { return *FFile; }
    bool Writable() const { return FWritable; }
    /// The locked file as it was when the lock was taken.
    const TFileStamp& Stamp() const { return FStamp; }

private:
    std::optional<TFile> FFile;
    bool FWritable = false;
    TFileStamp FStamp;
};

/// Appends to a file at a known end, in blocks of Capacity bytes (0: each append written at once).
/// Bytes not yet written are lost with the object unless Flush is called.
class TAppender {
public:
    TAppender(TFile& File, int64_t End, std::size_t Capacity) : FFile(File), FFlushed(End), FCapacity(Capacity) {}
    int64_t End() const { return FFlushed + static_cast<int64_t>(FBuf.size()); }
    void Append(const void* Data, std::size_t Count);
    void Flush();
    /// Forgets what is not written yet.
    void Discard() { FBuf.clear(); }
    /// After the file was changed otherwise (cut, say): appends go on at End. Flush first.
    void MoveTo(int64_t End) { FFlushed = End; }

private:
    TFile& FFile;
    int64_t FFlushed;
    std::size_t FCapacity;
    std::vector<uint8_t> FBuf;
};

/// Test seam: the number of system calls made on the database's files so far.
uint64_t FileCallCount();

/// The changes to the database's files that a test can interrupt.
enum TFileChange : uint8_t { fcWrite, fcRename, fcTruncate };
enum TFaultKind : uint8_t {
    fkNone, ///< the change is made
    fkFail, ///< the first Bytes of a write reach the file, then it fails as a full disk would
    fkStop  ///< the first Bytes of a write reach the file, then the process ends (_exit(kFaultStopCode))
};
struct TFault {
    TFaultKind Kind = fkNone;
    std::size_t Bytes = 0; ///< of a write; a rename or truncation that fails or stops is not made
};
inline constexpr int kFaultStopCode = 86;
/// Test seam: when set, asked before every write (Count bytes), rename and truncation of a file,
/// so that a test can fail, tear or cut off any of them. Unset in use.
using TFileFaultHook = std::function<TFault(TFileChange Change, const std::string& Name, std::size_t Count)>;
void SetFileFaultHook(TFileFaultHook Hook);

} // namespace tyx::gdb
