// Checks the hand-written timetable source under resources/timetable: the pinyin initials
// against ICU's transliteration, the line files, the station list and the station groups.

#include <gtest/gtest.h>
#include <unicode/translit.h>
#include <unicode/uscript.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <numeric>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir{LANZHOU_SOURCE_DIR};

// Names whose initials differ from ICU's reading of their characters one at a time. ICU gives
// each character its most common reading; place names often use another one.
struct Reading {
  const char* name;
  const char* initials;
  const char* why;
};
constexpr Reading kReadings[] = {
    {"长春", "CC", "长 is cháng in place names, ICU reads zhǎng"},
    {"长春西", "CCX", "长 is cháng in place names, ICU reads zhǎng"},
    {"长沙", "CS", "长 is cháng in place names, ICU reads zhǎng"},
    {"长沙南", "CSN", "长 is cháng in place names, ICU reads zhǎng"},
    {"长沙西", "CSX", "长 is cháng in place names, ICU reads zhǎng"},
    {"长辛店", "CXD", "长 is cháng in place names, ICU reads zhǎng"},
    {"长葛", "CG", "长 is cháng in place names, ICU reads zhǎng"},
    {"长葛北", "CGB", "长 is cháng in place names, ICU reads zhǎng"},
    {"长台关", "CTG", "长 is cháng in place names, ICU reads zhǎng"},
    {"长征", "CZ", "长 is cháng in place names, ICU reads zhǎng"},
    {"长安", "CA", "长 is cháng in place names, ICU reads zhǎng"},
    {"长宁", "CN", "长 is cháng in place names, ICU reads zhǎng"},
    {"长汀", "CT", "长 is cháng in place names, ICU reads zhǎng"},
    {"长汀南", "CTN", "长 is cháng in place names, ICU reads zhǎng"},
    {"长治", "CZ", "长 is cháng in place names, ICU reads zhǎng"},
    {"长治北", "CZB", "长 is cháng in place names, ICU reads zhǎng"},
    {"长治东", "CZD", "长 is cháng in place names, ICU reads zhǎng"},
    {"长清", "CQ", "长 is cháng in place names, ICU reads zhǎng"},
    {"长兴", "CX", "长 is cháng in place names, ICU reads zhǎng"},
    {"长垣", "CY", "长 is cháng in place names, ICU reads zhǎng"},
    {"长武", "CW", "长 is cháng in place names, ICU reads zhǎng"},
    {"长阳", "CY", "长 is cháng in place names, ICU reads zhǎng"},
    {"长寿", "CS", "长 is cháng in place names, ICU reads zhǎng"},
    {"长寿北", "CSB", "长 is cháng in place names, ICU reads zhǎng"},
    {"八达岭长城", "BDLCC", "长城 is chángchéng, ICU reads zhǎng"},
    {"重庆", "CQ", "重 is chóng in 重庆, ICU reads zhòng"},
    {"重庆北", "CQB", "重 is chóng in 重庆, ICU reads zhòng"},
    {"重庆南", "CQN", "重 is chóng in 重庆, ICU reads zhòng"},
    {"厦门", "XM", "厦 is xià in 厦门, ICU reads shà"},
    {"厦门北", "XMB", "厦 is xià in 厦门, ICU reads shà"},
    {"塘头厦", "TTX", "厦 is xià in 塘厦 place names, ICU reads shà"},
    {"乐清", "YQ", "乐 is yuè in 乐清, ICU reads lè"},
    {"洪洞", "HT", "洞 is tóng in 洪洞, ICU reads dòng"},
    {"洪洞西", "HTX", "洞 is tóng in 洪洞, ICU reads dòng"},
    {"东阿", "DE", "阿 is ē in 东阿, ICU reads ā"},
    {"莘庄", "XZ", "莘 is xīn in 莘庄 (shēn only in 莘县), ICU reads shēn"},
    {"于家堡", "YJP", "堡 is pù in 于家堡, ICU reads bǎo"},
    {"泊头", "BT", "泊 is bó in 泊头, ICU reads pō"},
    {"犍为", "QW", "犍 is qián in 犍为, ICU reads jiān"},
    {"宝坻", "BD", "坻 is dǐ in 宝坻, ICU reads chí"},
    {"繁峙", "FS", "峙 is shì in 繁峙, ICU reads zhì"},
};

