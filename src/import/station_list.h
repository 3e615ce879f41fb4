#pragma once
// The 12306 station list (CSV: key, name, telegraph code, pinyin, initials, index, city code,
// city name, ...) and the pinyin initials of station names taken from it.
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lanzhou::import {

class StationList {
 public:
  // Parses the list (a UTF-8 byte-order mark is skipped). Throws ImportError naming `what`.
  StationList(std::string_view text, std::string_view what);

  // The station of a telegraph code; nullptr when the list does not have it.
  [[nodiscard]] const std::string* NameOfCode(std::string_view code) const;
  // The 12306 city of a station ("北京" for 八达岭); empty when unknown.
  [[nodiscard]] std::string_view CityOf(std::string_view name) const;
  // The row of a name's first appearance in the list; -1 when absent.
  [[nodiscard]] int RowOf(std::string_view name) const;

  // Upper-case initials, one letter per character: the list's own when they fit the name,
  // otherwise character by character (the letter the character takes most often in the
  // list's names, ties to the earlier letter; else its reading's initial from the GB2312
  // pinyin order; else a short table of rarer place-name characters). Throws ImportError for
  // a character none of these knows.
  [[nodiscard]] std::string Initials(std::string_view name) const;

 private:
  struct Entry {
    int row = 0;
    std::string city;
    std::string initials;  // empty when the list's do not fit the name
  };
  std::unordered_map<std::string, std::string> by_code_;
  std::unordered_map<std::string, Entry> by_name_;
  std::unordered_map<std::string, std::map<char, int>> letters_;  // character -> letter counts
};

// The characters of a UTF-8 text, one string each.
[[nodiscard]] std::vector<std::string> Utf8Characters(std::string_view text);

}  // namespace lanzhou::import
