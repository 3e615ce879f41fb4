#include "cli/journeys_command.h"

#include <array>
#include <limits>
#include <exception>
#include <string_view>

#include "cli/command_words.h"
#include "cli/service_date.h"
#include "cli/table_loading.h"
#include "cli/text_output.h"
#include "data/calendar.h"
#include "data/timetable_store.h"
#include "journey/network.h"
#include "query/input_checks.h"
#include "query/journey_grid.h"
#include "text/ascii.h"
#include "timetable/times.h"
#include "timetable/train_class.h"

namespace lanzhou::cli {
namespace {

constexpr std::string_view kProgram = "lanzhou-query: ";

// Options of this command that take a value, and those of the other commands (so that the
// command word is found behind them too).
constexpr std::array<std::string_view, 12> kJourneyValued = {
    "--after",    "--before", "--max-changes", "--min-change", "--min-change-city",
    "--max-wait", "--sort",   "--limit",       "--format",     "--data",
    "--timetable", "--date"};
constexpr std::array<std::string_view, 3> kOtherValued = {"--filter", "--via", "--row"};

template <std::size_t N>
bool OneOf(std::string_view word, const std::array<std::string_view, N>& list) {
  for (std::string_view v : list) {
    if (v == word) return true;
  }
  return false;
}

std::optional<std::int32_t> WholeNumber(std::string_view text) {
  std::int64_t value = 0;
  if (!text::ParseDecimalIn(text, std::numeric_limits<std::int32_t>::min(),
                            std::numeric_limits<std::int32_t>::max(), value)) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

UsageError Usage(std::string message) {
  return UsageError{std::move(message)};
}

// The texts of a journey's changes: the station (both when it changes: "北京西→北京南 同城换站")
// and the wait, one per change, joined by "、".
std::string ChangeStations(const journey::Journey& j) {
  std::string text;
  for (std::size_t k = 1; k < j.legs.size(); ++k) {
    if (!text.empty()) text += "、";
    const journey::Leg& leg = j.legs[k];
    text += leg.station_change ? j.legs[k - 1].to + "→" + leg.from + " 同城换站" : leg.from;
  }
  return text;
}

std::string Waits(const journey::Journey& j) {
  std::string text;
  for (std::size_t k = 1; k < j.legs.size(); ++k) {
    if (!text.empty()) text += "、";
    text += journey::DurationText(j.legs[k].wait);
  }
  return text;
}

std::string ArriveText(std::int32_t minutes) {
  return journey::ClockText(minutes) + timetable::DayMarker(journey::DayOf(minutes));
}

}  // namespace

std::vector<std::string> JourneyCells(const journey::Journey& j) {
  return {journey::ClockText(j.Depart()),
          ArriveText(j.Arrive()),
          journey::DurationText(j.Minutes()),
          std::to_string(j.Changes()),
          journey::TrainChainText(j),
          ChangeStations(j),
          Waits(j),
          j.fare.empty() ? std::string(timetable::kUnknownValue) : j.fare};
}

const std::vector<std::string>& JourneyCaptions() {
  static const std::vector<std::string> captions = {"出发", "到达",   "历时", "换乘",
                                                    "车次", "换乘站", "等候", "参考票价"};
  return captions;
}

boost::json::object JourneyJson(const journey::Journey& j) {
  // Distances the data does not tell are null.
  const auto km = [](std::int32_t distance) -> boost::json::value {
    if (distance < 0) return nullptr;
    return distance;
  };
  boost::json::array legs;
  for (const journey::Leg& leg : j.legs) {
    boost::json::object o;
    o["train"] = timetable::TrainNumberOfId(leg.train_id);
    if (leg.date) o["date"] = data::IsoDateText(*leg.date);
    o["from"] = leg.from;
    o["depart"] = journey::ClockText(leg.depart);
    o["depart_day"] = journey::DayOf(leg.depart);
    o["to"] = leg.to;
    o["arrive"] = journey::ClockText(leg.arrive);
    o["arrive_day"] = journey::DayOf(leg.arrive);
    o["wait"] = leg.wait;
    o["station_change"] = leg.station_change;
    o["from_no"] = leg.from_no;
    o["to_no"] = leg.to_no;
    o["distance"] = km(leg.distance);
    o["fare"] = leg.fare;
    legs.push_back(std::move(o));
  }
  return boost::json::object{{"depart", journey::ClockText(j.Depart())},
                             {"arrive", journey::ClockText(j.Arrive())},
                             {"arrive_day", journey::DayOf(j.Arrive())},
                             {"minutes", j.Minutes()},
                             {"changes", j.Changes()},
                             {"trains", journey::TrainChainText(j)},
                             {"distance", km(j.distance)},
                             {"fare", j.fare},
                             {"legs", std::move(legs)}};
}

bool IsJourneysCommandLine(const std::vector<std::string>& words) {
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w == "--") return i + 1 < words.size() && words[i + 1] == "journeys";
    if (w.size() >= 2 && w[0] == '-') {
      if (w.find('=') == std::string::npos &&
          (OneOf(w, kJourneyValued) || OneOf(w, kOtherValued))) {
        ++i;
      }
      continue;
    }
    return w == "journeys";
  }
  return false;
}