struct Station {
  std::string name;
  std::string initials;
};

struct Line {
  std::string file;
  std::string name;
  std::string kind;
  std::vector<std::pair<int, std::string>> posts;  // km, station, in file order
};

struct Source {
  std::vector<Station> stations;                      // file order
  std::map<int, std::vector<std::string>> groups;     // number -> stations
  std::vector<Line> lines;                            // by file name
  std::vector<std::string> errors;                    // syntax problems found while reading
};

// Text of a source line without its comment, split on blanks.
std::vector<std::string> Fields(std::string line) {
  if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
  std::istringstream in(line);
  std::vector<std::string> fields;
  for (std::string f; in >> f;) fields.push_back(f);
  return fields;
}

bool ParseInt(const std::string& text, int& value) {
  if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) {
        return c >= '0' && c <= '9';
      }))
    return false;
  value = std::stoi(text);
  return true;
}

void ReadStations(Source& src) {
  std::ifstream in(kSourceDir / "stations.txt");
  if (!in) src.errors.push_back("stations.txt: cannot open");
  int no = 0;
  for (std::string text; std::getline(in, text);) {
    ++no;
    auto f = Fields(text);
    if (f.empty()) continue;
    if (f.size() != 2) {
      src.errors.push_back("stations.txt:" + std::to_string(no) + ": want name and initials");
      continue;
    }
    src.stations.push_back({f[0], f[1]});
  }
}

void ReadGroups(Source& src) {
  std::ifstream in(kSourceDir / "groups.txt");
  if (!in) src.errors.push_back("groups.txt: cannot open");
  int no = 0;
  for (std::string text; std::getline(in, text);) {
    ++no;
    auto f = Fields(text);
    if (f.empty()) continue;
    const std::string where = "groups.txt:" + std::to_string(no) + ": ";
    int number = 0;
    if (f.size() < 2 || f[0].back() != ':' || !ParseInt(f[0].substr(0, f[0].size() - 1), number)) {
      src.errors.push_back(where + "want '<number>: <station> ...'");
      continue;
    }
    if (src.groups.count(number)) src.errors.push_back(where + "group number used twice");
    src.groups[number].assign(f.begin() + 1, f.end());
  }
}

void ReadLines(Source& src) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(kSourceDir / "lines"))
    if (entry.path().extension() == ".txt") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const auto& path : files) {
    Line line{path.filename().string(), {}, {}, {}};
    std::ifstream in(path);
    int no = 0;
    for (std::string text; std::getline(in, text);) {
      ++no;
      auto f = Fields(text);
      if (f.empty()) continue;
      const std::string where = line.file + ":" + std::to_string(no) + ": ";
      int km = 0;
      if (f.size() == 2 && (f[0] == "line" || f[0] == "kind")) {
        if (!line.posts.empty()) src.errors.push_back(where + "header after the first station");
        (f[0] == "line" ? line.name : line.kind) = f[1];
      } else if (f.size() == 2 && ParseInt(f[0], km)) {
        line.posts.emplace_back(km, f[1]);
      } else {
        src.errors.push_back(where + "want 'line <name>', 'kind <kind>' or '<km> <station>'");
      }
    }
    src.lines.push_back(std::move(line));
  }
}

const Source& TheSource() {
  static const Source source = [] {
    Source src;
    ReadStations(src);
    ReadGroups(src);
    ReadLines(src);
    return src;
  }();
  return source;
}

std::set<std::string> StationNames() {
  std::set<std::string> names;
  for (const auto& s : TheSource().stations) names.insert(s.name);
  return names;
}

std::set<std::string> LineStationNames() {
  std::set<std::string> names;
  for (const auto& line : TheSource().lines)
    for (const auto& post : line.posts) names.insert(post.second);
  return names;
}

const Line* FindLine(std::string_view name) {
  for (const auto& line : TheSource().lines)
    if (line.name == name) return &line;
  return nullptr;
}

