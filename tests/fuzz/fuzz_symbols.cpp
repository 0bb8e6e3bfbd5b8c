// Symbol repository files.
#include "fuzz_util.h"
#include "geomap/core/Tyx_symbols.h"

using namespace tyx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    static const auto file = fuzz::ScratchDir() / "symbols.xml";
    fuzz::WriteBytes(file, Data, Size);
    TSymbolRepository repo;
    fuzz::Survives([&] {
        if (repo.LoadFromFile(file.string(), "")) {
            for (int i = 1; i <= repo.NumEntries(); ++i) (void)repo.GetValues(i);
        }
    });
    return 0;
}
