// File-name helpers. Both '/' and '\' separate directories, so names written on either kind of
// system are taken apart alike.
#pragma once
#include <string>

namespace tyx {

/// The name without its directory: "D:\maps\wien.jpg" and "maps/wien.jpg" give "wien.jpg".
std::string StripPath(const std::string& FileName);
/// The name without its last extension and point: "a/b.tar.gz" gives "a/b.tar". A point in a
/// directory does not count, nor a point that starts the name (".profile" stays as it is).
std::string StripExtension(const std::string& FileName);

} // namespace tyx
