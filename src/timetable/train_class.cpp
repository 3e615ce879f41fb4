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

TrainGroup TrainGroupOf(std::string_view trainId) noexcept {
  switch (TrainPrefixLetter(trainId)) {
    case 'G':
      return TrainGroup::HighSpeed;
    case 'D':
      return TrainGroup::MultipleUnit;
    case 'C':
      return TrainGroup::Intercity;
    case 'Z':
    case 'T':
    case 'K':
      return TrainGroup::Express;
    default:
      return TrainGroup::Ordinary;
  }
}

std::string_view TrainGroupName(TrainGroup group) noexcept {
  switch (group) {
    case TrainGroup::HighSpeed:
      return "高铁";
    case TrainGroup::MultipleUnit:
      return "动车";
    case TrainGroup::Intercity:
      return "城际";
    case TrainGroup::Express:
      return "直特快";
    case TrainGroup::Ordinary:
      break;
  }
  return "普客";
}

std::string_view TrainNumberOfId(std::string_view tableId) noexcept {
  return tableId.substr(0, tableId.find('#'));
}

bool CarriesTrainNumber(std::string_view number, std::string_view key) noexcept {
  if (key.empty()) return false;
  if (number == key) return true;
  const std::size_t slash = number.find('/');
  if (slash == std::string_view::npos) return false;
  const std::string_view first = number.substr(0, slash);
  if (first == key) return true;
  std::string_view rest = number.substr(slash + 1);
  while (!rest.empty()) {
    const std::size_t next = rest.find('/');
    const std::string_view part = rest.substr(0, next);
    if (part == key) return true;
    // A short part replaces the tail of the first number: "K1234/1" is K1231.
    if (part.size() < first.size() && key.size() == first.size() &&
        key.substr(0, first.size() - part.size()) == first.substr(0, first.size() - part.size()) &&
        key.substr(first.size() - part.size()) == part) {
      return true;
    }
    if (next == std::string_view::npos) break;
    rest = rest.substr(next + 1);
  }
  return false;
}

}  // namespace lanzhou::timetable
