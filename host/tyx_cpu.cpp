#include "host/tyx_cpu.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define TYX_X86_AVX_STATE 1
#endif

namespace tyx {

#ifdef TYX_X86_AVX_STATE
namespace {
// Compiled for AVX on its own, so the rest of the library keeps running on any x86-64.
[[gnu::target("avx")]] void ZeroUpper() noexcept { _mm256_zeroupper(); }

const bool HasAvx = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx") != 0;
}();
} // namespace

void ClearUpperVectorState() noexcept
{
    if (HasAvx) ZeroUpper();
}
#else
void ClearUpperVectorState() noexcept {}
#endif

} // namespace tyx
