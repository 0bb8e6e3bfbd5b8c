// Windows-1252 single-byte text and the fixed-capacity short strings stored in file records.
// Strings in the library are UTF-8; single-byte text is converted at the boundary, and a
// character that Windows-1252 cannot hold is spelt in Latin letters (ICU), or '?' when none fit.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tyx {

/// UTF-8 to Windows-1252 bytes. Characters the code page lacks are transliterated to Latin
/// ("Łódź" gives "Lodz", "Москва" "Moskva"); what still does not fit, and malformed UTF-8,
/// become '?', and then Lost (when given) is set.
std::string Utf8ToCp1252(std::string_view Utf8, bool* Lost = nullptr);
/// Windows-1252 bytes to UTF-8; the five undefined bytes map to the C1 controls U+0081 etc.
std::string Cp1252ToUtf8(std::string_view Bytes);

/// A length byte followed by N single-byte (Windows-1252) characters, as stored in records.
/// Longer text is cut to N characters; unused bytes are kept zero.
template <std::size_t N>
struct TShortString {
    static_assert(N >= 1 && N <= 255, "a short string holds 1 to 255 characters");
    uint8_t Len = 0; ///< number of characters stored, 0 to N
    char Data[N] = {}; ///< the characters, Windows-1252; unused bytes zero

    TShortString() = default;
    /// Converts UTF-8 text, as Assign.
    TShortString(std::string_view Utf8) { Assign(Utf8); } // NOLINT: implicit on purpose
    /// The same for a C string; nullptr is empty.
    TShortString(const char* Utf8) { Assign(Utf8 ? Utf8 : ""); } // NOLINT: so literals convert too
    /// The same for a string.
    TShortString(const std::string& Utf8) { Assign(Utf8); } // NOLINT: and strings

    /// N, the most characters held.
    static constexpr std::size_t Capacity() { return N; }
    /// Stores UTF-8 text, converted to Windows-1252 and cut to N characters.
    void Assign(std::string_view Utf8) { AssignBytes(Utf8ToCp1252(Utf8)); }
    /// Stores Windows-1252 bytes as they are, cut to N.
    void AssignBytes(std::string_view Bytes)
    {
        std::memset(Data, 0, N);
        Len = static_cast<uint8_t>(std::min(Bytes.size(), N));
        if (Len > 0) std::memcpy(Data, Bytes.data(), Len); // an empty view may carry a null pointer
    }
    /// The text as UTF-8.
    std::string Str() const { return Cp1252ToUtf8(Bytes()); }
    /// The stored bytes; a length byte beyond N (damaged record) is read as N.
    std::string_view Bytes() const { return std::string_view(Data, std::min<std::size_t>(Len, N)); }
    /// Number of characters, at most N.
    std::size_t Length() const { return std::min<std::size_t>(Len, N); }
    /// True when no character is stored.
    bool Empty() const { return Length() == 0; }
    /// Assign(Utf8).
    TShortString& operator=(std::string_view Utf8) { Assign(Utf8); return *this; }
    // One per converting constructor, so that assigning a literal or a string is not ambiguous.
    /// Assign(Utf8); nullptr is empty.
    TShortString& operator=(const char* Utf8) { Assign(Utf8 ? Utf8 : ""); return *this; }
    /// Assign(Utf8).
    TShortString& operator=(const std::string& Utf8) { Assign(Utf8); return *this; }
    /// Equal stored bytes.
    friend bool operator==(const TShortString& a, const TShortString& b) { return a.Bytes() == b.Bytes(); }
};

} // namespace tyx
