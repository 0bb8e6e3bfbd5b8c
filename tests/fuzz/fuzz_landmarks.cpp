// Landmark files: the first block, then the block named "b" read on from where the first ended;
// what was read is written and must read back, to the same lines from the second time on (a byte
// that Windows-1252 leaves undefined reads as U+FFFD and is written as '?').
#include "fuzz_util.h"
#include "geomap/core/Tyx_landmarks.h"
#include "host/tyx_streams.h"

using namespace tyx;

namespace {

void WriteAndRead(const TLandMarkList& From, TLandMarkList& To)
{
    static const auto copy = fuzz::ScratchDir() / "again.xml";
    {
        TTextFile f;
        f.Rewrite(copy.string());
        WriteLandMarksToOpenXMLFile(f, true, "a", From);
        f.Close();
    }
    TTextFile f;
    f.Reset(copy.string());
    fuzz::Require(ReadLandMarksFromOpenXMLFile(f, "a", To), "a written block is found again");
    f.Close();
}

} // namespace

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
    TLandMarkList once, twice;
    WriteAndRead(list, once);
    WriteAndRead(once, twice);
    fuzz::Require(once.NumLandMarks() == list.NumLandMarks(), "every landmark reads back");
    fuzz::Require(twice.NumLandMarks() == once.NumLandMarks(), "every landmark reads back again");
    for (int i = 0; i < once.NumLandMarks(); ++i)
        fuzz::Require(LandMarkXmlLine(twice.Items()[i]) == LandMarkXmlLine(once.Items()[i]), "a landmark reads back");
    return 0;
}