// First letter of ICU's Latin reading of each character, upper-cased.
std::string IcuInitials(const icu::Transliterator& to_latin, const std::string& name) {
  const auto text = icu::UnicodeString::fromUTF8(name);
  std::string initials;
  for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
    icu::UnicodeString syllable(text.char32At(i));
    to_latin.transliterate(syllable);
    const char16_t first = syllable.isEmpty() ? u'?' : syllable.charAt(0);
    initials += (first >= u'a' && first <= u'z') ? static_cast<char>(first - u'a' + 'A')
                                                  : static_cast<char>(first < 128 ? first : '?');
  }
  return initials;
}

TEST(TimetableSource, FilesParseAndHaveTheSizeOfANationalNetwork) {
  const auto& src = TheSource();
  EXPECT_TRUE(src.errors.empty()) << ::testing::PrintToString(src.errors);
  EXPECT_GE(src.stations.size(), 2000u);
  EXPECT_GE(src.lines.size(), 60u);
  EXPECT_GE(src.groups.size(), 120u);
}

TEST(TimetableSource, StationNamesAndInitialsAreWellFormed) {
  std::set<std::string> seen;
  for (const auto& s : TheSource().stations) {
    EXPECT_TRUE(seen.insert(s.name).second) << "duplicate station " << s.name;
    const auto text = icu::UnicodeString::fromUTF8(s.name);
    const int32_t chars = text.countChar32();
    EXPECT_TRUE(chars >= 1 && chars <= 5) << s.name << " has " << chars << " characters";
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
      UErrorCode status = U_ZERO_ERROR;
      EXPECT_EQ(uscript_getScript(text.char32At(i), &status), USCRIPT_HAN)
          << s.name << " holds a character that is not Chinese";
    }
    EXPECT_EQ(static_cast<int32_t>(s.initials.size()), chars) << s.name << " " << s.initials;
    for (char c : s.initials)
      EXPECT_TRUE(c >= 'A' && c <= 'Z' && c != 'I' && c != 'U' && c != 'V')
          << s.name << " " << s.initials;
  }
}

TEST(TimetableSource, InitialsAgreeWithIcuOrTheReviewedReadings) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Transliterator> to_latin(icu::Transliterator::createInstance(
      icu::UnicodeString::fromUTF8("Han-Latin; Latin-ASCII"), UTRANS_FORWARD, status));
  ASSERT_TRUE(U_SUCCESS(status)) << u_errorName(status);

  std::map<std::string, const Reading*> readings;
  for (const auto& r : kReadings) {
    EXPECT_TRUE(readings.emplace(r.name, &r).second) << "listed twice: " << r.name;
    EXPECT_NE(std::string_view(r.why), "") << r.name;
  }
  std::set<std::string> used;
  for (const auto& s : TheSource().stations) {
    const std::string icu = IcuInitials(*to_latin, s.name);
    if (auto it = readings.find(s.name); it != readings.end()) {
      used.insert(s.name);
      EXPECT_EQ(s.initials, it->second->initials) << s.name << ": " << it->second->why;
      EXPECT_NE(icu, it->second->initials) << s.name << " agrees with ICU; drop it from the list";
    } else {
      EXPECT_EQ(s.initials, icu) << s.name << ": ICU reads " << icu
                                 << "; fix the initials or list the reading with a reason";
    }
  }
  for (const auto& r : kReadings)
    EXPECT_TRUE(used.count(r.name)) << r.name << " is listed but is not a station";
}

TEST(TimetableSource, StationOrderIsByFirstInitialThenHandKept) {
  const auto& stations = TheSource().stations;
  ASSERT_FALSE(stations.empty());
  std::map<char, std::vector<const Station*>> by_letter;
  for (size_t i = 0; i < stations.size(); ++i) {
    if (i > 0) {
      EXPECT_LE(stations[i - 1].initials[0], stations[i].initials[0])
          << stations[i].name << " is out of its letter";
    }
    by_letter[stations[i].initials[0]].push_back(&stations[i]);
  }
  auto opening = [&](char letter, size_t n) {
    std::vector<std::string> names;
    for (size_t i = 0; i < n && i < by_letter[letter].size(); ++i)
      names.push_back(by_letter[letter][i]->name);
    return names;
  };
  EXPECT_EQ(opening('A', 4), (std::vector<std::string>{"安阳", "鞍山", "安康", "安顺"}));
  EXPECT_EQ(opening('B', 5),
            (std::vector<std::string>{"北京", "北京西", "北京南", "北京北", "北京东"}));
  // A hand-kept list: no letter with ten rows or more is in alphabetical order of initials.
  for (const auto& [letter, rows] : by_letter) {
    if (rows.size() < 10) continue;
    EXPECT_FALSE(std::is_sorted(rows.begin(), rows.end(), [](auto* a, auto* b) {
      return a->initials < b->initials;
    })) << "the " << letter << " rows are sorted";
  }
}

