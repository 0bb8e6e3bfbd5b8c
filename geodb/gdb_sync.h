// Sharing a database with other programs, one operation or one batch at a time.
#pragma once
#include <optional>

#include "geodb/Tyx_GeoDB.h"
#include "geodb/gdb_file.h"
#include "geodb/gdb_journal.h"
#include "host/tyx_errors.h"

namespace tyx {

// Holds the lock on the database's files for one operation and first brings the component up to
// date when another program changed them. An operation called from within another (or within a
// batch) shares its hold (a second lock of our own would wait for the first forever). The files are
// recorded as the operation leaves them when it returns (or at Done, while all its locks are held);
// an operation that fails part way makes the next one read the files again, so memory never stays
// ahead of or behind the disk. Writes asks for the summary file open for writing, so that an append
// goes through the lock's own handle.
class TGeoDB::TSync {
public:
    explicit TSync(TGeoDB& Db, bool Writes = false);
    ~TSync();
    TSync(const TSync&) = delete;
    TSync& operator=(const TSync&) = delete;
    void Done();
    /// The operation replaced files: they are looked at again at its end.
    void LookAgain() { FLookAgain = true; }

private:
    TGeoDB& FDb;
    bool FOuter = false;
    bool FLookAgain = false;
    int FUnwinding;
    bool FDone = false;
    std::optional<gdb::TFileLock> FLock;
    void Note();
};

// What a batch holds from BeginBatch to its end: the lock (through the summary file, open for
// writing), the data file, the undo log, and the appends not yet written.
struct TGeoDB::TBatch {
    explicit TBatch(const std::string& Summary) : Lock(Summary, true) {}
    gdb::TFileLock Lock;
    std::optional<gdb::TFile> Data;
    std::optional<gdb::TUndoLog> Undo;
    std::optional<gdb::TAppender> SumTail, DataTail;
    bool HeaderDirty = false;
};

template <typename F>
void TGeoDB::Guarded(const char* Op, F&& Fn)
{
    if (!FBatch) {
        Fn();
        return;
    }
    try {
        Fn();
    } catch (const EInOutError& e) {
        FailBatch(Op, e.what());
    }
}

} // namespace tyx
