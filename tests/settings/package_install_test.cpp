// Installing a shipped package into the settings folder: the first install, a second one with
// nothing to do, an updated package, and files the user changed or made, which are never
// overwritten.

#include <gtest/gtest.h>

#include <filesystem>

#include "settings/package_install.h"
#include "temp_folder.h"

using namespace tonvela;
using namespace tonvela::test;
namespace fs = std::filesystem;

namespace {

struct Package {
    TempFolder dir;
    std::string from = dir.file("share/Effects");
    std::string to = dir.file("settings/Effects");
    Package() {
        fs::create_directories(from + "/Dynamics");
        fs::create_directories(from + "/.hidden");
        writeText(from + "/Dynamics/Humanise.fxl", "humanise v1");
        writeText(from + "/Swell.fxl", "swell v1");
        writeText(from + "/Humanise.fxg", "group v1");
        writeText(from + "/.hidden/skip.fxl", "not shipped");
    }
    std::string installed(const std::string& name) const { return readText(to + "/" + name); }
};

}  // namespace

TEST(PackageInstall, FirstInstallCopiesEverythingAndASecondHasNothingToDo) {
    Package p;
    const InstallReport first = installPackage(p.from, p.to);
    EXPECT_EQ(first.installed, (std::vector<std::string>{"Dynamics/Humanise.fxl", "Humanise.fxg", "Swell.fxl"}));
    EXPECT_TRUE(first.updated.empty());
    EXPECT_TRUE(first.kept.empty());
    EXPECT_TRUE(first.complete());
    EXPECT_EQ(p.installed("Dynamics/Humanise.fxl"), "humanise v1");
    EXPECT_FALSE(fs::exists(p.to + "/.hidden"));
    EXPECT_EQ(first.summary("Effects"), "Effects installed: 3 new, 0 updated.");

    const auto stamp = fs::last_write_time(p.to + "/Swell.fxl");
    const InstallReport second = installPackage(p.from, p.to);
    EXPECT_TRUE(second.installed.empty());
    EXPECT_TRUE(second.updated.empty());
    EXPECT_TRUE(second.kept.empty());
    EXPECT_EQ(second.unchanged, 3);
    EXPECT_EQ(fs::last_write_time(p.to + "/Swell.fxl"), stamp) << "an unchanged file is not written again";

    // The user's edit of a file the package did not change since is theirs without a word.
    writeText(p.to + "/Swell.fxl", "my swell");
    const InstallReport third = installPackage(p.from, p.to);
    EXPECT_TRUE(third.kept.empty());
    EXPECT_TRUE(third.updated.empty());
    EXPECT_EQ(third.unchanged, 3);
    EXPECT_EQ(p.installed("Swell.fxl"), "my swell");
    // Once the package changes it, the edit is kept and named.
    writeText(p.from + "/Swell.fxl", "swell v2");
    EXPECT_EQ(installPackage(p.from, p.to).kept, std::vector<std::string>{"Swell.fxl"});
    EXPECT_EQ(p.installed("Swell.fxl"), "my swell");
}

TEST(PackageInstall, ANewerPackageReplacesOnlyWhatTheUserLeftAlone) {
    Package p;
    installPackage(p.from, p.to);
    // The user edits one installed effect and makes one of their own where the package will
    // later ship a file of the same name.
    writeText(p.to + "/Swell.fxl", "my swell");
    writeText(p.to + "/Mine.fxl", "my own");
    // The next version of the package.
    writeText(p.from + "/Swell.fxl", "swell v2");
    writeText(p.from + "/Dynamics/Humanise.fxl", "humanise v2");
    writeText(p.from + "/Mine.fxl", "shipped mine");
    writeText(p.from + "/Echo.fxl", "echo v1");

    const InstallReport r = installPackage(p.from, p.to);
    EXPECT_EQ(r.installed, std::vector<std::string>{"Echo.fxl"});
    EXPECT_EQ(r.updated, std::vector<std::string>{"Dynamics/Humanise.fxl"});
    EXPECT_EQ(r.kept, (std::vector<std::string>{"Mine.fxl", "Swell.fxl"}));
    EXPECT_EQ(r.unchanged, 1);
    EXPECT_EQ(r.summary("Effects"), "Effects installed: 1 new, 1 updated, 2 kept (changed by you).");
    EXPECT_EQ(p.installed("Swell.fxl"), "my swell");
    EXPECT_EQ(p.installed("Mine.fxl"), "my own");
    EXPECT_EQ(p.installed("Dynamics/Humanise.fxl"), "humanise v2");
    EXPECT_EQ(p.installed("Echo.fxl"), "echo v1");

    // Kept files stay the user's at every later install; a file the user put back to what was
    // installed follows the package again.
    EXPECT_EQ(installPackage(p.from, p.to).kept, (std::vector<std::string>{"Mine.fxl", "Swell.fxl"}));
    writeText(p.to + "/Swell.fxl", "swell v1");
    const InstallReport again = installPackage(p.from, p.to);
    EXPECT_EQ(again.updated, std::vector<std::string>{"Swell.fxl"});
    EXPECT_EQ(p.installed("Swell.fxl"), "swell v2");
}

TEST(PackageInstall, WhatIsInTheWayIsReportedAndTheRestInstalled) {
    Package p;
    fs::create_directories(p.to + "/Swell.fxl/inside");  // a folder where a file should go
    writeText(p.to + "/Dynamics", "a file where a folder should go");
    const InstallReport r = installPackage(p.from, p.to);
    EXPECT_EQ(r.installed, std::vector<std::string>{"Humanise.fxg"});
    EXPECT_EQ(r.kept, std::vector<std::string>{"Swell.fxl"});
    ASSERT_EQ(r.failed.size(), 1u);
    EXPECT_EQ(r.failed[0].rfind("Dynamics/Humanise.fxl: ", 0), 0u) << r.failed[0];
    EXPECT_FALSE(r.complete());
    EXPECT_TRUE(fs::is_directory(p.to + "/Swell.fxl/inside"));
    EXPECT_EQ(readText(p.to + "/Dynamics"), "a file where a folder should go");
    // A package folder that is not there installs nothing.
    const InstallReport none = installPackage(p.dir.file("nothing"), p.dir.file("target"));
    EXPECT_TRUE(none.installed.empty());
    EXPECT_TRUE(none.complete());
}
