#pragma once
// Who the timetable in use comes from, as the status bar and the about box name it: the
// built-in sample says it is one, a timetable file names the source its maker wrote down.
#include <string>

#include "data/timetable_file.h"

namespace lanzhou::timetable {

// The built-in sample (meta nullptr): "示例时刻表（非真实数据）"; a file: its source ("未注明"
// when it names none).
[[nodiscard]] std::string SourceCredit(const data::TimetableMeta* meta);

}  // namespace lanzhou::timetable
