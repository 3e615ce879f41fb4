#include "system/shortcut.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "temp_dir.h"

using namespace lanzhou::system;
using lanzhou::testing::ScopedEnv;
namespace fs = std::filesystem;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

// A temporary home: HOME points to it, XDG_CONFIG_HOME and XDG_DATA_HOME are unset, and the
// program file bin/abc.exe exists in it.
class ShortcutTest : public testing::Test {
 protected:
  ShortcutTest()
      : root_(MakeRoot()),
        home_("HOME", root_.string()),
        config_("XDG_CONFIG_HOME", std::nullopt),
        data_("XDG_DATA_HOME", std::nullopt) {
    fs::create_directories(root_ / "bin");
    std::ofstream(program()) << "#!/bin/sh\n";
  }
  ~ShortcutTest() override { fs::remove_all(root_); }

  static fs::path MakeRoot() {
    std::string pattern = (fs::temp_directory_path() / "lanzhou-home-XXXXXX").string();
    return ::mkdtemp(pattern.data());
  }
  [[nodiscard]] fs::path program() const { return root_ / "bin" / "abc.exe"; }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static std::vector<std::string> Names(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
  void WriteUserDirs(const fs::path& config_home, const std::string& text) {
    fs::create_directories(config_home);
    std::ofstream(config_home / "user-dirs.dirs") << text;
  }

  fs::path root_;
  ScopedEnv home_;
  ScopedEnv config_;
  ScopedEnv data_;
};

}  // namespace

TEST_F(ShortcutTest, DesktopFolderFollowsUserDirs) {
  EXPECT_EQ(DesktopFolder(), root_ / "Desktop");  // no user-dirs.dirs

  WriteUserDirs(root_ / ".config",
                "# XDG_DESKTOP_DIR=\"$HOME/commented\"\n"
                "XDG_DOWNLOAD_DIR=\"$HOME/下载\"\n"
                "XDG_DESKTOP_DIR=\"$HOME/桌面\"\n");
  EXPECT_EQ(DesktopFolder(), root_ / "桌面");

  // Another config home, an absolute desktop; the last entry counts.
  const fs::path other = root_ / "cfg";
  WriteUserDirs(other, "XDG_DESKTOP_DIR=\"$HOME/first\"\nXDG_DESKTOP_DIR=\"/srv/my desk\"\n");
  {
    ScopedEnv config("XDG_CONFIG_HOME", other.string());
    EXPECT_EQ(DesktopFolder(), fs::path("/srv/my desk"));
  }
  {
    // A relative XDG_CONFIG_HOME is ignored: back to ~/.config.
    ScopedEnv config("XDG_CONFIG_HOME", "cfg");
    EXPECT_EQ(DesktopFolder(), root_ / "桌面");
  }
  {
    ScopedEnv config("XDG_CONFIG_HOME", other.string());
    WriteUserDirs(other, "XDG_DESKTOP_DIR=\"$HOME/\"\n");  // the home folder itself
    EXPECT_EQ(DesktopFolder(), root_);
    WriteUserDirs(other, "XDG_DESKTOP_DIR=\"relative\"\n");  // not valid: the default
    EXPECT_EQ(DesktopFolder(), root_ / "Desktop");
  }
}

TEST_F(ShortcutTest, ApplicationsFolderFollowsDataHome) {
  EXPECT_EQ(ApplicationsFolder(), root_ / ".local" / "share" / "applications");
  EXPECT_EQ(SpecialFolderPath(kProgramsFolder), root_ / ".local" / "share" / "applications");
  {
    ScopedEnv data("XDG_DATA_HOME", (root_ / "data").string());
    EXPECT_EQ(ApplicationsFolder(), root_ / "data" / "applications");
  }
  {
    ScopedEnv data("XDG_DATA_HOME", "data");  // relative: ignored
    EXPECT_EQ(ApplicationsFolder(), root_ / ".local" / "share" / "applications");
  }
  EXPECT_EQ(SpecialFolderPath(kDesktopFolder), root_ / "Desktop");
  EXPECT_EQ(SpecialFolderPath(5), fs::path());
  {
    ScopedEnv home("HOME", std::nullopt);
    EXPECT_EQ(DesktopFolder(), fs::path());
    EXPECT_EQ(ApplicationsFolder(), fs::path());
  }
}

