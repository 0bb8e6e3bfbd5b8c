// Calibration files, read in both forms (a file through the text reader, a stream), then fitted
// and converted as a map control would after loading.
#include "fuzz_util.h"
#include "geomap/core/Tyx_geocalib.h"
#include "geomap/core/tyx_geomap_xml.h"
#include "host/tyx_streams.h"

using namespace tyx;

namespace {

void FitAndConvert(const TCalibData& Data, TCalibModel Model)
{
    TGeoCalibration cal;
    cal.SetMapImageSize(640, 480);
    cal.SetCalibData(Data);
    cal.StoreCalibModel(Model);
    fuzz::Survives([&] {
        cal.RecalcCalibration();
        bool valid = false;
        int x = 0, y = 0;
        for (const TPoint p : {TPoint{0, 0}, TPoint{320, 240}, TPoint{639, 479}}) {
            const double lat = cal.CalcLatitude(p, valid);
            const double lon = cal.CalcLongitude(p, valid);
            cal.CalcPixelCoords(lat, lon, x, y);
        }
        double qx = 0, qy = 0;
        cal.CalibQuality(qx, qy);
    });
}

TCalibData WrittenAndRead(const TCalibData& Data, TCalibModel Model)
{
    TMemoryStream s;
    WriteRawCalDataToStream(s, "x", Data, Model);
    s.Seek(0, soBeginning);
    TCalibData again;
    TCalibModel model = cmUndefined;
    fuzz::Require(ParseCalibData(s, "x", again, model), "a written block is found again");
    fuzz::Require(model == Model, "the model reads back");
    return again;
}

// What was read must write and read back with every element line the same. The header line is left
// out: the reader trims its texts, the writer blanks control characters, and the header attributes
// are found by text search, so a caption holding text such as ` map="` reads differently.
void RoundTrip(const TCalibData& Data, TCalibModel Model)
{
    const auto elements = [Model](const TCalibData& D) {
        auto lines = CalDataXmlLines(D, Model, "x", true, cxfStream);
        std::erase_if(lines, [](const std::string& L) { return L.starts_with("<geomap "); });
        return lines;
    };
    const TCalibData once = WrittenAndRead(Data, Model);
    fuzz::Require(elements(once) == elements(Data), "every element reads back");
    fuzz::Require(elements(WrittenAndRead(once, Model)) == elements(once), "a block read back reads back the same");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    static const auto file = fuzz::ScratchDir() / "calib.xml";
    fuzz::WriteBytes(file, Data, Size);
    TCalibData fromFile;
    TCalibModel modelFile = cmUndefined;
    bool read = false;
    fuzz::Survives([&] { read = ParseCalibData(file.string(), "", fromFile, modelFile); });
    if (read) {
        RoundTrip(fromFile, modelFile);
        FitAndConvert(fromFile, modelFile);
    }

    TMemoryStream stream;
    stream.Write(Data, static_cast<int64_t>(Size));
    stream.Seek(0, soBeginning);
    TCalibData fromStream;
    TCalibModel modelStream = cmUndefined;
    fuzz::Survives([&] { ParseCalibData(stream, "", fromStream, modelStream); });
    return 0;
}
