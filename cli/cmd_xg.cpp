// xg: the XG editor's two lists, the message list then the display list.

#include <cstdio>
#include <stdexcept>
#include <string>

#include "commands.h"
#include "song/song.h"
#include "xg/xg_editor.h"

namespace tonvela::cli {

namespace {

constexpr const char* kUsage = "usage: xg FILE [--recover]";

// Display letters of a file may hold any byte: shown as Latin-1, as the editor shows them.
void appendLatin1(std::string& out, const std::string& text) {
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
}

int runXg(const std::vector<std::string>& args) {
    ArgList a = parseArgs(args, {}, {"recover"});
    if (a.positional.size() != 1) throw std::invalid_argument(kUsage);
    midiSong song;
    if (!loadSong(song, a.positional[0], a.has("recover"))) return 1;
    const XGListItems items = xgListItems(song);
    std::string out = "Messages:\n";
    for (const XGListItem& i : items.messages) {
        out += i.checked ? "* " : "  ";
        appendLatin1(out, i.text);
        out += '\n';
    }
    out += "Display:\n";
    for (const XGListItem& i : items.display) {
        out += "  ";
        appendLatin1(out, i.text);
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

CommandRegistrar xgCommand({"xg", "  xg FILE [--recover]              the XG editor's message and display lists", runXg});

}  // namespace

}  // namespace tonvela::cli
