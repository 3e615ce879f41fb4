#pragma once
// What the program remembers between runs: which timetable the window opens at start, where
// and how large each window was, and the folder of the last file saved. It lives in
// $XDG_CONFIG_HOME/lanzhou/lanzhou.conf ($HOME/.config when XDG_CONFIG_HOME is unset, empty or
// not absolute), one "key=value" line each, and is replaced whole when it changes.
#include <filesystem>
#include <cstddef>
#include <map>
#include <optional>
#include <string>

namespace lanzhou::system {

// A window's place on the desktop: "window.NAME=x,y,width,height,maximised(0|1)".
struct WindowPlace {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool maximised = false;
  friend bool operator==(const WindowPlace&, const WindowPlace&) = default;
};

struct Settings {
  // The timetable file opened at start; nullopt for the built-in sample.
  std::optional<std::filesystem::path> timetable;
  // By window name (FrmPelory, FrmMsg, FrmZzz, FrmJourney).
  std::map<std::string, WindowPlace> windows;
  // The folder the last export or PDF went to: the save dialogs start there.
  std::optional<std::filesystem::path> save_folder;
  // Why the settings file was not used, or a setting in it was ignored: an English sentence
  // naming the file; empty when all is well (also when there is no file).
  std::string problem;
};

// Largest settings file read, and the longest path a setting may hold.
inline constexpr std::size_t kMaxSettingsBytes = 64 * 1024;
inline constexpr std::size_t kMaxSettingPathBytes = 4096;

// "x,y,width,height,0|1" as a place: sizes positive and below 100000, offsets within ±100000.
[[nodiscard]] std::optional<WindowPlace> ParseWindowPlace(std::string_view text);
[[nodiscard]] std::string WindowPlaceText(const WindowPlace& place);

// Where the settings file is; nullopt when neither XDG_CONFIG_HOME nor HOME gives a folder.
[[nodiscard]] std::optional<std::filesystem::path> SettingsFile();

// The settings as last written; defaults when there is no file or it cannot be read. Unknown
// lines are ignored. Only a regular file of at most kMaxSettingsBytes is read (a FIFO or a device
// in its place would block the start or never end); anything else, and a setting that cannot be
// one (a path longer than kMaxSettingPathBytes, not UTF-8, holding a NUL), is ignored with
// `problem` saying why.
[[nodiscard]] Settings ReadSettings();

// Writes the settings file atomically, creating its folder. Throws FileWriteError (also when
// there is no settings folder to write to).
void WriteSettings(const Settings& settings);

// Reads the settings, lets `change` edit them and writes them back (the other keys kept).
// Throws FileWriteError as WriteSettings.
template <typename Change>
void UpdateSettings(Change change) {
  Settings settings = ReadSettings();
  change(settings);
  WriteSettings(settings);
}

// The timetable to open at start: the command line's when given, else the remembered one.
[[nodiscard]] std::optional<std::filesystem::path> TimetableAtStart(
    const std::optional<std::filesystem::path>& command_line);

}  // namespace lanzhou::system
