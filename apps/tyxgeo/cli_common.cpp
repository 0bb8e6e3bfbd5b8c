#include "cli_common.h"

#include "geomap/Tyx_geomap.h"
#include "geomap/core/Tyx_landmarks.h"

#include <QApplication>

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <sstream>

namespace tyx::cli {

int& ExitCode()
{
    static int code = 0;
    return code;
}

std::string Fixed(double Value, int Decimals) { return fmt::format("{:.{}f}", Value, Decimals); }

std::string Shortest(double Value) { return fmt::format("{}", Value); }

namespace {

// Reads the whole field into v; one leading plus sign is allowed, and no sign after it.
template <typename T>
bool ParseWhole(const std::string& Text, T& v)
{
    const char* b = Text.data();
    const char* e = b + Text.size();
    if (b != e && *b == '+') {
        ++b;
        if (b != e && (*b == '-' || *b == '+')) return false;
    }
    auto [p, ec] = std::from_chars(b, e, v);
    return ec == std::errc() && p == e && !Text.empty();
}

} // namespace

void WarnOfLandMarkDamage(const std::string& File, const TLandMarkReadReport& Report, int NumLandMarks)
{
    for (const auto& Bad : Report.BadCoordinates)
        std::cerr << fmt::format("tyxgeo: warning: '{}': landmark {}: {} is not a finite number, read as {}\n", File,
                                 Bad.Number, Bad.Attribute, Shortest(Bad.Read));
    if (Report.Closed) return;
    const std::string Where =
        NumLandMarks == 0 ? "before its first landmark" : fmt::format("after landmark {}", NumLandMarks);
    std::cerr << fmt::format("tyxgeo: warning: '{}': the landmark block has no closing tag </gmlandmarks>: the file "
                             "may be cut off {}\n",
                             File, Where);
}

double ParseDouble(const std::string& Text, const char* What)
{
    double v = 0;
    if (!ParseWhole(Text, v)) throw DataError(fmt::format("{} is not a number: '{}'", What, Text));
    return v;
}

double ParseFinite(const std::string& Text, const char* What)
{
    const double v = ParseDouble(Text, What);
    if (!std::isfinite(v)) throw DataError(fmt::format("{} is not a finite number: '{}'", What, Text));
    return v;
}

int ParseInt(const std::string& Text, const char* What)
{
    int v = 0;
    if (!ParseWhole(Text, v)) throw DataError(fmt::format("{} is not a whole number: '{}'", What, Text));
    return v;
}

std::pair<int, int> ParsePair(const std::string& Text, char Sep, const char* What)
{
    const auto At = Text.find(Sep);
    if (At == std::string::npos) throw UsageError(fmt::format("{} must be written A{}B, not '{}'", What, Sep, Text));
    return {ParseInt(Text.substr(0, At), What), ParseInt(Text.substr(At + 1), What)};
}

std::string Escaped(const std::string& Text)
{
    std::string out;
    out.reserve(Text.size());
    for (const char c : Text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                out += fmt::format("\\x{:02X}", static_cast<unsigned char>(c));
            else
                out += c;
        }
    }
    return out;
}

std::string Unescaped(const std::string& Text)
{
    std::string out;
    out.reserve(Text.size());
    for (std::size_t i = 0; i < Text.size(); ++i) {
        const char next = i + 1 < Text.size() ? Text[i + 1] : '\0';
        const char* hex = Text.data() + std::min(i + 2, Text.size());
        unsigned value = 0;
        if (Text[i] != '\\') {
            out += Text[i];
        } else if (next == '\\' || next == 't' || next == 'n' || next == 'r') {
            out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : '\\';
            ++i;
        } else if (next == 'x' && i + 4 <= Text.size() && std::from_chars(hex, hex + 2, value, 16).ptr == hex + 2) {
            out += static_cast<char>(value);
            i += 3;
        } else {
            out += Text[i];
        }
    }
    return out;
}

std::vector<std::string> SplitFields(const std::string& Line)
{
    std::vector<std::string> out;
    std::istringstream in(Line);
    std::string f;
    while (in >> f) out.push_back(f);
    return out;
}

void RefuseToOverwrite(const std::vector<std::string>& Outputs, const std::vector<std::string>& Reads)
{
    namespace fs = std::filesystem;
    // equivalent compares device and inode, so links and other spellings of one file are caught.
    auto Same = [](const std::string& A, const std::string& B) {
        std::error_code Ec;
        return !A.empty() && !B.empty() && fs::equivalent(A, B, Ec);
    };
    for (std::size_t i = 0; i < Outputs.size(); ++i) {
        for (const std::string& Read : Reads)
            if (Same(Outputs[i], Read))
                throw DataError(fmt::format("'{}' is the same file as '{}', which is read: refusing to overwrite it",
                                            Outputs[i], Read));
        for (std::size_t k = i + 1; k < Outputs.size(); ++k)
            if (Same(Outputs[i], Outputs[k]))
                throw DataError(fmt::format("'{}' and '{}' are the same file: refusing to write it twice", Outputs[i],
                                            Outputs[k]));
    }
}

void RunBatch(std::istream& In, std::ostream& Out, std::size_t FieldCount,
              const std::function<std::string(const std::vector<std::string>&)>& Convert)
{
    std::string line;
    while (std::getline(In, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto fields = SplitFields(line);
        if (fields.empty()) continue;
        try {
            if (fields.size() != FieldCount)
                throw DataError(fmt::format("expected {} fields, got {}", FieldCount, fields.size()));
            Out << Convert(fields) << '\n';
        } catch (const DataError& e) {
            Out << "error: " << e.what() << '\n';
            ExitCode() = 1;
        }
    }
}

namespace {
// Qt's own notes (a missing runtime directory, font fallbacks) mean nothing to a user of the tool
// and would mix with its messages on stderr; only Qt's critical and fatal messages get through.
void QuietQtMessages(QtMsgType Type, const QMessageLogContext&, const QString& Message)
{
    if (Type == QtCriticalMsg || Type == QtFatalMsg) std::cerr << "tyxgeo: " << Message.toStdString() << '\n';
}
} // namespace

std::unique_ptr<QApplication> EnsureApplication()
{
    std::unique_ptr<QApplication> app;
    if (!QApplication::instance()) {
        qInstallMessageHandler(QuietQtMessages);
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
            qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "tyxgeo";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
    }
    return app;
}

std::string MapErrorReason(const ETYXGeoMapError& E)
{
    const std::string What = E.what();
    const auto Colon = What.find("\": ");
    return Colon == std::string::npos ? What : What.substr(Colon + 3);
}

void LoadCalibration(TGeoMap& Map, const std::string& File, const std::string& Id)
{
    if (!FileExists(File)) throw DataError(fmt::format("cannot open calibration file '{}'", File));
    bool Found = false;
    try {
        Found = Map.LoadCalDataFromXML(File, Id);
    } catch (const ETYXMapImageMissing& E) {
        std::cerr << "tyxgeo: warning: " << E.what() << '\n';
        Found = true;
    }
    if (Found) return;
    if (Id.empty()) throw DataError(fmt::format("no calibration block in '{}'", File));
    throw DataError(fmt::format("no calibration block with id '{}' in '{}'", Id, File));
}

} // namespace tyx::cli
