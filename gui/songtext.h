#pragma once

// Texts of the song (title, copyright, track names) are kept as the file's bytes. They are
// decoded for display (UTF-8, else Shift_JIS, else Latin-1) and only a text the user typed is
// encoded: as Shift_JIS when the song's own texts are Shift_JIS, so one file does not mix
// encodings, else as UTF-8.

#include <QString>
#include <string>

namespace tonvela {
class midiSong;
}

QString fromSongText(const std::string& bytes);
// A one-line form: control characters are shown as escapes.
QString fromSongLine(const std::string& bytes);
std::string toSongText(const QString& text, const tonvela::midiSong& song);
