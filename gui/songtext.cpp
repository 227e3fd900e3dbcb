#include "songtext.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "song/song.h"

using tonvela::TextEncoding;

QString fromSongText(const std::string& bytes, TextEncoding encoding) {
    return QString::fromStdString(tonvela::decodeText(tonvela::withoutNulPadding(bytes), encoding));
}

QString fromSongLine(const std::string& bytes, TextEncoding encoding) {
    return QString::fromStdString(tonvela::displayText(tonvela::withoutNulPadding(bytes), encoding));
}

std::string toSongText(const QString& text, const tonvela::midiSong& song) {
    TextEncoding encoding = song.textEncoding;
    if (encoding == TextEncoding::automatic) {
        // A song not read from a file: follow the texts it has.
        std::vector<std::string_view> texts;
        for (int i = 0; i < song.trackCount(); ++i) texts.push_back(song.track(i)->name);
        std::string copyright = song.songCopyright ? song.songCopyright->text() : std::string();
        texts.push_back(copyright);
        encoding = tonvela::guessTextEncoding(texts);
    }
    const std::string utf8 = text.toStdString();
    switch (encoding) {
    case TextEncoding::cp932: return tonvela::encodeText(utf8, TextEncoding::cp932);
    case TextEncoding::latin1: {
        const bool fits = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() <= 0xFF; });
        return fits ? tonvela::encodeText(utf8, TextEncoding::latin1) : utf8;
    }
    case TextEncoding::utf8:
    case TextEncoding::automatic: break;
    }
    return utf8;
}
