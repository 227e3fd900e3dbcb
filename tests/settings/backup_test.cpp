#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "settings/backup.h"
#include "temp_folder.h"

using namespace tonvela;
namespace fs = std::filesystem;

TEST(BackupName, EachSchemeNamesTheBackupBesideTheFile) {
    auto none = [](const std::string&) { return false; };
    EXPECT_EQ(backupNameFor("/d/song.mid", BackupScheme::Bak, none), "/d/song.BAK");
    EXPECT_EQ(backupNameFor("/d/song.mid", BackupScheme::Numbered, none), "/d/song.000");
    EXPECT_EQ(backupNameFor("/d/song.mid", BackupScheme::NumberedMid, none), "/d/song000.mid");
    EXPECT_EQ(backupNameFor("/d.x/song", BackupScheme::Numbered, none), "/d.x/song.000");
    EXPECT_EQ(backupNameFor("/d/a.b.mid", BackupScheme::NumberedMid, none), "/d/a.b000.mid");
}

TEST(BackupName, NumberedSchemesTakeTheFirstFreeNumber) {
    std::set<std::string> taken = {"/d/song.000", "/d/song.001", "/d/song000.mid"};
    auto exists = [&](const std::string& p) { return taken.count(p) > 0; };
    EXPECT_EQ(backupNameFor("/d/song.mid", BackupScheme::Numbered, exists), "/d/song.002");
    EXPECT_EQ(backupNameFor("/d/song.mid", BackupScheme::NumberedMid, exists), "/d/song001.mid");
    auto all = [](const std::string&) { return true; };
    EXPECT_EQ(backupNameFor("/d/song.mid", BackupScheme::Numbered, all), std::nullopt);
    EXPECT_EQ(backupNameFor("/d/song.mid", BackupScheme::NumberedMid, all), std::nullopt);
    EXPECT_EQ(backupNameFor("/d/song.mid", BackupScheme::Bak, all), "/d/song.BAK");
}

TEST(MakeBackup, SavingTwiceLeaves000And001WithThePreviousContents) {
    test::TempFolder dir;
    const std::string song = dir.file("song.mid");
    test::writeText(song, "first");
    BackupOutcome a = makeBackup(song, BackupScheme::Numbered);
    ASSERT_EQ(a.result, BackupResult::Made);
    EXPECT_EQ(a.path, dir.file("song.000"));
    test::writeText(dir.file("new"), "second");
    fs::rename(dir.file("new"), song);  // what the atomic save does
    BackupOutcome b = makeBackup(song, BackupScheme::Numbered);
    ASSERT_EQ(b.result, BackupResult::Made);
    EXPECT_EQ(b.path, dir.file("song.001"));
    EXPECT_EQ(test::readText(dir.file("song.000")), "first");
    EXPECT_EQ(test::readText(dir.file("song.001")), "second");
    // The file itself stays in place, so a failing save afterwards loses nothing.
    EXPECT_EQ(test::readText(song), "second");
}

TEST(MakeBackup, BakReplacesAnOlderBackup) {
    test::TempFolder dir;
    const std::string song = dir.file("song.mid");
    test::writeText(dir.file("song.BAK"), "old backup");
    test::writeText(song, "current");
    BackupOutcome r = makeBackup(song, BackupScheme::Bak);
    ASSERT_EQ(r.result, BackupResult::Made);
    EXPECT_EQ(test::readText(dir.file("song.BAK")), "current");
}

TEST(MakeBackup, AllNamesTakenMakesNothingAndNoFileNeedsNoBackup) {
    test::TempFolder dir;
    const std::string song = dir.file("song.mid");
    EXPECT_EQ(makeBackup(song, BackupScheme::Numbered).result, BackupResult::NoFile);
    test::writeText(song, "current");
    for (int n = 0; n <= 999; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "song%03d.mid", n);
        test::writeText(dir.file(name), "x");
    }
    EXPECT_EQ(makeBackup(song, BackupScheme::NumberedMid).result, BackupResult::AllTaken);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1001);
    EXPECT_STREQ(kAllBackupsTaken, "Dooh! Why don't you delete backup files? Delete them and try again.");
}
