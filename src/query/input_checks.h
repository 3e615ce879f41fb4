#pragma once
// What a query button checks before its query runs, as values: either "go on", or the message
// box to show (text, caption, buttons, icon) and the box that gets the focus, or a silent stop
// while a table the query reads is still loading. The window shows the message and moves the
// focus; nothing here touches a widget or the query state.
#include <string>
#include <string_view>

#include "data/timetable_store.h"

namespace lanzhou::query {

// The program's title, also the caption of its questions.
inline constexpr std::string_view kApplicationTitle = "岚舟时刻";

// Names of the boxes a message sends the focus to (the controls' object names).
inline constexpr std::string_view kComboFZ = "ComboFZ";
inline constexpr std::string_view kComboDZ = "ComboDZ";
inline constexpr std::string_view kComboCZ = "ComboCZ";
inline constexpr std::string_view kECC = "ECC";

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Question };

// One message box and where the focus goes once it is closed ("" for nowhere in particular).
struct QueryMessage {
  std::string text;
  std::string caption;
  MessageButtons buttons = MessageButtons::Ok;
  MessageIcon icon = MessageIcon::None;
  std::string focus;
  friend bool operator==(const QueryMessage&, const QueryMessage&) = default;
};

enum class CheckVerdict {
  GoOn,         // run the query
  ShowMessage,  // show `message`, focus its box, leave the grid and ResultList as they are
  NotReady,     // a table the query reads is still loading: do nothing and say nothing
};

struct InputCheck {
  CheckVerdict verdict = CheckVerdict::GoOn;
  QueryMessage message;  // set for ShowMessage only
  [[nodiscard]] bool GoOn() const { return verdict == CheckVerdict::GoOn; }
  friend bool operator==(const InputCheck&, const InputCheck&) = default;
};

// True when text is non-empty and every character is a Latin letter A..Z or a..z: pinyin
// initials typed but not yet turned into a station name.
[[nodiscard]] bool IsAllLetters(std::string_view text);

// BTNZZCX and BTNZZZZ (through and transfer): both boxes filled with a name, different names,
// both stations of KMPy (the untrimmed texts, as typed); then KMTrain, KMList and KMSM ready.
// Reads KMPy only once it is ready (a silent stop before).
[[nodiscard]] InputCheck CheckThroughQuery(std::string_view from_text, std::string_view to_text,
                                           data::TimetableStore& tables);

// BTNCCCX: a train number typed (blanks around it do not count); then KMSMReady, which its
// loader sets after KMList, and KMTrainReady, since TerminalStopNo reads the stops; then a
// train of that number in KMList ("车次不存在。" otherwise). Moves KMList's cursor.
[[nodiscard]] InputCheck CheckTrainNumberQuery(std::string_view ecc_text,
                                               data::TimetableStore& tables);

// BTNCZCX: a station name typed and known to KMPy (the untrimmed text); then KMTrain, KMList
// and KMSM ready.
[[nodiscard]] InputCheck CheckStationQuery(std::string_view station_text,
                                           data::TimetableStore& tables);

// The question after a through query that found nothing; Yes runs the transfer search with the
// same two names.
[[nodiscard]] QueryMessage NoThroughTrainQuestion();

}  // namespace lanzhou::query
