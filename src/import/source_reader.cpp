// Reading of the source files: one function per file kind, each reporting its own rules.
#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "import/source.h"
#include "text/gbk.h"
#include "import/train_reader.h"

namespace lanzhou::timetable_build {
namespace fs = std::filesystem;

namespace {

// Code points of a valid UTF-8 text.
std::vector<char32_t> CodePoints(const std::string& text) {
  std::vector<char32_t> out;
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : 4;
    char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (int k = 1; k < len && i + k < text.size(); ++k) {
      cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    out.push_back(cp);
    i += len;
  }
  return out;
}

bool IsInitials(const std::string& initials, std::size_t length) {
  if (initials.size() != length) return false;
  return std::all_of(initials.begin(), initials.end(), [](char c) {
    return c >= 'A' && c <= 'Z' && c != 'I' && c != 'U' && c != 'V';
  });
}

}  // namespace

bool IsStationName(const std::string& text) {
  if (!text::IsValidUtf8(text)) return false;
  const auto cps = CodePoints(text);
  if (cps.empty() || cps.size() > 5) return false;
  for (char32_t cp : cps) {
    if (!((cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0x3400 && cp <= 0x4DBF))) return false;
  }
  // A name GBK cannot hold would reach the tables as '?'.
  return text::GbkToUtf8(text::Utf8ToGbk(text)) == text;
}

std::optional<int> ParseClock(const std::string& text) {
  if (text.size() != 5 || text[2] != ':') return std::nullopt;
  for (int i : {0, 1, 3, 4}) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  }
  const int hours = (text[0] - '0') * 10 + (text[1] - '0');
  const int minutes = (text[3] - '0') * 10 + (text[4] - '0');
  if (hours > 23 || minutes > 59) return std::nullopt;
  return hours * 60 + minutes;
}

std::optional<int> ParseWhole(const std::string& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

std::vector<SourceLine> ReadSourceLines(const fs::path& path, const std::string& file,
                                        Diagnostics& diagnostics) {
  std::ifstream in(path, std::ios::binary);
  std::vector<SourceLine> lines;
  if (!in) {
    diagnostics.Error(file, 0, "cannot read the file");
    return lines;
  }
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    diagnostics.Error(file, 1, "the file starts with a byte order mark");
  }
  if (!text::IsValidUtf8(bytes)) {
    diagnostics.Error(file, 0, "the file is not valid UTF-8");
    return lines;
  }
  std::istringstream stream(bytes);
  std::string raw;
  int number = 0;
  while (std::getline(stream, raw)) {
    ++number;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    SourceLine line{number, {}};
    std::size_t i = 0;
    while (i < raw.size()) {
      while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t')) ++i;
      if (i >= raw.size() || raw[i] == '#') break;  // a comment begins a field
      const std::size_t start = i;
      while (i < raw.size() && raw[i] != ' ' && raw[i] != '\t') ++i;
      line.fields.push_back(raw.substr(start, i - start));
    }
    if (!line.fields.empty()) lines.push_back(std::move(line));
  }
  return lines;
}

