// String-list helpers: finding a text in a list, and making a text usable as a file name.
#pragma once
#include <span>
#include <string>

namespace tyx {

/// Position of Text in List, from 1; 0 when absent. Compares exactly unless IgnoreCase, which
/// ignores ASCII case. The first match wins.
int StringIx(const std::string& Text, std::span<const std::string> List, bool IgnoreCase = false);

/// The text made usable as a short file name (a name of its own, never a path): letters A-Z and
/// a-z, digits, '_', '-' and '.' are kept; every other character (blanks, path separators, drive
/// colons, wildcards, quotes, non-ASCII letters) becomes '_'; leading points are removed, so the
/// result can neither climb to a parent directory nor be hidden. The length is not cut.
std::string ReduceStringToFN83CompliantChars(const std::string& Text);

} // namespace tyx
