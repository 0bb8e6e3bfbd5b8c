// Processor state that code outside this library can leave behind and that slows ours down.
#pragma once

namespace tyx {

/// Marks the upper halves of the AVX registers unused (x86-64 with AVX; elsewhere nothing).
/// Library code may leave them in use (Qt's drawing does); the plain SSE arithmetic compiled
/// into this library then runs several times slower on some processors, since each instruction
/// must merge into the wide register. Loops over many points call this after any foreign code.
void ClearUpperVectorState() noexcept;

} // namespace tyx