TEST(TimetableSource, LinesHaveNamesKindsAndIncreasingKilometrePosts) {
  std::set<std::string> names;
  std::set<std::string> kinds;
  for (const auto& line : TheSource().lines) {
    SCOPED_TRACE(line.file);
    EXPECT_FALSE(line.name.empty());
    EXPECT_TRUE(names.insert(line.name).second) << "line name used twice: " << line.name;
    EXPECT_TRUE(line.kind == "conventional" || line.kind == "high-speed") << line.kind;
    kinds.insert(line.kind);
    ASSERT_GE(line.posts.size(), 2u);
    EXPECT_EQ(line.posts.front().first, 0);
    std::set<std::string> on_line;
    for (size_t i = 0; i < line.posts.size(); ++i) {
      EXPECT_TRUE(on_line.insert(line.posts[i].second).second)
          << line.posts[i].second << " twice on the line";
      if (i > 0) {
        EXPECT_LT(line.posts[i - 1].first, line.posts[i].first) << "at " << line.posts[i].second;
      }
    }
  }
  EXPECT_EQ(kinds, (std::set<std::string>{"conventional", "high-speed"}));
}

TEST(TimetableSource, StationListAndLinesCoverEachOther) {
  const auto stations = StationNames();
  const auto on_lines = LineStationNames();
  for (const auto& name : on_lines) EXPECT_TRUE(stations.count(name)) << name << " not listed";
  for (const auto& name : stations) EXPECT_TRUE(on_lines.count(name)) << name << " on no line";
}

TEST(TimetableSource, LinesMeetAtJunctionsIntoOneNetwork) {
  // A junction spelt differently on two lines splits the network; find that.
  const auto& lines = TheSource().lines;
  std::vector<size_t> parent(lines.size());
  std::iota(parent.begin(), parent.end(), 0);
  auto root = [&](size_t i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
  };
  std::map<std::string, size_t> first_line;
  for (size_t i = 0; i < lines.size(); ++i)
    for (const auto& post : lines[i].posts) {
      auto [it, fresh] = first_line.emplace(post.second, i);
      if (!fresh) parent[root(i)] = root(it->second);
    }
  for (size_t i = 0; i < lines.size(); ++i)
    EXPECT_EQ(root(i), root(0)) << lines[i].file << " is cut off from " << lines[0].file;
}

TEST(TimetableSource, KilometrePostsFollowRealDistances) {
  auto post = [](std::string_view line_name, std::string_view station) {
    const Line* line = FindLine(line_name);
    if (!line) return -1;
    for (const auto& p : line->posts)
      if (p.second == station) return p.first;
    return -1;
  };
  struct Known {
    const char* line;
    const char* station;
    int km;
  };
  const Known known[] = {
      {"京广线", "北京西", 0},      {"京广线", "石家庄", 277},   {"京广线", "郑州", 689},
      {"京广线", "武昌", 1225},     {"京广线", "长沙", 1587},    {"京广线", "广州", 2294},
      {"京沪高铁", "北京南", 0},    {"京沪高铁", "上海虹桥", 1318}, {"京沪线", "上海", 1463},
      {"京广高铁", "广州南", 2298}, {"陇海线", "兰州", 1759},    {"京哈线", "哈尔滨", 1390},
  };
  for (const auto& k : known) {
    const int km = post(k.line, k.station);
    EXPECT_NEAR(km, k.km, k.km / 30 + 5) << k.station << " on " << k.line;
  }
}

