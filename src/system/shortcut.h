#pragma once
// Shortcuts to the program on the user's desktop and in the applications menu, as freedesktop
// launchers (`<name>.desktop`). Failures are reported only by the result; nothing is shown.
#include <filesystem>
#include <string>
#include <string_view>

namespace lanzhou::system {

// Where a shortcut can go: numbered as the desktop shell numbers its folders.
inline constexpr int kNoSpecialFolder = -1;
inline constexpr int kDesktopFolder = 0;
inline constexpr int kProgramsFolder = 2;  // the applications menu

// The name MDesktopClick and NStartClick give the shortcut.
inline constexpr std::string_view kShortcutName = "岚舟时刻";

// The user's desktop folder: XDG_DESKTOP_DIR of $XDG_CONFIG_HOME/user-dirs.dirs (default
// ~/.config), else ~/Desktop. Empty when HOME is not set.
[[nodiscard]] std::filesystem::path DesktopFolder();

// The applications menu folder: $XDG_DATA_HOME/applications (default ~/.local/share).
// Empty when HOME is not set.
[[nodiscard]] std::filesystem::path ApplicationsFolder();

// The folder of a special folder number (kDesktopFolder, kProgramsFolder); empty for others.
[[nodiscard]] std::filesystem::path SpecialFolderPath(int special_folder);

// The launcher file's text: runs `target` in its own folder, titled `name`, with `icon` (a file
// path or theme icon name; no Icon key when empty).
[[nodiscard]] std::string DesktopEntryText(const std::filesystem::path& target,
                                           std::string_view name, std::string_view icon);

// Writes the launcher `<link_name>.desktop` for the program file `target` into `folder`, or,
// when `special_folder` ≥ 0, into that special folder (an empty folder with -1 means the
// desktop). An empty link_name takes target's file name without its extension. Replaces a file
// of that name. False when target is no file, the folder does not exist (the applications menu
// folder is created), the name holds a "/", or the file cannot be written.
[[nodiscard]] bool CreateShortcut(const std::filesystem::path& target, std::string_view link_name,
                                  const std::filesystem::path& folder, int special_folder,
                                  std::string_view icon = {});

}  // namespace lanzhou::system