namespace {

void ReadStations(const fs::path& dir, Source& source, Diagnostics& diagnostics) {
  const std::string file = "stations.txt";
  for (const auto& line : ReadSourceLines(dir / file, file, diagnostics)) {
    const auto& f = line.fields;
    if (f.size() != 2) {
      diagnostics.Error(file, line.number, "a station line is a name and its initials");
      continue;
    }
    if (!IsStationName(f[0])) {
      diagnostics.Error(file, line.number, "a station name is 1 to 5 Chinese characters: " + f[0]);
      continue;
    }
    if (!IsInitials(f[1], CodePoints(f[0]).size())) {
      diagnostics.Error(file, line.number,
                        "initials are one letter A-Z (not I, U, V) per character: " + f[1]);
      continue;
    }
    if (source.station_index.contains(f[0])) {
      diagnostics.Error(file, line.number, "station listed twice: " + f[0]);
      continue;
    }
    source.station_index[f[0]] = source.stations.size();
    source.stations.push_back({f[0], f[1], {file, line.number}});
  }
}

void ReadGroups(const fs::path& dir, Source& source, Diagnostics& diagnostics) {
  const std::string file = "groups.txt";
  std::set<int> numbers;
  std::set<std::string> grouped;
  for (const auto& line : ReadSourceLines(dir / file, file, diagnostics)) {
    const auto& f = line.fields;
    std::optional<int> number;
    if (f[0].size() > 1 && f[0].back() == ':') number = ParseWhole(f[0].substr(0, f[0].size() - 1));
    if (!number || *number < 1 || *number > 159 || (*number >= 51 && *number <= 59) ||
        (*number >= 101 && *number <= 109)) {
      diagnostics.Error(file, line.number,
                        "a group line starts with its number 1..159 (not 51-59, 101-109) and ':'");
      continue;
    }
    if (!numbers.insert(*number).second) {
      diagnostics.Error(file, line.number, "group number used twice: " + std::to_string(*number));
    }
    if (f.size() < 2) diagnostics.Error(file, line.number, "a group holds at least one station");
    Group group{*number, {}, {file, line.number}};
    for (std::size_t i = 1; i < f.size(); ++i) {
      if (!IsStationName(f[i])) {
        diagnostics.Error(file, line.number, "not a station name: " + f[i]);
      } else if (!grouped.insert(f[i]).second) {
        diagnostics.Error(file, line.number, "station in two groups: " + f[i]);
      } else {
        group.names.push_back(f[i]);
      }
    }
    source.groups.push_back(std::move(group));
  }
}

void ReadAliases(const fs::path& dir, Source& source, Diagnostics& diagnostics) {
  const std::string file = "aliases.txt";
  if (!fs::exists(dir / file)) return;
  for (const auto& line : ReadSourceLines(dir / file, file, diagnostics)) {
    const auto& f = line.fields;
    if (f.size() != 2) {
      diagnostics.Error(file, line.number, "an alias line is a station and its city name");
    } else if (!source.station_index.contains(f[0]) || !source.station_index.contains(f[1])) {
      diagnostics.Error(file, line.number, "both names of an alias are stations of stations.txt");
    } else if (!source.aliases.emplace(f[0], f[1]).second) {
      diagnostics.Error(file, line.number, "station given two aliases: " + f[0]);
    }
  }
}

void ReadCalendar(const fs::path& dir, Source& source, Diagnostics& diagnostics) {
  const std::string file = "calendar.txt";
  if (!fs::exists(dir / file)) return;
  for (const auto& line : ReadSourceLines(dir / file, file, diagnostics)) {
    const auto& f = line.fields;
    if (f.size() != 3 || f[0] != "period" || source.period) {
      diagnostics.Error(file, line.number, "calendar.txt holds one line: period FIRST LAST");
      continue;
    }
    try {
      source.period = data::ParsePeriod(f[1] + ".." + f[2]);
    } catch (const data::CalendarError& e) {
      diagnostics.Error(file, line.number, e.what());
    }
  }
}

void ReadLine(const fs::path& path, const std::string& file, Source& source,
              Diagnostics& diagnostics) {
  Line result;
  result.place = {file, 1};
  bool kind_seen = false;
  std::set<std::string> names;
  for (const auto& line : ReadSourceLines(path, file, diagnostics)) {
    const auto& f = line.fields;
    if (f[0] == "line" || f[0] == "kind") {
      if (!result.stations.empty()) {
        diagnostics.Error(file, line.number, "header lines come before the first station row");
      }
      if (f.size() != 2) {
        diagnostics.Error(file, line.number, f[0] + " takes one value");
      } else if (f[0] == "line") {
        result.name = f[1];
        result.place = {file, line.number};
      } else if (f[1] == "conventional" || f[1] == "high-speed") {
        result.high_speed = f[1] == "high-speed";
        kind_seen = true;
      } else {
        diagnostics.Error(file, line.number, "kind is conventional or high-speed");
      }
      continue;
    }
    const auto km = ParseWhole(f[0]);
    if (f.size() != 2 || !km) {
      diagnostics.Error(file, line.number, "a station row is a whole km post and a station");
      continue;
    }
    if (result.stations.empty() ? *km != 0 : *km <= result.stations.back().km) {
      diagnostics.Error(file, line.number,
                        "km posts start at 0 and increase strictly down the file");
    }
    if (!source.station_index.contains(f[1])) {
      diagnostics.Error(file, line.number, "not a station of stations.txt: " + f[1]);
    }
    if (!names.insert(f[1]).second) {
      diagnostics.Error(file, line.number, "station twice on one line: " + f[1]);
    }
    result.stations.push_back({*km, f[1]});
  }
  if (result.name.empty() || !kind_seen) {
    diagnostics.Error(file, 1, "a line file names its line and kind");
    return;
  }
  if (result.stations.size() < 2) diagnostics.Error(file, 1, "a line has at least two stations");
  if (source.lines.contains(result.name)) {
    diagnostics.Error(file, result.place.line, "line name used twice: " + result.name);
    return;
  }
  source.lines.emplace(result.name, std::move(result));
}

void ReadClasses(const fs::path& dir, Source& source, Diagnostics& diagnostics) {
  const std::string file = "classes.txt";
  for (const auto& line : ReadSourceLines(dir / file, file, diagnostics)) {
    const auto& f = line.fields;
    const int ntype = f.size() > 1 ? ParseWhole(f[1]).value_or(0) : 0;
    if (f[0] != "class" || ntype < 1 || ntype > 11) {
      diagnostics.Error(file, line.number, "a class line starts with 'class' and NType 1..11");
      continue;
    }
    ClassInfo info;
    info.defined = true;
    info.place = {file, line.number};
    bool ok = true;
    auto fail = [&](const std::string& rule) {
      diagnostics.Error(file, line.number, rule);
      ok = false;
    };
    for (std::size_t i = 2; i < f.size() && ok; ++i) {
      const auto next_whole = [&]() -> std::optional<int> {
        return i + 1 < f.size() ? ParseWhole(f[++i]) : std::nullopt;
      };
      if (f[i] == "conventional" || f[i] == "high-speed") {
        const bool hs = f[i] == "high-speed";
        const auto speed = next_whole();
        if (!speed || *speed <= 0) {
          fail("a speed is whole km/h above 0");
        } else {
          (hs ? info.high_speed_speed : info.conventional_speed) = *speed;
        }
      } else if (f[i] == "dwell") {
        const auto dwell = next_whole();
        if (!dwell)
          fail("dwell is whole minutes");
        else
          info.dwell = *dwell;
      } else if (f[i] == "sells") {
        while (i + 1 < f.size() && f[i + 1].size() == 2 && f[i + 1][0] == 'P' &&
               f[i + 1][1] >= '1' && f[i + 1][1] <= '4') {
          info.sells[f[++i][1] - '1'] = true;
        }
      } else if (f[i] == "aircon") {
        info.aircon = true;
      } else if (f[i] == "factor") {
        const auto value = i + 1 < f.size() ? ParseDecimal(f[++i]) : std::nullopt;
        if (!value || *value < 1.0)
          fail("factor is a decimal number of at least 1");
        else
          info.factor = *value;
      } else if (f[i] == "rate") {
        const auto p1 = i + 1 < f.size() ? ParseDecimal(f[++i]) : std::nullopt;
        const auto p2 = i + 1 < f.size() ? ParseDecimal(f[++i]) : std::nullopt;
        if (!p1 || !p2 || *p1 <= 0 || *p2 <= 0)
          fail("rate takes two yuan-per-km values above 0");
        else
          info.rate_p1 = p1.value_or(0), info.rate_p2 = p2.value_or(0);
      } else {
        fail("unknown class item: " + f[i]);
      }
    }
    if (!ok) continue;
    if (info.conventional_speed == 0) {
      diagnostics.Error(file, line.number, "a class gives its conventional speed");
      continue;
    }
    if (info.high_speed_speed == 0) info.high_speed_speed = info.conventional_speed;
    if (ntype < 4 && (info.rate_p1 == 0 || info.sells[2])) {
      diagnostics.Error(file, line.number,
                        "multiple-unit classes give a rate and sell no hard sleeper");
      continue;
    }
    if (!info.sells[0] && !info.sells[1] && !info.sells[2] && !info.sells[3]) {
      diagnostics.Error(file, line.number, "a class sells at least one fare column");
      continue;
    }
    if (source.classes[ntype].defined) {
      diagnostics.Error(file, line.number, "class defined twice");
      continue;
    }
    source.classes[ntype] = info;
  }
}

// Rules that need several files: every line station and group station is known, every
// station is on a line.
void CheckNetwork(Source& source, Diagnostics& diagnostics) {
  std::set<std::string> on_lines;
  for (const auto& [name, line] : source.lines) {
    for (const auto& station : line.stations) on_lines.insert(station.name);
  }
  for (const auto& station : source.stations) {
    if (!on_lines.contains(station.name)) {
      diagnostics.Error(station.place.file, station.place.line,
                        "station on no line: " + station.name);
    }
  }
}

}  // namespace