JourneysParse ParseJourneysArguments(const std::vector<std::string>& words) {
  JourneysOptions o;
  // --all is the one option without a value: taken out before the others are read.
  std::vector<std::string> valued_words;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (words[i] == "--") {
      valued_words.insert(valued_words.end(), words.begin() + static_cast<std::ptrdiff_t>(i),
                          words.end());
      break;
    }
    if (words[i] == "--all") {
      o.all = true;
    } else {
      valued_words.push_back(words[i]);
    }
  }
  auto split = SplitCommandWords(valued_words, kJourneyValued);
  if (const auto* help = std::get_if<HelpRequest>(&split)) return *help;
  if (const auto* usage = std::get_if<UsageError>(&split)) return *usage;
  const std::vector<std::string>& positional = std::get<CommandWords>(split).positional;
  for (const OptionValue& option : std::get<CommandWords>(split).options) {
    const std::string& name = option.name;
    const std::string& v = option.value;
    // Whole minutes within [low, high].
    const auto minutes = [&](std::int32_t low, std::int32_t high,
                             std::int32_t& slot) -> std::optional<UsageError> {
      const auto n = WholeNumber(v);
      if (!n || *n < low || *n > high) {
        return Usage(name + " takes whole minutes from " + std::to_string(low) + " to " +
                     std::to_string(high) + ", not '" + v + "'");
      }
      slot = *n;
      return std::nullopt;
    };
    std::optional<UsageError> error;
    if (name == "--after" || name == "--before") {
      // The same reading of a time of day as the journey window's boxes.
      const int clock = timetable::ClockMinutes(v);
      if (clock < 0)
        return Usage(name + " takes a time of day HH:MM (00:00 to 23:59), not '" + v + "'");
      (name == "--after" ? o.request.after : o.request.before) = clock;
    } else if (name == "--max-changes") {
      const auto n = WholeNumber(v);
      if (!n || *n < 0 || *n > 2) return Usage("--max-changes takes 0, 1 or 2, not '" + v + "'");
      o.request.max_changes = *n;
    } else if (name == "--min-change") {
      error = minutes(0, 1440, o.request.min_change);
    } else if (name == "--min-change-city") {
      error = minutes(0, 1440, o.request.min_change_city);
    } else if (name == "--max-wait") {
      error = minutes(0, 10080, o.request.max_wait);
    } else if (name == "--sort") {
      std::string_view column = v;
      o.descending = column.ends_with(":desc");
      if (o.descending) column.remove_suffix(5);
      o.sort = journey::SortKeyFromCaption(column);
      if (!o.sort)
        return Usage("--sort takes 出发, 到达, 历时 or 换乘 (optionally :desc), not '" + v + "'");
    } else if (name == "--limit") {
      const auto n = WholeNumber(v);
      if (!n || *n < 1) return Usage("--limit takes a number of journeys from 1, not '" + v + "'");
      o.limit = *n;
    } else if (name == "--format") {
      const auto format = ParseFormat(v);
      if (!format) return Usage("--format takes table, csv or json, not '" + v + "'");
      o.format = *format;
    } else if (name == "--timetable") {
      if (v.empty()) return Usage("--timetable needs a timetable file");
      o.timetable_file = v;
    } else if (name == "--date") {
      o.date = v;
    } else {  // --data
      if (v.empty()) return Usage("--data needs a folder");
      o.data_dir = v;
    }
    if (error) return *error;
  }
  if (o.data_dir && o.timetable_file) {
    return Usage("--data and --timetable both name the tables; give one");
  }
  if (positional.empty() || positional[0] != "journeys") return Usage("no journeys command given");
  if (positional.size() != 3) return Usage("usage: journeys FROM TO [options]");
  o.from = positional[1];
  o.to = positional[2];
  return o;
}

