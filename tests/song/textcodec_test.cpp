// Display decoding of meta text: the guess between UTF-8, Shift_JIS and Latin-1, explicit
// choices, encoding typed text back, and a Shift_JIS title from a real file.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "smf_builder.h"
#include "song/song.h"
#include "song/textcodec.h"

using namespace tonvela;
namespace fs = std::filesystem;

namespace {

// "ベートーベン" in Shift_JIS and UTF-8.
const std::string kBeethovenSjis = "\x83\x78\x81\x5B\x83\x67\x81\x5B\x83\x78\x83\x93";
const std::string kBeethovenUtf8 = "\xE3\x83\x99\xE3\x83\xBC\xE3\x83\x88\xE3\x83\xBC\xE3\x83\x99\xE3\x83\xB3";

}  // namespace

TEST(TextCodec, ValidUtf8) {
    struct Case {
        std::string bytes;
        bool valid;
    };
    const Case cases[] = {
        {"", true},
        {"Piano 1", true},
        {"Caf\xC3\xA9", true},
        {kBeethovenUtf8, true},
        {"\xF0\x9F\x8E\xB5", true},   // U+1F3B5
        {"\xC0\xAF", false},          // overlong '/'
        {"\xE0\x80\xAF", false},      // overlong
        {"\xED\xA0\x80", false},      // surrogate
        {"\xF4\x90\x80\x80", false},  // above U+10FFFF
        {"Caf\xC3", false},           // cut short
        {"\x80", false},
        {kBeethovenSjis, false},
    };
    for (const auto& c : cases) EXPECT_EQ(isValidUtf8(c.bytes), c.valid) << ::testing::PrintToString(c.bytes);
}

TEST(TextCodec, Decoding) {
    struct Case {
        std::string bytes;
        TextEncoding encoding;
        std::string utf8;
        TextEncoding guessed;  // what automatic takes these bytes for
    };
    using E = TextEncoding;
    const Case cases[] = {
        {"Piano", E::automatic, "Piano", E::utf8},
        {"Caf\xC3\xA9", E::automatic, "Caf\xC3\xA9", E::utf8},
        {kBeethovenSjis, E::automatic, kBeethovenUtf8, E::cp932},
        // Half-width katakana, common in older Japanese files: "ｶﾗｵｹ".
        {"\xB6\xD7\xB5\xB9", E::automatic, "\xEF\xBD\xB6\xEF\xBE\x97\xEF\xBD\xB5\xEF\xBD\xB9", E::cp932},
        // Code page 932 keeps 0x5C a backslash and 0x7E a tilde.
        {"\\~\x83\x78", E::automatic, "\\~\xE3\x83\x99", E::cp932},
        // Not valid Shift_JIS: a lead byte at the end, and a byte no Shift_JIS text has.
        {"Caf\xE9", E::automatic, "Caf\xC3\xA9", E::latin1},
        {"\xA9 1998 \x80", E::automatic, "\xC2\xA9 1998 \xC2\x80", E::latin1},
        // Valid Shift_JIS only through user-defined characters: far likelier Latin-1 ("ðu").
        {"\xF0\x75", E::automatic, "\xC3\xB0u", E::latin1},
        // Explicit choices override the guess; bytes invalid in them show as U+FFFD.
        {"\xC4rger", E::latin1, "\xC3\x84rger", E::cp932},
        {"Caf\xC3\xA9", E::latin1, "Caf\xC3\x83\xC2\xA9", E::utf8},
        {"A\xFF" "B", E::utf8, "A\xEF\xBF\xBD" "B", E::latin1},
        {"A\x80" "B", E::cp932, "A\xEF\xBF\xBD" "B", E::latin1},
        {"A\x83", E::cp932, "A\xEF\xBF\xBD", E::latin1},
        {kBeethovenSjis, E::cp932, kBeethovenUtf8, E::cp932},
        {"", E::cp932, "", E::utf8},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decodeText(c.bytes, c.encoding), c.utf8) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(detectTextEncoding(c.bytes), c.guessed) << ::testing::PrintToString(c.bytes);
        EXPECT_TRUE(isValidUtf8(decodeText(c.bytes, c.encoding)));
    }
}