std::optional<double> ParseDecimal(const std::string& text) {
  if (text.empty() || text.size() > 12) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

Source ReadSource(const fs::path& dir, Diagnostics& diagnostics) {
  Source source;
  ReadStations(dir, source, diagnostics);
  ReadGroups(dir, source, diagnostics);
  ReadAliases(dir, source, diagnostics);
  ReadCalendar(dir, source, diagnostics);
  std::vector<fs::path> line_files;
  if (fs::is_directory(dir / "lines")) {
    for (const auto& entry : fs::directory_iterator(dir / "lines")) {
      if (entry.path().extension() == ".txt") line_files.push_back(entry.path());
    }
  }
  if (line_files.empty()) diagnostics.Error("lines", 0, "no line files");
  std::sort(line_files.begin(), line_files.end());
  for (const auto& path : line_files) {
    ReadLine(path, "lines/" + path.filename().string(), source, diagnostics);
  }
  ReadClasses(dir, source, diagnostics);
  CheckNetwork(source, diagnostics);
  std::vector<fs::path> train_files;
  if (fs::is_directory(dir / "trains")) {
    for (const auto& entry : fs::directory_iterator(dir / "trains")) {
      if (entry.path().extension() == ".txt") train_files.push_back(entry.path());
    }
  }
  if (train_files.empty()) diagnostics.Error("trains", 0, "no train files");
  std::sort(train_files.begin(), train_files.end());
  for (const auto& path : train_files) {
    ReadTrains(path, "trains/" + path.filename().string(), source, diagnostics);
  }
  return source;
}

}  // namespace lanzhou::timetable_build
