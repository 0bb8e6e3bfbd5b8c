#include "support/Tyx_filesys.h"

namespace tyx {

namespace {
std::size_t NameStart(const std::string& FileName)
{
    const std::size_t sep = FileName.find_last_of("/\\");
    return sep == std::string::npos ? 0 : sep + 1;
}
} // namespace

std::string StripPath(const std::string& FileName) { return FileName.substr(NameStart(FileName)); }

std::string StripExtension(const std::string& FileName)
{
    const std::size_t start = NameStart(FileName);
    const std::size_t dot = FileName.find_last_of('.');
    if (dot == std::string::npos || dot <= start) return FileName;
    return FileName.substr(0, dot);
}

} // namespace tyx
