#include "query/input_checks.h"

#include <algorithm>

#include "query/station_match.h"
#include "query/train_number_query.h"

namespace lanzhou::query {
namespace {

constexpr std::string_view kIncomplete = "信息不完整";
constexpr std::string_view kInputError = "输入错误";

InputCheck Message(std::string_view text, std::string_view caption, std::string_view focus) {
  return {CheckVerdict::ShowMessage,
          {std::string(text), std::string(caption), MessageButtons::Ok, MessageIcon::None,
           std::string(focus)}};
}

InputCheck NotReady() {
  return {CheckVerdict::NotReady, {}};
}

// A box holds a name when it is not empty and not bare initials.
bool HoldsName(std::string_view text) {
  return !text.empty() && !IsAllLetters(text);
}

bool IsStation(data::MemTable& KMPy, std::string_view name) {
  return KMPy.Locate("Station", name);
}

// The tables the through, transfer and station queries read beyond KMPy.
bool StopTablesReady(const data::TimetableStore& tables) {
  return tables.KMTrainReady && tables.KMListReady && tables.KMSMReady;
}

}  // namespace

bool IsAllLetters(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  });
}

InputCheck CheckThroughQuery(std::string_view from_text, std::string_view to_text,
                             data::TimetableStore& tables) {
  if (!HoldsName(from_text)) return Message("请输入发站。", kIncomplete, kComboFZ);
  if (!HoldsName(to_text)) return Message("请输入到站。", kIncomplete, kComboDZ);
  if (from_text == to_text) return Message("发站与到站相同。", kInputError, kComboDZ);
  // The boxes are enabled only once KMPy stands; a caller without boxes gets the same guard.
  if (!tables.KMPyReady) return NotReady();
  if (!IsStation(tables.KMPy, from_text)) return Message("发站不存在。", kInputError, kComboFZ);
  if (!IsStation(tables.KMPy, to_text)) return Message("到站不存在。", kInputError, kComboDZ);
  if (!StopTablesReady(tables)) return NotReady();
  return {};
}

InputCheck CheckTrainNumberQuery(std::string_view ecc_text, data::TimetableStore& tables) {
  if (TrimBlanks(ecc_text).empty()) return Message("请输入车次。", kIncomplete, kECC);
  // KMSM is loaded after KMList; the stops are read for each row's terminal stop number.
  if (!tables.KMSMReady || !tables.KMListReady || !tables.KMTrainReady) return NotReady();
  // As an unknown station is: an empty grid would not tell a mistyped number from a table
  // without trains.
  if (!HasTrainNumber(tables.KMList, ecc_text)) return Message("车次不存在。", kInputError, kECC);
  return {};
}

InputCheck CheckStationQuery(std::string_view station_text, data::TimetableStore& tables) {
  if (!HoldsName(station_text)) return Message("请输入车站。", kIncomplete, kComboCZ);
  if (!tables.KMPyReady) return NotReady();
  if (!IsStation(tables.KMPy, station_text)) {
    return Message("车站不存在。", kInputError, kComboCZ);
  }
  if (!StopTablesReady(tables)) return NotReady();
  return {};
}

QueryMessage NoThroughTrainQuestion() {
  return {"两站之间无直达列车,是否进行中转站查询?", std::string(kApplicationTitle),
          MessageButtons::YesNo, MessageIcon::Question, ""};
}

}  // namespace lanzhou::query