TEST(TextCodec, Encoding) {
    struct Case {
        std::string utf8;
        TextEncoding encoding;
        std::string bytes;
    };
    using E = TextEncoding;
    const Case cases[] = {
        {kBeethovenUtf8, E::cp932, kBeethovenSjis},
        {"Caf\xC3\xA9", E::latin1, "Caf\xE9"},
        {"Caf\xC3\xA9", E::automatic, "Caf\xC3\xA9"},
        {"Caf\xC3\xA9", E::utf8, "Caf\xC3\xA9"},
        // Characters the encoding cannot hold, and invalid input bytes, become '?'.
        {"\xE6\x97\xA5\xE6\x9C\xAC", E::latin1, "??"},
        {"A\xF0\x9F\x8E\xB5" "B", E::cp932, "A?B"},
        {"A\xFF", E::cp932, "A?"},
        {"A\xFF", E::utf8, "A?"},
    };
    for (const auto& c : cases) EXPECT_EQ(encodeText(c.utf8, c.encoding), c.bytes) << ::testing::PrintToString(c.utf8);
}

TEST(TextCodec, EncodingNames) {
    EXPECT_EQ(parseTextEncoding("auto"), TextEncoding::automatic);
    EXPECT_EQ(parseTextEncoding("utf8"), TextEncoding::utf8);
    EXPECT_EQ(parseTextEncoding("cp932"), TextEncoding::cp932);
    EXPECT_EQ(parseTextEncoding("latin1"), TextEncoding::latin1);
    for (const char* bad : {"", "UTF8", "sjis", "latin-1", "utf8 "}) EXPECT_FALSE(parseTextEncoding(bad)) << bad;
    for (auto e : {TextEncoding::automatic, TextEncoding::utf8, TextEncoding::cp932, TextEncoding::latin1})
        EXPECT_EQ(parseTextEncoding(textEncodingName(e)), e);
}

TEST(TextCodec, DisplayTextKeepsOneLine) {
    EXPECT_EQ(displayText("a\nb\r\tc"), "a\\nb\\r\\tc");
    EXPECT_EQ(displayText(std::string("x\0y", 3)), "x\\x00y");
    EXPECT_EQ(displayText("del\x7F"), "del\\x7F");
    // A Latin-1 byte of the C1 range is a control character too.
    EXPECT_EQ(displayText("Don\x92t \xE9t\xE9", TextEncoding::latin1), "Don\\x92t \xC3\xA9t\xC3\xA9");
    EXPECT_EQ(displayText(kBeethovenSjis), kBeethovenUtf8);
}

TEST(TextCodec, ABackslashEscapedOnRequestKeepsEscapesUnambiguous) {
    const std::string bytes = "a\\nb c\nd";  // a literal backslash before n, then a line feed
    EXPECT_EQ(displayText(bytes, TextEncoding::automatic, true), "a\\\\nb c\\nd");
    EXPECT_EQ(displayText(bytes), "a\\nb c\\nd") << "the escape is asked for, not implied";
}

TEST(TextCodec, NulPaddingIsNotPartOfAName) {
    EXPECT_EQ(withoutNulPadding(std::string("Piano\0\0\0", 8)), "Piano");
    EXPECT_EQ(withoutNulPadding(std::string("A\0B", 3)), std::string("A\0B", 3)) << "only the padding";
    EXPECT_EQ(withoutNulPadding(std::string("\0\0", 2)), "");
    EXPECT_EQ(withoutNulPadding(""), "");
}