TEST_F(ShortcutTest, DesktopShortcutTwiceLeavesOneLauncher) {
  fs::create_directory(root_ / "Desktop");
  ASSERT_TRUE(CreateShortcut(program(), kShortcutName, {}, kNoSpecialFolder, "/opt/logo.png"));
  ASSERT_TRUE(CreateShortcut(program(), kShortcutName, {}, kNoSpecialFolder, "/opt/logo.png"));
  EXPECT_THAT(Names(root_ / "Desktop"), ElementsAre("岚舟时刻.desktop"));

  const fs::path launcher = root_ / "Desktop" / "岚舟时刻.desktop";
  EXPECT_EQ(Read(launcher),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Version=1.0\n"
            "Name=岚舟时刻\n"
            "Exec=\"" +
                program().string() +
                "\"\n"
                "Path=" +
                (root_ / "bin").string() +
                "\n"
                "Icon=/opt/logo.png\n"
                "Terminal=false\n"
                "Categories=Utility;\n");
  // Desktops start only launchers marked executable.
  EXPECT_NE(fs::status(launcher).permissions() & fs::perms::owner_exec, fs::perms::none);
}

TEST_F(ShortcutTest, StartMenuShortcutCreatesTheMenuFolder) {
  ASSERT_FALSE(fs::exists(root_ / ".local"));
  ASSERT_TRUE(CreateShortcut(program(), kShortcutName, {}, kProgramsFolder));
  const fs::path launcher = root_ / ".local" / "share" / "applications" / "岚舟时刻.desktop";
  ASSERT_TRUE(fs::exists(launcher));
  EXPECT_THAT(Read(launcher), HasSubstr("Exec=\"" + program().string() + "\"\n"));
  EXPECT_THAT(Read(launcher), testing::Not(HasSubstr("Icon=")));
}

TEST_F(ShortcutTest, NamesFoldersAndFailures) {
  const fs::path folder = root_ / "links";
  fs::create_directory(folder);

  // An empty name takes the program's file name without its extension.
  EXPECT_TRUE(CreateShortcut(program(), "", folder, kNoSpecialFolder));
  EXPECT_TRUE(fs::exists(folder / "abc.desktop"));
  // A trailing delimiter on the folder is fine.
  EXPECT_TRUE(CreateShortcut(program(), "x", folder.string() + "/", kNoSpecialFolder));
  EXPECT_TRUE(fs::exists(folder / "x.desktop"));
  // A relative program path is written as an absolute one.
  {
    const fs::path cwd = fs::current_path();
    fs::current_path(root_);
    EXPECT_TRUE(CreateShortcut("bin/abc.exe", "rel", folder, kNoSpecialFolder));
    fs::current_path(cwd);
    EXPECT_THAT(Read(folder / "rel.desktop"),
                HasSubstr("Exec=\"" + program().string() + "\"\nPath=" + (root_ / "bin").string()));
  }
  EXPECT_THAT(Names(folder).size(), 3u);

  // Missing program, a folder as program, missing folder, no desktop folder, a "/" in the name,
  // an unknown special folder.
  EXPECT_FALSE(CreateShortcut(root_ / "bin" / "none.exe", "n", folder, kNoSpecialFolder));
  EXPECT_FALSE(CreateShortcut(root_ / "bin", "n", folder, kNoSpecialFolder));
  EXPECT_FALSE(CreateShortcut(program(), "n", root_ / "nowhere", kNoSpecialFolder));
  EXPECT_FALSE(fs::exists(root_ / "nowhere"));
  EXPECT_FALSE(CreateShortcut(program(), "n", {}, kDesktopFolder));
  EXPECT_FALSE(fs::exists(root_ / "Desktop"));  // a missing desktop is not made up
  EXPECT_FALSE(CreateShortcut(program(), "a/b", folder, kNoSpecialFolder));
  EXPECT_FALSE(CreateShortcut(program(), "n", {}, 7));
  EXPECT_THAT(Names(folder).size(), 3u);

  // A special folder wins over an explicit folder.
  fs::create_directory(root_ / "Desktop");
  EXPECT_TRUE(CreateShortcut(program(), "d", folder, kDesktopFolder));
  EXPECT_TRUE(fs::exists(root_ / "Desktop" / "d.desktop"));
}

TEST(DesktopEntryText, QuotesAndEscapesTheProgram) {
  const std::string text = DesktopEntryText("/opt/my app/$x%1\"q\\.bin", "名\\字", "");
  EXPECT_THAT(text, HasSubstr("\nExec=\"/opt/my app/\\\\$x%%1\\\\\"q\\\\\\\\.bin\"\n"));
  EXPECT_THAT(text, HasSubstr("\nPath=/opt/my app\n"));
  EXPECT_THAT(text, HasSubstr("\nName=名\\\\字\n"));
}
