#include "report/grid_export.h"

#include <array>

#include "text/gbk.h"

namespace lanzhou::report {
namespace {

constexpr std::array<std::string_view, kMainGridColumnCount> kMainCaptions = {
    "车次", "始发", "终到", "车型", "发站", "发时", "到站", "到时",
    "停站", "里程", "历时", "硬座", "软座", "硬卧", "软卧"};
constexpr std::array<std::string_view, kDetailGridColumnCount> kDetailCaptions = {
    "站序", "车站", "里程", "到时", "发时", "天数", "历时", "时速"};
constexpr std::array<std::string_view, kJourneyGridColumnCount> kJourneyCaptions = {
    "出发", "发站", "到达", "到站", "历时", "换乘", "车次", "换乘站", "等候", "参考票价"};

[[nodiscard]] std::string JoinCells(const GridRow& row, std::size_t column_count) {
  std::string line;
  for (std::size_t c = 0; c < column_count; ++c) {
    if (c > 0) line += ',';
    if (c < row.size()) line += row[c];
  }
  return line;
}

}  // namespace

std::string_view MainGridColumnCaption(int i) {
  return i >= 0 && i < kMainGridColumnCount ? kMainCaptions[static_cast<std::size_t>(i)]
                                            : std::string_view{};
}

std::string_view DetailGridColumnCaption(int i) {
  return i >= 0 && i < kDetailGridColumnCount ? kDetailCaptions[static_cast<std::size_t>(i)]
                                              : std::string_view{};
}

std::vector<std::string> GridCaptions(GridKind kind) {
  switch (kind) {
    case GridKind::Main:
      return {kMainCaptions.begin(), kMainCaptions.end()};
    case GridKind::Journey:
      return {kJourneyCaptions.begin(), kJourneyCaptions.end()};
    case GridKind::Detail:
      break;
  }
  return {kDetailCaptions.begin(), kDetailCaptions.end()};
}

std::vector<std::string> ExportGridCsvLines(GridKind kind, std::span<const GridRow> rows,
                                            std::string_view heading) {
  const std::vector<std::string> captions = GridCaptions(kind);
  std::vector<std::string> lines;
  lines.reserve(7 + rows.size());
  lines.emplace_back();
  lines.emplace_back();
  lines.emplace_back(kCompanyName);
  lines.emplace_back(kCompanyWebAddress);
  lines.emplace_back(heading);
  lines.emplace_back();
  lines.push_back(JoinCells(captions, captions.size()));
  for (const GridRow& row : rows) lines.push_back(JoinCells(row, captions.size()));
  return lines;
}

void WriteLinesGbkAtomically(const std::filesystem::path& path, std::span<const std::string> lines) {
  std::string bytes;
  for (const std::string& line : lines) {
    bytes += text::Utf8ToGbk(line);
    bytes += "\r\n";
  }
  system::WriteFileAtomically(path, bytes);
}

}  // namespace lanzhou::report
