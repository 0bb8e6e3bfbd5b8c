// Overwrites in place made all-or-nothing. The new bytes are first written to a journal beside the
// database, then written where they belong, then the journal is removed. An opening that finds a
// whole journal writes its bytes again (doing so twice does no harm); a torn one is dropped, as
// nothing had been overwritten yet. Appends need none of this: a torn append is cut off.
//
// A batch keeps an undo log in the journal's place instead: the lengths the two files had when it
// began, then, before each overwrite or cut of bytes that were there then, those old bytes. Each
// frame of the log carries its own sum and is whole before the change it covers is made; an
// opening that finds the log puts back what its whole frames hold, the last first, and so finds
// the files as they were before the batch. Removing the log commits the batch.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "geodb/gdb_file.h"

namespace tyx::gdb {

/// What an opening found in the journal's place.
enum TRecovery : uint8_t { rcNone, rcCompleted, rcRolledBack };

class TJournal {
public:
    /// Files are named by their place in the list given to Commit and Recover.
    void Write(int File, int64_t Offset, const void* Data, std::size_t Count);
    void Truncate(int File, int64_t Length);
    bool Empty() const { return FBytes.empty(); }
    /// Writes the journal to Name, makes the changes and removes the journal. Should the journal
    /// itself fail, nothing is changed and no journal stays; should a change fail, the journal
    /// stays for the next opening.
    void Commit(const std::string& Name, const std::array<std::string, 2>& Files) const;
    /// Makes the changes on files that are open, without a journal of their own.
    void ApplyTo(const std::array<TFile*, 2>& Files) const;
    /// Finishes a whole journal Name, or rolls back the batch whose undo log it is, and removes
    /// it. A torn or foreign journal is removed without a change.
    static TRecovery Recover(const std::string& Name, const std::array<std::string, 2>& Files);

private:
    friend class TUndoLog;
    std::vector<uint8_t> FBytes;
    using TVisit = std::function<void(int File, bool IsWrite, int64_t Where, const uint8_t* Data, uint32_t Count)>;
    /// Calls Fn for each entry of the entries in Bytes from At to End, checked beforehand by Valid.
    static void ForEach(const std::vector<uint8_t>& Bytes, std::size_t At, std::size_t End, const TVisit& Fn);
    static bool Valid(const std::vector<uint8_t>& Bytes, std::size_t At, std::size_t End);
    void Apply(const std::array<std::string, 2>& Files) const;
    static bool Parse(const std::vector<uint8_t>& Bytes, TJournal& Out);
};

/// The undo log of a batch (see above).
class TUndoLog {
public:
    /// Creates the log Name for files that are Lengths long now; throws (leaving no log) if it
    /// cannot be written whole.
    TUndoLog(const std::string& Name, const std::array<int64_t, 2>& Lengths);
    /// Before Change is made to Files: saves what it would overwrite or cut off of the bytes the
    /// files held when the batch began.
    void Cover(const TJournal& Change, const std::array<TFile*, 2>& Files);
    /// Removes the log: from now on the batch stands.
    void Commit();
    const std::string& Name() const { return FName; }

private:
    std::string FName;
    std::optional<TFile> FFile;
    int64_t FEnd = 0;
    std::array<int64_t, 2> FStart;
    void AddFrame(const std::vector<uint8_t>& Entries);
};

} // namespace tyx::gdb
