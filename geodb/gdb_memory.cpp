#include "geodb/gdb_memory.h"

#include <cstdint>

#include <sys/mman.h>

namespace tyx::gdb {

void AdviseHugePages(const void* Data, std::size_t Bytes)
{
#ifdef MADV_HUGEPAGE
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    if (Bytes < 2 * kHuge) return;
    const auto from = (reinterpret_cast<std::uintptr_t>(Data) + kHuge - 1) & ~(kHuge - 1);
    const auto to = (reinterpret_cast<std::uintptr_t>(Data) + Bytes) & ~(kHuge - 1);
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
    (void)Data;
    (void)Bytes;
#endif
}

} // namespace tyx::gdb
