#include "system/settings.h"

#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>

#include "system/atomic_file.h"

namespace lanzhou::system {

namespace {

constexpr std::string_view kTimetableKey = "timetable=";

}  // namespace

std::optional<std::filesystem::path> SettingsFile() {
  std::filesystem::path base;
  // The XDG rule: a relative XDG_CONFIG_HOME is invalid and ignored.
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME");
      xdg != nullptr && *xdg != '\0' && std::filesystem::path(xdg).is_absolute()) {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    base = std::filesystem::path(home) / ".config";
  } else {
    return std::nullopt;
  }
  return base / "lanzhou" / "lanzhou.conf";
}

Settings ReadSettings() {
  Settings settings;
  const auto file = SettingsFile();
  if (!file) return settings;
  std::ifstream in(*file, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with(kTimetableKey) && line.size() > kTimetableKey.size()) {
      settings.timetable = std::filesystem::path(line.substr(kTimetableKey.size()));
    }
  }
  return settings;
}

void WriteSettings(const Settings& settings) {
  const auto file = SettingsFile();
  if (!file) {
    throw FileWriteError("Cannot create file \"lanzhou.conf\". Neither XDG_CONFIG_HOME nor HOME "
                         "names a folder for it.");
  }
  std::error_code ec;
  std::filesystem::create_directories(file->parent_path(), ec);
  if (ec) {
    throw FileWriteError("Cannot create file \"" + file->string() + "\". " + ec.message());
  }
  if (settings.timetable && settings.timetable->string().find_first_of("\r\n") != std::string::npos) {
    throw FileWriteError("Cannot write file \"" + file->string() +
                         "\". The timetable's path holds a line break.");
  }
  std::string text = "# 岚舟时刻: the timetable opened at start (none: the built-in sample)\n";
  if (settings.timetable) text += std::string(kTimetableKey) + settings.timetable->string() + "\n";
  WriteFileAtomically(*file, text);
}

std::optional<std::filesystem::path> TimetableAtStart(
    const std::optional<std::filesystem::path>& command_line) {
  if (command_line) return command_line;
  return ReadSettings().timetable;
}

}  // namespace lanzhou::system