TEST(TimetableSource, GroupsUseValidNumbersAndKnownStations) {
  const auto& groups = TheSource().groups;
  const auto stations = StationNames();
  const auto on_lines = LineStationNames();
  std::set<std::string> grouped;
  std::set<std::string> only_grouped;
  for (const auto& [number, members] : groups) {
    EXPECT_TRUE(number >= 1 && number <= 159) << number;
    EXPECT_FALSE((number >= 51 && number <= 59) || (number >= 101 && number <= 109)) << number;
    EXPECT_FALSE(members.empty()) << number;
    for (const auto& name : members) {
      EXPECT_TRUE(grouped.insert(name).second) << name << " is in two groups";
      if (!stations.count(name)) only_grouped.insert(name);
    }
  }
  // The one station that is grouped but neither listed nor served.
  EXPECT_EQ(only_grouped, (std::set<std::string>{"滦县东"}));
  EXPECT_FALSE(on_lines.count("滦县东"));
  EXPECT_GE(grouped.size(), 250u);
}

TEST(TimetableSource, GroupsTheQueriesRelyOnExist) {
  const auto& groups = TheSource().groups;
  auto members = [&](int number) {
    auto it = groups.find(number);
    return it == groups.end() ? std::set<std::string>{}
                              : std::set<std::string>(it->second.begin(), it->second.end());
  };
  using Set = std::set<std::string>;
  EXPECT_EQ(members(5), (Set{"北京", "北京北", "北京东", "北京南", "北京西"}));
  EXPECT_EQ(members(118), (Set{"汉口", "武昌", "武汉"}));
  EXPECT_EQ(members(148), (Set{"丹阳"}));
  EXPECT_EQ(members(149), (Set{"丹阳北"}));
  EXPECT_EQ(members(150), (Set{"德州", "德州东", "枣庄", "枣庄西"}));
  EXPECT_EQ(members(151), (Set{"贵阳"}));
  bool shanghai = false;
  for (const auto& [number, list] : groups)
    shanghai |= Set(list.begin(), list.end()) == Set{"上海", "上海南", "上海虹桥", "上海西"};
  EXPECT_TRUE(shanghai) << "no group holds exactly the four 上海 stations";
  for (const auto& [number, list] : groups)
    EXPECT_EQ(std::count(list.begin(), list.end(), "咸阳"), 0) << "咸阳 is in group " << number;
}

TEST(TimetableSource, StationsOfTheWorkedExamplesExist) {
  const auto stations = StationNames();
  for (const char* name :
       {"西安", "咸阳", "长春", "辽中", "赤峰东", "泰山", "泰安", "汉口", "武昌", "武汉", "广州南",
        "北京西", "上海虹桥", "苏州园区", "苏州新区", "无锡新区", "洛阳龙门", "白河东", "白河县",
        "白银市", "白银西", "九龙"})
    EXPECT_TRUE(stations.count(name)) << name;

  // A train from 叶柏寿 to 通辽 runs into 赤峰 and reverses there, passing 赤峰东 twice.
  auto stretch = [](std::string_view line_name, std::string_view from, std::string_view to) {
    std::vector<std::string> out;
    const Line* line = FindLine(line_name);
    if (!line) return out;
    auto at = [&](std::string_view s) {
      return std::find_if(line->posts.begin(), line->posts.end(),
                          [&](const auto& p) { return p.second == s; }) -
             line->posts.begin();
    };
    const std::ptrdiff_t a = at(from), b = at(to);
    const auto n = static_cast<std::ptrdiff_t>(line->posts.size());
    if (a == n || b == n) return out;
    for (auto i = a;; i += (b > a ? 1 : -1)) {
      out.push_back(line->posts[i].second);
      if (i == b) break;
    }
    return out;
  };
  auto route = stretch("叶赤线", "叶柏寿", "赤峰");
  const auto onward = stretch("京通线", "赤峰", "通辽");
  ASSERT_FALSE(route.empty());
  ASSERT_FALSE(onward.empty());
  route.insert(route.end(), onward.begin() + 1, onward.end());
  EXPECT_EQ(std::count(route.begin(), route.end(), "赤峰东"), 2);
}

}  // namespace
