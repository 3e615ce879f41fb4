#pragma once
// What the program sets up once for the whole application before its window: its name, Qt's
// own Chinese texts for the standard dialogs and buttons, and no settings files of its own.
class QCoreApplication;

namespace lanzhou::ui {

// The program's desktop entry and icon name (the installed hicolor icon), which the shortcuts
// carry too.
inline constexpr char kApplicationId[] = "lanzhou";

// Names the application "岚舟时刻" and ties its windows to the desktop entry, then installs the
// Chinese texts and the settings redirection below.
void SetUpApplication(QCoreApplication& app);

// Loads Qt's own Chinese texts (qtbase_zh_CN) from Qt's translations folder, so the standard
// buttons read 是, 否, 取消, 确定 and the file dialog speaks Chinese. False when they are missing.
bool InstallChineseQtTexts(QCoreApplication& app);

// Qt's file dialog keeps its history in the user's settings; the program keeps only its own
// timetable choice (system/settings.h), so the user scope is pointed at a folder that lives only
// while the program runs. Idempotent.
void KeepUserSettingsForThisRunOnly();

}  // namespace lanzhou::ui
