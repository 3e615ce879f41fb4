#include "system/settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <system_error>

#include "system/atomic_file.h"
#include "text/ascii.h"
#include "text/gbk.h"

namespace lanzhou::system {

namespace {

constexpr std::string_view kTimetableKey = "timetable=";
constexpr std::string_view kWindowKey = "window.";
constexpr std::string_view kSaveFolderKey = "save_folder=";
constexpr std::int64_t kPlaceLimit = 100000;

bool HasLineBreak(const std::filesystem::path& path) {
  return path.string().find_first_of("\r\n") != std::string::npos;
}

// A window name is a plain identifier, so a key never holds '=' or a line break.
bool IsWindowName(std::string_view name) {
  if (name.empty() || name.size() > 64) return false;
  for (const char c : name) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                       (c >= '0' && c <= '9') || c == '_';
    if (!plain) return false;
  }
  return true;
}

// The settings file's text, or nullopt with `problem` set (nothing set for a missing file). The
// open does not wait: a FIFO put in the file's place would block it until a writer came.
std::optional<std::string> ReadSettingsText(const std::filesystem::path& file,
                                            std::string& problem) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT) {
      problem = "The settings file " + file.string() + " cannot be read: " + std::strerror(errno);
    }
    return std::nullopt;
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    problem = "The settings file " + file.string() + " is not a regular file; it is ignored.";
    return std::nullopt;
  }
  std::string text;
  char buffer[8192];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      problem = "The settings file " + file.string() + " cannot be read: " + std::strerror(errno);
      return std::nullopt;
    }
    if (got == 0) break;
    if (text.size() + static_cast<std::size_t>(got) > kMaxSettingsBytes) {
      problem = "The settings file " + file.string() + " is larger than " +
                std::to_string(kMaxSettingsBytes / 1024) + " KiB; it is ignored.";
      return std::nullopt;
    }
    text.append(buffer, static_cast<std::size_t>(got));
  }
  return text;
}

}  // namespace

std::optional<WindowPlace> ParseWindowPlace(std::string_view text) {
  std::int64_t numbers[5] = {};
  for (int i = 0; i < 5; ++i) {
    const std::size_t comma = i < 4 ? text.find(',') : text.size();
    if (comma == std::string_view::npos) return std::nullopt;
    const bool size = i == 2 || i == 3;
    const std::int64_t min = i == 4 ? 0 : size ? 1 : -kPlaceLimit;
    const std::int64_t max = i == 4 ? 1 : kPlaceLimit;
    if (!text::ParseDecimalIn(text.substr(0, comma), min, max, numbers[i])) return std::nullopt;
    text.remove_prefix(i < 4 ? comma + 1 : comma);
  }
  return WindowPlace{static_cast<int>(numbers[0]), static_cast<int>(numbers[1]),
                     static_cast<int>(numbers[2]), static_cast<int>(numbers[3]), numbers[4] == 1};
}

std::string WindowPlaceText(const WindowPlace& place) {
  return std::to_string(place.x) + "," + std::to_string(place.y) + "," +
         std::to_string(place.width) + "," + std::to_string(place.height) + "," +
         (place.maximised ? "1" : "0");
}

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
  const std::optional<std::string> text = ReadSettingsText(*file, settings.problem);
  if (!text) return settings;
  std::istringstream in(*text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with(kTimetableKey) && line.size() > kTimetableKey.size()) {
      const std::string value = line.substr(kTimetableKey.size());
      if (value.size() > kMaxSettingPathBytes || value.find('\0') != std::string::npos ||
          !text::IsValidUtf8(value)) {
        settings.problem = "The timetable setting in " + file->string() +
                           " is not a usable path (" + std::to_string(value.size()) +
                           " bytes); it is ignored.";
        settings.timetable.reset();
        continue;
      }
      settings.timetable = std::filesystem::path(value);
    } else if (line.starts_with(kSaveFolderKey) && line.size() > kSaveFolderKey.size()) {
      const std::string value = line.substr(kSaveFolderKey.size());
      // A folder that cannot be one is simply not offered.
      if (value.size() <= kMaxSettingPathBytes && value.find('\0') == std::string::npos &&
          text::IsValidUtf8(value)) {
        settings.save_folder = std::filesystem::path(value);
      }
    } else if (line.starts_with(kWindowKey)) {
      const std::size_t equals = line.find('=');
      if (equals == std::string::npos) continue;
      const std::string name = line.substr(kWindowKey.size(), equals - kWindowKey.size());
      if (!IsWindowName(name)) continue;
      if (auto place = ParseWindowPlace(std::string_view(line).substr(equals + 1))) {
        settings.windows[name] = *place;
      }
    }
  }
  return settings;
}

void WriteSettings(const Settings& settings) {
  const auto file = SettingsFile();
  if (!file) {
    throw FileWriteError(
        "Cannot create file \"lanzhou.conf\". Neither XDG_CONFIG_HOME nor HOME "
        "names a folder for it.");
  }
  std::error_code ec;
  std::filesystem::create_directories(file->parent_path(), ec);
  if (ec) {
    throw FileWriteError("Cannot create file \"" + file->string() + "\". " + ec.message());
  }
  if (settings.timetable && HasLineBreak(*settings.timetable)) {
    throw FileWriteError("Cannot write file \"" + file->string() +
                         "\". The timetable's path holds a line break.");
  }
  std::string text = "# 岚舟时刻: the timetable opened at start (none: the built-in sample)\n";
  if (settings.timetable) text += std::string(kTimetableKey) + settings.timetable->string() + "\n";
  // A folder that cannot be written on one line is simply not remembered.
  if (settings.save_folder && !HasLineBreak(*settings.save_folder)) {
    text += std::string(kSaveFolderKey) + settings.save_folder->string() + "\n";
  }
  for (const auto& [name, place] : settings.windows) {
    if (!IsWindowName(name)) continue;
    text += std::string(kWindowKey) + name + "=" + WindowPlaceText(place) + "\n";
  }
  WriteFileAtomically(*file, text);
}

std::optional<std::filesystem::path> TimetableAtStart(
    const std::optional<std::filesystem::path>& command_line) {
  if (command_line) return command_line;
  return ReadSettings().timetable;
}

}  // namespace lanzhou::system
