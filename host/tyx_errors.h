// Input/output failures that an operation does not wrap in a message of its own.
#pragma once
#include <stdexcept>
#include <string>

namespace tyx {

/// An input or output failure: carries the file name and the system's error text.
class EInOutError : public std::runtime_error {
public:
    EInOutError(const std::string& FileName, const std::string& SystemText)
        : std::runtime_error("I/O error on \"" + FileName + "\": " + SystemText),
          FFileName(FileName), FSystemText(SystemText) {}
    const std::string& FileName() const { return FFileName; }
    const std::string& SystemText() const { return FSystemText; }
    /// Builds the error from the current errno.
    static EInOutError FromErrno(const std::string& FileName);

private:
    std::string FFileName;
    std::string FSystemText;
};

} // namespace tyx