std::string FormatJourneys(const std::vector<journey::Journey>& journeys, OutputFormat format) {
  switch (format) {
    case OutputFormat::Json: {
      boost::json::array values;
      for (const journey::Journey& j : journeys) values.push_back(JourneyJson(j));
      return JsonArrayLines(values);
    }
    case OutputFormat::Csv: {
      std::vector<std::string> lines;
      for (std::size_t r = 0; r <= journeys.size(); ++r) {
        const std::vector<std::string> cells =
            r == 0 ? JourneyCaptions() : JourneyCells(journeys[r - 1]);
        std::string line;
        for (std::size_t c = 0; c < cells.size(); ++c) line += (c ? "," : "") + cells[c];
        lines.push_back(line);
      }
      return JoinLines(lines);
    }
    case OutputFormat::Table:
      break;
  }
  std::vector<std::vector<std::string>> rows{JourneyCaptions()};
  for (const journey::Journey& j : journeys) rows.push_back(JourneyCells(j));
  return AlignColumns(rows) + "结果:" + std::to_string(journeys.size()) + "\n";
}

int RunJourneysCommandLine(const std::vector<std::string>& words,
                           const data::ResourceRegistry* embedded, std::ostream& out,
                           std::ostream& err) {
  const JourneysParse parsed = ParseJourneysArguments(words);
  if (const auto code = HelpOrUsage(parsed, out, err)) return *code;
  const JourneysOptions& o = std::get<JourneysOptions>(parsed);
  // The planner reads the stops, the train list and the city groups; the check, the initials.
  CommandTables tables({o.data_dir, o.timetable_file, embedded}, TableNeeds{}, err);
  if (tables.unusable || !tables.failures.empty()) return kExitLoadFailed;
  data::TimetableStore& store = tables.store;
  try {
    const query::InputCheck check = query::CheckThroughQuery(o.from, o.to, store);
    if (check.verdict == query::CheckVerdict::ShowMessage) {
      err << check.message.caption << ": " << check.message.text << "\n";
      return kExitRefused;
    }
    auto network = journey::BuildNetwork(store);
    if (check.verdict == query::CheckVerdict::NotReady || !network) {
      err << kProgram << "the tables are not loaded\n";
      return kExitLoadFailed;
    }
    const DateChoice day = ChooseDate(o.date, o.today, store.calendar);
    if (day.refusal) {
      err << *day.refusal << "\n";
      return kExitRefused;
    }
    if (day.notice) err << *day.notice << "\n";
    journey::Request request = o.request;
    request.date = day.date;
    journey::SetEndpoints(store.KMSM, o.from, o.to, request);
    std::vector<journey::Journey> journeys = journey::FindJourneys(*network, request);
    if (!o.all) journeys = journey::WithoutSlowJourneys(std::move(journeys));
    if (o.sort) journey::SortJourneys(journeys, *o.sort, o.descending);
    if (o.limit && journeys.size() > static_cast<std::size_t>(*o.limit)) {
      journeys.resize(static_cast<std::size_t>(*o.limit));
    }
    out << FormatJourneys(journeys, o.format);
    out.flush();
    return out ? kExitOk : kExitFailure;
  } catch (const std::exception& e) {
    err << kProgram << e.what() << "\n";
    return kExitFailure;
  }
}

}  // namespace lanzhou::cli
