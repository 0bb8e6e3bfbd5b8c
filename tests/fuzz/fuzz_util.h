// Shared by the fuzz targets: a private scratch folder, writing the input to a file, and running
// a reader so that only the errors it documents count as a clean end.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "host/tyx_errors.h"
#include "support/Tyx_tyxbase.h"

namespace tyx::fuzz {

/// A folder of this process's own, made once, removed at exit, emptied by the caller as needed. In
/// memory where the system has /dev/shm: on a disk file system every run waits for truncation.
inline const std::filesystem::path& ScratchDir()
{
    // A plain array, since the exit handler may run after static objects are gone.
    static char name[256];
    static const std::filesystem::path dir = [] {
        std::error_code ec;
        const std::filesystem::path root = std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        const std::string tmpl = (root / "tyxfuzz-XXXXXX").string();
        if (tmpl.size() >= sizeof name) std::abort();
        tmpl.copy(name, tmpl.size());
        if (!mkdtemp(name)) std::abort();
        std::atexit([] {
            std::error_code e;
            std::filesystem::remove_all(name, e);
        });
        return std::filesystem::path(name);
    }();
    return dir;
}

/// Writes Size bytes to Path (replacing it); aborts when it cannot, since that is no finding.
inline void WriteBytes(const std::filesystem::path& Path, const uint8_t* Data, std::size_t Size)
{
    std::FILE* f = std::fopen(Path.c_str(), "wb");
    if (!f) std::abort();
    const bool ok = Size == 0 || std::fwrite(Data, 1, Size, f) == Size;
    if (std::fclose(f) != 0 || !ok) std::abort();
}

/// A property every input must keep; a broken one is a finding like a crash.
inline void Require(bool Holds, const char* What)
{
    if (Holds) return;
    std::fprintf(stderr, "fuzz: broken: %s\n", What);
    std::abort();
}

/// Runs Read; the library's own errors are how a reader turns bad input down. Anything else
/// (another exception, a crash, a sanitizer report) is a finding.
template <class F>
void Survives(F&& Read)
{
    try {
        Read();
    } catch (const EInOutError&) {
    } catch (const ETYXError&) {
    }
}

} // namespace tyx::fuzz
