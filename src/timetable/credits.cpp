#include "timetable/credits.h"

#include "text/ascii.h"

namespace lanzhou::timetable {

std::string SourceCredit(const data::TimetableMeta* meta) {
  if (meta == nullptr) return "示例时刻表（非真实数据）";
  std::string source = text::TrimBlanks(meta->source);
  return source.empty() ? "未注明" : source;
}

}  // namespace lanzhou::timetable
