#include "timetable/train_class.h"

#include <array>

#include "text/ascii.h"

namespace lanzhou::timetable {

std::string TrainClassName(int nType) {
  static constexpr std::array<std::string_view, 11> kNames = {
      "动车组", "高速动车", "城际高速", "直特",     "空调特快", "空调快速",
      "快速",   "普快",     "空调普快", "空调普客", "普客"};
  if (nType < 1 || nType > static_cast<int>(kNames.size())) return {};
  return std::string(kNames[static_cast<std::size_t>(nType - 1)]);
}

char TrainPrefixLetter(std::string_view trainId) noexcept {
  if (trainId.empty()) return '\0';
  return text::ToUpperAscii(trainId.front());
}

bool IsG100Train(std::string_view trainId) noexcept {
  return trainId.starts_with("G100");
}

bool IsHighSpeedNumber(std::string_view trainId) noexcept {
  if (trainId.empty()) return false;
  const char c = trainId.front();
  return c == 'C' || c == 'D' || c == 'G';
}

}  // namespace lanzhou::timetable
