// Small file helpers of the database: a file handle that is closed on every path, reads and writes
// at explicit offsets, and whole-file replacement through a temporary file and a rename.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tyx::gdb {

enum TOpenMode : uint8_t { omRead, omReadWrite, omCreate };

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
bool Exists(const std::string& Name);

/// The changes to the database's files that a test can make fail.
enum TFileChange : uint8_t { fcWrite, fcRename };
/// Test seam: when set, asked before every write and every rename of a file; true makes that
/// change fail as a full or broken disk would (EInOutError), the file untouched. Unset in use.
using TFileFaultHook = std::function<bool(TFileChange Change, const std::string& Name)>;
void SetFileFaultHook(TFileFaultHook Hook);

} // namespace tyx::gdb
