// The tag readers, over a file and over a stream, with the map unit's tag table.
#include "fuzz_util.h"
#include "geomap/core/tyx_geomap_xml.h"
#include "host/tyx_streams.h"
#include "support/Tyx_streams.h"

using namespace tyx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    static const auto file = fuzz::ScratchDir() / "tags.xml";
    const auto& tags = GeoMapXmlTags();
    const int last = static_cast<int>(tags.size()) - 1;
    std::string contents, attributes;

    fuzz::WriteBytes(file, Data, Size);
    fuzz::Survives([&] {
        TTextFile f;
        f.Reset(file.string());
        // Every call consumes at least one byte or ends the input, so Size + 1 calls suffice.
        for (size_t i = 0; i <= Size && !f.Eof(); ++i) ReadNextTagInTextFile(f, tags, contents, attributes);
        f.Close();
    });

    TMemoryStream stream;
    stream.Write(Data, static_cast<int64_t>(Size));
    stream.Seek(0, soBeginning);
    fuzz::Survives([&] {
        for (size_t i = 0; i <= Size; ++i) {
            const int64_t before = stream.Position();
            if (ReadNextTagInStream(stream, tags, contents, attributes) == last && contents.empty() &&
                attributes.empty() && stream.Position() >= stream.Size())
                break;
            if (stream.Position() < before) std::abort(); // a reader must never move back
        }
    });
    return 0;
}
