#include "system/settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "system/atomic_file.h"
#include "temp_dir.h"

namespace lanzhou::system {
namespace {

namespace fs = std::filesystem;

TEST(Settings, TheFileLivesInTheXdgConfigFolder) {
  struct Case {
    std::optional<std::string> xdg, home;
    std::optional<fs::path> file;
  };
  for (const Case& c : {
           Case{"/cfg", "/home/u", fs::path("/cfg/lanzhou/lanzhou.conf")},
           Case{std::nullopt, "/home/u", fs::path("/home/u/.config/lanzhou/lanzhou.conf")},
           Case{"", "/home/u", fs::path("/home/u/.config/lanzhou/lanzhou.conf")},
           // A relative XDG_CONFIG_HOME is not valid and is ignored.
           Case{"cfg", "/home/u", fs::path("/home/u/.config/lanzhou/lanzhou.conf")},
           Case{std::nullopt, std::nullopt, std::nullopt},
       }) {
    SCOPED_TRACE(c.xdg.value_or("(unset)") + " " + c.home.value_or("(unset)"));
    testing::ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
    testing::ScopedEnv home("HOME", c.home);
    EXPECT_EQ(SettingsFile(), c.file);
  }
}

TEST(Settings, TheChoiceIsWrittenWholeAndReadBack) {
  testing::TempDir dir;
  testing::ScopedEnv xdg("XDG_CONFIG_HOME", (dir / "config").string());
  // Nothing written yet: the built-in sample, or what the command line says.
  EXPECT_EQ(ReadSettings().timetable, std::nullopt);
  EXPECT_EQ(TimetableAtStart(std::nullopt), std::nullopt);
  EXPECT_EQ(TimetableAtStart(fs::path("/x/cli.lzt")), fs::path("/x/cli.lzt"));

  const fs::path chosen = "/data/时刻表 2024/全国.lzt";
  WriteSettings({chosen});
  EXPECT_EQ(ReadSettings().timetable, chosen);
  EXPECT_EQ(TimetableAtStart(std::nullopt), chosen);
  // The command line wins over the remembered choice.
  EXPECT_EQ(TimetableAtStart(fs::path("/x/cli.lzt")), fs::path("/x/cli.lzt"));
  // Written atomically: no temporary file is left beside it.
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir / "config" / "lanzhou")) {
    ++files;
  }
  EXPECT_EQ(files, 1u);

  WriteSettings({});
  EXPECT_EQ(ReadSettings().timetable, std::nullopt);
  // A path that would break the file's lines is refused; the last setting stays.
  WriteSettings({chosen});
  EXPECT_THROW(WriteSettings({fs::path("/a\nb.lzt")}), FileWriteError);
  EXPECT_EQ(ReadSettings().timetable, chosen);
}

TEST(Settings, AFolderThatCannotBeMadeIsAWriteError) {
  testing::TempDir dir;
  std::ofstream(dir / "plain_file") << "x";
  testing::ScopedEnv xdg("XDG_CONFIG_HOME", (dir / "plain_file").string());
  EXPECT_THROW(WriteSettings({fs::path("/t.lzt")}), FileWriteError);
  EXPECT_EQ(ReadSettings().timetable, std::nullopt);
}

}  // namespace
}  // namespace lanzhou::system
