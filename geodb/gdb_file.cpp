#include "geodb/gdb_file.h"

#include "host/tyx_errors.h"

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <utility>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tyx::gdb {

namespace {

TFileFaultHook& FaultHook()
{
    static TFileFaultHook hook;
    return hook;
}

uint64_t& Calls()
{
    static uint64_t calls = 0;
    return calls;
}

// Every system call on a file goes through here, so that a test can count them.
template <typename F>
auto Sys(F&& Call)
{
    ++Calls();
    return Call();
}

TFault AskHook(TFileChange Change, const std::string& Name, std::size_t Count)
{
    return FaultHook() ? FaultHook()(Change, Name, Count) : TFault{};
}

// After the bytes a fault lets through: fail as a full disk does, or end as a crash would.
[[noreturn]] void Interrupt(const TFault& Fault, const std::string& Name)
{
    if (Fault.Kind == fkStop) ::_exit(kFaultStopCode);
    throw EInOutError(Name, std::strerror(ENOSPC));
}

void FailIfInjected(TFileChange Change, const std::string& Name)
{
    if (const TFault f = AskHook(Change, Name, 0); f.Kind != fkNone) Interrupt(f, Name);
}

} // namespace

void SetFileFaultHook(TFileFaultHook Hook)
{
    FaultHook() = std::move(Hook);
}

uint64_t FileCallCount()
{
    return Calls();
}

namespace {
TFileStamp StampFrom(const struct stat& St)
{
    return {static_cast<uint64_t>(St.st_dev), static_cast<uint64_t>(St.st_ino), static_cast<int64_t>(St.st_size),
            int64_t{St.st_mtim.tv_sec} * 1000000000 + St.st_mtim.tv_nsec,
            int64_t{St.st_ctim.tv_sec} * 1000000000 + St.st_ctim.tv_nsec, static_cast<uint64_t>(St.st_nlink)};
}
} // namespace

TFile::TFile(const std::string& Name, TOpenMode Mode) : FName(Name)
{
    const int flags = Mode == omRead ? O_RDONLY : Mode == omReadWrite ? O_RDWR : (O_RDWR | O_CREAT | O_TRUNC);
    do {
        FFd = Sys([&] { return ::open(Name.c_str(), flags | O_CLOEXEC, 0666); });
    } while (FFd < 0 && errno == EINTR);
    if (FFd < 0) throw EInOutError::FromErrno(Name);
}

TFile::~TFile()
{
    if (FFd >= 0) Sys([this] { return ::close(FFd); });
}

int64_t TFile::Size() const
{
    struct stat st{};
    if (Sys([&] { return ::fstat(FFd, &st); }) != 0) throw EInOutError::FromErrno(FName);
    return st.st_size;
}

TFileStamp TFile::Stamp() const
{
    struct stat st{};
    if (Sys([&] { return ::fstat(FFd, &st); }) != 0) throw EInOutError::FromErrno(FName);
    return StampFrom(st);
}

void TFile::Lock()
{
    int rc;
    do {
        rc = Sys([this] { return ::flock(FFd, LOCK_EX); });
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) throw EInOutError::FromErrno(FName);
}

void TFile::Touch()
{
    if (Sys([this] { return ::futimens(FFd, nullptr); }) != 0) throw EInOutError::FromErrno(FName);
}

std::size_t TFile::ReadAt(int64_t Offset, void* Buffer, std::size_t Count) const
{
    auto* p = static_cast<char*>(Buffer);
    std::size_t done = 0;
    while (done < Count) {
        const ssize_t n = Sys([&] { return ::pread(FFd, p + done, Count - done, static_cast<off_t>(Offset) + static_cast<off_t>(done)); });
        if (n < 0) {
            if (errno == EINTR) continue;
            throw EInOutError::FromErrno(FName);
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void TFile::ReadExact(int64_t Offset, void* Buffer, std::size_t Count) const
{
    if (ReadAt(Offset, Buffer, Count) != Count) throw EInOutError(FName, "read beyond end of file");
}

void TFile::WriteAt(int64_t Offset, const void* Buffer, std::size_t Count)
{
    const TFault fault = AskHook(fcWrite, FName, Count);
    const std::size_t through = fault.Kind == fkNone ? Count : std::min(fault.Bytes, Count);
    const auto* p = static_cast<const char*>(Buffer);
    std::size_t done = 0;
    while (done < through) {
        const ssize_t n = Sys([&] {
            return ::pwrite(FFd, p + done, through - done, static_cast<off_t>(Offset) + static_cast<off_t>(done));
        });
        if (n < 0) {
            if (errno == EINTR) continue;
            throw EInOutError::FromErrno(FName);
        }
        done += static_cast<std::size_t>(n);
    }
    if (fault.Kind != fkNone) Interrupt(fault, FName);
}

void TFile::Truncate(int64_t Length)
{
    FailIfInjected(fcTruncate, FName);
    if (Sys([&] { return ::ftruncate(FFd, static_cast<off_t>(Length)); }) != 0) throw EInOutError::FromErrno(FName);
}

void TFile::Sync()
{
    if (Sys([this] { return ::fsync(FFd); }) != 0) throw EInOutError::FromErrno(FName);
}

void TFile::Close()
{
    const int fd = FFd;
    FFd = -1;
    if (fd >= 0 && Sys([fd] { return ::close(fd); }) != 0) throw EInOutError::FromErrno(FName);
}

TFileLock::TFileLock(const std::string& Name, bool Writable)
{
    for (;;) {
        FWritable = Writable;
        try {
            FFile.emplace(Name, Writable ? omReadWrite : omRead);
        } catch (const EInOutError& e) {
            // A database that may only be read is still locked, and its writes fail as they would.
            const std::string& why = e.SystemText();
            if (!Writable || (why != std::strerror(EACCES) && why != std::strerror(EROFS) && why != std::strerror(EPERM)))
                throw;
            FWritable = false;
            FFile.emplace(Name, omRead);
        }
        FFile->Lock();
        FStamp = FFile->Stamp();
        // Renamed over (or removed) while the lock was awaited: the name means another file now.
        if (FStamp.Links > 0) return;
        FFile.reset();
    }
}

TFileStamp StampOf(const std::string& Name)
{
    struct stat st{};
    if (Sys([&] { return ::stat(Name.c_str(), &st); }) != 0) return {};
    return StampFrom(st);
}

bool Exists(const std::string& Name)
{
    struct stat st{};
    return Sys([&] { return ::stat(Name.c_str(), &st); }) == 0;
}

void TAppender::Append(const void* Data, std::size_t Count)
{
    if (FCapacity == 0) {
        FFile.WriteAt(FFlushed, Data, Count);
        FFlushed += static_cast<int64_t>(Count);
        return;
    }
    const auto* p = static_cast<const uint8_t*>(Data);
    FBuf.insert(FBuf.end(), p, p + Count);
    if (FBuf.size() >= FCapacity) Flush();
}

void TAppender::Flush()
{
    if (FBuf.empty()) return;
    FFile.WriteAt(FFlushed, FBuf.data(), FBuf.size());
    FFlushed += static_cast<int64_t>(FBuf.size());
    FBuf.clear();
}

bool ReadWholeFile(const std::string& Name, std::vector<uint8_t>& Bytes)
{
    Bytes.clear();
    if (!Exists(Name)) return false;
    TFile f(Name, omRead);
    Bytes.resize(static_cast<std::size_t>(f.Size()));
    Bytes.resize(f.ReadAt(0, Bytes.data(), Bytes.size()));
    return true;
}

void ReplaceFile(const std::string& Name, const void* Data, std::size_t Size, bool Durable)
{
    const std::string tmp = Name + ".tmp";
    try {
        TFile f(tmp, omCreate);
        f.WriteAt(0, Data, Size);
        if (Durable) f.Sync();
        f.Close();
        RenameFile(tmp, Name);
    } catch (...) {
        RemoveFileQuietly(tmp);
        throw;
    }
}

void RenameFile(const std::string& From, const std::string& To)
{
    FailIfInjected(fcRename, To);
    std::error_code ec;
    Sys([&] {
        std::filesystem::rename(From, To, ec);
        return 0;
    });
    if (ec) throw EInOutError(To, ec.message());
}

void RemoveFile(const std::string& Name)
{
    if (Sys([&] { return ::unlink(Name.c_str()); }) != 0) throw EInOutError::FromErrno(Name);
}

void RemoveFileQuietly(const std::string& Name)
{
    Sys([&] { return ::unlink(Name.c_str()); });
}

} // namespace tyx::gdb
