// Input/output failures that an operation does not wrap in a message of its own.
#pragma once
#include <stdexcept>
#include <string>

namespace tyx {

/// An input or output failure: carries the file name and the system's error text.
class EInOutError : public std::runtime_error {
public:
    /// The message names the file and gives the system's text.
    EInOutError(const std::string& FileName, const std::string& SystemText)
        : std::runtime_error("I/O error on \"" + FileName + "\": " + SystemText),
          FFileName(FileName), FSystemText(SystemText) {}
    /// The file the operation failed on.
    const std::string& FileName() const { return FFileName; }
    /// The system's description of the failure.
    const std::string& SystemText() const { return FSystemText; }
    /// Builds the error from the current errno.
    static EInOutError FromErrno(const std::string& FileName);

private:
    std::string FFileName;
    std::string FSystemText;
};

} // namespace tyx
