#include "system/settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <random>
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

TEST(Settings, WindowPlacesReadAsWrittenAndOddOnesAreIgnored) {
  // Round trip over a spread of places, the extremes included.
  std::mt19937 random(7);
  std::uniform_int_distribution<int> offset(-100000, 100000), size(1, 100000);
  for (int i = 0; i < 200; ++i) {
    const WindowPlace place{offset(random), offset(random), size(random), size(random),
                            i % 2 == 0};
    EXPECT_EQ(ParseWindowPlace(WindowPlaceText(place)), place) << WindowPlaceText(place);
  }
  EXPECT_EQ(WindowPlaceText({-8, 30, 985, 681, true}), "-8,30,985,681,1");
  for (const char* odd : {"", "1,2,3,4", "1,2,3,4,5", "1,2,0,4,0", "1,2,3,-4,0", "1,2,3,4,0,",
                          "1,2,3,4,0,9", " 1,2,3,4,0", "1,2,3,4,x", "100001,0,1,1,0",
                          "0,0,100001,1,0", "1;2;3;4;0"}) {
    EXPECT_EQ(ParseWindowPlace(odd), std::nullopt) << odd;
  }

  testing::TempDir dir;
  testing::ScopedEnv xdg("XDG_CONFIG_HOME", (dir / "config").string());
  Settings settings;
  settings.timetable = "/data/全国.lzt";
  settings.save_folder = "/home/u/导出";
  settings.windows["FrmPelory"] = {10, 20, 1920, 1080, true};
  settings.windows["FrmMsg"] = {0, 0, 426, 403, false};
  settings.windows["bad name"] = {0, 0, 1, 1, false};  // not a plain name: never written
  WriteSettings(settings);
  Settings back = ReadSettings();
  settings.windows.erase("bad name");
  EXPECT_EQ(back.timetable, settings.timetable);
  EXPECT_EQ(back.save_folder, settings.save_folder);
  EXPECT_EQ(back.windows, settings.windows);

  // Changing one key keeps the others.
  UpdateSettings([](Settings& s) { s.windows["FrmZzz"] = {1, 2, 532, 356, false}; });
  back = ReadSettings();
  EXPECT_EQ(back.timetable, settings.timetable);
  EXPECT_EQ(back.windows.size(), 3u);
  EXPECT_EQ(back.windows.at("FrmPelory"), (WindowPlace{10, 20, 1920, 1080, true}));

  // Lines written by hand that do not read as places are skipped, the rest still read.
  {
    std::ofstream out(*SettingsFile(), std::ios::binary | std::ios::app);
    out << "window.FrmJourney=1,2,3\nwindow.=1,2,3,4,0\nwindow.A B=1,2,3,4,0\n";
  }
  back = ReadSettings();
  EXPECT_EQ(back.windows.size(), 3u);
  EXPECT_EQ(back.timetable, settings.timetable);
}

TEST(Settings, AFolderThatCannotBeMadeIsAWriteError) {
  testing::TempDir dir;
  std::ofstream(dir / "plain_file") << "x";
  testing::ScopedEnv xdg("XDG_CONFIG_HOME", (dir / "plain_file").string());
  EXPECT_THROW(WriteSettings({fs::path("/t.lzt")}), FileWriteError);
  EXPECT_EQ(ReadSettings().timetable, std::nullopt);
}

// Whatever lies where the settings file should be, reading it returns at once with at most 64 KiB
// read: a FIFO (whose open would wait for a writer), a device, a folder, an oversized file, a
// setting that cannot be a path. What was refused is said, naming the file.
TEST(Settings, ReadingNeverBlocksAndRefusesWhatCannotBeSettings) {
  struct Case {
    const char* what;
    std::function<void(const fs::path&)> make;
    std::optional<fs::path> timetable;
    const char* problem;  // "" for none
  };
  const auto text = [](std::string bytes) {
    return [bytes](const fs::path& f) { std::ofstream(f, std::ios::binary) << bytes; };
  };
  const Case cases[] = {
      {"no file", [](const fs::path&) {}, std::nullopt, ""},
      {"a good file", text("timetable=/t.lzt\n"), fs::path("/t.lzt"), ""},
      {"a FIFO", [](const fs::path& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0); },
       std::nullopt, "is not a regular file"},
      {"a device", [](const fs::path& f) { fs::create_symlink("/dev/zero", f); }, std::nullopt,
       "is not a regular file"},
      {"a folder", [](const fs::path& f) { fs::create_directory(f); }, std::nullopt,
       "is not a regular file"},
      {"a file over 64 KiB", text("timetable=/t.lzt\n" + std::string(70'000, '#')),
       std::nullopt, "is larger than 64 KiB"},
      {"a path over 4096 bytes", text("timetable=/" + std::string(5000, 'p') + "\n"),
       std::nullopt, "is not a usable path (5001 bytes)"},
      {"a path that is not UTF-8", text("timetable=/\xFF\xFE.lzt\n"), std::nullopt,
       "is not a usable path"},
      {"a NUL in the path", text(std::string("timetable=/a\0b.lzt\n", 19)), std::nullopt,
       "is not a usable path"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempDir dir;
    testing::ScopedEnv xdg("XDG_CONFIG_HOME", (dir / "config").string());
    fs::create_directories(dir / "config" / "lanzhou");
    const fs::path file = *SettingsFile();
    c.make(file);
    const Settings read = ReadSettings();
    EXPECT_EQ(read.timetable, c.timetable);
    if (*c.problem == '\0') {
      EXPECT_EQ(read.problem, "");
    } else {
      EXPECT_NE(read.problem.find(file.string()), std::string::npos) << read.problem;
      EXPECT_NE(read.problem.find(c.problem), std::string::npos) << read.problem;
    }
  }
}

}  // namespace
}  // namespace lanzhou::system
