#include "import/station_list.h"

#include <algorithm>
#include <array>
#include <utility>

#include "import/crawl_timetable.h"
#include "text/gbk.h"

namespace lanzhou::import {
namespace {

// The GB2312 level-1 characters are sorted by pinyin: the first code of each initial's range.
constexpr std::array<std::pair<unsigned, char>, 23> kGb2312Initials{{
    {0xB0A1, 'A'}, {0xB0C5, 'B'}, {0xB2C1, 'C'}, {0xB4EE, 'D'}, {0xB6EA, 'E'}, {0xB7A2, 'F'},
    {0xB8C1, 'G'}, {0xB9FE, 'H'}, {0xBBF7, 'J'}, {0xBFA6, 'K'}, {0xC0AC, 'L'}, {0xC2E8, 'M'},
    {0xC4C3, 'N'}, {0xC5B6, 'O'}, {0xC5BE, 'P'}, {0xC6DA, 'Q'}, {0xC8BB, 'R'}, {0xC8F6, 'S'},
    {0xCBFA, 'T'}, {0xCDDA, 'W'}, {0xCEF4, 'X'}, {0xD1B9, 'Y'}, {0xD4D1, 'Z'},
}};
constexpr unsigned kGb2312Level1End = 0xD7F9;

// Characters outside GB2312 level 1 that occur in place names, with their place-name reading.
constexpr std::array<std::pair<std::string_view, char>, 18> kRareInitials{{
    {"叆", 'A'},
    {"贲", 'B'},
    {"椑", 'B'},
    {"碥", 'B'},
    {"氡", 'D'},
    {"泔", 'G'},
    {"郜", 'G'},
    {"鄠", 'H'},
    {"峧", 'J'},
    {"砬", 'L'},
    {"碛", 'Q'},
    {"坵", 'Q'},
    {"犍", 'Q'},
    {"佟", 'T'},
    {"崴", 'W'},
    {"榭", 'X'},
    {"漩", 'X'},
    {"轸", 'Z'},
}};

char Gb2312Initial(const std::string& ch) {
  const std::string gbk = text::Utf8ToGbk(ch);
  if (gbk.size() != 2) return 0;
  const auto lead = static_cast<unsigned char>(gbk[0]);
  const auto trail = static_cast<unsigned char>(gbk[1]);
  const unsigned code = lead << 8 | trail;
  // GBK's own additions share lead bytes with GB2312 but have trail bytes below A1.
  if (trail < 0xA1 || code < kGb2312Initials.front().first || code > kGb2312Level1End) return 0;
  char letter = 0;
  for (const auto& [start, initial] : kGb2312Initials) {
    if (code >= start) letter = initial;
  }
  return letter;
}

bool IsInitialLetter(char c) {
  return c >= 'A' && c <= 'Z' && c != 'I' && c != 'U' && c != 'V';
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace

std::vector<std::string> Utf8Characters(std::string_view text) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    n = std::min(n, text.size() - i);
    out.emplace_back(text.substr(i, n));
    i += n;
  }
  return out;
}

bool IsStationName(std::string_view name) {
  const auto chars = Utf8Characters(name);
  if (chars.empty() || chars.size() > 10) return false;
  for (const std::string& ch : chars) {
    if (ch.size() != 3) return false;
    const unsigned cp = (static_cast<unsigned char>(ch[0]) & 0x0Fu) << 12 |
                        (static_cast<unsigned char>(ch[1]) & 0x3Fu) << 6 |
                        (static_cast<unsigned char>(ch[2]) & 0x3Fu);
    if (cp < 0x3400 || cp > 0x9FFF || text::Utf8ToGbk(ch).size() != 2) return false;
  }
  return true;
}

StationList::StationList(std::string_view text, std::string_view what) {
  int row = 0;
  ForEachLine(text, [&](int line_no, std::string_view line) {
    if (line.empty()) return;
    const auto fields = SplitFields(line);
    if (fields.size() < 5) {
      throw ImportError(std::string(what) + ":" + std::to_string(line_no) +
                        ": fewer than 5 columns (key, name, code, pinyin, initials)");
    }
    std::string name = WithoutBlanks(fields[1]);
    if (name.empty()) return;
    const std::string code = WithoutBlanks(fields[2]);
    if (!code.empty()) by_code_.emplace(code, name);
    const std::string initials = Upper(WithoutBlanks(fields[4]));
    const auto chars = Utf8Characters(name);
    const bool fits = initials.size() == chars.size() &&
                      std::all_of(initials.begin(), initials.end(), IsInitialLetter);
    if (fits) {
      for (std::size_t i = 0; i < chars.size(); ++i) ++letters_[chars[i]][initials[i]];
    }
    const auto [it, fresh] = by_name_.try_emplace(std::move(name));
    if (fresh) {
      it->second.row = row;
      if (fields.size() > 7) it->second.city = WithoutBlanks(fields[7]);
    }
    if (fits && it->second.initials.empty()) it->second.initials = initials;
    ++row;
  });
}

const std::string* StationList::NameOfCode(std::string_view code) const {
  const auto it = by_code_.find(std::string(code));
  return it == by_code_.end() ? nullptr : &it->second;
}

std::string_view StationList::CityOf(std::string_view name) const {
  const auto it = by_name_.find(std::string(name));
  return it == by_name_.end() ? std::string_view() : std::string_view(it->second.city);
}

int StationList::RowOf(std::string_view name) const {
  const auto it = by_name_.find(std::string(name));
  return it == by_name_.end() ? -1 : it->second.row;
}

std::string StationList::Initials(std::string_view name) const {
  if (const auto it = by_name_.find(std::string(name));
      it != by_name_.end() && !it->second.initials.empty()) {
    return it->second.initials;
  }
  std::string out;
  for (const std::string& ch : Utf8Characters(name)) {
    char letter = 0;
    if (const auto counts = letters_.find(ch); counts != letters_.end()) {
      int best = 0;
      for (const auto& [l, n] : counts->second) {  // letters ascending: ties keep the earlier
        if (n > best) {
          best = n;
          letter = l;
        }
      }
    }
    if (letter == 0) letter = Gb2312Initial(ch);
    if (letter == 0) {
      for (const auto& [rare, l] : kRareInitials) {
        if (rare == ch) letter = l;
      }
    }
    if (letter == 0) {
      throw ImportError("no initial known for " + ch + " (station " + std::string(name) + ")");
    }
    out += letter;
  }
  return out;
}

}  // namespace lanzhou::import
