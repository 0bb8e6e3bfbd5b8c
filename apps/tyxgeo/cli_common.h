// Shared pieces of the tyxgeo subcommands: the error kinds that decide the exit code, number
// formatting that ignores the locale, and the batch mode that converts standard input line by line.
#pragma once
#include <CLI/CLI.hpp>

#include <functional>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

class QApplication;

namespace tyx {
struct TLandMarkReadReport;
class TGeoMap;
class ETYXGeoMapError;
}

namespace tyx::cli {

/// Bad input data: reported on stderr, exit code 1.
class DataError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Bad command-line usage discovered after parsing: exit code 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The process exit code the subcommands leave behind (0 unless a batch line failed).
int& ExitCode();

/// Fixed-point text with a point as decimal separator, whatever the locale.
std::string Fixed(double Value, int Decimals);
/// The shortest text that reads back to the same double.
std::string Shortest(double Value);
/// Parses a whole field as a double (point decimal separator); throws DataError naming the field.
double ParseDouble(const std::string& Text, const char* What);
/// As ParseDouble, and refuses nan and inf.
double ParseFinite(const std::string& Text, const char* What);
/// Parses a whole field as an integer; throws DataError naming the field.
int ParseInt(const std::string& Text, const char* What);
/// "A<Sep>B" as two integers; UsageError without the separator, DataError for a bad number.
std::pair<int, int> ParsePair(const std::string& Text, char Sep, const char* What);
/// Text for one field of a line-per-item listing: the backslash and control characters are
/// written as \\, \t, \n, \r or \xNN, so that a name never splits its line or column.
std::string Escaped(const std::string& Text);
/// Undoes Escaped; a backslash that starts none of its sequences is kept as it is.
std::string Unescaped(const std::string& Text);
/// Splits a line at runs of blanks and tabs.
std::vector<std::string> SplitFields(const std::string& Line);

/// Refuses (DataError) outputs that are, by file identity, one of the files the command reads or
/// another of its outputs, since writing them would destroy the other; called before anything is
/// opened for writing. Names that do not exist match nothing.
void RefuseToOverwrite(const std::vector<std::string>& Outputs, const std::vector<std::string>& Reads);

/// Reads lines from In, hands the fields of each to Convert and prints its result on Out. A line
/// whose conversion throws DataError (or has the wrong number of fields) prints
/// "error: <what is wrong>" instead and sets the exit code to 1. Blank lines are skipped.
void RunBatch(std::istream& In, std::ostream& Out, std::size_t FieldCount,
              const std::function<std::string(const std::vector<std::string>&)>& Convert);

/// Warns on stderr, landmark by number, of a block read from File that has no closing tag or
/// coordinates that are not finite numbers; NumLandMarks is the count read. The exit code stays.
void WarnOfLandMarkDamage(const std::string& File, const TLandMarkReadReport& Report, int NumLandMarks);

/// Loads block Id (empty: the first) of the calibration File into Map; DataError when the file
/// holds no such block. An image found nowhere is a warning: the calibration alone still converts.
void LoadCalibration(TGeoMap& Map, const std::string& File, const std::string& Id);

/// The fault of a map control's message, without the component's name: the tool's own prefix
/// is enough.
std::string MapErrorReason(const ETYXGeoMapError& E);

/// The GUI application the map control needs, created (offscreen without a display) unless one
/// exists; empty when one existed already. Keep it alive while controls are in use.
std::unique_ptr<QApplication> EnsureApplication();

/// Registration of each area's subcommands.
void AddGeoCommands(CLI::App& App);
void AddDbCommands(CLI::App& App);
void AddCalibCommands(CLI::App& App);
void AddRenderCommands(CLI::App& App);
void AddLandMarkCommands(CLI::App& App);
void AddAtlasCommands(CLI::App& App);
/// `atlas build`, added under the atlas subcommand.
void AddAtlasBuildCommand(CLI::App& Atlas);
void AddGeoRefCommands(CLI::App& App);
void AddCalibFitCommand(CLI::App& App);

} // namespace tyx::cli
