#pragma once

// Text of meta events is kept as the file's bytes; it is decoded only for display and encoded
// only when the user types new text. Files from Japanese sequencers carry Shift_JIS (code page
// 932), newer files UTF-8, older western files Latin-1, with nothing in the file saying which.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tonvela {

enum class TextEncoding { automatic, utf8, cp932, latin1 };

// "auto", "utf8", "cp932" or "latin1"; nullopt for anything else.
std::optional<TextEncoding> parseTextEncoding(std::string_view name);
const char* textEncodingName(TextEncoding encoding);

bool isValidUtf8(std::string_view bytes);

// The guess of `automatic`: utf8 when the bytes are valid UTF-8, else cp932 when they are valid
// code page 932 (user-defined characters excluded: they are far likelier to be Latin-1 letters),
// else latin1.
TextEncoding detectTextEncoding(std::string_view bytes);

// One encoding for many texts of one file (a song's names, lyrics, markers, copyright), so
// that the file does not show a text in one encoding next to another in a second: the encoding
// that reads the most of the texts that have non-ASCII bytes, preferring utf8, then cp932, then
// latin1 when they read as many. UTF-8 and code page 932 read a text when it is valid in them
// (as detectTextEncoding judges); Latin-1 reads every text without bytes 0x80-0x9F, which are
// controls in Latin-1 but common in Shift_JIS. utf8 when no text has non-ASCII bytes.
TextEncoding guessTextEncoding(const std::vector<std::string_view>& texts);

// A name padded to a fixed length with NUL bytes, as many files store names, without the
// padding. The song keeps its bytes; this is for showing them.
std::string_view withoutNulPadding(std::string_view bytes);

// The bytes as UTF-8. With an explicit encoding, bytes that are not valid in it show as U+FFFD;
// the result is always valid UTF-8.
std::string decodeText(std::string_view bytes, TextEncoding encoding = TextEncoding::automatic);

// UTF-8 text as bytes of the encoding (automatic keeps UTF-8). A character the encoding cannot
// hold becomes '?'; invalid UTF-8 input bytes become '?' too.
std::string encodeText(std::string_view utf8, TextEncoding encoding);

// decodeText for a one-line display: control characters are shown as escapes (\n, \r, \t,
// \xNN) so that a text never breaks the line it is part of. With escapeBackslash a backslash
// of the text shows as \\, so that every escape can be told from the text (machine-read lists).
std::string displayText(std::string_view bytes, TextEncoding encoding = TextEncoding::automatic,
                        bool escapeBackslash = false);

}  // namespace tonvela
