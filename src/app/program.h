#pragma once
// The program's start: the application titled "岚舟时刻", the main window over the embedded
// resources, the message loop until that window closes. main() calls it; the start-up probe in
// bench/ calls it too, so it measures exactly what a user starts.
#include <functional>

namespace lanzhou::ui {
class TFrmPelory;
}

namespace lanzhou::app {

// Called once the main window exists, before it is shown.
using WindowHook = std::function<void(ui::TFrmPelory& window)>;

int RunProgram(int argc, char* argv[], const WindowHook& on_window = {});

}  // namespace lanzhou::app
