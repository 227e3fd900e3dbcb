#include "songtext.h"

#include "song/song.h"
#include "song/textcodec.h"

QString fromSongText(const std::string& bytes) {
    return QString::fromStdString(tonvela::decodeText(bytes));
}

QString fromSongLine(const std::string& bytes) {
    return QString::fromStdString(tonvela::displayText(bytes));
}

std::string toSongText(const QString& text, const tonvela::midiSong& song) {
    bool shiftJis = false;
    for (int i = 0; i < song.trackCount() && !shiftJis; ++i)
        shiftJis = tonvela::detectTextEncoding(song.track(i)->name) == tonvela::TextEncoding::cp932;
    if (!shiftJis && song.songCopyright)
        shiftJis = tonvela::detectTextEncoding(song.songCopyright->text()) == tonvela::TextEncoding::cp932;
    const std::string utf8 = text.toStdString();
    return shiftJis ? tonvela::encodeText(utf8, tonvela::TextEncoding::cp932) : utf8;
}
