// BMP files as the map control reads them: the size from the header is checked against the pixel
// limit before anything is decoded, then the bitmap is read from a stream (its length taken from
// the file header) and written back in its own depth.
#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <cstdlib>

#include "fuzz_util.h"
#include "geomap/geomap_limits.h"
#include "host/gui/tyx_bitmap.h"
#include "host/tyx_streams.h"

using namespace tyx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    fuzz::Survives([&] {
        {
            const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(Data), qsizetype(Size));
            QBuffer buffer;
            buffer.setData(bytes);
            const QSize s = QImageReader(&buffer, "bmp").size();
            CheckMapPixels("fuzz", std::abs(s.width()), std::abs(s.height())); // as the map control does
        }
        TMemoryStream stream;
        stream.Write(Data, static_cast<int64_t>(Size));
        stream.Seek(0, soBeginning);
        TBitmap bmp;
        bmp.LoadFromStream(stream);
        if (bmp.Width() > 0 && bmp.Height() > 0) (void)bmp.Canvas().Pixels(0, 0);
        TMemoryStream out;
        bmp.SaveToStream(out);
    });
    return 0;
}
