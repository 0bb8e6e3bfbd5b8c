// Processor state that code outside this library can leave behind and that slows ours down.
#pragma once
#include <cstddef>

namespace tyx {

/// Marks the upper halves of the AVX registers unused (x86-64 with AVX; elsewhere nothing).
/// Library code may leave them in use (Qt's drawing does); the plain SSE arithmetic compiled
/// into this library then runs several times slower on some processors, since each instruction
/// must merge into the wide register. Loops over many points call this after any foreign code.
void ClearUpperVectorState() noexcept;

/// Asks the processor to bring the Bytes at P into its cache ahead of their use; a hint only,
/// for passes that pick scattered records out of a long array.
inline void Prefetch(const void* P, std::size_t Bytes) noexcept
{
#if defined(__GNUC__) || defined(__clang__)
    for (std::size_t Off = 0; Off < Bytes; Off += 64) __builtin_prefetch(static_cast<const char*>(P) + Off);
#else
    (void)P;
    (void)Bytes;
#endif
}

} // namespace tyx
