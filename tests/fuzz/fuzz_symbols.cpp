// Symbol repository files; what was read is stored and must read back to the same lines.
#include "fuzz_util.h"
#include "geomap/core/Tyx_symbols.h"

using namespace tyx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    static const auto file = fuzz::ScratchDir() / "symbols.xml";
    fuzz::WriteBytes(file, Data, Size);
    TSymbolRepository repo;
    bool read = false;
    fuzz::Survives([&] { read = repo.LoadFromFile(file.string(), ""); });
    if (!read) return 0;
    static const auto copy = fuzz::ScratchDir() / "again.xml";
    repo.StoreOnFile(copy.string(), "p");
    TSymbolRepository again;
    fuzz::Require(again.LoadFromFile(copy.string(), "p"), "a stored block is found again");
    fuzz::Require(again.XmlLines("p") == repo.XmlLines("p"), "a stored palette reads back to the same lines");
    return 0;
}
