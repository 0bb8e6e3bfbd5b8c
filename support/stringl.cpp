#include "support/Tyx_stringl.h"

#include <algorithm>

namespace tyx {

namespace {
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool KeptInFileName(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}
} // namespace

int StringIx(const std::string& Text, std::span<const std::string> List, bool IgnoreCase)
{
    for (std::size_t i = 0; i < List.size(); ++i)
        if (IgnoreCase ? SameIgnoringCase(Text, List[i]) : Text == List[i]) return static_cast<int>(i) + 1;
    return 0;
}

std::string ReduceStringToFN83CompliantChars(const std::string& Text)
{
    std::string out;
    out.reserve(Text.size());
    for (std::size_t i = 0; i < Text.size(); ++i) {
        const auto c = static_cast<unsigned char>(Text[i]);
        if (KeptInFileName(c)) {
            out += static_cast<char>(c);
            continue;
        }
        // One '_' per character, not per byte: skip the continuation bytes of a UTF-8 sequence.
        out += '_';
        while (i + 1 < Text.size() && (static_cast<unsigned char>(Text[i + 1]) & 0xC0) == 0x80) ++i;
    }
    const std::size_t first = out.find_first_not_of('.');
    return first == std::string::npos ? std::string() : out.substr(first);
}

} // namespace tyx
