#include "host/tyx_text.h"

#include <cstring>

namespace tyx {

namespace {
// Code points of 0x80..0x9F in Windows-1252. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 controls of the same number, so that text
// holding them comes back byte for byte.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char ToCp1252(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == cp) return static_cast<char>(0x80 + i);
    return '?';
}

// Length of the leading run of ASCII bytes, which both encodings spell alike.
std::size_t AsciiPrefix(std::string_view s)
{
    std::size_t i = 0;
    // Eight bytes at a time while no high bit is set: most text in files is plain ASCII.
    for (uint64_t w; i + 8 <= s.size(); i += 8) {
        std::memcpy(&w, s.data() + i, 8);
        if (w & 0x8080808080808080u) break;
    }
    while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
    return i;
}

} // namespace

std::string Utf8ToCp1252(std::string_view s)
{
    std::size_t i = AsciiPrefix(s);
    if (i == s.size()) return std::string(s);
    std::string out;
    out.reserve(s.size());
    out.assign(s.substr(0, i));
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) { out += static_cast<char>(b); ++i; continue; }
        int extra = 0;
        char32_t cp = 0, least = 0;
        if ((b & 0xE0) == 0xC0) { extra = 1; cp = b & 0x1F; least = 0x80; }
        else if ((b & 0xF0) == 0xE0) { extra = 2; cp = b & 0x0F; least = 0x800; }
        else if ((b & 0xF8) == 0xF0) { extra = 3; cp = b & 0x07; least = 0x10000; }
        else { out += '?'; ++i; continue; }
        // A broken sequence becomes one '?' and ends before the first byte that does not
        // belong to it, so the text after it is kept.
        std::size_t used = 1;
        while (used <= static_cast<std::size_t>(extra) && i + used < s.size()) {
            const auto c = static_cast<unsigned char>(s[i + used]);
            if ((c & 0xC0) != 0x80) break;
            cp = (cp << 6) | (c & 0x3F);
            ++used;
        }
        i += used;
        // Overlong forms would smuggle in characters such as '<' or '"' under another spelling.
        if (used != static_cast<std::size_t>(extra) + 1 || cp < least) { out += '?'; continue; }
        out += ToCp1252(cp);
    }
    return out;
}

std::string Cp1252ToUtf8(std::string_view s)
{
    const std::size_t ascii = AsciiPrefix(s);
    if (ascii == s.size()) return std::string(s);
    std::string out;
    out.reserve(s.size() + s.size() / 4);
    out.assign(s.substr(0, ascii));
    for (char ch : s.substr(ascii)) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) out += ch;
        else if (b < 0xA0) AppendUtf8(out, kHigh[b - 0x80]);
        else AppendUtf8(out, b);
    }
    return out;
}

} // namespace tyx
