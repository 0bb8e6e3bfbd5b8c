// A small file system for a test to fill up: a 1 MiB tmpfs, where the process may mount one.
#pragma once
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace tyx::test {

class TSmallTmpfs {
public:
    /// Mounts it on the existing directory Dir; Error() tells why when that is refused.
    explicit TSmallTmpfs(std::string Dir) : FDir(std::move(Dir))
    {
        FMounted = ::mount("tmpfs", FDir.c_str(), "tmpfs", 0, "size=1m") == 0;
        if (!FMounted) FError = std::strerror(errno);
    }
    ~TSmallTmpfs()
    {
        if (FMounted) ::umount2(FDir.c_str(), MNT_DETACH);
    }
    TSmallTmpfs(const TSmallTmpfs&) = delete;
    TSmallTmpfs& operator=(const TSmallTmpfs&) = delete;

    bool Mounted() const { return FMounted; }
    const std::string& Error() const { return FError; }
    /// Takes every free page with the file Name inside it; false when it cannot be created.
    bool Fill(const std::string& Name) const
    {
        const int fd = ::open((FDir + "/" + Name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) return false;
        const std::string page(4096, 'x');
        while (::write(fd, page.data(), page.size()) > 0) {
        }
        ::close(fd);
        return true;
    }

private:
    std::string FDir;
    std::string FError;
    bool FMounted = false;
};

} // namespace tyx::test
