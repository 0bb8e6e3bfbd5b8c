// Base support unit: the library's root exception and the small shared types of the controls.
#pragma once
#include <stdexcept>
#include <string>

namespace tyx {

/// Root of the library's exceptions; the units derive their own classes from it.
class ETYXError : public std::runtime_error {
public:
    explicit ETYXError(const std::string& Msg) : std::runtime_error(Msg) {}
};

} // namespace tyx