// One encoding for all texts of a song: the one that reads most of them.
TEST(TextCodec, OneEncodingForManyTexts) {
    using E = TextEncoding;
    const std::string ecole = "\xC9" "cole";      // "École" in Latin-1, also half-width katakana in cp932
    const std::string cafe = "Caf\xE9";           // Latin-1, not valid cp932
    struct Case {
        std::vector<std::string> texts;
        TextEncoding guessed;
    };
    const Case cases[] = {
        {{}, E::utf8},
        {{"Piano", "Bass"}, E::utf8},
        {{"Caf\xC3\xA9", "Piano"}, E::utf8},
        {{kBeethovenSjis, "Piano"}, E::cp932},
        {{ecole}, E::cp932},                                 // alone it reads as Shift_JIS too
        {{ecole, cafe}, E::latin1},                          // the song's other text settles it
        {{ecole, kBeethovenSjis}, E::cp932},                 // a Japanese song: one way for all
        {{kBeethovenUtf8, kBeethovenUtf8, kBeethovenSjis}, E::utf8},
        {{kBeethovenSjis, kBeethovenSjis, cafe}, E::cp932},
        {{"\x80\xFF"}, E::latin1},                          // nothing fits: bytes still show
    };
    for (const auto& c : cases) {
        std::vector<std::string_view> views(c.texts.begin(), c.texts.end());
        EXPECT_EQ(guessTextEncoding(views), c.guessed) << ::testing::PrintToString(c.texts);
    }
}

TEST(TextCodec, TheReaderDecidesTheSongsEncodingFromAllItsTexts) {
    auto metaText = [](uint8_t type, const std::string& text) {
        std::vector<uint8_t> b = {0x00, 0xFF, type, static_cast<uint8_t>(text.size())};
        b.insert(b.end(), text.begin(), text.end());
        return b;
    };
    midiSong song;
    test::load(song, test::smf(1, {test::cat({metaText(0x03, "Caf\xE9"), metaText(0x01, "x")}),
                                   test::cat({metaText(0x03, "\xC9" "cole")})}));
    EXPECT_EQ(song.textEncoding, TextEncoding::latin1);
    EXPECT_EQ(decodeText(song.track(1)->name, song.textEncoding), "\xC3\x89" "cole");
    test::load(song, test::smf(1, {test::cat({metaText(0x05, kBeethovenSjis)}), test::cat({metaText(0x03, "\xC9" "cole")})}));
    EXPECT_EQ(song.textEncoding, TextEncoding::cp932);
}

TEST(TextCodec, DecodesTheSameOnManyThreads) {
    std::vector<std::string> results(6);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < results.size(); ++t)
        threads.emplace_back([&results, t] {
            for (int i = 0; i < 200; ++i) results[t] = decodeText(kBeethovenSjis) + encodeText(kBeethovenUtf8, TextEncoding::cp932);
        });
    for (auto& th : threads) th.join();
    for (const auto& r : results) EXPECT_EQ(r, kBeethovenUtf8 + kBeethovenSjis);
}

// A real Japanese file: its title lists as Japanese, converts back to the same bytes, and the
// model keeps and writes the bytes unchanged.
TEST(TextCodec, ShiftJisTitleFromTheCorpus) {
    const fs::path file = fs::path(TONVELA_CORPUS_DIR) / "malformed" / "m21_test04_sjis.mid";
    if (!fs::exists(file)) GTEST_SKIP() << "no corpus file " << file;
    midiSong song;
    song.load(file.string());
    ASSERT_NE(song.track(0)->nameEvent, nullptr);
    const std::string bytes = song.track(0)->nameEvent->text();

    const std::string title = "\xE3\x83\x99\xE3\x83\xBC\xE3\x83\x88\xE3\x83\xBC\xE3\x83\x99\xE3\x83\xB3\xE3\x80\x80"
                              "\xE4\xBA\xA4\xE9\x9F\xBF\xE6\x9B\xB2\xE7\xAC\xAC\xEF\xBC\x97\xE7\x95\xAA\xE3\x80\x80"
                              "\xE7\xAC\xAC\xEF\xBC\x92\xE6\xA5\xBD\xE7\xAB\xA0";  // ベートーベン　交響曲第７番　第２楽章
    EXPECT_EQ(detectTextEncoding(bytes), TextEncoding::cp932);
    const std::string shown = decodeText(bytes);
    EXPECT_EQ(shown, title + std::string(28, ' '));
    EXPECT_EQ(encodeText(shown, TextEncoding::cp932), bytes);

    std::vector<uint8_t> written;
    song.write(written);
    const std::vector<uint8_t> title8(bytes.begin(), bytes.end());
    EXPECT_NE(std::search(written.begin(), written.end(), title8.begin(), title8.end()), written.end())
        << "the title's bytes are not in the written file";
}
