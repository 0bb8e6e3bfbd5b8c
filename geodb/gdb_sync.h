// Sharing a database with other programs, one operation at a time.
#pragma once
#include <optional>

#include "geodb/Tyx_GeoDB.h"
#include "geodb/gdb_file.h"

namespace tyx {

// Holds the lock on the database's files for one operation and first brings the component up to
// date when another program changed them. An operation called from within another shares its
// hold (a second lock of our own would wait for the first forever). The files are recorded as the
// operation leaves them when it returns (or at Done, while all its locks are held); an operation
// that fails part way makes the next one read the files again, so memory never stays ahead of or
// behind the disk.
class TGeoDB::TSync {
public:
    explicit TSync(TGeoDB& Db);
    ~TSync();
    TSync(const TSync&) = delete;
    TSync& operator=(const TSync&) = delete;
    void Done();

private:
    TGeoDB& FDb;
    bool FOuter = false;
    int FUnwinding;
    bool FDone = false;
    std::optional<gdb::TFileLock> FLock;
};

} // namespace tyx
