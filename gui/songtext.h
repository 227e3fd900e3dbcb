#pragma once

// Texts of the song (title, copyright, track names) are kept as the file's bytes. They are
// shown decoded in the song's encoding (decided once per song when it is read; a guess per text
// for other texts) and without the NUL bytes that pad many names. Only a text the user typed is
// encoded: in the song's encoding, so one file does not mix encodings (as UTF-8 when the song
// is UTF-8 or the text does not fit its encoding).

#include <QString>
#include <string>

#include "song/textcodec.h"

namespace tonvela {
class midiSong;
}

QString fromSongText(const std::string& bytes, tonvela::TextEncoding encoding = tonvela::TextEncoding::automatic);
// A one-line form: control characters are shown as escapes.
QString fromSongLine(const std::string& bytes, tonvela::TextEncoding encoding = tonvela::TextEncoding::automatic);
std::string toSongText(const QString& text, const tonvela::midiSong& song);
