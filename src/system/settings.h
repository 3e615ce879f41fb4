#pragma once
// The one setting the program keeps: which timetable the window opens at start. It lives in
// $XDG_CONFIG_HOME/lanzhou/lanzhou.conf ($HOME/.config when XDG_CONFIG_HOME is unset, empty or
// not absolute), one "timetable=PATH" line, and is replaced whole when it changes.
#include <filesystem>
#include <cstddef>
#include <optional>
#include <string>

namespace lanzhou::system {

struct Settings {
  // The timetable file opened at start; nullopt for the built-in sample.
  std::optional<std::filesystem::path> timetable;
  // Why the settings file was not used, or a setting in it was ignored: an English sentence
  // naming the file; empty when all is well (also when there is no file).
  std::string problem;
};

// Largest settings file read, and the longest path a setting may hold.
inline constexpr std::size_t kMaxSettingsBytes = 64 * 1024;
inline constexpr std::size_t kMaxSettingPathBytes = 4096;

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

// The timetable to open at start: the command line's when given, else the remembered one.
[[nodiscard]] std::optional<std::filesystem::path> TimetableAtStart(
    const std::optional<std::filesystem::path>& command_line);

}  // namespace lanzhou::system
