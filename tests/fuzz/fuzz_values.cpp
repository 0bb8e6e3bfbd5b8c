// The value scanners: first byte picks the scanner, second byte its options and start, the rest is
// the text. Positions a scanner reports must stay within the text.
#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_util.h"
#include "geomap/core/Tyx_landmarks.h"
#include "geomap/core/tyx_geomap_values.h"
#include "host/tyx_streams.h"
#include "support/Tyx_math1.h"

using namespace tyx;

namespace {

// A start position from 1 to one past the end, as the readers call the scanners.
int StartPos(uint8_t Flags, const std::string& Text)
{
    return 1 + static_cast<int>((Flags >> 3) % (Text.size() + 1));
}

const std::array<std::string, 6> kDateFormats = {"yyyymmddHHMMSS", "dd.mm.yyyy HH:MM:SS.zzz", "dd-mmm-yy",
                                                 "yyyy-mm-dd", "HH:MM", "mmm yyyy"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size < 2) return 0;
    const uint8_t which = Data[0], flags = Data[1];
    const std::string text(reinterpret_cast<const char*>(Data + 2), Size - 2);
    const int end = static_cast<int>(text.size()) + 1;
    int pos = StartPos(flags, text);
    const int start = pos;
    fuzz::Survives([&] {
        switch (which % 8) {
        case 0: {
            const double v = ParseFloatAt(text, flags & 1, 1 + (flags >> 1) % 3, pos);
            fuzz::Require(std::isfinite(v) && pos >= start && pos <= end, "number finite, position in the text");
            break;
        }
        case 1:
            ParseIntAt(text, pos);
            fuzz::Require(pos >= start && pos <= end, "position in the text");
            break;
        case 2: {
            std::string name, value;
            for (int guard = 0; guard <= end && NextAttribute(text, pos, name, value) == 0; ++guard) {}
            static constexpr std::array<std::string_view, 4> names = {"id", "lat", "value", "npoints"};
            std::array<std::string, 4> values;
            GetAttributeValues(text, names, values);
            break;
        }
        case 3:
            ScanHex(text, pos);
            fuzz::Require(pos >= start && pos <= end, "position in the text");
            break;
        case 4: {
            // The format is untrusted too when the text holds a '|': format|text.
            const auto bar = text.find('|');
            const std::string format = bar == std::string::npos ? kDateFormats[flags % kDateFormats.size()]
                                                                : text.substr(0, bar);
            const std::string value = bar == std::string::npos ? text : text.substr(bar + 1);
            int at = 1 + static_cast<int>((flags >> 3) % (value.size() + 1));
            const int from = at;
            ScanDateTime(value, format, (flags & 4) ? lanGerman : lanEnglish, at);
            fuzz::Require(at >= from && at <= static_cast<int>(value.size()) + 1, "position in the text");
            break;
        }
        case 5:
            LandMarkDateFromText(text);
            break;
        case 6: {
            TMemoryStream s;
            s.Write(text.data(), static_cast<int64_t>(text.size()));
            s.Seek(0, soBeginning);
            bool ended = false;
            for (size_t guard = 0; guard <= text.size() && !ended; ++guard) ReadStreamLine(s, ended, flags % 6);
            break;
        }
        default:
            PosOfOccurrence(text.substr(0, flags % 4), text, pos, 1 + flags % 3, flags & 0x80);
            TrimSpaces(text);
            break;
        }
    });
    return 0;
}
