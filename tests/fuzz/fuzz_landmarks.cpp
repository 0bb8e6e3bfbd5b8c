// Landmark files: the first block, then the block named "b" read on from where the first ended.
#include "fuzz_util.h"
#include "geomap/core/Tyx_landmarks.h"
#include "host/tyx_streams.h"

using namespace tyx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    static const auto file = fuzz::ScratchDir() / "landmarks.xml";
    fuzz::WriteBytes(file, Data, Size);
    TLandMarkList list;
    fuzz::Survives([&] {
        TTextFile f;
        f.Reset(file.string());
        if (ReadLandMarksFromOpenXMLFile(f, "", list)) ReadLandMarksFromOpenXMLFile(f, "b", list);
        f.Close();
    });
    return 0;
}
