// TGeoDB: batches. A batch holds the lock from its beginning to its end, appends in large blocks,
// and makes every change in place after saving what it overwrites in an undo log (see
// gdb_journal.h); the commit writes the header and what is still in memory, then removes the log.
#include "geodb/Tyx_GeoDB.h"

#include "geodb/gdb_file.h"
#include "geodb/gdb_journal.h"
#include "geodb/gdb_records.h"
#include "geodb/gdb_sync.h"
#include "host/tyx_errors.h"

#include <memory>

namespace tyx {

using namespace gdb;

namespace {

// Appends reach the files in blocks of this many bytes.
constexpr std::size_t kBatchBlock = std::size_t{1} << 20;

} // namespace

void TGeoDB::BeginBatch()
{
    if (FBatch)
        throw ETYXGeoDBError(Msg("\": BeginBatch: a batch is open already; batches do not nest (commit or roll back "
                                 "the open one first)."));
    if (!IsOpen()) throw ETYXGeoDBError(Msg("\": BeginBatch: no database is open."));
    if (FSyncDepth > 0)
        throw ETYXGeoDBError(Msg("\": BeginBatch: a batch cannot begin within another operation (a progress handler, "
                                 "say)."));
    auto b = std::make_unique<TBatch>(FNameGDS);
    ++FSyncDepth;
    try {
        try {
        // Others' changes are read once, here; until the end nobody else changes the files.
        if (!FilesAsSeen(b->Lock.Stamp()) && !CatchUp()) Reload();
        if (!IsOpen()) throw ETYXGeoDBError(Msg("\": BeginBatch: the database could not be read again."));
        b->Data.emplace(FNameGDD, omReadWrite);
        const int64_t sumLen = b->Lock.File().Size(), dataLen = b->Data->Size();
        b->Undo.emplace(JournalName(), std::array<int64_t, 2>{sumLen, dataLen});
        b->SumTail.emplace(b->Lock.File(), sumLen, kBatchBlock);
        b->DataTail.emplace(*b->Data, dataLen, kBatchBlock);
        } catch (const EInOutError& e) {
            throw ETYXGeoDBError(Msg(std::string("\": BeginBatch: ") + e.what() + "; the batch was not begun."));
        }
    } catch (...) {
        --FSyncDepth;
        FSeen = {};
        throw;
    }
    FSumFile = &b->Lock.File();
    FBatch = std::move(b);
}

void TGeoDB::CommitBatch()
{
    if (!FBatch) throw ETYXGeoDBError(Msg("\": CommitBatch: no batch is open."));
    Guarded("CommitBatch", [this] {
        // Other programs learn of a changed header or metadata through the summary file.
        FBatch->Lock.File().Touch();
        if (FBatch->HeaderDirty || FCounterStale) {
            TJournal j;
            j.Write(1, 0, &FSystemData, sizeof FSystemData);
            CommitChange(j);
        }
        FlushBatch("CommitBatch");
        FBatch->Undo->Commit();
    });
    // Committed: the index files are derived, written (unless lazy) while the lock is still held.
    const std::unique_ptr<TBatch> b = std::move(FBatch);
    FCounterStale = false;
    FSumFile = nullptr;
    struct TRelease {
        int& Depth;
        ~TRelease() { --Depth; }
    } release{FSyncDepth};
    SaveIndexesUnlessLazy();
    NoteFilesSeen();
}

void TGeoDB::RollbackBatch()
{
    if (!FBatch) throw ETYXGeoDBError(Msg("\": RollbackBatch: no batch is open."));
    UndoBatch();
}

void TGeoDB::UndoBatch()
{
    const std::unique_ptr<TBatch> b = std::move(FBatch);
    FSumFile = nullptr;
    struct TRelease {
        int& Depth;
        ~TRelease() { --Depth; }
    } release{FSyncDepth};
    FSeen = {};
    b->SumTail->Discard();
    b->DataTail->Discard();
    // The same rollback as an opening makes after a crash; should it fail, the log stays for that.
    TJournal::Recover(b->Undo->Name(), {FNameGDS, FNameGDD});
    Reload();
    NoteFilesSeen();
}

void TGeoDB::FailBatch(const char* Op, const std::string& What)
{
    std::string outcome = "the batch was rolled back; the database is as it was before BeginBatch.";
    try {
        UndoBatch();
    } catch (const std::exception& e) {
        outcome = std::string("the batch could not be rolled back (") + e.what() +
                  "); the next opening of the database rolls it back.";
        if (IsOpen()) {
            FLazyWrite = false;
            ClearState();
        }
    }
    throw ETYXGeoDBError(Msg(std::string("\": ") + Op + ": " + What + "; " + outcome));
}

void TGeoDB::FlushBatch(const char* Op)
{
    Guarded(Op, [this] {
        if (!FBatch) return;
        FBatch->SumTail->Flush();
        FBatch->DataTail->Flush();
    });
}

void TGeoDB::CommitChange(const TJournal& Change)
{
    if (!FBatch) {
        Change.Commit(JournalName(), {FNameGDS, FNameGDD});
        return;
    }
    FBatch->SumTail->Flush();
    FBatch->DataTail->Flush();
    const std::array<TFile*, 2> files{&FBatch->Lock.File(), &*FBatch->Data};
    FBatch->Undo->Cover(Change, files);
    Change.ApplyTo(files);
    // A delete cuts the summary file: later appends follow its new end.
    FBatch->SumTail->MoveTo(files[0]->Size());
    FBatch->DataTail->MoveTo(files[1]->Size());
}

TGeoDBBatch::~TGeoDBBatch()
{
    if (FEnded || !FDb.InBatch()) return;
    try {
        FDb.RollbackBatch();
    } catch (...) { // a destructor reports nothing; the next opening completes the rollback
    }
}

void TGeoDBBatch::Commit()
{
    FEnded = true;
    FDb.CommitBatch();
}

} // namespace tyx
