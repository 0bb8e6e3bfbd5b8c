// Reading a simple mark-up dialect tag by tag from a text file or a stream, and writing lines to
// a stream. Files and streams hold Windows-1252 bytes; the texts returned are UTF-8.
//
// Tag-reading rules:
// - A tag runs from '<' to the next '>' that is not inside a double-quoted value; it may span
//   lines. Its name is the text after '<' up to a blank, line break, '/' or '>' (a '/' right
//   after '<' belongs to the name, so "/geomap" names a closing tag).
// - A quote still open at the end of a line counts as stray: the last '>' on that line then ends
//   the tag and the rest of that line is its contents, so a stray quote spoils that line only.
// - Names compare with Tags without regard to ASCII case. Tags that are not listed, comments
//   "<!-- ... -->" and declarations "<?...?>", "<!...>" are skipped.
// - Attributes: the text after the name up to the closing '>' without a final '/', line breaks
//   turned into blanks, leading and trailing blanks removed.
// - Contents: the text after the tag up to the next '<' (not included, so the next call reads
//   that tag), exactly as stored, line breaks included. A self-closing tag ("<symbol ... />")
//   has no contents: Contents is empty and the reader stops right after the tag.
// - At the end of the input, also inside an unfinished tag, the result is the last index of Tags
//   and Contents and Attributes are empty. With an empty Tags the result is -1.
#pragma once
#include <span>
#include <string>

#include "host/tyx_streams.h"

namespace tyx {

/// Reads on to the next tag named in Tags; returns its index in Tags, from 0.
int ReadNextTagInTextFile(TTextFile& TextFile, std::span<const std::string> Tags,
                          std::string& Contents, std::string& Attributes);
/// As ReadNextTagInTextFile, from the stream's current position; afterwards the position is just
/// behind what was read.
int ReadNextTagInStream(TStream& Stream, std::span<const std::string> Tags,
                        std::string& Contents, std::string& Attributes);
/// Writes the line, converted to Windows-1252, and CR LF; a short write throws EInOutError.
void WriteLnStream(TStream& Stream, const std::string& Line);

} // namespace tyx
