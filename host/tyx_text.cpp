#include "host/tyx_text.h"

#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <cstring>
#include <memory>

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

// The byte of a code point, or -1 when Windows-1252 has none.
int ToCp1252(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == cp) return 0x80 + i;
    return -1;
}

// Stands for a malformed sequence while the text is transliterated: no transliterator touches it,
// and it ends as '?'.
constexpr char32_t kBroken = 0xFFFD;

// Decodes one UTF-8 sequence starting at s[i] (not ASCII) and moves i behind it. A broken sequence
// ends before the first byte that does not belong to it, so the text after it is kept; overlong
// forms would smuggle in characters such as '<' or '"' under another spelling and count as broken.
char32_t DecodeMultiByte(std::string_view s, std::size_t& i)
{
    const auto b = static_cast<unsigned char>(s[i]);
    int extra = 0;
    char32_t cp = 0, least = 0;
    if ((b & 0xE0) == 0xC0) { extra = 1; cp = b & 0x1F; least = 0x80; }
    else if ((b & 0xF0) == 0xE0) { extra = 2; cp = b & 0x0F; least = 0x800; }
    else if ((b & 0xF8) == 0xF0) { extra = 3; cp = b & 0x07; least = 0x10000; }
    else { ++i; return kBroken; }
    std::size_t used = 1;
    while (used <= static_cast<std::size_t>(extra) && i + used < s.size()) {
        const auto c = static_cast<unsigned char>(s[i + used]);
        if ((c & 0xC0) != 0x80) break;
        cp = (cp << 6) | (c & 0x3F);
        ++used;
    }
    i += used;
    if (used != static_cast<std::size_t>(extra) + 1 || cp < least || cp > 0x10FFFF) return kBroken;
    return cp;
}

bool InCp1252(UChar32 cp) { return cp >= 0 && ToCp1252(static_cast<char32_t>(cp)) >= 0; }

// Letters and the marks that belong to them make up a word.
bool IsWordChar(UChar32 cp) { return u_isalpha(cp) || (U_GET_GC_MASK(cp) & U_GC_M_MASK) != 0; }

// The ICU steps of the slow path. The text is composed first (an "e" with a combining accent is
// the code page's "é"). A word holding a character the code page lacks is then spelt wholly in
// ASCII Latin, so that a name is not left half in one spelling and half in another ("Łódź" gives
// "Lodz", not "Lódz"); words that fit keep their "é", "ü" or "ß". Characters outside words are
// spelt one by one. Transliterators are not safe to share between threads, so each thread builds
// its own, once.
class TTransliteration {
public:
    TTransliteration()
    {
        UErrorCode err = U_ZERO_ERROR;
        FCompose = icu::Normalizer2::getNFCInstance(err);
        if (U_FAILURE(err)) FCompose = nullptr;
        err = U_ZERO_ERROR;
        FLatin.reset(icu::Transliterator::createInstance("Any-Latin; Latin-ASCII", UTRANS_FORWARD, err));
        if (U_FAILURE(err)) FLatin.reset();
    }
    icu::UnicodeString Apply(const icu::UnicodeString& Input) const
    {
        icu::UnicodeString text = Input;
        if (FCompose) {
            UErrorCode err = U_ZERO_ERROR;
            icu::UnicodeString composed = FCompose->normalize(Input, err);
            if (U_SUCCESS(err)) text = composed;
        }
        if (!FLatin) return text;
        icu::UnicodeString out;
        for (int32_t i = 0; i < text.length();) {
            int32_t end = text.moveIndex32(i, 1);
            const bool word = IsWordChar(text.char32At(i));
            bool fits = InCp1252(text.char32At(i));
            if (word)
                for (; end < text.length() && IsWordChar(text.char32At(end)); end = text.moveIndex32(end, 1))
                    fits = fits && InCp1252(text.char32At(end));
            icu::UnicodeString piece(text, i, end - i);
            if (!fits) FLatin->transliterate(piece);
            out += piece;
            i = end;
        }
        return out;
    }

private:
    const icu::Normalizer2* FCompose = nullptr;
    std::unique_ptr<icu::Transliterator> FLatin;
};

// Text that holds characters outside the code page: decoded whole, transliterated, then encoded.
std::string TransliteratedToCp1252(std::string_view s, bool* Lost)
{
    icu::UnicodeString text;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) { text.append(static_cast<UChar32>(b)); ++i; continue; }
        text.append(static_cast<UChar32>(DecodeMultiByte(s, i)));
    }
    thread_local const TTransliteration Translit;
    text = Translit.Apply(text);
    std::string out;
    out.reserve(static_cast<std::size_t>(text.length()));
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
        const int byte = ToCp1252(static_cast<char32_t>(text.char32At(i)));
        if (byte < 0 && Lost) *Lost = true;
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return out;
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

std::string Utf8ToCp1252(std::string_view s, bool* Lost)
{
    if (Lost) *Lost = false;
    std::size_t i = AsciiPrefix(s);
    if (i == s.size()) return std::string(s);
    // Text that fits the code page, by far the most, is converted here without ICU.
    std::string out;
    out.reserve(s.size());
    out.assign(s.substr(0, i));
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) { out += static_cast<char>(b); ++i; continue; }
        const char32_t cp = DecodeMultiByte(s, i);
        const int byte = cp == kBroken ? -1 : ToCp1252(cp);
        if (byte < 0) return TransliteratedToCp1252(s, Lost);
        out += static_cast<char>(byte);
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
