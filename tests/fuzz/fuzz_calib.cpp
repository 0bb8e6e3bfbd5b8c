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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    static const auto file = fuzz::ScratchDir() / "calib.xml";
    fuzz::WriteBytes(file, Data, Size);
    TCalibData fromFile;
    TCalibModel modelFile = cmUndefined;
    bool read = false;
    fuzz::Survives([&] { read = ParseCalibData(file.string(), "", fromFile, modelFile); });
    if (read) FitAndConvert(fromFile, modelFile);

    TMemoryStream stream;
    stream.Write(Data, static_cast<int64_t>(Size));
    stream.Seek(0, soBeginning);
    TCalibData fromStream;
    TCalibModel modelStream = cmUndefined;
    fuzz::Survives([&] { ParseCalibData(stream, "", fromStream, modelStream); });
    return 0;
}
