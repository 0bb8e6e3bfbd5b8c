#include "cli_common.h"

#include <QApplication>

#include <fmt/format.h>

#include <charconv>
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

double ParseDouble(const std::string& Text, const char* What)
{
    double v = 0;
    const char* b = Text.data();
    const char* e = b + Text.size();
    if (b != e && *b == '+') ++b;
    auto [p, ec] = std::from_chars(b, e, v);
    if (ec != std::errc() || p != e || Text.empty())
        throw DataError(fmt::format("{} is not a number: '{}'", What, Text));
    return v;
}

int ParseInt(const std::string& Text, const char* What)
{
    int v = 0;
    const char* b = Text.data();
    const char* e = b + Text.size();
    if (b != e && *b == '+') ++b;
    auto [p, ec] = std::from_chars(b, e, v);
    if (ec != std::errc() || p != e || Text.empty())
        throw DataError(fmt::format("{} is not a whole number: '{}'", What, Text));
    return v;
}

std::vector<std::string> SplitFields(const std::string& Line)
{
    std::vector<std::string> out;
    std::istringstream in(Line);
    std::string f;
    while (in >> f) out.push_back(f);
    return out;
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

} // namespace tyx::cli
