#include "cli/text_output.h"

#include <algorithm>
#include <boost/json/serialize.hpp>

namespace lanzhou::cli {

namespace {

// East Asian Wide and Fullwidth ranges that occur in the timetable's texts and captions.
bool IsWide(char32_t cp) {
  return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0x303E) ||
         (cp >= 0x3041 && cp <= 0x33FF) || (cp >= 0x3400 && cp <= 0x4DBF) ||
         (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0xA000 && cp <= 0xA4CF) ||
         (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
         (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
         (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
}

// The character at utf8[i]: its length in bytes and the cells it takes.
struct CharCells {
  std::size_t length;
  std::size_t cells;
};

CharCells CharAt(std::string_view utf8, std::size_t i) {
  const auto lead = static_cast<unsigned char>(utf8[i]);
  std::size_t length = 1;
  char32_t cp = lead;
  if (lead >= 0xF0) {
    length = 4;
    cp = lead & 0x07;
  } else if (lead >= 0xE0) {
    length = 3;
    cp = lead & 0x0F;
  } else if (lead >= 0xC0) {
    length = 2;
    cp = lead & 0x1F;
  }
  if (length > 1) {
    bool valid = i + length <= utf8.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      valid = (next & 0xC0) == 0x80;
      cp = (cp << 6) | (next & 0x3F);
    }
    if (!valid) {
      length = 1;
      cp = lead;
    }
  }
  return {length, IsWide(cp) ? std::size_t{2} : std::size_t{1}};
}

}  // namespace

std::size_t DisplayWidth(std::string_view utf8) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const CharCells c = CharAt(utf8, i);
    width += c.cells;
    i += c.length;
  }
  return width;
}

std::string ElideCell(std::string_view utf8) {
  // Cut where the kept characters and the ellipsis still fit; stop reading at the first
  // character past the limit, so a huge cell costs no more than a short one.
  std::size_t width = 0;
  std::size_t cut = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const CharCells c = CharAt(utf8, i);
    if (width + c.cells > kMaxCellWidth) return std::string(utf8.substr(0, cut)) + "…";
    width += c.cells;
    i += c.length;
    if (width <= kMaxCellWidth - 1) cut = i;
  }
  return std::string(utf8);
}

std::string AlignColumns(const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::vector<std::string>> shown(rows.size());
  std::vector<std::size_t> widths;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const auto& row = rows[r];
    if (widths.size() < row.size()) widths.resize(row.size(), 0);
    shown[r].reserve(row.size());
    for (std::size_t c = 0; c < row.size(); ++c) {
      shown[r].push_back(ElideCell(row[c]));
      widths[c] = std::max(widths[c], DisplayWidth(shown[r][c]));
    }
  }
  std::string out;
  for (const auto& row : shown) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (c > 0) line += "  ";
      line += row[c];
      if (c + 1 < row.size()) line.append(widths[c] - DisplayWidth(row[c]), ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line;
    out += '\n';
  }
  return out;
}

std::string JsonArrayLines(const boost::json::array& values) {
  if (values.empty()) return "[]\n";
  std::string out = "[\n";
  for (std::size_t i = 0; i < values.size(); ++i) {
    out += boost::json::serialize(values[i]);
    out += i + 1 < values.size() ? ",\n" : "\n";
  }
  out += "]\n";
  return out;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) {
    out += line;
    out += '\n';
  }
  return out;
}

}  // namespace lanzhou::cli
