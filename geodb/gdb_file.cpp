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

TFile::TFile(const std::string& Name, TOpenMode Mode) : FName(Name)
{
    const int flags = Mode == omRead ? O_RDONLY : Mode == omReadWrite ? O_RDWR : (O_RDWR | O_CREAT | O_TRUNC);
    do {
        FFd = ::open(Name.c_str(), flags | O_CLOEXEC, 0666);
    } while (FFd < 0 && errno == EINTR);
    if (FFd < 0) throw EInOutError::FromErrno(Name);
}

TFile::~TFile()
{
    if (FFd >= 0) ::close(FFd);
}

int64_t TFile::Size() const
{
    struct stat st{};
    if (::fstat(FFd, &st) != 0) throw EInOutError::FromErrno(FName);
    return st.st_size;
}

std::size_t TFile::ReadAt(int64_t Offset, void* Buffer, std::size_t Count) const
{
    auto* p = static_cast<char*>(Buffer);
    std::size_t done = 0;
    while (done < Count) {
        const ssize_t n = ::pread(FFd, p + done, Count - done, static_cast<off_t>(Offset) + static_cast<off_t>(done));
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
        const ssize_t n = ::pwrite(FFd, p + done, through - done, static_cast<off_t>(Offset) + static_cast<off_t>(done));
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
    if (::ftruncate(FFd, static_cast<off_t>(Length)) != 0) throw EInOutError::FromErrno(FName);
}

void TFile::Sync()
{
    if (::fsync(FFd) != 0) throw EInOutError::FromErrno(FName);
}

void TFile::Close()
{
    const int fd = FFd;
    FFd = -1;
    if (fd >= 0 && ::close(fd) != 0) throw EInOutError::FromErrno(FName);
}

TFileLock::TFileLock(const std::string& Name)
{
    for (;;) {
        FFd = ::open(Name.c_str(), O_RDONLY | O_CLOEXEC);
        if (FFd < 0) throw EInOutError::FromErrno(Name);
        int rc;
        do {
            rc = ::flock(FFd, LOCK_EX);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            const EInOutError e = EInOutError::FromErrno(Name);
            ::close(FFd);
            throw e;
        }
        struct stat held{}, now{};
        if (::fstat(FFd, &held) == 0 && ::stat(Name.c_str(), &now) == 0 && held.st_dev == now.st_dev &&
            held.st_ino == now.st_ino)
            return;
        ::close(FFd); // the name was given to a new file meanwhile
    }
}

TFileLock::~TFileLock()
{
    ::close(FFd);
}

TFileStamp StampOf(const std::string& Name)
{
    struct stat st{};
    if (::stat(Name.c_str(), &st) != 0) return {};
    return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), static_cast<int64_t>(st.st_size),
            int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec,
            int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec};
}

bool Exists(const std::string& Name)
{
    struct stat st{};
    return ::stat(Name.c_str(), &st) == 0;
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
    std::filesystem::rename(From, To, ec);
    if (ec) throw EInOutError(To, ec.message());
}

void RemoveFileQuietly(const std::string& Name)
{
    ::unlink(Name.c_str());
}

} // namespace tyx::gdb
