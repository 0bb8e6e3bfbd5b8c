// Landmark files: the first block, then the block named "b" read on from where the first ended;
// what was read is written and must read back to the same lines.
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
    static const auto copy = fuzz::ScratchDir() / "again.xml";
    {
        TTextFile f;
        f.Rewrite(copy.string());
        WriteLandMarksToOpenXMLFile(f, true, "a", list);
        f.Close();
    }
    TLandMarkList again;
    TTextFile f;
    f.Reset(copy.string());
    fuzz::Require(ReadLandMarksFromOpenXMLFile(f, "a", again), "a written block is found again");
    f.Close();
    fuzz::Require(again.NumLandMarks() == list.NumLandMarks(), "every landmark reads back");
    for (int i = 0; i < list.NumLandMarks(); ++i)
        fuzz::Require(LandMarkXmlLine(again.Items()[i]) == LandMarkXmlLine(list.Items()[i]), "a landmark reads back");
    return 0;
}
