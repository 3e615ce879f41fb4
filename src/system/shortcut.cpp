#include "system/shortcut.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "system/atomic_file.h"

namespace lanzhou::system {
namespace {

namespace fs = std::filesystem;

// An environment variable holding an absolute path; relative values are ignored, as the XDG base
// directory rules require.
[[nodiscard]] fs::path AbsoluteEnvPath(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return {};
  fs::path path(value);
  return path.is_absolute() ? path : fs::path();
}

[[nodiscard]] fs::path Home() {
  return AbsoluteEnvPath("HOME");
}

// XDG_DESKTOP_DIR from user-dirs.dirs: a line XDG_DESKTOP_DIR="$HOME/..." or "/abs/path".
[[nodiscard]] fs::path DesktopFromUserDirs(const fs::path& home) {
  fs::path config = AbsoluteEnvPath("XDG_CONFIG_HOME");
  if (config.empty()) config = home / ".config";
  std::ifstream in(config / "user-dirs.dirs");
  std::string line;
  fs::path found;
  while (std::getline(in, line)) {
    std::string_view rest(line);
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
    constexpr std::string_view kKey = "XDG_DESKTOP_DIR=";
    if (!rest.starts_with(kKey)) continue;
    rest.remove_prefix(kKey.size());
    if (rest.size() < 2 || rest.front() != '"') continue;
    const std::size_t close = rest.find('"', 1);
    if (close == std::string_view::npos) continue;
    std::string value;
    for (std::size_t i = 1; i < close; ++i) {  // the shell's backslash escapes
      if (rest[i] == '\\' && i + 1 < close) ++i;
      value += rest[i];
    }
    constexpr std::string_view kHome = "$HOME";
    if (std::string_view(value).starts_with(kHome)) {
      std::string tail = value.substr(kHome.size());
      while (!tail.empty() && tail.front() == '/') tail.erase(0, 1);
      found = tail.empty() ? home : home / tail;
    } else if (!value.empty() && value.front() == '/') {
      found = value;
    }  // anything else is not a valid entry; the last valid one wins, as in the shell
  }
  return found;
}

// Escapes for a desktop-entry string value.
[[nodiscard]] std::string EscapeValue(std::string_view value) {
  std::string out;
  for (char ch : value) {
    switch (ch) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += ch;
    }
  }
  return out;
}

// The program as the Exec key's one argument: quoted, with the characters that need it escaped
// inside the quotes and "%" doubled (field codes); then escaped as a string value.
[[nodiscard]] std::string ExecArgument(std::string_view program) {
  std::string quoted = "\"";
  for (char ch : program) {
    if (ch == '"' || ch == '`' || ch == '$' || ch == '\\') quoted += '\\';
    if (ch == '%') quoted += '%';
    quoted += ch;
  }
  quoted += '"';
  return EscapeValue(quoted);
}

}  // namespace

fs::path DesktopFolder() {
  const fs::path home = Home();
  if (home.empty()) return {};
  fs::path desktop = DesktopFromUserDirs(home);
  return desktop.empty() ? home / "Desktop" : desktop;
}

fs::path ApplicationsFolder() {
  fs::path data = AbsoluteEnvPath("XDG_DATA_HOME");
  if (data.empty()) {
    const fs::path home = Home();
    if (home.empty()) return {};
    data = home / ".local" / "share";
  }
  return data / "applications";
}

fs::path SpecialFolderPath(int special_folder) {
  switch (special_folder) {
    case kDesktopFolder:
      return DesktopFolder();
    case kProgramsFolder:
      return ApplicationsFolder();
    default:
      return {};
  }
}

std::string DesktopEntryText(const fs::path& target, std::string_view name, std::string_view icon) {
  std::string text = "[Desktop Entry]\n";
  text += "Type=Application\n";
  text += "Version=1.0\n";
  text += "Name=" + EscapeValue(name) + "\n";
  text += "Exec=" + ExecArgument(target.string()) + "\n";
  text += "Path=" + EscapeValue(target.parent_path().string()) + "\n";
  if (!icon.empty()) text += "Icon=" + EscapeValue(icon) + "\n";
  text += "Terminal=false\n";
  text += "Categories=Utility;\n";
  return text;
}

bool CreateShortcut(const fs::path& target, std::string_view link_name, const fs::path& folder,
                    int special_folder, std::string_view icon) {
  std::error_code error;
  if (!fs::is_regular_file(target, error)) return false;
  // Exec and Path must not depend on the folder the program was started from.
  const fs::path program = fs::absolute(target, error).lexically_normal();
  if (error) return false;

  std::string name(link_name);
  if (name.empty()) name = program.stem().string();
  if (name.empty() || name.find('/') != std::string::npos) return false;

  if (folder.empty() && special_folder == kNoSpecialFolder) special_folder = kDesktopFolder;
  fs::path directory;
  if (special_folder >= 0) {
    directory = SpecialFolderPath(special_folder);
    if (directory.empty()) return false;
    // The menu folder belongs to the user's data home and may be created; a desktop is not.
    if (special_folder == kProgramsFolder) fs::create_directories(directory, error);
  } else {
    std::string text = folder.string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    directory = text;
  }
  if (!fs::is_directory(directory, error)) return false;

  try {
    // Desktop environments launch only launchers marked executable.
    WriteFileAtomically(directory / (name + ".desktop"), DesktopEntryText(program, name, icon),
                        fs::perms::owner_exec);
  } catch (const FileWriteError&) {
    return false;
  }
  return true;
}

}  // namespace lanzhou::system
